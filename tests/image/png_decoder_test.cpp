// decodePng against libpng's decode, and on hand-made files.
#include <gtest/gtest.h>

#include <numeric>

#include "image/png_decoder.h"
#include "image/png_filters.h"
#include "tests/image/test_data.h"

using namespace testing_image;

// Every colour type and depth; small pictures with each filter forced, larger
// ones with libpng's choice; as written and re-cut inside the zlib header, into
// an empty chunk, inside the first block, short ones a byte a chunk.
TEST(Png, DecodesAsLibpngDecodes) {
    const uint32_t kinds[][3] = {{2, 8, 0},  {6, 8, 0}, {4, 8, 0}, {3, 8, 256},
                                 {3, 8, 17}, {3, 1, 2}, {3, 2, 4}, {3, 4, 16},
                                 {0, 1, 0},  {0, 2, 0}, {0, 4, 0}, {0, 8, 0}};
    const uint32_t sizes[][2] = {{1, 1},   {2, 3},   {5, 4},   {7, 7},     {31, 9},    {64, 33},
                                 {129, 5}, {45, 40}, {70, 90}, {128, 128}, {181, 100}, {256, 256}};
    uint32_t seed = 0;
    for (const auto& [type, depth, colours] : kinds) {
        for (const auto& [width, height] : sizes) {
            for (int filter = width * height < 2500 ? 0 : 5; filter <= 5; ++filter) {
                std::mt19937 rng(++seed);
                PngRequest request{width, height, int(type), int(depth),
                                   filter < 5 ? PNG_FILTER_NONE << filter : PNG_ALL_FILTERS};
                for (uint32_t i = 0; i < colours; ++i)
                    request.palette.push_back({png_byte(rng()), png_byte(rng()), png_byte(rng())});
                const uint32_t samples = colours ? 1 : (type & 2 ? 3 : 1) + (type >> 2);
                std::vector<Bytes> rows;
                for (uint32_t y = 0; y < height; ++y) {
                    rows.push_back(sample((width * samples * depth + 7) / 8, seed + y, 40));
                    for (uint8_t& v : rows.back()) v = colours == 17 ? v % 17 : v;
                }
                const Bytes png = writePng(request, rows);
                const size_t length = rechunked(png, nullptr).size();
                std::vector<size_t> everyByte(length < 300 ? length - 1 : 0);
                std::iota(everyByte.begin(), everyByte.end(), 1);
                for (const std::vector<size_t>& cuts :
                     {{}, {1}, {0, 2, 3, length / 2}, everyByte}) {
                    const Bytes file = cuts.empty() ? png : rechunked(png, &cuts);
                    Image image{};
                    Refusal refusal;
                    ASSERT_TRUE(decodePng(image, file.data(), uint32_t(file.size()), refusal))
                        << seed;
                    ASSERT_EQ(taken(image), libpngPicture(png)) << seed;
                }
            }
        }
    }
}

// Both routines of each pixel size on rows around the vector widths, with ties
// and wrap-arounds; no byte past the row touched; types above 4 refused.
TEST(Png, FiltersAsTheStandardReconstructs) {
    using Unfilter = bool (*)(uint32_t, const uint8_t*, const uint8_t*, uint8_t*, uint32_t);
    const Unfilter routines[] = {unfilterPortable<1>, unfilterVector<1>,   unfilterPortable<2>,
                                 unfilterVector<2>,   unfilterPortable<3>, unfilterVector<3>,
                                 unfilterPortable<4>, unfilterVector<4>};
    const uint8_t few[] = {0, 1, 2, 3, 127, 128, 254, 255};
    std::mt19937 rng(11);
    for (uint32_t round = 0; round < 8 * 17 * 6 * 40; ++round) {
        const uint32_t routine = round % 8, unit = routine / 2 + 1, filter = round / 8 % 6;
        const uint32_t widths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 15, 16, 17, 21, 31, 32, 33};
        const uint32_t length = widths[round / 48 % 17] * unit;
        Bytes in(length), prior(length), expected(length), out(length + 16, 0xA5);
        for (Bytes* bytes : {&in, &prior})
            for (uint8_t& v : *bytes) v = round / 816 % 2 ? few[rng() % 8] : uint8_t(rng());
        for (size_t x = 0; x < length; ++x) {
            const int a = x >= unit ? expected[x - unit] : 0, b = prior[x];
            const int c = x >= unit ? prior[x - unit] : 0, p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictions[] = {
                0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c, 0};
            expected[x] = uint8_t(in[x] + predictions[filter]);
        }
        // A refused row leaves the whole buffer with the fill it had.
        const Bytes after =
            filter < 5 ? cat<uint8_t>({expected, Bytes(16, 0xA5)}) : Bytes(length + 16, 0xA5);
        ASSERT_EQ(routines[routine](filter, in.data(), prior.data(), out.data(), length),
                  filter < 5)
            << "round " << round << ", filter " << filter;
        ASSERT_EQ(firstDifference(out, after), "none")
            << "round " << round << ", filter " << filter << ", " << unit << "-byte pixels, "
            << length << " bytes, " << (routine % 2 ? "vector" : "portable");
    }
}

