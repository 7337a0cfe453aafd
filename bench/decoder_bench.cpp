// Decoder throughput against the reference libraries on the same inputs:
// decodeDeflate against zlib's inflate, decodePng against libpng's
// simplified API. After the runs a table gives MB/s of decoded output for
// both and the ratio ours / theirs (above 1: ours is faster).
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/inflate.h"
#include "image/png_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// RGBA pixels: gradient bands, noise and repeated 16x16 tiles.
Bytes makePixels(uint32_t width, uint32_t height, uint32_t channels, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size_t(width) * height * channels);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &out[(size_t(y) * width + x) * channels];
            uint8_t rgba[4];
            const uint32_t region = (x / 128 + y / 96) % 3;
            if (region == 0) {
                rgba[0] = static_cast<uint8_t>(x / 4);
                rgba[1] = static_cast<uint8_t>(y / 4);
                rgba[2] = static_cast<uint8_t>((x + y) / 8);
                rgba[3] = 255;
            } else if (region == 1) {
                const uint32_t r = rng();
                rgba[0] = static_cast<uint8_t>(r);
                rgba[1] = static_cast<uint8_t>(r >> 8);
                rgba[2] = static_cast<uint8_t>(r >> 16);
                rgba[3] = static_cast<uint8_t>(192 + (r >> 26));
            } else {
                const uint32_t tx = x % 16;
                const uint32_t ty = y % 16;
                const bool edge = tx == 0 || ty == 0;
                rgba[0] = edge ? 20 : static_cast<uint8_t>(100 + 8 * tx);
                rgba[1] = edge ? 20 : static_cast<uint8_t>(60 + 9 * ty);
                rgba[2] = edge ? 40 : 220;
                rgba[3] = 255;
            }
            std::memcpy(p, rgba, channels);
        }
    }
    return out;
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// PNG scanlines, each with the filter that gives the smallest sum of
// absolute differences, as PNG encoders usually choose.
Bytes filterScanlines(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bpp) {
    const size_t length = size_t(width) * bpp;
    Bytes out;
    Bytes zero(length, 0);
    Bytes candidate(length);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = &pixels[y * length];
        const uint8_t* up = y == 0 ? zero.data() : &pixels[(y - 1) * length];
        uint32_t bestSum = UINT32_MAX;
        Bytes best;
        uint8_t bestType = 0;
        for (uint8_t type = 0; type <= 4; ++type) {
            uint32_t sum = 0;
            for (size_t x = 0; x < length; ++x) {
                const int a = x >= bpp ? row[x - bpp] : 0;
                const int b = up[x];
                const int c = x >= bpp ? up[x - bpp] : 0;
                const int predictor = type == 0 ? 0 : type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : paeth(a, b, c);
                candidate[x] = static_cast<uint8_t>(row[x] - predictor);
                sum += candidate[x] < 128 ? candidate[x] : 256 - candidate[x];
            }
            if (sum < bestSum) {
                bestSum = sum;
                best = candidate;
                bestType = type;
            }
        }
        out.push_back(bestType);
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

Bytes makeText(size_t size) {
    static const char* words[] = {"the",   "block",  "falls", "into",  "a",     "row",    "and",   "rows",
                                  "clear", "score",  "level", "rises", "piece", "turns",  "left",  "right",
                                  "drop",  "faster", "game",  "over",  "field", "player", "name",  "points",
                                  "of",    "to",     "with",  "when",  "each",  "every",  "which", "window"};
    std::mt19937 rng(1234);
    Bytes out;
    out.reserve(size + 16);
    uint32_t sentence = 0;
    while (out.size() < size) {
        const std::string w = words[rng() % 32];
        out.insert(out.end(), w.begin(), w.end());
        if (++sentence % 12 == 0) {
            out.push_back('.');
            out.push_back(rng() % 4 == 0 ? '\n' : ' ');
        } else {
            out.push_back(rng() % 9 == 0 ? ',' : ' ');
            if (out.back() == ',') out.push_back(' ');
        }
        if (rng() % 50 == 0) {
            const std::string number = std::to_string(rng() % 100000);
            out.insert(out.end(), number.begin(), number.end());
            out.push_back(' ');
        }
    }
    out.resize(size);
    return out;
}

Bytes zlibCompress(const Bytes& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK) {
        throw std::runtime_error("compress2");
    }
    out.resize(size);
    return out;
}

