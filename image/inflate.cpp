// One-shot inflate. The exact path fetches one byte at a time and only when
// a step needs more bits than the buffer holds, so running out of input is
// noticed exactly where a needed bit is missing. While plenty of input and
// output remain, a fast loop refills 64 bits at a time, decodes through wide
// one-word tables (wide_table.h) built straight from the block's code
// lengths, and copies matches in whole chunks, putting back the bytes the
// chunks overrun; it stops before either end, where the exact path takes
// over on the same tables. Codes the wide tables refuse go to the standard
// tables. Both give the same result on every input.
#include "image/inflate.h"

#include <cstddef>
#include <cstring>

#include "image/decode_table.h"
#include "image/inflate_variant.h"
#include "image/wide_table.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define STAPELIX_INFLATE_BMI2 1
#else
#define STAPELIX_INFLATE_BMI2 0
#endif

// The fast loop's body is one function built once per CPU variant: it and
// its copy must be inlined into each build.
#if defined(__GNUC__) || defined(__clang__)
#define STAPELIX_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define STAPELIX_ALWAYS_INLINE inline
#endif

namespace {

// CMF (RFC 1950): method 8 in the low nibble, log2(window) - 8 in the high
// one. A smaller window only promises shorter distances; every distance is
// checked against the bytes produced so far, so the window size never matters.
constexpr uint8_t deflateMethod = 8;
constexpr uint8_t methodMask = 0x0F;
constexpr uint8_t maxWindowField = 7;  // 32 KiB
constexpr uint8_t presetDictionaryFlag = 0x20;
constexpr uint32_t headerCheckDivisor = 31;

constexpr uint32_t storedBlock = 0;
constexpr uint32_t fixedBlock = 1;
constexpr uint32_t dynamicBlock = 2;
constexpr uint32_t storedHeaderBytes = 4;  // LEN and NLEN

constexpr uint32_t maxMatchLength = 258;
constexpr uint32_t extraBitsMask = 15;
constexpr uint32_t allLengths = maxLiteralLengthSymbols + maxDistanceSymbols;
// The symbols RFC 1951 3.2.5 gives a meaning: literal/length 0..285,
// distance 0..29.
constexpr uint32_t usedLiteralLengthSymbols = 286;
constexpr uint32_t usedDistanceSymbols = 30;

// Code-length alphabet (RFC 1951 3.2.7).
constexpr uint8_t codeLengthOrder[codeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};
constexpr uint32_t repeatPrevious = 16;
constexpr uint32_t repeatZerosShort = 17;
constexpr uint32_t repeatZerosLong = 18;

// The fast loop refills with one 8-byte load and then decodes at most one
// literal/length code, its extra bits, a distance code and its extra bits:
// 15 + 5 + 15 + 13 = 48 bits, fewer than the 56 a refill guarantees.
constexpr uint32_t refillBytes = 8;
constexpr uint32_t refilledBits = 56;

struct Inflater {
    const uint8_t* in;
    const uint8_t* inEnd;
    uint64_t bits;  // valid bits at the bottom; bits above bitCount are zero
    uint32_t bitCount;
    uint8_t* outStart;
    uint8_t* out;
    uint8_t* outEnd;
    uint64_t dropped;       // stream bytes that did not fit the capacity
    RefusalReason failure;  // set where decoding fails, read only then
};

struct BlockTables {
    uint32_t literalRootBits;
    uint32_t distanceStart;
    uint32_t distanceRootBits;  // 0: the block has no distance codes
};

enum class Step { More, BlockEnd, Fail };

bool refuse(Inflater& s, RefusalReason reason) {
    s.failure = reason;
    return false;
}

Step fail(Inflater& s, RefusalReason reason) {
    s.failure = reason;
    return Step::Fail;
}

// Where running out of input is noticed for every bit the decode reads (a
// stored block's length, read as whole bytes, is checked in copyStoredBlock):
// every failure to fetch is a failure of the whole decode.
bool fetchByte(Inflater& s) {
    if (s.in == s.inEnd) return refuse(s, RefusalReason::CompressedDataEnds);
    s.bits |= uint64_t(*s.in++) << s.bitCount;
    s.bitCount += 8;
    return true;
}

// Tops the buffer up to at least 56 bits with one 8-byte load, where at
// least 8 input bytes remain: the same bits the byte fetches would bring, so
// the steps after it never need to fetch.
void refillWhole(Inflater& s) {
    uint64_t word;
    std::memcpy(&word, s.in, refillBytes);
    s.bits |= word << s.bitCount;
    s.in += (63 - s.bitCount) >> 3;
    s.bitCount |= refilledBits;
    s.bits &= (uint64_t(1) << s.bitCount) - 1;  // no bits above bitCount
}

bool need(Inflater& s, uint32_t count) {
    while (s.bitCount < count) {
        if (!fetchByte(s)) return false;
    }
    return true;
}

uint32_t peek(const Inflater& s, uint32_t count) {
    return uint32_t(s.bits) & ((1u << count) - 1);
}

void drop(Inflater& s, uint32_t count) {
    s.bits >>= count;
    s.bitCount -= count;
}

bool isLink(uint32_t action) {
    return action >= 1 && action <= maxLinkAction;
}

bool isBase(uint32_t action) {
    return (action & (invalidBit | endOfBlockBit)) == 0 && (action & baseAction) != 0;
}

// Copies a match of `length` bytes from `distance` bytes back, one byte at a
// time so that a distance shorter than the length repeats its pattern.
void copyMatchExact(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* const from = out - distance;
    for (uint32_t i = 0; i < length; ++i) out[i] = from[i];
}

// Writes a literal, or counts it dropped past the capacity.
void putLiteral(Inflater& s, uint8_t literal) {
    if (s.out < s.outEnd) {
        *s.out++ = literal;
    } else {
        ++s.dropped;
    }
}

// Copies a match with exact clipping at the capacity.
Step putMatch(Inflater& s, uint32_t length, uint32_t distance) {
    // A distance reaching before the start of the stream has no source.
    const uint64_t position = uint64_t(s.out - s.outStart) + s.dropped;
    if (distance > position) return fail(s, RefusalReason::DistanceTooFar);
    const uint32_t room = static_cast<uint32_t>(s.outEnd - s.out);
    const uint32_t copied = length < room ? length : room;
    // With nothing kept so far the source may lie before the buffer.
    if (copied != 0) copyMatchExact(s.out, distance, copied);
    s.out += copied;
    s.dropped += length - copied;
    return Step::More;
}

template <size_t n>
inline void copyChunk(uint8_t* to, const uint8_t* from) {
    uint8_t chunk[n];
    std::memcpy(chunk, from, n);
    std::memcpy(to, chunk, n);
}

constexpr uint32_t wideChunk = 16;
constexpr uint32_t narrowChunk = 8;

// The fast loop's match copy: the bytes of copyMatchExact in 8-byte chunks,
// which may run up to 15 bytes past the match.
STAPELIX_ALWAYS_INLINE void copyMatchFast(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* from = out - distance;
    uint8_t* const end = out + length;
    if (distance >= narrowChunk) {
        // Each chunk reads at least 8 bytes behind what it writes: final
        // output.
        do {
            copyChunk<narrowChunk>(out, from);
            copyChunk<narrowChunk>(out + narrowChunk, from + narrowChunk);
            out += 2 * narrowChunk;
            from += 2 * narrowChunk;
        } while (out < end);
        return;
    }
    if (distance == 1) {
        uint8_t run[narrowChunk];
        std::memset(run, *from, narrowChunk);
        do {
            std::memcpy(out, run, narrowChunk);
            std::memcpy(out + narrowChunk, run, narrowChunk);
            out += 2 * narrowChunk;
        } while (out < end);
        return;
    }
    // A period of 2 to 7 bytes: each chunk moves on by one period, so its
    // first `distance` bytes, read from the chunk before, are final.
    do {
        copyChunk<narrowChunk>(out, from);
        out += distance;
        from += distance;
    } while (out < end);
}

// The fast loop writes past the output it means: a match's chunks up to 15
// bytes past its end, a literal word always two bytes. Those bytes may be
// ones the stream never delivers, and must end up as they were. The guard
// keeps the originals of [out, frontier), with nothing written at or past
// the frontier: a match saves the 16 bytes from its end, or from the
// frontier if that lies further, and moves the frontier 16 past its end;
// literals move it on 16 at a time while it is less than 8 bytes ahead.
// Leaving the fast loop puts [out, frontier) back. A ring of 64 positions,
// each save stored twice so that the copy in its upper half is whole
// whatever the save's alignment: position p sits at ring[64 + p % 64].
constexpr uint32_t guardSpan = 64;
constexpr size_t literalRoom = 8;  // a round writes at most three literal words

struct SpillGuard {
    uint8_t ring[2 * guardSpan + wideChunk];

