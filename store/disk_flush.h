// Pushing a saved file to the disk itself before it replaces the old one, so
// that a power cut after the rename finds the new content and not an empty
// file. One source file per system.
#pragma once

#include <cstdio>

// After fflush: the file's bytes reach the disk. False when the system
// reports that they may not have.
bool flushFileToDisk(std::FILE* file);
// After a rename in `directory`: the new directory entry reaches the disk,
// where the system allows it. Failures are not reported: the file itself is
// already safe.
void flushDirectoryToDisk(const char* directory);
