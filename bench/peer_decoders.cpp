#include "bench/peer_decoders.h"

#include <SDL.h>
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <png.h>
#include <spng.h>
#include <stb_image.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "image/bmp_decoder.h"
#include "image/inflate.h"
#include "image/png_decoder.h"

namespace {

// Every inflate decoder reads the raw DEFLATE data after the two zlib header
// bytes and checks no Adler-32, as ours does not.
constexpr size_t zlibHeaderBytes = 2;

bool finishInflate(Workload& work, size_t produced, Bytes* canonical) {
    if (produced != work.scratch.size()) return false;
    if (canonical != nullptr) *canonical = work.scratch;
    return true;
}

bool oursInflate(Workload& work, Bytes* canonical) {
    uint32_t written = 0;
    Refusal refusal;
    if (!decodeDeflate(work.input.data() + zlibHeaderBytes,
                       static_cast<uint32_t>(work.input.size() - zlibHeaderBytes),
                       work.scratch.data(), static_cast<uint32_t>(work.scratch.size()), written,
                       refusal)) {
        return false;
    }
    return finishInflate(work, written, canonical);
}

bool zlibInflate(Workload& work, Bytes* canonical) {
    static z_stream stream;
    static bool ready = false;
    if (!ready) {
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
        ready = true;
    }
    if (inflateReset(&stream) != Z_OK) return false;
    stream.next_in = work.input.data() + zlibHeaderBytes;
    stream.avail_in = static_cast<uInt>(work.input.size() - zlibHeaderBytes);
    stream.next_out = work.scratch.data();
    stream.avail_out = static_cast<uInt>(work.scratch.size());
    if (inflate(&stream, Z_FINISH) != Z_STREAM_END) return false;
    return finishInflate(work, stream.total_out, canonical);
}

bool libdeflateInflate(Workload& work, Bytes* canonical) {
    static libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    if (decompressor == nullptr) return false;
    size_t read = 0;
    size_t produced = 0;
    if (libdeflate_deflate_decompress_ex(
            decompressor, work.input.data() + zlibHeaderBytes, work.input.size() - zlibHeaderBytes,
            work.scratch.data(), work.scratch.size(), &read, &produced) != LIBDEFLATE_SUCCESS) {
        return false;
    }
    return finishInflate(work, produced, canonical);
}

bool isalInflate(Workload& work, Bytes* canonical) {
    static inflate_state state;
    isal_inflate_init(&state);
    state.next_in = work.input.data() + zlibHeaderBytes;
    state.avail_in = static_cast<uint32_t>(work.input.size() - zlibHeaderBytes);
    state.next_out = work.scratch.data();
    state.avail_out = static_cast<uint32_t>(work.scratch.size());
    state.crc_flag = ISAL_DEFLATE;
    if (isal_inflate_stateless(&state) != ISAL_DECOMP_OK) return false;
    return finishInflate(work, state.total_out, canonical);
}

// Ours: bottom-up rows on 4-byte boundaries.
bool oursPng(Workload& work, Bytes* canonical) {
    Image image{};
    Refusal refusal;
    if (!decodePng(image, work.input.data(), static_cast<uint32_t>(work.input.size()), refusal))
        return false;
    const bool fits = image.width == int32_t(work.width) && image.height == int32_t(work.height) &&
                      image.channels == work.channels;
    if (fits && canonical != nullptr) {
        const size_t row = size_t(work.width) * work.channels;
        const size_t stride = (row + 3) / 4 * 4;
        canonical->resize(row * work.height);
        for (uint32_t y = 0; y < work.height; ++y) {
            std::memcpy(&(*canonical)[y * row], image.pixels + (work.height - 1 - y) * stride, row);
        }
    }
    std::free(image.pixels);
    return fits;
}

// libpng's full API into the same layout as ours (bottom-up rows on 4-byte
// boundaries), with its CRC and Adler-32 checks off as ours has none.
bool libpngPng(Workload& work, Bytes* canonical) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    struct Source {
        const Bytes* bytes;
        size_t at;
    } source{&work.input, 0};
    const size_t row = size_t(work.width) * work.channels;
    const size_t stride = (row + 3) / 4 * 4;
    uint8_t* pixels = nullptr;
    png_bytep* rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(pixels);
        std::free(rows);
        return false;
    }
    png_set_read_fn(png, &source, [](png_structp p, png_bytep data, png_size_t length) {
        auto* from = static_cast<Source*>(png_get_io_ptr(p));
        if (length > from->bytes->size() - from->at) png_error(p, "short file");
        std::memcpy(data, from->bytes->data() + from->at, length);
        from->at += length;
    });
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    png_read_update_info(png, info);
    if (png_get_image_width(png, info) != work.width ||
        png_get_image_height(png, info) != work.height || png_get_rowbytes(png, info) != row) {
        png_error(png, "unexpected layout");
    }
    pixels = static_cast<uint8_t*>(std::malloc(stride * work.height));
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * work.height));
    if (pixels == nullptr || rows == nullptr) png_error(png, "out of memory");
    for (uint32_t y = 0; y < work.height; ++y) rows[y] = pixels + (work.height - 1 - y) * stride;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    if (canonical != nullptr) {
        canonical->resize(row * work.height);
        for (uint32_t y = 0; y < work.height; ++y)
            std::memcpy(&(*canonical)[y * row], rows[y], row);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(pixels);
    std::free(rows);
    return true;
}

