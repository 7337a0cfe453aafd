// Window classes and the stock cursor handle.
#include <cstring>

#include "platform/handles.h"
#include "platform/win32_extra.h"

WindowClass windowClasses[maxWindowClasses];

namespace {

// RegisterClassA's result: non-zero, in the range Windows gives registered
// classes. Nothing here looks a class up by it; the game names its class.
constexpr UINT_PTR firstClassAtom = 0xC000;

// A stand-in for the cursor, which has no host counterpart; only its address
// matters, as a non-null handle.
char arrowCursorToken;

WindowClass* lookUp(LPCSTR name) {
    if (name == nullptr) return nullptr;
    for (WindowClass& windowClass : windowClasses) {
        if (windowClass.used && std::strcmp(windowClass.name, name) == 0) return &windowClass;
    }
    return nullptr;
}

bool hasLiveWindows(const WindowClass* windowClass) {
    for (const WindowRecord& record : windowRecords) {
        if (record.live && record.windowClass == windowClass) return true;
    }
    return false;
}

}  // namespace

const WindowClass* findWindowClass(LPCSTR name) {
    return lookUp(name);
}

WORD WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    LPCSTR name = lpWndClass != nullptr ? lpWndClass->lpszClassName : nullptr;
    if (name == nullptr || name[0] == '\0' || std::strlen(name) >= classNameCapacity ||
        lpWndClass->lpfnWndProc == nullptr) {
        failWith(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lookUp(name) != nullptr) {
        failWith(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    for (int i = 0; i < maxWindowClasses; ++i) {
        WindowClass& windowClass = windowClasses[i];
        if (windowClass.used) continue;
        std::strcpy(windowClass.name, name);
        windowClass.procedure = lpWndClass->lpfnWndProc;
        windowClass.used = true;
        return WORD(firstClassAtom + i);
    }
    failWith(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

// The game unregisters its class with the module handle it registered it
// with. A class stays while a window of it lives: its procedure is in use.
BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    WindowClass* windowClass = lookUp(lpClassName);
    if (windowClass == nullptr || hasLiveWindows(windowClass)) return FALSE;
    *windowClass = WindowClass{};
    return TRUE;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) {
    return reinterpret_cast<HCURSOR>(&arrowCursorToken);
}
