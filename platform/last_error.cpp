// The last error and its text. Windows keeps a code per thread (the game has
// one); FormatMessageA looks its text up in the system's message table, of
// which only the codes set here exist. A host failure's text is the host's
// own words, copied when it failed: SDL overwrites its error text with
// every later failure, and the game reads the reason only after its release.
#include <cstdio>
#include <cstring>

#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

struct SystemText {
    DWORD code;
    const char* text;
};

// As Windows words them, each a line of its own.
const SystemText systemTexts[] = {
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY,
     "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle.\r\n"},
    {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class.\r\n"},
    {ERROR_CLASS_ALREADY_EXISTS, "Class already exists.\r\n"},
    {ERROR_INVALID_PIXEL_FORMAT, "The pixel format is invalid.\r\n"},
};

DWORD lastError = 0;
char hostReason[hostReasonCapacity];

const char* textOf(DWORD code) {
    if (code == hostFailureCode) return hostReason;
    for (const SystemText& entry : systemTexts) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

}  // namespace

void failWith(DWORD code) {
    lastError = code;
}

void failWithHostReason(const char* reason) {
    if (reason == nullptr) reason = SDL_GetError();
    // A host that gave no words still failed: say so rather than nothing.
    if (reason == nullptr || reason[0] == '\0') reason = "The host library gave no reason.";
    std::snprintf(hostReason, sizeof hostReason, "%s\r\n", reason);
    lastError = hostFailureCode;
}

DWORD WINAPI GetLastError(void) {
    return lastError;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}

// The text with its line end and terminator into the buffer, and its length;
// 0 for a code without text or a buffer too small, with the last error set.
DWORD WINAPI FormatMessageA(DWORD, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                            va_list*) {
    const char* text = textOf(dwMessageId);
    if (text == nullptr) {
        lastError = ERROR_MR_MID_NOT_FOUND;
        return 0;
    }
    const size_t length = std::strlen(text);
    if (lpBuffer == nullptr || length >= nSize) {
        lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::memcpy(lpBuffer, text, length + 1);
    return DWORD(length);
}
