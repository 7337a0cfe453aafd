#include "window/player_notice.h"

#include <cstdio>

#include "platform/win32.h"

namespace {
constexpr const char* noticeCaption = "Stapelix";
constexpr UINT noticeBox = MB_OK | MB_ICONEXCLAMATION;
}  // namespace

void tellPlayer(const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    MessageBoxA(nullptr, text, noticeCaption, noticeBox);
}
