// decodeBmp and loadBmp on files built byte by byte.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include "image/bmp_decoder.h"
#include "tests/image/test_data.h"

using namespace testing_image;

namespace {

using Rgb = std::array<uint8_t, 3>;
using Picture = std::vector<std::vector<Rgb>>;  // rows, bottom first

void put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// Where the parts of a file go: the info header's size (its fields past the
// first 40 bytes are zero), biClrUsed (0: a palette of 2^bits entries), a gap
// of filler bytes before the pixels, and bfOffBits (none: right after the
// gap).
struct Layout {
    uint32_t infoBytes = 40, coloursUsed = 0, gap = 0;
    std::optional<uint32_t> offset = std::nullopt;
};

// Palette entry i is red i, green 100 + i, blue 200 - i, so every index is
// told apart.
Rgb entry(uint32_t i) {
    return {uint8_t(i), uint8_t(100 + i), uint8_t(200 - i)};
}

// The headers and the palette (written blue, green, red, reserved) as a paint
// program writes them, then `pixels`.
Bytes bmp(int32_t width, int32_t height, uint32_t bits, uint32_t compression,
          const Bytes& pixels = {}, const Layout& l = {}) {
    const uint32_t entries = bits > 8 ? 0 : l.coloursUsed != 0 ? l.coloursUsed : 1u << bits;
    const uint32_t offset = l.offset.value_or(14 + l.infoBytes + 4 * entries + l.gap);
    Bytes out = {'B', 'M'};
    for (uint32_t v : {0u, 0u, offset, l.infoBytes, uint32_t(width), uint32_t(height),
                       1 | bits << 16, compression, 0u, 2835u, 2835u, l.coloursUsed, 0u}) {
        put32(out, v);
    }
    out.resize(14 + l.infoBytes, 0);
    for (uint32_t i = 0; i < entries; ++i)
        out.insert(out.end(), {entry(i)[2], entry(i)[1], entry(i)[0], 0});
    out.resize(out.size() + l.gap, 0xEE);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// The colours of palette indices.
std::vector<Rgb> ix(const std::vector<uint32_t>& indices) {
    std::vector<Rgb> out;
    for (uint32_t i : indices) out.push_back(entry(i));
    return out;
}

// Pixels listed row after row, bottom row first, as a picture `width` wide.
Picture rowsOf(uint32_t width, const std::vector<Rgb>& pixels) {
    Picture out;
    for (size_t i = 0; i < pixels.size(); i += width)
        out.emplace_back(pixels.begin() + long(i), pixels.begin() + long(i + width));
    return out;
}

// The picture the decoder must give: its rows bottom first, each on a 4-byte
// boundary with zero filler.
void expectPicture(const Image& image, const Picture& picture) {
    const size_t width = picture[0].size(), stride = (width * 3 + 3) / 4 * 4;
    ASSERT_TRUE(image.width == int32_t(width) && image.height == int32_t(picture.size()) &&
                image.channels == 3u)
        << image.width << "x" << image.height;
    for (size_t y = 0; y < picture.size(); ++y) {
        const uint8_t* row = image.pixels + y * stride;
        Bytes expected;
        for (const Rgb& pixel : picture[y])
            expected.insert(expected.end(), pixel.begin(), pixel.end());
        expected.resize(stride, 0);
        ASSERT_EQ(Bytes(row, row + stride), expected) << "row " << y;
    }
}

}  // namespace

// Pictures encoded here as paint programs write them: each row packed (at 1,
// 4 and 8 bits the first pixel in the high bits) and padded to 4 bytes, rows
// bottom-up or, with a negative height, top-down; behind 40- to 124-byte info
// headers, short palettes and gaps before the pixels. Each decodes to the
// picture it was built from, bottom row first.
TEST(Bmp, DecodesThePictureItWasBuiltFrom) {
    const Layout layouts[] = {{40},        {52, 0, 3}, {56},        {108},
                              {124, 0, 1}, {40, 1, 5}, {108, 2, 0}, {124, 3, 0}};
    std::mt19937 rng(7);
    int built = 0;
    for (uint32_t bits : {1u, 4u, 8u, 24u}) {
        for (int32_t width : {1, 2, 3, 4, 5, 7, 9, 13, 17, 20, 31, 33, 70}) {
            for (Layout layout : layouts) {
                // Short palettes: 1, 2 or 3 entries, none at 24 bits.
                layout.coloursUsed = bits == 24 ? 0 : std::min(layout.coloursUsed, 1u << bits);
                const bool topDown = ++built % 3 == 0;
                const int32_t height = 1 + int32_t(rng() % 4);
                SCOPED_TRACE(testing::Message()
                             << bits << " bits, " << width << "x" << height << ", info header "
                             << layout.infoBytes << ", gap " << layout.gap << ", "
                             << layout.coloursUsed << " colours" << (topDown ? ", top-down" : ""));
                const uint32_t entries = layout.coloursUsed != 0 ? layout.coloursUsed : 1u << bits;
                Picture picture(static_cast<size_t>(height));
                Bytes pixels;
                for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
                    std::vector<Rgb>& row =
                        picture[size_t(topDown ? height - 1 - fileRow : fileRow)];
                    uint32_t bit = 0;
                    const size_t rowStart = pixels.size();
                    for (int32_t x = 0; x < width; ++x, bit += bits) {
                        if (bits == 24) {
                            const Rgb colour = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
                            row.push_back(colour);
                            pixels.insert(pixels.end(), {colour[2], colour[1], colour[0]});
                            continue;
                        }
                        const uint32_t index = rng() % entries;
                        row.push_back(entry(index));
                        if (bit % 8 == 0) pixels.push_back(0);
                        pixels.back() = uint8_t(pixels.back() | index << (8 - bits - bit % 8));
                    }
                    while ((pixels.size() - rowStart) % 4 != 0) pixels.push_back(uint8_t(rng()));
                }
                const Bytes file = bmp(width, topDown ? -height : height, bits, 0, pixels, layout);
                Image image{};
                ASSERT_TRUE(decodeBmp(image, file.data(), file.size()));
                expectPicture(image, picture);
                std::free(image.pixels);
            }
        }
    }
}

