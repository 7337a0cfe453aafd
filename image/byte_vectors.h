// 16-byte vectors for the decoders' fast loops, written with the GCC and
// Clang vector extensions (operators on whole vectors, lanes moved with
// __builtin_shufflevector) and one builtin, so no instruction-set header is
// needed. They are switched on where SSE2 is, which x86-64 always has and
// which every form below compiles to; other builds take the decoders'
// portable loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__GNUC__) && defined(__SSE2__)
#define STAPELIX_BYTE_VECTORS 1

constexpr uint32_t vectorBytes = 16;

using ByteVector [[gnu::vector_size(16)]] = uint8_t;
using WordVector [[gnu::vector_size(16)]] = int16_t;  // 8 lanes
using QuadVector [[gnu::vector_size(16)]] = int32_t;  // 4 lanes
using HalfByteVector [[gnu::vector_size(8)]] = uint8_t;

inline ByteVector loadVector(const uint8_t* bytes) {
    ByteVector v;
    std::memcpy(&v, bytes, vectorBytes);
    return v;
}

inline void storeVector(uint8_t* bytes, ByteVector v) {
    std::memcpy(bytes, &v, vectorBytes);
}

// Four bytes into the low lanes, zeros above, and back.
inline ByteVector loadQuad(const uint8_t* bytes) {
    int32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return ByteVector(QuadVector{word, 0, 0, 0});
}

inline void storeQuad(uint8_t* bytes, ByteVector v) {
    const int32_t word = QuadVector(v)[0];
    std::memcpy(bytes, &word, sizeof word);
}

// The low 8 bytes as 16-bit lanes.
inline WordVector widenLow(ByteVector v) {
    return WordVector(__builtin_shufflevector(v, ByteVector{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5,
                                              21, 6, 22, 7, 23));
}

// The four low 16-bit lanes, each cut to its low byte, as four bytes.
inline void storeQuadOfWords(uint8_t* bytes, WordVector v) {
    const HalfByteVector narrow = __builtin_convertvector(v, HalfByteVector);
    std::memcpy(bytes, &narrow, 4);
}

// (x + y + 1) >> 1 in every lane, without a ninth bit: SSE2's pavgb, which
// GCC does not make of any vector expression, so it is asked for by name.
inline ByteVector roundedUpMean(ByteVector x, ByteVector y) {
    using CharVector [[gnu::vector_size(16)]] = char;
    return ByteVector(__builtin_ia32_pavgb128(CharVector(x), CharVector(y)));
}

template <int lanes, size_t... lane>
ByteVector shiftUp(ByteVector v, std::index_sequence<lane...>) {
    return __builtin_shufflevector(ByteVector{}, v,
                                   (int(lane) < lanes ? 0 : int(vectorBytes + lane) - lanes)...);
}

template <int lanes, size_t... lane>
ByteVector shiftDown(ByteVector v, std::index_sequence<lane...>) {
    return __builtin_shufflevector(
        v, ByteVector{}, (int(lane) + lanes < int(vectorBytes) ? int(lane) + lanes : 16)...);
}

// Byte lane i goes to lane i + `lanes` (up) or i - `lanes` (down); zeros
// come in.
template <int lanes>
ByteVector shiftUp(ByteVector v) {
    return shiftUp<lanes>(v, std::make_index_sequence<vectorBytes>());
}

template <int lanes>
ByteVector shiftDown(ByteVector v) {
    return shiftDown<lanes>(v, std::make_index_sequence<vectorBytes>());
}

#endif  // __GNUC__ && __SSE2__
