// BMP decoding. The layout is read as fixed: a 14-byte file header, a
// 40-byte info header, for palettised files a palette of 2^bits entries at
// byte 54, then the pixel data with no gap between rows. The first row of the
// file becomes the first row of the image; nothing is flipped.
#include "image/bmp_decoder.h"

#include <cstdlib>
#include <cstring>

#include "image/file_bytes.h"

namespace {

constexpr size_t fileHeaderBytes = 14;
constexpr size_t infoHeaderBytes = 40;
constexpr size_t headerBytes = fileHeaderBytes + infoHeaderBytes;
constexpr size_t widthOffset = 18;
constexpr size_t heightOffset = 22;
constexpr size_t bitCountOffset = 28;
constexpr size_t compressionOffset = 30;
constexpr size_t paletteEntryBytes = 4;  // blue, green, red, reserved
constexpr uint32_t rgbBytes = 3;

constexpr uint32_t noCompression = 0;
constexpr uint32_t rle8Compression = 1;
constexpr uint32_t rle4Compression = 2;

// Larger than any texture the game can upload; it also bounds what a short
// RLE file can make the decoder allocate.
constexpr int32_t maxSide = 16384;

// RLE escapes after a zero count byte.
constexpr uint8_t endOfLine = 0;
constexpr uint8_t endOfBitmap = 1;
constexpr uint8_t delta = 2;

uint32_t readLittle16(const uint8_t* bytes) { return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8); }

uint32_t readLittle32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24);
}

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

void putRgb(uint8_t* out, Rgb colour) {
    out[0] = colour.red;
    out[1] = colour.green;
    out[2] = colour.blue;
}

// Pixels the file stops short of are black.
void decode24(const uint8_t* data, size_t size, uint8_t* out, size_t pixelCount) {
    const size_t available = size / rgbBytes;
    const size_t present = available < pixelCount ? available : pixelCount;
    for (size_t p = 0; p < present; ++p, data += rgbBytes, out += rgbBytes) {
        putRgb(out, Rgb{data[2], data[1], data[0]});
    }
    std::memset(out, 0, (pixelCount - present) * rgbBytes);
}

// Uncompressed packed indices, the first pixel in the high bits of its
// byte. Pixels the file stops short of are black.
void decodePacked(const uint8_t* data, size_t size, uint32_t bits, const Rgb* palette, uint8_t* out,
                  size_t pixelCount) {
    const uint32_t perByte = 8 / bits;
    const uint32_t mask = (1u << bits) - 1;
    for (size_t p = 0; p < pixelCount; ++p, out += rgbBytes) {
        const size_t byte = p / perByte;
        if (byte >= size) {
            std::memset(out, 0, (pixelCount - p) * rgbBytes);
            return;
        }
        const uint32_t shift = bits * (perByte - 1 - static_cast<uint32_t>(p % perByte));
        putRgb(out, palette[(data[byte] >> shift) & mask]);
    }
}

// Runs the RLE8 or RLE4 stream into one index per pixel. `indices` starts
// filled with the skipped-pixel index, so skipping is moving the position.
// Writes past the last pixel are dropped; decoding stops once the position
// has left the image or the data has ended.
void decodeRle(const uint8_t* data, size_t size, bool fourBit, uint8_t* indices, size_t width,
               size_t pixelCount) {
    const uint8_t* const end = data + size;
    size_t position = 0;
    auto put = [&](uint32_t index) {
        if (position < pixelCount) indices[position] = static_cast<uint8_t>(index);
        ++position;
    };
    while (end - data >= 2 && position < pixelCount) {
        const uint32_t count = data[0];
        const uint32_t value = data[1];
        data += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count; ++i) {
                put(!fourBit ? value : (i % 2 == 0 ? value >> 4 : value & 0xF));
            }
        } else if (value == endOfLine) {
            const size_t column = position % width;
            if (column != 0) position += width - column;
        } else if (value == endOfBitmap) {
            return;
        } else if (value == delta) {
            if (end - data < 2) return;
            position += data[0] + size_t(data[1]) * width;
            data += 2;
        } else {
            // Absolute run: `value` indices, then padding to 16 bits.
            const size_t runBytes = fourBit ? (value + 1) / 2 : value;
            const size_t present = static_cast<size_t>(end - data) < runBytes ? static_cast<size_t>(end - data)
                                                                              : runBytes;
            for (uint32_t i = 0; i < value; ++i) {
                const size_t byte = fourBit ? i / 2 : i;
                if (byte >= present) return;
                put(!fourBit ? data[byte] : (i % 2 == 0 ? data[byte] >> 4 : data[byte] & 0xF));
            }
            data += runBytes;
            if (runBytes % 2 != 0) {
                if (data == end) return;
                ++data;
            }
        }
    }
}

}  // namespace