// Hand-made files, each decoded from memory and loaded from disk: the cases
// of the format's description, truncated pixel data (black, or the skipped
// colour for RLE) and the RLE escapes and runs at and past a row's end.
TEST(Bmp, DecodesHandMadeFiles) {
    const Rgb k = {0, 0, 0};
    const struct {
        const char* what;
        Bytes file;
        uint32_t width;
        std::vector<Rgb> pixels;  // row after row, bottom first
    } cases[] = {
        {"24 bits swap to RGB",
         bmp(4, 1, 24, 0, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}),
         4,
         {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}},
        {"24 bits read raw whatever the compression says",
         bmp(1, 2, 24, 1, {1, 2, 3, 9, 4, 5, 6}),
         1,
         {{3, 2, 1}, {6, 5, 4}}},
        {"24 bits cut short", bmp(2, 2, 24, 0, {1, 2, 3, 4, 5}), 2, {{3, 2, 1}, k, k, k}},
        {"24 bits, headers only", bmp(3, 1, 24, 0), 3, {k, k, k}},
        {"8 bits, rows padded to 4 bytes", bmp(3, 2, 8, 0, {9, 8, 7, 255, 0, 128, 1, 255}), 3,
         ix({9, 8, 7, 0, 128, 1})},
        {"1 bit, 32 wide", bmp(32, 1, 1, 0, {0x80, 0x00, 0xFF, 0x01}), 32,
         ix({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
             1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1})},
        {"1 bit, 16 wide", bmp(16, 2, 1, 0, {0xA5, 0x01, 0xFF, 0xFF, 0xC0, 0x80}), 16,
         ix({1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1,
             1, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0})},
        {"4 bits, high nibble first", bmp(3, 2, 4, 0, {0x12, 0x30, 0, 0, 0x45, 0xF0}), 3,
         ix({1, 2, 3, 4, 5, 15})},
        {"8 bits cut short", bmp(4, 1, 8, 0, {2, 3}), 4, {entry(2), entry(3), k, k}},
        {"index past a short palette is black", bmp(2, 1, 8, 0, {1, 2}, {40, 2}), 2, {entry(1), k}},
        {"RLE8 run, end of line, end of bitmap", bmp(4, 3, 8, 1, {3, 7, 0, 0, 0, 1, 2, 9}), 4,
         ix({7, 7, 7, 255, 255, 255, 255, 255, 255, 255, 255, 255})},
        {"RLE8 end of line at a row start does nothing", bmp(2, 2, 8, 1, {2, 4, 0, 0, 2, 5, 0, 1}),
         2, ix({4, 4, 5, 5})},
        {"RLE8 row filled exactly needs no end of line", bmp(2, 2, 8, 1, {2, 4, 2, 5, 0, 1}), 2,
         ix({4, 4, 5, 5})},
        {"RLE8 end of line in mid row", bmp(3, 2, 8, 1, {1, 1, 0, 0, 1, 2, 0, 1}), 3,
         ix({1, 255, 255, 2, 255, 255})},
        {"RLE8 delta 2 right, 1 up", bmp(4, 3, 8, 1, {1, 5, 0, 2, 2, 1, 1, 9, 0, 1}), 4,
         ix({5, 255, 255, 255, 255, 255, 255, 9, 255, 255, 255, 255})},
        {"RLE8 odd absolute run padded (04 is no run)",
         bmp(5, 1, 8, 1, {0, 3, 5, 6, 7, 4, 2, 8, 0, 1}), 5, ix({5, 6, 7, 8, 8})},
        {"RLE8 even absolute run", bmp(5, 1, 8, 1, {0, 4, 10, 11, 12, 13, 1, 14}), 5,
         ix({10, 11, 12, 13, 14})},
        {"RLE8 without end of bitmap", bmp(3, 2, 8, 1, {2, 6}), 3, ix({6, 6, 255, 255, 255, 255})},
        {"RLE4 runs alternate nibbles", bmp(6, 1, 4, 2, {5, 0x12, 1, 0x30, 0, 1}), 6,
         ix({1, 2, 1, 2, 1, 3})},
        {"RLE4 absolute 3 in 2 bytes", bmp(4, 1, 4, 2, {0, 3, 0x34, 0x50, 1, 0x90, 0, 1}), 4,
         ix({3, 4, 5, 9})},
        {"RLE4 absolute 5 padded (02 is no run)",
         bmp(6, 1, 4, 2, {0, 5, 0x12, 0x34, 0x50, 2, 1, 0x70, 0, 1}), 6, ix({1, 2, 3, 4, 5, 7})},
        {"RLE4 delta and end of line", bmp(3, 3, 4, 2, {1, 0x10, 0, 0, 0, 2, 1, 1, 1, 0x20, 0, 1}),
         3, ix({1, 15, 15, 15, 15, 15, 15, 2, 15})},
        {"RLE8 run past the row's end is cut there",
         bmp(3, 2, 8, 1, {5, 7, 1, 8, 0, 0, 2, 9, 0, 1}), 3, ix({7, 7, 7, 9, 9, 255})},
        {"RLE8 run past the last row's end", bmp(2, 2, 8, 1, {255, 3}), 2, ix({3, 3, 255, 255})},
        {"RLE8 absolute run past the row's end",
         bmp(2, 2, 8, 1, {0, 3, 1, 2, 3, 0, 0, 0, 1, 4, 0, 1}), 2, ix({1, 2, 4, 255})},
        {"RLE4 run past the row's end", bmp(3, 2, 4, 2, {255, 0x56, 0, 0, 1, 0x70}), 3,
         ix({5, 6, 5, 7, 15, 15})},
        {"RLE4 absolute run past the row's end", bmp(2, 2, 4, 2, {0, 3, 0x12, 0x30, 0, 0, 1, 0x40}),
         2, ix({1, 2, 4, 15})},
        {"RLE8 top-down", bmp(2, -2, 8, 1, {2, 5, 0, 0, 1, 6, 0, 1}), 2, ix({6, 255, 5, 5})},
        {"RLE8 delta past the end", bmp(2, 2, 8, 1, {1, 4, 0, 2, 255, 255, 1, 6}), 2,
         ix({4, 255, 255, 255})},
        {"RLE8 cut in an absolute run", bmp(4, 1, 8, 1, {0, 4, 1, 2}), 4, ix({1, 2, 255, 255})},
        {"RLE8 cut in a delta", bmp(4, 1, 8, 1, {1, 1, 0, 2, 1}), 4, ix({1, 255, 255, 255})},
        {"RLE8 cut in a pair", bmp(4, 1, 8, 1, {1, 1, 3}), 4, ix({1, 255, 255, 255})},
        {"RLE4 cut in an absolute run", bmp(4, 1, 4, 2, {0, 4, 0x12}), 4, ix({1, 2, 15, 15})},
        {"RLE8 without pixel data", bmp(2, 1, 8, 1), 2, ix({255, 255})},
        {"RLE8 skipped pixels past a short palette are black",
         bmp(2, 1, 8, 1, {1, 1}, {40, 2}),
         2,
         {entry(1), k}},
        {"2048 wide", bmp(2048, 1, 24, 0), 2048, std::vector<Rgb>(2048, k)},
        {"2048 high, top-down", bmp(1, -2048, 8, 1, {1, 3, 0, 1}), 1,
         cat<Rgb>({ix(std::vector<uint32_t>(2047, 255)), ix({3})})},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool fromFile : {false, true}) {
            Image image{-5, -6, 42, nullptr};
            ASSERT_TRUE(fromFile ? loadBmp(image, dir.write("case.bmp", c.file).c_str())
                                 : decodeBmp(image, c.file.data(), c.file.size()));
            expectPicture(image, rowsOf(c.width, c.pixels));
            std::free(image.pixels);
        }
    }
    Image untouched{1, 2, 3, nullptr};
    for (const std::string& bad :
         {dir.path + "/missing.bmp", std::string(), dir.write("empty.bmp", {})}) {
        EXPECT_FALSE(loadBmp(untouched, bad.c_str())) << bad;
    }
    EXPECT_FALSE(loadBmp(untouched, nullptr));
    EXPECT_TRUE(untouched.width == 1 && untouched.pixels == nullptr);
}

