// O_EXCL for the new file; the owner's user id against the effective one.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/file_access.h"

namespace {
constexpr mode_t newFileMode = 0666;  // narrowed by the umask, as fopen's are
}

std::FILE* createNewFile(const char* fileName) {
    const int descriptor = open(fileName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
    if (descriptor < 0) return nullptr;
    std::FILE* file = fdopen(descriptor, "w");
    if (file == nullptr) {
        // Made in this call, so removed again.
        const int error = errno;
        close(descriptor);
        unlink(fileName);
        errno = error;
    }
    return file;
}

bool isOwnFile(const char* fileName) {
    struct stat status;
    return stat(fileName, &status) != 0 || status.st_uid == geteuid();
}
