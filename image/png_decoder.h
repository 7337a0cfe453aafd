// PNG decoding into a bottom-up Image with 4-byte-aligned rows.
#pragma once

#include <cstdint>

#include "image/image.h"

uint8_t paethPick(uint8_t a, uint8_t b, uint8_t c);
bool decodePng(Image& image, const uint8_t* data, uint32_t size);
// Reads the whole file and decodes it.
bool loadPng(Image& image, const char* fileName);
