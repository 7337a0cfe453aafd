// Wide tables straight from the code lengths (RFC 1951 3.2.2), in one pass
// over the codes in canonical order. The stream sends a code most-significant
// bit first while the bit buffer is read from its least-significant end, so
// a code's word sits at the index equal to the code written bit-reversed.
#include "image/wide_table.h"

#include <cstring>

namespace {

constexpr uint32_t extraBitsMask = 15;

// The word of `symbol` without its code's bits, which are added as
// codeBits * codeBitsUnit: to the bits to drop and to the first code's bits.
// An invalid word keeps them too, harmlessly: it fails whatever they are.
uint32_t symbolTemplate(TableKind kind, uint32_t symbol) {
    const DecodeEntry entry = symbolEntry(kind, symbol);
    if (entry.action == literalAction) return wideLiteral | uint32_t(entry.value) << wideValueShift;
    if ((entry.action & endOfBlockBit) != 0) return wideEndOfBlock;
    if ((entry.action & invalidBit) != 0) return wideInvalid;
    return (entry.action & extraBitsMask) | uint32_t(entry.value) << wideValueShift;
}

constexpr uint32_t codeBitsUnit = 1 | 1u << wideCodeShift;

// Joins each first-level literal with the code its index's remaining bits
// decode, where that code fits in them too and is a literal or a length
// without extra bits that fits a byte (3 to 10; not 258). Downwards, so that the word read for the
// second code (at a lower index, as a literal's code has at least one bit) is still a single one.
void pairCodes(uint32_t* table, uint32_t rootBits) {
    constexpr uint32_t kindBits = 0xF000;
    constexpr uint32_t maxPairedLength = 0xFF;
    for (uint32_t index = 1u << rootBits; index-- > 0;) {
        const uint32_t first = table[index];
        if ((first & wideLiteral) == 0) continue;
        const uint32_t firstBits = first & wideDropMask;
        const uint32_t second = table[index >> firstBits];
        const uint32_t secondBits = second & wideDropMask;
        if (firstBits + secondBits > rootBits) continue;
        const uint32_t value = (second >> wideValueShift) << secondLiteralShift;
        if ((second & wideLiteral) != 0) {
            table[index] = (first + secondBits) | wideSecondLiteral | value;
        } else if ((second & kindBits) == 0 &&
                   secondBits == ((second >> wideCodeShift) & wideCodeMask) &&
                   (second >> wideValueShift) <= maxPairedLength) {
            table[index] = ((first - wideLiteral) + secondBits) | wideLiteralThenLength | value;
        }
    }
}

}  // namespace

bool buildWideTable(TableKind kind, const uint16_t* lengths, uint32_t symbolCount,
                    uint32_t rootBits, uint32_t* table, uint32_t capacity) {
    CanonicalOrder order;
    if (rootBits == 0 || rootBits > maxCodeBits || (1u << rootBits) > capacity ||
        !orderCodes(lengths, symbolCount, order)) {
        return false;
    }
    uint16_t* const count = order.count;
    // Code space left after each length, in units of that length's codes:
    // below zero the set is over-subscribed, zero at the end complete.
    int32_t left = 1;
    uint32_t maxLength = 0;
    for (uint32_t length = 1; length <= maxCodeBits; ++length) {
        left = 2 * left - count[length];
        if (left < 0) return false;
        if (count[length] != 0) maxLength = length;
    }
    const uint32_t codes = symbolCount - count[0];
    if (left != 0 &&
        (kind != TableKind::DistanceTable || codes > 1 || (codes == 1 && count[1] != 1))) {
        return false;
    }
    const uint32_t rootSize = 1u << rootBits;
    if (codes == 0) {
        for (uint32_t index = 0; index < rootSize; ++index) table[index] = wideInvalid;
        return true;
    }

    // The first level, one length at a time: the 2^length words filled so
    // far index by the low `length` bits, and doubling them before the
    // next length repeats every shorter code over the new high bit. A slot
    // no code reaches (only in the one-code distance set) stays invalid.
    table[0] = wideInvalid;
    table[1] = wideInvalid;
    uint32_t code = 0;      // the next code, bit-reversed
    uint32_t position = 0;  // in order.sorted
    for (uint32_t length = 1;; ++length) {
        for (uint32_t n = count[length]; n > 0; --n) {
            table[code] = symbolTemplate(kind, order.sorted[position++]) + length * codeBitsUnit;
            code = nextReversedCode(code, length);
        }
        if (length == rootBits) break;
        std::memcpy(table + (1u << length), table, (sizeof table[0]) << length);
    }

    // Longer codes go to second-level tables, one for each first-level
    // index they share, wide enough for the codes behind it (as zlib sizes
    // them: widened while the codes left at the next length do not fill
    // it). A complete code fills every slot.
    uint32_t next = rootSize;
    uint32_t key = rootSize;  // first-level index of the table being filled
    uint32_t sub = 0;
    uint32_t subBits = 0;
    for (uint32_t length = rootBits + 1; length <= maxLength; ++length) {
        for (; count[length] > 0; --count[length]) {
            const uint32_t low = code & (rootSize - 1);
            if (low != key) {
                key = low;
                subBits = secondLevelBits(count, length, rootBits, maxLength);
                if ((1u << subBits) > capacity - next) return false;
                sub = next;
                next += 1u << subBits;
                table[low] = rootBits | subBits << wideCodeShift | wideLink | sub << wideValueShift;
            }
            const uint32_t word =
                symbolTemplate(kind, order.sorted[position++]) + (length - rootBits) * codeBitsUnit;
            const uint32_t size = 1u << subBits;
            for (uint32_t slot = (code >> rootBits) & (size - 1); slot < size;
                 slot += 1u << (length - rootBits)) {
                table[sub + slot] = word;
            }
            code = nextReversedCode(code, length);
        }
    }
    if (kind == TableKind::LiteralLengthTable) pairCodes(table, rootBits);
    return true;
}

bool buildWideTables(const uint16_t* lengths, uint32_t literalCount, uint32_t distanceCount,
                     WideTables& tables) {
    return buildWideTable(TableKind::LiteralLengthTable, lengths, literalCount,
                          wideLiteralLengthBits, tables.literals, wideLiteralLengthSlots) &&
           buildWideTable(TableKind::DistanceTable, lengths + literalCount, distanceCount,
                          wideDistanceBits, tables.distances, wideDistanceSlots);
}

bool fillFixedTables(WideTables& tables) {
    // Literal/length 0..143: 8 bits, 144..255: 9, 256..279: 7, 280..287: 8;
    // all 32 distances 5 bits.
    constexpr uint32_t literalLengthSymbols = 288;
    constexpr uint32_t distanceSymbols = 32;
    constexpr uint32_t nineBitStart = 144;
    constexpr uint32_t sevenBitStart = 256;
    constexpr uint32_t eightBitAgain = 280;
    constexpr uint16_t distanceLength = 5;
    uint16_t lengths[literalLengthSymbols + distanceSymbols];
    for (uint32_t symbol = 0; symbol < literalLengthSymbols; ++symbol) {
        uint16_t length = 8;
        if (symbol >= nineBitStart && symbol < sevenBitStart) length = 9;
        if (symbol >= sevenBitStart && symbol < eightBitAgain) length = 7;
        lengths[symbol] = length;
    }
    for (uint32_t symbol = 0; symbol < distanceSymbols; ++symbol)
        lengths[literalLengthSymbols + symbol] = distanceLength;
    return buildWideTables(lengths, literalLengthSymbols, distanceSymbols, tables);
}
