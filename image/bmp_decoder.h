// BMP decoding (24-bit; 1, 4 and 8 bits uncompressed, RLE8, RLE4) into an
// RGB Image whose rows follow each other without gaps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/image.h"

// Decodes a whole BMP file held in memory.
bool decodeBmp(Image& image, const uint8_t* data, size_t size);
// Reads the whole file and decodes it.
bool loadBmp(Image& image, const char* fileName);
