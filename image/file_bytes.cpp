#include "image/file_bytes.h"

#include <cstdio>
#include <cstdlib>

bool readFileBytes(const char* fileName, uint8_t*& bytes, uint32_t& size) {
    if (fileName == nullptr || fileName[0] == '\0') return false;
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return false;
    bool ok = false;
    uint8_t* buffer = nullptr;
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end >= 0 && static_cast<unsigned long>(end) <= UINT32_MAX && std::fseek(file, 0, SEEK_SET) == 0) {
        const size_t length = static_cast<size_t>(end);
        buffer = static_cast<uint8_t*>(std::malloc(length != 0 ? length : 1));
        ok = buffer != nullptr && std::fread(buffer, 1, length, file) == length;
        if (ok) {
            bytes = buffer;
            size = static_cast<uint32_t>(length);
        } else {
            std::free(buffer);
        }
    }
    std::fclose(file);
    return ok;
}
