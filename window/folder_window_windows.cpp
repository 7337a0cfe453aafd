// A window property named after the claim; the second start looks for it on
// every top-level window, whichever program owns it.
#include "window/folder_window.h"

namespace {

struct MarkedWindow {
    const char* claimName;
    HWND found;
};

BOOL CALLBACK findMarkedWindow(HWND window, LPARAM search) {
    MarkedWindow& marked = *reinterpret_cast<MarkedWindow*>(search);
    if (GetPropA(window, marked.claimName) == nullptr) return TRUE;
    marked.found = window;
    return FALSE;  // found: the enumeration stops
}

}  // namespace

void markFolderWindow(HWND window, const char* claimName) {
    // Any value but null marks it: the window's own handle.
    SetPropA(window, claimName, window);
}

void unmarkFolderWindow(HWND window, const char* claimName) {
    RemovePropA(window, claimName);
}

bool raiseFolderWindow(const char* claimName) {
    MarkedWindow marked{claimName, nullptr};
    EnumWindows(findMarkedWindow, reinterpret_cast<LPARAM>(&marked));
    if (marked.found == nullptr) return false;
    if (IsIconic(marked.found)) ShowWindow(marked.found, SW_RESTORE);
    SetForegroundWindow(marked.found);
    return true;
}