    void save(const uint8_t* at) {
        const size_t slot = reinterpret_cast<uintptr_t>(at) & (guardSpan - 1);
        uint8_t chunk[wideChunk];
        std::memcpy(chunk, at, wideChunk);
        std::memcpy(ring + slot, chunk, wideChunk);
        std::memcpy(ring + slot + guardSpan, chunk, wideChunk);
    }
    uint8_t original(const uint8_t* at) const {
        return ring[guardSpan + (reinterpret_cast<uintptr_t>(at) & (guardSpan - 1))];
    }
};

// Finds the slot of the next code in the table at `start`, fetching bytes
// only while the slot in hand needs more bits than are valid, and drops the
// code's bits. False when the input ends inside the code.
bool lookupExact(Inflater& s, const TableSpace& space, uint32_t start, uint32_t rootBits,
                 uint32_t& slot) {
    const uint32_t mask = (1u << rootBits) - 1;
    slot = start + (uint32_t(s.bits) & mask);
    while (space.codeBits[slot] > s.bitCount) {
        if (!fetchByte(s)) return false;
        slot = start + (uint32_t(s.bits) & mask);
    }
    const uint32_t action = space.action[slot];
    if (isLink(action)) {
        const uint32_t linkBits = space.codeBits[slot];
        const uint32_t subTable = start + space.value[slot];
        const uint32_t subMask = (1u << action) - 1;
        uint32_t sub = subTable + (uint32_t(s.bits >> linkBits) & subMask);
        while (linkBits + space.codeBits[sub] > s.bitCount) {
            if (!fetchByte(s)) return false;
            sub = subTable + (uint32_t(s.bits >> linkBits) & subMask);
        }
        drop(s, linkBits);
        slot = sub;
    }
    drop(s, space.codeBits[slot]);
    return true;
}

// Decodes one literal or match on the standard tables, with exact fetches
// and exact clipping at the capacity.
Step decodeSymbolExact(Inflater& s, const TableSpace& space, const BlockTables& t) {
    uint32_t slot = 0;
    if (!lookupExact(s, space, 0, t.literalRootBits, slot)) return Step::Fail;
    uint32_t action = space.action[slot];
    if (action == literalAction) {
        putLiteral(s, static_cast<uint8_t>(space.value[slot]));
        return Step::More;
    }
    if ((action & endOfBlockBit) != 0) return Step::BlockEnd;
    if (!isBase(action)) return fail(s, RefusalReason::InvalidCode);
    uint32_t extra = action & extraBitsMask;
    if (!need(s, extra)) return Step::Fail;
    const uint32_t length = space.value[slot] + peek(s, extra);
    drop(s, extra);

    // A length in a block without distance codes has no distance to go with.
    if (t.distanceRootBits == 0) return fail(s, RefusalReason::InvalidCode);
    if (!lookupExact(s, space, t.distanceStart, t.distanceRootBits, slot)) return Step::Fail;
    action = space.action[slot];
    if (!isBase(action)) return fail(s, RefusalReason::InvalidCode);
    extra = action & extraBitsMask;
    if (!need(s, extra)) return Step::Fail;
    const uint32_t distance = space.value[slot] + peek(s, extra);
    drop(s, extra);
    return putMatch(s, length, distance);
}

uint32_t wideCodeBits(uint32_t word) {
    return (word >> wideCodeShift) & wideCodeMask;
}

// lookupExact on a wide table: the word of the next code, its first code's
// bits dropped (of a literal pair, the first literal's only).
bool lookupWideExact(Inflater& s, const uint32_t* table, uint32_t rootBits, uint32_t& word) {
    const uint32_t mask = (1u << rootBits) - 1;
    word = table[uint32_t(s.bits) & mask];
    while (((word & wideLink) == wideLink ? rootBits : wideCodeBits(word)) > s.bitCount) {
        if (!fetchByte(s)) return false;
        word = table[uint32_t(s.bits) & mask];
    }
    if ((word & wideLink) == wideLink) {
        const uint32_t* const sub = table + (word >> wideValueShift);
        const uint32_t subMask = (1u << wideCodeBits(word)) - 1;
        word = sub[uint32_t(s.bits >> rootBits) & subMask];
        while (rootBits + wideCodeBits(word) > s.bitCount) {
            if (!fetchByte(s)) return false;
            word = sub[uint32_t(s.bits >> rootBits) & subMask];
        }
        drop(s, rootBits);
    }
    drop(s, wideCodeBits(word));
    return true;
}

// A base word's value: the base plus its extra bits, fetched exactly.
bool takeBase(Inflater& s, uint32_t word, uint32_t& value) {
    const uint32_t extra = (word & wideDropMask) - wideCodeBits(word);
    if (!need(s, extra)) return false;
    value = (word >> wideValueShift) + peek(s, extra);
    drop(s, extra);
    return true;
}

// decodeSymbolExact on the wide tables.
Step decodeSymbolWideExact(Inflater& s, const WideTables& wide) {
    uint32_t word = 0;
    if (!lookupWideExact(s, wide.literals, wideLiteralLengthBits, word)) return Step::Fail;
    if ((word & (wideLiteral | wideLiteralThenLength)) != 0) {
        putLiteral(s, static_cast<uint8_t>(word >> wideValueShift));
        return Step::More;
    }
    if ((word & wideExceptional) != 0) {
        return (word & wideEndOfBlock) == wideEndOfBlock ? Step::BlockEnd
                                                         : fail(s, RefusalReason::InvalidCode);
    }
    uint32_t length = 0;
    if (!takeBase(s, word, length)) return Step::Fail;
    if (!lookupWideExact(s, wide.distances, wideDistanceBits, word)) return Step::Fail;
    if ((word & wideExceptional) != 0) return fail(s, RefusalReason::InvalidCode);
    uint32_t distance = 0;
    if (!takeBase(s, word, distance)) return Step::Fail;
    return putMatch(s, length, distance);
}

// The middle of the stream, on the wide tables: runs while two refills of
// input and a round of output remain, so it never needs the exact checks.
// Every code it meets decodes as the exact path would decode it; it leaves
// the bit buffer in the exact path's form (no bits above bitCount).
constexpr size_t wideInputMargin = 2 * refillBytes;
// Per round at most three literal words and a longest match, its chunks
// running up to 15 bytes past it and the guard reading 16 bytes from its
// end.
constexpr size_t wideOutputMargin = 2 * 3 + maxMatchLength + 2 * wideChunk;

bool roomForWide(const Inflater& s) {
    return static_cast<size_t>(s.inEnd - s.in) >= wideInputMargin &&
           static_cast<size_t>(s.outEnd - s.out) >= wideOutputMargin;
}

// A refill leaves at least 56 bits: three first-level literal words of at
// most wideLiteralLengthBits each, or a length code with its extra bits and
// a distance code with its extra bits (48 bits, once refilled after up to
// two literal words).
static_assert(3 * wideLiteralLengthBits <= refilledBits, "three literal words fit one refill");

// bitCount's low byte is the count of valid bits; the bits above it are left
// over from subtracting whole words, which is one instruction less than
// masking each word's drop count first.
constexpr uint32_t countMask = 0xFF;
constexpr uint32_t shiftMask = 63;

// Takes the bits of word `word` off the buffer.
#define STAPELIX_DROP(word)        \
    do {                           \
        bits >>= (word)&shiftMask; \
        bitCount -= (word);        \
    } while (false)

// The same for a base word, whose masked count also masks its extra bits
// (wideValue): one instruction for both with BMI2.
#define STAPELIX_DROP_BASE(word)         \
    do {                                 \
        bits >>= (word)&wideDropMask;    \
        bitCount -= (word)&wideDropMask; \
    } while (false)

// Writes the one or two literals of `word` as two bytes, the second a
// placeholder the next output overwrites (or the guard puts back).
#define STAPELIX_LITERALS(word)                              \
    do {                                                     \
        putTwoBytes(out, (word) >> wideValueShift);          \
        out += 1 + (((word) >> wideSecondLiteralShift) & 1); \
        STAPELIX_DROP(word);                                 \
    } while (false)

// Stores the low byte of `pair` at `at` and the next byte after it.
inline void putTwoBytes(uint8_t* at, uint32_t pair) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const uint16_t bytes = static_cast<uint16_t>(pair);
    std::memcpy(at, &bytes, sizeof bytes);
#else
    at[0] = static_cast<uint8_t>(pair);
    at[1] = static_cast<uint8_t>(pair >> 8);
#endif
}

