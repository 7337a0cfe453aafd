// MessageBoxA: the text always goes to standard error, and a host message box
// shows it too where a person can see one.
#include <cstdio>

#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

Uint32 boxFlagsOf(UINT uType) {
    switch (uType & MB_ICONMASK) {
        case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
        case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
        default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

}  // namespace

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    // Windows' caption for a null one.
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    const char* text = lpText != nullptr ? lpText : "";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    // Without a display SDL would try to open one; an offscreen or dummy
    // driver means nobody could press OK, so the box would never close.
    if (displayAvailable()) {
        WindowRecord* owner = findWindow(hWnd);
        SDL_ShowSimpleMessageBox(boxFlagsOf(uType), caption, text,
                                 owner != nullptr ? owner->sdlWindow : nullptr);
    }
    // Every box the game shows has only an OK button.
    return IDOK;
}
