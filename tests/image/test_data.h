// Decoder test and fuzz seed inputs: DEFLATE from a bit writer, zlib's deflate,
// libpng's PNGs re-cut into other IDATs, BMPs built byte by byte.
#pragma once

#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "image/file_bytes.h"
#include "image/image.h"
#include "image/refusal.h"

inline bool operator==(const Refusal& a, const Refusal& b) {
    return a.reason == b.reason && a.detail == b.detail;
}
// How a failing check shows a reason: its number and the player's sentence.
inline void PrintTo(RefusalReason reason, std::ostream* out) {
    *out << int(reason) << " (" << refusalText({reason}) << ")";
}

namespace testing_image {

using Bytes = std::vector<uint8_t>;
using Lengths = std::vector<uint16_t>;

// Where two byte strings part, for a failure message: "none" when they are equal.
inline std::string firstDifference(const Bytes& actual, const Bytes& expected) {
    if (actual == expected) return "none";  // a memcmp, where the search below goes byte by byte
    const auto [a, e] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto text = [](const Bytes& bytes, Bytes::const_iterator at) {
        return at == bytes.end() ? std::string("the end") : std::to_string(*at);
    };
    return "byte " + std::to_string(a - actual.begin()) + " is " + text(actual, a) + ", expected " +
           text(expected, e) + " (sizes " + std::to_string(actual.size()) + " and " +
           std::to_string(expected.size()) + ")";
}

template <typename T>
std::vector<T> cat(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> out;
    for (const std::vector<T>& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Code lengths from runs: count, length, count, length...
inline Lengths runsOf(std::initializer_list<uint16_t> runs) {
    Lengths out;
    for (auto run = runs.begin(); run != runs.end(); run += 2)
        out.insert(out.end(), run[0], run[1]);
    return out;
}
inline const Lengths fixedLiterals = runsOf({144, 8, 112, 9, 24, 7, 8, 8});
// Complete codes; the largest need the whole table space (zlib's enough.c).
inline const Lengths dynamicLiterals = runsOf({60, 9, 226, 8});
inline const Lengths dynamicDistances = runsOf({2, 4, 28, 5});
inline const Lengths largestLiteralLengthCode =
    runsOf({1, 1, 1, 2, 1, 3, 53, 10, 81, 11, 129, 12, 17, 13, 1, 14, 2, 15});
inline const Lengths largestDistanceCode =
    runsOf({1, 1, 1, 2, 1, 3, 13, 7, 4, 8, 3, 9, 1, 10, 1, 11, 1, 12, 1, 13, 1, 14, 2, 15});
// Canonical codes (RFC 1951 3.2.2); 0 for uncoded symbols.
inline std::vector<uint32_t> canonicalCodes(const Lengths& lengths) {
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (uint32_t bits = 1, next = 0; bits < 16; ++bits, next <<= 1)
        for (size_t s = 0; s < lengths.size(); ++s)
            codes[s] = lengths[s] == bits ? next++ : codes[s];
    return codes;
}
// RFC 1951 3.2.5 from its rules: length symbol 257 + i, distance symbol i.
inline uint32_t extraBits(bool isLength, uint32_t i) {
    return isLength ? (i < 8 || i == 28 ? 0 : (i - 4) / 4) : (i < 4 ? 0 : i / 2 - 1);
}
inline uint32_t baseOf(bool isLength, uint32_t i) {
    if (i == 0) return isLength ? 3 : 1;
    return baseOf(isLength, i - 1) + (1u << extraBits(isLength, i - 1)) - (isLength && i == 28);
}

// A literal byte (length 0) or a back-reference of `length` at distance `value`.
struct Token {
    uint32_t length, value;
};
using Tokens = std::vector<Token>;
inline Bytes expand(const Tokens& tokens) {
    Bytes out;
    for (const Token& t : tokens) {
        if (t.length == 0) out.push_back(uint8_t(t.value));
        for (uint32_t i = 0; i < t.length; ++i) out.push_back(out[out.size() - t.value]);
    }
    return out;
}

// Bits least-significant first, as DEFLATE packs them, and whole blocks.
struct BitWriter {
    Bytes bytes;
    uint32_t used = 0;
    BitWriter& put(uint32_t value, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i, used = (used + 1) % 8) {
            if (used == 0) bytes.push_back(0);
            bytes.back() = uint8_t(bytes.back() | (i < 32 ? (value >> i) & 1 : 0) << used);
        }
        return *this;
    }
    // Huffman codes go most-significant bit first.
    BitWriter& code(const Lengths& lengths, uint32_t symbol) {
        for (uint32_t i = lengths.at(symbol); i-- > 0;)
            put(canonicalCodes(lengths)[symbol] >> i, 1);
        return *this;
    }
    BitWriter& tokens(const Lengths& literals, const Lengths& distances, const Tokens& tokens) {
        for (const auto& [length, value] : tokens) {
            uint32_t l = 28, d = 29;
            while (length != 0 && baseOf(true, l) > length) --l;
            while (length != 0 && baseOf(false, d) > value) --d;
            if (length == 0) code(literals, value);
            if (length != 0)
                code(literals, 257 + l).put(length - baseOf(true, l), extraBits(true, l));
            if (length != 0) code(distances, d).put(value - baseOf(false, d), extraBits(false, d));
        }
        return *this;
    }
    BitWriter& fixed(bool final, const Tokens& t, bool end = true) {
        put(final + 2, 3).tokens(fixedLiterals, Lengths(30, 5), t);
        return end ? code(fixedLiterals, 256) : *this;
    }
    BitWriter& stored(bool final, const Bytes& data, uint32_t nlen = 0) {
        put(final, 3).used = 0;  // on to the byte boundary
        put(uint32_t(data.size()), 16).put(nlen, 16);
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    // A dynamic block header: counts, then {code-length symbol, extra bits}.
    BitWriter& header(bool final, uint32_t hlit, uint32_t hdist,
                      const std::vector<std::pair<uint32_t, uint32_t>>& sequence,
                      const Lengths& clCode = runsOf({13, 4, 6, 5})) {
        const uint32_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                    11, 4,  12, 3, 13, 2, 14, 1, 15};
        put(final + 4, 3).put(hlit - 257, 5).put(hdist - 1, 5).put(19 - 4, 4);
        for (uint32_t i = 0; i < 19; ++i) put(clCode[order[i]], 3);
        for (auto [s, extra] : sequence)
            code(clCode, s).put(extra, s < 16 ? 0 : s == 18 ? 7 : s - 14);
        return *this;
    }
    // A dynamic block sending one code length per code-length symbol.
    BitWriter& dynamic(bool final, const Lengths& literals, const Lengths& distances,
                       const Tokens& t, bool end = true) {
        std::vector<std::pair<uint32_t, uint32_t>> sequence;
        for (uint16_t l : cat<uint16_t>({literals, distances})) sequence.push_back({l, 0});
        header(final, uint32_t(literals.size()), uint32_t(distances.size()), sequence)
            .tokens(literals, distances, t);
        return end ? code(literals, 256) : *this;
    }
};

// Noise with copies from up to `farthest` bytes back (0: none), up to 300 long.
inline Bytes sample(size_t size, uint32_t seed, size_t farthest = 32768) {
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const size_t distance = 1 + rng() % (farthest + 1), count = farthest ? rng() % 300 : 0;
        if (distance > out.size() || count < 75) out.push_back(uint8_t(rng()));
        for (size_t i = 0; distance <= out.size() && i < count; ++i)
            out.push_back(out[out.size() - distance]);
    }
    out.resize(size);
    return out;
}

// zlib's deflate, header and trailer included; a `flush` every `flushEvery` bytes.
inline Bytes zlibCompress(const Bytes& data, int level = 6, int strategy = Z_DEFAULT_STRATEGY,
                          size_t flushEvery = 0, int flush = Z_FULL_FLUSH) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy);
    Bytes out(deflateBound(&z, uLong(data.size())) * 2 + data.size() * 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    for (size_t done = 0, part = 0; done < data.size() || z.total_out == 0; done += part) {
        z.avail_in =
            uInt(part = flushEvery ? std::min(flushEvery, data.size() - done) : data.size());
        deflate(&z, done + part == data.size() ? Z_FINISH : flush);
    }
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A PNG as libpng writes raw scanlines: filters `filters` allows (-1: its
// choice), IDATs of 8 KiB, the smallest zlib window that covers the image.
struct PngRequest {
    uint32_t width = 1, height = 1;
    int colourType = PNG_COLOR_TYPE_RGB, bitDepth = 8, filters = -1;
    std::vector<png_color> palette = {};
};
inline Bytes writePng(const PngRequest& r, std::vector<Bytes> rows) {
    Bytes out;
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) pointers.push_back(row.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const auto append = [](png_structp png, png_bytep data, png_size_t length) {
        Bytes* to = static_cast<Bytes*>(png_get_io_ptr(png));
        to->insert(to->end(), data, data + length);
    };
    png_set_write_fn(png, &out, append, [](png_structp) {});
    png_set_IHDR(png, info, r.width, r.height, r.bitDepth, r.colourType, 0, 0, 0);
    if (!r.palette.empty()) png_set_PLTE(png, info, r.palette.data(), int(r.palette.size()));
    if (r.filters >= 0) png_set_filter(png, 0, r.filters);
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Width, channels and the rows, bottom first, each zero-filled to 4 bytes.
using Picture = std::tuple<int32_t, uint32_t, Bytes>;
inline Picture picture(uint32_t width, uint32_t channels, const Bytes& bottomFirst) {
    Bytes rows;
    for (size_t at = 0, row = width * channels; at < bottomFirst.size(); at += row) {
        rows.insert(rows.end(), &bottomFirst[at], &bottomFirst[at] + row);
        rows.resize(rows.size() + (4 - row % 4) % 4, 0);
    }
    return {int32_t(width), channels, rows};
}
// What a decoder gave; frees the pixels.
inline Picture taken(Image& image) {
    const size_t size = (size_t(image.width) * image.channels + 3) / 4 * 4 * size_t(image.height);
    const Bytes rows(image.pixels, image.pixels + size);
    std::free(image.pixels);
    return {image.width, image.channels, rows};
}
// libpng's decode of a file, as 8-bit RGB, or RGBA for a file with alpha.
inline Picture libpngPicture(const Bytes& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, file.data(), file.size());
    const uint32_t channels = image.format & PNG_FORMAT_FLAG_ALPHA ? 4 : 3;
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), -int32_t(PNG_IMAGE_ROW_STRIDE(image)),
                          nullptr);
    return picture(image.width, channels, pixels);
}

