// PNG decoding: the chunk walk, one zlib stream over the consecutive IDAT
// chunks, the five scanline filters, palette and greyscale expansion,
// bottom-up rows on 4-byte boundaries. Non-interlaced files with 8-bit
// samples, and palette and grey files of 1, 2 and 4 bits, are accepted;
// 16-bit and interlaced files are not.
#include "image/png_decoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/inflate.h"
#include "image/png_filters.h"

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
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
           bytes[3];
}

bool isChunk(const uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

constexpr uint32_t byteDepth = 8;
constexpr uint32_t wideDepth = 16;  // valid, but not decoded here
constexpr uint32_t adam7Interlace = 1;

bool refuse(Refusal& refusal, RefusalReason reason, uint32_t detail = 0) {
    refusal = {reason, detail};
    return false;
}

// The depths the PNG standard allows for each colour type (16 aside).
bool depthAllowed(uint32_t colourType, uint32_t depth) {
    const bool byteSamples = depth == byteDepth;
    const bool packedSamples = depth == 1 || depth == 2 || depth == 4;
    switch (colourType) {
        case greyType:
        case paletteType:
            return byteSamples || packedSamples;
        case rgbType:
        case greyAlphaType:
        case rgbaType:
            return byteSamples;
        default:
            return false;
    }
}

// Reads IHDR and derives every size the decode needs; false for anything
// outside the supported subset.
bool readHeader(const uint8_t* data, PngHeader& header, Refusal& refusal) {
    header.width = readBig32(data);
    header.height = readBig32(data + 4);
    header.bitDepth = data[8];
    header.colourType = data[9];
    const uint32_t compression = data[10];
    const uint32_t filterMethod = data[11];
    const uint32_t interlace = data[12];
    if (compression != 0 || filterMethod != 0 || interlace > adam7Interlace) {
        return refuse(refusal, RefusalReason::UnknownPngMethod);
    }
    if (header.bitDepth == wideDepth && header.colourType != paletteType &&
        depthAllowed(header.colourType, byteDepth)) {
        return refuse(refusal, RefusalReason::SixteenBitChannels);
    }
    if (!depthAllowed(header.colourType, header.bitDepth)) {
        return refuse(refusal, RefusalReason::BadColourType);
    }
    if (interlace == adam7Interlace) return refuse(refusal, RefusalReason::Interlaced);
    if (header.width == 0 || header.height == 0) return refuse(refusal, RefusalReason::NoPixels);
    const uint32_t maxSide = uint32_t(maxImageSide);
    if (header.width > maxSide) return refuse(refusal, RefusalReason::TooWide, header.width);
    if (header.height > maxSide) return refuse(refusal, RefusalReason::TooHigh, header.height);
    uint32_t samples = 1;
    if (header.colourType == rgbType) samples = 3;
    if (header.colourType == greyAlphaType) samples = 2;
    if (header.colourType == rgbaType) samples = 4;
    header.channels = (header.colourType == greyAlphaType || header.colourType == rgbaType) ? 4 : 3;
    header.filterUnit = header.bitDepth == 8 ? samples : 1;

    // At most 2048 x 2048 pixels of four bytes: every size fits 32 bits.
    static_assert((uint64_t(maxImageSide) * 4 + 1) * maxImageSide <= UINT32_MAX,
                  "the filtered scanlines fit 32 bits");
    static_assert(rowStride(maxImageSide, 4) * maxImageSide <= UINT32_MAX,
                  "the output fits 32 bits");
    const uint32_t scanline = (header.width * samples * header.bitDepth + 7) / 8;
    header.scanlineBytes = scanline;
    header.filteredBytes = (scanline + 1) * header.height;
    header.stride = static_cast<uint32_t>(rowStride(header.width, header.channels));
    return true;
}

// The zeros above the first scanline: 2048 pixels of at most four bytes.
constexpr uint32_t maxScanlineBytes = uint32_t(maxImageSide) * 4;
const uint8_t zeroScanline[maxScanlineBytes] = {};

using UnfilterFunction = bool (*)(uint32_t filter, const uint8_t* in, const uint8_t* prior,
                                  uint8_t* out, uint32_t length);

UnfilterFunction unfilterFor(uint32_t filterUnit) {
    switch (filterUnit) {
        case 1:
            return unfilterVector<1>;
        case 2:
            return unfilterVector<2>;
        case 3:
            return unfilterVector<3>;
        default:
            return unfilterVector<4>;
    }
}

// RGB and RGBA scanlines are their own output rows: each is reconstructed
// straight into its row, against the row above it in the picture, which is
// the next one up in the bottom-up buffer. False for a filter type above 4.
bool unfilterIntoRows(const uint8_t* filtered, const PngHeader& header, uint8_t* pixels,
                      Refusal& refusal) {
    const UnfilterFunction unfilter = unfilterFor(header.filterUnit);
    const uint32_t length = header.scanlineBytes;
    const uint8_t* prior = zeroScanline;
    for (uint32_t r = 0; r < header.height; ++r) {
        const uint8_t* const scanline = filtered + size_t(r) * (length + 1);
        uint8_t* const row = pixels + size_t(header.height - 1 - r) * header.stride;
        if (!unfilter(scanline[0], scanline + 1, prior, row, length)) {
            return refuse(refusal, RefusalReason::UnknownRowFilter);
        }
        std::memset(row + length, 0, header.stride - length);
        prior = row;
    }
    return true;
}

// Samples of 1, 2 or 4 bits, most significant bits first, one to a byte.
void unpackSamples(const uint8_t* row, uint32_t width, uint32_t depth, uint8_t* samples) {
    const uint32_t perByte = 8 / depth;
    const uint32_t mask = (1u << depth) - 1;
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t shift = depth * (perByte - 1 - x % perByte);
        samples[x] = static_cast<uint8_t>((uint32_t(row[x / perByte]) >> shift) & mask);
    }
}

