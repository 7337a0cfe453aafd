// The content goes to "<name>.tmp" beside the file it replaces, so that the
// final rename stays on one file system and replaces the target in one step;
// a crash or a full disk leaves at worst a stray temporary file, never a
// truncated target.
#include "store/safe_save.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "store/disk_flush.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* temporarySuffix = ".tmp";
// "<name>.tmp", then "<name>.tmp2" to "<name>.tmp9" when the player keeps
// something else under a name before it.
constexpr int temporaryNames = 9;
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

// A name for the temporary file that holds nothing of the player's: free, or
// a regular file of that name, which only a save killed before its rename
// leaves behind (it is removed). A folder, a link or anything else under the
// name is the player's and is left alone. False when every name is taken.
bool freeTemporary(const fs::path& target, fs::path& temporary) {
    for (int number = 1; number <= temporaryNames; ++number) {
        temporary = target;
        temporary += temporarySuffix;
        if (number > 1) temporary += std::to_string(number);
        std::error_code error;
        const fs::file_status status = fs::symlink_status(temporary, error);
        if (status.type() == fs::file_type::not_found) return true;
        if (status.type() == fs::file_type::regular && fs::remove(temporary, error)) return true;
    }
    return false;
}

// A file the player made read-only: no write permission for anyone (chmod
// a-w; on Windows the read-only attribute reads so).
bool isReadOnly(const fs::path& target) {
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
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

}  // namespace

bool saveFileSafely(const char* fileName, void (*writeContent)(std::FILE* file),
                    SaveFailure& failure) {
    fs::path target;
    std::error_code error;
    const bool linksEnd = saveTarget(fileName, target);
    failure.folder = fs::absolute(target, error).parent_path().string();
    if (!linksEnd) return fail(failure, "its chain of symbolic links does not end");
    if (isReadOnly(target)) return fail(failure, "the file is read-only");
    fs::path temporary;
    if (!freeTemporary(target, temporary)) {
        return fail(failure, "every name for its temporary file is taken");
    }

    // Text mode, as the files have always been written (CR LF on Windows).
    errno = 0;
    std::FILE* file = std::fopen(temporary.string().c_str(), "w");
    if (file == nullptr) return failWithErrno(failure, errno);
    writeContent(file);
    bool written = std::ferror(file) == 0 && std::fflush(file) == 0 && flushFileToDisk(file);
    int writeError = errno;
    // Closing reports a write that failed late (a full disk on a network share).
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (written) {
        // The replaced file's permissions carry over: a file kept private stays so.
        const fs::file_status old = fs::status(target, error);
        if (fs::exists(old)) fs::permissions(temporary, old.permissions(), error);
        fs::rename(temporary, target, error);
        if (!error) {
            const fs::path directory = target.parent_path();
            flushDirectoryToDisk(directory.empty() ? "." : directory.string().c_str());
            return true;
        }
        fail(failure, error.message());
    } else {
        failWithErrno(failure, writeError);
    }
    fs::remove(temporary, error);
    return false;
}
