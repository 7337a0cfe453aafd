// Huffman decoding tables for inflate: one shared space of slots, a first
// level indexed by the low bits of the bit buffer and second-level tables
// reached through link slots.
#pragma once

#include <cstdint>

// One slot as the tables hold it (they store the fields in parallel arrays).
struct DecodeEntry {
    uint8_t action;    // what the slot means, see the action codes below
    uint8_t codeBits;  // input bits the slot accounts for
    uint16_t value;    // literal, base, code-length symbol or link offset
};

// Action codes. A link to a second-level table of 2^n slots has action n,
// 1..15, codeBits equal to the root width and its value counted from the
// first slot of the table that holds the link.
constexpr uint8_t literalAction = 0;
constexpr uint8_t baseAction = 16;  // 16 + extra-bit count: length or distance base
constexpr uint8_t endOfBlockBit = 32;
constexpr uint8_t invalidBit = 64;
constexpr uint8_t endOfBlockAction = invalidBit | endOfBlockBit;
constexpr uint8_t invalidAction = invalidBit;
constexpr uint8_t maxLinkAction = 15;

// The largest tables a complete code can need (found by exhaustive search,
// as zlib's enough.c does): 852 slots for 286 literal/length symbols at root
// 9, 592 for 30 distance symbols at root 6, both up to 15 bits.
constexpr uint32_t maxLiteralLengthSlots = 852;
constexpr uint32_t maxDistanceSlots = 592;
constexpr uint32_t tableSlots = maxLiteralLengthSlots + maxDistanceSlots;
constexpr uint32_t maxCodeBits = 15;
constexpr uint32_t maxLiteralLengthSymbols = 288;
constexpr uint32_t maxDistanceSymbols = 32;
constexpr uint32_t codeLengthSymbols = 19;

// Requested root widths.
constexpr uint32_t codeLengthRootBits = 7;
constexpr uint32_t literalLengthRootBits = 9;
constexpr uint32_t dynamicDistanceRootBits = 6;

// Every table of one block lives here; a table is named by its first slot.
struct TableSpace {
    uint8_t action[tableSlots];
    uint8_t codeBits[tableSlots];
    uint16_t value[tableSlots];
};

enum class TableKind { CodeLengthTable, LiteralLengthTable, DistanceTable };

// The slot of `symbol` in a table of `kind`, its codeBits left 0: a literal
// or code-length symbol, the end of the block, a length or distance base with
// its extra-bit count, or an invalid code for the symbols RFC 1951 leaves
// unused (literal/length 286, 287, distance 30, 31).
DecodeEntry symbolEntry(TableKind kind, uint32_t symbol);

// A code's symbols in canonical order (RFC 1951 3.2.2): how many codes each
// length has (count[0]: the symbols without one), and the coded symbols
// sorted by length, and by value within one length.
struct CanonicalOrder {
    uint16_t count[maxCodeBits + 1];
    uint16_t sorted[maxLiteralLengthSymbols];
};

// False for more than 288 symbols or a length above 15.
bool orderCodes(const uint16_t* lengths, uint32_t symbolCount, CanonicalOrder& order);

// The next code of `length` bits in bit-reversed form: add one at the code's
// last bit (bit length - 1 of the reversed value) and carry downwards.
inline uint32_t nextReversedCode(uint32_t code, uint32_t length) {
    uint32_t bit = 1u << (length - 1);
    while ((code & bit) != 0) bit >>= 1;
    return bit != 0 ? (code & (bit - 1)) + bit : 0;
}

// The index bits of the second-level table for the codes behind one
// first-level prefix, the first of `length` bits (as zlib sizes it): widened
// while the codes still to place, counted by length in `count`, do not fill it.
inline uint32_t secondLevelBits(const uint16_t* count, uint32_t length, uint32_t rootBits,
                                uint32_t maxLength) {
    uint32_t bits = length - rootBits;
    for (int32_t room = 1 << bits; bits + rootBits < maxLength; room <<= 1, ++bits) {
        room -= count[bits + rootBits];
        if (room <= 0) break;
    }
    return bits;
}

// Builds the canonical code of `lengths` (symbolCount entries, each 0..15) at
// `index`. The root width is narrowed to lie between the shortest and the
// longest length present and reported back; `index` advances past the slots
// used. With no code at all nothing is written and the root becomes 0. Every
// slot of the table is written, slots that no code reaches as invalid codes.
// False, with nothing written outside the space, when the table would not fit
// (pathological or over-subscribed sets) or the arguments are out of range.
bool buildDecodeTable(TableKind kind, const uint16_t* lengths, uint32_t symbolCount,
                      uint32_t& index, TableSpace& space, uint32_t& rootBits);
