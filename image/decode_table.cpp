// Canonical Huffman table building (RFC 1951 3.2.2) into the shared table
// space. The stream sends codes most-significant bit first while the bit
// buffer is read from its least-significant end, so a code's slot sits at the
// index equal to the code written bit-reversed.
#include "image/decode_table.h"

#include <cstddef>
#include <cstring>

namespace {

// RFC 1951 3.2.5: literal/length symbols 257..285 and distance symbols 0..29.
constexpr uint32_t firstLengthSymbol = 257;
constexpr uint32_t lengthSymbols = 29;
constexpr uint32_t distanceSymbols = 30;
constexpr uint32_t endOfBlockSymbol = 256;
constexpr uint16_t lengthBase[lengthSymbols] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t lengthExtra[lengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distanceBase[distanceSymbols] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distanceExtra[distanceSymbols] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                    4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                    9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr uint32_t noSubTable = 0xFFFFFFFFu;

void putEntry(TableSpace& space, uint32_t slot, DecodeEntry entry) {
    space.action[slot] = entry.action;
    space.codeBits[slot] = entry.codeBits;
    space.value[slot] = entry.value;
}

// Marks a whole fresh table invalid first, so that no slot of it is ever read
// unwritten, whatever the code lengths are.
void fillInvalid(TableSpace& space, uint32_t first, uint32_t widthBits) {
    const size_t slots = size_t(1) << widthBits;
    std::memset(space.action + first, invalidAction, slots);
    std::memset(space.codeBits + first, static_cast<int>(widthBits), slots);
    std::memset(space.value + first, 0, slots * sizeof space.value[0]);
}

}  // namespace

DecodeEntry symbolEntry(TableKind kind, uint32_t symbol) {
    switch (kind) {
        case TableKind::CodeLengthTable:
            return DecodeEntry{literalAction, 0, static_cast<uint16_t>(symbol)};
        case TableKind::LiteralLengthTable:
            if (symbol < endOfBlockSymbol)
                return DecodeEntry{literalAction, 0, static_cast<uint16_t>(symbol)};
            if (symbol == endOfBlockSymbol) return DecodeEntry{endOfBlockAction, 0, 0};
            if (symbol - firstLengthSymbol < lengthSymbols) {
                const uint32_t i = symbol - firstLengthSymbol;
                return DecodeEntry{static_cast<uint8_t>(baseAction + lengthExtra[i]), 0,
                                   lengthBase[i]};
            }
            return DecodeEntry{invalidAction, 0, 0};
        case TableKind::DistanceTable:
            if (symbol < distanceSymbols) {
                return DecodeEntry{static_cast<uint8_t>(baseAction + distanceExtra[symbol]), 0,
                                   distanceBase[symbol]};
            }
            return DecodeEntry{invalidAction, 0, 0};
    }
    return DecodeEntry{invalidAction, 0, 0};
}

bool orderCodes(const uint16_t* lengths, uint32_t symbolCount, CanonicalOrder& order) {
    if (symbolCount > maxLiteralLengthSymbols) return false;
    uint16_t* const count = order.count;
    std::memset(count, 0, sizeof order.count);
    for (uint32_t symbol = 0; symbol < symbolCount; ++symbol) {
        if (lengths[symbol] > maxCodeBits) return false;
        ++count[lengths[symbol]];
    }
    // Where each length's symbols start in `sorted`; a pass in symbol order
    // then keeps each length's symbols by value.
    uint16_t offset[maxCodeBits + 1] = {};
    for (uint32_t length = 1; length < maxCodeBits; ++length) {
        offset[length + 1] = static_cast<uint16_t>(offset[length] + count[length]);
    }
    for (uint32_t symbol = 0; symbol < symbolCount; ++symbol) {
        const uint16_t length = lengths[symbol];
        if (length != 0) order.sorted[offset[length]++] = static_cast<uint16_t>(symbol);
    }
    return true;
}

bool buildDecodeTable(TableKind kind, const uint16_t* lengths, uint32_t symbolCount,
                      uint32_t& index, TableSpace& space, uint32_t& rootBits) {
    CanonicalOrder order;
    if (index > tableSlots || !orderCodes(lengths, symbolCount, order)) return false;
    uint16_t* const count = order.count;
    const uint16_t* const sorted = order.sorted;
    uint32_t maxLength = maxCodeBits;
    while (maxLength > 0 && count[maxLength] == 0) --maxLength;
    if (maxLength == 0) {
        rootBits = 0;
        return true;
    }
    uint32_t minLength = 1;
    while (count[minLength] == 0) ++minLength;
    uint32_t root = rootBits;
    if (root > maxLength) root = maxLength;
    if (root < minLength) root = minLength;

    const uint32_t start = index;
    if ((1u << root) > tableSlots - start) return false;

    fillInvalid(space, start, root);
    const uint32_t rootMask = (1u << root) - 1;
    uint32_t code = 0;  // current code, bit-reversed
    uint32_t length = minLength;
    uint32_t position = 0;      // in `sorted`
    uint32_t dropBits = 0;      // bits taken by the first level, once a second level exists
    uint32_t widthBits = root;  // index width of the table being filled
    uint32_t table = start;     // first slot of the table being filled
    uint32_t subTableKey = noSubTable;
    uint32_t used = 1u << root;

    for (;;) {
        DecodeEntry entry = symbolEntry(kind, sorted[position]);
        entry.codeBits = static_cast<uint8_t>(length - dropBits);
        // Every slot whose low (length - dropBits) index bits are the code
        // gets the entry. Masking keeps a broken set inside its own table.
        const uint32_t step = 1u << (length - dropBits);
        const uint32_t size = 1u << widthBits;
        for (uint32_t slot = (code >> dropBits) & (size - 1); slot < size; slot += step) {
            putEntry(space, table + slot, entry);
        }
        code = nextReversedCode(code, length);

        ++position;
        if (--count[length] == 0) {
            if (length == maxLength) break;
            length = lengths[sorted[position]];
        }

        if (length > root && (code & rootMask) != subTableKey) {
            if (dropBits == 0) dropBits = root;
            table += 1u << widthBits;
            widthBits = secondLevelBits(count, length, dropBits, maxLength);
            if (table > tableSlots || (1u << widthBits) > tableSlots - table) return false;
            fillInvalid(space, table, widthBits);
            used += 1u << widthBits;
            subTableKey = code & rootMask;
            putEntry(space, start + subTableKey,
                     DecodeEntry{static_cast<uint8_t>(widthBits), static_cast<uint8_t>(root),
                                 static_cast<uint16_t>(table - start)});
        }
    }

    // An incomplete code leaves slots that no code reaches: mark them
    // invalid, going back to the first level once the carry leaves the
    // current second-level table.
    DecodeEntry invalid{invalidAction, static_cast<uint8_t>(length - dropBits), 0};
    while (code != 0) {
        if (dropBits != 0 && (code & rootMask) != subTableKey) {
            dropBits = 0;
            length = root;
            table = start;
            widthBits = root;
            invalid.codeBits = static_cast<uint8_t>(root);
        }
        putEntry(space, table + ((code >> dropBits) & ((1u << widthBits) - 1)), invalid);
        code = nextReversedCode(code, length);
    }

    index = start + used;
    rootBits = root;
    return true;
}
