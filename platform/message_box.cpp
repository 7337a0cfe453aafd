// MessageBoxA: a host message box where a person can see one, as on Windows;
// where none can be shown, the text goes to standard error instead, so that
// it is never lost.
#include <cstdio>

#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

// The game's two icons: the exclamation for a failed creation, the
// information sign for a failed release.
Uint32 boxFlagsOf(UINT uType) {
    return (uType & MB_ICONMASK) == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                                       : SDL_MESSAGEBOX_INFORMATION;
}

}  // namespace

// The game's boxes have a caption and a text, no owner and an OK button.
int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    // Without a display SDL would try to open one; an offscreen or dummy
    // driver means nobody could press OK, so the box would never close.
    const bool shown = displayAvailable() &&
                       SDL_ShowSimpleMessageBox(boxFlagsOf(uType), lpCaption, lpText, nullptr) == 0;
    if (!shown) {
        std::fprintf(stderr, "%s: %s\n", lpCaption, lpText);
        std::fflush(stderr);
    }
    // Every box the game shows has only an OK button.
    return IDOK;
}
