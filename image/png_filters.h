// PNG scanline reconstruction (PNG standard, filter method 0): every byte is
// its filtered byte plus a prediction, modulo 256, from a (the byte one pixel
// to the left), b (the byte above) and c (the byte above and to the left),
// each 0 outside the picture. The first scanline is reconstructed against a
// row of zeros.
//
// `unfilterPortable` goes byte by byte, as the standard reads. Where the
// byte vectors are (x86-64, whose SSE2 they compile to), `unfilterVector`
// gives the same bytes faster: Up 16 bytes at a time, Sub as prefix sums over
// 16 bytes, and Average, and Paeth on 3- and 4-byte pixels, one whole pixel
// per step. Elsewhere it is `unfilterPortable`.
//
// Both take `length` bytes from `in` and `prior` (the reconstructed scanline
// above) and write `length` bytes to `out`, which overlaps neither; `length`
// is a whole number of `unit`-byte pixels, at least one. Nothing outside
// those bytes is read or written.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/byte_vectors.h"

constexpr uint32_t noFilter = 0;
constexpr uint32_t subFilter = 1;
constexpr uint32_t upFilter = 2;
constexpr uint32_t averageFilter = 3;
constexpr uint32_t paethFilter = 4;

// The Paeth predictor, with p = a + b - c: p - a = b - c, p - b = a - c,
// and p - c is their sum. a wins every tie it is part of, then b. The three
// bytes come widened, as the byte path keeps them: narrowed to bytes here,
// GCC unrolls that loop less well (3 % more instructions on 1-byte pixels).
inline int32_t paethPick(int32_t a, int32_t b, int32_t c) {
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
            left[k] = static_cast<uint8_t>(in[x + k] + paethPick(left[k], above, upperLeft[k]));
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

#if STAPELIX_BYTE_VECTORS

constexpr uint32_t pixelSlotBytes = 4;  // a pixel of up to 4 bytes in the low lanes

inline void unfilterUpVector(const uint8_t* in, const uint8_t* prior, uint8_t* out,
                             uint32_t length) {
    uint32_t x = 0;
    for (; x + vectorBytes <= length; x += vectorBytes)
        storeVector(out + x, loadVector(in + x) + loadVector(prior + x));
    unfilterUpPortable(in + x, prior + x, out + x, length - x);
}

// Runs `step(filtered, a, b, c, to)` on pixel after pixel from byte `x` on:
// it stores the pixel at `to` and returns it as the next a (in the form the
// step works in); c is the raw bytes above the previous pixel. Each step
// moves 4 bytes in and out: for smaller pixels the bytes past the pixel
// belong to the next ones, whose own stores rewrite them, so only the pixels
// in a row's last 3 bytes go through copies of their own bytes.
template <uint32_t unit, typename Lanes, typename Step>
void unfilterPixelsVector(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length,
                          uint32_t x, Lanes a, ByteVector c, Step step) {
    for (; x + pixelSlotBytes <= length; x += unit) {
        const ByteVector above = loadQuad(prior + x);
        a = step(loadQuad(in + x), a, above, c, out + x);
        c = above;
    }
    for (; x < length; x += unit) {
        uint8_t filtered[pixelSlotBytes] = {};
        uint8_t above[pixelSlotBytes] = {};
        uint8_t result[pixelSlotBytes];
        std::memcpy(filtered, in + x, unit);
        std::memcpy(above, prior + x, unit);
        a = step(loadQuad(filtered), a, loadQuad(above), c, result);
        c = loadQuad(above);
        std::memcpy(out + x, result, unit);
    }
}

// The last pixel of a vector of 1-, 2- or 4-byte pixels, in every lane.
template <uint32_t unit>
ByteVector lastPixelEverywhere(ByteVector pixels) {
    if constexpr (unit == 1) {
        return __builtin_shufflevector(pixels, pixels, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                       15, 15, 15, 15, 15);
    } else if constexpr (unit == 2) {
        const WordVector words = WordVector(pixels);
        return ByteVector(__builtin_shufflevector(words, words, 7, 7, 7, 7, 7, 7, 7, 7));
    } else {
        const QuadVector quads = QuadVector(pixels);
        return ByteVector(__builtin_shufflevector(quads, quads, 3, 3, 3, 3));
    }
}

// Sub: but for 3-byte pixels, which do not tile 16 bytes, each 16 bytes are a
// prefix sum of their pixels (adding the vector shifted by one pixel, then by
// two, four, eight, as far as 16 bytes go) plus the last pixel before them in
// every lane; the rest of the row goes pixel by pixel.
template <uint32_t unit>
void unfilterSubVector(const uint8_t* in, uint8_t* out, uint32_t length) {
    constexpr int pixel = int(unit);
    ByteVector left = {};
    uint32_t x = 0;
    if constexpr (unit != 3) {
        for (; x + vectorBytes <= length; x += vectorBytes) {
            ByteVector sum = loadVector(in + x);
            sum += shiftUp<pixel>(sum);
            sum += shiftUp<2 * pixel>(sum);
            if constexpr (unit <= 2) sum += shiftUp<4 * pixel>(sum);
            if constexpr (unit == 1) sum += shiftUp<8>(sum);
            sum += left;
            storeVector(out + x, sum);
            left = lastPixelEverywhere<unit>(sum);
        }
    }
    const auto step = [](ByteVector filtered, ByteVector a, ByteVector, ByteVector, uint8_t* to) {
        const ByteVector pixel = filtered + a;
        storeQuad(to, pixel);
        return pixel;
    };
    // Sub has no use for the bytes above; `in` stands in for them.
    unfilterPixelsVector<unit>(in, in, out, length, x, left, left, step);
}

// Average: the lanes' mean rounds up, but on complements it rounds down:
// ~roundedUpMean(~a, ~b) = (a + b) >> 1. So a is carried as ~a, and as
// ~(filtered + mean) = -filtered - mean - 1 = roundedUpMean(~a, ~b) -
// filtered, a pixel waits on the one before it for one mean and one
// subtraction.
template <uint32_t unit>
void unfilterAverageVector(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length) {
    const auto step = [](ByteVector filtered, ByteVector notA, ByteVector b, ByteVector,
                         uint8_t* to) {
        const ByteVector notPixel = roundedUpMean(notA, ~b) - filtered;
        storeQuad(to, ~notPixel);
        return notPixel;
    };
    // ~0 left of the first pixel.
    unfilterPixelsVector<unit>(in, prior, out, length, 0, ~ByteVector{}, ByteVector{}, step);
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
inline WordVector paethPickVector(WordVector a, WordVector b, WordVector c) {
    const WordVector d = b - c;
    const WordVector q = c - (d + d);
    const WordVector notALow = b < q ? b : q;
    const WordVector notAHigh = b < q ? q : b;
    // Twice the middle, halved down and up: c's side ends short of it.
    const WordVector twiceMiddle = b + q;
    const WordVector middleDown = twiceMiddle >> 1;
    const WordVector middleUp = (twiceMiddle + 1) >> 1;
    const WordVector cLow = q < middleDown ? q : middleDown;
    const WordVector cHigh = q < middleUp ? middleUp : q;

    const WordVector notA = (a > notALow) & (a < notAHigh);
    const WordVector pickC = (a > cLow) & (a < cHigh);
    // a, turned into b where not a, and on into c where c.
    return a ^ (notA & (a ^ b)) ^ (pickC & (b ^ c));
}

// Paeth one pixel a step in 16-bit lanes. a stays widened from pixel to
// pixel, and the sum is cut back to a byte with a mask rather than a
// narrowing, which keeps the chain from one pixel to the next short.
template <uint32_t unit>
void unfilterPaethVector(const uint8_t* in, const uint8_t* prior, uint8_t* out, uint32_t length) {
    const auto step = [](ByteVector filtered, WordVector a, ByteVector above, ByteVector upperLeft,
                         uint8_t* to) {
        const WordVector predicted = paethPickVector(a, widenLow(above), widenLow(upperLeft));
        const WordVector pixel = (widenLow(filtered) + predicted) & 0xFF;
        storeQuadOfWords(to, pixel);
        return pixel;
    };
    unfilterPixelsVector<unit>(in, prior, out, length, 0, WordVector{}, ByteVector{}, step);
}

#endif  // STAPELIX_BYTE_VECTORS

template <uint32_t unit>
bool unfilterVector(uint32_t filter, const uint8_t* in, const uint8_t* prior, uint8_t* out,
                    uint32_t length) {
#if STAPELIX_BYTE_VECTORS
    switch (filter) {
        case subFilter:
            unfilterSubVector<unit>(in, out, length);
            return true;
        case upFilter:
            unfilterUpVector(in, prior, out, length);
            return true;
        case averageFilter:
            unfilterAverageVector<unit>(in, prior, out, length);
            return true;
        case paethFilter:
            // For pixels of one or two bytes the chain from byte to byte is
            // as long in lanes as in scalar code, which wins by its fewer
            // instructions.
            if (unit < 3) break;
            unfilterPaethVector<unit>(in, prior, out, length);
            return true;
        default:
            break;
    }
#endif
    return unfilterPortable<unit>(filter, in, prior, out, length);
}