// A refused file leaves the image as it was.
TEST(Bmp, RefusedFiles) {
    const Bytes good = bmp(2, 1, 8, 0, {1, 2, 0, 0});
    Bytes shortV5 = bmp(2, 1, 24, 0, {}, {124});
    shortV5.resize(14 + 123);
    const std::pair<const char*, Bytes> cases[] = {
        {"16 bits", bmp(2, 1, 16, 0)},
        {"32 bits", bmp(2, 1, 32, 0)},
        {"0 bits", bmp(2, 1, 0, 0)},
        {"2 bits", bmp(2, 1, 2, 0)},
        {"12 bits", bmp(2, 1, 12, 0)},
        {"compression 3", bmp(2, 1, 8, 3)},
        {"compression ~0", bmp(2, 1, 24, ~0u)},
        {"RLE8, 4 bits", bmp(2, 1, 4, 1)},
        {"RLE4, 8 bits", bmp(2, 1, 8, 2)},
        {"RLE of 1 bit", bmp(2, 1, 1, 1)},
        {"CM", flipped(good, 0, 1)},
        {"BL", flipped(good, 1, 1)},
        {"empty", {}},
        {"cut in biSize", Bytes(good.begin(), good.begin() + 17)},
        {"shorter than both headers", Bytes(good.begin(), good.begin() + 53)},
        {"shorter than a 124-byte info header", shortV5},
        {"info header of 12 bytes", bmp(2, 1, 24, 0, {}, {12})},
        {"info header of 64 bytes", bmp(2, 1, 24, 0, {}, {64})},
        {"info header of 41 bytes", bmp(2, 1, 24, 0, {}, {41})},
        {"offset 0", bmp(2, 1, 24, 0, {1, 2, 3, 4, 5, 6}, {40, 0, 0, 0})},
        {"offset inside the file header", bmp(2, 1, 24, 0, {1, 2, 3, 4, 5, 6}, {40, 0, 0, 13})},
        {"offset inside the info header", bmp(2, 1, 24, 0, {1, 2, 3, 4, 5, 6}, {108, 0, 0, 121})},
        {"offset inside the palette", bmp(2, 1, 8, 0, {1, 2, 0, 0}, {40, 4, 0, 14 + 40 + 15})},
        {"offset one past the end", bmp(2, 1, 24, 0, {1, 2, 3}, {40, 0, 0, 14 + 40 + 4})},
        {"palette cut in its second entry", Bytes(good.begin(), good.begin() + 14 + 40 + 6)},
        {"257 colours at 8 bits", bmp(2, 1, 8, 0, Bytes(1100), {40, 257})},
        {"3 colours at 1 bit", bmp(2, 1, 1, 0, {0, 0, 0, 0}, {40, 3})},
        {"width 0", bmp(0, 1, 24, 0)},
        {"height 0", bmp(2, 0, 24, 0)},
        {"width -2", bmp(-2, 1, 24, 0)},
        {"2049 wide", bmp(2049, 1, 24, 0)},
        {"65538 wide (2 in its low half)", bmp(65538, 1, 24, 0)},
        {"280 bits (24 in the low byte)", bmp(2, 1, 280, 0)},
        {"2049 high", bmp(1, 2049, 8, 1)},
        {"2049 high, top-down", bmp(1, -2049, 8, 1)},
        {"height INT32_MIN", bmp(1, INT32_MIN, 24, 0)},
        {"huge", bmp(INT32_MAX, INT32_MAX, 8, 1)},
    };
    for (const auto& [what, file] : cases) {
        uint8_t* const marker = reinterpret_cast<uint8_t*>(uintptr_t(0x99));
        Image image{-5, -6, 42, marker};
        EXPECT_FALSE(decodeBmp(image, file.data(), file.size())) << what;
        EXPECT_TRUE(image.width == -5 && image.height == -6 && image.channels == 42u &&
                    image.pixels == marker)
            << what;
    }
    Image image{};
    EXPECT_FALSE(decodeBmp(image, nullptr, 100));
}
