// A decoded picture, 8 bits per channel; the first buffer row is the bottom
// row of the texture, and every row starts on a 4-byte boundary (OpenGL's
// default unpack alignment), with 0 to 3 filler bytes at its end. The decoder
// that fills it allocates the pixels (with malloc); whoever takes the image
// frees them (with free).
#pragma once

#include <cstdint>
#include <cstring>

struct Image {
    int32_t width;
    int32_t height;
    uint32_t channels;  // 3 RGB, 4 RGBA
    uint8_t* pixels;
};

// The widest and highest picture the decoders accept; larger ones are
// refused. The block texture shows at most a few dozen screen pixels wide,
// and 2048 texels a side is as much as many OpenGL 1.x cards take at all. It
// bounds what a short file can claim (an RLE BMP of a few bytes can describe
// a whole picture): 12 MiB of RGB pixels, 16 MiB of RGBA.
constexpr int32_t maxImageSide = 2048;

// Bytes from one row's start to the next: `channels` x `width` rounded up to
// OpenGL's default unpack alignment of 4.
constexpr uint32_t rowAlignment = 4;
constexpr uint64_t rowStride(uint64_t width, uint32_t channels) {
    return (width * channels + rowAlignment - 1) / rowAlignment * rowAlignment;
}

// An RGB colour held in a 4-byte slot, so that a pixel is written with one
// 4-byte store: the spare byte lands on the next pixel, whose own store
// rewrites it, so only the last pixel of a run is written as three bytes.
constexpr uint32_t rgbBytes = 3;
constexpr uint32_t colourSlotBytes = 4;
using ColourSlot = uint8_t[colourSlotBytes];

// Writes `count` RGB pixels from `out` on, pixel x in the colour of the slot
// `slotOf(x)`; nothing past the last pixel's three bytes.
template <typename SlotOf>
inline void putPixels(uint8_t* out, uint32_t count, SlotOf slotOf) {
    if (count == 0) return;
    for (uint32_t x = 0; x + 1 < count; ++x, out += rgbBytes)
        std::memcpy(out, slotOf(x), colourSlotBytes);
    std::memcpy(out, slotOf(count - 1), rgbBytes);
}
