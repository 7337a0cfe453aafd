// Test data for the decoder tests: hand-made DEFLATE streams, from a bit
// writer that puts exactly the codes and blocks it is told to, valid or not;
// zlib's streams of sample data and its inflate; PNGs written by libpng from
// known samples, read back by libpng, re-cut into other IDAT chunks or
// assembled chunk by chunk for the cases libpng would never write; and a
// temporary directory to put files in.
#pragma once

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_image {

using Bytes = std::vector<uint8_t>;
using Lengths = std::vector<uint16_t>;

template <typename T>
std::vector<T> cat(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> out;
    for (const std::vector<T>& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Code lengths from runs of {count, length}.
inline Lengths runsOf(std::initializer_list<std::pair<uint32_t, uint16_t>> runs) {
    Lengths out;
    for (auto [count, length] : runs) out.insert(out.end(), count, length);
    return out;
}
// `symbols` code lengths, 0 but for the {symbol, length} pairs given.
inline Lengths sparse(uint32_t symbols, std::initializer_list<std::pair<uint32_t, uint16_t>> codes) {
    Lengths out(symbols, 0);
    for (auto [symbol, length] : codes) out[symbol] = length;
    return out;
}
inline Lengths fixedLiterals() { return runsOf({{144, 8}, {112, 9}, {24, 7}, {8, 8}}); }
// Complete codes unlike the fixed ones.
inline Lengths dynamicLiterals() { return runsOf({{60, 9}, {226, 8}}); }
inline Lengths dynamicDistances() { return runsOf({{2, 4}, {28, 5}}); }
inline Lengths codeLengthCode() { return runsOf({{13, 4}, {6, 5}}); }
// The complete codes that need the most table slots, found by searching code
// length counts with the table builder: 852 slots for 286 literal/length
// symbols at root 9, 592 for 30 distance symbols at root 6.
inline Lengths largestLiteralLengthCode() {
    return runsOf({{1, 1}, {1, 2}, {1, 3}, {53, 10}, {81, 11}, {129, 12}, {17, 13}, {1, 14}, {2, 15}});
}
inline Lengths largestDistanceCode() {
    return runsOf({{1, 1}, {1, 2}, {1, 3}, {13, 7}, {4, 8}, {3, 9}, {1, 10}, {1, 11}, {1, 12}, {1, 13}, {1, 14},
                   {2, 15}});
}

// Canonical codes from code lengths (RFC 1951 3.2.2); 0 for uncoded symbols.
inline std::vector<uint32_t> canonicalCodes(const Lengths& lengths) {
    uint32_t count[16] = {}, next[16] = {};
    for (uint16_t length : lengths) ++count[length];
    count[0] = 0;
    for (uint32_t bits = 1; bits < 16; ++bits) next[bits] = (next[bits - 1] + count[bits - 1]) << 1;
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s) codes[s] = lengths[s] != 0 ? next[lengths[s]]++ : 0;
    return codes;
}

// RFC 1951 3.2.5, derived from its rules rather than copied from the decoder:
// length symbol 257 + i and distance symbol i.
inline uint32_t lengthExtra(uint32_t i) { return i < 8 || i == 28 ? 0 : (i - 4) / 4; }
inline uint32_t lengthBase(uint32_t i) {
    return i == 28 ? 258 : i == 0 ? 3 : lengthBase(i - 1) + (1u << lengthExtra(i - 1));
}
inline uint32_t distanceExtra(uint32_t i) { return i < 4 ? 0 : i / 2 - 1; }
inline uint32_t distanceBase(uint32_t i) { return i == 0 ? 1 : distanceBase(i - 1) + (1u << distanceExtra(i - 1)); }

// A literal byte (length 0) or a back-reference of `length` at distance `value`.
struct Token { uint32_t length, value; };
using Tokens = std::vector<Token>;
inline Token lit(uint8_t byte) { return {0, byte}; }
inline Token match(uint32_t length, uint32_t distance) { return {length, distance}; }

// What a token list expands to.
inline Bytes expand(const Tokens& tokens) {
    Bytes out;
    for (const Token& t : tokens) {
        if (t.length == 0) out.push_back(static_cast<uint8_t>(t.value));
        for (uint32_t i = 0; i < t.length; ++i) out.push_back(out[out.size() - t.value]);
    }
    return out;
}

// Puts bits least-significant first, as DEFLATE packs them, and whole blocks.
struct BitWriter {
    Bytes bytes;
    uint32_t used = 0;
    BitWriter& put(uint32_t value, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i, used = (used + 1) % 8) {
            if (used == 0) bytes.push_back(0);
            bytes.back() = static_cast<uint8_t>(bytes.back() | (i < 32 ? (value >> i) & 1 : 0) << used);
        }
        return *this;
    }
    // Huffman codes go most-significant bit first.
    BitWriter& code(const Lengths& lengths, uint32_t symbol) {
        for (uint32_t i = lengths.at(symbol); i-- > 0;) put(canonicalCodes(lengths)[symbol] >> i, 1);
        return *this;
    }
    BitWriter& tokens(const Lengths& literals, const Lengths& distances, const Tokens& tokens) {
        for (const Token& t : tokens) {
            if (t.length == 0) {
                code(literals, t.value);
                continue;
            }
            uint32_t l = 28, d = 29;
            while (lengthBase(l) > t.length) --l;
            while (distanceBase(d) > t.value) --d;
            code(literals, 257 + l).put(t.length - lengthBase(l), lengthExtra(l));
            code(distances, d).put(t.value - distanceBase(d), distanceExtra(d));
        }
        return *this;
    }
    BitWriter& fixed(bool final, const Tokens& t, bool endBlock = true) {
        put(final + 2, 3).tokens(fixedLiterals(), Lengths(32, 5), t);
        return endBlock ? code(fixedLiterals(), 256) : *this;
    }
    BitWriter& stored(bool final, const Bytes& data, uint32_t nlen) {
        put(final, 3);
        used = 0;  // on to the byte boundary
        const size_t n = data.size();
        bytes.insert(bytes.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(nlen), uint8_t(nlen >> 8)});
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    // A dynamic block header with explicit counts, code-length code and
    // {symbol, extra bits} sequence.
    BitWriter& header(bool final, uint32_t hlit, uint32_t hdist, const Lengths& clCode,
                      const std::vector<std::pair<uint32_t, uint32_t>>& sequence) {
        static const uint32_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        uint32_t hclen = 19;
        while (hclen > 4 && clCode[order[hclen - 1]] == 0) --hclen;
        put(final + 4, 3).put(hlit - 257, 5).put(hdist - 1, 5).put(hclen - 4, 4);
        for (uint32_t i = 0; i < hclen; ++i) put(clCode[order[i]], 3);
        for (auto [s, extra] : sequence) code(clCode, s).put(extra, s < 16 ? 0 : s == 16 ? 2 : s == 17 ? 3 : 7);
        return *this;
    }
    // A dynamic block sending one code length per code-length symbol.
    BitWriter& dynamic(bool final, const Lengths& literals, const Lengths& distances, const Tokens& t,
                       bool endBlock = true) {
        std::vector<std::pair<uint32_t, uint32_t>> sequence;
        for (uint16_t l : cat<uint16_t>({literals, distances})) sequence.push_back({l, 0});
        header(final, uint32_t(literals.size()), uint32_t(distances.size()), codeLengthCode(), sequence);
        tokens(literals, distances, t);
        return endBlock ? code(literals, 256) : *this;
    }
};

// Sample data: words from a small vocabulary (long and short matches, like
// text), noise, or runs of short patterns (distances 1 to 7).
enum class Sample { text, noise, runs };
inline Bytes sample(Sample kind, size_t size, uint32_t seed) {
    static const std::string words[] = {"block ", "falls ", "row ", "score ", "level ", "piece ", "turns ",
                                        "the ",   "and ",   "a ",   "into ",  "field ", "drop\n", "line, "};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const std::string& word = words[rng() % 14];
        if (kind == Sample::text) out.insert(out.end(), word.begin(), word.end());
        if (kind == Sample::noise) out.push_back(uint8_t(rng()));
        const size_t period = 1 + rng() % 7, count = kind == Sample::runs ? 1 + rng() % 600 : 0;
        for (size_t i = 0; i < count; ++i) out.push_back(i < period ? uint8_t(rng()) : out[out.size() - period]);
    }
    out.resize(size);
    return out;
}
inline Bytes noise(size_t size, uint32_t seed) { return sample(Sample::noise, size, seed); }

