// decodeDeflate against zlib's encoder, and against hand-made streams that
// reach the corners zlib never produces. Every decode goes into a
// sentinel-filled buffer with a guard zone behind the capacity.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "image/inflate.h"
#include "image/inflate_variant.h"
#include "tests/image/test_data.h"

using namespace testing_image;
using W = BitWriter;

namespace {

constexpr uint8_t sentinel = 0xA5;
constexpr Sample text = Sample::text, runs = Sample::runs;

struct Decoded { bool ok; uint32_t written; Bytes buffer; };  // buffer: capacity bytes and the guard

Decoded decode(const Bytes& stream, uint32_t capacity, size_t from = 0, size_t to = SIZE_MAX) {
    Decoded d{false, 0, Bytes(capacity + 64, sentinel)};
    const uint32_t size = uint32_t(std::min(to, stream.size()) - from);
    d.ok = decodeDeflate(stream.data() + from, size, d.buffer.data(), capacity, d.written);
    return d;
}

void expectUntouchedFrom(const Decoded& d, size_t from) {
    for (size_t i = from; i < d.buffer.size(); ++i) ASSERT_EQ(d.buffer[i], sentinel) << "byte " << i << " touched";
}

// Success with the first `capacity` bytes of `expected`, nothing else written.
void expectOutput(const Decoded& d, const Bytes& expected, uint32_t capacity) {
    const size_t kept = std::min<size_t>(capacity, expected.size());
    ASSERT_TRUE(d.ok) << "capacity " << capacity;
    ASSERT_EQ(d.written, kept) << "capacity " << capacity;
    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + std::ptrdiff_t(kept), d.buffer.begin())) << capacity;
    expectUntouchedFrom(d, kept);
}

// None, a little, about half, around the exact size and a longest match
// before it, beyond it, and a few at random.
std::vector<uint32_t> capacitiesFor(uint32_t size, std::mt19937& rng) {
    std::vector<uint32_t> out = {0, 1, size / 2, size + 1, size + 300};
    for (uint32_t back : {0u, 1u, 2u, 3u, 37u, 100u, 257u, 258u, 259u, 300u, 555u}) {
        out.push_back(size - std::min(back, size));
    }
    for (int i = 0; i < 4; ++i) out.push_back(uint32_t(rng() % (size + 1)));
    return out;
}

}  // namespace

