// decodeDeflate against zlib's own encoder and decoder, and against hand-made
// streams that reach the corners zlib never produces.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/inflate.h"
#include "tests/image/deflate_writer.h"
#include "tests/image/sample_data.h"

using namespace testing_deflate;
using namespace testing_samples;

namespace {

constexpr uint8_t sentinel = 0xA5;
constexpr size_t guardBytes = 64;

struct Decoded {
    bool ok;
    uint32_t written;
    std::vector<uint8_t> buffer;  // capacity bytes followed by the guard
};

// Decodes raw DEFLATE data into a sentinel-filled buffer with a guard zone.
Decoded decodeRaw(const uint8_t* data, size_t size, uint32_t capacity) {
    Decoded d{false, 0, std::vector<uint8_t>(capacity + guardBytes, sentinel)};
    d.ok = decodeDeflate(data, static_cast<uint32_t>(size), d.buffer.data(), capacity, d.written);
    return d;
}

Decoded decodeRaw(const std::vector<uint8_t>& stream, uint32_t capacity) {
    return decodeRaw(stream.data(), stream.size(), capacity);
}

// A zlib stream: the decoder gets everything after the two header bytes,
// trailer included.
Decoded decodeZlib(const std::vector<uint8_t>& stream, uint32_t capacity, size_t keep = SIZE_MAX) {
    const size_t size = std::min(keep, stream.size());
    return decodeRaw(stream.data() + 2, size - 2, capacity);
}

// Output matches the expected prefix, the rest of the capacity and the guard
// are untouched.
void expectOutput(const Decoded& d, const std::vector<uint8_t>& expected, uint32_t capacity,
                  const std::string& what) {
    const size_t kept = std::min<size_t>(capacity, expected.size());
    ASSERT_TRUE(d.ok) << what;
    ASSERT_EQ(d.written, kept) << what;
    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(kept), d.buffer.begin()))
        << what;
    for (size_t i = kept; i < d.buffer.size(); ++i) {
        ASSERT_EQ(d.buffer[i], sentinel) << what << ": byte " << i << " touched";
    }
}

uint32_t firstBlockType(const std::vector<uint8_t>& zlibStream) { return (zlibStream[2] >> 1) & 3; }

struct Sample {
    std::string name;
    std::vector<uint8_t> data;
};

std::vector<Sample> samples() {
    return {{"text", textLike(70000, 1)},
            {"noise", noise(20000, 2)},
            {"runs", runs(60000, 3)},
            {"pixels", pixelsLike(96, 80, 4)},
            {"one byte", {42}},
            {"empty", {}}};
}

}  // namespace

TEST(ZlibHeader, AcceptsOnlyDeflateWithA32KWindowAndNoDictionary) {
    EXPECT_TRUE(zlibHeaderOk(0x78, 0x01));
    EXPECT_TRUE(zlibHeaderOk(0x78, 0x5E));
    EXPECT_TRUE(zlibHeaderOk(0x78, 0x9C));
    EXPECT_TRUE(zlibHeaderOk(0x78, 0xDA));
    EXPECT_FALSE(zlibHeaderOk(0x68, 0x81));  // 16 KiB window
    EXPECT_FALSE(zlibHeaderOk(0x08, 0x1D));  // 256-byte window
    EXPECT_FALSE(zlibHeaderOk(0x78, 0xBB));  // preset dictionary
    EXPECT_FALSE(zlibHeaderOk(0x78, 0x9D));  // check bits wrong
    EXPECT_FALSE(zlibHeaderOk(0x79, 0xDA));  // method 9
    // Every level zlib writes carries an accepted header.
    for (int level = 0; level <= 9; ++level) {
        const std::vector<uint8_t> z = zlibCompress({1, 2, 3}, level);
        EXPECT_TRUE(zlibHeaderOk(z[0], z[1])) << "level " << level;
    }
}

