// Ours and the peer decoders behind one signature, each used the way its
// documentation suggests for a whole input in memory. A decoder returns false
// on any failure. With `canonical` non-null it also converts what it decoded
// to the canonical form of its kind, outside of any timing:
//   inflate: the bytes;
//   PNG:     top-down rows without padding, RGB or RGBA (palettes expanded);
//   BMP:     RGB rows in file order (bottom row first) without padding.
#pragma once

#include <string>

#include "bench/workloads.h"

enum class Format { Inflate, Png, Bmp };

struct Workload {
    std::string name;
    Format format;
    Bytes input;      // a zlib stream, a PNG file or a BMP file
    Bytes reference;  // the canonical output
    uint32_t width;
    uint32_t height;
    uint32_t channels;
    Bytes scratch;  // output buffer of the inflate decoders, reference-sized
};

using DecodeFunction = bool (*)(Workload& work, Bytes* canonical);

struct Decoder {
    const char* name;
    DecodeFunction decode;
};

// Peers that read each format, ours first; the second entry is the row's
// baseline (zlib for inflate, libpng for PNG).
extern const Decoder inflateDecoders[4];
extern const Decoder pngDecoders[4];
// stb_image reads no RLE BMP, so RLE rows leave it out.
extern const Decoder bmpDecoders[3];
extern const Decoder bmpRleDecoders[2];
