// Writes a starting corpus for each of the three fuzzers: small zlib streams of every
// block kind, PNG files of every accepted colour type and depth (also with
// smaller zlib windows and the stream cut over several IDAT chunks), and BMP
// files of every kind with the RLE escapes, behind 40- to 124-byte info
// headers, with short palettes, gaps, padded and top-down rows. zlib is the
// encoder here.
//   make_fuzz_seeds DIR   creates DIR/inflate, DIR/png and DIR/bmp
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

bool writeFile(const fs::path& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

Bytes sampleData(size_t size, uint32_t seed) {
    Bytes out(size);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        // Mostly repeats of a short phrase, some noise.
        out[i] = (state >> 28) == 0 ? static_cast<uint8_t>(state >> 16) : static_cast<uint8_t>("tile row "[i % 9]);
    }
    return out;
}

Bytes deflateWith(const Bytes& data, int level, int strategy, int windowBits = 15) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, strategy);
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void putBig32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

Bytes chunk(const char* type, const Bytes& data) {
    Bytes out;
    putBig32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    putBig32(out, static_cast<uint32_t>(crc));
    return out;
}

// How a PNG's zlib stream is written: its window, and where it is cut into
// IDAT chunks: at `firstCut`, then every `every` bytes (0: not at all).
struct Stream {
    int windowBits = 15;
    size_t firstCut = 0;
    size_t every = 0;
};

Bytes png(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint32_t seed,
          const Stream& stream = {}) {
    const uint32_t samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const uint32_t scanline = (width * samples * depth + 7) / 8;
    Bytes filtered;
    for (uint32_t y = 0; y < height; ++y) {
        filtered.push_back(static_cast<uint8_t>(y % 5));
        const Bytes row = sampleData(scanline, seed + y);
        filtered.insert(filtered.end(), row.begin(), row.end());
    }
    Bytes header;
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {depth, colourType, 0, 0, 0});
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    const Bytes ihdr = chunk("IHDR", header);
    out.insert(out.end(), ihdr.begin(), ihdr.end());
    if (colourType == 3) {
        Bytes palette;
        for (uint32_t i = 0; i < (1u << depth); ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(3 * i), 9});
        const Bytes plte = chunk("PLTE", palette);
        out.insert(out.end(), plte.begin(), plte.end());
    }
    const Bytes z = deflateWith(filtered, 6, Z_DEFAULT_STRATEGY, stream.windowBits);
    size_t from = 0;
    for (size_t cut = stream.firstCut; cut != 0 && cut < z.size(); cut += stream.every) {
        const Bytes idat = chunk("IDAT", Bytes(z.begin() + long(from), z.begin() + long(cut)));
        out.insert(out.end(), idat.begin(), idat.end());
        from = cut;
        if (stream.every == 0) break;
    }
    const Bytes idat = chunk("IDAT", Bytes(z.begin() + long(from), z.end()));
    const Bytes iend = chunk("IEND", {});
    out.insert(out.end(), idat.begin(), idat.end());
    out.insert(out.end(), iend.begin(), iend.end());
    return out;
}

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The info header's size, biClrUsed (0: 2^bits palette entries) and the
// bytes between the palette and the pixels.
struct Layout {
    uint32_t infoBytes = 40;
    uint32_t coloursUsed = 0;
    uint32_t gap = 0;
};

