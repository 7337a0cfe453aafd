// PNG decoding into a bottom-up Image with 4-byte-aligned rows.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/refusal.h"

// Decodes a whole PNG file held in memory. On false `refusal` says why
// (NotPng for a file without the PNG signature) and `image` is as it was.
bool decodePng(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal);