// The palette entry (or grey level) of every sample value as an RGB slot;
// values past a short palette are zeros.
struct SampleColours {
    ColourSlot slots[maxPaletteEntries];
    uint32_t entries;  // values from here on are refused
};

SampleColours sampleColours(const PngHeader& header, const Palette& palette) {
    SampleColours colours{};
    if (header.colourType == paletteType) {
        for (uint32_t i = 0; i < palette.entries; ++i)
            std::memcpy(colours.slots[i], palette.rgb + i * paletteEntryBytes, rgbBytes);
        colours.entries = palette.entries;
    } else {
        // Grey scaled to the full byte range: 1 -> 255, 3 -> 255, 15 -> 255.
        const uint32_t levels = 1u << header.bitDepth;
        const uint32_t scale = 255 / (levels - 1);
        for (uint32_t i = 0; i < levels; ++i)
            std::memset(colours.slots[i], int(i * scale), rgbBytes);
        colours.entries = levels;
    }
    return colours;
}

// Palette, grey and grey-with-alpha scanlines are reconstructed into two
// scanline buffers in turn (this one and the one above), unpacked when
// packed, then turned into their output rows. False for a filter type above
// 4 or a palette index beyond the palette.
bool convertRows(const uint8_t* filtered, const PngHeader& header, const Palette& palette,
                 uint8_t* pixels, Refusal& refusal) {
    const UnfilterFunction unfilter = unfilterFor(header.filterUnit);
    const uint32_t length = header.scanlineBytes;
    const uint32_t width = header.width;
    OwnedBytes work(static_cast<uint8_t*>(std::malloc(size_t(length) * 2 + width)));
    if (!work) return refuse(refusal, RefusalReason::OutOfMemory);
    uint8_t* const scanlines[2] = {work.get(), work.get() + length};
    uint8_t* const unpacked = work.get() + size_t(length) * 2;
    const SampleColours colours = sampleColours(header, palette);
    const uint32_t rowBytes = width * header.channels;
    const uint8_t* prior = zeroScanline;
    for (uint32_t r = 0; r < header.height; ++r) {
        const uint8_t* const scanline = filtered + size_t(r) * (length + 1);
        uint8_t* const reconstructed = scanlines[r % 2];
        uint8_t* const row = pixels + size_t(header.height - 1 - r) * header.stride;
        if (!unfilter(scanline[0], scanline + 1, prior, reconstructed, length)) {
            return refuse(refusal, RefusalReason::UnknownRowFilter);
        }
        prior = reconstructed;
        if (header.colourType == greyAlphaType) {
            const uint8_t* sample = reconstructed;
            for (uint8_t* out = row; out != row + rowBytes; out += 4, sample += 2) {
                out[0] = out[1] = out[2] = sample[0];
                out[3] = sample[1];
            }
        } else {
            const uint8_t* samples = reconstructed;
            if (header.bitDepth != 8) {
                unpackSamples(reconstructed, width, header.bitDepth, unpacked);
                samples = unpacked;
            }
            // Only a palette can be shorter than the samples' range.
            if (colours.entries < (1u << header.bitDepth)) {
                uint32_t highest = 0;
                for (uint32_t x = 0; x < width; ++x)
                    highest = highest > samples[x] ? highest : samples[x];
                if (highest >= colours.entries) {
                    return refuse(refusal, RefusalReason::PaletteIndexTooHigh);
                }
            }
            putPixels(row, width,
                      [&](uint32_t x) -> const ColourSlot& { return colours.slots[samples[x]]; });
        }
        std::memset(row + rowBytes, 0, header.stride - rowBytes);
    }
    return true;
}

