// The content goes to a new temporary file beside the file it replaces, so
// that the final rename stays on one file system and replaces the target in
// one step; a crash or a full disk leaves at worst a stray temporary file,
// never a truncated target. Where the folder allows no new file, or the file
// is another account's, the file is written in place, as a plain save does.
#include "store/safe_save.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "store/disk_flush.h"
#include "store/file_access.h"

namespace {

namespace fs = std::filesystem;

// "<name>.stapelix-save-<8 hex digits>": a name no player gives a file. The
// digits come from the clock; a name that is taken (a stray of a save cut
// short, or anything of the player's) is passed over, never opened.
constexpr const char* temporaryMark = ".stapelix-save-";
constexpr unsigned temporaryAttempts = 16;
constexpr size_t temporaryDigits = 8 + 1;  // and the terminator
// As many links as Linux follows in one path before it gives up with ELOOP.
constexpr int maxLinksFollowed = 40;
constexpr fs::perms anyWrite = fs::perms::owner_write | fs::perms::group_write |
                               fs::perms::others_write;

// The file a save must replace: fileName itself, or the end of its chain of
// symbolic links (a player keeps the scores in a synced folder; replacing the
// link with a plain file would cut it off). The target need not exist yet.
// False for a chain that does not end.
bool saveTarget(const char* fileName, fs::path& target) {
    target = fileName;
    std::error_code error;
    for (int followed = 0; fs::is_symlink(fs::symlink_status(target, error)); ++followed) {
        if (followed == maxLinksFollowed) return false;
        const fs::path next = fs::read_symlink(target, error);
        if (error) return false;
        // A relative link is relative to the directory that holds it.
        target = target.parent_path() / next;
    }
    return true;
}

// The temporary file, made by this save under a name that was free; null
// with errno set when none could be made.
std::FILE* createTemporary(const fs::path& target, fs::path& temporary) {
    const auto ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    std::FILE* file = nullptr;
    for (unsigned attempt = 0; attempt < temporaryAttempts; ++attempt) {
        char digits[temporaryDigits];
        std::snprintf(digits, sizeof digits, "%08x", unsigned(uint32_t(ticks) + attempt));
        temporary = target;
        temporary += temporaryMark;
        temporary += digits;
        file = createNewFile(temporary.string().c_str());
        if (file != nullptr || errno != EEXIST) break;
    }
    return file;
}

// A file the player made read-only: no write permission for anyone (chmod
// a-w; on Windows the read-only attribute reads so). It is refused even
// where the system would let the game write it (root).
bool isReadOnly(const fs::file_status& status) {
    return status.type() == fs::file_type::regular &&
           (status.permissions() & anyWrite) == fs::perms::none;
}

bool fail(SaveFailure& failure, const std::string& reason) {
    failure.reason = reason;
    return false;
}

bool failWithErrno(SaveFailure& failure, int error) {
    return fail(failure, error != 0 ? std::strerror(error) : "the system did not take every byte");
}

// Writes, flushes to the disk and closes; false with errno's value in error
// when any step failed.
bool writeAndClose(std::FILE* file, void (*writeContent)(std::FILE* file), int& error) {
    errno = 0;
    writeContent(file);
    bool written = std::ferror(file) == 0 && std::fflush(file) == 0 && flushFileToDisk(file);
    error = errno;
    // Closing reports a write that failed late (a full disk on a network share).
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    return written;
}

// The plain save: the file opened for writing, emptied and written. Its
// owner, permissions and links stay as they are.
bool writeInPlace(const fs::path& target, void (*writeContent)(std::FILE* file),
                  SaveFailure& failure) {
    // Text mode, as the files have always been written (CR LF on Windows).
    errno = 0;
    std::FILE* file = std::fopen(target.string().c_str(), "w");
    if (file == nullptr) return failWithErrno(failure, errno);
    int error = 0;
    return writeAndClose(file, writeContent, error) || failWithErrno(failure, error);
}

}  // namespace

bool saveFileSafely(const char* fileName, void (*writeContent)(std::FILE* file),
                    SaveFailure& failure) {
    fs::path target;
    std::error_code error;
    const bool linksEnd = saveTarget(fileName, target);
    failure.folder = fs::absolute(target, error).parent_path().string();
    if (!linksEnd) return fail(failure, "its chain of symbolic links does not end");
    const fs::file_status old = fs::status(target, error);
    if (isReadOnly(old)) return fail(failure, "the file is read-only");
    const bool exists = fs::exists(old);
    if (exists) {
        // Whether this account may write the file is the system's to say
        // (owner, access lists, root): it is opened for update, not changed.
        errno = 0;
        std::FILE* probe = std::fopen(target.string().c_str(), "r+");
        if (probe == nullptr) return failWithErrno(failure, errno);
        std::fclose(probe);
        // Another account's file stays that account's, rights and all.
        if (!isOwnFile(target.string().c_str())) return writeInPlace(target, writeContent, failure);
    }

    fs::path temporary;
    std::FILE* file = createTemporary(target, temporary);
    if (file == nullptr) {
        // A folder where the player may write the file but create nothing.
        // Only a refused right falls back: a full disk or quota would cut
        // the file short in place, where the old one is still whole.
        const int createError = errno;
        const bool createRefused = createError == EACCES || createError == EPERM;
        return exists && createRefused ? writeInPlace(target, writeContent, failure)
                                       : failWithErrno(failure, createError);
    }
    int writeError = 0;
    if (!writeAndClose(file, writeContent, writeError)) {
        fs::remove(temporary, error);  // made by this save, so the save's to remove
        return failWithErrno(failure, writeError);
    }
    // The replaced file's permissions carry over: a file kept private stays so.
    if (exists) fs::permissions(temporary, old.permissions(), error);
    fs::rename(temporary, target, error);
    if (error) {
        fail(failure, error.message());
        fs::remove(temporary, error);
        return false;
    }
    const fs::path directory = target.parent_path();
    flushDirectoryToDisk(directory.empty() ? "." : directory.string().c_str());
    return true;
}
