// decodePng on files that libpng wrote from known samples, and on hand-made
// files for the chunk walk's corners.
#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <random>
#include <set>
#include <string>

#include "image/png_decoder.h"
#include "image/png_filters.h"
#include "tests/image/test_data.h"

using namespace testing_image;

namespace {

// What libpng gets, and what the decoder must give, top row first.
struct Picture { PngRequest request; std::vector<Bytes> rows, expected; uint32_t channels; };
struct Kind { int colourType, depth; uint32_t paletteEntries = 0; bool transparency = false; };

// Samples with gradients, noise and flat stretches, so every filter has
// something to predict; packed most significant bits first below 8 bits.
Picture picture(const Kind& k, uint32_t width, uint32_t height, int filters, uint32_t seed) {
    std::mt19937 rng(seed);
    Picture p{{width, height, k.colourType, k.depth, filters}, {}, {}, k.colourType & PNG_COLOR_MASK_ALPHA ? 4u : 3u};
    for (uint32_t i = 0; i < k.paletteEntries; ++i) {
        p.request.palette.push_back({png_byte(rng()), png_byte(rng()), png_byte(rng())});
    }
    if (k.transparency) p.request.transparency = Bytes(k.paletteEntries, 128);
    const uint32_t samples = k.paletteEntries ? 1 : (k.colourType & PNG_COLOR_MASK_COLOR ? 3 : 1) + (k.colourType >> 2);
    const uint32_t top = k.paletteEntries ? k.paletteEntries - 1 : (1u << k.depth) - 1;
    for (uint32_t y = 0; y < height; ++y) {
        Bytes packed, pixels;
        for (uint32_t x = 0, bit = 0; x < width; ++x) {
            for (uint32_t c = 0; c < samples; ++c, bit += k.depth) {
                const uint32_t pattern[] = {x * 7 + y * 3 + c * 50, uint32_t(rng()), 200 + c, 255 - x - y};
                const uint32_t v = pattern[(x / 3 + y) % 4] % 256 % (top + 1);
                if (bit % 8 == 0) packed.push_back(0);
                packed.back() = uint8_t(packed.back() | v << (8 - k.depth - bit % 8));
                const png_color e = k.paletteEntries ? p.request.palette[v] : png_color{};
                const bool grey = !k.paletteEntries && c == 0 && samples < 3;
                if (k.paletteEntries) pixels.insert(pixels.end(), {e.red, e.green, e.blue});
                if (!k.paletteEntries) pixels.insert(pixels.end(), grey ? 3 : 1, uint8_t(grey ? v * 255 / top : v));
            }
        }
        p.rows.push_back(packed);
        p.expected.push_back(pixels);
    }
    return p;
}

// Every pixel of `rows` (top first), the flip to bottom-up rows and the zero
// filler up to 4 bytes.
void expectRows(const Image& image, uint32_t width, uint32_t channels, const std::vector<Bytes>& rows) {
    const uint32_t height = uint32_t(rows.size()), rowBytes = width * channels, stride = (rowBytes + 3) / 4 * 4;
    EXPECT_TRUE(image.width == int(width) && image.height == int(height) && image.channels == channels);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = image.pixels + size_t(height - 1 - y) * stride;
        ASSERT_EQ(Bytes(row, row + rowBytes), rows[y]) << "top row " << y;
        ASSERT_EQ(Bytes(row + rowBytes, row + stride), Bytes(stride - rowBytes, 0)) << "filler of top row " << y;
    }
}

void expectImage(const Image& image, const Picture& p) {
    expectRows(image, p.request.width, p.channels, p.expected);
    std::free(image.pixels);
}

Bytes zlibOf(const Bytes& data) { return zlibCompress(data, 6); }

}  // namespace

