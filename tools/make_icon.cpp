// Draws the program icon: four by four cells, each a bevelled block like
// Images/Block.bmp tinted in a piece colour, or transparent. Writes it as an
// RGBA PNG at one size, or as the Windows icon file that the resource script
// compiles into stapelix.exe. The PNG's deflate stream is the tool's own
// (fixed Huffman codes, matches with the pixel to the left or the row above,
// where the flat cells repeat), so the tool needs no zlib.
//
//   make_icon SIZE OUTPUT.png      (SIZE 16 to 1024, a multiple of 4)
//   make_icon ico OUTPUT.ico       (16, 24, 32, 48, 64 and 256 pixels)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int gridCells = 4;
constexpr int minSize = 16;
constexpr int maxSize = 1024;
// Top row first: Y yellow, M magenta, C cyan, '.' transparent.
constexpr const char* cellRows[gridCells] = {"..YY", "M.YY", "MMC.", "MCCC"};

struct Tint {
    char code;
    uint8_t red, green, blue;
};
constexpr Tint tints[] = {{'Y', 255, 255, 0}, {'M', 255, 0, 255}, {'C', 0, 255, 255}};

// The greys of Images/Block.bmp, whose bevel is 4 pixels inside a 32-pixel block.
constexpr uint8_t rimGrey = 96;
constexpr uint8_t topGrey = 244;
constexpr uint8_t leftGrey = 228;
constexpr uint8_t rightGrey = 150;
constexpr uint8_t bottomGrey = 128;
constexpr uint8_t faceGrey = 200;
constexpr int bevelDivisor = 8;  // bevel width per block width: 4 of 32 in the texture
constexpr int minRimmedBlock = 8;

constexpr uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t bitDepth = 8;
constexpr uint8_t colourTypeRgba = 6;
constexpr uint8_t filterNone = 0;
constexpr int bytesPerPixel = 4;
constexpr uint32_t adlerModulus = 65521;  // RFC 1950 8.2

