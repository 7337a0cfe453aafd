// decodePng on arbitrary bytes. A success must come with a whole image: every
// byte of the pixel buffer is read, so AddressSanitizer catches a buffer
// shorter than the sizes claim.
#include <cstdint>
#include <cstdlib>

#include "image/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    Image image{0, 0, 0, nullptr};
    if (!decodePng(image, data, static_cast<uint32_t>(size))) {
        if (image.pixels != nullptr) std::abort();  // a refusal hands out nothing
        return 0;
    }
    if (image.width <= 0 || image.height <= 0 || (image.channels != 3 && image.channels != 4) ||
        image.pixels == nullptr) {
        std::abort();
    }
    const size_t stride = (size_t(image.width) * image.channels + 3) / 4 * 4;
    const size_t bytes = stride * size_t(image.height);
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < bytes; ++i) sink = static_cast<uint8_t>(sink + image.pixels[i]);
    std::free(image.pixels);
    return 0;
}
