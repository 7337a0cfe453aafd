// The table builder checked input by input: every bit pattern must lead
// through the table to the symbol whose canonical code (computed
// independently) prefixes it, with that code's length, or to an invalid
// slot; and the builder must write exactly its own slots.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "image/decode_table.h"
#include "tests/image/test_data.h"

using namespace testing_image;
using Kind = TableKind;

namespace {

constexpr uint8_t marker = 0xEE;

struct Built { bool ok; uint32_t index, root; TableSpace space; };

Built build(Kind kind, const Lengths& lengths, uint32_t start, uint32_t root) {
    Built b{false, start, root, {}};
    std::memset(&b.space, marker, sizeof b.space);
    b.ok = buildDecodeTable(kind, lengths.data(), uint32_t(lengths.size()), b.index, b.space, b.root);
    return b;
}

bool written(const TableSpace& s, uint32_t slot) {
    return s.action[slot] != marker || s.codeBits[slot] != marker || s.value[slot] != 0xEEEE;
}

DecodeEntry expectedEntry(Kind kind, uint32_t s) {
    const bool literals = kind == Kind::LiteralLengthTable;
    if (kind == Kind::CodeLengthTable || (literals && s < 256)) return {literalAction, 0, uint16_t(s)};
    if (literals && s == 256) return {endOfBlockAction, 0, 0};
    if (literals && s < 286) return {uint8_t(baseAction + lengthExtra(s - 257)), 0, uint16_t(lengthBase(s - 257))};
    if (!literals && s < 30) return {uint8_t(baseAction + distanceExtra(s)), 0, uint16_t(distanceBase(s))};
    return {invalidAction, 0, 0};
}

void expectDecodes(const TableSpace& space, Kind kind, const Lengths& lengths, uint32_t start, uint32_t root) {
    std::vector<int32_t> owner(size_t(1) << *std::max_element(lengths.begin(), lengths.end()), -1);
    const std::vector<uint32_t> codes = canonicalCodes(lengths);
    for (uint32_t s = 0; s < lengths.size(); ++s) {
        uint32_t reversed = 0;
        for (uint32_t i = 0; i < lengths[s]; ++i) reversed |= ((codes[s] >> i) & 1) << (lengths[s] - 1 - i);
        for (uint32_t v = reversed; lengths[s] != 0 && v < owner.size(); v += 1u << lengths[s]) owner[v] = int32_t(s);
    }
    for (uint32_t v = 0; v < owner.size(); ++v) {
        DecodeEntry e = tableEntry(space, start + (v & ((1u << root) - 1)));
        uint32_t bits = e.codeBits;
        if (e.action >= 1 && e.action <= maxLinkAction) {
            ASSERT_EQ(e.codeBits, root) << "input " << v;
            e = tableEntry(space, start + e.value + ((v >> root) & ((1u << e.action) - 1)));
            bits = root + e.codeBits;
        }
        ASSERT_TRUE(owner[v] < 0 || bits == lengths[owner[v]]) << "input " << v << ", " << bits << " bits";
        const DecodeEntry want = owner[v] < 0 ? DecodeEntry{invalidAction, 0, 0} : expectedEntry(kind, owner[v]);
        const bool invalid = want.action == invalidAction;
        ASSERT_EQ(invalid ? e.action & (invalidBit | endOfBlockBit) : e.action, invalid ? invalidBit : want.action)
            << "input " << v;
        ASSERT_TRUE(invalid || e.value == want.value) << "input " << v;
    }
}

// Refused sets write nothing before `start`. Built ones get a root between
// their shortest and longest code, write exactly their slots and decode
// every input.
void check(Kind kind, const Lengths& lengths, uint32_t start, uint32_t root, bool ok, int used = -1) {
    const Built b = build(kind, lengths, start, root);
    ASSERT_EQ(b.ok, ok);
    for (uint32_t slot = 0; !ok && slot < std::min(start, tableSlots); ++slot) ASSERT_FALSE(written(b.space, slot));
    if (!ok) return;
    uint16_t shortest = 16, longest = 0;
    for (uint16_t l : lengths) shortest = l ? std::min(shortest, l) : shortest, longest = std::max(longest, l);
    EXPECT_EQ(b.root, longest == 0 ? 0 : std::clamp<uint32_t>(root, shortest, longest));
    EXPECT_TRUE(used < 0 || b.index - start == uint32_t(used)) << b.index - start << " slots used";
    ASSERT_LE(b.index, tableSlots);
    for (uint32_t slot = 0; slot < tableSlots; ++slot) {
        ASSERT_EQ(written(b.space, slot), slot >= start && slot < b.index) << "slot " << slot;
    }
    if (longest != 0) expectDecodes(b.space, kind, lengths, start, b.root);
}

}  // namespace

