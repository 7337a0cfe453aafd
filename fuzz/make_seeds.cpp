// Writes the fuzzers' starting corpora: zlib streams of every block kind;
// PNGs of every colour type and depth, with small zlib windows and streams
// cut over several IDAT chunks (inside the zlib header, after it, every few
// bytes); BMPs of every kind behind 40- to 124-byte info headers, with short
// palettes, gaps, padded and top-down rows, and the RLE escapes and overruns.
//   make_fuzz_seeds DIR   creates DIR/inflate, DIR/png and DIR/bmp
#include <fstream>

#include "tests/image/test_data.h"

using namespace testing_image;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    bool ok = true;
    int count = 0;
    const auto save = [&](const char* kind, const Bytes& bytes) {
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / kind;
        std::filesystem::create_directories(folder);
        std::ofstream out(folder / std::to_string(++count), std::ios::binary);
        ok =
            out.write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size())).good() && ok;
    };
    // Two capacity bytes, then the stream after zlib's header.
    for (int level : {0, 1, 6, 9}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
            const Bytes data = sample(300 + 50 * level, uint32_t(level + strategy), 20);
            const Bytes z = zlibCompress(data, level, strategy);
            save("inflate",
                 cat<uint8_t>({{0, uint8_t(data.size() / 16 + 1)}, Bytes(z.begin() + 2, z.end())}));
        }
    }
    const int kinds[][2] = {{2, 8}, {6, 8}, {4, 8}, {3, 8}, {3, 4}, {3, 1}, {0, 8}, {0, 2}};
    for (const auto& [type, depth] : kinds) {
        for (uint32_t width : {1u, 5u, 12u}) {
            PngRequest request{width, 3, type, depth};
            for (int i = 0; type == 3 && i < 1 << depth; ++i)
                request.palette.push_back({uint8_t(i), uint8_t(3 * i), 9});
            const uint32_t bytes =
                (width * (type == 3 ? 1 : (type & 2 ? 3 : 1) + (type >> 2)) * depth + 7) / 8;
            const Bytes png = writePng(request, std::vector<Bytes>(3, sample(bytes, width, 5)));
            const size_t length = rechunked(png, nullptr).size();
            std::vector<size_t> everyFive;
            for (size_t cut = 5; cut < length; cut += 5) everyFive.push_back(cut);
            for (const std::vector<size_t>& cuts : {{}, {1}, {2}, everyFive})
                save("png", cuts.empty() ? png : rechunked(png, &cuts));
        }
    }
    for (const auto& [width, height, bits, rle, layout] :
         {std::tuple<int32_t, int32_t, uint32_t, uint32_t, Layout>{4, 2, 24, 0, {}},
          {7, -2, 24, 0, {52}},
          {16, 2, 1, 0, {}},
          {70, 2, 1, 0, {108, 2, 4}},
          {5, 3, 4, 0, {56, 0, 2}},
          {4, 1, 8, 0, {}},
          {7, -3, 8, 0, {124, 5, 6}}}) {
        const Bytes rows =
            sample((uint32_t(width) * bits + 31) / 32 * 4 * uint32_t(std::abs(height)), bits, 0);
        save("bmp", bmp(width, height, bits, rle, rows, layout));
    }
    save("bmp",
         bmp(6, 4, 8, 1, {3, 7, 0, 0, 0, 3, 5, 6, 7, 0, 0, 2, 1, 1, 2, 9, 0, 4, 1, 2, 3, 4, 0, 1}));
    save("bmp",
         bmp(6, 4, 4, 2, {5, 0x12, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 2, 1, 3, 0x9A, 0, 1}));
    save("bmp",
         bmp(4, 3, 8, 1, {6, 7, 1, 2, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 4, 9, 0, 1}, {108, 10}));
    save("bmp",
         bmp(3, -3, 4, 2, {7, 0x12, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 1, 1, 2, 0x34, 0, 1},
             {124, 9, 3}));
    return ok ? 0 : 1;
}
