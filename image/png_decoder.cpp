// PNG decoding: the chunk walk, one zlib stream over the consecutive IDAT
// chunks, the five scanline filters, palette and greyscale expansion,
// bottom-up rows on 4-byte boundaries. Non-interlaced files with 8-bit
// samples, and palette and grey files of 1, 2 and 4 bits, are accepted;
// 16-bit and interlaced files are not.
#include "image/png_decoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/file_bytes.h"
#include "image/inflate.h"

namespace {

constexpr uint8_t pngSignature[] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t signatureBytes = sizeof pngSignature;
constexpr uint32_t chunkHeaderBytes = 8;  // length and type
constexpr uint32_t chunkCrcBytes = 4;     // never verified
constexpr uint32_t headerChunkBytes = 13;
constexpr uint32_t zlibHeaderBytes = 2;
constexpr uint32_t paletteEntryBytes = 3;
constexpr uint32_t maxPaletteEntries = 256;

// A DEFLATE stream yields at most 258 bytes for every 2 bits it reads (a
// 1-bit length code and a 1-bit distance code): 1032 bytes per input byte.
constexpr uint64_t maxInflateRatio = 1032;

constexpr uint32_t greyType = 0;
constexpr uint32_t rgbType = 2;
constexpr uint32_t paletteType = 3;
constexpr uint32_t greyAlphaType = 4;
constexpr uint32_t rgbaType = 6;

constexpr uint32_t noFilter = 0;
constexpr uint32_t subFilter = 1;
constexpr uint32_t upFilter = 2;
constexpr uint32_t averageFilter = 3;
constexpr uint32_t paethFilter = 4;

struct FreeDeleter {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};
using OwnedBytes = std::unique_ptr<uint8_t, FreeDeleter>;

struct PngHeader {
    uint32_t width;
    uint32_t height;
    uint32_t bitDepth;
    uint32_t colourType;
    uint32_t channels;       // of the output: 3 or 4
    uint32_t filterUnit;     // bytes per pixel in the scanlines, at least 1
    uint32_t scanlineBytes;  // without the filter-type byte
    uint32_t filteredBytes;  // all scanlines with their filter-type bytes
    uint32_t stride;         // output row, a multiple of 4
};

struct Palette {
    uint8_t rgb[maxPaletteEntries * paletteEntryBytes];
    uint32_t entries;
};

uint32_t readBig32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

bool isChunk(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

bool depthAllowed(uint32_t colourType, uint32_t depth) {
    const bool byteSamples = depth == 8;
    const bool packedSamples = depth == 1 || depth == 2 || depth == 4;
    switch (colourType) {
    case greyType:
    case paletteType: return byteSamples || packedSamples;
    case rgbType:
    case greyAlphaType:
    case rgbaType: return byteSamples;
    default: return false;
    }
}

// Reads IHDR and derives every size the decode needs; false for anything
// outside the supported subset or sizes that do not fit 32 bits.
bool readHeader(const uint8_t* data, PngHeader& header) {
    header.width = readBig32(data);
    header.height = readBig32(data + 4);
    header.bitDepth = data[8];
    header.colourType = data[9];
    const uint32_t compression = data[10];
    const uint32_t filterMethod = data[11];
    const uint32_t interlace = data[12];
    if (compression != 0 || filterMethod != 0 || interlace != 0) return false;
    if (!depthAllowed(header.colourType, header.bitDepth)) return false;
    if (header.width == 0 || header.height == 0) return false;
    const uint32_t maxSide = uint32_t(maxImageSide);
    if (header.width > maxSide || header.height > maxSide) return false;
    uint32_t samples = 1;
    if (header.colourType == rgbType) samples = 3;
    if (header.colourType == greyAlphaType) samples = 2;
    if (header.colourType == rgbaType) samples = 4;
    header.channels = (header.colourType == greyAlphaType || header.colourType == rgbaType) ? 4 : 3;
    header.filterUnit = header.bitDepth == 8 ? samples : 1;

    const uint64_t scanline = (uint64_t(header.width) * samples * header.bitDepth + 7) / 8;
    const uint64_t filtered = (scanline + 1) * header.height;
    const uint64_t stride = rowStride(header.width, header.channels);
    const uint64_t output = stride * header.height;
    if (filtered > UINT32_MAX || output > UINT32_MAX || output > SIZE_MAX) return false;
    header.scanlineBytes = static_cast<uint32_t>(scanline);
    header.filteredBytes = static_cast<uint32_t>(filtered);
    header.stride = static_cast<uint32_t>(stride);
    return true;
}

// Filter routines reconstruct one scanline in place; `prior` is the
// reconstructed scanline above. They are templated on the pixel size and
// keep the left and upper-left pixel in locals, so each channel is a chain
// of register operations rather than a store followed by a reload.
template <uint32_t unit>
void unfilterSub(uint8_t* row, uint32_t length) {
    if (length < unit) return;
    uint8_t left[unit];
    for (uint32_t c = 0; c < unit; ++c) left[c] = row[c];
    for (uint32_t x = unit; x + unit <= length; x += unit) {
        for (uint32_t c = 0; c < unit; ++c) {
            left[c] = static_cast<uint8_t>(row[x + c] + left[c]);
            row[x + c] = left[c];
        }
    }
}

void unfilterUp(uint8_t* row, const uint8_t* prior, uint32_t length) {
    for (uint32_t x = 0; x < length; ++x) row[x] = static_cast<uint8_t>(row[x] + prior[x]);
}

template <uint32_t unit>
void unfilterAverage(uint8_t* row, const uint8_t* prior, uint32_t length) {
    if (length < unit) return;
    uint32_t left[unit];
    for (uint32_t c = 0; c < unit; ++c) {
        left[c] = static_cast<uint8_t>(row[c] + (prior[c] >> 1));
        row[c] = static_cast<uint8_t>(left[c]);
    }
    for (uint32_t x = unit; x + unit <= length; x += unit) {
        for (uint32_t c = 0; c < unit; ++c) {
            left[c] = static_cast<uint8_t>(row[x + c] + ((left[c] + prior[x + c]) >> 1));
            row[x + c] = static_cast<uint8_t>(left[c]);
        }
    }
}

// The first scanline: the row above counts as zeros.
template <uint32_t unit>
void unfilterAverageFirst(uint8_t* row, uint32_t length) {
    if (length < unit) return;
    uint8_t left[unit];
    for (uint32_t c = 0; c < unit; ++c) left[c] = row[c];
    for (uint32_t x = unit; x + unit <= length; x += unit) {
        for (uint32_t c = 0; c < unit; ++c) {
            left[c] = static_cast<uint8_t>(row[x + c] + (left[c] >> 1));
            row[x + c] = left[c];
        }
    }
}

// paethPick with the differences taken once: p - a = b - c, p - b = a - c
// and p - c is their sum.
inline int32_t paethPredict(int32_t a, int32_t b, int32_t c) {
    const int32_t towardA = b - c;
    const int32_t towardB = a - c;
    const int32_t pa = std::abs(towardA);
    const int32_t pb = std::abs(towardB);
    const int32_t pc = std::abs(towardA + towardB);
    const int32_t bOrC = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bOrC;
}

template <uint32_t unit>
void unfilterPaeth(uint8_t* row, const uint8_t* prior, uint32_t length) {
    if (length < unit) return;
    int32_t left[unit];
    int32_t upperLeft[unit];
    for (uint32_t c = 0; c < unit; ++c) {
        // No left neighbour: the prediction is the byte above.
        left[c] = static_cast<uint8_t>(row[c] + prior[c]);
        row[c] = static_cast<uint8_t>(left[c]);
        upperLeft[c] = prior[c];
    }
    for (uint32_t x = unit; x + unit <= length; x += unit) {
        for (uint32_t c = 0; c < unit; ++c) {
            const int32_t above = prior[x + c];
            left[c] = static_cast<uint8_t>(row[x + c] + paethPredict(left[c], above, upperLeft[c]));
            upperLeft[c] = above;
            row[x + c] = static_cast<uint8_t>(left[c]);
        }
    }
}

template <uint32_t unit>
bool unfilterRows(uint8_t* filtered, const PngHeader& header) {
    const uint32_t length = header.scanlineBytes;
    const size_t pitch = size_t(length) + 1;
    for (uint32_t r = 0; r < header.height; ++r) {
        uint8_t* const row = filtered + r * pitch + 1;
        const uint32_t filter = row[-1];
        if (r == 0) {
            // With zeros above, Up adds nothing and Paeth picks the left byte.
            switch (filter) {
            case noFilter:
            case upFilter: break;
            case subFilter:
            case paethFilter: unfilterSub<unit>(row, length); break;
            case averageFilter: unfilterAverageFirst<unit>(row, length); break;
            default: return false;
            }
            continue;
        }
        const uint8_t* const prior = row - pitch;
        switch (filter) {
        case noFilter: break;
        case subFilter: unfilterSub<unit>(row, length); break;
        case upFilter: unfilterUp(row, prior, length); break;
        case averageFilter: unfilterAverage<unit>(row, prior, length); break;
        case paethFilter: unfilterPaeth<unit>(row, prior, length); break;
        default: return false;
        }
    }
    return true;
}

// False for a filter type above 4.
bool unfilter(uint8_t* filtered, const PngHeader& header) {
    switch (header.filterUnit) {
    case 1: return unfilterRows<1>(filtered, header);
    case 2: return unfilterRows<2>(filtered, header);
    case 3: return unfilterRows<3>(filtered, header);
    default: return unfilterRows<4>(filtered, header);
    }
}

// The sample of pixel x in a scanline of packed samples, most significant
// bits first.
uint32_t packedSample(const uint8_t* row, uint32_t x, uint32_t depth) {
    const uint32_t perByte = 8 / depth;
    const uint32_t shift = depth * (perByte - 1 - x % perByte);
    return (uint32_t(row[x / perByte]) >> shift) & ((1u << depth) - 1);
}

// Turns one reconstructed scanline into one output row. False for a palette
// index beyond the palette.
bool convertRow(const uint8_t* row, uint8_t* out, const PngHeader& header, const Palette& palette) {
    const uint32_t width = header.width;
    const uint32_t depth = header.bitDepth;
    switch (header.colourType) {
    case rgbType:
    case rgbaType: std::memcpy(out, row, header.scanlineBytes); return true;
    case greyAlphaType:
        for (uint32_t x = 0; x < width; ++x, row += 2, out += 4) {
            out[0] = out[1] = out[2] = row[0];
            out[3] = row[1];
        }
        return true;
    case greyType:
        if (depth == 8) {
            for (uint32_t x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = row[x];
        } else {
            // Scale to the full byte range: 1 -> 255, 3 -> 255, 15 -> 255.
            const uint32_t scale = 255 / ((1u << depth) - 1);
            for (uint32_t x = 0; x < width; ++x, out += 3) {
                out[0] = out[1] = out[2] = static_cast<uint8_t>(packedSample(row, x, depth) * scale);
            }
        }
        return true;
    default:
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            const uint32_t index = depth == 8 ? row[x] : packedSample(row, x, depth);
            if (index >= palette.entries) return false;
            std::memcpy(out, palette.rgb + index * paletteEntryBytes, paletteEntryBytes);
        }
        return true;
    }
}

// Decodes one whole zlib stream into a new bottom-up pixel buffer; null on
// any failure, with every working buffer released.
uint8_t* decodeImageData(const PngHeader& header, const Palette& palette, const uint8_t* data, uint32_t length) {
    if (length < zlibHeaderBytes || !zlibHeaderOk(data[0], data[1])) return nullptr;
    if (header.colourType == paletteType && palette.entries == 0) return nullptr;
    // A stream too short to deliver every scanline is refused before the
    // buffer is allocated.
    if (header.filteredBytes > uint64_t(length - zlibHeaderBytes) * maxInflateRatio) return nullptr;

    OwnedBytes filtered(static_cast<uint8_t*>(std::malloc(header.filteredBytes)));
    if (!filtered) return nullptr;
    uint32_t written = 0;
    if (!decodeDeflate(data + zlibHeaderBytes, length - zlibHeaderBytes, filtered.get(), header.filteredBytes,
                       written) ||
        written != header.filteredBytes) {
        return nullptr;
    }
    if (!unfilter(filtered.get(), header)) return nullptr;

    const size_t outputBytes = size_t(header.stride) * header.height;
    OwnedBytes pixels(static_cast<uint8_t*>(std::malloc(outputBytes)));
    if (!pixels) return nullptr;
    const size_t pitch = size_t(header.scanlineBytes) + 1;
    const uint32_t rowBytes = header.width * header.channels;
    for (uint32_t r = 0; r < header.height; ++r) {
        // Scanline 0 is the top of the picture and goes to the last row.
        uint8_t* const out = pixels.get() + size_t(header.height - 1 - r) * header.stride;
        if (!convertRow(filtered.get() + r * pitch + 1, out, header, palette)) return nullptr;
        std::memset(out + rowBytes, 0, header.stride - rowBytes);
    }
    return pixels.release();
}

// The data length of the IDAT chunk at `chunk`, false when there is none
// there or it runs past the `available` bytes.
bool idatLength(const uint8_t* chunk, uint64_t available, uint32_t& length) {
    if (available < chunkHeaderBytes || !isChunk(chunk + 4, "IDAT")) return false;
    length = readBig32(chunk);
    return length <= available - chunkHeaderBytes;
}

// The data of consecutive IDAT chunks, concatenated, is one zlib stream,
// split at any byte (PNG standard, IDAT). `chunks` is the first of them, with
// `available` bytes from there to the end of the file. One chunk is decoded
// where it lies; several are gathered once into one buffer.
uint8_t* decodeIdatChunks(const PngHeader& header, const Palette& palette, const uint8_t* chunks,
                          uint64_t available) {
    const uint64_t chunkOverhead = chunkHeaderBytes + chunkCrcBytes;
    uint64_t total = 0;
    uint32_t count = 0;
    uint32_t length = 0;
    for (uint64_t at = 0; at < available && idatLength(chunks + at, available - at, length);
         at += chunkOverhead + length) {
        total += length;
        ++count;
    }
    // The data of chunks inside a file of under 4 GiB.
    const uint32_t streamBytes = static_cast<uint32_t>(total);
    if (count == 1) return decodeImageData(header, palette, chunks + chunkHeaderBytes, streamBytes);

    OwnedBytes stream(static_cast<uint8_t*>(std::malloc(streamBytes != 0 ? streamBytes : 1)));
    if (!stream) return nullptr;
    uint8_t* out = stream.get();
    for (uint64_t at = 0; at < available && idatLength(chunks + at, available - at, length);
         at += chunkOverhead + length) {
        std::memcpy(out, chunks + at + chunkHeaderBytes, length);
        out += length;
    }
    return decodeImageData(header, palette, stream.get(), streamBytes);
}

}  // namespace

uint8_t paethPick(uint8_t a, uint8_t b, uint8_t c) { return static_cast<uint8_t>(paethPredict(a, b, c)); }

// The image is handed over only when the walk succeeds, so a refused file
// leaves `image` as it was. Chunks must lie inside the data (their CRC may be
// cut off: it is never read).
bool decodePng(Image& image, const uint8_t* data, uint32_t size) {
    if (data == nullptr || size < signatureBytes || std::memcmp(data, pngSignature, signatureBytes) != 0) {
        return false;
    }
    PngHeader header{};
    bool haveHeader = false;
    Palette palette;
    palette.entries = 0;
    OwnedBytes pixels;

    uint64_t position = signatureBytes;
    while (position < size) {
        if (size - position < chunkHeaderBytes) return false;
        const uint8_t* const chunk = data + position;
        const uint32_t length = readBig32(chunk);
        const uint8_t* const type = chunk + 4;
        const uint8_t* const body = chunk + chunkHeaderBytes;
        if (length > size - position - chunkHeaderBytes) return false;

        if (isChunk(type, "IEND")) break;
        if (isChunk(type, "IHDR")) {
            if (haveHeader || length != headerChunkBytes || !readHeader(body, header)) return false;
            haveHeader = true;
        } else if (isChunk(type, "PLTE")) {
            const uint32_t entries = length / paletteEntryBytes;
            palette.entries = entries < maxPaletteEntries ? entries : maxPaletteEntries;
            std::memcpy(palette.rgb, body, size_t(palette.entries) * paletteEntryBytes);
        } else if (isChunk(type, "IDAT")) {
            // The first IDAT starts the image's stream, which runs on through
            // the IDATs right after it; an IDAT after the image is skipped.
            if (!haveHeader) return false;
            if (!pixels) {
                pixels.reset(decodeIdatChunks(header, palette, chunk, size - position));
                if (!pixels) return false;
            }
        }
        position += uint64_t(chunkHeaderBytes) + length + chunkCrcBytes;
    }
    if (!pixels) return false;
    image.width = static_cast<int32_t>(header.width);
    image.height = static_cast<int32_t>(header.height);
    image.channels = header.channels;
    image.pixels = pixels.release();
    return true;
}

bool loadPng(Image& image, const char* fileName) {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!readFileBytes(fileName, bytes, size)) return false;
    const bool ok = decodePng(image, bytes, size);
    std::free(bytes);
    return ok;
}
