// Draws the block texture and writes it as a 24-bit BMP: a light-grey square
// with a dark rim and a bevel lit from the top left, in greys only so that the
// colour of each cell tints it evenly.
//
//   make_block_texture Images/Block.bmp
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int blockSize = 32;  // a power of two; 32 * 3 bytes per row needs no padding
constexpr int bevelWidth = 4;  // pixels inside the rim
constexpr uint8_t rimGrey = 96;
constexpr uint8_t topGrey = 244;
constexpr uint8_t leftGrey = 228;
constexpr uint8_t rightGrey = 150;
constexpr uint8_t bottomGrey = 128;
constexpr uint8_t faceTopGrey = 212;     // the face darkens slightly downwards
constexpr uint8_t faceBottomGrey = 188;
constexpr uint32_t fileHeaderSize = 14;
constexpr uint32_t infoHeaderSize = 40;
constexpr uint16_t bitsPerPixel = 24;
constexpr int32_t pixelsPerMetre = 2835;  // 72 dpi

// The grey of pixel (x, y), y counted from the top row.
uint8_t greyAt(int x, int y) {
    const int last = blockSize - 1;
    if (x == 0 || y == 0 || x == last || y == last) return rimGrey;
    // Inside the rim: the distance to each edge, 1 next to the rim.
    const int top = y;
    const int left = x;
    const int bottom = last - y;
    const int right = last - x;
    int nearest = top;
    uint8_t grey = topGrey;
    // Ties go to the lit facets, so the corners split along the diagonals
    // with the light side winning the diagonal itself.
    if (left < nearest) {
        nearest = left;
        grey = leftGrey;
    }
    if (bottom < nearest) {
        nearest = bottom;
        grey = bottomGrey;
    }
    if (right < nearest) {
        nearest = right;
        grey = rightGrey;
    }
    if (nearest <= bevelWidth) return grey;
    // The face, from just below the top bevel to just above the bottom one.
    const int faceTop = bevelWidth + 1;
    const int faceRows = last - 2 * faceTop;
    const int step = y - faceTop;
    return static_cast<uint8_t>(faceTopGrey - (faceTopGrey - faceBottomGrey) * step / faceRows);
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::vector<uint8_t> encodeBmp() {
    const uint32_t rowBytes = blockSize * 3;
    const uint32_t pixelBytes = rowBytes * blockSize;
    const uint32_t pixelOffset = fileHeaderSize + infoHeaderSize;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + pixelBytes);
    put32(out, 0);  // reserved
    put32(out, pixelOffset);
    put32(out, infoHeaderSize);
    put32(out, blockSize);
    put32(out, blockSize);  // positive height: rows stored bottom-up
    put16(out, 1);          // planes
    put16(out, bitsPerPixel);
    put32(out, 0);  // no compression
    put32(out, pixelBytes);
    put32(out, pixelsPerMetre);
    put32(out, pixelsPerMetre);
    put32(out, 0);  // no palette
    put32(out, 0);
    for (int row = blockSize - 1; row >= 0; --row) {
        for (int x = 0; x < blockSize; ++x) {
            const uint8_t grey = greyAt(x, row);
            out.push_back(grey);  // blue, green, red
            out.push_back(grey);
            out.push_back(grey);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_block_texture OUTPUT.bmp\n");
        return 2;
    }
    const std::vector<uint8_t> bmp = encodeBmp();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_block_texture: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bmp.data(), 1, bmp.size(), file) == bmp.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "make_block_texture: writing %s failed\n", argv[1]);
        return 1;
    }
    return 0;
}
