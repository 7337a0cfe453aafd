// PNG files for the decoder tests: written by libpng from known samples, or
// assembled chunk by chunk for the cases libpng would never write.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_png {

struct PngRequest {
    uint32_t width = 1;
    uint32_t height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    int filters = PNG_ALL_FILTERS;  // PNG_FILTER_* mask handed to png_set_filter
    int interlace = PNG_INTERLACE_NONE;
    std::vector<png_color> palette;
    std::vector<uint8_t> transparency;  // tRNS for palette images
    size_t compressionBuffer = 1 << 22;  // large enough for one IDAT
};

namespace detail {
inline void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
inline void noFlush(png_structp) {}

// Kept free of objects with destructors: libpng reports errors by longjmp.
inline bool writeWithLibpng(const PngRequest& r, png_bytepp rows, std::vector<uint8_t>* out) {
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
    png_set_compression_buffer_size(png, r.compressionBuffer);
    png_set_IHDR(png, info, r.width, r.height, r.bitDepth, r.colourType, r.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!r.palette.empty()) {
        png_set_PLTE(png, info, r.palette.data(), static_cast<int>(r.palette.size()));
    }
    if (!r.transparency.empty()) {
        png_set_tRNS(png, info, r.transparency.data(), static_cast<int>(r.transparency.size()), nullptr);
    }
    png_set_filter(png, PNG_FILTER_TYPE_BASE, r.filters);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
}  // namespace detail

inline uint32_t readBig32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// Calls `visit(typeOffset, dataOffset, length)` for every complete chunk.
template <typename Visit>
void forEachChunk(const std::vector<uint8_t>& png, Visit visit) {
    for (size_t pos = 8; pos + 12 <= png.size();) {
        const uint32_t length = readBig32(&png[pos]);
        if (pos + 12 + length > png.size()) return;
        visit(pos + 4, pos + 8, length);
        pos += 12 + length;
    }
}

// libpng shrinks the zlib window of small images (CMF below 0x78), which
// the decoder refuses. The stream itself is just as valid under a 32 KiB
// window, so this rewrites CMF, FLG's check bits and the chunk CRC.
inline std::vector<uint8_t> withFullWindow(std::vector<uint8_t> png) {
    forEachChunk(png, [&](size_t type, size_t data, uint32_t length) {
        if (std::memcmp(&png[type], "IDAT", 4) != 0 || length < 2) return;
        png[data] = 0x78;
        uint8_t flg = static_cast<uint8_t>(png[data + 1] & 0xE0);
        flg = static_cast<uint8_t>(flg + (31 - (0x7800u + flg) % 31) % 31);
        png[data + 1] = flg;
        const uLong crc = crc32(0, &png[type], 4 + length);
        for (int i = 0; i < 4; ++i) png[data + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    });
    return png;
}

// `rows` are the raw scanlines without filter bytes (samples packed for
// depths below 8). The result carries a full-window zlib header unless
// `keepWindow` asks for libpng's own.
inline std::vector<uint8_t> writePng(const PngRequest& request, std::vector<std::vector<uint8_t>> rows,
                                     bool keepWindow = false) {
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    std::vector<uint8_t> out;
    if (!detail::writeWithLibpng(request, pointers.data(), &out)) throw std::runtime_error("libpng write failed");
    return keepWindow ? out : withFullWindow(out);
}

inline std::vector<uint8_t> chunk(const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    putBig32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    putBig32(out, static_cast<uint32_t>(crc));
    return out;
}

inline std::vector<uint8_t> headerData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                                       uint8_t compression = 0, uint8_t filter = 0, uint8_t interlace = 0) {
    std::vector<uint8_t> out;
    putBig32(out, width);
    putBig32(out, height);
    out.insert(out.end(), {depth, colourType, compression, filter, interlace});
    return out;
}

inline std::vector<uint8_t> signature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

inline std::vector<uint8_t> file(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> out = signature();
    for (const auto& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

inline std::vector<uint8_t> zlibOf(const std::vector<uint8_t>& data, int level = 6) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK) {
        throw std::runtime_error("compress2");
    }
    out.resize(size);
    return out;
}

// The IDAT chunks of a file, in order.
inline std::vector<std::vector<uint8_t>> idatChunks(const std::vector<uint8_t>& png) {
    std::vector<std::vector<uint8_t>> out;
    forEachChunk(png, [&](size_t type, size_t data, uint32_t length) {
        if (std::memcmp(&png[type], "IDAT", 4) == 0) {
            out.emplace_back(png.begin() + static_cast<std::ptrdiff_t>(data),
                             png.begin() + static_cast<std::ptrdiff_t>(data + length));
        }
    });
    return out;
}

// A fresh directory under the system temp dir, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "stapelix-image-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace testing_png
