// BMP decoding. The layout: a 14-byte file header whose bfOffBits says where
// the pixel data starts; an info header of biSize bytes (40, or the 52, 56,
// 108 and 124 byte versions, which only add fields after the first 40); for
// palettised files the palette right after it, biClrUsed entries or 2^bits
// when that is 0 (an 8-bit file may list more than 256; the first 256 are
// read). Uncompressed rows are padded to 4 bytes in the file. Rows are stored
// bottom-up, or top-down when biHeight is negative; the image's first row is
// always the bottom one.
#include "image/bmp_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/byte_vectors.h"

namespace {

constexpr size_t fileHeaderBytes = 14;
constexpr size_t pixelOffsetOffset = 10;  // bfOffBits
constexpr size_t infoSizeOffset = 14;     // biSize
constexpr size_t widthOffset = 18;
constexpr size_t heightOffset = 22;
constexpr size_t bitCountOffset = 28;
constexpr size_t compressionOffset = 30;
constexpr size_t coloursUsedOffset = 46;  // biClrUsed
constexpr size_t paletteEntryBytes = 4;   // blue, green, red, reserved
constexpr uint32_t maxPaletteEntries = 256;

// BITMAPINFOHEADER and its later versions (V2, V3, V4, V5).
constexpr uint32_t infoHeaderSizes[] = {40, 52, 56, 108, 124};

constexpr uint32_t noCompression = 0;
constexpr uint32_t rle8Compression = 1;
constexpr uint32_t rle4Compression = 2;

// File rows are padded to whole 32-bit units.
constexpr uint32_t fileRowAlignmentBits = 32;

// RLE escapes after a zero count byte; values from 3 up start absolute runs.
constexpr uint8_t endOfLine = 0;
constexpr uint8_t endOfBitmap = 1;
constexpr uint8_t delta = 2;

uint32_t readLittle16(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8);
}

uint32_t readLittle32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
           (uint32_t(bytes[3]) << 24);
}

bool knownInfoHeader(uint32_t size) {
    for (uint32_t known : infoHeaderSizes) {
        if (size == known) return true;
    }
    return false;
}

// `count` pixels of one colour.
void fillPixels(uint8_t* out, const ColourSlot& colour, uint32_t count) {
    putPixels(out, count, [&](uint32_t) -> const ColourSlot& { return colour; });
}

// The output buffer seen in file order: file row y lands on image row y, or
// on row height - 1 - y for a top-down file.
struct Rows {
    uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    size_t stride;
    bool topDown;
    uint8_t* row(uint32_t y) const {
        return pixels + size_t(topDown ? height - 1 - y : y) * stride;
    }
};

// `count` pixels of blue, green, red to red, green, blue.
void swapBgrPortable(const uint8_t* in, uint8_t* out, uint32_t count) {
    for (uint32_t x = 0; x < count; ++x, in += rgbBytes, out += rgbBytes) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}

void swapBgr(const uint8_t* in, uint8_t* out, uint32_t count) {
    uint32_t x = 0;
#if STAPELIX_BYTE_VECTORS
    // Five pixels a step in one 16-byte load and store: red comes two lanes
    // down, blue two lanes up, green stays; the 16th byte written is the next
    // step's first, so a step needs 16 bytes of this row in and out, which
    // six pixels cover.
    constexpr uint32_t stepPixels = 5;
    const ByteVector redLanes = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    const ByteVector greenLanes = shiftUp<1>(redLanes);
    const ByteVector blueLanes = shiftUp<2>(redLanes);
    for (; x + stepPixels + 1 <= count; x += stepPixels) {
        const ByteVector bgr = loadVector(in + x * rgbBytes);
        storeVector(out + x * rgbBytes, (shiftDown<2>(bgr) & redLanes) | (bgr & greenLanes) |
                                            (shiftUp<2>(bgr) & blueLanes));
    }
#endif
    swapBgrPortable(in + x * rgbBytes, out + x * rgbBytes, count - x);
}

// `count` pixels of packed palette indices, the first in the high bits of
// its byte. A byte's pixels are written together, with constant shifts, up to
// the row's last byte; the rest one by one.
template <uint32_t bits>
void expandIndices(const uint8_t* in, uint8_t* out, uint32_t count, const ColourSlot* palette) {
    constexpr uint32_t mask = (1u << bits) - 1;
    constexpr uint32_t perByte = 8 / bits;
    const auto colourOf = [&](uint32_t x) -> const ColourSlot& {
        const uint32_t shift = 8 - bits - bits * (x % perByte);
        return palette[(in[x / perByte] >> shift) & mask];
    };
    uint32_t x = 0;
    for (; x + perByte < count; x += perByte) {
        const uint32_t byte = in[x / perByte];
        for (uint32_t i = 0; i < perByte; ++i, out += rgbBytes)
            std::memcpy(out, palette[(byte >> (8 - bits - bits * i)) & mask], colourSlotBytes);
    }
    putPixels(out, count - x, [&](uint32_t i) -> const ColourSlot& { return colourOf(x + i); });
}