// DEFLATE (RFC 1951 3.2.5): the match lengths and distances each length or
// distance code starts at, and the extra bits that follow the code.
constexpr int minMatch = 3;
constexpr int maxMatch = 258;
constexpr int firstLengthCode = 257;
constexpr int endOfBlock = 256;
constexpr uint16_t lengthBases[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t lengthExtraBits[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distanceBases[] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distanceExtraBits[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int distanceCodeBits = 5;
// The fixed literal/length code (RFC 1951 3.2.6), highest symbols first: from
// its first symbol on, each range's codes have one length and count up from
// its first code.
struct FixedCodeRange {
    int firstSymbol;
    uint32_t firstCode;
    int length;
};
constexpr FixedCodeRange fixedCodeRanges[] = {
    {280, 0xC0, 8}, {256, 0x00, 7}, {144, 0x190, 9}, {0, 0x30, 8}};

// The Windows icon: every size Explorer, the taskbar and Alt+Tab ask for.
// The largest is a PNG, as Windows reads it; the others are 32-bit BMPs with
// the AND mask after the colours, which every Windows version reads.
constexpr int icoSizes[] = {16, 24, 32, 48, 64, 256};
constexpr int firstPngSize = 256;
constexpr uint16_t icoTypeIcon = 1;
constexpr uint32_t icoHeaderSize = 6;
constexpr uint32_t icoEntrySize = 16;
constexpr uint32_t bitmapInfoHeaderSize = 40;
constexpr uint16_t icoBitsPerPixel = 32;

// The grey of pixel (x, y) of a block of `size` pixels, y from the top.
uint8_t blockGrey(int x, int y, int size) {
    const int last = size - 1;
    // Blocks of the smallest icons are too small for a rim as well as a bevel.
    const bool rimmed = size >= minRimmedBlock;
    if (rimmed && (x == 0 || y == 0 || x == last || y == last)) return rimGrey;
    const int bevel = size / bevelDivisor > 0 ? size / bevelDivisor : 1;
    const int rim = rimmed ? 1 : 0;
    // Top, left, bottom, right; ties go to the lit facets, as in the block texture.
    const int distances[] = {y - rim, x - rim, last - y - rim, last - x - rim};
    const uint8_t greys[] = {topGrey, leftGrey, bottomGrey, rightGrey};
    int nearest = 0;
    for (int side = 1; side < 4; ++side) {
        if (distances[side] < distances[nearest]) nearest = side;
    }
    return distances[nearest] < bevel ? greys[nearest] : faceGrey;
}

const Tint* tintOf(char code) {
    for (const Tint& tint : tints) {
        if (tint.code == code) return &tint;
    }
    return nullptr;
}

// RGBA pixels, top row first.
std::vector<uint8_t> drawPixels(int size) {
    const int cell = size / gridCells;
    std::vector<uint8_t> pixels;
    pixels.reserve(size_t(size) * size_t(size) * bytesPerPixel);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Tint* tint = tintOf(cellRows[y / cell][x / cell]);
            if (tint == nullptr) {
                pixels.insert(pixels.end(), {0, 0, 0, 0});
                continue;
            }
            const unsigned grey = blockGrey(x % cell, y % cell, cell);
            pixels.push_back(static_cast<uint8_t>(grey * tint->red / 255));
            pixels.push_back(static_cast<uint8_t>(grey * tint->green / 255));
            pixels.push_back(static_cast<uint8_t>(grey * tint->blue / 255));
            pixels.push_back(255);
        }
    }
    return pixels;
}

// The pixels' rows, each led by its PNG filter byte.
std::vector<uint8_t> scanlines(const std::vector<uint8_t>& pixels, int size) {
    const size_t rowBytes = size_t(size) * bytesPerPixel;
    std::vector<uint8_t> lines;
    lines.reserve(size_t(size) * (1 + rowBytes));
    for (size_t row = 0; row < size_t(size); ++row) {
        lines.push_back(filterNone);
        lines.insert(lines.end(), pixels.begin() + row * rowBytes,
                     pixels.begin() + (row + 1) * rowBytes);
    }
    return lines;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// CRC-32 of the PNG standard (annex D), over the chunk type and data.
uint32_t crc32(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

uint32_t adler32(const std::vector<uint8_t>& bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : bytes) {
        a = (a + byte) % adlerModulus;
        b = (b + a) % adlerModulus;
    }
    return (b << 16) | a;
}

// DEFLATE's bit order: values from their lowest bit up, Huffman codes from
// their highest bit down.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

    void putBits(uint32_t value, int count) {
        for (int bit = 0; bit < count; ++bit) putBit((value >> bit) & 1u);
    }
    void putCode(uint32_t code, int length) {
        for (int bit = length - 1; bit >= 0; --bit) putBit((code >> bit) & 1u);
    }
    void flush() {
        if (used_ > 0) out_.push_back(pending_);
        pending_ = 0;
        used_ = 0;
    }

private:
    void putBit(uint32_t bit) {
        pending_ = static_cast<uint8_t>(pending_ | (bit << used_));
        if (++used_ == 8) flush();
    }

    std::vector<uint8_t>& out_;
    uint8_t pending_ = 0;
    int used_ = 0;
};

// A literal/length symbol in the fixed Huffman code.
void putFixedSymbol(BitWriter& bits, int symbol) {
    for (const FixedCodeRange& range : fixedCodeRanges) {
        if (symbol < range.firstSymbol) continue;
        bits.putCode(range.firstCode + uint32_t(symbol - range.firstSymbol), range.length);
        return;
    }
}

// The code of `value` in a table of ascending starting values.
template <size_t count>
int codeOf(const uint16_t (&bases)[count], int value) {
    int code = 0;
    while (code + 1 < int(count) && bases[code + 1] <= value) ++code;
    return code;
}

// How many bytes from `at` on repeat those `distance` bytes back.
int matchLength(const std::vector<uint8_t>& data, size_t at, size_t distance) {
    if (distance > at) return 0;
    int length = 0;
    while (length < maxMatch && at + length < data.size() &&
           data[at + length] == data[at + length - distance])
        ++length;
    return length;
}

// A zlib stream (RFC 1950) of one fixed-Huffman block. A cell's rows repeat
// the row above and its flat runs the pixel to the left, so those two
// distances are the only matches looked for.
std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& data, size_t rowBytes) {
    // CMF 0x78: deflate with a 32K window; FLG 0x01: no dictionary, and
    // 0x7801 is a multiple of 31 as the header check wants.
    std::vector<uint8_t> out = {0x78, 0x01};
    BitWriter bits(out);
    bits.putBits(1, 1);  // BFINAL
    bits.putBits(1, 2);  // BTYPE 01: fixed Huffman codes
    size_t at = 0;
    while (at < data.size()) {
        size_t distance = bytesPerPixel;
        int length = matchLength(data, at, distance);
        const int aboveLength = matchLength(data, at, rowBytes);
        if (aboveLength > length) {
            distance = rowBytes;
            length = aboveLength;
        }
        if (length < minMatch) {
            putFixedSymbol(bits, data[at]);
            ++at;
            continue;
        }
        const int lengthCode = codeOf(lengthBases, length);
        putFixedSymbol(bits, firstLengthCode + lengthCode);
        bits.putBits(uint32_t(length - lengthBases[lengthCode]), lengthExtraBits[lengthCode]);
        const int distanceCode = codeOf(distanceBases, int(distance));
        bits.putCode(uint32_t(distanceCode), distanceCodeBits);
        bits.putBits(uint32_t(distance - distanceBases[distanceCode]),
                     distanceExtraBits[distanceCode]);
        at += size_t(length);
    }
    putFixedSymbol(bits, endOfBlock);
    bits.flush();
    putBig32(out, adler32(data));
    return out;
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    putBig32(out, static_cast<uint32_t>(data.size()));
    const size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + typeStart, out.size() - typeStart));
}

