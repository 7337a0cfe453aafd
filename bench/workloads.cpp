#include "bench/workloads.h"

#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>

namespace {

// Value noise: random values on a lattice of `cell` pixels, smoothly
// interpolated; octaves of halving cells add detail.
class ValueNoise {
public:
    explicit ValueNoise(uint32_t seed) : rng_(seed) {
        for (float& v : lattice_) v = std::uniform_real_distribution<float>(0.0f, 1.0f)(rng_);
    }
    float at(float x, float y, float cell) const {
        const float fx = x / cell;
        const float fy = y / cell;
        const int ix = static_cast<int>(std::floor(fx));
        const int iy = static_cast<int>(std::floor(fy));
        const float tx = smooth(fx - ix);
        const float ty = smooth(fy - iy);
        const float top = mix(corner(ix, iy), corner(ix + 1, iy), tx);
        const float bottom = mix(corner(ix, iy + 1), corner(ix + 1, iy + 1), tx);
        return mix(top, bottom, ty);
    }
    float octaves(float x, float y, float cell, int count) const {
        float sum = 0;
        float weight = 0.5f;
        for (int i = 0; i < count; ++i) {
            sum += weight * at(x, y, cell);
            cell /= 2;
            weight /= 2;
        }
        return sum / (1.0f - weight * 2);
    }

private:
    static constexpr int side = 64;
    static float smooth(float t) { return t * t * (3 - 2 * t); }
    static float mix(float a, float b, float t) { return a + (b - a) * t; }
    float corner(int x, int y) const {
        return lattice_[(y & (side - 1)) * side + (x & (side - 1))];
    }
    std::mt19937 rng_;
    float lattice_[side * side];
};

uint8_t clampByte(float v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5f);
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

constexpr uint32_t bmpHeadersBytes = 14 + 40;

void putBmpHeaders(Bytes& out, uint32_t width, uint32_t height, uint32_t bits, uint32_t compression,
                   uint32_t paletteEntries) {
    const uint32_t dataOffset = bmpHeadersBytes + 4 * paletteEntries;
    out.push_back('B');
    out.push_back('M');
    put32(out, 0);  // file size, patched at the end
    put32(out, 0);
    put32(out, dataOffset);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, bits);
    put32(out, compression);
    put32(out, 0);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, paletteEntries);
    put32(out, 0);
}

void finishBmp(Bytes& out) {
    const uint32_t size = static_cast<uint32_t>(out.size());
    for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<uint8_t>(size >> (8 * i));
}

// RLE8 of one row: runs of 3 or more equal indices as encoded runs, the rest
// as absolute runs (at least 3 bytes, padded to an even count), then end of
// line.
void encodeRle8Row(const uint8_t* row, uint32_t width, Bytes& out) {
    uint32_t x = 0;
    while (x < width) {
        uint32_t run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        // Literal stretch up to the next run of three.
        uint32_t end = x;
        while (end < width && end - x < 255) {
            if (end + 2 < width && row[end] == row[end + 1] && row[end] == row[end + 2]) break;
            ++end;
        }
        const uint32_t count = end - x;
        if (count < 3) {
            for (uint32_t i = 0; i < count; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(count));
            out.insert(out.end(), row + x, row + end);
            if (count % 2 != 0) out.push_back(0);
        }
        x = end;
    }
    out.push_back(0);
    out.push_back(0);
}

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}

}  // namespace

Bytes makePhoto(uint32_t width, uint32_t height, uint32_t seed, uint32_t grain) {
    const ValueNoise light(seed);
    const ValueNoise hue(seed + 1);
    const ValueNoise texture(seed + 2);
    std::mt19937 rng(seed + 3);
    Bytes out(size_t(width) * height * 4);
    const float scale = static_cast<float>(width) / 4;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const float l = 40 + 180 * light.octaves(fx, fy, scale, 3);
            const float h = hue.octaves(fx, fy, scale * 2, 2);
            const float t = 24 * (texture.octaves(fx, fy, scale / 8, 3) - 0.5f);
            float r = l * (0.6f + 0.7f * h) + t;
            float g = l * (0.9f - 0.2f * h) + t;
            float b = l * (1.2f - 0.8f * h) + t;
            // Hard-edged shapes: a dark disc and a bright band.
            const float dx = fx - width * 0.7f;
            const float dy = fy - height * 0.35f;
            if (dx * dx + dy * dy < width * height * 0.012f) {
                r *= 0.35f;
                g *= 0.3f;
                b *= 0.25f;
            }
            if (y > height * 3 / 4 && y < height * 4 / 5) {
                r = 230;
                g = 220;
                b = 190;
            }
            if (grain != 0) {
                const float noise =
                    static_cast<float>(static_cast<int>(rng() % (2 * grain + 1)) - int(grain));
                r += noise;
                g += noise;
                b += noise;
            }
            const float hx = fx - width * 0.2f;
            const float hy = fy - height * 0.75f;
            const float hole = std::sqrt(hx * hx + hy * hy) / (width * 0.1f);
            uint8_t* p = &out[(size_t(y) * width + x) * 4];
            p[0] = clampByte(r);
            p[1] = clampByte(g);
            p[2] = clampByte(b);
            p[3] = clampByte(hole >= 1 ? 255 : 255 * hole * hole);
        }
    }
    return out;
}