inline Bytes big32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
inline Bytes chunk(const char* type, const Bytes& data) {
    const Bytes typed = cat<uint8_t>({Bytes(type, type + 4), data});
    return cat<uint8_t>({big32(uint32_t(data.size())), typed,
                         big32(uint32_t(crc32(0, typed.data(), uInt(typed.size()))))});
}
inline Bytes file(const std::vector<Bytes>& chunks) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

// `png`'s zlib stream; with `cuts`, the file with that stream cut into new
// IDATs at those ascending offsets (a repeated one gives an empty chunk).
inline Bytes rechunked(const Bytes& png, const std::vector<size_t>* cuts) {
    Bytes stream, idats;
    std::vector<Bytes> chunks;
    for (size_t at = 8, length = 0; at + 12 <= png.size(); at += 12 + length) {
        length = size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        const bool idat = std::memcmp(&png[at + 4], "IDAT", 4) == 0;
        if (!idat || stream.empty())
            chunks.push_back(idat ? Bytes() : Bytes(&png[at], &png[at] + 12 + length));
        if (idat) stream.insert(stream.end(), &png[at + 8], &png[at + 8] + length);
    }
    for (size_t i = 0, from = 0; cuts && i <= cuts->size(); from = (*cuts)[i++]) {
        const size_t to = i < cuts->size() ? (*cuts)[i] : stream.size();
        idats = cat<uint8_t>(
            {idats, chunk("IDAT", Bytes(stream.begin() + long(from), stream.begin() + long(to)))});
    }
    for (Bytes& c : chunks) c = c.empty() ? idats : c;
    return cuts ? file(chunks) : stream;
}

