// Decoder throughput, ours against the peers, in one process. For every
// workload each decoder's output is first checked equal to the reference
// (the benchmark aborts on any difference); then the decoders are sampled in
// turn, each sample a run of repeated decodes of about 20 ms of thread CPU
// time, and the median sample gives MB/s (10^6 bytes of canonical output per
// second). The table is Markdown, ready for bench/README.md.
//
//   image_bench [--samples N] [--only TEXT]
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/machine.h"
#include "bench/peer_decoders.h"
#include "bench/workloads.h"

namespace {

constexpr uint32_t defaultSamples = 11;
constexpr double sampleSeconds = 0.02;
constexpr double bytesPerMegabyte = 1e6;

const char* const peerColumns[] = {"zlib", "libdeflate", "ISA-L", "libpng",
                                   "spng", "stb_image",  "SDL2"};

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "image_bench: %s\n", message.c_str());
    std::exit(1);
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Row {
    const Workload* work;
    std::vector<const Decoder*> decoders;
};

// Runs `decoder` until `reps` decodes are done and returns seconds per decode.
double timeDecodes(const Decoder& decoder, Workload& work, uint32_t reps) {
    const double start = threadSeconds();
    for (uint32_t i = 0; i < reps; ++i) {
        if (!decoder.decode(work, nullptr))
            fail(std::string(decoder.name) + " failed on " + work.name);
    }
    return (threadSeconds() - start) / reps;
}

void checkOutputs(Workload& work, const std::vector<const Decoder*>& decoders) {
    for (const Decoder* decoder : decoders) {
        Bytes got;
        if (!decoder->decode(work, &got))
            fail(std::string(decoder->name) + " cannot decode " + work.name);
        if (got.size() != work.reference.size()) {
            fail(std::string(decoder->name) + " on " + work.name + ": " +
                 std::to_string(got.size()) + " bytes instead of " +
                 std::to_string(work.reference.size()));
        }
        const auto difference = std::mismatch(got.begin(), got.end(), work.reference.begin());
        if (difference.first != got.end()) {
            fail(std::string(decoder->name) + " on " + work.name +
                 ": output differs from the reference at byte " +
                 std::to_string(difference.first - got.begin()));
        }
    }
}

