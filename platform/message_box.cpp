// MessageBoxA: a host message box where a person can see one, as on Windows.
// Where none can be shown it fails, as Windows' does, and writes nothing: the
// game writes the text of every box to standard error itself, once.
#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

// The exclamation (failed steps, notices) is a warning; the information sign
// (a failed release) is information.
Uint32 boxFlagsOf(UINT uType) {
    return (uType & MB_ICONMASK) == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                                       : SDL_MESSAGEBOX_INFORMATION;
}

}  // namespace

// The game's boxes have a caption and a text, no owner and an OK button.
int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    // Without a display SDL would try to open one; an offscreen or dummy
    // driver means nobody could press OK, so the box would never close.
    if (!displayAvailable()) return 0;
    if (SDL_ShowSimpleMessageBox(boxFlagsOf(uType), lpCaption, lpText, nullptr) != 0) {
        failWithHostReason();
        return 0;
    }
    // Every box the game shows has only an OK button.
    return IDOK;
}
