// decodePng on files that libpng wrote from known samples, and on hand-made
// files for the chunk walk's corners.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "image/png_decoder.h"
#include "tests/image/png_files.h"

using namespace testing_png;

namespace {

// A pixel as the decoder should deliver it, top row first.
using Pixels = std::vector<std::vector<uint8_t>>;  // rows of channels * width bytes

struct Picture {
    PngRequest request;
    std::vector<std::vector<uint8_t>> rows;  // what libpng gets
    Pixels expected;                          // what the decoder must give
    uint32_t channels;
};

uint32_t strideOf(uint32_t width, uint32_t channels) { return (width * channels + 3) / 4 * 4; }

// Samples with gradients, noise and flat stretches, so every filter has
// something to predict.
uint8_t sampleAt(uint32_t x, uint32_t y, uint32_t c, std::mt19937& rng) {
    switch ((x / 3 + y) % 4) {
    case 0: return static_cast<uint8_t>(x * 7 + y * 3 + c * 50);
    case 1: return static_cast<uint8_t>(rng());
    case 2: return static_cast<uint8_t>(200 + c);
    default: return static_cast<uint8_t>(255 - x - y);
    }
}

Picture truecolour(uint32_t width, uint32_t height, bool alpha, int filters, uint32_t seed) {
    std::mt19937 rng(seed);
    Picture p;
    p.channels = alpha ? 4 : 3;
    p.request.width = width;
    p.request.height = height;
    p.request.colourType = alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    p.request.filters = filters;
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint8_t> row;
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t c = 0; c < p.channels; ++c) row.push_back(sampleAt(x, y, c, rng));
        }
        p.rows.push_back(row);
        p.expected.push_back(row);
    }
    return p;
}

std::vector<png_color> randomPalette(uint32_t entries, std::mt19937& rng) {
    std::vector<png_color> palette(entries);
    for (png_color& c : palette) {
        c.red = static_cast<png_byte>(rng());
        c.green = static_cast<png_byte>(rng());
        c.blue = static_cast<png_byte>(rng());
    }
    return palette;
}

// Packs samples of `depth` bits most significant first, as PNG rows do.
std::vector<uint8_t> packRow(const std::vector<uint32_t>& samples, int depth) {
    std::vector<uint8_t> row((samples.size() * depth + 7) / 8, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        const size_t bit = i * depth;
        row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (samples[i] << (8 - depth - bit % 8)));
    }
    return row;
}

Picture paletted(uint32_t width, uint32_t height, int depth, uint32_t entries, int filters, uint32_t seed) {
    std::mt19937 rng(seed);
    Picture p;
    p.channels = 3;
    p.request.width = width;
    p.request.height = height;
    p.request.colourType = PNG_COLOR_TYPE_PALETTE;
    p.request.bitDepth = depth;
    p.request.filters = filters;
    p.request.palette = randomPalette(entries, rng);
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint32_t> indices;
        std::vector<uint8_t> pixels;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t index = (x + y) % 5 == 0 ? rng() % entries : (x / 2 + y) % entries;
            indices.push_back(index);
            const png_color c = p.request.palette[index];
            pixels.insert(pixels.end(), {c.red, c.green, c.blue});
        }
        p.rows.push_back(packRow(indices, depth));
        p.expected.push_back(pixels);
    }
    return p;
}

Picture grey(uint32_t width, uint32_t height, int depth, bool alpha, uint32_t seed) {
    std::mt19937 rng(seed);
    Picture p;
    p.channels = alpha ? 4 : 3;
    p.request.width = width;
    p.request.height = height;
    p.request.colourType = alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
    p.request.bitDepth = depth;
    const uint32_t top = (1u << depth) - 1;
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint32_t> samples;
        std::vector<uint8_t> pixels;
        std::vector<uint8_t> raw;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t g = (x + 2 * y + rng() % 2) % (top + 1);
            const uint8_t full = static_cast<uint8_t>(g * 255 / top);
            pixels.insert(pixels.end(), {full, full, full});
            samples.push_back(g);
            if (alpha) {
                const uint8_t a = static_cast<uint8_t>(rng());
                pixels.push_back(a);
                raw.insert(raw.end(), {static_cast<uint8_t>(g), a});
            }
        }
        p.rows.push_back(alpha ? raw : packRow(samples, depth));
        p.expected.push_back(pixels);
    }
    return p;
}

