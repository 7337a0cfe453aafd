// Replacing a saved file without ever losing the old one.
#pragma once

#include <cstdio>

// Writes the content through writeContent into a temporary file beside
// fileName and renames it over fileName only when every write, the flush and
// the close succeeded. On any failure the temporary file is removed, the old
// file stays as it was, and the result is false. writeContent returns false
// when one of its writes failed.
bool saveFileSafely(const char* fileName, bool (*writeContent)(std::FILE* file));
