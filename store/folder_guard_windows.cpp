// A named mutex in the session's namespace, keyed by the folder's full path:
// its final path (links and short names resolved), case folded, as the file
// system ignores case. The handle stays open for the run; Windows closes it
// when the process ends, however it ends.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "store/folder_guard.h"

namespace {

constexpr const char* mutexNamespace = "Local\\";
constexpr DWORD systemMessageSize = 512;

std::string systemMessage(DWORD error) {
    char text[systemMessageSize] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, systemMessageSize, nullptr);
    std::string message(text, length);
    // Windows ends its messages in a full stop and a line end.
    while (!message.empty() && (message.back() == '.' || message.back() == '\n' ||
                                message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return length != 0 ? message : "error " + std::to_string(error);
}

// The folder's path as the file system resolves it; empty with the error set
// when it gives none.
std::wstring finalPath(const char* folder) {
    const HANDLE directory =
        CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory == INVALID_HANDLE_VALUE) return L"";
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(directory, &path[0], DWORD(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(directory, &path[0], DWORD(path.size()), 0);
    }
    const DWORD error = GetLastError();
    CloseHandle(directory);
    path.resize(length < path.size() ? length : 0);
    SetLastError(error);
    return path;
}

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &bytes[0], size, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

FolderClaim claimFolder(const char* folder) {
    FolderClaim claim{FolderClaimState::Unguarded, "", ""};
    std::wstring path = finalPath(folder);
    if (path.empty()) {
        claim.reason = systemMessage(GetLastError());
        return claim;
    }
    CharLowerBuffW(&path[0], DWORD(path.size()));
    claim.name = folderClaimName(utf8(path));
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, (mutexNamespace + claim.name).c_str());
    const DWORD error = GetLastError();
    if (mutex != nullptr && error != ERROR_ALREADY_EXISTS) {
        claim.state = FolderClaimState::Claimed;  // the handle is never closed
    } else if (mutex != nullptr || error == ERROR_ACCESS_DENIED) {
        // Access denied: the mutex is there, made by a game with other rights.
        if (mutex != nullptr) CloseHandle(mutex);
        claim.state = FolderClaimState::HeldByAnotherGame;
    } else {
        claim.reason = systemMessage(error);
    }
    return claim;
}
