// Window classes, the module handle and the stock icon and cursor handles.
#include <cstring>

#include "platform/handles.h"

WindowClass windowClasses[maxWindowClasses];

namespace {

// Class atoms live in the range Windows uses for registered strings.
constexpr UINT_PTR firstClassAtom = 0xC000;
// A name pointer below this value is an atom (MAKEINTATOM), not a string.
constexpr UINT_PTR atomLimit = 0x10000;

// Stand-ins for objects that have no host counterpart; only their addresses
// matter, as non-null handles.
char moduleToken;
char arrowCursorToken;

bool isAtom(LPCSTR nameOrAtom) {
    return reinterpret_cast<UINT_PTR>(nameOrAtom) < atomLimit;
}

WindowClass* lookUp(LPCSTR nameOrAtom) {
    if (nameOrAtom == nullptr) return nullptr;
    if (isAtom(nameOrAtom)) {
        UINT_PTR atom = reinterpret_cast<UINT_PTR>(nameOrAtom);
        if (atom < firstClassAtom || atom >= firstClassAtom + maxWindowClasses) return nullptr;
        WindowClass& windowClass = windowClasses[atom - firstClassAtom];
        return windowClass.used ? &windowClass : nullptr;
    }
    for (WindowClass& windowClass : windowClasses) {
        // Class names compare without regard to case, as on Windows.
        if (windowClass.used && SDL_strcasecmp(windowClass.name, nameOrAtom) == 0) return &windowClass;
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

const WindowClass* findWindowClass(LPCSTR nameOrAtom) {
    return lookUp(nameOrAtom);
}

WORD WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->lpfnWndProc == nullptr) return 0;
    LPCSTR name = lpWndClass->lpszClassName;
    if (name == nullptr || isAtom(name) || name[0] == '\0') return 0;
    if (std::strlen(name) >= classNameCapacity) return 0;
    if (lookUp(name) != nullptr) return 0;
    for (int i = 0; i < maxWindowClasses; ++i) {
        WindowClass& windowClass = windowClasses[i];
        if (windowClass.used) continue;
        std::strcpy(windowClass.name, name);
        windowClass.procedure = lpWndClass->lpfnWndProc;
        windowClass.instance = lpWndClass->hInstance;
        windowClass.used = true;
        return WORD(firstClassAtom + i);
    }
    return 0;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance) {
    WindowClass* windowClass = lookUp(lpClassName);
    if (windowClass == nullptr || windowClass->instance != hInstance) return FALSE;
    if (hasLiveWindows(windowClass)) return FALSE;
    windowClass->used = false;
    windowClass->procedure = nullptr;
    windowClass->name[0] = '\0';
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    // Only the program itself is a module here.
    if (lpModuleName != nullptr) return nullptr;
    return reinterpret_cast<HMODULE>(&moduleToken);
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    // The program carries no icon resources.
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    // Of the system cursors only the arrow exists; programs have no cursor
    // resources.
    if (hInstance != nullptr || lpCursorName != IDC_ARROW) return nullptr;
    return reinterpret_cast<HCURSOR>(&arrowCursorToken);
}
