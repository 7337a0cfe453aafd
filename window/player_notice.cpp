#include "window/player_notice.h"

#include <cstdio>

namespace {
constexpr const char* noticeCaption = "Stapelix";
constexpr UINT noticeBox = MB_OK | MB_ICONEXCLAMATION;
}  // namespace

void tellPlayer(const char* text) {
    tellPlayer(text, noticeCaption, noticeBox);
}

void tellPlayer(const char* text, const char* caption, UINT boxType) {
    if (text == nullptr || text[0] == '\0') return;
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    MessageBoxA(nullptr, text, caption, boxType);
}
