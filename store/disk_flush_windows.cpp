// _commit (FlushFileBuffers underneath) on the file. Windows gives ordinary
// programs no way to flush a directory, so that step does nothing here.
#include <io.h>

#include "store/disk_flush.h"

bool flushFileToDisk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

void flushDirectoryToDisk(const char*) {}