// spng, top-down rows, chunk CRCs and Adler-32 not checked.
bool spngPng(Workload& work, Bytes* canonical) {
    spng_ctx* context = spng_ctx_new(0);
    if (context == nullptr) return false;
    const int format = work.channels == 4 ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    size_t size = 0;
    uint8_t* pixels = nullptr;
    bool ok = spng_set_crc_action(context, SPNG_CRC_USE, SPNG_CRC_USE) == 0 &&
              spng_set_png_buffer(context, work.input.data(), work.input.size()) == 0 &&
              spng_decoded_image_size(context, format, &size) == 0 &&
              size == size_t(work.width) * work.height * work.channels;
    if (ok) {
        pixels = static_cast<uint8_t*>(std::malloc(size));
        ok = pixels != nullptr && spng_decode_image(context, pixels, size, format, 0) == 0;
    }
    if (ok && canonical != nullptr) canonical->assign(pixels, pixels + size);
    std::free(pixels);
    spng_ctx_free(context);
    return ok;
}

// stb_image, top-down rows. Asked for the file's own channel count.
bool stbPng(Workload& work, Bytes* canonical) {
    int width = 0;
    int height = 0;
    int channels = 0;
    uint8_t* pixels =
        stbi_load_from_memory(work.input.data(), static_cast<int>(work.input.size()), &width,
                              &height, &channels, static_cast<int>(work.channels));
    if (pixels == nullptr) return false;
    const bool fits = width == int(work.width) && height == int(work.height);
    if (fits && canonical != nullptr)
        canonical->assign(pixels, pixels + size_t(width) * height * work.channels);
    stbi_image_free(pixels);
    return fits;
}

// Ours: RGB rows in file order, as the canonical form.
bool oursBmp(Workload& work, Bytes* canonical) {
    Image image{};
    Refusal refusal;
    if (!decodeBmp(image, work.input.data(), static_cast<uint32_t>(work.input.size()), refusal))
        return false;
    const bool fits = image.width == int32_t(work.width) && image.height == int32_t(work.height) &&
                      image.channels == 3;
    if (fits && canonical != nullptr)
        canonical->assign(image.pixels, image.pixels + size_t(work.width) * work.height * 3);
    std::free(image.pixels);
    return fits;
}

// stb_image flips BMP rows to top-down.
bool stbBmp(Workload& work, Bytes* canonical) {
    int width = 0;
    int height = 0;
    int channels = 0;
    uint8_t* pixels = stbi_load_from_memory(work.input.data(), static_cast<int>(work.input.size()),
                                            &width, &height, &channels, 3);
    if (pixels == nullptr) return false;
    const bool fits = width == int(work.width) && height == int(work.height);
    if (fits && canonical != nullptr) {
        const size_t row = size_t(width) * 3;
        canonical->resize(row * height);
        for (int y = 0; y < height; ++y)
            std::memcpy(&(*canonical)[y * row], pixels + (height - 1 - y) * row, row);
    }
    stbi_image_free(pixels);
    return fits;
}

// SDL_LoadBMP_RW gives a top-down surface in the file's own pixel format
// (BGR, or palette indices); converting it to RGB24 makes the same pixels as
// ours, which is the work being compared.
bool sdlBmp(Workload& work, Bytes* canonical) {
    SDL_RWops* source = SDL_RWFromConstMem(work.input.data(), static_cast<int>(work.input.size()));
    if (source == nullptr) return false;
    SDL_Surface* loaded = SDL_LoadBMP_RW(source, 1);
    if (loaded == nullptr) return false;
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (surface == nullptr) return false;
    const bool fits = surface->w == int(work.width) && surface->h == int(work.height);
    if (fits && canonical != nullptr) {
        const size_t row = size_t(work.width) * 3;
        canonical->resize(row * work.height);
        for (int y = 0; y < surface->h; ++y) {
            std::memcpy(&(*canonical)[(surface->h - 1 - y) * row],
                        static_cast<const uint8_t*>(surface->pixels) + size_t(y) * surface->pitch,
                        row);
        }
    }
    SDL_FreeSurface(surface);
    return fits;
}

}  // namespace

const Decoder inflateDecoders[4] = {{"ours", oursInflate},
                                    {"zlib", zlibInflate},
                                    {"libdeflate", libdeflateInflate},
                                    {"ISA-L", isalInflate}};
const Decoder pngDecoders[4] = {
    {"ours", oursPng}, {"libpng", libpngPng}, {"spng", spngPng}, {"stb_image", stbPng}};
const Decoder bmpDecoders[3] = {{"ours", oursBmp}, {"stb_image", stbBmp}, {"SDL2", sdlBmp}};
const Decoder bmpRleDecoders[2] = {{"ours", oursBmp}, {"SDL2", sdlBmp}};