TEST(InflateZlib, EveryLevelAndStrategyDecodesExactly) {
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const Sample& sample : samples()) {
        for (int level = 0; level <= 9; ++level) {
            for (int strategy : strategies) {
                const std::vector<uint8_t> z = zlibCompress(sample.data, level, strategy);
                const uint32_t size = static_cast<uint32_t>(sample.data.size());
                const std::string what =
                    sample.name + " level " + std::to_string(level) + " strategy " + std::to_string(strategy);
                expectOutput(decodeZlib(z, size), sample.data, size, what);
            }
        }
    }
}

TEST(InflateZlib, StreamsOfEachBlockKindAreWhatTheTestsClaim) {
    const std::vector<uint8_t> text = textLike(5000, 9);
    EXPECT_EQ(firstBlockType(zlibCompress(text, 0)), 0u);
    EXPECT_EQ(firstBlockType(zlibCompress(text, 6, Z_FIXED)), 1u);
    EXPECT_EQ(firstBlockType(zlibCompress(text, 9)), 2u);
}

TEST(InflateZlib, ConcatenatedBlocksFromFlushes) {
    const std::vector<uint8_t> text = textLike(50000, 5);
    const std::vector<uint8_t> mixed = [] {
        std::vector<uint8_t> m = runs(20000, 6);
        const std::vector<uint8_t> n = noise(5000, 7);
        m.insert(m.end(), n.begin(), n.end());
        const std::vector<uint8_t> t = textLike(20000, 8);
        m.insert(m.end(), t.begin(), t.end());
        return m;
    }();
    const int flushes[] = {Z_FULL_FLUSH, Z_SYNC_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK};
    const std::vector<uint8_t> shortText = textLike(1500, 10);
    struct Split {
        const std::vector<uint8_t>* data;
        size_t every;
    };
    const Split splits[] = {{&shortText, 1}, {&text, 100}, {&text, 4096}, {&mixed, 333}, {&mixed, 4096}};
    for (const Split& split : splits) {
        const std::vector<uint8_t>* data = split.data;
        const size_t every = split.every;
        for (int flush : flushes) {
            {
                for (int level : {0, 1, 6, 9}) {
                    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
                        const std::vector<uint8_t> z = zlibCompress(*data, level, strategy, every, flush);
                        const uint32_t size = static_cast<uint32_t>(data->size());
                        expectOutput(decodeZlib(z, size), *data, size,
                                     "flush " + std::to_string(flush) + " every " + std::to_string(every) +
                                         " level " + std::to_string(level));
                    }
                }
            }
        }
    }
}

TEST(InflateCapacity, ExactLargerAndSmallerCapacities) {
    std::mt19937 rng(11);
    for (const Sample& sample : samples()) {
        if (sample.data.size() < 2) continue;
        for (int level : {0, 1, 9}) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_RLE}) {
                const std::vector<uint8_t> z = zlibCompress(sample.data, level, strategy, 7000, Z_FULL_FLUSH);
                const uint32_t size = static_cast<uint32_t>(sample.data.size());
                std::vector<uint32_t> capacities = {size, size + 1, size + 300, size - 1, size - 2, size / 2, 1, 0};
                for (int i = 0; i < 20; ++i) capacities.push_back(rng() % size);
                for (uint32_t back = 1; back <= 300 && back < size; back += 37) capacities.push_back(size - back);
                for (uint32_t capacity : capacities) {
                    expectOutput(decodeZlib(z, capacity), sample.data, capacity,
                                 sample.name + " level " + std::to_string(level) + " capacity " +
                                     std::to_string(capacity));
                }
            }
        }
    }
}