// Every CMF and FLG pair against zlib, which ends an empty stream after a
// header it takes, asks for a dictionary when FDICT is set and refuses the
// rest (another method, a window field above 7, a wrong FCHECK).
TEST(ZlibHeader, AcceptsWhatZlibDecodesWithoutADictionary) {
    std::set<uint32_t> windows;  // CMFs zlib takes
    for (uint32_t cmf = 0; cmf < 256; ++cmf) {
        for (uint32_t flg = 0; flg < 256; ++flg) {
            Bytes stream = {uint8_t(cmf), uint8_t(flg), 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
            z_stream z{};
            ASSERT_EQ(inflateInit(&z), Z_OK);
            z.next_in = stream.data();
            z.avail_in = uInt(stream.size());
            uint8_t out[1];
            z.next_out = out;
            z.avail_out = 1;
            const bool zlibEnds = inflate(&z, Z_FINISH) == Z_STREAM_END;
            inflateEnd(&z);
            ASSERT_EQ(zlibHeaderOk(uint8_t(cmf), uint8_t(flg)), zlibEnds) << cmf << " " << flg;
            if (zlibEnds) windows.insert(cmf);
        }
    }
    EXPECT_EQ(windows, (std::set<uint32_t>{0x08, 0x18, 0x28, 0x38, 0x48, 0x58, 0x68, 0x78}));
}

// The decoder gets everything after the two header bytes, Adler-32 trailer
// included. Each stream is also made again with flushes after every so many
// bytes, giving concatenated blocks, and decoded at many capacities.
TEST(InflateZlib, EveryLevelStrategyAndFlush) {
    std::mt19937 rng(11);
    const std::pair<Bytes, size_t> samples[] = {
        {sample(text, 70000, 1), 4096}, {noise(20000, 2), 333}, {sample(runs, 60000, 3), 100},
        {cat<uint8_t>({sample(runs, 20000, 6), noise(5000, 7), sample(text, 20000, 8)}), 7000},
        {sample(text, 1500, 10), 1},    {{42}, 1},              {{}, 0}};
    const int flushes[] = {Z_FULL_FLUSH, Z_SYNC_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK};
    for (const auto& [data, every] : samples) {
        const uint32_t size = uint32_t(data.size());
        for (int level = 0; level <= 9; ++level) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
                SCOPED_TRACE(testing::Message() << "size " << size << " level " << level << " strategy " << strategy);
                const Bytes whole = zlibCompress(data, level, strategy);
                ASSERT_TRUE(zlibHeaderOk(whole[0], whole[1]));
                expectOutput(decode(whole, size, 2), data, size);
                // Small samples cut at every byte: inside the blocks the decode fails, in the trailer it does
                // not matter, as the trailer is never read.
                for (size_t keep = 2; size < 2000 && keep < whole.size(); ++keep) {
                    const Decoded d = decode(whole, size, 2, keep);
                    ASSERT_EQ(d.ok, keep + 4 >= whole.size()) << "cut at " << keep;
                    if (d.ok) expectOutput(d, data, size);
                    expectUntouchedFrom(d, size);
                }
                const Bytes split = zlibCompress(data, level, strategy, every, flushes[(level + strategy) % 4]);
                for (uint32_t capacity : capacitiesFor(size, rng)) {
                    expectOutput(decode(split, capacity, 2), data, capacity);
                }
            }
        }
    }
    // Stored, fixed and dynamic streams are what the levels above gave.
    const Bytes words = sample(text, 5000, 9);
    EXPECT_EQ((zlibCompress(words, 0)[2] >> 1) & 3, 0);
    EXPECT_EQ((zlibCompress(words, 6, Z_FIXED)[2] >> 1) & 3, 1);
    EXPECT_EQ((zlibCompress(words, 9)[2] >> 1) & 3, 2);
}

