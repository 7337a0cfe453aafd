// decodeBmp and loadBmp on files built byte by byte.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/bmp_decoder.h"
#include "tests/image/test_data.h"

using namespace testing_image;

namespace {

using Rgb = std::array<uint8_t, 3>;

// File header and 40-byte info header, as a paint program writes them, and
// `more` after them.
Bytes bmp(int32_t width, int32_t height, uint32_t bits, uint32_t compression, const Bytes& more = {}) {
    Bytes out = {'B', 'M'};
    for (uint32_t v : {0u, 0u, 54 + (bits <= 8 ? 4u << bits : 0), 40u, uint32_t(width), uint32_t(height),
                       1 | bits << 16, compression, 0u, 2835u, 2835u, 0u, 0u}) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    }
    out.insert(out.end(), more.begin(), more.end());
    return out;
}

// Entry i is red i, green 100 + i, blue 200 - i, so every index is told
// apart; written blue, green, red, reserved.
Rgb entry(uint32_t i) { return {uint8_t(i), uint8_t(100 + i), uint8_t(200 - i)}; }

// A file with the whole palette of 2^bits entries, then `pixels`.
Bytes indexed(int32_t width, int32_t height, uint32_t bits, uint32_t compression, const Bytes& pixels) {
    Bytes palette;
    for (uint32_t i = 0; i < (1u << bits); ++i) {
        palette.insert(palette.end(), {entry(i)[2], entry(i)[1], entry(i)[0], 0});
    }
    palette.insert(palette.end(), pixels.begin(), pixels.end());
    return bmp(width, height, bits, compression, palette);
}

// The colours of palette indices.
std::vector<Rgb> ix(const std::vector<uint32_t>& indices) {
    std::vector<Rgb> out;
    for (uint32_t i : indices) out.push_back(entry(i));
    return out;
}

}  // namespace

// Each file decoded from memory and loaded from disk. Rows follow each other
// without padding and stay in file order; runs, deltas and absolute runs stop
// at the image's end; what a file never reaches is black (uncompressed) or
// the last palette entry (RLE).
TEST(Bmp, DecodesEveryKind) {
    const Rgb k = {0, 0, 0};
    const Bytes ramp = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    const std::vector<Rgb> rampPixels = {{2, 1, 0}, {5, 4, 3}, {8, 7, 6}, {11, 10, 9}, {14, 13, 12}, {17, 16, 15}};
    const struct { const char* what; Bytes file; int32_t width, height; std::vector<Rgb> pixels; } cases[] = {
        {"24 bits swap to RGB", bmp(4, 1, 24, 0, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}), 4, 1,
         {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}},
        {"24 bits, 3x2 in file order", bmp(3, 2, 24, 0, ramp), 3, 2, rampPixels},
        {"24 bits read raw whatever the compression says", bmp(3, 2, 24, 1, ramp), 3, 2, rampPixels},
        {"24 bits cut short", bmp(2, 2, 24, 0, {1, 2, 3, 4, 5}), 2, 2, {{3, 2, 1}, k, k, k}},
        {"24 bits, headers only", bmp(3, 1, 24, 0), 3, 1, {k, k, k}},
        {"8 bits", indexed(3, 2, 8, 0, {9, 8, 7, 255, 0, 128}), 3, 2, ix({9, 8, 7, 255, 0, 128})},
        {"1 bit, 32 wide", indexed(32, 1, 1, 0, {0x80, 0x00, 0xFF, 0x01}), 32, 1,
         ix({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1})},
        {"1 bit runs on across rows", indexed(5, 2, 1, 0, {0xA5, 0xC0}), 5, 2, ix({1, 0, 1, 0, 0, 1, 0, 1, 1, 1})},
        {"4 bits, high nibble first", indexed(3, 2, 4, 0, {0x12, 0x34, 0x5F}), 3, 2, ix({1, 2, 3, 4, 5, 15})},
        {"8 bits cut short", indexed(4, 1, 8, 0, {2, 3}), 4, 1, {entry(2), entry(3), k, k}},
        {"palette cut in its second entry", bmp(2, 1, 1, 0, {10, 20, 30, 0, 40, 50}), 2, 1, {k, k}},
        {"RLE8 run, end of line, end of bitmap", indexed(4, 3, 8, 1, {3, 7, 0, 0, 0, 1, 2, 9}), 4, 3,
         ix({7, 7, 7, 255, 255, 255, 255, 255, 255, 255, 255, 255})},
        {"RLE8 end of line at a row start does nothing", indexed(2, 2, 8, 1, {2, 4, 0, 0, 2, 5, 0, 1}), 2, 2,
         ix({4, 4, 5, 5})},
        {"RLE8 end of line in mid row", indexed(3, 2, 8, 1, {1, 1, 0, 0, 1, 2, 0, 1}), 3, 2,
         ix({1, 255, 255, 2, 255, 255})},
        {"RLE8 delta 2 right, 1 up", indexed(4, 3, 8, 1, {1, 5, 0, 2, 2, 1, 1, 9, 0, 1}), 4, 3,
         ix({5, 255, 255, 255, 255, 255, 255, 9, 255, 255, 255, 255})},
        {"RLE8 odd absolute run padded (04 is no run)", indexed(5, 1, 8, 1, {0, 3, 5, 6, 7, 4, 2, 8, 0, 1}), 5, 1,
         ix({5, 6, 7, 8, 8})},
        {"RLE8 even absolute run", indexed(5, 1, 8, 1, {0, 4, 10, 11, 12, 13, 1, 14}), 5, 1, ix({10, 11, 12, 13, 14})},
        {"RLE8 without end of bitmap", indexed(3, 2, 8, 1, {2, 6}), 3, 2, ix({6, 6, 255, 255, 255, 255})},
        {"RLE4 runs alternate nibbles", indexed(6, 1, 4, 2, {5, 0x12, 1, 0x30, 0, 1}), 6, 1, ix({1, 2, 1, 2, 1, 3})},
        {"RLE4 absolute 3 in 2 bytes", indexed(4, 1, 4, 2, {0, 3, 0x34, 0x50, 1, 0x90, 0, 1}), 4, 1, ix({3, 4, 5, 9})},
        {"RLE4 absolute 5 padded (02 is no run)", indexed(6, 1, 4, 2, {0, 5, 0x12, 0x34, 0x50, 2, 1, 0x70, 0, 1}), 6, 1,
         ix({1, 2, 3, 4, 5, 7})},
        {"RLE4 delta and end of line", indexed(3, 3, 4, 2, {1, 0x10, 0, 0, 0, 2, 1, 1, 1, 0x20, 0, 1}), 3, 3,
         ix({1, 15, 15, 15, 15, 15, 15, 2, 15})},
        {"RLE8 run past the end", indexed(2, 2, 8, 1, {255, 3}), 2, 2, ix({3, 3, 3, 3})},
        {"RLE8 absolute run past the end", indexed(2, 1, 8, 1, {1, 4, 0, 5, 1, 2, 3, 4, 5, 0, 1, 9}), 2, 1, ix({4, 1})},
        {"RLE8 delta past the end", indexed(2, 2, 8, 1, {1, 4, 0, 2, 255, 255, 1, 6}), 2, 2, ix({4, 255, 255, 255})},
        {"RLE4 run past the end", indexed(3, 1, 4, 2, {255, 0x56}), 3, 1, ix({5, 6, 5})},
        {"RLE8 cut in an absolute run", indexed(4, 1, 8, 1, {0, 4, 1, 2}), 4, 1, ix({1, 2, 255, 255})},
        {"RLE8 cut in a delta", indexed(4, 1, 8, 1, {1, 1, 0, 2, 1}), 4, 1, ix({1, 255, 255, 255})},
        {"RLE8 cut in a pair", indexed(4, 1, 8, 1, {1, 1, 3}), 4, 1, ix({1, 255, 255, 255})},
        {"RLE4 cut in an absolute run", indexed(4, 1, 4, 2, {0, 4, 0x12}), 4, 1, ix({1, 2, 15, 15})},
        {"RLE8 without pixel data", indexed(2, 1, 8, 1, {}), 2, 1, ix({255, 255})},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool fromFile : {false, true}) {
            Image image{-5, -6, 42, nullptr};
            ASSERT_TRUE(fromFile ? loadBmp(image, dir.write("case.bmp", c.file).c_str())
                                 : decodeBmp(image, c.file.data(), c.file.size()));
            EXPECT_TRUE(image.width == c.width && image.height == c.height && image.channels == 3u);
            std::vector<Rgb> pixels(size_t(image.width) * size_t(image.height));
            std::memcpy(pixels.data(), image.pixels, pixels.size() * 3);
            std::free(image.pixels);
            EXPECT_EQ(pixels, c.pixels) << (fromFile ? "loaded" : "decoded");
        }
    }
    Image untouched{1, 2, 3, nullptr};
    for (const std::string& bad : {dir.path + "/missing.bmp", std::string(), dir.write("empty.bmp", {})}) {
        EXPECT_FALSE(loadBmp(untouched, bad.c_str())) << bad;
    }
    EXPECT_FALSE(loadBmp(untouched, nullptr));
    EXPECT_TRUE(untouched.width == 1 && untouched.pixels == nullptr);
}