TEST(InflateTruncation, EveryCutInsideTheBlocksFailsAndTheTrailerIsNeverRead) {
    const std::vector<Sample> small = {{"text", textLike(3000, 21)},
                                       {"noise", noise(700, 22)},
                                       {"runs", runs(3000, 23)},
                                       {"pixels", pixelsLike(20, 16, 24)}};
    for (const Sample& sample : small) {
        for (int level : {0, 1, 6, 9}) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY}) {
                for (size_t every : {size_t(0), size_t(500)}) {
                    const std::vector<uint8_t> z = zlibCompress(sample.data, level, strategy, every, Z_SYNC_FLUSH);
                    const uint32_t size = static_cast<uint32_t>(sample.data.size());
                    const size_t blocksEnd = z.size() - 4;  // Adler-32 trailer follows
                    for (size_t keep = 2; keep < blocksEnd; ++keep) {
                        const Decoded d = decodeZlib(z, size, keep);
                        ASSERT_FALSE(d.ok) << sample.name << " level " << level << " cut at " << keep;
                        for (size_t i = size; i < d.buffer.size(); ++i) ASSERT_EQ(d.buffer[i], sentinel);
                    }
                    for (size_t keep = blocksEnd; keep <= z.size(); ++keep) {
                        expectOutput(decodeZlib(z, size, keep), sample.data, size, "trailer cut");
                    }
                }
            }
        }
    }
}

TEST(InflateTruncation, CutsThroughALargeStreamFailAtEveryPoint) {
    const std::vector<uint8_t> data = pixelsLike(256, 256, 31);
    for (int level : {1, 9}) {
        const std::vector<uint8_t> z = zlibCompress(data, level);
        const size_t blocksEnd = z.size() - 4;
        std::vector<size_t> cuts;
        for (size_t keep = 2; keep < blocksEnd; keep += 997) cuts.push_back(keep);
        for (size_t keep = blocksEnd > 40 ? blocksEnd - 40 : 2; keep < blocksEnd; ++keep) cuts.push_back(keep);
        for (size_t keep : cuts) {
            EXPECT_FALSE(decodeZlib(z, static_cast<uint32_t>(data.size()), keep).ok) << "cut at " << keep;
        }
    }
}

TEST(InflateBlocks, StoredBlocks) {
    // An empty stored block writes nothing; the next header starts in the
    // following byte.
    {
        BitWriter w;
        writeStoredBlock(w, false, {}, 0xFFFF);
        writeFixedBlock(w, true, {literal('a'), literal('b')});
        const std::vector<uint8_t> expected = {'a', 'b'};
        expectOutput(decodeRaw(w.bytes(), 2), expected, 2, "empty stored");
        std::vector<uint8_t> reference;
        ASSERT_TRUE(zlibInflateRaw(w.bytes(), reference, 100));
        EXPECT_EQ(reference, expected);
    }
    // LEN 300 copies exactly 300 bytes, whatever NLEN holds.
    {
        const std::vector<uint8_t> data = noise(300, 41);
        BitWriter w;
        writeStoredBlock(w, true, data, 0x1234);
        expectOutput(decodeRaw(w.bytes(), 400), data, 400, "LEN 300");
    }
    // A stored block running past the capacity is still skipped whole, so
    // the block after it is found.
    {
        const std::vector<uint8_t> data = noise(300, 42);
        BitWriter w;
        writeFixedBlock(w, false, {literal('x')});
        writeStoredBlock(w, false, data, 0);
        writeStoredBlock(w, true, {1, 2, 3}, 0);
        std::vector<uint8_t> expected = {'x'};
        expected.insert(expected.end(), data.begin(), data.end());
        expected.insert(expected.end(), {1, 2, 3});
        for (uint32_t capacity : {0u, 1u, 100u, 301u, 302u, 304u}) {
            expectOutput(decodeRaw(w.bytes(), capacity), expected, capacity, "stored past capacity");
        }
    }
    // Stored data cut short by the end of the input is a truncated stream.
    {
        BitWriter w;
        writeStoredBlock(w, true, noise(50, 43), 0);
        std::vector<uint8_t> cut = w.bytes();
        cut.resize(cut.size() - 1);
        EXPECT_FALSE(decodeRaw(cut, 100).ok);
        cut.resize(3);  // inside LEN/NLEN
        EXPECT_FALSE(decodeRaw(cut, 100).ok);
    }
}

