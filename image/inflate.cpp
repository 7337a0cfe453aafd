// One-shot inflate. The exact path fetches one byte at a time and only when
// a step needs more bits than the buffer holds, so running out of input is
// noticed exactly where a needed bit is missing. While plenty of input and
// output remain, a fast loop refills 64 bits at a time and copies matches in
// wide chunks; it stops before either end, where the exact path takes over.
#include "image/inflate.h"

#include <cstddef>
#include <cstring>

#include "image/decode_table.h"

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
    uint64_t dropped;  // stream bytes that did not fit the capacity
};

struct BlockTables {
    uint32_t literalRootBits;
    uint32_t distanceStart;
    uint32_t distanceRootBits;  // 0: the block has no distance codes
};

enum class Step { More, BlockEnd, Fail };

bool fetchByte(Inflater& s) {
    if (s.in == s.inEnd) return false;
    s.bits |= uint64_t(*s.in++) << s.bitCount;
    s.bitCount += 8;
    return true;
}

bool need(Inflater& s, uint32_t count) {
    while (s.bitCount < count) {
        if (!fetchByte(s)) return false;
    }
    return true;
}

uint32_t peek(const Inflater& s, uint32_t count) { return uint32_t(s.bits) & ((1u << count) - 1); }

void drop(Inflater& s, uint32_t count) {
    s.bits >>= count;
    s.bitCount -= count;
}

bool isLink(uint32_t action) { return action >= 1 && action <= maxLinkAction; }

bool isBase(uint32_t action) { return (action & (invalidBit | endOfBlockBit)) == 0 && (action & baseAction) != 0; }

// Copies a match of `length` (at least 1) bytes from `distance` bytes back,
// writing exactly [out, out + length). Overlapping matches repeat their
// pattern.
inline void copyMatch(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* from = out - distance;
    uint8_t* const end = out + length;
    constexpr uint32_t wide = 16;
    constexpr uint32_t narrow = 8;
    constexpr uint32_t small = 4;
    if (length < wide && distance >= length) {
        // Source and destination do not overlap: two chunks that together
        // cover the match, the second aligned to its end.
        if (length >= narrow) {
            std::memcpy(out, from, narrow);
            std::memcpy(end - narrow, end - narrow - distance, narrow);
        } else if (length >= small) {
            std::memcpy(out, from, small);
            std::memcpy(end - small, end - small - distance, small);
        } else {
            while (out < end) *out++ = *from++;
        }
        return;
    }
    if (distance >= wide && length >= wide) {
        // Each chunk reads bytes at least `wide` behind what it writes, so
        // they are final; the last chunk is aligned to the end and rewrites a
        // few bytes with the values they already hold.
        while (end - out > static_cast<std::ptrdiff_t>(wide)) {
            std::memcpy(out, from, wide);
            out += wide;
            from += wide;
        }
        std::memcpy(end - wide, end - wide - distance, wide);
        return;
    }
    if (distance >= narrow && length >= narrow) {
        while (end - out > static_cast<std::ptrdiff_t>(narrow)) {
            std::memcpy(out, from, narrow);
            out += narrow;
            from += narrow;
        }
        std::memcpy(end - narrow, end - narrow - distance, narrow);
        return;
    }
    if (distance == 1) {
        std::memset(out, *from, length);
        return;
    }
    if (length >= 2 * narrow) {
        // A short period: once the first repeat is written, copy from a
        // whole number of periods back that is at least 8 bytes.
        uint32_t period = distance;
        while (period < narrow) period += distance;
        const uint8_t* const lead = out + (period - distance);
        while (out < lead) *out++ = *from++;
        from = out - period;
        while (end - out >= static_cast<std::ptrdiff_t>(narrow)) {
            std::memcpy(out, from, narrow);
            out += narrow;
            from += narrow;
        }
    }
    while (out < end) *out++ = *from++;
}