uint8_t* refuseImage(Refusal& refusal, RefusalReason reason) {
    refusal = {reason, 0};
    return nullptr;
}

// Decodes one whole zlib stream into a new bottom-up pixel buffer; null on
// any failure, with every working buffer released.
uint8_t* decodeImageData(const PngHeader& header, const Palette& palette, const uint8_t* data,
                         uint32_t length, Refusal& refusal) {
    if (length < zlibHeaderBytes) return refuseImage(refusal, RefusalReason::CompressedDataEnds);
    if (!zlibHeaderOk(data[0], data[1])) return refuseImage(refusal, RefusalReason::BadZlibHeader);
    if (header.colourType == paletteType && palette.entries == 0) {
        return refuseImage(refusal, RefusalReason::MissingPalette);
    }
    // A stream too short to deliver every scanline is refused before the
    // buffer is allocated.
    if (header.filteredBytes > uint64_t(length - zlibHeaderBytes) * maxInflateRatio) {
        return refuseImage(refusal, RefusalReason::CompressedDataEnds);
    }

    OwnedBytes filtered(static_cast<uint8_t*>(std::malloc(header.filteredBytes)));
    if (!filtered) return refuseImage(refusal, RefusalReason::OutOfMemory);
    uint32_t written = 0;
    if (!decodeDeflate(data + zlibHeaderBytes, length - zlibHeaderBytes, filtered.get(),
                       header.filteredBytes, written, refusal)) {
        return nullptr;
    }
    // A stream that ends before the last scanline (a final stored block cut
    // short, or simply too few bytes) leaves rows that were never written.
    if (written != header.filteredBytes) {
        return refuseImage(refusal, RefusalReason::CompressedDataEnds);
    }
    OwnedBytes pixels(static_cast<uint8_t*>(std::malloc(size_t(header.stride) * header.height)));
    if (!pixels) return refuseImage(refusal, RefusalReason::OutOfMemory);
    const bool direct =
        header.bitDepth == 8 && (header.colourType == rgbType || header.colourType == rgbaType);
    const bool done = direct ? unfilterIntoRows(filtered.get(), header, pixels.get(), refusal)
                             : convertRows(filtered.get(), header, palette, pixels.get(), refusal);
    return done ? pixels.release() : nullptr;
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
                          uint64_t available, Refusal& refusal) {
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
    if (count == 1) {
        return decodeImageData(header, palette, chunks + chunkHeaderBytes, streamBytes, refusal);
    }

    OwnedBytes stream(static_cast<uint8_t*>(std::malloc(streamBytes != 0 ? streamBytes : 1)));
    if (!stream) return refuseImage(refusal, RefusalReason::OutOfMemory);
    uint8_t* out = stream.get();
    for (uint64_t at = 0; at < available && idatLength(chunks + at, available - at, length);
         at += chunkOverhead + length) {
        std::memcpy(out, chunks + at + chunkHeaderBytes, length);
        out += length;
    }
    return decodeImageData(header, palette, stream.get(), streamBytes, refusal);
}

}  // namespace