// Decodes and compares every pixel after flipping, and the row filler.
void expectDecodes(const std::vector<uint8_t>& file, const Picture& p, const std::string& what) {
    Image image{-1, -1, 99, nullptr};
    ASSERT_TRUE(decodePng(image, file.data(), static_cast<uint32_t>(file.size()))) << what;
    ASSERT_NE(image.pixels, nullptr) << what;
    EXPECT_EQ(image.width, static_cast<int32_t>(p.request.width)) << what;
    EXPECT_EQ(image.height, static_cast<int32_t>(p.request.height)) << what;
    EXPECT_EQ(image.channels, p.channels) << what;
    const uint32_t stride = strideOf(p.request.width, p.channels);
    const uint32_t rowBytes = p.request.width * p.channels;
    for (uint32_t y = 0; y < p.request.height; ++y) {
        const uint8_t* row = image.pixels + size_t(p.request.height - 1 - y) * stride;
        for (uint32_t i = 0; i < rowBytes; ++i) {
            ASSERT_EQ(row[i], p.expected[y][i]) << what << " top row " << y << " byte " << i;
        }
        for (uint32_t i = rowBytes; i < stride; ++i) ASSERT_EQ(row[i], 0) << what << " filler";
    }
    std::free(image.pixels);
}

void expectRefused(const std::vector<uint8_t>& file, const std::string& what) {
    Image image{-7, -8, 77, reinterpret_cast<uint8_t*>(uintptr_t(0x1234))};
    EXPECT_FALSE(decodePng(image, file.data(), static_cast<uint32_t>(file.size()))) << what;
    // A refused file leaves the image as it was.
    EXPECT_EQ(image.width, -7) << what;
    EXPECT_EQ(image.height, -8) << what;
    EXPECT_EQ(image.channels, 77u) << what;
    EXPECT_EQ(image.pixels, reinterpret_cast<uint8_t*>(uintptr_t(0x1234))) << what;
}

const int singleFilters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};

// The filter type bytes libpng actually wrote, so the tests know they cover
// what they claim.
std::vector<uint8_t> filterTypesUsed(const std::vector<uint8_t>& file, uint32_t height, size_t scanline) {
    const std::vector<std::vector<uint8_t>> idats = idatChunks(file);
    EXPECT_EQ(idats.size(), 1u);
    uLongf size = static_cast<uLongf>((scanline + 1) * height);
    std::vector<uint8_t> filtered(size);
    EXPECT_EQ(uncompress(filtered.data(), &size, idats[0].data(), static_cast<uLong>(idats[0].size())), Z_OK);
    std::vector<uint8_t> types;
    for (uint32_t y = 0; y < height; ++y) types.push_back(filtered[y * (scanline + 1)]);
    return types;
}

// Raw filtered scanlines (filter byte first) in a one-IDAT file.
std::vector<uint8_t> fileOfScanlines(uint32_t width, uint32_t height, uint8_t colourType,
                                     const std::vector<uint8_t>& filtered, uint8_t depth = 8) {
    return file({chunk("IHDR", headerData(width, height, depth, colourType)), chunk("IDAT", zlibOf(filtered)),
                 chunk("IEND", {})});
}

}  // namespace