Bytes makeProse(size_t size, uint32_t seed) {
    // Words built from syllables; the first ones are the short, common ones.
    static const char* onsets[] = {"",   "b",  "c",  "d",  "f",  "g",  "h",  "l",
                                   "m",  "n",  "p",  "r",  "s",  "t",  "w",  "th",
                                   "st", "ch", "pr", "tr", "sh", "wh", "gr", "br"};
    static const char* vowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "ai", "ee", "y"};
    static const char* codas[] = {"",  "",   "n",  "r",  "s",  "t",  "d",
                                  "l", "nd", "st", "ng", "ll", "rs", "th"};
    constexpr uint32_t vocabulary = 6000;
    std::mt19937 rng(seed);
    std::vector<std::string> words;
    for (uint32_t i = 0; i < vocabulary; ++i) {
        const uint32_t syllables = 1 + (i > 60) + (i > 800) + (i > 3000 ? rng() % 2 : 0);
        std::string word;
        for (uint32_t s = 0; s < syllables; ++s) {
            word += onsets[rng() % (sizeof onsets / sizeof *onsets)];
            word += vowels[rng() % (sizeof vowels / sizeof *vowels)];
            word += codas[rng() % (sizeof codas / sizeof *codas)];
        }
        words.push_back(word);
    }
    // Zipf's law: word i has weight 1 / (i + 1).
    std::vector<double> weights(vocabulary);
    for (uint32_t i = 0; i < vocabulary; ++i) weights[i] = 1.0 / (i + 1);
    std::discrete_distribution<uint32_t> pick(weights.begin(), weights.end());

    Bytes out;
    out.reserve(size + 128);
    size_t lineStart = 0;
    bool sentenceStart = true;
    uint32_t wordsInSentence = 0;
    const uint32_t paragraphSentences = 6;
    uint32_t sentences = 0;
    while (out.size() < size) {
        std::string word = words[pick(rng)];
        if (sentenceStart) word[0] = static_cast<char>(word[0] - 'a' + 'A');
        if (rng() % 40 == 0) word = std::to_string(rng() % 2000);
        if (out.size() - lineStart + word.size() + 1 > 72) {
            out.push_back('\n');
            lineStart = out.size();
        } else if (!out.empty() && out.back() != '\n') {
            out.push_back(' ');
        }
        out.insert(out.end(), word.begin(), word.end());
        sentenceStart = false;
        ++wordsInSentence;
        if (wordsInSentence > 4 && rng() % 12 == 0) {
            out.push_back(rng() % 8 == 0 ? '?' : '.');
            sentenceStart = true;
            wordsInSentence = 0;
            if (++sentences % paragraphSentences == 0) {
                out.push_back('\n');
                out.push_back('\n');
                lineStart = out.size();
            }
        } else if (rng() % 10 == 0) {
            out.push_back(rng() % 5 == 0 ? ';' : ',');
        }
    }
    out.resize(size);
    return out;
}

