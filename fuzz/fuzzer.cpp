// The decoders on arbitrary bytes, one fuzzer per FUZZ_TARGET ("inflate",
// "png" or "bmp"). A decode fails with a reason and hands out nothing, or
// succeeds with no reason and a whole image whose every byte is read (so
// AddressSanitizer sees a buffer shorter than the sizes claim) and whose row
// filler is zero.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/bmp_decoder.h"
#include "image/inflate.h"
#include "image/png_decoder.h"

namespace {

// The first two bytes choose the output capacity in units of 16 bytes (up to
// 1 MiB), the rest is the DEFLATE data. The buffer is exactly the capacity,
// so that AddressSanitizer sees any write past it. A third of the capacity
// must give the same result, reason and a prefix of the output: the capacity
// cuts what is kept, never how the stream is read.
void fuzzInflate(const uint8_t* data, size_t size) {
    if (size < 2) return;
    const uint32_t capacity = ((uint32_t(data[0]) << 8) | data[1]) * 16, smaller = capacity / 3;
    uint8_t* const full = static_cast<uint8_t*>(std::malloc(capacity + !capacity));
    uint8_t* const cut = static_cast<uint8_t*>(std::malloc(smaller + !smaller));
    uint32_t written = 0, cutWritten = 0;
    Refusal refusal, cutRefusal;
    const bool ok = decodeDeflate(data + 2, uint32_t(size - 2), full, capacity, written, refusal);
    const bool cutOk =
        decodeDeflate(data + 2, uint32_t(size - 2), cut, smaller, cutWritten, cutRefusal);
    const uint32_t kept = written < smaller ? written : smaller;
    if (written > capacity || cutOk != ok || cutWritten != kept ||
        std::memcmp(full, cut, kept) != 0 || ok != (refusal.reason == RefusalReason::None) ||
        cutRefusal.reason != refusal.reason)
        std::abort();
    std::free(cut);
    std::free(full);
}

// A tiny RLE file may describe a whole 2048 x 2048 picture (12 MiB); such
// sizes are skipped to keep every run fast.
bool tooLargeBmp(const uint8_t* data, size_t size) {
    if (size < 26) return false;
    int32_t width, height;
    std::memcpy(&width, data + 18, 4);  // little-endian, as x86-64 is
    std::memcpy(&height, data + 22, 4);
    return width > 0 && uint64_t(width) * uint64_t(height < 0 ? -int64_t(height) : height) > 65536;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool png = std::strcmp(FUZZ_TARGET, "png") == 0;
    if (std::strcmp(FUZZ_TARGET, "inflate") == 0) fuzzInflate(data, size);
    if (std::strcmp(FUZZ_TARGET, "inflate") == 0 || size > UINT32_MAX ||
        (!png && tooLargeBmp(data, size)))
        return 0;
    Image image{0, 0, 0, nullptr};
    Refusal refusal;
    if (!(png ? decodePng(image, data, uint32_t(size), refusal)
              : decodeBmp(image, data, uint32_t(size), refusal))) {
        if (image.pixels != nullptr || refusal.reason == RefusalReason::None) std::abort();
        return 0;
    }
    if (refusal.reason != RefusalReason::None) std::abort();
    const uint32_t channels = png ? image.channels : 3;
    if (image.width <= 0 || image.height <= 0 || image.channels != channels || channels < 3 ||
        channels > 4)
        std::abort();
    const size_t row = size_t(image.width) * channels, stride = (row + 3) / 4 * 4;
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < stride * size_t(image.height); ++i) {
        if (i % stride >= row && image.pixels[i] != 0) std::abort();
        sink = uint8_t(sink + image.pixels[i]);
    }
    std::free(image.pixels);
    return 0;
}