TEST(PngLibpng, EveryKindSizeAndFilterDecodesPixelByPixel) {
    const int palette = PNG_COLOR_TYPE_PALETTE, grey = PNG_COLOR_TYPE_GRAY;
    const Kind kinds[] = {{PNG_COLOR_TYPE_RGB, 8}, {PNG_COLOR_TYPE_RGBA, 8}, {PNG_COLOR_TYPE_GA, 8}, {palette, 8, 256},
                          {palette, 8, 17},        {palette, 1, 2},          {palette, 2, 4},         {palette, 4, 16},
                          {grey, 1},               {grey, 2},                {grey, 4},               {grey, 8},
                          {palette, 8, 20, true}};
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {2, 3}, {5, 4}, {7, 7}, {31, 9}, {64, 33}, {129, 5}};
    uint32_t seed = 0;
    for (const Kind& kind : kinds) {
        for (const auto& [width, height] : sizes) {
            for (int type = 0; type < 6; ++type) {
                SCOPED_TRACE(testing::Message() << "type " << kind.colourType << " depth " << kind.depth << " palette "
                             << kind.paletteEntries << " " << width << "x" << height << " filter " << type);
                // Filter types 0 to 4 forced alone (mask PNG_FILTER_NONE << type), then libpng's own choice.
                const int mask = type < 5 ? PNG_FILTER_NONE << type : PNG_ALL_FILTERS;
                const Picture p = picture(kind, width, height, mask, ++seed);
                const Bytes png = writePng(p.request, p.rows);
                Image image{};
                ASSERT_TRUE(decodePng(image, png.data(), uint32_t(png.size())));
                expectImage(image, p);
                // A single allowed filter is the one on every scanline (libpng
                // drops those with no neighbours in one-pixel-wide or one-row
                // images).
                if (type == 5 || width == 1 || height == 1) continue;
                const Bytes stream = idatStream(png);
                const size_t pitch = p.rows[0].size() + 1;
                uLongf size = uLongf(pitch * height);
                Bytes filtered(size);
                ASSERT_EQ(uncompress(filtered.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
                for (uint32_t y = 0; y < height; ++y) ASSERT_EQ(filtered[y * pitch], type) << "scanline " << y;
            }
        }
    }
}

// Files as libpng writes them by default, against libpng's own decode:
// every zlib window from 256 bytes (CMF 0x08) to 32 KiB (0x78), one IDAT of
// up to 8 KiB or many. Each file is decoded again with its stream cut inside
// the zlib header; into an empty chunk, the header alone and the first block
// cut twice; and, when short, one byte per chunk.
TEST(PngLibpng, DefaultFilesDecodeAsLibpngDecodesThem) {
    const Kind kinds[] = {{PNG_COLOR_TYPE_RGB, 8}, {PNG_COLOR_TYPE_PALETTE, 8, 256}, {PNG_COLOR_TYPE_RGBA, 8}};
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1},     {3, 2},     {8, 8},     {16, 16},  {13, 21},
                                                   {32, 32},   {45, 40},   {64, 64},   {70, 90},  {128, 128},
                                                   {181, 100}, {255, 256}, {256, 256}};
    std::set<uint8_t> windows;
    std::set<bool> severalIdats;
    uint32_t seed = 1000;
    for (const Kind& kind : kinds) {
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(testing::Message() << "type " << kind.colourType << " " << width << "x" << height);
            const Picture p = picture(kind, width, height, libpngFilterChoice, ++seed);
            const Bytes png = writePng(p.request, p.rows);
            const Bytes stream = idatStream(png);
            windows.insert(stream.at(0));
            severalIdats.insert(idatChunks(png).size() > 1);
            uint32_t channels = 0;
            const std::vector<Bytes> expected = libpngPixels(png, channels);
            std::vector<Bytes> files = {png, rechunked(png, {1}), rechunked(png, {0, 2, 3, stream.size() / 2})};
            std::vector<size_t> everyByte(stream.size() - 1);
            std::iota(everyByte.begin(), everyByte.end(), 1);
            if (stream.size() < 300) files.push_back(rechunked(png, everyByte));
            for (size_t f = 0; f < files.size(); ++f) {
                Image image{};
                ASSERT_TRUE(decodePng(image, files[f].data(), uint32_t(files[f].size()))) << "file " << f;
                expectRows(image, width, channels, expected);
                std::free(image.pixels);
            }
        }
    }
    EXPECT_EQ(windows, (std::set<uint8_t>{0x08, 0x18, 0x28, 0x38, 0x48, 0x58, 0x68, 0x78}));
    EXPECT_EQ(severalIdats, (std::set<bool>{false, true}));
}

TEST(PngPaeth, PredictorPicksAWinsTiesThenB) {
    const uint8_t cases[][4] = {{6, 6, 3, 6},     {8, 2, 4, 8},       {5, 2, 4, 2},
                                {3, 5, 4, 4},     {0, 0, 0, 0},       {255, 0, 255, 0} /* p = 0: b exact */,
                                {0, 255, 255, 0} /* p = 0: a exact */, {255, 255, 0, 255} /* a and b tie: a */,
                                {10, 20, 15, 15} /* c exact */};
    for (const auto& c : cases) {
        EXPECT_EQ(paethPick(c[0], c[1], c[2]), c[3]) << int(c[0]) << " " << int(c[1]) << " " << int(c[2]);
    }
}

