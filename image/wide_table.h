// Wide one-word tables for inflate: a first level indexed by more input bits
// than the roots of the standard tables (decode_table.h), second-level tables
// behind it, one 32-bit word a slot, so that nearly every code resolves in
// one load, its extra bits included, and two short literals often in one.
// They are built straight from the code lengths, and only for codes where
// that decodes every bit pattern exactly as the standard tables would: codes
// that are complete, or a distance code of at most one code (RFC 1951 3.2.7
// allows one distance code of one bit). Every other set is refused and left
// to the standard tables.
#pragma once

#include <cstdint>

#include "image/decode_table.h"

constexpr uint32_t wideLiteralLengthBits = 10;
constexpr uint32_t wideDistanceBits = 8;

// The most words a complete code needs at these roots (zlib's enough: 288
// symbols at root 10 and 32 at root 8, both up to 15 bits).
constexpr uint32_t wideLiteralLengthSlots = 1334;
constexpr uint32_t wideDistanceSlots = 402;

// A word: bits 0..7 the input bits to drop (the code, plus a base's extra
// bits, plus a second code in the first level); bits 8..11 the first code's
// own bits (where a base's extra bits start); bits 16..31 the value. A length
// or distance base has no bit of 12..15 set. A literal has bit 15, its byte
// in 16..23, and with bit 12 a second literal in 24..31. A literal followed
// by a length code without extra bits has bit 13 alone, the literal in
// 16..23 and the length in 24..31. The rest are
// exceptional (bit 14): a link (bit 13), the end of the block (bit 12) or an
// invalid code (neither, no bits). A link keeps the root width in bits 0..7,
// the width of its second-level table in 8..11 and that table's first slot as
// value; a second-level word counts its bits from the end of the root.
constexpr uint32_t wideDropMask = 0xFF;
constexpr uint32_t wideCodeShift = 8;
constexpr uint32_t wideCodeMask = 15;
constexpr uint32_t wideValueShift = 16;
constexpr uint32_t wideLiteral = 1u << 15;
constexpr uint32_t wideSecondLiteralShift = 12;
constexpr uint32_t wideSecondLiteral = 1u << wideSecondLiteralShift;
constexpr uint32_t wideLiteralThenLengthShift = 13;
constexpr uint32_t wideLiteralThenLength = 1u << wideLiteralThenLengthShift;
constexpr uint32_t wideExceptional = 1u << 14;
constexpr uint32_t wideLink = wideExceptional | 1u << 13;
constexpr uint32_t wideEndOfBlock = wideExceptional | 1u << 12;
constexpr uint32_t wideInvalid = wideExceptional;
constexpr uint32_t secondLiteralShift = 24;  // also a literal's following length

// Builds the wide table of the code `lengths` (symbolCount entries, each
// 0..15) into `table`: 2^rootBits first-level words, second-level tables
// after them. Literal/length tables also get two-code words. False, with
// `table` in any state, for a code these tables do not take (see above),
// more than `capacity` words, or arguments out of range.
bool buildWideTable(TableKind kind, const uint16_t* lengths, uint32_t symbolCount,
                    uint32_t rootBits, uint32_t* table, uint32_t capacity);

// The two tables of a block.
struct WideTables {
    uint32_t literals[wideLiteralLengthSlots];
    uint32_t distances[wideDistanceSlots];
};

// Both tables of a block: `literalCount` literal/length lengths, then
// `distanceCount` distance lengths. False when either code is refused.
bool buildWideTables(const uint16_t* lengths, uint32_t literalCount, uint32_t distanceCount,
                     WideTables& tables);

// The tables of the fixed code (RFC 1951 3.2.6). The code is complete, so
// the wide tables take it: false only if they were at fault.
bool fillFixedTables(WideTables& tables);
