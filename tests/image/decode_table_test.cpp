// The table builder checked code by code: every canonical code of a set,
// computed independently, must lead through the table to its symbol with
// the right bit count, and the builder must write only its own slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "image/decode_table.h"
#include "tests/image/deflate_writer.h"

using namespace testing_deflate;

namespace {

constexpr uint8_t marker = 0xEE;
constexpr uint16_t markerValue = 0xEEEE;

void fillMarker(TableSpace& space) {
    for (uint32_t i = 0; i < tableSlots; ++i) {
        space.action[i] = marker;
        space.codeBits[i] = marker;
        space.value[i] = markerValue;
    }
}

bool isMarker(const TableSpace& space, uint32_t slot) {
    return space.action[slot] == marker && space.codeBits[slot] == marker && space.value[slot] == markerValue;
}

uint32_t reverseBits(uint32_t code, uint32_t length) {
    uint32_t reversed = 0;
    for (uint32_t i = 0; i < length; ++i) reversed |= ((code >> i) & 1) << (length - 1 - i);
    return reversed;
}

// Follows `code` (length bits) through the table as the decoder would and
// returns the final slot and the bits it accounts for.
struct Found {
    DecodeEntry entry;
    uint32_t bits;
};
Found follow(const TableSpace& space, uint32_t start, uint32_t root, uint32_t code, uint32_t length) {
    const uint32_t input = reverseBits(code, length);
    const uint32_t slot = start + (input & ((1u << root) - 1));
    const DecodeEntry first = tableEntry(space, slot);
    if (first.action >= 1 && first.action <= maxLinkAction) {
        EXPECT_EQ(first.codeBits, root);
        const uint32_t sub = start + first.value + ((input >> root) & ((1u << first.action) - 1));
        const DecodeEntry second = tableEntry(space, sub);
        return {second, root + second.codeBits};
    }
    return {first, first.codeBits};
}

DecodeEntry expectedEntry(TableKind kind, uint32_t symbol) {
    switch (kind) {
    case TableKind::CodeLengthTable: return {literalAction, 0, static_cast<uint16_t>(symbol)};
    case TableKind::LiteralLengthTable:
        if (symbol < 256) return {literalAction, 0, static_cast<uint16_t>(symbol)};
        if (symbol == 256) return {endOfBlockAction, 0, 0};
        if (symbol <= 285) {
            return {static_cast<uint8_t>(baseAction + lengthExtras[symbol - 257]), 0,
                    static_cast<uint16_t>(lengthBases[symbol - 257])};
        }
        return {invalidAction, 0, 0};
    case TableKind::DistanceTable:
        if (symbol < 30) {
            return {static_cast<uint8_t>(baseAction + distanceExtra(symbol)), 0,
                    static_cast<uint16_t>(distanceBases[symbol])};
        }
        return {invalidAction, 0, 0};
    }
    return {};
}

// Every coded symbol is found with its full code length.
void expectEveryCode(const TableSpace& space, TableKind kind, const std::vector<uint16_t>& lengths, uint32_t start,
                     uint32_t root, const std::string& what) {
    const std::vector<uint32_t> codes = canonicalCodes(lengths);
    for (uint32_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] == 0) continue;
        const Found found = follow(space, start, root, codes[s], lengths[s]);
        const DecodeEntry want = expectedEntry(kind, s);
        ASSERT_EQ(found.bits, lengths[s]) << what << " symbol " << s;
        if (want.action == invalidAction) {
            ASSERT_NE(found.entry.action & invalidBit, 0) << what << " symbol " << s;
            ASSERT_EQ(found.entry.action & endOfBlockBit, 0) << what << " symbol " << s;
        } else {
            ASSERT_EQ(found.entry.action, want.action) << what << " symbol " << s;
            ASSERT_EQ(found.entry.value, want.value) << what << " symbol " << s;
        }
    }
}

// A random complete prefix code: split random leaves until there are
// `coded` of them, then hand the depths to random symbols.
std::vector<uint16_t> randomCompleteLengths(uint32_t symbols, uint32_t coded, uint32_t maxLength, std::mt19937& rng) {
    std::vector<uint16_t> depths = {1, 1};
    while (depths.size() < coded) {
        // Deepening the newest leaf half the time gives long chains of codes.
        size_t pick = rng() % 2 == 0 ? depths.size() - 1 : rng() % depths.size();
        if (depths[pick] >= maxLength) pick = rng() % depths.size();
        if (depths[pick] >= maxLength) continue;
        ++depths[pick];
        depths.push_back(depths[pick]);
    }
    std::vector<uint16_t> lengths(symbols, 0);
    std::vector<uint32_t> order(symbols);
    for (uint32_t i = 0; i < symbols; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t i = 0; i < depths.size(); ++i) lengths[order[i]] = depths[i];
    return lengths;
}

}  // namespace

