// Inflate's wide tables against canonical codes (RFC 1951 3.2.2) pattern by
// pattern, and streams whose codes the tables join two to a word.
#include <gtest/gtest.h>

#include <random>

#include "image/inflate.h"
#include "image/inflate_variant.h"
#include "image/wide_table.h"
#include "tests/image/test_data.h"

using namespace testing_image;

namespace {

constexpr uint32_t patternBits = 15;  // the longest code
constexpr auto L = TableKind::LiteralLengthTable;
constexpr auto D = TableKind::DistanceTable;

struct Code {
    uint32_t symbol, length;  // length 0: no code
};

// The code each 15-bit pattern (stream bits, first bit lowest) starts with.
std::vector<Code> codeOfEveryPattern(const Lengths& lengths) {
    std::vector<Code> out(size_t(1) << patternBits, Code{0, 0});
    const std::vector<uint32_t> codes = canonicalCodes(lengths);
    for (uint32_t s = 0; s < lengths.size(); ++s) {
        const uint32_t n = lengths[s];
        uint32_t reversed = 0;  // sent most-significant bit first
        for (uint32_t i = 0; i < n; ++i) reversed = reversed << 1 | ((codes[s] >> i) & 1);
        for (uint32_t high = 0; n != 0 && high >> (patternBits - n) == 0; ++high)
            out[reversed | high << n] = {s, n};
    }
    return out;
}

// The word a symbol's code must have, its code's bits counted from `from`.
uint32_t expectedWord(TableKind kind, Code c, uint32_t from) {
    const uint32_t bits = c.length - from;
    if (kind == L && c.symbol < 256) return bits | bits << 8 | wideLiteral | c.symbol << 16;
    if (kind == L && c.symbol == 256) return bits | bits << 8 | wideEndOfBlock;
    const uint32_t i = kind == L ? c.symbol - 257 : c.symbol;
    if (i >= (kind == L ? 29u : 30u)) return wideInvalid;  // 286, 287, distance 30, 31
    const uint32_t extra = kind == L ? lengthExtra(i) : distanceExtra(i);
    return (bits + extra) | bits << 8 | (kind == L ? lengthBase(i) : distanceBase(i)) << 16;
}

// Literals 'a' to 'd' in 3 bits, 'e' to 'i', the lengths 3 to 10 and 258 in
// 5, the end of the block in 4: a complete code whose short codes pair.
const Lengths pairingCode =
    runsOf({'a', 0, 4, 3, 5, 5, 150, 0, 1, 4, 8, 5, 20, 0, 1, 5});

}  // namespace

