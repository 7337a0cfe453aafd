// The inputs the decoder benchmark times: deterministic pictures and text,
// and the zlib streams, PNG files and BMP files made from them with zlib and
// libpng as the reference encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A photograph-like RGBA picture: smooth light and colour fields, a few
// hard-edged shapes, sensor grain of +-`grain` levels, and an alpha channel
// that is opaque but for a soft-edged hole.
Bytes makePhoto(uint32_t width, uint32_t height, uint32_t seed, uint32_t grain);

// English-like prose: Zipf-distributed words from a vocabulary of a few
// thousand, sentences, capitals, punctuation and lines wrapped at 72 columns.
Bytes makeProse(size_t size, uint32_t seed);

// PNG scanlines of `pixels`, each row with the filter of the smallest sum of
// absolute differences, as PNG encoders choose them.
Bytes filterScanlines(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel);

Bytes zlibCompress(const Bytes& data, int level);

enum class PngFilter { Adaptive, None, Sub, Up, Average, Paeth };

// A PNG as libpng writes it by default: IDAT chunks of 8 KiB, and a zlib
// window no larger than the picture's scanlines need. `pixels` holds top-down
// rows of `channels` bytes per pixel (1: palette indices into `palette`, RGB
// triples).
Bytes writePng(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t channels,
               const Bytes& palette, PngFilter filter);

// BMP files (BITMAPINFOHEADER, bottom-up): `rows` holds the rows in file
// order, bottom row first. 24 bits: RGB triples, written as BGR; 8 and 4
// bits: one palette index a byte; RLE8: the indices run-length encoded.
Bytes writeBmp24(const Bytes& rgb, uint32_t width, uint32_t height);
Bytes writeBmpPalette(const Bytes& indices, uint32_t width, uint32_t height, uint32_t bits,
                      const Bytes& paletteRgb, bool rle8);

// Palette indices of an RGBA picture: 8 bits as 3-3-2 RGB, 4 bits as 16
// tinted grey levels. `paletteRgb` receives the matching 2^bits RGB entries.
void quantize(const Bytes& rgba, uint32_t bits, Bytes& indices, Bytes& paletteRgb);
