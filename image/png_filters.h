// PNG scanline reconstruction (PNG standard, filter method 0): every byte is
// its filtered byte plus a prediction, modulo 256, from a (the byte one pixel
// to the left), b (the byte above) and c (the byte above and to the left),
// each 0 outside the picture. The first scanline is reconstructed against a
// row of zeros.
//
// `unfilterPortable` goes byte by byte, as the standard reads. On x86-64,
// where SSE2 is always there, `unfilterVector` gives the same bytes faster: Up
// 16 bytes at a time, Sub as prefix sums over 16 bytes, and Average, and
// Paeth on 3- and 4-byte pixels, one whole pixel per step. Elsewhere it is
// `unfilterPortable`.
//
// Both take `length` bytes from `in` and `prior` (the reconstructed scanline
// above) and write `length` bytes to `out`, which overlaps neither; `length`
// is a whole number of `unit`-byte pixels, at least one. Nothing outside
// those bytes is read or written.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define STAPELIX_PNG_SSE2 1
#endif

constexpr uint32_t noFilter = 0;
constexpr uint32_t subFilter = 1;
constexpr uint32_t upFilter = 2;
constexpr uint32_t averageFilter = 3;
constexpr uint32_t paethFilter = 4;

// The Paeth predictor, with p = a + b - c: p - a = b - c, p - b = a - c,
// and p - c is their sum. a wins every tie it is part of, then b.
inline int32_t paethPredict(int32_t a, int32_t b, int32_t c) {
    const int32_t pa = std::abs(b - c);
    const int32_t pb = std::abs(a - c);
    const int32_t pc = std::abs(b - c + a - c);
    const int32_t bOrC = pb <= pc ? b : c;
    const bool aNearest = (pa <= pb) & (pa <= pc);  // both tested: no branch
    return aNearest ? a : bOrC;
}

// Each portable routine keeps a and c of every channel in locals, so the
// chain from one pixel to the next stays in registers.
template <uint32_t unit>
void unfilterSubPortable(const uint8_t* in, uint8_t* out, uint32_t length) {
    uint8_t left[unit] = {};
    for (uint32_t x = 0; x < length; x += unit) {
        for (uint32_t k = 0; k < unit; ++k) {
            left[k] = static_cast<uint8_t>(in[x + k] + left[k]);
            out[x + k] = left[k];
        }
    }
}

inline void unfilterUpPortable(const uint8_t* in, const uint8_t* prior, uint8_t* out,
                               uint32_t length) {
    for (uint32_t x = 0; x < length; ++x) out[x] = static_cast<uint8_t>(in[x] + prior[x]);
}

template <uint32_t unit>
void unfilterAveragePortable(const uint8_t* in, const uint8_t* prior, uint8_t* out,
                             uint32_t length) {
    uint32_t left[unit] = {};
    for (uint32_t x = 0; x < length; x += unit) {
        for (uint32_t k = 0; k < unit; ++k) {
            // The sum of two bytes needs nine bits.
            left[k] = static_cast<uint8_t>(in[x + k] + ((left[k] + prior[x + k]) >> 1));
            out[x + k] = static_cast<uint8_t>(left[k]);
        }
    }
}

template <uint32_t unit>
void unfilterPaethPortable(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length) {
    int32_t left[unit] = {};
    int32_t upperLeft[unit] = {};
    for (uint32_t x = 0; x < length; x += unit) {
        for (uint32_t k = 0; k < unit; ++k) {
            const int32_t above = prior[x + k];
            left[k] = static_cast<uint8_t>(in[x + k] + paethPredict(left[k], above, upperLeft[k]));
            upperLeft[k] = above;
            out[x + k] = static_cast<uint8_t>(left[k]);
        }
    }
}

// False for a filter type above 4.
template <uint32_t unit>
bool unfilterPortable(uint32_t filter, const uint8_t* in, const uint8_t* prior, uint8_t* out,
                      uint32_t length) {
    switch (filter) {
        case noFilter:
            std::memcpy(out, in, length);
            return true;
        case subFilter:
            unfilterSubPortable<unit>(in, out, length);
            return true;
        case upFilter:
            unfilterUpPortable(in, prior, out, length);
            return true;
        case averageFilter:
            unfilterAveragePortable<unit>(in, prior, out, length);
            return true;
        case paethFilter:
            unfilterPaethPortable<unit>(in, prior, out, length);
            return true;
        default:
            return false;
    }
}

#if STAPELIX_PNG_SSE2

constexpr uint32_t vectorBytes = 16;
constexpr uint32_t pixelSlotBytes = 4;  // a 3- or 4-byte pixel in the low lanes