TEST(PngLibpng, TruecolourAndPaletteImagesWithEachFilter) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {2, 3}, {5, 4}, {7, 7}, {31, 9}, {64, 33}, {129, 5}};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        for (int filters : singleFilters) {
            for (int kind = 0; kind < 4; ++kind) {
                Picture p = kind == 0   ? truecolour(size.first, size.second, false, filters, ++seed)
                            : kind == 1 ? truecolour(size.first, size.second, true, filters, ++seed)
                            : kind == 2 ? paletted(size.first, size.second, 8, 256, filters, ++seed)
                                        : paletted(size.first, size.second, 8, 17, filters, ++seed);
                const std::vector<uint8_t> png = writePng(p.request, p.rows);
                const std::string what = "kind " + std::to_string(kind) + " " + std::to_string(size.first) + "x" +
                                         std::to_string(size.second) + " filters " + std::to_string(filters);
                expectDecodes(png, p, what);
                // A single allowed filter is the one on every scanline
                // (libpng drops the filters that have no neighbours to use
                // in one-pixel-wide or one-row images).
                if (size.first == 1 || size.second == 1) continue;
                const size_t scanline = p.rows[0].size();
                const uint8_t wanted = filters == PNG_FILTER_NONE  ? 0
                                       : filters == PNG_FILTER_SUB ? 1
                                       : filters == PNG_FILTER_UP  ? 2
                                       : filters == PNG_FILTER_AVG ? 3
                                                                   : 4;
                for (uint8_t used : filterTypesUsed(png, size.second, scanline)) ASSERT_EQ(used, wanted) << what;
            }
        }
        // libpng's own choice per row mixes the filters.
        for (bool alpha : {false, true}) {
            const Picture p = truecolour(size.first, size.second, alpha, PNG_ALL_FILTERS, ++seed);
            expectDecodes(writePng(p.request, p.rows), p, "all filters");
        }
    }
}

TEST(PngLibpng, GreyAndPackedSamplesAreExpanded) {
    uint32_t seed = 100;
    for (uint32_t width : {1u, 3u, 5u, 9u, 17u, 40u}) {
        for (int depth : {1, 2, 4, 8}) {
            const Picture g = grey(width, 6, depth, false, ++seed);
            expectDecodes(writePng(g.request, g.rows), g, "grey depth " + std::to_string(depth));
            const Picture p = paletted(width, 6, depth, 1u << depth, PNG_ALL_FILTERS, ++seed);
            expectDecodes(writePng(p.request, p.rows), p, "palette depth " + std::to_string(depth));
        }
        const Picture ga = grey(width, 6, 8, true, ++seed);
        expectDecodes(writePng(ga.request, ga.rows), ga, "grey and alpha");
    }
}

TEST(PngLibpng, PaletteImageWithTransparencyComesOutAsRgb) {
    Picture p = paletted(9, 4, 8, 20, PNG_ALL_FILTERS, 7);
    p.request.transparency = std::vector<uint8_t>(20, 128);
    const std::vector<uint8_t> png = writePng(p.request, p.rows);
    ASSERT_NE(std::string(png.begin(), png.end()).find("tRNS"), std::string::npos);
    expectDecodes(png, p, "palette with tRNS");
}

TEST(PngLibpng, SixteenBitInterlacedSmallWindowAndSplitDataAreRefused) {
    {
        // libpng gives this small image a 256-byte window: CMF 0x08.
        const Picture p = truecolour(3, 2, false, PNG_ALL_FILTERS, 8);
        const std::vector<uint8_t> png = writePng(p.request, p.rows, true);
        ASSERT_LT(idatChunks(png).at(0).at(0), 0x78);
        expectRefused(png, "small window");
        expectDecodes(withFullWindow(png), p, "same stream, full window");
    }
    {
        PngRequest r;
        r.width = 4;
        r.height = 2;
        r.bitDepth = 16;
        expectRefused(writePng(r, std::vector<std::vector<uint8_t>>(2, std::vector<uint8_t>(24, 9))), "16-bit");
    }
    {
        const Picture p = truecolour(16, 16, false, PNG_ALL_FILTERS, 3);
        PngRequest r = p.request;
        r.interlace = PNG_INTERLACE_ADAM7;
        expectRefused(writePng(r, p.rows), "interlaced");
    }
    {
        Picture p = truecolour(64, 64, true, PNG_FILTER_NONE, 4);
        p.request.compressionBuffer = 1024;
        const std::vector<uint8_t> png = writePng(p.request, p.rows);
        ASSERT_GE(idatChunks(png).size(), 2u);
        expectRefused(png, "split IDAT");
    }
}