#if STAPELIX_BYTE_VECTORS
// The vector predictor, which reasons about a's position between b and
// 3c - 2b, against the standard's distances for every a, b and c.
TEST(PngPaeth, VectorPredictorAgreesOnEveryTriple) {
    for (int b = 0; b < 256; ++b) {
        for (int c = 0; c < 256; ++c) {
            for (int a0 = 0; a0 < 256; a0 += 8) {
                const WordVector a = {int16_t(a0), int16_t(a0 + 1), int16_t(a0 + 2), int16_t(a0 + 3),
                                      int16_t(a0 + 4), int16_t(a0 + 5), int16_t(a0 + 6), int16_t(a0 + 7)};
                const WordVector got = paethPredictVector(a, WordVector{} + int16_t(b), WordVector{} + int16_t(c));
                for (int lane = 0; lane < 8; ++lane) {
                    const int p = a0 + lane + b - c, pa = std::abs(p - a0 - lane), pb = std::abs(p - b),
                              pc = std::abs(p - c);
                    const int expected = pa <= pb && pa <= pc ? a0 + lane : pb <= pc ? b : c;
                    if (got[lane] != expected) FAIL() << "a " << a0 + lane << " b " << b << " c " << c;
                }
            }
        }
    }
}
#endif

// The standard's reconstruction, one byte at a time, with a, b and c read
// back from the bytes already reconstructed.
Bytes referenceUnfilter(uint32_t filter, uint32_t unit, const Bytes& in, const Bytes& prior) {
    Bytes out(in.size());
    for (size_t x = 0; x < in.size(); ++x) {
        const int a = x >= unit ? out[x - unit] : 0, b = prior[x], c = x >= unit ? prior[x - unit] : 0;
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        const int predictions[] = {0, a, b, (a + b) / 2, paeth};
        out[x] = uint8_t(in[x] + predictions[filter]);
    }
    return out;
}

// Both routines of every pixel size against the standard, for rows around the
// vector widths (16 bytes, and 4-byte pixel slots), on random bytes and on
// bytes from a small set that make ties and wrap around; they touch no byte
// of `out` past the row; a filter type above 4 is refused.
TEST(PngFilters, EveryFilterAndPixelSizeMatchesTheStandard) {
    using Unfilter = bool (*)(uint32_t, const uint8_t*, const uint8_t*, uint8_t*, uint32_t);
    const Unfilter routines[][2] = {{unfilterPortable<1>, unfilterVector<1>},
                                    {unfilterPortable<2>, unfilterVector<2>},
                                    {unfilterPortable<3>, unfilterVector<3>},
                                    {unfilterPortable<4>, unfilterVector<4>}};
    const uint32_t widths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 15, 16, 17, 21, 31, 32, 33};
    const uint8_t fewValues[] = {0, 1, 2, 3, 127, 128, 254, 255};
    constexpr uint8_t guard = 0xA5;
    std::mt19937 rng(11);
    for (uint32_t unit = 1; unit <= 4; ++unit) {
        for (uint32_t width : widths) {
            for (bool few : {false, true}) {
                const uint32_t length = width * unit;
                Bytes in(length), prior(length);
                for (Bytes* bytes : {&in, &prior}) {
                    for (uint8_t& v : *bytes) v = few ? fewValues[rng() % 8] : uint8_t(rng());
                }
                for (uint32_t filter = 0; filter <= 5; ++filter) {
                    for (int vector : {0, 1}) {
                        SCOPED_TRACE(testing::Message() << "unit " << unit << " width " << width
                                                        << " filter " << filter << " vector " << vector);
                        Bytes out(length + 16, guard);
                        const bool ok = routines[unit - 1][vector](filter, in.data(), prior.data(), out.data(), length);
                        ASSERT_EQ(ok, filter <= 4);
                        if (!ok) continue;
                        EXPECT_EQ(Bytes(out.begin(), out.begin() + length), referenceUnfilter(filter, unit, in, prior));
                        EXPECT_EQ(Bytes(out.begin() + length, out.end()), Bytes(16, guard));
                    }
                }
            }
        }
    }
}