// Info header size (fields past 40 bytes zero), biClrUsed (0: 2^bits), filler
// before the pixels, bfOffBits (~0: after it). Entry i is RGB i, 100 + i, 200 - i.
struct Layout {
    uint32_t infoBytes = 40, coloursUsed = 0, gap = 0, offset = ~0u;
};
inline Bytes entry(uint32_t i) {
    return {uint8_t(i), uint8_t(100 + i), uint8_t(200 - i)};
}
inline Bytes bmp(int32_t width, int32_t height, uint32_t bits, uint32_t compression,
                 const Bytes& pixels = {}, const Layout& l = {}) {
    const uint32_t entries = bits > 8 ? 0 : l.coloursUsed != 0 ? l.coloursUsed : 1u << bits;
    const uint32_t offset = l.offset != ~0u ? l.offset : 14 + l.infoBytes + 4 * entries + l.gap;
    Bytes out = {'B', 'M'};
    for (uint32_t v : {0u, 0u, offset, l.infoBytes, uint32_t(width), uint32_t(height),
                       1 | bits << 16, compression, 0u, 2835u, 2835u, l.coloursUsed, 0u})
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    out.resize(14 + l.infoBytes, 0);
    for (uint32_t i = 0; i < entries; ++i)
        out.insert(out.end(), {entry(i)[2], entry(i)[1], entry(i)[0], 0});
    out.resize(out.size() + l.gap, 0xEE);
    return cat<uint8_t>({out, pixels});
}