// Uncompressed rows, 24-bit or packed palette indices. Pixels the file stops
// short of stay black, like the row fillers.
void decodeRows(const uint8_t* data, size_t size, uint32_t bits, const ColourSlot* palette,
                const Rows& rows) {
    const size_t fileRowBytes = (size_t(rows.width) * bits + fileRowAlignmentBits - 1) /
                                fileRowAlignmentBits * (fileRowAlignmentBits / 8);
    for (uint32_t y = 0; y < rows.height; ++y) {
        const size_t start = size_t(y) * fileRowBytes;
        const size_t present = start < size ? std::min(size - start, fileRowBytes) : 0;
        // The whole pixels in the bytes present.
        const uint32_t count =
            static_cast<uint32_t>(std::min<size_t>(rows.width, present * 8 / bits));
        const uint8_t* const in = count != 0 ? data + start : data;
        uint8_t* const out = rows.row(y);
        switch (bits) {
            case 24:
                swapBgr(in, out, count);
                break;
            case 8:
                expandIndices<8>(in, out, count, palette);
                break;
            case 4:
                expandIndices<4>(in, out, count, palette);
                break;
            default:
                expandIndices<1>(in, out, count, palette);
                break;
        }
        std::memset(out + size_t(count) * rgbBytes, 0, rows.stride - size_t(count) * rgbBytes);
    }
}

// Runs the RLE8 or RLE4 stream over rows filled with the skipped-pixel colour,
// so skipping is moving the position. Only an end of line, a delta or the end
// of the bitmap moves to another row: a run, encoded or absolute, that
// reaches past the row's end is cut there, and runs after it are dropped
// until the next end of line (encoders pad a row ending in a run with pixels
// up to a multiple of 4 before its end of line). Decoding stops past the last
// row or when the data ends.
void decodeRle(const uint8_t* data, size_t size, bool fourBit, const ColourSlot* palette,
               const Rows& rows) {
    const uint8_t* const end = data + size;
    uint64_t x = 0;  // passes the width once a run has overrun the row
    uint32_t y = 0;
    // Where the next pixel goes, held at the row's end once a run has passed
    // it, and how many pixels of a run of `count` are still in the row.
    auto at = [&] { return rows.row(y) + std::min<uint64_t>(x, rows.width) * rgbBytes; };
    auto inRow = [&](uint32_t count) {
        return x < rows.width ? static_cast<uint32_t>(std::min<uint64_t>(count, rows.width - x))
                              : 0;
    };
    while (end - data >= 2 && y < rows.height) {
        const uint32_t count = data[0];
        const uint32_t value = data[1];
        data += 2;
        if (count > 0) {
            if (!fourBit) {
                fillPixels(at(), palette[value], inRow(count));
            } else {
                // Alternately the high and the low nibble, high first.
                putPixels(at(), inRow(count), [&](uint32_t i) -> const ColourSlot& {
                    return palette[i % 2 == 0 ? value >> 4 : value & 0xF];
                });
            }
            x += count;
        } else if (value == endOfLine) {
            x = 0;
            ++y;
        } else if (value == endOfBitmap) {
            return;
        } else if (value == delta) {
            if (end - data < 2) return;
            x += data[0];
            y += data[1];
            data += 2;
        } else {
            // Absolute run: `value` indices, then padding to 16 bits. Where
            // the data ends inside the run, the pixels it holds are drawn.
            const size_t runBytes = fourBit ? (value + 1) / 2 : value;
            const size_t left = static_cast<size_t>(end - data);
            const uint32_t present =
                runBytes <= left ? value : static_cast<uint32_t>(fourBit ? 2 * left : left);
            putPixels(at(), std::min(inRow(value), present), [&](uint32_t i) -> const ColourSlot& {
                if (!fourBit) return palette[data[i]];
                return palette[i % 2 == 0 ? data[i / 2] >> 4 : data[i / 2] & 0xF];
            });
            if (present < value) return;
            x += value;
            data += runBytes;
            if (runBytes % 2 != 0) {
                if (data == end) return;
                ++data;
            }
        }
    }
}

// What the headers say, checked against each other and the file size.
struct BmpLayout {
    uint32_t width;
    uint32_t height;
    bool topDown;
    uint32_t bits;
    uint32_t compression;
    uint32_t entries;      // palette entries to read
    uint32_t fullPalette;  // 2^bits, 0 at 24 bits
    size_t paletteStart;
    uint32_t pixelOffset;
};

