// decodeBmp on files built byte by byte, in memory and through decodeFile.
#include <gtest/gtest.h>

#include "image/bmp_decoder.h"
#include "tests/image/test_data.h"

using namespace testing_image;

namespace {

// Palette entries as rows, bottom first: 0-9a-z entries 0-35, '.' 255, '-' black.
Picture drawn(const std::string& rows) {
    Bytes pixels;
    for (char c : rows) {
        const uint32_t i = c == '.' ? 255 : c <= '9' ? uint32_t(c - '0') : uint32_t(c - 'a' + 10);
        if (c != ' ') pixels = cat<uint8_t>({pixels, c == '-' ? Bytes(3, 0) : entry(i)});
    }
    return picture(uint32_t(std::min(rows.find(' '), rows.size())), 3, pixels);
}

}  // namespace

// Rows packed (first pixel in the high bits), padded to 4 bytes, either way up,
// behind 40- to 124-byte info headers, short palettes and gaps; RLE rows.
TEST(Bmp, DecodesThePictureItWasBuiltFrom) {
    const Layout layouts[] = {{40},        {52, 0, 3}, {56},     {108},
                              {124, 0, 1}, {40, 1, 5}, {108, 2}, {124, 3}};
    std::mt19937 rng(7);
    std::vector<std::pair<Bytes, Picture>> built;
    for (uint32_t bits : {1u, 4u, 8u, 24u}) {
        for (int32_t width : {1, 2, 3, 4, 5, 7, 9, 13, 16, 17, 20, 31, 32, 33, 70}) {
            for (Layout layout : layouts) {
                // Short palettes of 1, 2 or 3 entries; none at 24 bits.
                layout.coloursUsed = bits == 24 ? 0 : std::min(layout.coloursUsed, 1u << bits);
                const int32_t height = 1 + int32_t(rng() % 4), topDown = built.size() % 3 == 0;
                Bytes pixels, expected;
                for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
                    Bytes row;
                    for (uint32_t x = 0, bit = 0; x < uint32_t(width); ++x, bit += bits) {
                        const uint32_t index =
                            rng() % (layout.coloursUsed ? layout.coloursUsed : 1u << bits);
                        const Bytes rgb = bits == 24 ? sample(3, rng(), 0) : entry(index);
                        row = cat<uint8_t>({row, rgb});
                        if (bits == 24) pixels.insert(pixels.end(), {rgb[2], rgb[1], rgb[0]});
                        if (bits != 24 && bit % 8 == 0) pixels.push_back(0);
                        if (bits != 24)
                            pixels.back() = uint8_t(pixels.back() | index << (8 - bits - bit % 8));
                    }
                    while (pixels.size() % 4 != 0) pixels.push_back(uint8_t(rng()));
                    expected.insert(topDown ? expected.begin() : expected.end(), row.begin(),
                                    row.end());
                }
                built.push_back({bmp(width, topDown ? -height : height, bits, 0, pixels, layout),
                                 picture(uint32_t(width), 3, expected)});
            }
        }
    }
    // RLE8 and RLE4 as encoders write them: runs ending at the row's end, then
    // 2 padding pixels (to 72) as a run of their own, then an end of line.
    constexpr uint32_t width = 70, height = 5;
    for (const bool fourBit : {false, true}) {
        std::mt19937 rng(70 + fourBit);
        const uint32_t colours = fourBit ? 16 : 256;
        Bytes data, expected;
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0, n = 0; x < width; x += n) {
                const bool absolute = rng() % 2 == 0 && width - x >= 3;
                n = std::min<uint32_t>(absolute ? 3 + rng() % 8 : 1 + rng() % 12, width - x);
                std::vector<uint32_t> indices(n);
                if (absolute) {
                    for (uint32_t& i : indices) i = rng() % colours;
                    data.insert(data.end(), {0, uint8_t(n)});
                    for (uint32_t i = 0; i < n; i += fourBit ? 2 : 1)
                        data.push_back(
                            uint8_t(!fourBit ? indices[i]
                                             : indices[i] << 4 | (i + 1 < n ? indices[i + 1] : 0)));
                    if (data.size() % 2 != 0) data.push_back(0);
                } else {
                    const uint32_t value = rng() % 256;
                    for (uint32_t i = 0; i < n; ++i)
                        indices[i] = !fourBit ? value : i % 2 == 0 ? value >> 4 : value & 15;
                    data.insert(data.end(), {uint8_t(n), uint8_t(value)});
                }
                for (uint32_t i : indices) expected = cat<uint8_t>({expected, entry(i)});
            }
            data.insert(data.end(), {2, 0, 0, 0});
        }
        data.insert(data.end(), {0, 1});
        built.push_back({bmp(width, height, fourBit ? 4 : 8, fourBit ? 2 : 1, data),
                         picture(width, 3, expected)});
    }
    EXPECT_EQ(misread(decodeBmp, built, {}), std::vector<std::string>{});
}