// Decoded: CRCs unchecked, no IEND, data after the image, a 16 KiB window, the
// largest sides. Refused: chunks missing, misplaced or cut; IHDR fields, zlib
// headers and sizes not taken; streams broken, short or split; indices too high.
TEST(Png, HandMadeFiles) {
    const auto ihdr = [](uint32_t width, uint32_t height, const Bytes& fields) {
        return chunk("IHDR", cat<uint8_t>({big32(width), big32(height), fields}));
    };
    const Bytes z = zlibCompress({0, 1, 2, 3, 0, 4, 5, 6}), idat = chunk("IDAT", z),
                end = chunk("IEND", {}), header = ihdr(1, 2, {8, 2, 0, 0, 0});
    const Bytes header3 = ihdr(2, 1, {8, 3, 0, 0, 0}),
                indices = chunk("IDAT", zlibCompress({0, 1, 2})),
                plte = chunk("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3});
    const auto withData = [&](const Bytes& data) {
        return file({header, chunk("IDAT", data), end});
    };
    const auto rgb = [](uint32_t width, uint32_t height) {
        return writePng({width, height}, std::vector<Bytes>(height, sample(width * 3, width)));
    };
    Bytes text = chunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}), cutCrc = file({header, idat});
    const auto headed = [&](uint8_t cmf, uint8_t flg) {
        return withData(cat<uint8_t>({{cmf, flg}, Bytes(z.begin() + 2, z.end())}));
    };
    Bytes longIdat = cutCrc, hugeText = cutCrc, stub = cutCrc;
    Bytes later = file({header, idat, chunk("IDAT", {1, 2, 3})});
    text.back() ^= 0xFF;  // a broken CRC
    cutCrc.resize(cutCrc.size() - 4);
    longIdat[8 + 25 + 3]++;  // an IDAT length one past its data, with the CRC gone
    longIdat.resize(longIdat.size() - 4);
    later[later.size() - 12]++;  // the same for a further IDAT
    later.resize(later.size() - 4);
    hugeText.insert(hugeText.end(), {0xFF, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 1, 2, 3});
    stub.insert(stub.end(), {0, 0, 0});
    const Bytes wide = rgb(2048, 1), high = rgb(1, 2048);
    std::vector<std::pair<Bytes, Picture>> decoded = {
        {file({header3, plte, chunk("tRNS", {0, 9}), indices, end}),
         picture(2, 3, {2, 2, 2, 3, 3, 3})},
        {wide, libpngPicture(wide)},
        {high, libpngPicture(high)}};
    for (const Bytes& png : {file({header, text, idat, end}), cutCrc,
                             file({header, idat, text, chunk("IDAT", {1}), end}),
                             withData(zlibCompress({0, 1, 2, 3, 0, 4, 5, 6, 0, 7})),
                             file({header, idat, end, chunk("IHDR", {1, 2})}), headed(0x68, 0x81)})
        decoded.push_back({png, picture(1, 3, {4, 5, 6, 1, 2, 3})});
    const Bytes split = file({header, chunk("IDAT", Bytes(z.begin(), z.begin() + 6)), text,
                              chunk("IDAT", Bytes(z.begin() + 6, z.end()))});
    const Bytes onePixel = file({ihdr(8, 1, {1, 3, 0, 0, 0}), chunk("PLTE", {1, 1, 1}),
                                 chunk("IDAT", zlibCompress({0, 1}))});
    const Bytes signature = file({});
    // A stored final block cut short ends the stream two bytes early.
    const Bytes stored = zlibCompress({0, 1, 2, 3, 0, 4, 5, 6}, 0);
    const Bytes storedCut(stored.begin(), stored.end() - 6);
    Refused refused = {
        {{}, {Reason::EmptyFile}},
        {Bytes(signature.begin(), signature.end() - 1), {Reason::FileEnds}},
        {signature, {Reason::FileEnds}},
        {file({header}), {Reason::FileEnds}},
        {Bytes(wide.begin(), wide.begin() + long(wide.size() / 2)), {Reason::FileEnds}},
        {cat<uint8_t>({{137, 80, 78, 71, 13, 10, 26, 11}, header, idat, end}), {Reason::NotPng}},
        {{'B', 'M', 0, 0}, {Reason::NotPng}},
        {file({header, end}), {Reason::NoImageData}},
        {file({text, end}), {Reason::PngHeaderMissing}},
        {file({idat, header, end}), {Reason::PngHeaderMissing}},
        {file({header, idat, header, end}), {Reason::PngHeaderDamaged}},
        {longIdat, {Reason::FileEnds}},
        {hugeText, {Reason::FileEnds}},
        {stub, {Reason::FileEnds}},
        {later, {Reason::FileEnds}},
        {file({ihdr(1, 2, {8, 2, 0, 0, 0, 0}), idat, end}), {Reason::PngHeaderDamaged}},
        {rgb(2049, 1), {Reason::TooWide, 2049}},
        {rgb(1, 2049), {Reason::TooHigh, 2049}},
        {headed(0x88, 0x1C), {Reason::BadZlibHeader}},
        {headed(0x78, 0x9D), {Reason::BadZlibHeader}},
        {headed(0x78, 0x20), {Reason::BadZlibHeader}},
        {headed(0x77, 0x09), {Reason::BadZlibHeader}},
        {withData({0x78}), {Reason::CompressedDataEnds}},
        {withData({}), {Reason::CompressedDataEnds}},
        {split, {Reason::CompressedDataEnds}},
        {withData(Bytes(z.begin(), z.begin() + 5)), {Reason::CompressedDataEnds}},
        {withData(zlibCompress({0, 1, 2, 3, 0, 4})), {Reason::CompressedDataEnds}},
        {withData(storedCut), {Reason::CompressedDataEnds}},
        {withData(cat<uint8_t>({Bytes(z.begin(), z.begin() + 2), {7}})),
         {Reason::ReservedBlockType}},
        {withData(zlibCompress({5, 1, 2, 3, 0, 4, 5, 6})), {Reason::UnknownRowFilter}},
        {withData(zlibCompress({0, 1, 2, 3, 255, 4, 5, 6})), {Reason::UnknownRowFilter}},
        {file({header3, indices, end}), {Reason::MissingPalette}},
        {file({header3, indices, plte, end}), {Reason::MissingPalette}},
        {file({header3, chunk("PLTE", {1, 1, 1, 2, 2, 2}), indices, end}),
         {Reason::PaletteIndexTooHigh}},
        {onePixel, {Reason::PaletteIndexTooHigh}},
        // IHDR fields
        {file({ihdr(1, 2, {16, 2, 0, 0, 0}), idat}), {Reason::SixteenBitChannels}},
        {file({ihdr(1, 2, {16, 0, 0, 0, 0}), idat}), {Reason::SixteenBitChannels}},
        {file({ihdr(1, 2, {16, 3, 0, 0, 0}), idat}), {Reason::BadColourType}},
        {file({ihdr(1, 2, {8, 2, 1, 0, 0}), idat}), {Reason::UnknownPngMethod}},
        {file({ihdr(1, 2, {8, 2, 0, 1, 0}), idat}), {Reason::UnknownPngMethod}},
        {file({ihdr(1, 2, {8, 2, 0, 0, 2}), idat}), {Reason::UnknownPngMethod}},
        {file({ihdr(1, 2, {8, 2, 0, 0, 1}), idat}), {Reason::Interlaced}},
        {file({ihdr(1, 2, {8, 5, 0, 0, 0}), idat}), {Reason::BadColourType}},
        {file({ihdr(1, 2, {4, 2, 0, 0, 0}), idat}), {Reason::BadColourType}},
        {file({ihdr(1, 2, {3, 0, 0, 0, 0}), idat}), {Reason::BadColourType}},
        {file({ihdr(0, 2, {8, 2, 0, 0, 0}), idat}), {Reason::NoPixels}},
        {file({ihdr(2, 0, {8, 2, 0, 0, 0}), idat}), {Reason::NoPixels}},
        {file({ihdr(0x80000000u, 1, {8, 2, 0, 0, 0}), idat}), {Reason::TooWide, 0x80000000u}},
        {file({ihdr(70000, 70000, {8, 2, 0, 0, 0}), idat}), {Reason::TooWide, 70000}},
        {file({ihdr(2048, 70000, {8, 2, 0, 0, 0}), idat}), {Reason::TooHigh, 70000}},
        {file({ihdr(0x7FFFFFFF, 1, {8, 0, 0, 0, 0}), idat}), {Reason::TooWide, 0x7FFFFFFF}},
        {file({ihdr(2048, 2048, {8, 6, 0, 0, 0}), idat}), {Reason::CompressedDataEnds}}};
    EXPECT_EQ(misread(decodePng, decoded, refused), std::vector<std::string>{});
}
