// The wide tables of inflate's fast path against canonical codes worked out
// here from RFC 1951 3.2.2, bit pattern by bit pattern, and streams whose
// codes make the tables join two codes in one word.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image/inflate.h"
#include "image/inflate_variant.h"
#include "image/wide_table.h"
#include "tests/image/test_data.h"

using namespace testing_image;

namespace {

constexpr uint32_t patternBits = 15;  // the longest code

// What the `bits` low bits of a pattern decode to: a symbol and its length.
struct Code {
    uint32_t symbol, length;
};

// The code each 15-bit pattern (stream bits, first bit lowest) starts with.
std::vector<Code> codeOfEveryPattern(const Lengths& lengths) {
    std::vector<Code> out(size_t(1) << patternBits, Code{0, 0});
    const std::vector<uint32_t> codes = canonicalCodes(lengths);
    for (uint32_t s = 0; s < lengths.size(); ++s) {
        const uint32_t length = lengths[s];
        if (length == 0) continue;
        uint32_t reversed = 0;  // sent most-significant bit first
        for (uint32_t i = 0; i < length; ++i) reversed |= ((codes[s] >> i) & 1) << (length - 1 - i);
        for (uint32_t high = 0; high < (1u << (patternBits - length)); ++high)
            out[reversed | high << length] = {s, length};
    }
    return out;
}

// The word a symbol's code must have, its code's bits counted from `from`.
uint32_t expectedWord(TableKind kind, Code c, uint32_t from) {
    const uint32_t bits = c.length - from;
    if (kind == TableKind::LiteralLengthTable && c.symbol < 256)
        return bits | bits << 8 | wideLiteral | c.symbol << 16;
    if (kind == TableKind::LiteralLengthTable && c.symbol == 256)
        return bits | bits << 8 | wideEndOfBlock;
    const uint32_t i = kind == TableKind::LiteralLengthTable ? c.symbol - 257 : c.symbol;
    const uint32_t symbols = kind == TableKind::LiteralLengthTable ? 29 : 30;
    if (i >= symbols) return wideInvalid;  // 286, 287, distance 30, 31: the flags alone matter
    const uint32_t extra =
        kind == TableKind::LiteralLengthTable ? lengthExtra(i) : distanceExtra(i);
    const uint32_t base = kind == TableKind::LiteralLengthTable ? lengthBase(i) : distanceBase(i);
    return (bits + extra) | bits << 8 | base << 16;
}

}  // namespace