TEST(PngPaeth, PredictorPicksAWinsTiesThenB) {
    EXPECT_EQ(paethPick(6, 6, 3), 6);
    EXPECT_EQ(paethPick(8, 2, 4), 8);
    EXPECT_EQ(paethPick(5, 2, 4), 2);
    EXPECT_EQ(paethPick(3, 5, 4), 4);
    EXPECT_EQ(paethPick(0, 0, 0), 0);
    EXPECT_EQ(paethPick(255, 0, 255), 0);   // p = 0: b is exact
    EXPECT_EQ(paethPick(0, 255, 255), 0);   // p = 0: a is exact
    EXPECT_EQ(paethPick(255, 255, 0), 255); // p = 510: a and b tie, a wins
    EXPECT_EQ(paethPick(10, 20, 15), 15);   // p = 15: c is exact
}

TEST(PngLayout, RowsAreBottomUpOnFourByteBoundaries) {
    struct Case {
        uint32_t width;
        uint8_t colourType;
        uint32_t stride;
    };
    for (const Case c : {Case{5, 2, 16}, Case{5, 6, 20}, Case{4, 2, 12}, Case{1, 2, 4}, Case{3, 3, 12}}) {
        const uint32_t bpp = c.colourType == 2 ? 3 : c.colourType == 6 ? 4 : 1;
        const uint32_t height = 3;
        std::vector<uint8_t> filtered;
        for (uint32_t y = 0; y < height; ++y) {
            filtered.push_back(0);
            for (uint32_t i = 0; i < c.width * bpp; ++i) filtered.push_back(static_cast<uint8_t>(y * 100 + i));
        }
        std::vector<std::vector<uint8_t>> chunks = {chunk("IHDR", headerData(c.width, height, 8, c.colourType))};
        if (c.colourType == 3) {
            std::vector<uint8_t> palette;
            for (uint32_t i = 0; i < 256; ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(i + 1), uint8_t(i + 2)});
            chunks.push_back(chunk("PLTE", palette));
        }
        chunks.push_back(chunk("IDAT", zlibOf(filtered)));
        chunks.push_back(chunk("IEND", {}));
        const std::vector<uint8_t> png = file(chunks);
        Image image{};
        ASSERT_TRUE(decodePng(image, png.data(), static_cast<uint32_t>(png.size())));
        const uint32_t channels = c.colourType == 6 ? 4 : 3;
        for (uint32_t y = 0; y < height; ++y) {
            // Scanline y (from the top) is buffer row height - 1 - y.
            const uint8_t* row = image.pixels + (height - 1 - y) * c.stride;
            for (uint32_t x = 0; x < c.width; ++x) {
                for (uint32_t ch = 0; ch < channels; ++ch) {
                    const uint32_t sample = c.colourType == 3 ? (y * 100 + x) + ch : y * 100 + x * bpp + ch;
                    ASSERT_EQ(row[x * channels + ch], static_cast<uint8_t>(sample))
                        << c.width << " type " << int(c.colourType) << " row " << y;
                }
            }
        }
        std::free(image.pixels);
    }
    // A one-row image has its only row at row 0.
    const std::vector<uint8_t> png = fileOfScanlines(2, 1, 2, {0, 1, 2, 3, 4, 5, 6});
    Image image{};
    ASSERT_TRUE(decodePng(image, png.data(), static_cast<uint32_t>(png.size())));
    EXPECT_EQ(image.pixels[0], 1);
    EXPECT_EQ(image.pixels[5], 6);
    std::free(image.pixels);
}

