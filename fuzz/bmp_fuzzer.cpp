// decodeBmp on arbitrary bytes. A success must come with a whole image of
// width * height RGB pixels, all of them readable.
#include <cstdint>
#include <cstdlib>

#include "image/bmp_decoder.h"

namespace {
// A tiny RLE file may legitimately describe an image of up to 16384 x 16384
// pixels; the harness skips such sizes to keep every run fast.
constexpr uint64_t maxFuzzPixels = uint64_t(1) << 16;

uint32_t readLittle32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 26) {
        const int32_t width = static_cast<int32_t>(readLittle32(data + 18));
        const int32_t height = static_cast<int32_t>(readLittle32(data + 22));
        if (width > 0 && height > 0 && uint64_t(width) * uint64_t(height) > maxFuzzPixels) return 0;
    }
    Image image{0, 0, 0, nullptr};
    if (!decodeBmp(image, data, size)) {
        if (image.pixels != nullptr) std::abort();
        return 0;
    }
    if (image.width <= 0 || image.height <= 0 || image.channels != 3 || image.pixels == nullptr) std::abort();
    const size_t bytes = size_t(image.width) * size_t(image.height) * 3;
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < bytes; ++i) sink = static_cast<uint8_t>(sink + image.pixels[i]);
    std::free(image.pixels);
    return 0;
}