inline void unfilterUpSse2(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length) {
    uint32_t x = 0;
    for (; x + vectorBytes <= length; x += vectorBytes) {
        const __m128i filtered = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_add_epi8(filtered, above));
    }
    unfilterUpPortable(in + x, prior + x, out + x, length - x);
}

inline __m128i loadPixelSlot(const uint8_t* bytes) {
    int32_t word;
    std::memcpy(&word, bytes, pixelSlotBytes);
    return _mm_cvtsi32_si128(word);
}

inline void storePixelSlot(uint8_t* bytes, __m128i pixel) {
    const int32_t word = _mm_cvtsi128_si32(pixel);
    std::memcpy(bytes, &word, pixelSlotBytes);
}

// Runs `step(filtered, a, b, c, to)` on pixel after pixel from byte `x` on:
// it stores the pixel at `to` and returns it as the next a (in the form the
// step works in); c is the raw bytes above the previous pixel. Each step
// moves 4 bytes in and out: for smaller pixels the bytes past the pixel
// belong to the next ones, whose own stores rewrite them, so only the pixels
// in a row's last 3 bytes go through copies of their own bytes.
template <uint32_t unit, typename Step>
void unfilterPixelsSse2(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length,
                        uint32_t x, __m128i a, __m128i c, Step step) {
    for (; x + pixelSlotBytes <= length; x += unit) {
        const __m128i above = loadPixelSlot(prior + x);
        a = step(loadPixelSlot(in + x), a, above, c, out + x);
        c = above;
    }
    for (; x < length; x += unit) {
        uint8_t filtered[pixelSlotBytes] = {};
        uint8_t above[pixelSlotBytes] = {};
        uint8_t result[pixelSlotBytes];
        std::memcpy(filtered, in + x, unit);
        std::memcpy(above, prior + x, unit);
        a = step(loadPixelSlot(filtered), a, loadPixelSlot(above), c, result);
        c = loadPixelSlot(above);
        std::memcpy(out + x, result, unit);
    }
}

// The last pixel of a vector of 1-, 2- or 4-byte pixels, in every lane.
template <uint32_t unit>
__m128i lastPixelEverywhere(__m128i pixels) {
    constexpr int lastWord = _MM_SHUFFLE(3, 3, 3, 3);
    if constexpr (unit == 1)
        pixels = _mm_shufflehi_epi16(_mm_unpackhi_epi8(pixels, pixels), lastWord);
    if constexpr (unit == 2) pixels = _mm_shufflehi_epi16(pixels, lastWord);
    return _mm_shuffle_epi32(pixels, lastWord);
}

// Sub: but for 3-byte pixels, which do not tile 16 bytes, each 16 bytes are a
// prefix sum of their pixels (adding the vector shifted by one pixel, then by
// two, four, eight, as far as 16 bytes go) plus the last pixel before them in
// every lane; the rest of the row goes pixel by pixel.
template <uint32_t unit>
void unfilterSubSse2(const uint8_t* in, uint8_t* out, uint32_t length) {
    __m128i left = _mm_setzero_si128();
    uint32_t x = 0;
    if constexpr (unit != 3) {
        for (; x + vectorBytes <= length; x += vectorBytes) {
            __m128i sum = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
            sum = _mm_add_epi8(sum, _mm_slli_si128(sum, unit));
            sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 2 * unit));
            if constexpr (unit <= 2) sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 4 * unit));
            if constexpr (unit == 1) sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 8));
            sum = _mm_add_epi8(sum, left);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), sum);
            left = lastPixelEverywhere<unit>(sum);
        }
    }
    const auto step = [](__m128i filtered, __m128i a, __m128i, __m128i, uint8_t* to) {
        const __m128i pixel = _mm_add_epi8(filtered, a);
        storePixelSlot(to, pixel);
        return pixel;
    };
    // Sub has no use for the bytes above; `in` stands in for them.
    unfilterPixelsSse2<unit>(in, in, out, length, x, left, left, step);
}

// Average: _mm_avg_epu8 rounds (a + b) / 2 up, but on complements it rounds
// down: ~avg(~a, ~b) = (a + b) >> 1. So a is carried as ~a, and as
// ~(filtered + mean) = -filtered - mean - 1 = avg(~a, ~b) - filtered, the
// chain from pixel to pixel is one average and one subtraction.
template <uint32_t unit>
void unfilterAverageSse2(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length) {
    const __m128i ones = _mm_set1_epi8(-1);
    const auto step = [ones](__m128i filtered, __m128i notA, __m128i b, __m128i, uint8_t* to) {
        const __m128i notPixel = _mm_sub_epi8(_mm_avg_epu8(notA, _mm_xor_si128(b, ones)), filtered);
        storePixelSlot(to, _mm_xor_si128(notPixel, ones));
        return notPixel;
    };
    // ~0 left of the first pixel.
    unfilterPixelsSse2<unit>(in, prior, out, length, 0, ones, ones, step);
}