// PNG writing through libpng, one IDAT, full zlib window.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}

bool writeWithLibpng(uint32_t width, uint32_t height, int colourType, const png_color* palette, int entries,
                     png_bytepp rows, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendBytes, noFlush);
    png_set_compression_buffer_size(png, 1 << 24);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (palette != nullptr) png_set_PLTE(png, info, palette, entries);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// libpng gives small images a smaller zlib window, which the decoder
// refuses; the stream is the same under a 32 KiB window, so CMF, FLG and the
// CRC are rewritten.
void widenWindow(Bytes& png) {
    for (size_t pos = 8; pos + 12 <= png.size();) {
        const uint32_t length =
            (uint32_t(png[pos]) << 24) | (uint32_t(png[pos + 1]) << 16) | (uint32_t(png[pos + 2]) << 8) | png[pos + 3];
        if (std::memcmp(&png[pos + 4], "IDAT", 4) == 0 && length >= 2) {
            png[pos + 8] = 0x78;
            uint8_t flg = static_cast<uint8_t>(png[pos + 9] & 0xE0);
            flg = static_cast<uint8_t>(flg + (31 - (0x7800u + flg) % 31) % 31);
            png[pos + 9] = flg;
            const uLong crc = crc32(0, &png[pos + 4], 4 + length);
            for (int i = 0; i < 4; ++i) png[pos + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        }
        pos += 12 + length;
    }
}

Bytes makePng(uint32_t width, uint32_t height, int colourType) {
    const uint32_t channels = colourType == PNG_COLOR_TYPE_RGBA ? 4 : colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    Bytes pixels;
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        // Indices from the RGBA picture's red and green, 256 colours.
        const Bytes rgba = makePixels(width, height, 4, 9);
        for (size_t p = 0; p < size_t(width) * height; ++p) pixels.push_back(static_cast<uint8_t>(rgba[4 * p] ^ (rgba[4 * p + 1] >> 4)));
        for (uint32_t i = 0; i < 256; ++i) {
            palette.push_back({static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 7)});
        }
    } else {
        pixels = makePixels(width, height, channels, 7);
    }
    std::vector<png_bytep> rows;
    for (uint32_t y = 0; y < height; ++y) rows.push_back(&pixels[size_t(y) * width * channels]);
    Bytes out;
    if (!writeWithLibpng(width, height, colourType, palette.empty() ? nullptr : palette.data(),
                         static_cast<int>(palette.size()), rows.data(), &out)) {
        throw std::runtime_error("libpng write");
    }
    widenWindow(out);
    return out;
}

struct Stream {
    std::string name;
    Bytes compressed;  // zlib stream
    size_t outputSize;
};

struct PngInput {
    std::string name;
    Bytes file;
    uint32_t channels;
    size_t outputSize;  // bottom-up rows on 4-byte boundaries
};

void benchOurInflate(benchmark::State& state, const Stream* s) {
    Bytes out(s->outputSize);
    for (auto _ : state) {
        const bool ok = decodeDeflate(s->compressed.data() + 2, static_cast<uint32_t>(s->compressed.size() - 2),
                                      out.data(), static_cast<uint32_t>(out.size()));
        if (!ok) state.SkipWithError("decodeDeflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s->outputSize));
}

void benchZlibInflate(benchmark::State& state, const Stream* s) {
    Bytes out(s->outputSize);
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(out.size());
        if (uncompress(out.data(), &size, s->compressed.data(), static_cast<uLong>(s->compressed.size())) != Z_OK) {
            state.SkipWithError("uncompress failed");
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s->outputSize));
}

void benchOurPng(benchmark::State& state, const PngInput* p) {
    for (auto _ : state) {
        Image image{};
        if (!decodePng(image, p->file.data(), static_cast<uint32_t>(p->file.size()))) {
            state.SkipWithError("decodePng failed");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        std::free(image.pixels);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p->outputSize));
}

// The same layout as ours: bottom-up (negative stride), rows on 4 bytes.
void benchLibpng(benchmark::State& state, const PngInput* p) {
    for (auto _ : state) {
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, p->file.data(), p->file.size())) {
            state.SkipWithError("libpng begin failed");
            break;
        }
        image.format = p->channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        const png_int_32 stride = static_cast<png_int_32>((image.width * p->channels + 3) / 4 * 4);
        uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size_t(stride) * image.height));
        if (!png_image_finish_read(&image, nullptr, buffer, -stride, nullptr)) {
            state.SkipWithError("libpng finish failed");
        }
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p->outputSize));
}

