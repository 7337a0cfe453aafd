// Wide first-level tables for inflate's fast loop: one 32-bit word a slot,
// indexed by more input bits than the roots of the standard tables, so that
// nearly every code resolves in one load, its extra bits included. They are
// filled from a block's standard tables (decode_table.h), never from the code
// lengths, so a wide lookup decodes every bit pattern exactly as the standard
// lookup does, broken code sets included.
#pragma once

#include <cstdint>

#include "image/decode_table.h"

constexpr uint32_t wideLiteralLengthBits = 10;
constexpr uint32_t wideDistanceBits = 8;
constexpr uint32_t maxWideBits = wideLiteralLengthBits;

// A word: bits 0..7 the input bits to drop (the code, plus a base's extra
// bits), bits 8..11 the code's own bits (where a base's extra bits start),
// bits 16..30 the value. A length or distance base has no other bit set, so
// that bits 8..15 are the plain shift to its extra bits; a literal has bit
// 31; the rest are exceptional (bit 15): a link (bit 14), the end of the
// block (bit 13) or an invalid code (neither). A link keeps the link slot's
// bits in 0..7, the width of the standard second-level table in 8..11 and
// that table's first slot as value.
constexpr uint32_t wideDropMask = 0xFF;
constexpr uint32_t wideCodeShift = 8;
constexpr uint32_t wideCodeMask = 15;
constexpr uint32_t wideLiteral = 1u << 31;
constexpr uint32_t wideExceptional = 1u << 15;
constexpr uint32_t wideLink = wideExceptional | 1u << 14;
constexpr uint32_t wideEndOfBlock = wideExceptional | 1u << 13;
constexpr uint32_t wideInvalid = wideExceptional;
constexpr uint32_t wideValueShift = 16;
constexpr uint32_t wideValueMask = 0x7FFF;

// The word for standard slot `slot` reached after `linkBits` bits of a
// first-level link (0 for a first-level slot).
uint32_t wideEntry(const TableSpace& space, uint32_t slot, uint32_t linkBits);

// The word for a wide link met in the bit buffer: the standard second-level
// slot the bits above the link select, as a word.
inline uint32_t followWideLink(const TableSpace& space, uint32_t link, uint64_t bits) {
    const uint32_t linkBits = link & wideDropMask;
    const uint32_t width = (link >> wideCodeShift) & wideCodeMask;
    const uint32_t slot = ((link >> wideValueShift) & wideValueMask) +
                          (static_cast<uint32_t>(bits >> linkBits) & ((1u << width) - 1));
    return wideEntry(space, slot, linkBits);
}

// Fills the 2^wideBits words of `wide` from the standard table at `start`
// with root width `rootBits` (0: no codes, every word invalid). A code whose
// bits fit in wideBits gets its word; a longer one a link. False, with
// nothing written, when the root is wider than wideBits (the builder raises
// a root to the shortest code, and a block whose codes are all longer than
// wideBits is left to the exact path) or wideBits above maxWideBits.
bool buildWideTable(const TableSpace& space, uint32_t start, uint32_t rootBits, uint32_t wideBits,
                    uint32_t* wide);
