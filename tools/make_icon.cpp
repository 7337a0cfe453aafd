// Draws the program icon at one size and writes it as an RGBA PNG: four by
// four cells, each a bevelled block like Images/Block.bmp tinted in a piece
// colour, or transparent. The PNG holds stored (uncompressed) deflate blocks,
// so the tool needs no zlib; the package compresses it anyway.
//
//   make_icon SIZE OUTPUT.png      (SIZE 16 to 1024, a multiple of 4)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
constexpr uint32_t maxStoredBlock = 65535;  // RFC 1951 3.2.4: LEN is 16 bits
constexpr uint32_t adlerModulus = 65521;    // RFC 1950 8.2

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

// Rows of RGBA, top row first, each led by its PNG filter byte.
std::vector<uint8_t> drawScanlines(int size) {
    const int cell = size / gridCells;
    std::vector<uint8_t> lines;
    lines.reserve(size_t(size) * (1 + size_t(size) * 4));
    for (int y = 0; y < size; ++y) {
        lines.push_back(filterNone);
        for (int x = 0; x < size; ++x) {
            const Tint* tint = tintOf(cellRows[y / cell][x / cell]);
            if (tint == nullptr) {
                lines.insert(lines.end(), {0, 0, 0, 0});
                continue;
            }
            const unsigned grey = blockGrey(x % cell, y % cell, cell);
            lines.push_back(static_cast<uint8_t>(grey * tint->red / 255));
            lines.push_back(static_cast<uint8_t>(grey * tint->green / 255));
            lines.push_back(static_cast<uint8_t>(grey * tint->blue / 255));
            lines.push_back(255);
        }
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

// A zlib stream (RFC 1950) of stored deflate blocks (RFC 1951 3.2.4).
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& data) {
    // CMF 0x78: deflate with a 32K window; FLG 0x01: no dictionary, and
    // 0x7801 is a multiple of 31 as the header check wants.
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t done = 0;
    do {
        const uint32_t length = static_cast<uint32_t>(
            data.size() - done < maxStoredBlock ? data.size() - done : maxStoredBlock);
        const bool final = done + length == data.size();
        out.push_back(final ? 1 : 0);  // BFINAL, BTYPE 00; the rest of the byte pads
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), data.begin() + done, data.begin() + done + length);
        done += length;
    } while (done < data.size());
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
    putChunk(out, "IDAT", zlibStored(drawScanlines(size)));
    putChunk(out, "IEND", {});
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < minSize || size > maxSize || size % gridCells != 0) {
        std::fprintf(stderr,
                     "usage: make_icon SIZE OUTPUT.png  (SIZE %d to %d, a multiple of %d)\n",
                     minSize, maxSize, gridCells);
        return 2;
    }
    const std::vector<uint8_t> png = encodePng(size);
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "make_icon: writing %s failed\n", argv[2]);
        return 1;
    }
    return 0;
}