TEST(InflateBlocks, MatchesRepeatTheirPattern) {
    const std::vector<uint16_t> literalLengths = completeLiteralLengths();
    const std::vector<uint16_t> distanceLengths = completeDistanceLengths();
    for (uint32_t distance = 1; distance <= 20; ++distance) {
        std::vector<Token> tokens;
        for (uint32_t i = 0; i < distance; ++i) tokens.push_back(literal(static_cast<uint8_t>('a' + i)));
        tokens.push_back(match(258, distance));
        tokens.push_back(match(3, distance));
        tokens.push_back(match(17, distance));
        const std::vector<uint8_t> expected = expand(tokens);
        for (bool dynamic : {false, true}) {
            BitWriter w;
            if (dynamic) {
                writeDynamicBlock(w, true, literalLengths, distanceLengths, tokens);
            } else {
                writeFixedBlock(w, true, tokens);
            }
            for (uint32_t capacity : {uint32_t(expected.size()), uint32_t(expected.size() + 50), distance + 100u}) {
                expectOutput(decodeRaw(w.bytes(), capacity), expected, capacity,
                             "distance " + std::to_string(distance));
            }
            std::vector<uint8_t> reference;
            ASSERT_TRUE(zlibInflateRaw(w.bytes(), reference, 4096));
            EXPECT_EQ(reference, expected);
        }
    }
}

TEST(InflateBlocks, FixedTablesSurviveStoredBlocksAndAreRebuiltAfterADynamicBlock) {
    // A complete dynamic code that differs from the fixed one.
    const std::vector<uint16_t> literalLengths = completeLiteralLengths();
    const std::vector<uint16_t> distanceLengths = completeDistanceLengths();
    const std::vector<Token> first = {literal('q'), literal('r'), match(10, 2), literal(200)};
    const std::vector<Token> second = {literal(0), literal(255), match(30, 5), literal('z')};

    BitWriter w;
    writeFixedBlock(w, false, first);
    writeStoredBlock(w, false, {7, 8, 9}, 0xFFFF ^ 3);
    writeFixedBlock(w, false, second);
    writeDynamicBlock(w, false, literalLengths, distanceLengths, first);
    writeFixedBlock(w, false, second);
    writeFixedBlock(w, true, first);

    std::vector<uint8_t> expected;
    auto append = [&](const std::vector<Token>& tokens) {
        // Matches in later blocks reach back across block boundaries.
        std::vector<Token> all;
        std::vector<uint8_t> copy = expected;
        for (uint8_t b : copy) all.push_back(literal(b));
        all.insert(all.end(), tokens.begin(), tokens.end());
        expected = expand(all);
    };
    append(first);
    expected.insert(expected.end(), {7, 8, 9});
    append(second);
    append(first);
    append(second);
    append(first);
    const uint32_t size = static_cast<uint32_t>(expected.size());
    expectOutput(decodeRaw(w.bytes(), size), expected, size, "fixed/stored/dynamic mix");
    std::vector<uint8_t> reference;
    ASSERT_TRUE(zlibInflateRaw(w.bytes(), reference, 1000));
    EXPECT_EQ(reference, expected);
}

