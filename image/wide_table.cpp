#include "image/wide_table.h"

#include <cstring>

namespace {

constexpr uint32_t extraBitsMask = 15;

bool isLink(uint32_t action) {
    return action >= 1 && action <= maxLinkAction;
}

// How a standard action becomes a word, decided once per action value rather
// than by branches per slot: slots come in bit-reversed code order, so their
// kinds alternate unpredictably.
struct ActionForm {
    uint32_t kind;       // the word's kind bits
    uint32_t valueMask;  // keeps the value of literals and bases
    uint32_t codeMask;   // keeps a base's code bits in 8..11
    uint32_t extraBits;  // a base's extra bits, dropped with its code
};

constexpr ActionForm actionForm(uint32_t action) {
    // The same order of tests as the exact path: literal, end of block, base.
    if (action == literalAction) return {wideLiteral, wideValueMask << wideValueShift, 0, 0};
    if ((action & endOfBlockBit) != 0) return {wideEndOfBlock, 0, 0, 0};
    if ((action & invalidBit) == 0 && (action & baseAction) != 0) {
        return {0, wideValueMask << wideValueShift, wideCodeMask << wideCodeShift,
                action & extraBitsMask};
    }
    return {wideInvalid, 0, 0, 0};
}

struct ActionForms {
    ActionForm forms[256];
    constexpr ActionForms() : forms() {
        for (uint32_t action = 0; action < 256; ++action) forms[action] = actionForm(action);
    }
};
constexpr ActionForms actionForms;

inline uint32_t entryWord(const TableSpace& space, uint32_t slot, uint32_t linkBits) {
    const ActionForm& form = actionForms.forms[space.action[slot]];
    const uint32_t codeBits = linkBits + space.codeBits[slot];
    return (codeBits + form.extraBits) | ((codeBits << wideCodeShift) & form.codeMask) | form.kind |
           ((uint32_t(space.value[slot]) << wideValueShift) & form.valueMask);
}

bool sameSlot(const TableSpace& space, uint32_t a, uint32_t b) {
    return space.action[a] == space.action[b] && space.codeBits[a] == space.codeBits[b] &&
           space.value[a] == space.value[b];
}

// The word for wide index `index` under a first-level link: the standard
// second-level slot when the index's bits choose it alone (every slot the
// unknown higher bits could pick is the same) and the code fits the wide
// width; a link otherwise.
uint32_t linkedWord(const TableSpace& space, uint32_t linkSlot, uint32_t start, uint32_t index,
                    uint32_t wideBits) {
    const uint32_t width = space.action[linkSlot];
    const uint32_t linkBits = space.codeBits[linkSlot];
    const uint32_t subTable = start + space.value[linkSlot];
    const uint32_t link = linkBits | width << wideCodeShift | wideLink | subTable << wideValueShift;
    static_assert(tableSlots <= wideValueMask + 1, "a link's value holds any slot");
    if (linkBits >= wideBits) return link;
    const uint32_t known = wideBits - linkBits;
    const uint32_t first = subTable + ((index >> linkBits) & ((1u << width) - 1));
    if (linkBits + space.codeBits[first] > wideBits) return link;
    for (uint32_t high = 1; known < width && high < (1u << (width - known)); ++high) {
        if (!sameSlot(space, first, first + (high << known))) return link;
    }
    return entryWord(space, first, linkBits);
}

}  // namespace

uint32_t wideEntry(const TableSpace& space, uint32_t slot, uint32_t linkBits) {
    return entryWord(space, slot, linkBits);
}

bool buildWideTable(const TableSpace& space, uint32_t start, uint32_t rootBits, uint32_t wideBits,
                    uint32_t* wide) {
    const uint32_t size = 1u << wideBits;
    if (rootBits > wideBits || wideBits > maxWideBits) return false;
    if (rootBits == 0) {
        for (uint32_t index = 0; index < size; ++index) wide[index] = wideInvalid;
        return true;
    }
    // A first-level slot answers for every wide index with its low bits:
    // the first 2^rootBits words, repeated. Links then get a word for each
    // index of theirs.
    const uint32_t rootSize = 1u << rootBits;
    uint16_t linkSlots[1u << maxWideBits];
    uint32_t linkCount = 0;
    for (uint32_t low = 0; low < rootSize; ++low) {
        wide[low] = entryWord(space, start + low, 0);
        linkSlots[linkCount] = static_cast<uint16_t>(low);
        linkCount += isLink(space.action[start + low]);
    }
    for (uint32_t copy = rootSize; copy < size; copy += rootSize) {
        std::memcpy(wide + copy, wide, rootSize * sizeof wide[0]);
    }
    for (uint32_t i = 0; i < linkCount; ++i) {
        for (uint32_t index = linkSlots[i]; index < size; index += rootSize) {
            wide[index] = linkedWord(space, start + linkSlots[i], start, index, wideBits);
        }
    }
    return true;
}