// The base of base word `word` plus its extra bits, read from `saved`, the
// buffer before the word's bits were dropped.
inline uint32_t wideValue(uint32_t word, uint64_t saved) {
    const uint64_t codeAndExtra = saved & ((uint64_t(1) << (word & wideDropMask)) - 1);
    return (word >> wideValueShift) +
           static_cast<uint32_t>(codeAndExtra >> ((word >> wideCodeShift) & shiftMask));
}

// The second-level word a link word leads to, its root bits dropped from
// `bits` already.
inline uint32_t followLink(const uint32_t* table, uint32_t link, uint64_t bits) {
    return table[(link >> wideValueShift) +
                 (static_cast<uint32_t>(bits) & ((1u << wideCodeBits(link)) - 1))];
}

STAPELIX_ALWAYS_INLINE Step wideLoop(Inflater& s, const WideTables& wide) {
    const uint8_t* in = s.in;
    const uint8_t* const inEnd = s.inEnd;
    uint64_t bits = s.bits;
    uint32_t bitCount = s.bitCount;
    uint8_t* out = s.out;
    uint8_t* const outStart = s.outStart;
    uint8_t* const outEnd = s.outEnd;
    const uint32_t* const literals = wide.literals;
    const uint32_t* const distances = wide.distances;
    constexpr uint64_t literalMask = (uint64_t(1) << wideLiteralLengthBits) - 1;
    constexpr uint64_t distanceMask = (uint64_t(1) << wideDistanceBits) - 1;

    // The bytes above bitCount that a load brings in are the stream's next
    // bits, so the next refill ORs in the same values again.
    auto refill = [&] {
        uint64_t word;
        std::memcpy(&word, in, refillBytes);
        bits |= word << (bitCount & shiftMask);
        in += 7 - ((bitCount >> 3) & 7);
        bitCount |= refilledBits;
    };

    // Before up to three literal words: the frontier at least 8 bytes ahead.
#define STAPELIX_GUARD_LITERALS()                                \
    do {                                                         \
        if (static_cast<size_t>(frontier - out) < literalRoom) { \
            guard.save(frontier);                                \
            frontier += wideChunk;                               \
        }                                                        \
    } while (false)

    // Each lookup is made as early as its bits are in the buffer, so that
    // its latency hides behind the work before it.
    refill();
    uint32_t word = literals[bits & literalMask];
    uint8_t* frontier = out;
    SpillGuard guard;
    Step result = Step::More;
    const uint8_t* const inLimit = inEnd - wideInputMargin;
    const uint8_t* const outLimit = outEnd - wideOutputMargin;
    while (in <= inLimit && out <= outLimit) {
        refill();
        if ((word & wideLiteral) != 0) {
            STAPELIX_GUARD_LITERALS();
            STAPELIX_LITERALS(word);
            word = literals[bits & literalMask];
            if ((word & wideLiteral) != 0) {
                STAPELIX_LITERALS(word);
                word = literals[bits & literalMask];
                if ((word & wideLiteral) != 0) {
                    STAPELIX_LITERALS(word);
                    word = literals[bits & literalMask];
                    continue;
                }
            }
            refill();
        }
        // At least 56 bits: a length code with its extra bits and a
        // distance code with its extra bits take at most 48.
        if ((word & wideExceptional) != 0) {
            if ((word & wideLink) == wideLink) {
                STAPELIX_DROP(word);
                word = followLink(literals, word, bits);
                if ((word & wideLiteral) != 0) {
                    STAPELIX_GUARD_LITERALS();
                    STAPELIX_LITERALS(word);
                    word = literals[bits & literalMask];
                    continue;
                }
            }
            if ((word & wideEndOfBlock) == wideEndOfBlock) {
                STAPELIX_DROP(word);
                result = Step::BlockEnd;
                break;
            }
            if ((word & wideExceptional) != 0) {
                result = fail(s, RefusalReason::InvalidCode);
                break;
            }
        }
        uint64_t saved = bits;
        STAPELIX_DROP_BASE(word);
        // A literal and a length in one word: the literal goes before the
        // match, the length is the word's. Without a branch: for a length
        // alone the byte written is the match's first, written again.
        const uint32_t leading = (word >> wideLiteralThenLengthShift) & 1;
        *out = static_cast<uint8_t>(word >> wideValueShift);
        out += leading;
        const uint32_t length = leading != 0 ? word >> secondLiteralShift : wideValue(word, saved);

        word = distances[bits & distanceMask];
        if ((word & wideExceptional) != 0) {
            if ((word & wideLink) == wideLink) {
                STAPELIX_DROP(word);
                word = followLink(distances, word, bits);
            }
            if ((word & wideExceptional) != 0) {
                result = fail(s, RefusalReason::InvalidCode);
                break;
            }
        }
        saved = bits;
        STAPELIX_DROP_BASE(word);
        const uint32_t distance = wideValue(word, saved);
        if (distance > static_cast<size_t>(out - outStart)) {
            result = fail(s, RefusalReason::DistanceTooFar);
            break;
        }
        // At least 8 bits left, and 16 bits of the stream in the buffer, as
        // the last refill filled all 64: enough to look the next code up.
        word = literals[bits & literalMask];
        uint8_t* const end = out + length;
        guard.save(end > frontier ? end : frontier);
        copyMatchFast(out, distance, length);
        out = end;
        frontier = end + wideChunk;
    }
    for (uint8_t* at = out; at < frontier; ++at) *at = guard.original(at);
    bitCount &= countMask;
    s.in = in;
    s.bits = bits & ((uint64_t(1) << bitCount) - 1);
    s.bitCount = bitCount;
    s.out = out;
    return result;
}

