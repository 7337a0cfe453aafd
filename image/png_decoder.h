// PNG decoding into a bottom-up Image with 4-byte-aligned rows.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/refusal.h"

bool decodePng(Image& image, const uint8_t* data, uint32_t size);
// Reads the whole file and decodes it.
bool loadPng(Image& image, const char* fileName);
// The same two; on false, `refusal` says why (NotPng for a file without the
// PNG signature).
bool decodePng(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal);
bool loadPng(Image& image, const char* fileName, Refusal& refusal);