// The Paeth predictor on 16-bit lanes, arranged so that little of it waits
// for a, which the previous pixel has only just produced. With d = b - c and
// e = a - c: pa = |d|, pb = |e| and pc = |e + d|. For d >= 0, pa <= pb and
// pa <= pc hold exactly when e >= d or e <= -2d, that is unless a lies
// strictly between b and q = c - 2d; and pb <= pc holds exactly when
// 2e + d >= 0, so inside that stretch c is chosen on q's side of its middle,
// (b + q) / 2, and b on the rest, the middle included. For d < 0 it is all
// mirrored, and for d = 0 the stretch is empty. So both choices are a lying
// strictly between two bounds worked out before a is known.
inline __m128i paethPredictSse2(__m128i a, __m128i b, __m128i c) {
    const __m128i d = _mm_sub_epi16(b, c);
    const __m128i q = _mm_sub_epi16(c, _mm_add_epi16(d, d));
    const __m128i notALow = _mm_min_epi16(b, q);
    const __m128i notAHigh = _mm_max_epi16(b, q);
    // Twice the middle, halved down and up: c's side ends short of it.
    const __m128i twiceMiddle = _mm_add_epi16(b, q);
    const __m128i middleDown = _mm_srai_epi16(twiceMiddle, 1);
    const __m128i middleUp = _mm_srai_epi16(_mm_add_epi16(twiceMiddle, _mm_set1_epi16(1)), 1);
    const __m128i cLow = _mm_min_epi16(q, middleDown);
    const __m128i cHigh = _mm_max_epi16(q, middleUp);
    const __m128i bToC = _mm_xor_si128(b, c);

    const __m128i notA = _mm_and_si128(_mm_cmpgt_epi16(a, notALow), _mm_cmpgt_epi16(notAHigh, a));
    const __m128i pickC = _mm_and_si128(_mm_cmpgt_epi16(a, cLow), _mm_cmpgt_epi16(cHigh, a));
    // a, turned into b where not a, and on into c where c.
    const __m128i aToB = _mm_and_si128(notA, _mm_xor_si128(a, b));
    return _mm_xor_si128(a, _mm_xor_si128(aToB, _mm_and_si128(pickC, bToC)));
}

// Paeth one pixel a step in 16-bit lanes. a stays widened from pixel to
// pixel, and the sum is cut back to a byte with a mask rather than a pack,
// which keeps the chain from one pixel to the next short.
template <uint32_t unit>
void unfilterPaethSse2(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowByte = _mm_set1_epi16(0xFF);
    const auto step = [zero, lowByte](__m128i filtered, __m128i a, __m128i above, __m128i upperLeft,
                                      uint8_t* to) {
        const __m128i b = _mm_unpacklo_epi8(above, zero);
        const __m128i c = _mm_unpacklo_epi8(upperLeft, zero);
        const __m128i predicted = paethPredictSse2(a, b, c);
        const __m128i pixel =
            _mm_and_si128(_mm_add_epi16(_mm_unpacklo_epi8(filtered, zero), predicted), lowByte);
        storePixelSlot(to, _mm_packus_epi16(pixel, pixel));
        return pixel;
    };
    unfilterPixelsSse2<unit>(in, prior, out, length, 0, zero, zero, step);
}

#endif  // STAPELIX_PNG_SSE2

template <uint32_t unit>
bool unfilterVector(uint32_t filter, const uint8_t* in, const uint8_t* prior, uint8_t* out,
                    uint32_t length) {
#if STAPELIX_PNG_SSE2
    switch (filter) {
        case subFilter:
            unfilterSubSse2<unit>(in, out, length);
            return true;
        case upFilter:
            unfilterUpSse2(in, prior, out, length);
            return true;
        case averageFilter:
            unfilterAverageSse2<unit>(in, prior, out, length);
            return true;
        case paethFilter:
            // For pixels of one or two bytes the chain from byte to byte is
            // as long in lanes as in scalar code, which wins by its fewer
            // instructions.
            if (unit < 3) break;
            unfilterPaethSse2<unit>(in, prior, out, length);
            return true;
        default:
            break;
    }
#endif
    return unfilterPortable<unit>(filter, in, prior, out, length);
}