#undef STAPELIX_GUARD_LITERALS
#undef STAPELIX_LITERALS
#undef STAPELIX_DROP_BASE
#undef STAPELIX_DROP

Step wideLoopPortable(Inflater& s, const WideTables& wide) {
    return wideLoop(s, wide);
}

#if STAPELIX_INFLATE_BMI2
// The same loop where BMI2's flag-free shifts and bit-field extraction pay.
__attribute__((target("bmi2"))) Step wideLoopBmi2(Inflater& s, const WideTables& wide) {
    return wideLoop(s, wide);
}
#endif

Step runWideLoop(Inflater& s, const WideTables& wide) {
#if STAPELIX_INFLATE_BMI2
    if (inflateVariant == InflateVariant::Bmi2) return wideLoopBmi2(s, wide);
#endif
    return wideLoopPortable(s, wide);
}

// A block's symbols on the wide tables: the fast loop while there is room,
// the exact steps at the ends.
bool decodeSymbolsWide(Inflater& s, const WideTables& wide) {
    for (;;) {
        if (roomForWide(s)) {
            const Step step = runWideLoop(s, wide);
            if (step != Step::More) return step == Step::BlockEnd;
        }
        const Step step = decodeSymbolWideExact(s, wide);
        if (step != Step::More) return step == Step::BlockEnd;
    }
}

