// fsync on the file, and on the directory that holds the renamed entry.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "store/disk_flush.h"

bool flushFileToDisk(std::FILE* file) {
    // EINVAL: a file system without syncing (a pipe, some special mounts).
    // Nothing more can be done there, and the save must not fail for it.
    return fsync(fileno(file)) == 0 || errno == EINVAL;
}

void flushDirectoryToDisk(const char* directory) {
    const int descriptor = open(directory, O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    fsync(descriptor);
    close(descriptor);
}
