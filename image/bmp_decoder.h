// BMP decoding (24-bit; 1, 4 and 8 bits uncompressed, RLE8, RLE4; info
// headers of 40 to 124 bytes; bottom-up or top-down rows) into a bottom-up RGB
// Image whose rows start on 4-byte boundaries.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/refusal.h"

// Decodes a whole BMP file held in memory. On false `refusal` says why
// (NotBmp for a file that does not start with "BM") and `image` is as it was.
bool decodeBmp(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal);