// A block's symbols on the standard tables, for codes the wide tables do not
// take: only malformed or pathological streams have them.
bool decodeSymbolsStandard(Inflater& s, const TableSpace& space, const BlockTables& t) {
    for (;;) {
        const Step step = decodeSymbolExact(s, space, t);
        if (step != Step::More) return step == Step::BlockEnd;
    }
}

// A stored block cut short by the end of the input gives the bytes that are
// there and counts as ended: a final one ends the stream, after any other the
// next block header finds no input.
bool copyStoredBlock(Inflater& s) {
    // Whole bytes still in the bit buffer go back to the input; the bits of
    // the partly used byte are dropped.
    s.in -= s.bitCount >> 3;
    s.bits = 0;
    s.bitCount = 0;
    if (static_cast<size_t>(s.inEnd - s.in) < storedHeaderBytes) {
        return refuse(s, RefusalReason::CompressedDataEnds);
    }
    const uint32_t length = uint32_t(s.in[0]) | (uint32_t(s.in[1]) << 8);
    s.in += storedHeaderBytes;  // NLEN is not compared
    const size_t left = static_cast<size_t>(s.inEnd - s.in);
    const size_t present = length < left ? length : left;
    const size_t room = static_cast<size_t>(s.outEnd - s.out);
    const size_t copied = present < room ? present : room;
    if (copied != 0) std::memcpy(s.out, s.in, copied);
    s.out += copied;
    s.dropped += present - copied;
    s.in += present;
    return true;
}