Bytes filterScanlines(const Bytes& pixels, uint32_t width, uint32_t height,
                      uint32_t bytesPerPixel) {
    const size_t length = size_t(width) * bytesPerPixel;
    Bytes out;
    out.reserve((length + 1) * height);
    const Bytes zero(length, 0);
    Bytes candidate(length);
    Bytes best(length);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = &pixels[y * length];
        const uint8_t* up = y == 0 ? zero.data() : &pixels[(y - 1) * length];
        uint32_t bestSum = UINT32_MAX;
        uint8_t bestType = 0;
        for (uint8_t type = 0; type <= 4; ++type) {
            uint32_t sum = 0;
            for (size_t x = 0; x < length; ++x) {
                const int a = x >= bytesPerPixel ? row[x - bytesPerPixel] : 0;
                const int b = up[x];
                const int c = x >= bytesPerPixel ? up[x - bytesPerPixel] : 0;
                const int predictor = type == 0   ? 0
                                      : type == 1 ? a
                                      : type == 2 ? b
                                      : type == 3 ? (a + b) / 2
                                                  : paeth(a, b, c);
                candidate[x] = static_cast<uint8_t>(row[x] - predictor);
                sum += candidate[x] < 128 ? candidate[x] : 256 - candidate[x];
            }
            if (sum < bestSum) {
                bestSum = sum;
                best.swap(candidate);
                bestType = type;
            }
        }
        out.push_back(bestType);
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

Bytes zlibCompress(const Bytes& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(size);
    return out;
}

Bytes writePng(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t channels,
               const Bytes& palette, PngFilter filter) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) throw std::runtime_error("libpng: no write struct");
    Bytes out;
    std::vector<png_bytep> rows;
    for (uint32_t y = 0; y < height; ++y) {
        rows.push_back(const_cast<png_bytep>(&pixels[size_t(y) * width * channels]));
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng: write failed");
    }
    png_set_write_fn(png, &out, appendToBytes, noFlush);
    const int colourType = channels == 4   ? PNG_COLOR_TYPE_RGBA
                           : channels == 3 ? PNG_COLOR_TYPE_RGB
                                           : PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> entries;
        for (size_t i = 0; i + 2 < palette.size(); i += 3)
            entries.push_back({palette[i], palette[i + 1], palette[i + 2]});
        png_set_PLTE(png, info, entries.data(), static_cast<int>(entries.size()));
    }
    static const int filters[] = {PNG_ALL_FILTERS, PNG_FILTER_NONE, PNG_FILTER_SUB,
                                  PNG_FILTER_UP,   PNG_FILTER_AVG,  PNG_FILTER_PAETH};
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters[static_cast<int>(filter)]);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes writeBmp24(const Bytes& rgb, uint32_t width, uint32_t height) {
    Bytes out;
    putBmpHeaders(out, width, height, 24, 0, 0);
    for (size_t p = 0; p < size_t(width) * height; ++p) {
        out.push_back(rgb[3 * p + 2]);
        out.push_back(rgb[3 * p + 1]);
        out.push_back(rgb[3 * p]);
    }
    finishBmp(out);
    return out;
}

Bytes writeBmpPalette(const Bytes& indices, uint32_t width, uint32_t height, uint32_t bits,
                      const Bytes& paletteRgb, bool rle8) {
    const uint32_t entries = 1u << bits;
    Bytes out;
    putBmpHeaders(out, width, height, bits, rle8 ? 1 : 0, entries);
    for (uint32_t i = 0; i < entries; ++i) {
        out.push_back(paletteRgb[3 * i + 2]);
        out.push_back(paletteRgb[3 * i + 1]);
        out.push_back(paletteRgb[3 * i]);
        out.push_back(0);
    }
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = &indices[size_t(y) * width];
        if (rle8) {
            encodeRle8Row(row, width, out);
        } else if (bits == 8) {
            out.insert(out.end(), row, row + width);
        } else {
            for (uint32_t x = 0; x < width; x += 2)
                out.push_back(static_cast<uint8_t>(row[x] << 4 | row[x + 1]));
        }
    }
    if (rle8) {
        out.push_back(0);
        out.push_back(1);
    }
    finishBmp(out);
    return out;
}

void quantize(const Bytes& rgba, uint32_t bits, Bytes& indices, Bytes& paletteRgb) {
    const size_t count = rgba.size() / 4;
    indices.resize(count);
    paletteRgb.clear();
    if (bits == 8) {
        for (uint32_t i = 0; i < 256; ++i) {
            paletteRgb.push_back(static_cast<uint8_t>((i >> 5) * 255 / 7));
            paletteRgb.push_back(static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7));
            paletteRgb.push_back(static_cast<uint8_t>((i & 3) * 255 / 3));
        }
        for (size_t p = 0; p < count; ++p) {
            const uint8_t* c = &rgba[4 * p];
            indices[p] = static_cast<uint8_t>((c[0] >> 5) << 5 | (c[1] >> 5) << 2 | c[2] >> 6);
        }
        return;
    }
    for (uint32_t i = 0; i < 16; ++i) {
        paletteRgb.push_back(static_cast<uint8_t>(i * 17));
        paletteRgb.push_back(static_cast<uint8_t>(i * 16));
        paletteRgb.push_back(static_cast<uint8_t>(i * 14));
    }
    for (size_t p = 0; p < count; ++p) {
        const uint8_t* c = &rgba[4 * p];
        indices[p] = static_cast<uint8_t>((c[0] * 3 + c[1] * 4 + c[2]) / 8 >> 4);
    }
}
