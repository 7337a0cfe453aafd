// decodeDeflate on arbitrary bytes. The first two bytes choose the output
// capacity; the rest is the DEFLATE data. The buffer is exactly the capacity
// so that AddressSanitizer sees any write past it. Decoding again with a
// smaller capacity must give the same result and a prefix of the output:
// the capacity only cuts what is kept, never how the stream is read.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/inflate.h"

namespace {
constexpr uint32_t capacityUnit = 16;  // up to 1 MiB from two bytes
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t capacity = ((uint32_t(data[0]) << 8) | data[1]) * capacityUnit;
    const uint8_t* input = data + 2;
    const uint32_t length = static_cast<uint32_t>(size - 2);

    uint8_t* full = static_cast<uint8_t*>(std::malloc(capacity != 0 ? capacity : 1));
    uint32_t written = 0;
    const bool ok = decodeDeflate(input, length, full, capacity, written);
    if (written > capacity) std::abort();

    const uint32_t smaller = capacity / 3;
    uint8_t* cut = static_cast<uint8_t*>(std::malloc(smaller != 0 ? smaller : 1));
    uint32_t cutWritten = 0;
    const bool cutOk = decodeDeflate(input, length, cut, smaller, cutWritten);
    if (cutOk != ok) std::abort();
    const uint32_t expected = written < smaller ? written : smaller;
    if (cutWritten != expected) std::abort();
    if (std::memcmp(full, cut, cutWritten < expected ? cutWritten : expected) != 0) std::abort();

    std::free(cut);
    std::free(full);
    return 0;
}