TEST(InflateBlocks, DynamicBlockWithoutDistanceCodesDecodesLiteralsOnly) {
    std::vector<uint16_t> literalLengths(257, 0);
    literalLengths['h'] = 2;
    literalLengths['i'] = 2;
    literalLengths['!'] = 2;
    literalLengths[256] = 2;
    const std::vector<uint16_t> noDistances(1, 0);
    BitWriter w;
    writeDynamicBlock(w, true, literalLengths, noDistances, {literal('h'), literal('i'), literal('!')});
    const std::vector<uint8_t> expected = {'h', 'i', '!'};
    expectOutput(decodeRaw(w.bytes(), 3), expected, 3, "literals only");
    std::vector<uint8_t> reference;
    ASSERT_TRUE(zlibInflateRaw(w.bytes(), reference, 16));
    EXPECT_EQ(reference, expected);

    // The same block with a length code but no distance code fails.
    literalLengths.resize(258, 0);
    literalLengths[257] = 3;
    literalLengths[256] = 3;
    BitWriter bad;
    writeDynamicBlock(bad, true, literalLengths, noDistances, {literal('h'), literal('h'), literal('h'), match(3, 1)});
    EXPECT_FALSE(decodeRaw(bad.bytes(), 100).ok);
}

TEST(InflateBlocks, BitsAfterTheFinalBlockAreIgnored) {
    BitWriter w;
    writeFixedBlock(w, true, {literal('o'), literal('k')});
    std::vector<uint8_t> stream = w.bytes();
    stream.back() = static_cast<uint8_t>(stream.back() | 0x80);  // a stray bit after the end-of-block code
    stream.insert(stream.end(), {0xFF, 0x00, 0x13});              // and whole stray bytes
    const std::vector<uint8_t> expected = {'o', 'k'};
    expectOutput(decodeRaw(stream, 2), expected, 2, "stray bits");
}

TEST(InflateMalformed, BlockTypeThreeAndDistancesBeforeTheStartFail) {
    {
        BitWriter w;
        w.put(1, 1);
        w.put(3, 2);
        w.put(0, 32);
        EXPECT_FALSE(decodeRaw(w.bytes(), 10).ok);
    }
    {
        // Reserved type after a good block still fails.
        BitWriter w;
        writeFixedBlock(w, false, {literal('a')});
        w.put(1, 1);
        w.put(3, 2);
        w.put(0, 32);
        EXPECT_FALSE(decodeRaw(w.bytes(), 10).ok);
    }
    for (uint32_t capacity : {0u, 1u, 2u, 100u}) {
        BitWriter w;
        writeFixedBlock(w, true, {literal('a'), literal('b'), match(3, 3)});
        EXPECT_FALSE(decodeRaw(w.bytes(), capacity).ok) << capacity;
        BitWriter good;
        writeFixedBlock(good, true, {literal('a'), literal('b'), match(3, 2)});
        EXPECT_TRUE(decodeRaw(good.bytes(), capacity).ok) << capacity;
    }
    {
        // With no capacity at all nothing is kept and nothing read from
        // before the buffer, yet the distances are measured all the same.
        BitWriter w;
        writeFixedBlock(w, true, {literal('a'), match(10, 1), match(258, 11)});
        expectOutput(decodeRaw(w.bytes(), 0), {}, 0, "no capacity");
        BitWriter far;
        writeFixedBlock(far, true, {literal('a'), match(10, 1), match(258, 12)});
        EXPECT_FALSE(decodeRaw(far.bytes(), 0).ok);
    }
    {
        // Past the capacity a distance is still measured from the start of
        // the stream, not of what was kept.
        BitWriter w;
        std::vector<Token> tokens;
        for (int i = 0; i < 40; ++i) tokens.push_back(literal(static_cast<uint8_t>(i)));
        tokens.push_back(match(20, 35));
        writeFixedBlock(w, true, tokens);
        expectOutput(decodeRaw(w.bytes(), 10), expand(tokens), 10, "distance past capacity");
    }
}