// Collects MB/s per benchmark name while the console shows the usual lines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const auto bytes = run.counters.find("bytes_per_second");
            if (bytes != run.counters.end()) megabytesPerSecond[run.run_name.function_name] = bytes->second.value / 1e6;
        }
    }
    std::map<std::string, double> megabytesPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
    constexpr uint32_t side = 1024;
    constexpr uint32_t rgba = 4;
    const Bytes image = makePixels(side, side, rgba, 3);
    const Bytes scanlines = filterScanlines(image, side, side, rgba);
    const Bytes text = makeText(10 * 1000 * 1000);

    std::vector<Stream> streams;
    for (int level : {1, 6, 9}) {
        streams.push_back({"scanlines-L" + std::to_string(level), zlibCompress(scanlines, level), scanlines.size()});
    }
    for (int level : {1, 6, 9}) {
        streams.push_back({"text-L" + std::to_string(level), zlibCompress(text, level), text.size()});
    }
    std::vector<PngInput> pngs;
    auto addPng = [&](const std::string& name, uint32_t width, uint32_t height, int colourType, uint32_t channels) {
        const size_t stride = (size_t(width) * channels + 3) / 4 * 4;
        pngs.push_back({name, makePng(width, height, colourType), channels, stride * height});
    };
    addPng("rgba-1024x1024", 1024, 1024, PNG_COLOR_TYPE_RGBA, 4);
    addPng("palette-256x256", 256, 256, PNG_COLOR_TYPE_PALETTE, 3);
    addPng("rgb-64x64", 64, 64, PNG_COLOR_TYPE_RGB, 3);

    for (const Stream& s : streams) {
        std::printf("%-14s %9zu -> %9zu bytes\n", s.name.c_str(), s.compressed.size(), s.outputSize);
        benchmark::RegisterBenchmark(("inflate/ours/" + s.name).c_str(), benchOurInflate, &s)->MinTime(0.5);
        benchmark::RegisterBenchmark(("inflate/zlib/" + s.name).c_str(), benchZlibInflate, &s)->MinTime(0.5);
    }
    for (const PngInput& p : pngs) {
        std::printf("%-14s %9zu -> %9zu bytes\n", p.name.c_str(), p.file.size(), p.outputSize);
        benchmark::RegisterBenchmark(("png/ours/" + p.name).c_str(), benchOurPng, &p)->MinTime(0.5);
        benchmark::RegisterBenchmark(("png/libpng/" + p.name).c_str(), benchLibpng, &p)->MinTime(0.5);
    }

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-36s %10s %10s %7s\n", "input", "ours MB/s", "peer MB/s", "ratio");
    auto row = [&](const std::string& kind, const std::string& peer, const std::string& name) {
        const auto ours = reporter.megabytesPerSecond.find(kind + "/ours/" + name);
        const auto theirs = reporter.megabytesPerSecond.find(kind + "/" + peer + "/" + name);
        if (ours == reporter.megabytesPerSecond.end() || theirs == reporter.megabytesPerSecond.end()) return;
        std::printf("%-36s %10.1f %10.1f %7.2f\n", (kind + "/" + name + " vs " + peer).c_str(), ours->second,
                    theirs->second, ours->second / theirs->second);
    };
    for (const Stream& s : streams) row("inflate", "zlib", s.name);
    for (const PngInput& p : pngs) row("png", "libpng", p.name);
    benchmark::Shutdown();
    return 0;
}