// zlib's inflate of a raw DEFLATE stream (no zlib header or trailer); empty
// when zlib refuses it.
inline Bytes zlibInflateRaw(const Bytes& stream, size_t expectedSize) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) throw std::runtime_error("inflateInit2");
    Bytes out(expectedSize + 1);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const bool ended = inflate(&z, Z_FINISH) == Z_STREAM_END;
    out.resize(ended ? z.total_out : 0);
    inflateEnd(&z);
    return out;
}

// zlib's deflate; `flushEvery` > 0 splits the input and flushes with `flush`
// after each part, giving several blocks.
inline Bytes zlibCompress(const Bytes& data, int level, int strategy = Z_DEFAULT_STRATEGY, size_t flushEvery = 0,
                          int flush = Z_FULL_FLUSH) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK) throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&z, uLong(data.size())) + 64 + (flushEvery ? data.size() / flushEvery * 16 : 0));
    z.next_in = const_cast<Bytef*>(data.data());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    size_t offset = 0;
    do {
        const size_t part = flushEvery ? std::min(flushEvery, data.size() - offset) : data.size() - offset;
        z.avail_in = uInt(part);
        offset += part;
        const int rc = deflate(&z, offset == data.size() ? Z_FINISH : flush);
        if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("deflate");
    } while (offset < data.size());
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