TEST(InflateMalformed, BrokenCodeLengthSequencesFail) {
    const std::vector<uint16_t> cl = defaultCodeLengthLengths();
    // A repeat of the previous length with nothing before it.
    {
        BitWriter w;
        writeDynamicHeader(w, true, 257, 1, cl, {{16, 0}});
        w.put(0, 64);
        EXPECT_FALSE(decodeRaw(w.bytes(), 100).ok);
    }
    // Repeats running past HLIT + HDIST lengths: 258 lengths wanted, 138 + 138 sent.
    for (uint32_t symbol : {16u, 17u, 18u}) {
        std::vector<LengthCode> sequence = {{8, 0}};
        const uint32_t extra = symbol == 16 ? 3 : symbol == 17 ? 7 : 127;
        for (int i = 0; i < 100; ++i) sequence.push_back({symbol, extra});
        BitWriter w;
        writeDynamicHeader(w, true, 257, 1, cl, sequence);
        w.put(0, 64);
        EXPECT_FALSE(decodeRaw(w.bytes(), 100).ok) << symbol;
    }
    // No code-length codes at all.
    {
        BitWriter w;
        writeDynamicHeader(w, true, 257, 1, std::vector<uint16_t>(19, 0), {});
        w.put(0xFFFFFFFF, 32);
        EXPECT_FALSE(decodeRaw(w.bytes(), 100).ok);
    }
    // A literal/length set without any code: only a distance is coded.
    {
        std::vector<LengthCode> sequence = {{18, 127}, {18, 127}, {18, 0}, {1, 0}};  // 138 + 138 + 11 zeros
        BitWriter w;
        writeDynamicHeader(w, true, 287, 1, cl, sequence);
        w.put(0, 64);
        EXPECT_FALSE(decodeRaw(w.bytes(), 100).ok);
    }
}

TEST(InflateMalformed, IncompleteCodesDecodeTheirCodesAndRejectTheRest) {
    // 'a' = 0, end of block = 10; the code 11 is unused.
    std::vector<uint16_t> literalLengths(257, 0);
    literalLengths['a'] = 1;
    literalLengths[256] = 2;
    const std::vector<uint16_t> distanceLengths(1, 0);
    BitWriter w;
    writeDynamicBlock(w, true, literalLengths, distanceLengths, {literal('a'), literal('a'), literal('a')});
    const std::vector<uint8_t> expected = {'a', 'a', 'a'};
    expectOutput(decodeRaw(w.bytes(), 3), expected, 3, "incomplete code");

    BitWriter bad;
    writeDynamicBlock(bad, true, literalLengths, distanceLengths, {literal('a')}, false);
    bad.putCode(3, 2);  // the unused code
    bad.put(0, 16);
    EXPECT_FALSE(decodeRaw(bad.bytes(), 10).ok);
}

TEST(InflateMalformed, SymbolsWithoutMeaningFail) {
    // Literal/length symbols 286 and 287, distance symbols 30 and 31.
    for (uint32_t symbol : {286u, 287u}) {
        std::vector<uint16_t> literalLengths(288, 9);
        BitWriter w;
        writeDynamicBlock(w, true, literalLengths, std::vector<uint16_t>(30, 5), {literal('a')}, false);
        Code(literalLengths).write(w, symbol);
        w.put(0, 32);
        EXPECT_FALSE(decodeRaw(w.bytes(), 10).ok) << symbol;
    }
    for (uint32_t symbol : {30u, 31u}) {
        const std::vector<uint16_t> literalLengths = fixedLiteralLengths();
        const std::vector<uint16_t> distanceLengths(32, 5);
        BitWriter w;
        writeDynamicBlock(w, true, literalLengths, distanceLengths, {literal('a')}, false);
        Code(literalLengths).write(w, 257);
        Code(distanceLengths).write(w, symbol);
        w.put(0, 32);
        EXPECT_FALSE(decodeRaw(w.bytes(), 10).ok) << symbol;
    }
}

