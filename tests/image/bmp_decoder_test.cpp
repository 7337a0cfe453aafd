// decodeBmp and loadBmp on files built byte by byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/bmp_decoder.h"
#include "tests/image/png_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// File header and 40-byte info header, as a paint program writes them.
Bytes header(int32_t width, int32_t height, uint32_t bits, uint32_t compression) {
    Bytes out = {'B', 'M'};
    put32(out, 0);  // file size: not used
    put32(out, 0);
    const uint32_t paletteBytes = bits <= 8 ? (1u << bits) * 4 : 0;
    put32(out, 54 + paletteBytes);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, compression);
    put32(out, 0);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    return out;
}

// Entry i is red i, green 100 + i, blue 200 - i, so every index is told
// apart; written blue, green, red, reserved.
struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
Rgb entryColour(uint32_t i) {
    return {static_cast<uint8_t>(i), static_cast<uint8_t>(100 + i), static_cast<uint8_t>(200 - i)};
}

Bytes withPalette(Bytes file, uint32_t bits) {
    for (uint32_t i = 0; i < (1u << bits); ++i) {
        const Rgb c = entryColour(i);
        file.insert(file.end(), {c.b, c.g, c.r, 0});
    }
    return file;
}

Bytes palettised(int32_t width, int32_t height, uint32_t bits, uint32_t compression, const Bytes& pixels) {
    Bytes file = withPalette(header(width, height, bits, compression), bits);
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

struct Decoded {
    bool ok;
    Image image;
    std::vector<Rgb> pixels;
};

Decoded decode(const Bytes& file) {
    Decoded d{false, Image{-5, -6, 42, nullptr}, {}};
    d.ok = decodeBmp(d.image, file.data(), file.size());
    if (d.ok) {
        const size_t count = size_t(d.image.width) * size_t(d.image.height);
        for (size_t p = 0; p < count; ++p) {
            d.pixels.push_back({d.image.pixels[3 * p], d.image.pixels[3 * p + 1], d.image.pixels[3 * p + 2]});
        }
        std::free(d.image.pixels);
    }
    return d;
}

// Decodes and checks size, channels and every pixel against palette indices.
void expectIndices(const Bytes& file, int32_t width, int32_t height, const std::vector<uint32_t>& indices,
                   const std::string& what) {
    const Decoded d = decode(file);
    ASSERT_TRUE(d.ok) << what;
    EXPECT_EQ(d.image.width, width) << what;
    EXPECT_EQ(d.image.height, height) << what;
    EXPECT_EQ(d.image.channels, 3u) << what;
    ASSERT_EQ(d.pixels.size(), indices.size()) << what;
    for (size_t p = 0; p < indices.size(); ++p) {
        ASSERT_TRUE(d.pixels[p] == entryColour(indices[p])) << what << " pixel " << p << " wants index " << indices[p];
    }
}

void expectRefused(const Bytes& file, const std::string& what) {
    Image image{-5, -6, 42, reinterpret_cast<uint8_t*>(uintptr_t(0x99))};
    EXPECT_FALSE(decodeBmp(image, file.data(), file.size())) << what;
    EXPECT_EQ(image.width, -5) << what;
    EXPECT_EQ(image.height, -6) << what;
    EXPECT_EQ(image.channels, 42u) << what;
    EXPECT_EQ(image.pixels, reinterpret_cast<uint8_t*>(uintptr_t(0x99))) << what;
}

std::vector<uint32_t> repeatIndex(uint32_t index, size_t count) { return std::vector<uint32_t>(count, index); }

std::vector<uint32_t> concat(std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(BmpUncompressed, TwentyFourBitsSwapToRgbInFileOrder) {
    Bytes file = header(4, 1, 24, 0);
    file.insert(file.end(), {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF});
    const Decoded d = decode(file);
    ASSERT_TRUE(d.ok);
    const std::vector<Rgb> want = {{0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}, {0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(d.pixels, want);

    // Rows follow each other without padding and stay in file order: a 3x2
    // file holds 18 pixel bytes, the first row of the file is row 0.
    Bytes two = header(3, 2, 24, 0);
    for (uint8_t i = 0; i < 18; ++i) two.push_back(i);
    const Decoded d2 = decode(two);
    ASSERT_TRUE(d2.ok);
    for (uint8_t p = 0; p < 6; ++p) {
        EXPECT_TRUE(d2.pixels[p] == (Rgb{uint8_t(3 * p + 2), uint8_t(3 * p + 1), uint8_t(3 * p)})) << int(p);
    }
    // Whatever the compression field says (0, 1 or 2), 24 bits are read raw.
    Bytes rle = header(3, 2, 24, 1);
    rle.insert(rle.end(), two.begin() + 54, two.end());
    EXPECT_EQ(decode(rle).pixels, d2.pixels);
}

TEST(BmpUncompressed, PalettisedOneFourAndEightBits) {
    expectIndices(palettised(4, 1, 8, 0, {0, 1, 2, 3}), 4, 1, {0, 1, 2, 3}, "8-bit");
    expectIndices(palettised(3, 2, 8, 0, {9, 8, 7, 255, 0, 128}), 3, 2, {9, 8, 7, 255, 0, 128}, "8-bit 3x2");
    // 1 bit, 32 wide: 0x80 is entry 1 and seven times entry 0.
    expectIndices(palettised(32, 1, 1, 0, {0x80, 0x00, 0xFF, 0x01}), 32, 1,
                  concat(concat({1, 0, 0, 0, 0, 0, 0, 0}, repeatIndex(0, 8)),
                         concat(repeatIndex(1, 8), {0, 0, 0, 0, 0, 0, 0, 1})),
                  "1-bit");
    // 4 bits, high nibble first; rows are not padded, so a 3x2 image takes
    // three bytes.
    expectIndices(palettised(3, 2, 4, 0, {0x12, 0x34, 0x5F}), 3, 2, {1, 2, 3, 4, 5, 15}, "4-bit");
    // 1 bit with a width that is not a multiple of 8: pixels run on across rows.
    expectIndices(palettised(5, 2, 1, 0, {0xA5, 0xC0}), 5, 2, {1, 0, 1, 0, 0, 1, 0, 1, 1, 1}, "1-bit 5x2");
}

TEST(BmpRle8, Escapes) {
    // 03 07, end of line, end of bitmap: first row 7 7 7 255, the rest 255.
    expectIndices(palettised(4, 3, 8, 1, {3, 7, 0, 0, 0, 1}), 4, 3, concat({7, 7, 7, 255}, repeatIndex(255, 8)),
                  "run, end of line, end of bitmap");
    // End of line at the start of a row does nothing.
    expectIndices(palettised(2, 2, 8, 1, {2, 4, 0, 0, 2, 5, 0, 1}), 2, 2, {4, 4, 5, 5}, "end of line at row start");
    // Delta 2 right, 1 up: the skipped pixels take 255.
    expectIndices(palettised(4, 3, 8, 1, {1, 5, 0, 2, 2, 1, 1, 9, 0, 1}), 4, 3,
                  concat({5, 255, 255, 255, 255, 255, 255, 9}, repeatIndex(255, 4)), "delta");
    // Absolute run of 3 is padded by one byte (04 here, which would read as a
    // run of four 2s if it were not skipped).
    expectIndices(palettised(5, 1, 8, 1, {0, 3, 5, 6, 7, 4, 2, 8, 0, 1}), 5, 1, {5, 6, 7, 8, 8}, "odd absolute run");
    // An even absolute run has no padding.
    expectIndices(palettised(5, 1, 8, 1, {0, 4, 10, 11, 12, 13, 1, 14}), 5, 1, {10, 11, 12, 13, 14}, "even absolute run");
    // The stream ends without end of bitmap: what it never reached is 255.
    expectIndices(palettised(3, 2, 8, 1, {2, 6}), 3, 2, {6, 6, 255, 255, 255, 255}, "no end of bitmap");
    // An end of line in mid row fills the rest of the row.
    expectIndices(palettised(3, 2, 8, 1, {1, 1, 0, 0, 1, 2, 0, 1}), 3, 2, {1, 255, 255, 2, 255, 255}, "end of line");
}

TEST(BmpRle4, Escapes) {
    // Encoded runs alternate high and low nibble.
    expectIndices(palettised(6, 1, 4, 2, {5, 0x12, 1, 0x30, 0, 1}), 6, 1, {1, 2, 1, 2, 1, 3}, "runs");
    // Absolute run of 3 pixels takes 2 bytes: no padding.
    expectIndices(palettised(4, 1, 4, 2, {0, 3, 0x34, 0x50, 1, 0x90, 0, 1}), 4, 1, {3, 4, 5, 9}, "absolute 3");
    // Absolute run of 5 pixels takes 3 bytes: one byte of padding (0x02,
    // which would read as a run if it were not skipped).
    expectIndices(palettised(6, 1, 4, 2, {0, 5, 0x12, 0x34, 0x50, 0x02, 1, 0x70, 0, 1}), 6, 1, {1, 2, 3, 4, 5, 7},
                  "absolute 5");
    // Skipped pixels take 15; delta and end of line.
    expectIndices(palettised(3, 3, 4, 2, {1, 0x10, 0, 0, 0, 2, 1, 1, 1, 0x20, 0, 1}), 3, 3,
                  {1, 15, 15, 15, 15, 15, 15, 2, 15}, "delta, end of line");
}

TEST(BmpRle, RunsPastTheImageAndTruncatedFilesStayInside) {
    // A run of 255 into a 2x2 image, an absolute run past the end, a delta
    // far past the end: none of them writes outside the image.
    expectIndices(palettised(2, 2, 8, 1, {255, 3}), 2, 2, {3, 3, 3, 3}, "run past the end");
    expectIndices(palettised(2, 1, 8, 1, {1, 4, 0, 5, 1, 2, 3, 4, 5, 0, 1, 9}), 2, 1, {4, 1}, "absolute past the end");
    expectIndices(palettised(2, 2, 8, 1, {1, 4, 0, 2, 255, 255, 1, 6}), 2, 2, {4, 255, 255, 255}, "delta past the end");
    expectIndices(palettised(3, 1, 4, 2, {255, 0x56}), 3, 1, {5, 6, 5}, "RLE4 run past the end");
    // Truncated inside an absolute run, a delta, a pair.
    expectIndices(palettised(4, 1, 8, 1, {0, 4, 1, 2}), 4, 1, {1, 2, 255, 255}, "cut absolute run");
    expectIndices(palettised(4, 1, 8, 1, {1, 1, 0, 2, 1}), 4, 1, {1, 255, 255, 255}, "cut delta");
    expectIndices(palettised(4, 1, 8, 1, {1, 1, 3}), 4, 1, {1, 255, 255, 255}, "cut pair");
    expectIndices(palettised(4, 1, 4, 2, {0, 4, 0x12}), 4, 1, {1, 2, 15, 15}, "cut RLE4 absolute run");
    // A file that ends right after the palette: every pixel is skipped.
    expectIndices(palettised(2, 1, 8, 1, {}), 2, 1, {255, 255}, "no pixel data");
}

TEST(BmpTruncated, MissingPixelsAndPaletteEntriesAreBlack) {
    // 24 bits, one and a half pixels of a 2x2 image present.
    Bytes file = header(2, 2, 24, 0);
    file.insert(file.end(), {1, 2, 3, 4, 5});
    Decoded d = decode(file);
    ASSERT_TRUE(d.ok);
    const std::vector<Rgb> want = {{3, 2, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(d.pixels, want);
    // Uncompressed indices cut short.
    d = decode(palettised(4, 1, 8, 0, {2, 3}));
    ASSERT_TRUE(d.ok);
    const std::vector<Rgb> want8 = {entryColour(2), entryColour(3), {0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(d.pixels, want8);
    // A palette cut inside its second entry: no pixel data, all black.
    Bytes shortPalette = header(2, 1, 1, 0);
    shortPalette.insert(shortPalette.end(), {10, 20, 30, 0, 40, 50});
    d = decode(shortPalette);
    ASSERT_TRUE(d.ok);
    const std::vector<Rgb> black = {{0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(d.pixels, black);
    // Exactly the two headers: accepted, all black.
    d = decode(header(3, 1, 24, 0));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, std::vector<Rgb>(3, Rgb{0, 0, 0}));
}

TEST(BmpHeader, RefusedFiles) {
    Bytes good = palettised(2, 1, 8, 0, {1, 2});
    ASSERT_TRUE(decode(good).ok);
    expectRefused(header(2, 1, 16, 0), "16 bits");
    expectRefused(header(2, 1, 32, 0), "32 bits");
    expectRefused(header(2, 1, 0, 0), "0 bits");
    expectRefused(header(2, 1, 2, 0), "2 bits");
    expectRefused(header(2, 1, 12, 0), "12 bits");
    expectRefused(header(2, 1, 8, 3), "compression 3");
    expectRefused(header(2, 1, 24, 0xFFFFFFFF), "compression huge");
    expectRefused(header(2, 1, 4, 1), "RLE8 with 4-bit indices");
    expectRefused(header(2, 1, 8, 2), "RLE4 with 8-bit indices");
    expectRefused(header(2, 1, 1, 1), "RLE with 1-bit indices");
    Bytes notBm = good;
    notBm[0] = 'P';
    expectRefused(notBm, "not BM");
    expectRefused(Bytes(good.begin(), good.begin() + 53), "shorter than both headers");
    expectRefused({}, "empty");
    expectRefused(header(0, 1, 24, 0), "width 0");
    expectRefused(header(2, 0, 24, 0), "height 0");
    expectRefused(header(-2, 1, 24, 0), "negative width");
    expectRefused(header(2, -1, 24, 0), "top-down");
    expectRefused(header(16385, 1, 24, 0), "too wide");
    expectRefused(header(1, 16385, 8, 1), "too high");
    expectRefused(header(INT32_MAX, INT32_MAX, 8, 1), "huge");
    Image image{};
    EXPECT_FALSE(decodeBmp(image, nullptr, 100));
}

TEST(BmpFiles, LoadBmpReadsTheWholeFile) {
    testing_png::TempDir dir;
    const Bytes file = palettised(4, 3, 8, 1, {3, 7, 0, 0, 0, 1});
    const std::string name = (dir.path() / "Block.bmp").string();
    std::FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
    std::fclose(f);

    Image image{};
    ASSERT_TRUE(loadBmp(image, name.c_str()));
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.channels, 3u);
    EXPECT_EQ(image.pixels[0], entryColour(7).r);
    EXPECT_EQ(image.pixels[3 * 3 + 1], entryColour(255).g);
    std::free(image.pixels);

    Image untouched{1, 2, 3, nullptr};
    EXPECT_FALSE(loadBmp(untouched, (dir.path() / "missing.bmp").string().c_str()));
    EXPECT_FALSE(loadBmp(untouched, ""));
    EXPECT_FALSE(loadBmp(untouched, nullptr));
    EXPECT_EQ(untouched.width, 1);
    EXPECT_EQ(untouched.pixels, nullptr);
}