// Hand-made streams, long random ones among them to keep the fast loop busy
// and hand over to the exact path at every kind of boundary. Each is decoded
// at many capacities: good streams give their bytes and fail when cut short,
// bad ones fail (over-subscribed code sets may also decode), and none writes
// past its capacity.
TEST(InflateBlocks, HandMadeStreams) {
    const Tokens one = {lit('q'), lit('r'), match(10, 2), lit(200)}, early = {lit('a'), match(10, 1), match(258, 11)};
    const Tokens two = {lit(0), lit(255), match(30, 5), lit('z')}, a = {lit('a')};
    Tokens forty;
    for (int i = 0; i < 40; ++i) forty.push_back(lit(uint8_t(i)));
    forty.push_back(match(20, 35));
    const Lengths dynL = dynamicLiterals(), dynD = dynamicDistances(), cl = codeLengthCode(), l288 = Lengths(288, 9);
    const Lengths hi = sparse(257, {{'h', 2}, {'i', 2}, {'!', 2}, {256, 2}}), aEnd = sparse(257, {{'a', 1}, {256, 2}});
    const Lengths fixedL = fixedLiterals(), d32 = Lengths(32, 5);
    const Bytes stored = W().stored(true, noise(50, 43), 0).bytes;
    Bytes type3 = W().dynamic(true, dynL, dynD, one).bytes;
    type3[0] |= 6;
    const auto repeats = [](uint32_t symbol, uint32_t extra) {
        std::vector<std::pair<uint32_t, uint32_t>> sequence(101, {symbol, extra});
        sequence[0] = {8, 0};
        return sequence;
    };
    const auto tail = [](W w) { return w.put(0, 64).bytes; };
    std::vector<std::tuple<std::string, Bytes, std::optional<Bytes>>> cases = {
        {"empty stored block, then a header in the next byte",
         W().stored(false, {}, 0xFFFF).fixed(true, {lit('a'), lit('b')}).bytes, Bytes{'a', 'b'}},
        {"LEN counts, NLEN is not compared", W().stored(true, noise(300, 41), 0x1234).bytes, noise(300, 41)},
        {"stored blocks after bits, skipped whole past a capacity",
         W().fixed(false, {lit('x')}).stored(false, noise(300, 42), 0).stored(true, {1, 2, 3}, 0).bytes,
         cat<uint8_t>({{'x'}, noise(300, 42), {1, 2, 3}})},
        {"fixed tables survive a stored block and are rebuilt after a dynamic one",
         W().fixed(false, one).stored(false, {7, 8, 9}, 0xFFFC).fixed(false, two).dynamic(false, dynL, dynD, one)
             .fixed(false, two).fixed(true, one).bytes,
         expand(cat<Token>({one, {lit(7), lit(8), lit(9)}, two, one, two, one}))},
        {"no distance codes", W().dynamic(true, hi, {0}, {lit('h'), lit('i'), lit('!')}).bytes, Bytes{'h', 'i', '!'}},
        {"incomplete code", W().dynamic(true, aEnd, {0}, {lit('a'), lit('a'), lit('a')}).bytes, Bytes{'a', 'a', 'a'}},
        {"stray bits after the final block", W().fixed(true, {lit('o'), lit('k')}).put(0x20, 6).bytes, Bytes{'o', 'k'}},
        {"distances count from the start, kept or not", W().fixed(true, forty).bytes, expand(forty)},
        {"match from the very first byte", W().fixed(true, early).bytes, expand(early)},
        {"block type 3", W().put(7, 35).bytes, {}},
        {"block type 3 after a good block", W().fixed(false, a).put(7, 35).bytes, {}},
        {"block type 3 with a dynamic block's body", type3, {}},
        {"distance before the start", W().fixed(true, {lit('a'), lit('b'), match(3, 3)}).bytes, {}},
        {"distance before the start, none kept", W().fixed(true, {lit('a'), match(10, 1), match(258, 12)}).bytes, {}},
        {"stored data cut short", Bytes(stored.begin(), stored.end() - 1), {}},
        {"stored block cut inside LEN and NLEN", Bytes(stored.begin(), stored.begin() + 3), {}},
        {"repeat 16 first", tail(W().header(true, 257, 1, cl, {{16, 0}})), {}},
        {"repeat 16 past HLIT + HDIST", tail(W().header(true, 257, 1, cl, repeats(16, 3))), {}},
        {"repeat 17 past HLIT + HDIST", tail(W().header(true, 257, 1, cl, repeats(17, 7))), {}},
        {"repeat 18 past HLIT + HDIST", tail(W().header(true, 257, 1, cl, repeats(18, 127))), {}},
        {"no code-length codes", W().header(true, 257, 1, Lengths(19, 0), {}).put(~0u, 32).bytes, {}},
        {"no literal/length code: 287 zeros, then a distance",
         tail(W().header(true, 287, 1, cl, {{18, 127}, {18, 127}, {18, 0}, {1, 0}})), {}},
        {"length code without distance codes",
         W().dynamic(true, sparse(258, {{'h', 2}, {'i', 2}, {'!', 2}, {256, 3}, {257, 3}}), {0},
                     {lit('h'), lit('h'), lit('h'), match(3, 1)}).bytes, {}},
        {"unused code of an incomplete set", tail(W().dynamic(true, aEnd, {0}, a, false).put(3, 2)), {}},
        {"literal/length symbol 286", tail(W().dynamic(true, l288, {5}, a, false).code(l288, 286)), {}},
        {"literal/length symbol 287", tail(W().dynamic(true, l288, {5}, a, false).code(l288, 287)), {}},
        {"distance symbol 30", tail(W().dynamic(true, fixedL, d32, a, false).code(fixedL, 257).code(d32, 30)), {}},
        {"distance symbol 31", tail(W().dynamic(true, fixedL, d32, a, false).code(fixedL, 257).code(d32, 31)), {}},
        {"11-bit literal codes: more table than there is", W().dynamic(true, Lengths(288, 11), {5}, a).bytes, {}},
        {"15-bit distance codes: more table than there is", W().dynamic(true, fixedL, Lengths(32, 15), a).bytes, {}},
    };
    for (uint16_t length : {1, 2, 7, 9, 10, 15}) {
        std::vector<std::pair<uint32_t, uint32_t>> sequence(288 + 32, {length, 0});
        sequence[0].first = 1;
        W w = W().header(true, 288, 32, cl, sequence);
        for (uint8_t b : noise(200, length)) w.put(b, 8);
        cases.push_back({"over-subscribed " + std::to_string(length) + "-bit codes", w.bytes, {}});
    }
    for (uint32_t distance = 1; distance <= 20; ++distance) {
        Tokens tokens;
        for (uint32_t i = 0; i < distance; ++i) tokens.push_back(lit(uint8_t('a' + i)));
        for (uint32_t length : {258u, 3u, 17u, 8u, 16u}) tokens.push_back(match(length, distance));
        const std::string what = "distance " + std::to_string(distance);
        cases.push_back({"fixed, " + what, W().fixed(true, tokens).bytes, expand(tokens)});
        cases.push_back({"dynamic, " + what, W().dynamic(true, dynL, dynD, tokens).bytes, expand(tokens)});
    }
    // Random tokens: literals below `alphabet`; matches up to `farthest` back, a quarter of them
    // from at most 20 back, a fifth 258 long, half of the rest shorter than 17.
    std::mt19937 rng(77);
    const auto randomTokens = [&rng](size_t size, uint32_t farthest, uint32_t alphabet) {
        Tokens tokens;
        for (size_t produced = 0; produced < size;) {
            if (produced < 2 || rng() % 3 == 0) {
                tokens.push_back(lit(uint8_t(rng() % alphabet)));
                ++produced;
                continue;
            }
            const uint32_t reach = uint32_t(std::min<size_t>(produced, farthest));
            const uint32_t distance =
                1 + rng() % (rng() % 4 == 0 ? std::min<uint32_t>(reach, 20) : reach);
            tokens.push_back(
                match(rng() % 5 == 0 ? 258 : 3 + rng() % (rng() % 2 ? 14 : 256), distance));
            produced += tokens.back().length;
        }
        return tokens;
    };
    for (int round = 0; round < 6; ++round) {
        const Tokens tokens = randomTokens(150000, 32768, round % 2 ? 4 : 256);
        const auto half = tokens.begin() + std::ptrdiff_t(tokens.size() / 2);
        const Tokens start(tokens.begin(), half), rest(half, tokens.end());
        W w = round % 3 == 0 ? W().fixed(false, start) : W().dynamic(false, dynL, dynD, start);
        cases.push_back({"random tokens, round " + std::to_string(round), w.fixed(true, rest).bytes, expand(tokens)});
    }
    // Complete codes with literals 0..7 in 9 to 15 bits and distance symbols 0..15 in 1 to 15 bits,
    // more than the fast loop's tables index for some of each.
    const Lengths longL =
        runsOf({{1, 9}, {1, 10}, {1, 11}, {1, 12}, {1, 13}, {1, 14}, {2, 15}, {46, 9}, {232, 8}});
    Lengths longD = {15};
    for (uint16_t length = 15; length >= 1; --length) longD.insert(longD.begin(), length);
    const Tokens longCodes = randomTokens(60000, 256, 256), far = randomTokens(60000, 32768, 256);
    const Tokens periods = randomTokens(60000, 7, 256), ones = randomTokens(20000, 1, 256),
                 run(300, lit('r'));
    const Tokens runThenFar = cat<Token>({run, {match(3, 1000)}, run}),
                 runThenMatch = cat<Token>({run, {match(3, 1)}});
    cases.insert(
        cases.end(),
        {
            {"codes longer than the fast tables", W().dynamic(true, longL, longD, longCodes).bytes,
             expand(longCodes)},
            {"9-bit distance codes: a root wider than the fast table",
             W().dynamic(true, dynL, Lengths(30, 9), far).bytes, expand(far)},
            {"distances 1 to 7 only", W().dynamic(true, dynL, dynD, periods).bytes,
             expand(periods)},
            {"one distance code", W().dynamic(true, dynL, {1}, ones).bytes, expand(ones)},
            {"distance before the start, after 300 bytes", W().fixed(true, runThenFar).bytes, {}},
            {"length code without distance codes, after 300 bytes",
             W().dynamic(true, sparse(258, {{'r', 1}, {256, 2}, {257, 2}}), {0}, runThenMatch)
                 .bytes,
             {}},
            {"unused code of an incomplete set, after 300 bytes",
             W().dynamic(true, sparse(257, {{'r', 1}, {256, 2}}), {0}, run, false).put(3, 2).bytes,
             {}},
        });
    // Each case also with 64 bytes after it, so that the fast loop can run to the stream's end,
    // unless where the input ends is the point; and in every build of the fast loop the CPU has.
    const InflateVariant chosen = inflateVariant;
    for (InflateVariant variant : {InflateVariant::Portable, InflateVariant::Bmi2}) {
        if (!inflateVariantAvailable(variant)) continue;
        inflateVariant = variant;
        for (const auto& [what, stream, expected] : cases) {
            SCOPED_TRACE(what + (variant == InflateVariant::Bmi2 ? ", BMI2" : ", portable"));
            const bool mustFail = !expected && what.find("over-subscribed") == std::string::npos;
            const Bytes padded = what.find("cut") != std::string::npos
                                     ? stream
                                     : cat<uint8_t>({stream, Bytes(64, 0)});
            for (uint32_t capacity :
                 capacitiesFor(uint32_t(expected ? expected->size() : 1000), rng)) {
                for (const Bytes* input : {&stream, &padded}) {
                    const Decoded d = decode(*input, capacity);
                    if (expected) expectOutput(d, *expected, capacity);
                    EXPECT_FALSE(mustFail && d.ok) << capacity;
                    expectUntouchedFrom(d, d.written);
                }
            }
            // Below a longest match of room only the exact path runs: the fast loop must agree with
            // it.
            constexpr uint32_t exactOnly = 257;
            const Decoded exact = decode(padded, exactOnly), fast = decode(padded, 1 << 20);
            EXPECT_EQ(exact.ok, fast.ok);
            EXPECT_EQ(exact.written, std::min(exactOnly, fast.written));
            EXPECT_TRUE(std::equal(exact.buffer.begin(), exact.buffer.begin() + exact.written,
                                   fast.buffer.begin()));
            for (size_t cut = 1; expected && cut < std::min<size_t>(20, stream.size()); ++cut) {
                EXPECT_FALSE(decode(stream, uint32_t(expected->size()), 0, stream.size() - cut).ok)
                    << "cut " << cut;
            }
        }
    }
    inflateVariant = chosen;
}

