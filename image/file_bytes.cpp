#include "image/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool refuse(Refusal& refusal, RefusalReason reason, int error) {
    refusal = {reason, static_cast<uint32_t>(error)};
    return false;
}

// The whole of an open file into a new buffer (never null, even for an empty
// file) that the caller frees. One byte is read before the size is taken: a
// folder opens on Linux but fails that read (EISDIR), where its size would
// be some arbitrary number.
bool readOpenFile(std::FILE* file, uint8_t*& bytes, uint32_t& size, Refusal& refusal) {
    errno = 0;
    if (std::fgetc(file) == EOF && std::ferror(file)) {
        return refuse(refusal, RefusalReason::CannotRead, errno);
    }
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        return refuse(refusal, RefusalReason::CannotRead, errno);
    }
    if (static_cast<unsigned long>(end) > UINT32_MAX) {
        return refuse(refusal, RefusalReason::FileTooLarge, 0);
    }
    const size_t length = static_cast<size_t>(end);
    uint8_t* const buffer = static_cast<uint8_t*>(std::malloc(length != 0 ? length : 1));
    if (buffer == nullptr) return refuse(refusal, RefusalReason::OutOfMemory, 0);
    if (std::fread(buffer, 1, length, file) != length) {
        std::free(buffer);
        // Without an error the file shrank since its size was taken.
        if (!std::ferror(file)) return refuse(refusal, RefusalReason::FileEnds, 0);
        return refuse(refusal, RefusalReason::CannotRead, errno);
    }
    bytes = buffer;
    size = static_cast<uint32_t>(length);
    return true;
}

}  // namespace

bool decodeFile(const char* fileName, PictureDecoder decode, Image& image, Refusal& refusal) {
    if (fileName == nullptr || fileName[0] == '\0') {
        return refuse(refusal, RefusalReason::CannotOpen, ENOENT);
    }
    std::FILE* const file = std::fopen(fileName, "rb");
    if (file == nullptr) return refuse(refusal, RefusalReason::CannotOpen, errno);
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    const bool read = readOpenFile(file, bytes, size, refusal);
    std::fclose(file);
    if (!read) return false;
    const bool decoded = decode(image, bytes, size, refusal);
    std::free(bytes);
    return decoded;
}