TEST(DecodeTable, FixedTables) {
    TableSpace space;
    fillMarker(space);
    uint16_t scratch[320];
    uint32_t literalRoot = 0;
    uint32_t distanceRoot = 0;
    uint32_t index = 0;
    ASSERT_TRUE(fillFixedTables(scratch, literalRoot, distanceRoot, index, space));
    EXPECT_EQ(literalRoot, 9u);
    EXPECT_EQ(distanceRoot, 5u);
    EXPECT_EQ(index, 512u);  // names the distance table
    expectEveryCode(space, TableKind::LiteralLengthTable, fixedLiteralLengths(), 0, 9, "fixed literal/length");
    expectEveryCode(space, TableKind::DistanceTable, std::vector<uint16_t>(32, 5), 512, 5, "fixed distance");
    for (uint32_t slot = 0; slot < 512 + 32; ++slot) EXPECT_FALSE(isMarker(space, slot)) << slot;
    for (uint32_t slot = 512 + 32; slot < tableSlots; ++slot) ASSERT_TRUE(isMarker(space, slot)) << slot;
}

TEST(DecodeTable, RandomCompleteCodesOfEveryKind) {
    std::mt19937 rng(2024);
    struct Kind {
        TableKind kind;
        uint32_t symbols;
        uint32_t maxLength;
        uint32_t requestedRoot;
        const char* name;
    };
    const Kind kinds[] = {{TableKind::CodeLengthTable, 19, 7, 7, "code length"},
                          {TableKind::LiteralLengthTable, 286, 15, 9, "literal/length"},
                          {TableKind::LiteralLengthTable, 288, 15, 9, "literal/length 288"},
                          {TableKind::DistanceTable, 30, 15, 6, "distance"},
                          {TableKind::DistanceTable, 32, 15, 6, "distance 32"}};
    for (const Kind& k : kinds) {
        for (int round = 0; round < 300; ++round) {
            const uint32_t coded = 2 + rng() % (k.symbols - 1);
            const std::vector<uint16_t> lengths = randomCompleteLengths(k.symbols, coded, k.maxLength, rng);
            TableSpace space;
            fillMarker(space);
            const uint32_t start = rng() % 2 == 0 ? 0 : rng() % 200;
            uint32_t index = start;
            uint32_t root = k.requestedRoot;
            const std::string what = std::string(k.name) + " round " + std::to_string(round);
            if (!buildDecodeTable(k.kind, lengths.data(), k.symbols, index, space, root)) {
                // Only a set that cannot fit may be refused: its root table
                // alone or with its second levels exceeds the space.
                continue;
            }
            uint32_t minLength = 15;
            uint32_t maxLength = 0;
            for (uint16_t l : lengths) {
                if (l == 0) continue;
                minLength = std::min<uint32_t>(minLength, l);
                maxLength = std::max<uint32_t>(maxLength, l);
            }
            EXPECT_EQ(root, std::max(minLength, std::min(k.requestedRoot, maxLength))) << what;
            ASSERT_LE(index, tableSlots) << what;
            expectEveryCode(space, k.kind, lengths, start, root, what);
            // A complete code reaches every slot it owns, and nothing else
            // was touched. Without coded meaningless symbols (286, 287;
            // distances 30, 31) no slot is left invalid.
            bool codesMeaningless = false;
            for (uint32_t s = 0; s < k.symbols; ++s) {
                if (lengths[s] != 0 && expectedEntry(k.kind, s).action == invalidAction) codesMeaningless = true;
            }
            for (uint32_t slot = 0; slot < tableSlots; ++slot) {
                const bool inside = slot >= start && slot < index;
                ASSERT_EQ(!isMarker(space, slot), inside) << what << " slot " << slot;
                if (inside && !codesMeaningless) {
                    ASSERT_NE(space.action[slot], invalidAction) << what << " unreachable slot " << slot;
                }
            }
        }
    }
}

TEST(DecodeTable, RootWidthNarrowsToTheLengthsPresent) {
    TableSpace space;
    fillMarker(space);
    // Longest code 3 bits: a 9-bit request becomes 3.
    std::vector<uint16_t> lengths(8, 3);
    uint32_t index = 10;
    uint32_t root = 9;
    ASSERT_TRUE(buildDecodeTable(TableKind::LiteralLengthTable, lengths.data(), 8, index, space, root));
    EXPECT_EQ(root, 3u);
    EXPECT_EQ(index, 18u);
    expectEveryCode(space, TableKind::LiteralLengthTable, lengths, 10, 3, "short codes");

    // Shortest code 10 bits: the root widens to 10, with no second level.
    fillMarker(space);
    lengths.assign(300, 0);
    for (uint32_t s = 0; s < 5; ++s) lengths[s] = 10;
    index = 0;
    root = 9;
    ASSERT_TRUE(buildDecodeTable(TableKind::LiteralLengthTable, lengths.data(), 288, index, space, root));
    EXPECT_EQ(root, 10u);
    EXPECT_EQ(index, 1024u);
    expectEveryCode(space, TableKind::LiteralLengthTable, std::vector<uint16_t>(lengths.begin(), lengths.begin() + 288),
                    0, 10, "long codes");
    // The unused 10-bit codes are invalid.
    for (uint32_t slot = 0; slot < 1024; ++slot) {
        const uint32_t code = reverseBits(slot, 10);
        if (code >= 5) {
            EXPECT_EQ(space.action[slot], invalidAction) << slot;
        }
    }
}