TEST(PngFilters, FirstScanlineAndSecondScanlineByHand) {
    // Two RGB pixels per row. First row, with zeros above: Average halves the
    // left byte, Paeth is Sub, Up changes nothing.
    const std::vector<uint8_t> bytes = {10, 20, 30, 40, 50, 60};
    struct Case {
        uint8_t filter;
        std::vector<uint8_t> expected;
    };
    for (const Case& c : {Case{0, {10, 20, 30, 40, 50, 60}}, Case{1, {10, 20, 30, 50, 70, 90}},
                          Case{2, {10, 20, 30, 40, 50, 60}}, Case{3, {10, 20, 30, 45, 60, 75}},
                          Case{4, {10, 20, 30, 50, 70, 90}}}) {
        std::vector<uint8_t> filtered = {c.filter};
        filtered.insert(filtered.end(), bytes.begin(), bytes.end());
        const std::vector<uint8_t> png = fileOfScanlines(2, 1, 2, filtered);
        Image image{};
        ASSERT_TRUE(decodePng(image, png.data(), static_cast<uint32_t>(png.size()))) << int(c.filter);
        EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 6), c.expected) << "filter " << int(c.filter);
        std::free(image.pixels);
    }
    // Second row under the row 200, 250, 100 / 7, 209, 11: arithmetic wraps
    // modulo 256, Average sums without wrapping (175 + 209), Paeth takes b
    // here where a and c are equal.
    const std::vector<uint8_t> top = {0, 200, 250, 100, 7, 209, 11};
    struct Second {
        uint8_t filter;
        std::vector<uint8_t> row;
        std::vector<uint8_t> expected;
    };
    for (const Second& s : {Second{1, {1, 2, 3, 255, 255, 255}, {1, 2, 3, 0, 1, 2}},
                            Second{2, {100, 10, 200, 1, 1, 1}, {44, 4, 44, 8, 210, 12}},
                            Second{3, {0, 50, 0, 0, 0, 0}, {100, 175, 50, 53, 192, 30}},
                            Second{4, {0, 0, 0, 0, 0, 0}, {200, 250, 100, 7, 209, 11}}}) {
        std::vector<uint8_t> filtered = top;
        filtered.push_back(s.filter);
        filtered.insert(filtered.end(), s.row.begin(), s.row.end());
        const std::vector<uint8_t> png = fileOfScanlines(2, 2, 2, filtered);
        Image image{};
        ASSERT_TRUE(decodePng(image, png.data(), static_cast<uint32_t>(png.size()))) << int(s.filter);
        // The second scanline is buffer row 0; the first is row 1 (stride 8).
        EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 6), s.expected) << "filter " << int(s.filter);
        EXPECT_EQ(std::vector<uint8_t>(image.pixels + 8, image.pixels + 14), std::vector<uint8_t>(top.begin() + 1, top.end()));
        std::free(image.pixels);
    }
}

TEST(PngChunks, SkippedChunksMissingEndAndExtraData) {
    const std::vector<uint8_t> filtered = {0, 1, 2, 3, 0, 4, 5, 6};  // 1x2 RGB
    const auto ihdr = chunk("IHDR", headerData(1, 2, 8, 2));
    const auto idat = chunk("IDAT", zlibOf(filtered));
    Picture p;
    p.request.width = 1;
    p.request.height = 2;
    p.channels = 3;
    p.expected = {{1, 2, 3}, {4, 5, 6}};

    // A text chunk with a broken CRC is skipped like any unknown chunk.
    std::vector<uint8_t> text = chunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'});
    text.back() ^= 0xFF;
    expectDecodes(file({ihdr, text, idat, chunk("IEND", {})}), p, "bad CRC in tEXt");
    // No IEND: the walk ends with the data.
    expectDecodes(file({ihdr, idat}), p, "no IEND");
    // The last chunk's CRC may be cut off; it is never read.
    std::vector<uint8_t> cutCrc = file({ihdr, idat});
    cutCrc.resize(cutCrc.size() - 3);
    expectDecodes(cutCrc, p, "IDAT CRC cut");
    // A second IDAT after a complete image is skipped; the first image stands.
    expectDecodes(file({ihdr, idat, chunk("IDAT", zlibOf({0, 9, 9, 9, 0, 9, 9, 9})), chunk("IEND", {})}), p,
                  "second IDAT");
    // A stream that delivers more than the image needs: the rest is dropped.
    std::vector<uint8_t> longer = filtered;
    longer.insert(longer.end(), {0, 7, 7, 7});
    expectDecodes(file({ihdr, chunk("IDAT", zlibOf(longer)), chunk("IEND", {})}), p, "longer stream");
    // Chunks after IEND are never looked at.
    expectDecodes(file({ihdr, idat, chunk("IEND", {}), chunk("IHDR", {1, 2})}), p, "after IEND");
}