// Hand-made files, each decoded from memory and loaded from disk: those that
// decode give their pixels, refused ones leave the image as it was.
TEST(PngChunks, HandMadeFiles) {
    const Bytes filtered = {0, 1, 2, 3, 0, 4, 5, 6};  // 1x2 RGB
    const Bytes ihdr = chunk("IHDR", headerData(1, 2, 8, 2)), z = zlibOf(filtered);
    const Bytes idat = chunk("IDAT", z), iend = chunk("IEND", {});
    const Bytes ihdr3 = chunk("IHDR", headerData(2, 1, 8, 3)), indices = chunk("IDAT", zlibOf({0, 1, 2}));
    const Bytes plte3 = chunk("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3}), sixteenBitData = chunk("IDAT", zlibOf(Bytes(14)));
    const auto withHeader = [&](Bytes header) { return file({chunk("IHDR", header), idat, iend}); };
    const auto withData = [&](Bytes data) { return file({ihdr, chunk("IDAT", data), iend}); };
    const Bytes badCrcText = flipped(chunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}), -1, 0xFF);
    Bytes cutCrc = file({ihdr, idat});
    Bytes smallWindow = z, longIdat = cutCrc, hugeText = cutCrc, stub = cutCrc;
    cutCrc.resize(cutCrc.size() - 3);
    smallWindow[0] = 0x68;
    smallWindow[1] = 0x81;
    longIdat[8 + 25 + 3]++;  // the IDAT length one past its data, with the CRC gone
    longIdat.resize(longIdat.size() - 4);
    hugeText.insert(hugeText.end(), {0xFF, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 1, 2, 3});
    stub.insert(stub.end(), {0, 0, 0});
    const Picture tiny{{1, 2}, {}, {{1, 2, 3}, {4, 5, 6}}, 3}, three{{2, 1}, {}, {{2, 2, 2, 3, 3, 3}}, 3};
    const auto split = [&](std::vector<size_t> cuts, const Bytes& between = {}) {
        std::vector<Bytes> chunks = {ihdr};
        for (size_t i = 0, from = 0; i <= cuts.size(); from = cuts[i++]) {
            if (i != 0) chunks.push_back(between);
            const size_t to = i < cuts.size() ? cuts[i] : z.size();
            chunks.push_back(chunk("IDAT", Bytes(z.begin() + long(from), z.begin() + long(to))));
        }
        chunks.push_back(iend);
        return file(chunks);
    };
    Bytes window64K = z, badSecond = file({ihdr, idat, chunk("IDAT", {1, 2, 3})});
    window64K[0] = 0x88;
    window64K[1] = 0x1C;
    badSecond[badSecond.size() - 12]++;  // its length one past its data, with the CRC gone
    badSecond.resize(badSecond.size() - 4);
    // The largest sides taken, and one more.
    const auto libpngFile = [](uint32_t width, uint32_t height) {
        return picture({PNG_COLOR_TYPE_RGB, 8}, width, height, libpngFilterChoice, width + height);
    };
    const Picture widest = libpngFile(2048, 1), highest = libpngFile(1, 2048);
    const Picture tooWide = libpngFile(2049, 1), tooHigh = libpngFile(1, 2049);

    const struct { const char* what; Bytes file; const Picture* decodes = nullptr; } cases[] = {
        {"text chunk with a broken CRC skipped", file({ihdr, badCrcText, idat, iend}), &tiny},
        {"no IEND", file({ihdr, idat}), &tiny},
        {"last CRC cut off", cutCrc, &tiny},
        {"second IDAT after the image skipped", file({ihdr, idat, chunk("IDAT", zlibOf(Bytes(8, 9))), iend}), &tiny},
        {"stream longer than the image", withData(zlibOf({0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 7, 7})), &tiny},
        {"chunks after IEND unread", file({ihdr, idat, iend, chunk("IHDR", {1, 2})}), &tiny},
        {"palette of three", file({ihdr3, plte3, indices, iend}), &three},
        {"16 KiB window (CMF 0x68)", withData(smallWindow), &tiny},
        {"stream split over two IDATs", split({6}), &tiny},
        {"zlib header split over two IDATs", split({1}), &tiny},
        {"empty IDATs, one byte per IDAT", split({0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), &tiny},
        {"IDAT after the image and another chunk skipped", file({ihdr, idat, badCrcText, chunk("IDAT", {1}), iend}),
         &tiny},
        {"2048 wide", writePng(widest.request, widest.rows), &widest},
        {"2048 high", writePng(highest.request, highest.rows), &highest},
        {"empty", {}}, {"BMP bytes", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}}, {"short", {137, 80, 78, 71, 13, 10, 26}},
        {"signature only", file({})}, {"signature ending wrong", flipped(withData(z), 7, 1)},
        {"no IDAT", file({ihdr, iend})}, {"header only", file({ihdr})},
        {"IDAT before IHDR", file({idat, ihdr, iend})}, {"second IHDR", file({ihdr, ihdr, idat, iend})},
        {"IHDR after the image", file({ihdr, idat, ihdr, iend})},
        {"IHDR of 14 bytes", withHeader({0, 0, 0, 1, 0, 0, 0, 2, 8, 2, 0, 0, 0, 0})},
        {"16 bits, a stream of that size", file({chunk("IHDR", headerData(1, 2, 16, 2)), sixteenBitData})},
        {"compression 1", withHeader(headerData(1, 2, 8, 2, 1))},
        {"filter method 1", withHeader(headerData(1, 2, 8, 2, 0, 1))},
        {"interlace", withHeader(headerData(1, 2, 8, 2, 0, 0, 1))},
        {"colour type 5", withHeader(headerData(1, 2, 8, 5))}, {"RGB at 4 bits", withHeader(headerData(1, 2, 4, 2))},
        {"depth 3", withHeader(headerData(1, 2, 3, 0))}, {"width 0", withHeader(headerData(0, 2, 8, 2))},
        {"width past int32", withHeader(headerData(0x80000000u, 1, 8, 2))},
        {"filtered size past 32 bits", withHeader(headerData(70000, 70000, 8, 2))},
        {"output size past 32 bits", withHeader(headerData(0x7FFFFFFF, 1, 8, 0))},
        {"stream far too short", withHeader(headerData(2048, 2048, 8, 6))},
        {"2049 wide", writePng(tooWide.request, tooWide.rows)}, {"2049 high", writePng(tooHigh.request, tooHigh.rows)},
        {"64 KiB window (CMF 0x88)", withData(window64K)}, {"one-byte IDAT", withData({0x78})},
        {"empty IDAT", withData({})}, {"IDATs parted by another chunk", split({6}, badCrcText)},
        {"a further IDAT running past the data", badSecond},
        {"truncated stream", withData(Bytes(z.begin(), z.begin() + 5))},
        {"stream ending before the last scanline", withData(zlibOf({0, 1, 2, 3, 0, 4}))},
        {"filter 5 on the first scanline", withData(zlibOf({5, 1, 2, 3, 0, 4, 5, 6}))},
        {"filter 255 on a later scanline", withData(zlibOf({0, 1, 2, 3, 255, 4, 5, 6}))},
        {"IDAT running past the data", longIdat}, {"huge chunk length after the image", hugeText},
        {"chunk header cut short", stub}, {"palette image without PLTE", file({ihdr3, indices, iend})},
        {"index beyond the palette", file({ihdr3, chunk("PLTE", {1, 1, 1, 2, 2, 2}), indices, iend})},
        {"PLTE after IDAT", file({ihdr3, indices, plte3, iend})},
        {"1-bit index beyond a one-entry palette",
         file({chunk("IHDR", headerData(8, 1, 1, 3)), chunk("PLTE", {1, 1, 1}), chunk("IDAT", zlibOf({0, 0x01}))})},
    };
    TempDir dir;
    for (const auto& c : cases) {
        for (bool fromFile : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (fromFile ? ", loaded" : ", decoded"));
            uint8_t* const mark = reinterpret_cast<uint8_t*>(uintptr_t(0x1234));
            Image image{-7, -8, 7, mark};
            const bool ok = fromFile ? loadPng(image, dir.write("case.png", c.file).c_str())
                                     : decodePng(image, c.file.data(), uint32_t(c.file.size()));
            ASSERT_EQ(ok, c.decodes != nullptr);
            if (ok) expectImage(image, *c.decodes);
            const bool untouched = image.width == -7 && image.height == -8 && image.channels == 7;
            EXPECT_TRUE(ok || (untouched && image.pixels == mark));
        }
    }
    Image untouched{1, 2, 3, nullptr};
    const std::string missing = dir.path + "/missing.png";
    for (const char* bad : {missing.c_str(), "", dir.path.c_str(), static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(loadPng(untouched, bad)) << (bad ? bad : "null");
    }
    EXPECT_EQ(untouched.pixels, nullptr);
}