// Finds the slot of the next code in the table at `start`, fetching bytes
// only while the slot in hand needs more bits than are valid, and drops the
// code's bits. False when the input ends inside the code.
bool lookupExact(Inflater& s, const TableSpace& space, uint32_t start, uint32_t rootBits, uint32_t& slot) {
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

// Decodes one literal or match with exact fetches and exact clipping at the
// capacity.
Step decodeSymbolExact(Inflater& s, const TableSpace& space, const BlockTables& t) {
    uint32_t slot = 0;
    if (!lookupExact(s, space, 0, t.literalRootBits, slot)) return Step::Fail;
    uint32_t action = space.action[slot];
    if (action == literalAction) {
        if (s.out < s.outEnd) {
            *s.out++ = static_cast<uint8_t>(space.value[slot]);
        } else {
            ++s.dropped;
        }
        return Step::More;
    }
    if ((action & endOfBlockBit) != 0) return Step::BlockEnd;
    if (!isBase(action)) return Step::Fail;
    uint32_t extra = action & extraBitsMask;
    if (!need(s, extra)) return Step::Fail;
    const uint32_t length = space.value[slot] + peek(s, extra);
    drop(s, extra);

    if (t.distanceRootBits == 0) return Step::Fail;
    if (!lookupExact(s, space, t.distanceStart, t.distanceRootBits, slot)) return Step::Fail;
    action = space.action[slot];
    if (!isBase(action)) return Step::Fail;
    extra = action & extraBitsMask;
    if (!need(s, extra)) return Step::Fail;
    const uint32_t distance = space.value[slot] + peek(s, extra);
    drop(s, extra);

    // A distance reaching before the start of the stream has no source.
    const uint64_t position = uint64_t(s.out - s.outStart) + s.dropped;
    if (distance > position) return Step::Fail;
    const uint32_t room = static_cast<uint32_t>(s.outEnd - s.out);
    const uint32_t copied = length < room ? length : room;
    // With nothing kept so far the source may lie before the buffer.
    if (copied != 0) copyMatch(s.out, distance, copied);
    s.out += copied;
    s.dropped += length - copied;
    return Step::More;
}

// The middle of the stream: runs while at least 8 input bytes and a whole
// longest match of output remain, so it never needs the exact checks. Leaves
// the bit buffer in the exact path's form (no bits above bitCount).
Step decodeSymbolsFast(Inflater& s, const TableSpace& space, const BlockTables& t) {
    const uint8_t* in = s.in;
    const uint8_t* const inEnd = s.inEnd;
    uint64_t bits = s.bits;
    uint32_t bitCount = s.bitCount;
    uint8_t* out = s.out;
    uint8_t* const outStart = s.outStart;
    uint8_t* const outEnd = s.outEnd;
    const uint8_t* const action = space.action;
    const uint8_t* const codeBits = space.codeBits;
    const uint16_t* const value = space.value;
    const uint8_t* const distanceAction = space.action + t.distanceStart;
    const uint8_t* const distanceCodeBits = space.codeBits + t.distanceStart;
    const uint16_t* const distanceValue = space.value + t.distanceStart;
    const uint64_t literalMask = (uint64_t(1) << t.literalRootBits) - 1;
    const uint64_t distanceMask = (uint64_t(1) << t.distanceRootBits) - 1;

    Step result = Step::More;
    while (static_cast<size_t>(inEnd - in) >= refillBytes && static_cast<size_t>(outEnd - out) >= maxMatchLength) {
        // The bytes above bitCount that the load brings in are the stream's
        // next bits, so the next refill ORs in the same values again.
        uint64_t word;
        std::memcpy(&word, in, refillBytes);
        bits |= word << bitCount;
        in += (63 - bitCount) >> 3;
        bitCount |= refilledBits;

        uint32_t slot = static_cast<uint32_t>(bits & literalMask);
        uint32_t op = action[slot];
        if (isLink(op)) {
            const uint32_t linkBits = codeBits[slot];
            bits >>= linkBits;
            bitCount -= linkBits;
            slot = value[slot] + (static_cast<uint32_t>(bits) & ((1u << op) - 1));
            op = action[slot];
        }
        bits >>= codeBits[slot];
        bitCount -= codeBits[slot];
        if (op == literalAction) {
            *out++ = static_cast<uint8_t>(value[slot]);
            continue;
        }
        if ((op & endOfBlockBit) != 0) {
            result = Step::BlockEnd;
            break;
        }
        if (!isBase(op) || t.distanceRootBits == 0) {
            result = Step::Fail;
            break;
        }
        uint32_t extra = op & extraBitsMask;
        const uint32_t length = value[slot] + (static_cast<uint32_t>(bits) & ((1u << extra) - 1));
        bits >>= extra;
        bitCount -= extra;

        slot = static_cast<uint32_t>(bits & distanceMask);
        op = distanceAction[slot];
        if (isLink(op)) {
            const uint32_t linkBits = distanceCodeBits[slot];
            bits >>= linkBits;
            bitCount -= linkBits;
            slot = distanceValue[slot] + (static_cast<uint32_t>(bits) & ((1u << op) - 1));
            op = distanceAction[slot];
        }
        bits >>= distanceCodeBits[slot];
        bitCount -= distanceCodeBits[slot];
        if (!isBase(op)) {
            result = Step::Fail;
            break;
        }
        extra = op & extraBitsMask;
        const uint32_t distance = distanceValue[slot] + (static_cast<uint32_t>(bits) & ((1u << extra) - 1));
        bits >>= extra;
        bitCount -= extra;
        if (distance > static_cast<size_t>(out - outStart)) {
            result = Step::Fail;
            break;
        }
        copyMatch(out, distance, length);
        out += length;
    }
    s.in = in;
    s.bits = bits & ((uint64_t(1) << bitCount) - 1);
    s.bitCount = bitCount;
    s.out = out;
    return result;
}

bool decodeSymbols(Inflater& s, const TableSpace& space, const BlockTables& t) {
    for (;;) {
        if (static_cast<size_t>(s.inEnd - s.in) >= refillBytes &&
            static_cast<size_t>(s.outEnd - s.out) >= maxMatchLength) {
            const Step step = decodeSymbolsFast(s, space, t);
            if (step != Step::More) return step == Step::BlockEnd;
        }
        const Step step = decodeSymbolExact(s, space, t);
        if (step != Step::More) return step == Step::BlockEnd;
    }
}

bool copyStoredBlock(Inflater& s) {
    // Whole bytes still in the bit buffer go back to the input; the bits of
    // the partly used byte are dropped.
    s.in -= s.bitCount >> 3;
    s.bits = 0;
    s.bitCount = 0;
    if (static_cast<size_t>(s.inEnd - s.in) < storedHeaderBytes) return false;
    const uint32_t length = uint32_t(s.in[0]) | (uint32_t(s.in[1]) << 8);
    s.in += storedHeaderBytes;  // NLEN is not compared
    // The stored bytes are needed input like any other: a block cut short
    // is a truncated stream.
    if (static_cast<size_t>(s.inEnd - s.in) < length) return false;
    const size_t room = static_cast<size_t>(s.outEnd - s.out);
    const size_t copied = length < room ? length : room;
    if (copied != 0) std::memcpy(s.out, s.in, copied);
    s.out += copied;
    s.dropped += length - copied;
    s.in += length;
    return true;
}

// Reads the code lengths of a dynamic block and builds its tables.
bool readDynamicTables(Inflater& s, TableSpace& space, uint16_t* lengths, BlockTables& t) {
    constexpr uint32_t headerBits = 14;
    constexpr uint32_t literalCountBase = 257;
    constexpr uint32_t distanceCountBase = 1;
    constexpr uint32_t codeLengthCountBase = 4;
    constexpr uint32_t codeLengthBits = 3;
    if (!need(s, headerBits)) return false;
    const uint32_t literalCount = (peek(s, 5)) + literalCountBase;
    const uint32_t distanceCount = ((peek(s, 10) >> 5)) + distanceCountBase;
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
    if (!buildDecodeTable(TableKind::CodeLengthTable, codeLengthLengths, codeLengthSymbols, index, space,
                          codeLengthRoot) ||
        codeLengthRoot == 0) {
        return false;
    }

    const uint32_t total = literalCount + distanceCount;
    uint32_t filled = 0;
    while (filled < total) {
        uint32_t slot = 0;
        if (!lookupExact(s, space, 0, codeLengthRoot, slot)) return false;
        if (space.action[slot] != literalAction) return false;
        const uint32_t symbol = space.value[slot];
        if (symbol < repeatPrevious) {
            lengths[filled++] = static_cast<uint16_t>(symbol);
            continue;
        }
        uint32_t repeat = 0;
        uint16_t repeated = 0;
        if (symbol == repeatPrevious) {
            if (filled == 0 || !need(s, 2)) return false;
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
            return false;
        }
        if (repeat > total - filled) return false;
        while (repeat-- > 0) lengths[filled++] = repeated;
    }

    index = 0;
    t.literalRootBits = literalLengthRootBits;
    if (!buildDecodeTable(TableKind::LiteralLengthTable, lengths, literalCount, index, space, t.literalRootBits) ||
        t.literalRootBits == 0) {
        return false;
    }
    t.distanceStart = index;
    t.distanceRootBits = dynamicDistanceRootBits;
    return buildDecodeTable(TableKind::DistanceTable, lengths + literalCount, distanceCount, index, space,
                            t.distanceRootBits);
}

// Decodes blocks until the final one has ended.
bool decodeBlocks(Inflater& s) {
    TableSpace space;
    uint16_t lengths[allLengths];
    BlockTables tables{0, 0, 0};
    bool fixedTablesReady = false;
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
            if (!fixedTablesReady) {
                tables.distanceStart = 0;
                fixedTablesReady = fillFixedTables(lengths, tables.literalRootBits, tables.distanceRootBits,
                                                   tables.distanceStart, space);
            }
            ok = fixedTablesReady && decodeSymbols(s, space, tables);
        } else if (type == dynamicBlock) {
            fixedTablesReady = false;
            ok = readDynamicTables(s, space, lengths, tables) && decodeSymbols(s, space, tables);
        }
        // Block type 3 is reserved: there are no tables to decode it with.
        if (!ok) return false;
    }
    return true;
}

}  // namespace

bool zlibHeaderOk(uint8_t cmf, uint8_t flg) {
    return (cmf & methodMask) == deflateMethod && (cmf >> 4) <= maxWindowField &&
           ((uint32_t(cmf) << 8) | flg) % headerCheckDivisor == 0 &&
           (flg & presetDictionaryFlag) == 0;
}

bool decodeDeflate(const uint8_t* input, uint32_t inputLength, uint8_t* output, uint32_t capacity) {
    uint32_t written = 0;
    return decodeDeflate(input, inputLength, output, capacity, written);
}

bool decodeDeflate(const uint8_t* input, uint32_t inputLength, uint8_t* output, uint32_t capacity,
                   uint32_t& written) {
    Inflater s{input, input + inputLength, 0, 0, output, output, output + capacity, 0};
    const bool ok = decodeBlocks(s);
    written = static_cast<uint32_t>(s.out - s.outStart);
    return ok;
}