// The two codes that need the most table slots, 852 + 592, fill the whole
// table space; with every literal, length and distance symbol used, the
// block decodes as zlib decodes it.
TEST(InflateBlocks, LargestTablesDecodeAsZlibDoes) {
    const Lengths literals = largestLiteralLengthCode(), distances = largestDistanceCode();
    std::mt19937 rng(852);
    Tokens tokens;
    size_t produced = 0;
    for (uint32_t i = 0; produced < 70000; ++i) {
        const uint32_t l = i % 29, d = i % 30;
        const uint32_t length = lengthBase(l) + rng() % (1u << lengthExtra(l));
        const uint32_t distance = distanceBase(d) + rng() % (1u << distanceExtra(d));
        tokens.push_back(lit(uint8_t(i)));
        tokens.push_back(distance <= produced + 1 ? match(length, distance) : lit(uint8_t(rng())));
        produced += 1 + (tokens.back().length != 0 ? length : 1);
    }
    const Bytes stream = W().dynamic(true, literals, distances, tokens).bytes;
    const Bytes zlibOut = zlibInflateRaw(stream, produced);
    ASSERT_EQ(zlibOut.size(), produced) << "zlib refused the stream";
    expectOutput(decode(stream, uint32_t(produced)), zlibOut, uint32_t(produced));
}