// Reads the code lengths of a dynamic block: `literalCount` literal/length
// lengths, then `distanceCount` distance lengths.
bool readCodeLengths(Inflater& s, TableSpace& space, uint16_t* lengths, uint32_t& literalCount,
                     uint32_t& distanceCount) {
    constexpr uint32_t headerBits = 14;
    constexpr uint32_t literalCountBase = 257;
    constexpr uint32_t distanceCountBase = 1;
    constexpr uint32_t codeLengthCountBase = 4;
    constexpr uint32_t codeLengthBits = 3;
    if (static_cast<size_t>(s.inEnd - s.in) >= refillBytes) refillWhole(s);
    if (!need(s, headerBits)) return false;
    literalCount = (peek(s, 5)) + literalCountBase;
    distanceCount = ((peek(s, 10) >> 5)) + distanceCountBase;
    const uint32_t codeLengthCount = (peek(s, headerBits) >> 10) + codeLengthCountBase;
    drop(s, headerBits);

    uint16_t codeLengthLengths[codeLengthSymbols] = {};
    for (uint32_t i = 0; i < codeLengthCount; ++i) {
        if (!need(s, codeLengthBits)) return false;
        codeLengthLengths[codeLengthOrder[i]] = static_cast<uint16_t>(peek(s, codeLengthBits));
        drop(s, codeLengthBits);
    }
    uint32_t index = 0;
    uint32_t codeLengthRoot = codeLengthRootBits;
    if (!buildDecodeTable(TableKind::CodeLengthTable, codeLengthLengths, codeLengthSymbols, index,
                          space, codeLengthRoot) ||
        codeLengthRoot == 0) {
        return refuse(s, RefusalReason::BadCodeLengths);
    }

    const uint32_t total = literalCount + distanceCount;
    uint32_t filled = 0;
    // A code length takes at most 7 bits of code and 7 extra bits.
    constexpr uint32_t codeLengthStepBits = 14;
    while (filled < total) {
        if (s.bitCount < codeLengthStepBits && static_cast<size_t>(s.inEnd - s.in) >= refillBytes) {
            refillWhole(s);
        }
        uint32_t slot = 0;
        if (!lookupExact(s, space, 0, codeLengthRoot, slot)) return false;
        // A bit pattern no code-length code reaches.
        if (space.action[slot] != literalAction) return refuse(s, RefusalReason::InvalidCode);
        const uint32_t symbol = space.value[slot];
        if (symbol < repeatPrevious) {
            lengths[filled++] = static_cast<uint16_t>(symbol);
            continue;
        }
        uint32_t repeat = 0;
        uint16_t repeated = 0;
        if (symbol == repeatPrevious) {
            if (filled == 0) return refuse(s, RefusalReason::BadCodeLengths);
            if (!need(s, 2)) return false;
            repeat = 3 + peek(s, 2);
            drop(s, 2);
            repeated = lengths[filled - 1];
        } else if (symbol == repeatZerosShort) {
            if (!need(s, 3)) return false;
            repeat = 3 + peek(s, 3);
            drop(s, 3);
        } else if (symbol == repeatZerosLong) {
            if (!need(s, 7)) return false;
            repeat = 11 + peek(s, 7);
            drop(s, 7);
        } else {
            return refuse(s, RefusalReason::BadCodeLengths);
        }
        if (repeat > total - filled) return refuse(s, RefusalReason::BadCodeLengths);
        while (repeat-- > 0) lengths[filled++] = repeated;
    }
    return true;
}

