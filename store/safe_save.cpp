// The content goes to "<name>.tmp" beside the file it replaces, so that the
// final rename stays on one file system and replaces the target in one step;
// a crash or a full disk leaves at worst a stray temporary file, never a
// truncated target.
#include "store/safe_save.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "store/disk_flush.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* temporarySuffix = ".tmp";
// As many links as Linux follows in one path before it gives up with ELOOP.
constexpr int maxLinksFollowed = 40;

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

}  // namespace

bool saveFileSafely(const char* fileName, bool (*writeContent)(std::FILE* file)) {
    fs::path target;
    if (!saveTarget(fileName, target)) return false;
    fs::path temporary = target;
    temporary += temporarySuffix;
    std::error_code error;
    // A save killed earlier may have left the temporary name taken, even by
    // a directory; it holds nothing of value, and fopen would fail on it.
    fs::remove_all(temporary, error);

    // Text mode, as the files have always been written (CR LF on Windows).
    std::FILE* file = std::fopen(temporary.string().c_str(), "w");
    if (file == nullptr) return false;
    bool written = writeContent(file);
    written = written && std::ferror(file) == 0 && std::fflush(file) == 0 && flushFileToDisk(file);
    // Closing reports a write that failed late (a full disk on a network share).
    written = std::fclose(file) == 0 && written;
    if (written) {
        fs::rename(temporary, target, error);
        if (!error) {
            const fs::path directory = target.parent_path();
            flushDirectoryToDisk(directory.empty() ? "." : directory.string().c_str());
            return true;
        }
    }
    fs::remove(temporary, error);
    return false;
}