std::vector<uint8_t> encodePng(int size) {
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(size));
    putBig32(header, static_cast<uint32_t>(size));
    // Depth, colour type, then compression, filter and interlace methods 0.
    header.insert(header.end(), {bitDepth, colourTypeRgba, 0, 0, 0});
    std::vector<uint8_t> out(pngSignature, pngSignature + sizeof pngSignature);
    putChunk(out, "IHDR", header);
    const size_t rowBytes = 1 + size_t(size) * bytesPerPixel;
    putChunk(out, "IDAT", zlibCompress(scanlines(drawPixels(size), size), rowBytes));
    putChunk(out, "IEND", {});
    return out;
}

void putLittle16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putLittle32(std::vector<uint8_t>& out, uint32_t value) {
    putLittle16(out, value & 0xFFFFu);
    putLittle16(out, value >> 16);
}

// An icon image as a BMP without its file header: the info header with twice
// the height (colours, then mask), BGRA rows bottom up, then the 1-bit mask,
// set where the pixel is transparent, each mask row padded to 32 bits.
std::vector<uint8_t> encodeIconBitmap(int size) {
    const std::vector<uint8_t> pixels = drawPixels(size);
    const uint32_t maskRowBytes = uint32_t(size + 31) / 32 * 4;
    const uint32_t imageBytes =
        uint32_t(size * size * bytesPerPixel) + maskRowBytes * uint32_t(size);
    std::vector<uint8_t> out;
    putLittle32(out, bitmapInfoHeaderSize);
    putLittle32(out, uint32_t(size));
    putLittle32(out, uint32_t(2 * size));
    putLittle16(out, 1);  // planes
    putLittle16(out, icoBitsPerPixel);
    putLittle32(out, 0);  // BI_RGB
    putLittle32(out, imageBytes);
    for (int field = 0; field < 4; ++field) putLittle32(out, 0);  // resolution, palette counts
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const uint8_t* rgba = &pixels[(size_t(y) * size + x) * bytesPerPixel];
            out.insert(out.end(), {rgba[2], rgba[1], rgba[0], rgba[3]});
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> maskRow(maskRowBytes, 0);
        for (int x = 0; x < size; ++x) {
            if (pixels[(size_t(y) * size + x) * bytesPerPixel + 3] == 0)
                maskRow[x / 8] = static_cast<uint8_t>(maskRow[x / 8] | (0x80 >> (x % 8)));
        }
        out.insert(out.end(), maskRow.begin(), maskRow.end());
    }
    return out;
}

// The .ico file: its header, one directory entry per size, then the images.
std::vector<uint8_t> encodeIco() {
    std::vector<std::vector<uint8_t>> images;
    for (int size : icoSizes)
        images.push_back(size >= firstPngSize ? encodePng(size) : encodeIconBitmap(size));
    const uint32_t count = uint32_t(images.size());
    std::vector<uint8_t> out;
    putLittle16(out, 0);  // reserved
    putLittle16(out, icoTypeIcon);
    putLittle16(out, count);
    uint32_t offset = icoHeaderSize + icoEntrySize * count;
    for (uint32_t i = 0; i < count; ++i) {
        const int size = icoSizes[i];
        // Width and height are one byte each: 0 stands for 256.
        out.push_back(static_cast<uint8_t>(size % 256));
        out.push_back(static_cast<uint8_t>(size % 256));
        out.push_back(0);     // no palette
        out.push_back(0);     // reserved
        putLittle16(out, 1);  // planes
        putLittle16(out, icoBitsPerPixel);
        putLittle32(out, uint32_t(images[i].size()));
        putLittle32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::vector<uint8_t>& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

bool writeFile(const char* name, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", name);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "make_icon: writing %s failed\n", name);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "ico") == 0)
        return writeFile(argv[2], encodeIco()) ? 0 : 1;
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < minSize || size > maxSize || size % gridCells != 0) {
        std::fprintf(stderr,
                     "usage: make_icon SIZE OUTPUT.png  (SIZE %d to %d, a multiple of %d)\n"
                     "       make_icon ico OUTPUT.ico\n",
                     minSize, maxSize, gridCells);
        return 2;
    }
    return writeFile(argv[2], encodePng(size)) ? 0 : 1;
}