// Every pattern finds its code's word (past the root through a link); a root
// literal also carries the next literal or length 3 to 10 exactly when that
// code fits the root too. Codes left to the standard tables are refused.
TEST(WideTable, EveryBitPatternDecodesItsCanonicalCode) {
    struct Case {
        const char* what;
        TableKind kind;
        Lengths lengths;
        uint32_t capacity;  // 0: the kind's slots
        bool taken;
    };
    const Case cases[] = {
        {"fixed literal/length", L, fixedLiterals(), 0, true},
        {"fixed distance", D, Lengths(32, 5), 0, true},
        {"dynamic literal/length", L, dynamicLiterals(), 0, true},
        {"dynamic distance", D, dynamicDistances(), 0, true},
        {"largest literal/length", L, largestLiteralLengthCode(), 0, true},
        {"largest distance", D, largestDistanceCode(), 0, true},
        {"pairing literal/length", L, pairingCode, 0, true},
        {"one one-bit distance code", D, sparse(30, {{3, 1}}), 0, true},
        {"no distance code", D, Lengths(30, 0), 0, true},
        {"largest literal/length in too few words", L, largestLiteralLengthCode(), 1100, false},
        {"over-subscribed", L, sparse(288, {{0, 1}, {1, 1}, {2, 1}}), 0, false},
        {"incomplete literal/length", L, sparse(257, {{'a', 1}, {256, 2}}), 0, false},
        {"no literal/length code", L, Lengths(257, 0), 0, false},
        {"two distance codes, incomplete", D, sparse(30, {{0, 1}, {1, 2}}), 0, false},
        {"one two-bit distance code", D, sparse(30, {{0, 2}}), 0, false},
        {"a 16-bit length", D, sparse(30, {{0, 1}, {1, 16}}), 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t root = c.kind == L ? wideLiteralLengthBits : wideDistanceBits;
        const uint32_t slots = c.kind == L ? wideLiteralLengthSlots : wideDistanceSlots;
        const uint32_t capacity = c.capacity != 0 ? c.capacity : slots;
        std::vector<uint32_t> table(capacity + 1, 0xDEADBEEF);
        ASSERT_EQ(buildWideTable(c.kind, c.lengths.data(), uint32_t(c.lengths.size()), root,
                                 table.data(), capacity),
                  c.taken);
        EXPECT_EQ(table[capacity], 0xDEADBEEF) << "written past the capacity";
        if (!c.taken) continue;
        const std::vector<Code> codeOf = codeOfEveryPattern(c.lengths);
        for (uint32_t p = 0; p < codeOf.size(); ++p) {
            uint32_t word = table[p & ((1u << root) - 1)];
            const Code code = codeOf[p], next = codeOf[p >> code.length];
            const uint32_t from = code.length > root ? root : 0;
            if (from != 0) {
                ASSERT_EQ(word & (wideLink | 0xFF), wideLink | root) << p;
                word = table.at((word >> 16) + ((p >> root) & ((1u << ((word >> 8) & 15)) - 1)));
            }
            const uint32_t want = code.length == 0 ? wideInvalid : expectedWord(c.kind, code, from);
            if (want == wideInvalid) {  // the flags alone matter
                ASSERT_EQ(word & (wideLink | wideEndOfBlock | wideLiteral), wideInvalid) << p;
                continue;
            }
            const bool fits = from == 0 && (want & wideLiteral) != 0 && next.length != 0 &&
                              code.length + next.length <= root;
            uint32_t joined = want;
            if (fits && next.symbol < 256) {
                joined = (want + next.length) | wideSecondLiteral | next.symbol << 24;
            } else if (fits && next.symbol >= 257 && next.symbol <= 264) {
                joined = (want - wideLiteral + next.length) | wideLiteralThenLength |
                         (next.symbol - 254) << 24;
            }
            ASSERT_EQ(word, joined) << p;
        }
    }
}

// Literal pairs, a literal and a length in one word, a literal before length
// 258 (never joined): exact at several capacities (257: the exact steps
// alone) in every build of the fast loop, and failing when cut short.
TEST(InflateSpeedPaths, JoinedCodesDecodeToTheirTokens) {
    std::mt19937 rng(1010);
    Tokens tokens;
    for (size_t produced = 0; produced < 30000;) {
        const uint32_t length = rng() % 8 == 0 ? 258 : 3 + rng() % 8;
        const bool literal = produced < 10 || rng() % 2 == 0;
        tokens.push_back(literal ? lit(uint8_t('a' + rng() % 9))
                                 : match(length, 1 + rng() % std::min<size_t>(produced, 4000)));
        produced += literal ? 1 : length;
    }
    constexpr uint32_t padding = 8;  // bytes after the stream: the fast loop runs to its end
    BitWriter writer;
    writer.dynamic(true, pairingCode, dynamicDistances(), tokens).put(0, 8 * padding);
    const Bytes& stream = writer.bytes;
    const Bytes expected = expand(tokens);
    const uint32_t size = uint32_t(expected.size()), whole = uint32_t(stream.size()) - padding;
    const InflateVariant chosen = inflateVariant;
    for (InflateVariant variant : {InflateVariant::Portable, InflateVariant::Bmi2}) {
        if (!inflateVariantAvailable(variant)) continue;
        inflateVariant = variant;
        SCOPED_TRACE(variant == InflateVariant::Bmi2 ? "BMI2" : "portable");
        for (uint32_t capacity : {size, size - 1, 257u, 3000u, 0u}) {
            Bytes out(capacity + 64, 0xA5);
            uint32_t written = 0;
            ASSERT_TRUE(
                decodeDeflate(stream.data(), whole + padding, out.data(), capacity, written));
            ASSERT_EQ(written, capacity);
            EXPECT_TRUE(std::equal(&out[0], &out[capacity], &expected[0])) << capacity;
            EXPECT_EQ(std::count(out.begin() + capacity, out.end(), 0xA5), 64) << capacity;
        }
        Bytes out(size);
        for (uint32_t cut : {0u, 1u, 2u, 1000u})  // 0: the stream without the padding
            EXPECT_EQ(decodeDeflate(stream.data(), whole - cut, out.data(), size), cut == 0) << cut;
    }
    inflateVariant = chosen;
}
