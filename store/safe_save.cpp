// The content goes to "<name>.tmp" in the same directory, so that the final
// rename stays on one file system and replaces the target in one step; a
// crash or a full disk leaves at worst a stray temporary file, never a
// truncated target.
#include "store/safe_save.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace {
constexpr const char* temporarySuffix = ".tmp";
}

bool saveFileSafely(const char* fileName, bool (*writeContent)(std::FILE* file)) {
    const std::string temporaryName = std::string(fileName) + temporarySuffix;
    // Text mode, as the files have always been written.
    std::FILE* file = std::fopen(temporaryName.c_str(), "w");
    if (file == nullptr) return false;
    bool written = writeContent(file);
    written = std::ferror(file) == 0 && written;
    // Closing flushes what is still buffered; a full disk shows up here.
    written = std::fclose(file) == 0 && written;
    std::error_code error;
    if (written) {
        std::filesystem::rename(temporaryName, fileName, error);
        if (!error) return true;
    }
    std::filesystem::remove(temporaryName, error);
    return false;
}