TEST(InflateMalformed, CodeSetsTooLargeForTheTableSpaceFailWithoutStrayWrites) {
    // Every literal/length code 11 bits long: the root widens to 11 bits,
    // 2048 slots, more than the space holds.
    {
        BitWriter w;
        writeDynamicBlock(w, true, std::vector<uint16_t>(288, 11), std::vector<uint16_t>(30, 5), {literal('a')});
        EXPECT_FALSE(decodeRaw(w.bytes(), 10).ok);
    }
    // The same for distances: 15-bit codes only.
    {
        BitWriter w;
        writeDynamicBlock(w, true, fixedLiteralLengths(), std::vector<uint16_t>(32, 15), {literal('a')});
        EXPECT_FALSE(decodeRaw(w.bytes(), 10).ok);
    }
    // Over-subscribed sets decode to something or fail, but stay in bounds.
    for (uint16_t length : {1, 2, 7, 9, 10, 15}) {
        BitWriter w;
        std::vector<uint16_t> literalLengths(288, length);
        literalLengths[0] = 1;
        writeDynamicHeader(w, true, 288, 32, defaultCodeLengthLengths(), [&] {
            std::vector<LengthCode> s;
            for (uint16_t l : literalLengths) s.push_back({l, 0});
            for (int i = 0; i < 32; ++i) s.push_back({length, 0});
            return s;
        }());
        const std::vector<uint8_t> tail = noise(200, length);
        for (uint8_t b : tail) w.put(b, 8);
        const Decoded d = decodeRaw(w.bytes(), 64);
        for (size_t i = 64; i < d.buffer.size(); ++i) ASSERT_EQ(d.buffer[i], sentinel) << length;
    }
}

// Long random token streams keep the fast loop busy across many matches and
// hand over to the exact path at every kind of boundary.
TEST(InflateFastPath, RandomTokenStreamsAtManyCapacities) {
    std::mt19937 rng(77);
    for (int round = 0; round < 6; ++round) {
        std::vector<Token> tokens;
        size_t produced = 0;
        while (produced < 150000) {
            if (produced < 2 || rng() % 3 == 0) {
                tokens.push_back(literal(static_cast<uint8_t>(rng() % (round % 2 ? 4 : 256))));
                ++produced;
                continue;
            }
            const uint32_t maxDistance = static_cast<uint32_t>(std::min<size_t>(produced, 32768));
            const uint32_t distance = rng() % 4 == 0 ? 1 + rng() % std::min<uint32_t>(maxDistance, 20)
                                                     : 1 + rng() % maxDistance;
            const uint32_t length = rng() % 5 == 0 ? 258 : 3 + rng() % 256;
            tokens.push_back(match(length, distance));
            produced += length;
        }
        const std::vector<uint8_t> expected = expand(tokens);
        BitWriter w;
        const size_t half = tokens.size() / 2;
        const std::vector<Token> a(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(half));
        const std::vector<Token> b(tokens.begin() + static_cast<std::ptrdiff_t>(half), tokens.end());
        if (round % 3 == 0) {
            writeFixedBlock(w, false, a);
            writeFixedBlock(w, true, b);
        } else {
            writeDynamicBlock(w, false, completeLiteralLengths(), completeDistanceLengths(), a);
            writeFixedBlock(w, true, b);
        }
        std::vector<uint8_t> reference;
        ASSERT_TRUE(zlibInflateRaw(w.bytes(), reference, expected.size() + 10));
        ASSERT_EQ(reference, expected);

        const uint32_t size = static_cast<uint32_t>(expected.size());
        std::vector<uint32_t> capacities = {size};
        for (int i = 0; i < 12; ++i) capacities.push_back(rng() % size);
        for (uint32_t back = 1; back < 600; back += 23) capacities.push_back(size - back);
        for (uint32_t capacity : capacities) {
            expectOutput(decodeRaw(w.bytes(), capacity), expected, capacity, "capacity " + std::to_string(capacity));
        }
        // And cut inputs near the end, where the fast loop must hand over.
        for (size_t cut = 1; cut < 20; ++cut) {
            EXPECT_FALSE(decodeRaw(w.bytes().data(), w.bytes().size() - cut, size).ok) << cut;
        }
    }
}