Bytes bmp(int32_t width, int32_t height, uint32_t bits, uint32_t compression, const Bytes& pixels,
          const Layout& layout = {}) {
    Bytes out = {'B', 'M'};
    uint32_t entries = layout.coloursUsed != 0 ? layout.coloursUsed : 1u << bits;
    if (bits == 24) entries = 0;
    const uint32_t offset = 14 + layout.infoBytes + entries * 4 + layout.gap;
    put32(out, static_cast<uint32_t>(offset + pixels.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, layout.infoBytes);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, compression);
    for (uint32_t v : {0u, 2835u, 2835u, layout.coloursUsed, 0u}) put32(out, v);
    out.resize(14 + layout.infoBytes, 0);
    for (uint32_t i = 0; i < entries; ++i)
        out.insert(out.end(), {uint8_t(i), uint8_t(2 * i), 7, 0});
    out.resize(out.size() + layout.gap, 0xEE);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// Rows of `width` pixels at `bits`, each padded to 4 bytes as in the file.
Bytes paddedRows(uint32_t width, uint32_t rows, uint32_t bits, uint32_t seed) {
    return sampleData((width * bits + 31) / 32 * 4 * rows, seed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* sub : {"inflate", "png", "bmp"}) fs::create_directories(root / sub);
    bool ok = true;
    int count = 0;

    // Inflate seeds: two capacity bytes, then the DEFLATE data without the
    // zlib header.
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE};
    for (int level : {0, 1, 6, 9}) {
        for (int strategy : strategies) {
            const Bytes data = sampleData(300 + 50 * level, static_cast<uint32_t>(level + strategy));
            const Bytes z = deflateWith(data, level, strategy);
            Bytes seed = {0, static_cast<uint8_t>(data.size() / 16 + 1)};
            seed.insert(seed.end(), z.begin() + 2, z.end());
            ok &= writeFile(root / "inflate" / ("zlib-" + std::to_string(++count)), seed);
        }
    }

    // PNG seeds of every accepted colour type and depth.
    struct Kind {
        uint8_t colourType;
        uint8_t depth;
    };
    for (const Kind k : {Kind{2, 8}, Kind{6, 8}, Kind{3, 8}, Kind{3, 4}, Kind{3, 1}, Kind{0, 8}, Kind{0, 2}, Kind{4, 8}}) {
        for (uint32_t width : {1u, 5u, 12u}) {
            ok &= writeFile(root / "png" / ("png-" + std::to_string(++count)),
                            png(width, 3, k.depth, k.colourType, width + k.colourType));
        }
    }
    // Smaller windows, and streams over several IDATs: cut inside the zlib
    // header, after it, and every few bytes.
    for (const Stream stream : {Stream{9}, Stream{12, 1}, Stream{15, 2, 16}, Stream{10, 1, 5}}) {
        for (const Kind k : {Kind{2, 8}, Kind{6, 8}, Kind{3, 8}}) {
            ok &= writeFile(root / "png" / ("png-" + std::to_string(++count)),
                            png(9, 4, k.depth, k.colourType, 7 + k.colourType, stream));
        }
    }

    // BMP seeds: raw 24 bits, packed indices, RLE8 and RLE4 with every escape.
    ok &= writeFile(root / "bmp" / "rgb24", bmp(4, 2, 24, 0, sampleData(24, 1)));
    ok &= writeFile(root / "bmp" / "index1", bmp(16, 2, 1, 0, {0x80, 0x0F, 0xAA, 0x55}));
    ok &= writeFile(root / "bmp" / "index4", bmp(3, 2, 4, 0, {0x12, 0x34, 0x56}));
    ok &= writeFile(root / "bmp" / "index8", bmp(4, 1, 8, 0, {0, 1, 2, 3}));
    ok &= writeFile(root / "bmp" / "rle8",
                    bmp(6, 4, 8, 1, {3, 7, 0, 0, 0, 3, 5, 6, 7, 0, 0, 2, 1, 1, 2, 9, 0, 4, 1, 2, 3, 4, 0, 1}));
    ok &= writeFile(root / "bmp" / "rle4",
                    bmp(6, 4, 4, 2, {5, 0x12, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 2, 1, 3, 0x9A, 0, 1}));
    // The larger info headers, short palettes, gaps, padded and top-down
    // rows, and RLE runs past a row's end.
    ok &= writeFile(root / "bmp" / "v2-rgb24-top-down",
                    bmp(7, -2, 24, 0, paddedRows(7, 2, 24, 2), {52}));
    ok &=
        writeFile(root / "bmp" / "v3-index4", bmp(5, 3, 4, 0, paddedRows(5, 3, 4, 3), {56, 0, 2}));
    ok &= writeFile(root / "bmp" / "v4-rgb24", bmp(5, 3, 24, 0, paddedRows(5, 3, 24, 4), {108}));
    ok &= writeFile(root / "bmp" / "v4-index1-70",
                    bmp(70, 2, 1, 0, paddedRows(70, 2, 1, 5), {108, 2, 4}));
    ok &= writeFile(root / "bmp" / "v5-index8-short",
                    bmp(7, -3, 8, 0, paddedRows(7, 3, 8, 6), {124, 5, 6}));
    ok &= writeFile(
        root / "bmp" / "v4-rle8-overrun",
        bmp(4, 3, 8, 1, {6, 7, 1, 2, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 4, 9, 0, 1}, {108, 10}));
    ok &= writeFile(
        root / "bmp" / "v5-rle4-overrun",
        bmp(3, -3, 4, 2, {7, 0x12, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 1, 1, 2, 0x34, 0, 1},
            {124, 9, 3}));
    return ok ? 0 : 1;
}