// Every pattern finds its code's word (through a second-level table for
// codes longer than the root); a first-level literal also carries the next
// literal, or a length of 3 to 10, exactly when that code fits in the root
// too. Codes the wide tables must leave to the standard ones are refused.
TEST(WideTable, EveryBitPatternDecodesItsCanonicalCode) {
    constexpr auto L = TableKind::LiteralLengthTable;
    constexpr auto D = TableKind::DistanceTable;
    // Literals 'a' to 'd' in 3 bits, 'e' to 'i' and the lengths 3 to 10
    // and 258 in 5, the end of the block in 4: a complete code that pairs.
    const Lengths pairing = [] {
        Lengths l(286, 0);
        for (uint32_t s = 'a'; s <= 'i'; ++s) l[s] = s <= 'd' ? 3 : 5;
        for (uint32_t s = 257; s <= 264; ++s) l[s] = 5;
        l[256] = 4;
        l[285] = 5;
        return l;
    }();
    struct Case {
        std::string what;
        TableKind kind;
        Lengths lengths;
        uint32_t capacity;
        bool taken;
    };
    const Case cases[] = {
        {"fixed literal/length", L, fixedLiterals(), wideLiteralLengthSlots, true},
        {"fixed distance", D, Lengths(32, 5), wideDistanceSlots, true},
        {"dynamic literal/length", L, dynamicLiterals(), wideLiteralLengthSlots, true},
        {"dynamic distance", D, dynamicDistances(), wideDistanceSlots, true},
        {"largest literal/length", L, largestLiteralLengthCode(), wideLiteralLengthSlots, true},
        {"largest distance", D, largestDistanceCode(), wideDistanceSlots, true},
        {"pairing literal/length", L, pairing, wideLiteralLengthSlots, true},
        {"one one-bit distance code", D, sparse(30, {{3, 1}}), wideDistanceSlots, true},
        {"no distance code", D, Lengths(30, 0), wideDistanceSlots, true},
        {"largest literal/length in too few words", L, largestLiteralLengthCode(), 1100, false},
        {"over-subscribed", L, sparse(288, {{0, 1}, {1, 1}, {2, 1}}), wideLiteralLengthSlots,
         false},
        {"incomplete literal/length", L, sparse(257, {{'a', 1}, {256, 2}}), wideLiteralLengthSlots,
         false},
        {"no literal/length code", L, Lengths(257, 0), wideLiteralLengthSlots, false},
        {"two distance codes, incomplete", D, sparse(30, {{0, 1}, {1, 2}}), wideDistanceSlots,
         false},
        {"one two-bit distance code", D, sparse(30, {{0, 2}}), wideDistanceSlots, false},
        {"a 16-bit length", D, sparse(30, {{0, 1}, {1, 16}}), wideDistanceSlots, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t root = c.kind == L ? wideLiteralLengthBits : wideDistanceBits;
        std::vector<uint32_t> table(c.capacity + 1, 0xDEADBEEF);
        ASSERT_EQ(buildWideTable(c.kind, c.lengths.data(), uint32_t(c.lengths.size()), root,
                                 table.data(), c.capacity),
                  c.taken);
        EXPECT_EQ(table[c.capacity], 0xDEADBEEF) << "written past the capacity";
        if (!c.taken) continue;
        const std::vector<Code> codeOf = codeOfEveryPattern(c.lengths);
        for (uint32_t p = 0; p < codeOf.size(); ++p) {
            uint32_t word = table[p & ((1u << root) - 1)];
            const Code code = codeOf[p];
            if (code.length == 0) {  // no code starts so
                ASSERT_EQ(word, wideInvalid) << p;
                continue;
            }
            uint32_t from = 0;
            if (code.length > root) {
                ASSERT_EQ(word & (wideLink | 0xFF), wideLink | root) << p;
                const uint32_t width = (word >> 8) & 15;
                ASSERT_LE(width, patternBits - root) << p;
                word = table.at((word >> 16) + ((p >> root) & ((1u << width) - 1)));
                from = root;
            }
            const uint32_t expected = expectedWord(c.kind, code, from);
            if (expected == wideInvalid) {
                ASSERT_EQ(word & (wideExceptional | wideLink | wideEndOfBlock | wideLiteral),
                          wideInvalid)
                    << p;
                continue;
            }
            const Code next = codeOf[p >> code.length];
            const bool fits = from == 0 && (expected & wideLiteral) != 0 && next.length != 0 &&
                              code.length + next.length <= root;
            if (fits && next.symbol < 256) {
                ASSERT_EQ(word, (expected + next.length) | wideSecondLiteral | next.symbol << 24)
                    << p;
            } else if (fits && next.symbol >= 257 && next.symbol <= 264) {
                const uint32_t length = next.symbol - 254;
                ASSERT_EQ(word, (expected - wideLiteral + next.length) | wideLiteralThenLength |
                                    length << 24)
                    << p;
            } else {
                ASSERT_EQ(word, expected) << p;
            }
        }
    }
}

// Streams in the pairing code: literal pairs, a literal and a length in one
// word, and a literal before length 258, which may not share a word. They
// decode to their tokens at several capacities (257: the exact steps alone,
// below a longest match of room) in every build of the fast loop, and fail
// when cut short.
TEST(InflateSpeedPaths, JoinedCodesDecodeToTheirTokens) {
    Lengths literals(286, 0);
    for (uint32_t s = 'a'; s <= 'i'; ++s) literals[s] = s <= 'd' ? 3 : 5;
    for (uint32_t s = 257; s <= 264; ++s) literals[s] = 5;
    literals[256] = 4;
    literals[285] = 5;
    std::mt19937 rng(1010);
    Tokens tokens;
    for (size_t produced = 0; produced < 30000;) {
        if (produced < 10 || rng() % 2 == 0) {
            tokens.push_back(lit(uint8_t('a' + rng() % 9)));
            produced += 1;
        } else {
            const uint32_t length = rng() % 8 == 0 ? 258 : 3 + rng() % 8;
            tokens.push_back(match(length, 1 + rng() % std::min<size_t>(produced, 4000)));
            produced += length;
        }
    }
    constexpr uint32_t padding =
        8;  // bytes after the stream, so that the fast loop runs to its end
    const Bytes stream =
        BitWriter().dynamic(true, literals, dynamicDistances(), tokens).put(0, 8 * padding).bytes;
    const Bytes expected = expand(tokens);
    const InflateVariant chosen = inflateVariant;
    for (InflateVariant variant : {InflateVariant::Portable, InflateVariant::Bmi2}) {
        if (!inflateVariantAvailable(variant)) continue;
        inflateVariant = variant;
        SCOPED_TRACE(variant == InflateVariant::Bmi2 ? "BMI2" : "portable");
        for (uint32_t capacity :
             {uint32_t(expected.size()), uint32_t(expected.size()) - 1, 257u, 3000u, 0u}) {
            Bytes out(capacity + 64, 0xA5);
            uint32_t written = 0;
            ASSERT_TRUE(decodeDeflate(stream.data(), uint32_t(stream.size()), out.data(), capacity,
                                      written));
            ASSERT_EQ(written, capacity);
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + capacity, expected.begin()))
                << capacity;
            EXPECT_EQ(std::count(out.begin() + capacity, out.end(), 0xA5), 64) << capacity;
        }
        Bytes out(expected.size());
        const uint32_t whole = uint32_t(stream.size()) - padding;
        EXPECT_TRUE(decodeDeflate(stream.data(), whole, out.data(), uint32_t(out.size())));
        for (uint32_t cut : {1u, 2u, 1000u}) {
            EXPECT_FALSE(
                decodeDeflate(stream.data(), whole - cut, out.data(), uint32_t(out.size())))
                << cut;
        }
    }
    inflateVariant = chosen;
}