TEST(DecodeTable, EdgeCases) {
    const Kind L = Kind::LiteralLengthTable, D = Kind::DistanceTable;
    const Lengths fourLong = sparse(32, {{0, 10}, {1, 10}, {2, 10}, {3, 10}});
    // Codes of 1 to 8 bits, two of 10 and four of 11: second-level tables of 2 and 4 slots.
    const Lengths full = runsOf({{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8}, {2, 10}, {4, 11}});
    struct Case { const char* what; Kind kind; Lengths lengths; uint32_t start, root; bool ok; int used = -1; };
    const Case cases[] = {
        {"3-bit codes narrow the root", L, Lengths(8, 3), 10, 9, true, 8}, {"length 16", L, {16}, 0, 9, false},
        {"10-bit codes widen it", L, sparse(288, {{0, 10}, {1, 10}, {4, 10}}), 0, 9, true, 1024},
        {"no code writes nothing", D, Lengths(30, 0), 100, 6, true, 0}, {"fits at 0", D, fourLong, 0, 6, true, 1024},
        {"incomplete, on two levels", L, sparse(288, {{'x', 1}, {256, 12}}), 0, 9, true, 520},
        {"second-level tables exactly full", L, full, 0, 9, true, 512 + 2 + 4},
        {"2048-slot root", L, Lengths(288, 11), 600, 9, false}, {"not after another table", D, fourLong, 600, 6, false},
        {"start past the space", D, Lengths(30, 5), tableSlots + 1, 6, false},
        {"300 symbols", L, Lengths(300, 9), 0, 9, false},
        {"the largest literal/length table", L, largestLiteralLengthCode(), 0, 9, true, 852},
        {"the largest distance table, right after it", D, largestDistanceCode(), 852, 6, true, 592},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        check(c.kind, c.lengths, c.start, c.root, c.ok, c.used);
    }
}

TEST(DecodeTable, RandomCodeSets) {
    std::mt19937 rng(2024);
    const struct { Kind kind; uint32_t symbols, maxLength, root; } kinds[] = {
        {Kind::CodeLengthTable, 19, 7, 7}, {Kind::LiteralLengthTable, 286, 15, 9}, {Kind::DistanceTable, 30, 15, 6},
        {Kind::LiteralLengthTable, 288, 15, 9}, {Kind::DistanceTable, 32, 15, 6}};
    for (const auto& k : kinds) {
        for (int round = 0; round < 200; ++round) {
            SCOPED_TRACE(std::to_string(k.symbols) + " symbols, round " + std::to_string(round));
            // A complete code: split random leaves (the newest half the time,
            // for long chains), then hand the depths to random symbols.
            Lengths depths = {1, 1};
            for (uint32_t coded = 2 + rng() % (k.symbols - 1); depths.size() < coded;) {
                size_t pick = rng() % 2 ? depths.size() - 1 : rng() % depths.size();
                if (depths[pick] >= k.maxLength) pick = rng() % depths.size();
                if (depths[pick] < k.maxLength) depths.push_back(++depths[pick]);
            }
            depths.resize(k.symbols, 0);
            std::shuffle(depths.begin(), depths.end(), rng);
            const uint32_t start = rng() % 2 ? rng() % 200 : 0;
            // Only a set too large for the space may be refused.
            check(k.kind, depths, start, k.root, build(k.kind, depths, start, k.root).ok);
        }
    }
    // Over-subscribed sets may be refused or built, but stay inside their slots.
    for (int round = 0; round < 2000; ++round) {
        const bool literals = rng() % 2;
        Lengths lengths(literals ? 288 : 32);
        for (uint16_t& l : lengths) l = uint16_t(rng() % 3 == 0 ? 0 : 1 + rng() % 15);
        const uint32_t start = rng() % 700;
        const Kind kind = literals ? Kind::LiteralLengthTable : Kind::DistanceTable;
        const Built b = build(kind, lengths, start, literals ? 9 : 6);
        for (uint32_t slot = 0; slot < tableSlots; ++slot) {
            const bool inside = slot >= start && slot < b.index;
            if (!b.ok && slot >= start) continue;
            ASSERT_EQ(written(b.space, slot), b.ok && inside) << round << " slot " << slot;
            const uint8_t action = b.space.action[slot];
            if (b.ok && inside && slot < start + (1u << b.root) && action >= 1 && action <= maxLinkAction) {
                ASSERT_LE(start + b.space.value[slot] + (1u << action), b.index) << round;  // links stay inside
            }
        }
    }
}
