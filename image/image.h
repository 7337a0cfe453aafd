// A decoded picture, 8 bits per channel; the first buffer row is the bottom
// row of the texture. The decoder that fills it allocates the pixels (with
// malloc); whoever takes the image frees them (with free).
#pragma once

#include <cstdint>

struct Image {
    int32_t width;
    int32_t height;
    uint32_t channels;  // 3 RGB, 4 RGBA
    uint8_t* pixels;
};