// The image is handed over only when the walk succeeds, so a refused file
// leaves `image` as it was. Chunks must lie inside the data (their CRC may be
// cut off: it is never read).
bool decodePng(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal) {
    if (data == nullptr || size == 0) return refuse(refusal, RefusalReason::EmptyFile);
    const uint32_t present = size < signatureBytes ? size : signatureBytes;
    if (std::memcmp(data, pngSignature, present) != 0) {
        return refuse(refusal, RefusalReason::NotPng);
    }
    if (present < signatureBytes) return refuse(refusal, RefusalReason::FileEnds);
    PngHeader header{};
    bool haveHeader = false;
    Palette palette;
    palette.entries = 0;
    OwnedBytes pixels;

    uint64_t position = signatureBytes;
    bool ended = false;  // IEND reached
    while (position < size) {
        if (size - position < chunkHeaderBytes) return refuse(refusal, RefusalReason::FileEnds);
        const uint8_t* const chunk = data + position;
        const uint32_t length = readBig32(chunk);
        const uint8_t* const type = chunk + 4;
        const uint8_t* const body = chunk + chunkHeaderBytes;
        if (length > size - position - chunkHeaderBytes) {
            return refuse(refusal, RefusalReason::FileEnds);
        }

        if (isChunk(type, "IEND")) {
            ended = true;
            break;
        }
        if (isChunk(type, "IHDR")) {
            if (haveHeader || length != headerChunkBytes) {
                return refuse(refusal, RefusalReason::PngHeaderDamaged);
            }
            if (!readHeader(body, header, refusal)) return false;
            haveHeader = true;
        } else if (isChunk(type, "PLTE")) {
            const uint32_t entries = length / paletteEntryBytes;
            palette.entries = entries < maxPaletteEntries ? entries : maxPaletteEntries;
            std::memcpy(palette.rgb, body, size_t(palette.entries) * paletteEntryBytes);
        } else if (isChunk(type, "IDAT")) {
            // The first IDAT starts the image's stream, which runs on through
            // the IDATs right after it; an IDAT after the image is skipped.
            if (!haveHeader) return refuse(refusal, RefusalReason::PngHeaderMissing);
            if (!pixels) {
                pixels.reset(decodeIdatChunks(header, palette, chunk, size - position, refusal));
                if (!pixels) return false;
            }
        }
        position += uint64_t(chunkHeaderBytes) + length + chunkCrcBytes;
    }
    if (!pixels) {
        // Cut before IEND, the file may just have lost the rest.
        if (!ended) return refuse(refusal, RefusalReason::FileEnds);
        return refuse(refusal,
                      haveHeader ? RefusalReason::NoImageData : RefusalReason::PngHeaderMissing);
    }
    image.width = static_cast<int32_t>(header.width);
    image.height = static_cast<int32_t>(header.height);
    image.channels = header.channels;
    image.pixels = pixels.release();
    return true;
}
