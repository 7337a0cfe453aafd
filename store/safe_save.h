// Replacing a saved file without ever losing the old one, and saying why when
// it cannot be done.
#pragma once

#include <cstdio>
#include <string>

struct SaveFailure {
    std::string folder;  // where the file was to be written, as an absolute path
    std::string reason;  // the system's words for what went wrong
};

// Writes the content through writeContent into a temporary file beside
// fileName and renames it over fileName only when every write, the flush and
// the close succeeded; the replaced file's permissions carry over. A file the
// player made read-only is left as it is. On any failure the temporary file
// is removed, the old file stays as it was, the result is false and `failure`
// says where and why. writeContent need not check its writes: a failed one
// leaves the stream's error flag set and errno saying why.
bool saveFileSafely(const char* fileName, void (*writeContent)(std::FILE* file),
                    SaveFailure& failure);