bool decodeDynamicBlock(Inflater& s, TableSpace& space, uint16_t* lengths, WideTables& wide) {
    uint32_t literalCount = 0;
    uint32_t distanceCount = 0;
    if (!readCodeLengths(s, space, lengths, literalCount, distanceCount)) return false;
    // The standard tables hold every set of at most 286 literal/length and 30
    // distance symbols that the wide tables take (852 + 592 slots at most),
    // so that both decode such a block alike; larger sets go to the standard
    // tables, whose space may not hold them.
    if (literalCount <= usedLiteralLengthSymbols && distanceCount <= usedDistanceSymbols &&
        buildWideTables(lengths, literalCount, distanceCount, wide)) {
        return decodeSymbolsWide(s, wide);
    }
    BlockTables t{literalLengthRootBits, 0, dynamicDistanceRootBits};
    uint32_t index = 0;
    if (!buildDecodeTable(TableKind::LiteralLengthTable, lengths, literalCount, index, space,
                          t.literalRootBits) ||
        t.literalRootBits == 0) {
        return refuse(s, RefusalReason::BadCodeLengths);
    }
    t.distanceStart = index;
    if (!buildDecodeTable(TableKind::DistanceTable, lengths + literalCount, distanceCount, index,
                          space, t.distanceRootBits)) {
        return refuse(s, RefusalReason::BadCodeLengths);
    }
    return decodeSymbolsStandard(s, space, t);
}