// A refused file leaves the image as it was.
TEST(Bmp, RefusedFiles) {
    const Bytes good = indexed(2, 1, 8, 0, {1, 2});
    const std::pair<const char*, Bytes> cases[] = {
        {"16 bits", bmp(2, 1, 16, 0)}, {"32 bits", bmp(2, 1, 32, 0)}, {"0 bits", bmp(2, 1, 0, 0)},
        {"2 bits", bmp(2, 1, 2, 0)}, {"12 bits", bmp(2, 1, 12, 0)}, {"compression 3", bmp(2, 1, 8, 3)},
        {"compression ~0", bmp(2, 1, 24, ~0u)}, {"RLE8, 4 bits", bmp(2, 1, 4, 1)}, {"RLE4, 8 bits", bmp(2, 1, 8, 2)},
        {"RLE of 1 bit", bmp(2, 1, 1, 1)}, {"CM", flipped(good, 0, 1)}, {"BL", flipped(good, 1, 1)}, {"empty", {}},
        {"shorter than both headers", Bytes(good.begin(), good.begin() + 53)}, {"width 0", bmp(0, 1, 24, 0)},
        {"height 0", bmp(2, 0, 24, 0)}, {"width -2", bmp(-2, 1, 24, 0)}, {"top-down", bmp(2, -1, 24, 0)},
        {"too wide", bmp(16385, 1, 24, 0)}, {"too high", bmp(1, 16385, 8, 1)},
        {"huge", bmp(INT32_MAX, INT32_MAX, 8, 1)},
    };
    for (const auto& [what, file] : cases) {
        uint8_t* const marker = reinterpret_cast<uint8_t*>(uintptr_t(0x99));
        Image image{-5, -6, 42, marker};
        EXPECT_FALSE(decodeBmp(image, file.data(), file.size())) << what;
        EXPECT_TRUE(image.width == -5 && image.height == -6 && image.channels == 42u && image.pixels == marker) << what;
    }
    Image image{};
    EXPECT_FALSE(decodeBmp(image, nullptr, 100));
}