using Reason = RefusalReason;
using Refused = std::vector<std::pair<Bytes, Refusal>>;

// A reason as the player reads it, for failure messages.
inline std::string told(const Refusal& refusal) {
    return "\"" + refusalText(refusal) + "\"";
}

// Cases a decoder gets wrong, from memory and from temp files read by decodeFile, each with
// its row and what went wrong: a good file refused, giving another picture or a reason; a bad
// one taken, its image touched or another reason given; names that load or give another reason.
inline std::vector<std::string> misread(PictureDecoder decode,
                                        const std::vector<std::pair<Bytes, Picture>>& decoded,
                                        const Refused& refused) {
    std::vector<std::string> wrong;
    const std::string folder = std::filesystem::temp_directory_path(),
                      none = folder + "/stapelix-none";
    uint8_t mark = 0;
    for (const bool fromMemory : {true, false}) {
        for (size_t i = 0; i < decoded.size() + refused.size(); ++i) {
            const bool good = i < decoded.size();
            const size_t row = good ? i : i - decoded.size();
            const Bytes& bytes = good ? decoded[row].first : refused[row].first;
            Image image{-7, -8, 7, &mark};
            Refusal refusal;
            std::string name = folder + "/stapelix-image-XXXXXX";
            const int fd = fromMemory ? -1 : mkstemp(name.data());
            const bool ok =
                fromMemory
                    ? decode(image, bytes.data(), uint32_t(bytes.size()), refusal)
                    : fd >= 0 && write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) &&
                          close(fd) == 0 && decodeFile(name.c_str(), decode, image, refusal);
            if (fd >= 0) std::filesystem::remove(name);
            std::string what;
            const auto add = [&what](const std::string& part) {
                what += (what.empty() ? "" : ", ") + part;
            };
            if (good) {
                if (!ok) add("refused: " + told(refusal));
                if (ok && taken(image) != decoded[row].second) add("another picture");
                if (ok && refusal.reason != Reason::None) add("told " + told(refusal));
            } else {
                const Refusal& why = refused[row].second;
                if (ok)
                    add("taken as " + std::to_string(image.width) + " x " +
                        std::to_string(image.height) + " pixels");
                if (ok) std::free(image.pixels);
                if (!ok && (image.width != -7 || image.height != -8 || image.channels != 7 ||
                            image.pixels != &mark))
                    add("its image changed");
                if (!(refusal == why))
                    add("told " + told(refusal) + " (" + std::to_string(refusal.detail) +
                        "), expected " + told(why) + " (" + std::to_string(why.detail) + ")");
            }
            if (!what.empty())
                wrong.push_back(std::string(fromMemory ? "from memory, " : "from a file, ") +
                                (good ? "decoded row " : "refused row ") + std::to_string(row) +
                                ": " + what);
        }
    }
    // A folder opens on Linux, but cannot be read.
    const std::pair<const char*, Refusal> names[] = {{none.c_str(), {Reason::CannotOpen, ENOENT}},
                                                     {"", {Reason::CannotOpen, ENOENT}},
                                                     {folder.c_str(), {Reason::CannotRead, EISDIR}},
                                                     {nullptr, {Reason::CannotOpen, ENOENT}}};
    for (const auto& [name, why] : names) {
        Image image{};
        Refusal refusal;
        if (decodeFile(name, decode, image, refusal) || !(refusal == why))
            wrong.push_back(std::string(name ? name : "null") + ": told " + told(refusal) +
                            ", expected " + told(why));
    }
    return wrong;
}

}  // namespace testing_image
