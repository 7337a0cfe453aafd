// decodeBmp on arbitrary bytes. A success must come with a whole image of
// height rows of width RGB pixels, each row padded with zeros to 4 bytes,
// all of it readable.
#include <cstdint>
#include <cstdlib>

#include "image/bmp_decoder.h"

namespace {
// A tiny RLE file may legitimately describe an image of up to 2048 x 2048
// pixels (12 MiB); the harness skips such sizes to keep every run fast.
constexpr uint64_t maxFuzzPixels = uint64_t(1) << 16;

uint32_t readLittle32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 26) {
        const int32_t width = static_cast<int32_t>(readLittle32(data + 18));
        const int32_t height = static_cast<int32_t>(readLittle32(data + 22));
        // A negative height is a top-down file.
        const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
        if (width > 0 && uint64_t(width) * rows > maxFuzzPixels) return 0;
    }
    Image image{0, 0, 0, nullptr};
    if (!decodeBmp(image, data, size)) {
        if (image.pixels != nullptr) std::abort();
        return 0;
    }
    if (image.width <= 0 || image.height <= 0 || image.channels != 3 || image.pixels == nullptr) std::abort();
    const size_t rowBytes = size_t(image.width) * 3;
    const size_t stride = (rowBytes + 3) / 4 * 4;
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < stride * size_t(image.height); ++i) {
        if (i % stride >= rowBytes && image.pixels[i] != 0) std::abort();
        sink = static_cast<uint8_t>(sink + image.pixels[i]);
    }
    std::free(image.pixels);
    return 0;
}
