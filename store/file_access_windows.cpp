// _O_EXCL for the new file (msvcrt's fopen takes no "x"). A file's owner is
// not asked: a replaced file takes the rights of its folder, as before.
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "store/file_access.h"

std::FILE* createNewFile(const char* fileName) {
    const int descriptor =
        _open(fileName, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    std::FILE* file = _fdopen(descriptor, "w");
    if (file == nullptr) {
        // Made in this call, so removed again.
        const int error = errno;
        _close(descriptor);
        _unlink(fileName);
        errno = error;
    }
    return file;
}

bool isOwnFile(const char*) {
    return true;
}
