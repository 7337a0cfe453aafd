// A picture file decoded by what it holds, whatever its name says: PNG, then
// BMP.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/refusal.h"

// On false, `refusal` is the reason of the decoder the file claims to be for
// (the PNG decoder's for a file that starts with the PNG signature, the BMP
// decoder's for one that starts with "BM"), or NeitherPngNorBmp.
bool decodePicture(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal);
// Reads the whole file once and decodes it; the refusal also names a file
// that cannot be read.
bool loadPicture(Image& image, const char* fileName, Refusal& refusal);