constexpr int libpngFilterChoice = -1;  // no png_set_filter call

struct PngRequest {
    uint32_t width = 1, height = 1;
    int colourType = PNG_COLOR_TYPE_RGB, bitDepth = 8, filters = libpngFilterChoice;
    std::vector<png_color> palette = {};
    Bytes transparency = {};  // tRNS for palette images
};

namespace detail {
inline void append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
inline void noFlush(png_structp) {}

// Kept free of objects with destructors: libpng reports errors by longjmp.
inline bool writeWithLibpng(const PngRequest& r, png_bytepp rows, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, append, noFlush);
    png_set_IHDR(png, info, r.width, r.height, r.bitDepth, r.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!r.palette.empty()) png_set_PLTE(png, info, r.palette.data(), int(r.palette.size()));
    if (!r.transparency.empty()) png_set_tRNS(png, info, r.transparency.data(), int(r.transparency.size()), nullptr);
    if (r.filters != libpngFilterChoice) png_set_filter(png, PNG_FILTER_TYPE_BASE, r.filters);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct Reader { const Bytes* file; size_t position; };
inline void take(png_structp png, png_bytep data, png_size_t length) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > r->file->size() - r->position) png_error(png, "read past the end");
    std::memcpy(data, r->file->data() + r->position, length);
    r->position += length;
}

inline bool readWithLibpng(const Bytes& file, std::vector<Bytes>* rows, uint32_t* channels) {
    Reader reader{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, take);
    png_read_png(png, info, PNG_TRANSFORM_EXPAND, nullptr);
    const png_bytepp pointers = png_get_rows(png, info);
    *channels = png_get_channels(png, info);
    for (uint32_t y = 0; y < png_get_image_height(png, info); ++y) {
        rows->emplace_back(pointers[y], pointers[y] + png_get_rowbytes(png, info));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
}  // namespace detail

// libpng's own decode of `file`, palettes expanded to RGB: the rows, top
// first, and the channel count.
inline std::vector<Bytes> libpngPixels(const Bytes& file, uint32_t& channels) {
    std::vector<Bytes> rows;
    if (!detail::readWithLibpng(file, &rows, &channels)) throw std::runtime_error("libpng read failed");
    return rows;
}

inline uint32_t readBig32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | p[2] << 8 | p[3]; }