TEST(PngChunks, RefusedFiles) {
    const std::vector<uint8_t> filtered = {0, 1, 2, 3, 0, 4, 5, 6};  // 1x2 RGB
    const auto ihdr = chunk("IHDR", headerData(1, 2, 8, 2));
    const auto idat = chunk("IDAT", zlibOf(filtered));
    const auto iend = chunk("IEND", {});

    const std::vector<uint8_t> good = file({ihdr, idat, iend});
    Image probe{};
    ASSERT_TRUE(decodePng(probe, good.data(), static_cast<uint32_t>(good.size())));
    std::free(probe.pixels);

    expectRefused({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, "BMP bytes");
    expectRefused({137, 80, 78, 71, 13, 10, 26}, "short signature");
    expectRefused(signature(), "signature only");
    expectRefused(file({ihdr, iend}), "no IDAT");
    expectRefused(file({ihdr}), "header only");
    expectRefused(file({idat, ihdr, iend}), "IDAT before IHDR");
    expectRefused(file({ihdr, ihdr, idat, iend}), "second IHDR");
    expectRefused(file({ihdr, idat, ihdr, iend}), "IHDR after the image");
    expectRefused(file({chunk("IHDR", {0, 0, 0, 1, 0, 0, 0, 2, 8, 2, 0, 0, 0, 0}), idat, iend}), "IHDR of 14 bytes");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 16, 2)), idat, iend}), "depth 16");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 8, 2, 1)), idat, iend}), "compression 1");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 8, 2, 0, 1)), idat, iend}), "filter method 1");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 8, 2, 0, 0, 1)), idat, iend}), "interlace");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 8, 5)), idat, iend}), "colour type 5");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 4, 2)), idat, iend}), "RGB at 4 bits");
    expectRefused(file({chunk("IHDR", headerData(1, 2, 3, 0)), idat, iend}), "depth 3");
    expectRefused(file({chunk("IHDR", headerData(0, 2, 8, 2)), idat, iend}), "width 0");
    expectRefused(file({chunk("IHDR", headerData(0x80000000u, 1, 8, 2)), idat, iend}), "width past int32");
    // (L + 1) * height past 32 bits; and the RGBA output past 32 bits.
    expectRefused(file({chunk("IHDR", headerData(70000, 70000, 8, 2)), idat, iend}), "filtered size overflow");
    expectRefused(file({chunk("IHDR", headerData(0x7FFFFFFF, 1, 8, 0)), idat, iend}), "output size overflow");
    // Sizes that fit 32 bits but that this stream could never fill.
    expectRefused(file({chunk("IHDR", headerData(4000, 4000, 8, 6)), idat, iend}), "stream far too short");

    // zlib header problems and truncated streams.
    std::vector<uint8_t> z = zlibOf(filtered);
    std::vector<uint8_t> smallWindow = z;
    smallWindow[0] = 0x68;
    smallWindow[1] = 0x81;
    expectRefused(file({ihdr, chunk("IDAT", smallWindow), iend}), "CMF 0x68");
    expectRefused(file({ihdr, chunk("IDAT", {0x78}), iend}), "one-byte IDAT");
    expectRefused(file({ihdr, chunk("IDAT", {}), iend}), "empty IDAT");
    std::vector<uint8_t> cut(z.begin(), z.begin() + 5);
    expectRefused(file({ihdr, chunk("IDAT", cut), iend}), "truncated stream");
    // A complete stream that ends before the last scanline.
    expectRefused(file({ihdr, chunk("IDAT", zlibOf({0, 1, 2, 3, 0, 4})), iend}), "short stream");
    // The zlib stream split over two IDAT chunks.
    expectRefused(file({ihdr, chunk("IDAT", std::vector<uint8_t>(z.begin(), z.begin() + 6)),
                        chunk("IDAT", std::vector<uint8_t>(z.begin() + 6, z.end())), iend}),
                  "split stream");

    // Filter type above 4, in the first and in a later scanline.
    expectRefused(file({ihdr, chunk("IDAT", zlibOf({5, 1, 2, 3, 0, 4, 5, 6})), iend}), "filter 5 first");
    expectRefused(file({ihdr, chunk("IDAT", zlibOf({0, 1, 2, 3, 255, 4, 5, 6})), iend}), "filter 255");

    // Chunk lengths past the data, and a chunk header cut short.
    std::vector<uint8_t> longIdat = file({ihdr, idat});
    longIdat[8 + 25 + 3] = static_cast<uint8_t>(longIdat[8 + 25 + 3] + 1);  // IDAT length + 1 past the CRC
    longIdat.resize(longIdat.size() - 4);
    expectRefused(longIdat, "IDAT running past the data");
    std::vector<uint8_t> longText = file({ihdr, idat});
    const std::vector<uint8_t> hugeText = {0xFF, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 1, 2, 3};
    longText.insert(longText.end(), hugeText.begin(), hugeText.end());
    expectRefused(longText, "huge chunk length after the image");
    std::vector<uint8_t> stub = file({ihdr, idat});
    stub.insert(stub.end(), {0, 0, 0});
    expectRefused(stub, "chunk header cut short");

    // Palette problems.
    const auto ihdr3 = chunk("IHDR", headerData(2, 1, 8, 3));
    const auto indices = chunk("IDAT", zlibOf({0, 1, 2}));
    expectRefused(file({ihdr3, indices, iend}), "palette image without PLTE");
    expectRefused(file({ihdr3, chunk("PLTE", {1, 1, 1, 2, 2, 2}), chunk("IDAT", zlibOf({0, 1, 2})), iend}),
                  "index beyond the palette");
    expectRefused(file({ihdr3, indices, chunk("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3}), iend}), "PLTE after IDAT");
    Picture p;
    p.request.width = 2;
    p.request.height = 1;
    p.channels = 3;
    p.expected = {{2, 2, 2, 3, 3, 3}};
    expectDecodes(file({ihdr3, chunk("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3}), indices, iend}), p, "three entries");
    // Packed indices beyond a short palette.
    const auto ihdr1 = chunk("IHDR", headerData(8, 1, 1, 3));
    expectRefused(file({ihdr1, chunk("PLTE", {1, 1, 1}), chunk("IDAT", zlibOf({0, 0x01})), iend}),
                  "1-bit index beyond a one-entry palette");
}

TEST(PngFiles, LoadPngReadsTheWholeFile) {
    TempDir dir;
    const Picture p = truecolour(13, 7, true, PNG_ALL_FILTERS, 55);
    const std::vector<uint8_t> png = writePng(p.request, p.rows);
    const std::string name = (dir.path() / "block.png").string();
    std::FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(png.data(), 1, png.size(), f), png.size());
    std::fclose(f);

    Image image{};
    ASSERT_TRUE(loadPng(image, name.c_str()));
    EXPECT_EQ(image.width, 13);
    EXPECT_EQ(image.channels, 4u);
    const uint32_t stride = strideOf(13, 4);
    EXPECT_EQ(image.pixels[(7 - 1) * stride + 5], p.expected[0][5]);
    std::free(image.pixels);

    Image untouched{1, 2, 3, nullptr};
    EXPECT_FALSE(loadPng(untouched, (dir.path() / "missing.png").string().c_str()));
    EXPECT_FALSE(loadPng(untouched, ""));
    EXPECT_FALSE(loadPng(untouched, nullptr));
    EXPECT_EQ(untouched.pixels, nullptr);
    // An empty file and a directory are refused.
    const std::string empty = (dir.path() / "empty.png").string();
    std::fclose(std::fopen(empty.c_str(), "wb"));
    EXPECT_FALSE(loadPng(untouched, empty.c_str()));
    EXPECT_FALSE(loadPng(untouched, dir.path().string().c_str()));
}