// Decodes blocks until the final one has ended.
bool decodeBlocks(Inflater& s) {
    TableSpace space;
    uint16_t lengths[allLengths];
    WideTables wide;
    bool fixedTablesReady = false;  // `wide` holds the fixed code's tables
    bool finalBlock = false;
    while (!finalBlock) {
        if (!need(s, 3)) return false;
        finalBlock = (s.bits & 1) != 0;
        const uint32_t type = static_cast<uint32_t>(s.bits >> 1) & 3;
        drop(s, 3);
        bool ok = false;
        if (type == storedBlock) {
            ok = copyStoredBlock(s);
        } else if (type == fixedBlock) {
            if (!fixedTablesReady) fixedTablesReady = fillFixedTables(wide);
            if (!fixedTablesReady) return refuse(s, RefusalReason::BadCodeLengths);
            ok = decodeSymbolsWide(s, wide);
        } else if (type == dynamicBlock) {
            fixedTablesReady = false;
            ok = decodeDynamicBlock(s, space, lengths, wide);
        } else {
            // Block type 3 is reserved: there are no tables to decode it with.
            return refuse(s, RefusalReason::ReservedBlockType);
        }
        if (!ok) return false;
    }
    return true;
}

}  // namespace

InflateVariant inflateVariant =
    inflateVariantAvailable(InflateVariant::Bmi2) ? InflateVariant::Bmi2 : InflateVariant::Portable;

bool inflateVariantAvailable(InflateVariant variant) {
#if STAPELIX_INFLATE_BMI2
    if (variant == InflateVariant::Bmi2) {
        // Static initialisers may run before the compiler's CPU probe.
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi2");
    }
#endif
    return variant == InflateVariant::Portable;
}

bool zlibHeaderOk(uint8_t cmf, uint8_t flg) {
    return (cmf & methodMask) == deflateMethod && (cmf >> 4) <= maxWindowField &&
           ((uint32_t(cmf) << 8) | flg) % headerCheckDivisor == 0 &&
           (flg & presetDictionaryFlag) == 0;
}

bool decodeDeflate(const uint8_t* input, uint32_t inputLength, uint8_t* output, uint32_t capacity,
                   uint32_t& written, Refusal& refusal) {
    const RefusalReason noFailure = RefusalReason::None;
    Inflater s{input, input + inputLength, 0, 0, output, output, output + capacity, 0, noFailure};
    const bool ok = decodeBlocks(s);
    written = static_cast<uint32_t>(s.out - s.outStart);
    if (!ok) refusal = {s.failure, 0};
    return ok;
}