// Decoded: pixels cut short or past a short palette (black); RLE escapes, runs
// cut at the row's end, data cut in each escape (the rest entry 255, RLE4 15).
// Refused: bit counts, compressions, sizes, headers, palettes, pixel offsets.
TEST(Bmp, HandMadeFiles) {
    std::string high;  // 2047 rows of "." and one of "3"
    for (int row = 0; row < 2048; ++row) high += row < 2047 ? ". " : "3";
    const std::vector<std::pair<Bytes, Picture>> decoded = {
        {bmp(1, 2, 24, 1, {1, 2, 3, 9, 4, 5, 6}), picture(1, 3, {3, 2, 1, 6, 5, 4})},
        {bmp(2, 2, 24, 0, {1, 2, 3, 4, 5}), picture(2, 3, cat<uint8_t>({{3, 2, 1}, Bytes(9, 0)}))},
        {bmp(2048, 1, 24, 0), picture(2048, 3, Bytes(2048 * 3, 0))},
        {bmp(4, 1, 8, 0, {2, 3}), drawn("23--")},
        {bmp(2, 1, 8, 0, {1, 2}, {40, 2}), drawn("1-")},
        {bmp(2, 1, 8, 0, {255, 0, 0, 0}, {40, 300}), drawn(".0")},
        {bmp(4, 3, 8, 1, {3, 7, 0, 0, 0, 1, 2, 9}), drawn("777. .... ....")},
        {bmp(2, 2, 8, 1, {2, 4, 0, 0, 2, 5, 0, 1}), drawn("44 55")},
        {bmp(2, 2, 8, 1, {2, 4, 2, 5}), drawn("44 ..")},
        {bmp(4, 2, 8, 1, {0, 4, 1, 2, 3, 4, 0, 3, 5, 6, 7, 0, 0, 0, 1, 8}), drawn("1234 8...")},
        {bmp(2, 3, 8, 1, {0, 0, 2, 5, 0, 1}), drawn(".. 55 ..")},
        {bmp(4, 3, 8, 1, {1, 1, 0, 0, 1, 2, 0, 2, 2, 1, 1, 9, 0, 1}), drawn("1... 2... ...9")},
        {bmp(9, 1, 8, 1, {0, 3, 5, 6, 7, 4, 0, 4, 10, 11, 12, 13, 2, 8}), drawn("567abcd88")},
        {bmp(12, 1, 4, 2, {3, 0x12, 0, 3, 0x34, 0x50, 0, 5, 0x12, 0x34, 0x50, 2, 1, 0x70}),
         drawn("121345123457")},
        {bmp(3, 3, 4, 2, {1, 0x10, 0, 0, 0, 2, 1, 1, 1, 0x20}), drawn("1ff fff f2f")},
        {bmp(3, 3, 8, 1, {5, 7, 1, 8, 0, 0, 0, 4, 1, 2, 3, 4, 0, 0, 2, 9}), drawn("777 123 99.")},
        {bmp(3, 3, 4, 2, {255, 0x56, 0, 0, 0, 4, 0x12, 0x34, 0, 0, 1, 0x70}), drawn("565 123 7ff")},
        {bmp(2, 2, 8, 1, {255, 3}), drawn("33 ..")},
        {bmp(2, -2, 8, 1, {2, 5, 0, 0, 1, 6, 0, 1}), drawn("6. 55")},
        {bmp(1, -2048, 8, 1, {1, 3}), drawn(high)},
        {bmp(2, 2, 8, 1, {1, 4, 0, 2, 255, 255, 1, 6}), drawn("4. ..")},
        {bmp(2, 3, 8, 1, {1, 4, 0, 2, 0, 2, 1, 6}), drawn("4. .. .6")},
        {bmp(4, 1, 8, 1, {0, 4, 1, 2}), drawn("12..")},
        {bmp(4, 1, 8, 1, {0, 3, 1, 2, 3}), drawn("123.")},
        {bmp(4, 1, 8, 1, {1, 1, 0, 2, 1}), drawn("1...")},
        {bmp(4, 1, 8, 1, {1, 1, 3}), drawn("1...")},
        {bmp(4, 1, 4, 2, {0, 4, 0x12}), drawn("12ff")},
        {bmp(2, 1, 8, 1, {1, 1}, {40, 2}), drawn("1-")}};
    const Bytes good = bmp(2, 1, 8, 0, {1, 2, 0, 0}), v5 = bmp(2, 1, 24, 0, {}, {124}),
                six = {1, 2, 3, 4, 5, 6};
    Refused refused = {
        {bmp(2, 1, 8, 3), {Reason::UnsupportedCompression}},
        {bmp(2, 1, 24, ~0u), {Reason::UnsupportedCompression}},
        {bmp(2, 1, 4, 1), {Reason::CompressionBitMismatch}},
        {bmp(2, 1, 8, 2), {Reason::CompressionBitMismatch}},
        {bmp(0, 1, 24, 0), {Reason::NoPixels}},
        {bmp(2, 0, 24, 0), {Reason::NoPixels}},
        {bmp(-2, 1, 24, 0), {Reason::NegativeWidth}},
        {bmp(2049, 1, 24, 0), {Reason::TooWide, 2049}},
        {bmp(65538, 1, 24, 0), {Reason::TooWide, 65538}},
        {bmp(1, 2049, 8, 1), {Reason::TooHigh, 2049}},
        {bmp(1, -2049, 8, 1), {Reason::TooHigh, 2049}},
        {bmp(1, INT32_MIN, 24, 0), {Reason::TooHigh, 0x80000000u}},
        {bmp(INT32_MAX, INT32_MAX, 8, 1), {Reason::TooWide, INT32_MAX}},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}, {Reason::NotBmp}},
        {cat<uint8_t>({{'B', 'L'}, Bytes(good.begin() + 2, good.end())}), {Reason::NotBmp}},
        {{'B'}, {Reason::FileEnds}},
        {Bytes(v5.begin(), v5.end() - 1), {Reason::FileEnds}},
        {bmp(2, 1, 8, 0, {1, 2, 0, 0}, {40, 4, 0, 14 + 40 + 15}), {Reason::PixelsInsideHeader}},
        {bmp(2, 1, 1, 0, {0, 0, 0, 0}, {40, 3}), {Reason::PaletteTooLong, 3}},
        {bmp(2, 1, 4, 0, {0, 0, 0, 0}, {40, 17}), {Reason::PaletteTooLong, 17}}};
    for (const auto& [length, why] : {std::pair{0, Reason::EmptyFile},
                                      {17, Reason::FileEnds},
                                      {53, Reason::FileEnds},
                                      {14 + 40 + 6, Reason::FileEnds}})
        refused.push_back({Bytes(good.begin(), good.begin() + length), {why}});
    for (uint32_t bits : {2u, 16u, 32u, 280u})
        refused.push_back({bmp(2, 1, bits, 0), {Reason::UnsupportedBitCount, bits}});
    for (const auto& [layout, why] : {std::pair{Layout{12}, Refusal{Reason::UnknownBmpHeader, 12}},
                                      {Layout{64}, {Reason::UnknownBmpHeader, 64}},
                                      {Layout{41}, {Reason::UnknownBmpHeader, 41}},
                                      {Layout{40, 0, 0, 0}, {Reason::PixelsInsideHeader}},
                                      {Layout{40, 0, 0, 13}, {Reason::PixelsInsideHeader}},
                                      {Layout{108, 0, 0, 121}, {Reason::PixelsInsideHeader}},
                                      {Layout{40, 0, 0, 14 + 40 + 7}, {Reason::FileEnds}}})
        refused.push_back({bmp(2, 1, 24, 0, six, layout), why});
    EXPECT_EQ(misread(decodeBmp, decoded, refused), std::vector<std::string>{});
    Image image{};
    Refusal refusal;
    EXPECT_FALSE(decodeBmp(image, nullptr, 100, refusal));
    EXPECT_EQ(refusal, Refusal{Reason::EmptyFile});
}