inline Bytes big32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

// The data offsets and lengths of a file's complete IDAT chunks.
inline std::vector<std::pair<size_t, uint32_t>> idatChunks(const Bytes& png) {
    std::vector<std::pair<size_t, uint32_t>> out;
    for (size_t pos = 8; pos + 12 <= png.size() && pos + 12 + readBig32(&png[pos]) <= png.size();
         pos += 12 + readBig32(&png[pos])) {
        if (std::memcmp(&png[pos + 4], "IDAT", 4) == 0) out.emplace_back(pos + 8, readBig32(&png[pos]));
    }
    return out;
}

// `rows` are the raw scanlines without filter bytes (samples packed for
// depths below 8). libpng's settings but the filters are its defaults: IDAT
// chunks of 8 KiB, and a zlib window shrunk to the smallest that covers the
// filtered image (CMF 0x08 for up to 256 bytes).
inline Bytes writePng(const PngRequest& request, std::vector<Bytes> rows) {
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) pointers.push_back(row.data());
    Bytes png;
    if (!detail::writeWithLibpng(request, pointers.data(), &png)) throw std::runtime_error("libpng write failed");
    return png;
}

// The data of a file's IDAT chunks, one after the other: its zlib stream.
inline Bytes idatStream(const Bytes& png) {
    Bytes out;
    for (auto [data, length] : idatChunks(png)) out.insert(out.end(), &png[data], &png[data] + length);
    return out;
}

inline Bytes chunk(const char* type, const Bytes& data) {
    const Bytes typed = cat<uint8_t>({Bytes(type, type + 4), data});
    return cat<uint8_t>({big32(uint32_t(data.size())), typed, big32(crc32(0, typed.data(), uInt(typed.size())))});
}

inline Bytes headerData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t compression = 0,
                        uint8_t filter = 0, uint8_t interlace = 0) {
    return cat<uint8_t>({big32(width), big32(height), {depth, colourType, compression, filter, interlace}});
}

// `bytes` with byte `at` (counted from the end when negative) XORed with `mask`.
inline Bytes flipped(Bytes bytes, long at, uint8_t mask) {
    bytes[size_t(at < 0 ? long(bytes.size()) + at : at)] ^= mask;
    return bytes;
}

inline Bytes file(const std::vector<Bytes>& chunks) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

// `png` with its zlib stream cut into IDAT chunks at the stream offsets
// `cuts` (ascending; a repeated offset gives an empty chunk) in place of the
// IDAT chunks it had.
inline Bytes rechunked(const Bytes& png, const std::vector<size_t>& cuts) {
    const Bytes stream = idatStream(png);
    std::vector<Bytes> chunks;
    bool idatsDone = false;
    for (size_t pos = 8; pos + 12 <= png.size(); pos += 12 + readBig32(&png[pos])) {
        if (std::memcmp(&png[pos + 4], "IDAT", 4) != 0) {
            chunks.emplace_back(&png[pos], &png[pos] + 12 + readBig32(&png[pos]));
        } else if (!idatsDone) {
            size_t from = 0;
            for (size_t cut : cuts) {
                chunks.push_back(chunk("IDAT", Bytes(stream.begin() + long(from), stream.begin() + long(cut))));
                from = cut;
            }
            chunks.push_back(chunk("IDAT", Bytes(stream.begin() + long(from), stream.end())));
            idatsDone = true;
        }
    }
    return file(chunks);
}

// A fresh directory under the system temp dir, removed with everything in it.
struct TempDir {
    std::string path = (std::filesystem::temp_directory_path() / "stapelix-image-XXXXXX").string();
    TempDir() { if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("mkdtemp"); }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    // Writes a file in the directory and returns its name.
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string file = path + "/" + name;
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        return file;
    }
};

}  // namespace testing_image