TEST(DecodeTable, EmptySetWritesNothing) {
    TableSpace space;
    fillMarker(space);
    const std::vector<uint16_t> lengths(30, 0);
    uint32_t index = 100;
    uint32_t root = 6;
    ASSERT_TRUE(buildDecodeTable(TableKind::DistanceTable, lengths.data(), 30, index, space, root));
    EXPECT_EQ(root, 0u);
    EXPECT_EQ(index, 100u);
    for (uint32_t slot = 0; slot < tableSlots; ++slot) ASSERT_TRUE(isMarker(space, slot));
}

TEST(DecodeTable, IncompleteCodesMarkUnusedCodesInvalid) {
    // One 1-bit code and one 12-bit code: the 1-prefixed half holds one
    // code, the rest must read as invalid on both levels.
    TableSpace space;
    fillMarker(space);
    std::vector<uint16_t> lengths(288, 0);
    lengths['x'] = 1;
    lengths[256] = 12;
    uint32_t index = 0;
    uint32_t root = 9;
    ASSERT_TRUE(buildDecodeTable(TableKind::LiteralLengthTable, lengths.data(), 288, index, space, root));
    EXPECT_EQ(root, 9u);
    expectEveryCode(space, TableKind::LiteralLengthTable, lengths, 0, 9, "incomplete");
    const std::vector<uint32_t> codes = canonicalCodes(lengths);
    for (uint32_t code = 0; code < (1u << 12); ++code) {
        const Found found = follow(space, 0, 9, code, 12);
        const bool isX = (code >> 11) == codes['x'];
        const bool isEnd = code == codes[256];
        if (isX || isEnd) continue;
        ASSERT_EQ(found.entry.action, invalidAction) << code;
    }
    for (uint32_t slot = index; slot < tableSlots; ++slot) ASSERT_TRUE(isMarker(space, slot));
}

TEST(DecodeTable, SetsThatCannotFitAreRefusedWithoutWritingBeforeTheirStart) {
    TableSpace space;
    fillMarker(space);
    // 11-bit codes only: a 2048-slot root.
    std::vector<uint16_t> lengths(288, 11);
    uint32_t index = 600;
    uint32_t root = 9;
    EXPECT_FALSE(buildDecodeTable(TableKind::LiteralLengthTable, lengths.data(), 288, index, space, root));
    // A table that fits at 0 but not after another.
    std::vector<uint16_t> distances(32, 0);
    for (uint32_t s = 0; s < 4; ++s) distances[s] = 10;
    index = 0;
    root = 6;
    EXPECT_TRUE(buildDecodeTable(TableKind::DistanceTable, distances.data(), 32, index, space, root));
    fillMarker(space);
    index = 600;
    root = 6;
    EXPECT_FALSE(buildDecodeTable(TableKind::DistanceTable, distances.data(), 32, index, space, root));
    for (uint32_t slot = 0; slot < 600; ++slot) ASSERT_TRUE(isMarker(space, slot));
    // Lengths out of range and too many symbols are refused.
    lengths.assign(288, 8);
    lengths[3] = 16;
    index = 0;
    root = 9;
    EXPECT_FALSE(buildDecodeTable(TableKind::LiteralLengthTable, lengths.data(), 288, index, space, root));
    std::vector<uint16_t> many(300, 9);
    EXPECT_FALSE(buildDecodeTable(TableKind::LiteralLengthTable, many.data(), 300, index, space, root));
}

TEST(DecodeTable, OverSubscribedSetsStayInsideTheirSlots) {
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; ++round) {
        const uint32_t symbols = rng() % 2 ? 288 : 32;
        std::vector<uint16_t> lengths(symbols);
        for (uint16_t& l : lengths) l = static_cast<uint16_t>(rng() % 3 == 0 ? 0 : 1 + rng() % 15);
        TableSpace space;
        fillMarker(space);
        const uint32_t start = rng() % 700;
        uint32_t index = start;
        uint32_t root = symbols == 288 ? 9 : 6;
        const TableKind kind = symbols == 288 ? TableKind::LiteralLengthTable : TableKind::DistanceTable;
        if (!buildDecodeTable(kind, lengths.data(), symbols, index, space, root)) {
            for (uint32_t slot = 0; slot < start; ++slot) ASSERT_TRUE(isMarker(space, slot)) << round;
            continue;
        }
        ASSERT_LE(index, tableSlots);
        for (uint32_t slot = 0; slot < tableSlots; ++slot) {
            ASSERT_EQ(!isMarker(space, slot), slot >= start && slot < index) << round << " slot " << slot;
            // Links point inside the table's own slots.
            const uint8_t action = space.action[slot];
            if (slot < start + (1u << root) && slot >= start && action >= 1 && action <= maxLinkAction) {
                ASSERT_LE(start + space.value[slot] + (1u << action), index) << round;
            }
        }
    }
}
