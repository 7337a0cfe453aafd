// Replacing a saved file without ever losing the old one, and saying why when
// it cannot be done.
#pragma once

#include <cstdio>
#include <string>

struct SaveFailure {
    std::string folder;  // where the file was to be written, as an absolute path
    std::string reason;  // the system's words for what went wrong
};

// Writes the content through writeContent into a temporary file of its own
// beside fileName and renames it over fileName only when every write, the
// flush and the close succeeded; the replaced file's permissions carry over.
// A file the player made read-only, and one this account may not write, is
// left as it is. Where no temporary file can be made beside an existing file
// (a folder the player may not create files in), and for a file of another
// account, the file is written in place instead and flushed. On any failure
// the old file stays as it was (in place: as far as the system wrote it), the
// save's own temporary file is removed, nothing else is, the result is false
// and `failure` says where and why. writeContent need not check its writes:
// a failed one leaves the stream's error flag set and errno saying why.
bool saveFileSafely(const char* fileName, void (*writeContent)(std::FILE* file),
                    SaveFailure& failure);