bool decodeBmp(Image& image, const uint8_t* data, size_t size) {
    if (data == nullptr || size < headerBytes || data[0] != 'B' || data[1] != 'M') return false;
    const int32_t width = static_cast<int32_t>(readLittle32(data + widthOffset));
    const int32_t height = static_cast<int32_t>(readLittle32(data + heightOffset));
    const uint32_t bits = readLittle16(data + bitCountOffset);
    const uint32_t compression = readLittle32(data + compressionOffset);
    if (compression > rle4Compression) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
    // RLE8 holds 8-bit indices and RLE4 4-bit ones; other pairings have no
    // meaning. A 24-bit file is read as uncompressed whatever it says.
    if (bits != 24 && compression == rle8Compression && bits != 8) return false;
    if (bits != 24 && compression == rle4Compression && bits != 4) return false;
    // Top-down (negative height) files and empty images are refused.
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) return false;

    const size_t pixelCount = size_t(width) * size_t(height);
    uint8_t* const pixels = static_cast<uint8_t*>(std::malloc(pixelCount * rgbBytes));
    if (pixels == nullptr) return false;
    const uint8_t* const body = data + headerBytes;
    const size_t bodySize = size - headerBytes;

    if (bits == 24) {
        decode24(body, bodySize, pixels, pixelCount);
    } else {
        // The palette always has 2^bits entries; entries cut off by the end
        // of the file are black.
        const size_t entries = size_t(1) << bits;
        Rgb palette[256] = {};
        const size_t paletteBytes = entries * paletteEntryBytes;
        const size_t presentEntries = (bodySize < paletteBytes ? bodySize : paletteBytes) / paletteEntryBytes;
        for (size_t i = 0; i < presentEntries; ++i) {
            const uint8_t* entry = body + i * paletteEntryBytes;
            palette[i] = Rgb{entry[2], entry[1], entry[0]};
        }
        const uint8_t* const pixelData = body + (bodySize < paletteBytes ? bodySize : paletteBytes);
        const size_t pixelDataSize = bodySize < paletteBytes ? 0 : bodySize - paletteBytes;

        if (compression == noCompression) {
            decodePacked(pixelData, pixelDataSize, bits, palette, pixels, pixelCount);
        } else {
            uint8_t* const indices = static_cast<uint8_t*>(std::malloc(pixelCount));
            if (indices == nullptr) {
                std::free(pixels);
                return false;
            }
            const uint8_t skipped = static_cast<uint8_t>(entries - 1);
            std::memset(indices, skipped, pixelCount);
            decodeRle(pixelData, pixelDataSize, compression == rle4Compression, indices, size_t(width), pixelCount);
            for (size_t p = 0; p < pixelCount; ++p) putRgb(pixels + p * rgbBytes, palette[indices[p]]);
            std::free(indices);
        }
    }

    image.width = width;
    image.height = height;
    image.channels = rgbBytes;
    image.pixels = pixels;
    return true;
}

bool loadBmp(Image& image, const char* fileName) {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!readFileBytes(fileName, bytes, size)) return false;
    const bool ok = decodeBmp(image, bytes, size);
    std::free(bytes);
    return ok;
}
