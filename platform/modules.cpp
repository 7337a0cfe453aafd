// Modules: the program is the only one. No DLL is found or loaded, so a
// caller that looks for a function of a newer Windows goes without it.
#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {
// A stand-in with no host counterpart; only its address matters, as a
// non-null handle.
char programToken;
}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName == nullptr) return reinterpret_cast<HMODULE>(&programToken);
    failWith(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE WINAPI LoadLibraryExA(LPCSTR, HANDLE, DWORD) {
    failWith(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR) {
    failWith(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
