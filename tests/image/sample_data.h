// Test inputs: byte patterns of different character and the zlib reference
// encoder and decoder run on them.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_samples {

// Words from a small vocabulary: long and short matches, like text.
inline std::vector<uint8_t> textLike(size_t size, uint32_t seed) {
    static const char* words[] = {"block ", "falls ", "row ", "score ", "level ", "piece ", "turns ",
                                  "the ",   "and ",   "a ",   "into ",  "field ", "drop\n", "line, "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    while (out.size() < size) {
        const std::string w = words[rng() % (sizeof words / sizeof words[0])];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(size);
    return out;
}

inline std::vector<uint8_t> noise(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

// Runs of one byte and short periodic patterns (distances 1 to 7).
inline std::vector<uint8_t> runs(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    while (out.size() < size) {
        const uint32_t period = 1 + rng() % 7;
        std::vector<uint8_t> pattern(period);
        for (uint8_t& b : pattern) b = static_cast<uint8_t>(rng());
        const uint32_t count = 1 + rng() % 600;
        for (uint32_t i = 0; i < count; ++i) out.push_back(pattern[i % period]);
    }
    out.resize(size);
    return out;
}

// RGBA pixels with gradients, noise and repeated tiles.
inline std::vector<uint8_t> pixelsLike(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size_t(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &out[(size_t(y) * width + x) * 4];
            const uint32_t region = (x / 64 + y / 64) % 3;
            if (region == 0) {
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x + y);
                p[3] = 255;
            } else if (region == 1) {
                const uint32_t r = rng();
                p[0] = static_cast<uint8_t>(r);
                p[1] = static_cast<uint8_t>(r >> 8);
                p[2] = static_cast<uint8_t>(r >> 16);
                p[3] = static_cast<uint8_t>(200 + (r >> 24) % 56);
            } else {
                const uint32_t tx = x % 16;
                const uint32_t ty = y % 16;
                const bool edge = tx == 0 || ty == 0;
                p[0] = edge ? 30 : static_cast<uint8_t>(120 + tx * 4);
                p[1] = edge ? 30 : static_cast<uint8_t>(90 + ty * 5);
                p[2] = edge ? 60 : 200;
                p[3] = 255;
            }
        }
    }
    return out;
}

// zlib's deflate with the given level, window bits and strategy; `flushEvery`
// > 0 splits the input and flushes with `flush` after each part, giving
// several blocks.
inline std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& data, int level, int strategy = Z_DEFAULT_STRATEGY,
                                         size_t flushEvery = 0, int flush = Z_FULL_FLUSH, int memLevel = 8) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, memLevel, strategy) != Z_OK) throw std::runtime_error("deflateInit2");
    std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 64 +
                             (flushEvery ? (data.size() / flushEvery + 1) * 16 : 0));
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    size_t offset = 0;
    do {
        const size_t part = flushEvery ? std::min(flushEvery, data.size() - offset) : data.size() - offset;
        z.next_in = const_cast<Bytef*>(data.data() + offset);
        z.avail_in = static_cast<uInt>(part);
        offset += part;
        const int mode = offset == data.size() ? Z_FINISH : flush;
        const int rc = deflate(&z, mode);
        if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("deflate");
    } while (offset < data.size());
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// zlib's inflate of a raw DEFLATE stream (no header), as the reference.
inline bool zlibInflateRaw(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out, size_t limit) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    out.assign(limit, 0);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

}  // namespace testing_samples