// Reads the file and info headers: a reason of None when the pixels can be
// decoded, and then `layout` filled.
Refusal readLayout(const uint8_t* data, size_t size, BmpLayout& layout) {
    using Reason = RefusalReason;
    if (data == nullptr || size == 0) return {Reason::EmptyFile};
    if (data[0] != 'B' || (size > 1 && data[1] != 'M')) return {Reason::NotBmp};
    if (size < fileHeaderBytes + sizeof(uint32_t)) return {Reason::FileEnds};
    const uint32_t infoBytes = readLittle32(data + infoSizeOffset);
    if (!knownInfoHeader(infoBytes)) return {Reason::UnknownBmpHeader, infoBytes};
    if (size < fileHeaderBytes + infoBytes) return {Reason::FileEnds};
    const int32_t width = static_cast<int32_t>(readLittle32(data + widthOffset));
    const int32_t fileHeight = static_cast<int32_t>(readLittle32(data + heightOffset));
    if (width < 0) return {Reason::NegativeWidth};
    if (width == 0 || fileHeight == 0) return {Reason::NoPixels};
    layout.width = uint32_t(width);
    layout.topDown = fileHeight < 0;
    layout.height = static_cast<uint32_t>(layout.topDown ? -int64_t(fileHeight) : fileHeight);
    if (width > maxImageSide) return {Reason::TooWide, layout.width};
    if (layout.height > uint32_t(maxImageSide)) return {Reason::TooHigh, layout.height};
    const uint32_t bits = readLittle16(data + bitCountOffset);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        return {Reason::UnsupportedBitCount, bits};
    }
    const uint32_t compression = readLittle32(data + compressionOffset);
    if (compression > rle4Compression) return {Reason::UnsupportedCompression};
    // RLE8 holds 8-bit indices and RLE4 4-bit ones; other pairings have no
    // meaning. A 24-bit file is read as uncompressed whatever it says.
    if (bits != 24 && ((compression == rle8Compression && bits != 8) ||
                       (compression == rle4Compression && bits != 4))) {
        return {Reason::CompressionBitMismatch};
    }
    // A 24-bit file has no palette to read (one it carries for palette
    // displays lies before bfOffBits and is passed over).
    const uint32_t coloursUsed = readLittle32(data + coloursUsedOffset);
    const uint32_t fullPalette = bits == 24 ? 0 : 1u << bits;
    if (bits != 24 && bits != 8 && coloursUsed > fullPalette) {
        return {Reason::PaletteTooLong, coloursUsed};
    }
    const uint32_t entries =
        coloursUsed != 0 && bits != 24 ? std::min(coloursUsed, maxPaletteEntries) : fullPalette;
    const size_t paletteStart = fileHeaderBytes + infoBytes;
    // The pixels lie after the palette entries read and inside the file (they
    // may be empty: such a file is all black, or all skipped pixels).
    const uint32_t pixelOffset = readLittle32(data + pixelOffsetOffset);
    if (pixelOffset < paletteStart + entries * paletteEntryBytes) {
        return {Reason::PixelsInsideHeader};
    }
    if (pixelOffset > size) return {Reason::FileEnds};
    layout.bits = bits;
    layout.compression = compression;
    layout.entries = entries;
    layout.fullPalette = fullPalette;
    layout.paletteStart = paletteStart;
    layout.pixelOffset = pixelOffset;
    return {};
}

}  // namespace

// The header checks sit in readLayout, which returns its refusal; it is
// written here, as is a failed allocation, before the pixel loops. With the
// refusal written at each header check inside this function, GCC compiled
// the pixel loops below differently (up to a third more instructions per
// pixel).
bool decodeBmp(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal) {
    BmpLayout layout;
    const Refusal why = readLayout(data, size, layout);
    if (why.reason != RefusalReason::None) {
        refusal = why;
        return false;
    }
    const uint32_t width = layout.width;
    const uint32_t height = layout.height;
    const size_t stride = rowStride(width, rgbBytes);
    // Every byte is written below: pixels, black or skipped ones, and fillers.
    uint8_t* const pixels = static_cast<uint8_t*>(std::malloc(stride * height));
    if (pixels == nullptr) {
        refusal = {RefusalReason::OutOfMemory};
        return false;
    }
    const Rows rows{pixels, width, height, stride, layout.topDown};

    // Indices past a short palette are black.
    ColourSlot palette[maxPaletteEntries] = {};
    for (uint32_t i = 0; i < layout.entries; ++i) {
        const uint8_t* const entry = data + layout.paletteStart + i * paletteEntryBytes;
        palette[i][0] = entry[2];
        palette[i][1] = entry[1];
        palette[i][2] = entry[0];
    }
    const uint8_t* const pixelData = data + layout.pixelOffset;
    const size_t pixelBytes = size - layout.pixelOffset;
    if (layout.bits == 24 || layout.compression == noCompression) {
        decodeRows(pixelData, pixelBytes, layout.bits, palette, rows);
    } else {
        // Pixels the stream skips take the highest index: 255, or 15 for RLE4.
        const size_t rowBytes = size_t(width) * rgbBytes;
        for (uint32_t y = 0; y < height; ++y) {
            fillPixels(rows.row(y), palette[layout.fullPalette - 1], width);
            std::memset(rows.row(y) + rowBytes, 0, stride - rowBytes);
        }
        decodeRle(pixelData, pixelBytes, layout.compression == rle4Compression, palette, rows);
    }

    image.width = int32_t(width);
    image.height = static_cast<int32_t>(height);
    image.channels = rgbBytes;
    image.pixels = pixels;
    return true;
}