// Median seconds per decode of each decoder, sampled in turn; the starting
// decoder rotates so that none always runs right after another's cache use.
std::vector<double> measure(Workload& work, const std::vector<const Decoder*>& decoders,
                            uint32_t samples) {
    std::vector<uint32_t> reps;
    for (const Decoder* decoder : decoders) {
        timeDecodes(*decoder, work, 1);  // warm-up
        const double once = timeDecodes(*decoder, work, 1);
        reps.push_back(
            std::max<uint32_t>(1, static_cast<uint32_t>(sampleSeconds / std::max(once, 1e-7))));
    }
    std::vector<std::vector<double>> times(decoders.size());
    for (uint32_t s = 0; s < samples; ++s) {
        for (size_t k = 0; k < decoders.size(); ++k) {
            const size_t d = (k + s) % decoders.size();
            times[d].push_back(timeDecodes(*decoders[d], work, reps[d]));
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

Bytes dropAlpha(const Bytes& rgba) {
    Bytes rgb;
    rgb.reserve(rgba.size() / 4 * 3);
    for (size_t p = 0; p < rgba.size(); p += 4) rgb.insert(rgb.end(), &rgba[p], &rgba[p + 3]);
    return rgb;
}

Bytes expandPalette(const Bytes& indices, const Bytes& paletteRgb) {
    Bytes rgb;
    rgb.reserve(indices.size() * 3);
    for (uint8_t i : indices) rgb.insert(rgb.end(), &paletteRgb[3 * i], &paletteRgb[3 * i + 3]);
    return rgb;
}

// BMP rows go into the file bottom row first.
Bytes flipRows(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel) {
    const size_t row = size_t(width) * bytesPerPixel;
    Bytes out(pixels.size());
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(&out[y * row], &pixels[(height - 1 - y) * row], row);
    return out;
}

std::vector<Workload> makeWorkloads() {
    std::vector<Workload> works;
    constexpr uint32_t side = 1024;
    const Bytes photo = makePhoto(side, side, 1, 3);
    const Bytes scanlines = filterScanlines(photo, side, side, 4);
    for (int level : {1, 6, 9}) {
        works.push_back({"inflate, RGBA scanlines, level " + std::to_string(level), Format::Inflate,
                         zlibCompress(scanlines, level), scanlines, 0, 0, 0,
                         Bytes(scanlines.size())});
    }
    const Bytes text = makeProse(10 * 1000 * 1000, 7);
    for (int level : {1, 6, 9}) {
        works.push_back({"inflate, 10 MB text, level " + std::to_string(level), Format::Inflate,
                         zlibCompress(text, level), text, 0, 0, 0, Bytes(text.size())});
    }

    auto addPng = [&](const std::string& name, const Bytes& pixels, uint32_t width, uint32_t height,
                      uint32_t channels, const Bytes& palette, PngFilter filter) {
        const Bytes reference = channels == 1 ? expandPalette(pixels, palette) : pixels;
        works.push_back({name,
                         Format::Png,
                         writePng(pixels, width, height, channels, palette, filter),
                         reference,
                         width,
                         height,
                         channels == 1 ? 3 : channels,
                         {}});
    };
    addPng("PNG 1024x1024 RGBA", photo, side, side, 4, {}, PngFilter::Adaptive);
    {
        Bytes indices;
        Bytes palette;
        quantize(makePhoto(256, 256, 2, 3), 8, indices, palette);
        addPng("PNG 256x256 palette", indices, 256, 256, 1, palette, PngFilter::Adaptive);
    }
    addPng("PNG 64x64 RGB", dropAlpha(makePhoto(64, 64, 3, 3)), 64, 64, 3, {}, PngFilter::Adaptive);
    const Bytes filterPhoto = makePhoto(512, 512, 4, 3);
    const std::pair<const char*, PngFilter> filters[] = {{"None", PngFilter::None},
                                                         {"Sub", PngFilter::Sub},
                                                         {"Up", PngFilter::Up},
                                                         {"Average", PngFilter::Average},
                                                         {"Paeth", PngFilter::Paeth}};
    for (const auto& [name, filter] : filters) {
        addPng(std::string("PNG 512x512 RGBA, every row ") + name, filterPhoto, 512, 512, 4, {},
               filter);
    }

    // BMP rows are kept in file order: the reference is what ours yields.
    const Bytes photoRgb = flipRows(dropAlpha(photo), side, side, 3);
    works.push_back({"BMP 1024x1024 24-bit",
                     Format::Bmp,
                     writeBmp24(photoRgb, side, side),
                     photoRgb,
                     side,
                     side,
                     3,
                     {}});
    const Bytes flippedPhoto = flipRows(photo, side, side, 4);
    for (uint32_t bits : {8u, 4u}) {
        Bytes indices;
        Bytes palette;
        quantize(flippedPhoto, bits, indices, palette);
        works.push_back({"BMP 1024x1024 " + std::to_string(bits) + "-bit",
                         Format::Bmp,
                         writeBmpPalette(indices, side, side, bits, palette, false),
                         expandPalette(indices, palette),
                         side,
                         side,
                         3,
                         {}});
    }
    {
        // Without grain, so that runs of equal indices remain.
        Bytes indices;
        Bytes palette;
        quantize(flipRows(makePhoto(side, side, 1, 0), side, side, 4), 8, indices, palette);
        works.push_back({"BMP 1024x1024 RLE8",
                         Format::Bmp,
                         writeBmpPalette(indices, side, side, 8, palette, true),
                         expandPalette(indices, palette),
                         side,
                         side,
                         3,
                         {}});
    }
    return works;
}

std::vector<const Decoder*> decodersFor(const Workload& work) {
    std::vector<const Decoder*> list;
    auto add = [&](const Decoder* first, size_t count) {
        for (size_t i = 0; i < count; ++i) list.push_back(&first[i]);
    };
    switch (work.format) {
        case Format::Inflate:
            add(inflateDecoders, std::size(inflateDecoders));
            break;
        case Format::Png:
            add(pngDecoders, std::size(pngDecoders));
            break;
        case Format::Bmp:
            if (work.name.find("RLE") != std::string::npos) {
                add(bmpRleDecoders, std::size(bmpRleDecoders));
            } else {
                add(bmpDecoders, std::size(bmpDecoders));
            }
            break;
    }
    return list;
}

std::string cell(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
}

std::string ratio(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t samples = defaultSamples;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--samples" && i + 1 < argc) {
            samples = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            fail("usage: image_bench [--samples N] [--only TEXT]");
        }
    }
    if (samples == 0) fail("--samples must be at least 1");

    std::vector<Workload> works = makeWorkloads();
    std::printf(
        "CPU: %s\nDecoders built with: %s\nMedian of %u interleaved samples; MB/s of decoded "
        "output.\n\n",
        cpuModel().c_str(), STAPELIX_DECODER_FLAGS, samples);
    std::printf("| workload | input bytes | ours |");
    for (const char* peer : peerColumns) std::printf(" %s |", peer);
    std::printf(" ours / zlib, libpng or SDL2 | ours / best peer |\n|---|---:|---:|");
    for (size_t i = 0; i < std::size(peerColumns); ++i) std::printf("---:|");
    std::printf("---:|---:|\n");
    for (Workload& work : works) {
        if (!only.empty() && work.name.find(only) == std::string::npos) continue;
        const std::vector<const Decoder*> decoders = decodersFor(work);
        checkOutputs(work, decoders);
        const std::vector<double> seconds = measure(work, decoders, samples);
        std::map<std::string, double> speed;
        for (size_t d = 0; d < decoders.size(); ++d) {
            speed[decoders[d]->name] =
                static_cast<double>(work.reference.size()) / seconds[d] / bytesPerMegabyte;
        }
        const double ours = speed["ours"];
        std::string bestPeer;
        for (size_t d = 1; d < decoders.size(); ++d) {
            if (bestPeer.empty() || speed[decoders[d]->name] > speed[bestPeer])
                bestPeer = decoders[d]->name;
        }
        const char* baseline = work.format == Format::Inflate ? "zlib"
                               : work.format == Format::Png   ? "libpng"
                                                              : "SDL2";
        std::printf("| %s | %zu | %s |", work.name.c_str(), work.input.size(), cell(ours).c_str());
        for (const char* peer : peerColumns) {
            const auto found = speed.find(peer);
            std::printf(" %s |", found != speed.end() ? cell(found->second).c_str() : "");
        }
        std::printf(" %s | %s (%s) |\n", ratio(ours / speed[baseline]).c_str(),
                    ratio(ours / speed[bestPeer]).c_str(), bestPeer.c_str());
        std::fflush(stdout);
    }
    return 0;
}
