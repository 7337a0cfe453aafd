// decodeDeflate through one table of streams; the codes the wide tables take, and how they decode.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/inflate.h"
#include "image/inflate_variant.h"
#include "image/wide_table.h"
#include "tests/image/test_data.h"

using namespace testing_image;
using W = BitWriter;

namespace {

constexpr auto L = TableKind::LiteralLengthTable;
constexpr auto D = TableKind::DistanceTable;

// 'a'-'d' in 3 bits, 'e'-'i', lengths 3-10 and 258 in 5, end in 4: short codes that pair.
const Lengths pairingCode = runsOf({'a', 0, 4, 3, 5, 5, 150, 0, 1, 4, 8, 5, 20, 0, 1, 5});
// 'x' and 'y' in 2 bits; the end, lengths 10, 11 to 12 and 258 in 3.
const Lengths shortCode = runsOf({'x', 0, 2, 2, 134, 0, 1, 3, 7, 0, 2, 3, 19, 0, 1, 3});

// Tokens for `size` bytes using every symbol of the codes in turn.
Tokens tokensFor(const Lengths& literals, const Lengths& distances, size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> bytes, lengths, dists;
    for (uint32_t s = 0; s < 286; ++s)
        if (literals[s] != 0 && s != 256)
            (s < 256 ? bytes : lengths).push_back(s < 256 ? s : s - 257);
    for (uint32_t s = 0; s < distances.size() && s < 30; ++s)
        if (distances[s] != 0) dists.push_back(s);
    Tokens out;
    for (size_t i = 0, made = 0; made < size; made += std::max(out.back().length, 1u)) {
        const uint32_t l = lengths[i % lengths.size()], d = dists[i++ % dists.size()];
        const uint32_t distance = baseOf(false, d) + rng() % (1u << extraBits(false, d));
        const uint32_t length = baseOf(true, l) + rng() % (1u << extraBits(true, l));
        const bool literal = distance > made || rng() % 3 == 0;
        out.push_back(literal ? Token{0, bytes[i % bytes.size()]} : Token{length, distance});
    }
    return out;
}

// zlib's reading of a raw stream cut after `length` bytes: whether the cut
// falls in the data of the final block, a stored one, and the bytes it gave.
std::pair<bool, size_t> zlibOnCut(const Bytes& stream, size_t length, size_t capacity) {
    z_stream z{};
    inflateInit2(&z, -15);
    Bytes out(capacity + 1);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(length);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    inflate(&z, Z_NO_FLUSH);
    // -1 above, the stored bytes still to copy below: inside a stored block.
    const long mark = inflateMark(&z);
    const bool inFinalStored =
        (z.data_type & 64) != 0 && (mark >> 16) == -1 && (mark & 0xFFFF) != 0;
    inflateEnd(&z);
    return {inFinalStored, z.total_out};
}

}  // namespace

TEST(Inflate, Streams) {
    // A name, the stream, what it gives (none: it fails, for that reason), and its
    // unread trailer (Adler-32). Cut further, it fails as its input ends, but for a
    // cut in the data of a final stored block, where it ends (as zlib says).
    using R = RefusalReason;
    std::vector<std::tuple<std::string, Bytes, std::optional<Bytes>, uint32_t, R>> cases;
    const std::pair<Bytes, size_t> samples[] = {{sample(70000, 1), 4096},
                                                {sample(20000, 2, 0), 333},
                                                {sample(60000, 3, 7), 1000},
                                                {sample(40000, 4, 300), 7000},
                                                {sample(1500, 5), 1},
                                                {{42}, 1},
                                                {{}, 0}};
    const int flushes[] = {Z_FULL_FLUSH, Z_SYNC_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK};
    for (const auto& [data, every] : samples) {
        for (int level : {0, 1, 5, 9}) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
                const int flush = flushes[(level + strategy) % 4];
                const std::string name = "zlib's " + std::to_string(data.size()) +
                                         " bytes, level " + std::to_string(level) + ", strategy " +
                                         std::to_string(strategy);
                const Bytes z = zlibCompress(data, level, strategy),
                            flushed = zlibCompress(data, level, strategy, every, flush);
                cases.push_back(
                    {name, Bytes(z.begin() + 2, z.end()), data, 4, R::CompressedDataEnds});
                cases.push_back(
                    {name + ", flush " + std::to_string(flush) + " every " + std::to_string(every),
                     Bytes(flushed.begin() + 2, flushed.end()), data, 4, R::CompressedDataEnds});
            }
        }
    }
    const Token a = {0, 'a'}, b = {0, 'b'};
    const Tokens one = {a, b, {10, 2}, {0, 200}}, two = {{0, 0}, {0, 255}, {30, 5}, b};
    const Tokens early = {a, {10, 1}, {258, 11}}, run(300, {0, 'r'});
    Tokens forty;
    for (uint32_t i = 0; i < 40; ++i) forty.push_back({i == 39 ? 20u : 0, i == 39 ? 35 : i});
    const Lengths fixedL = fixedLiterals, dynL = dynamicLiterals, dynD = dynamicDistances;
    Lengths aEnd(257), abc(257), rEnd(257), rLen(258), l288(288, 9), d32(32, 5);
    aEnd['a'] = rEnd['r'] = rLen['r'] = 1;
    aEnd[256] = rEnd[256] = rLen[256] = rLen[257] = abc['a'] = abc['b'] = abc['c'] = abc[256] = 2;
    const Lengths largeL = largestLiteralLengthCode, largeD = largestDistanceCode;
    Lengths partL = largeL;  // incomplete, so left to the standard tables, second level and all
    partL[285] = 0;
    const Tokens largest = tokensFor(largeL, largeD, 70000, 852),
                 ones = tokensFor(dynL, {1}, 20000, 1);
    const Tokens far = tokensFor(dynL, Lengths(30, 9), 60000, 9),
                 paired = tokensFor(pairingCode, dynD, 30000, 1010),
                 partial = tokensFor(partL, largeD, 70000, 851);
    std::mt19937 rng(77);
    const Bytes noise = sample(300, 41, 0);
    W blocks = W().fixed(false, one).stored(false, {7, 8, 9}, 0xFFFC).fixed(false, two);
    blocks.dynamic(false, dynL, dynD, one).fixed(false, two).fixed(true, one);
    const Tokens blocksOut = cat<Token>({one, {{0, 7}, {0, 8}, {0, 9}}, two, one, two, one});
    W overStored = W().fixed(false, {a}).stored(false, noise, 0x1234).stored(false, {1, 2});
    overStored.fixed(true, {{3, 303}});
    // Decoded: stored blocks (NLEN unchecked), tables kept and rebuilt across
    // blocks, incomplete codes, the largest tables, codes wider than the root.
    const std::tuple<const char*, Bytes, Bytes> good[] = {
        {"an empty stored block, NLEN unchecked",
         W().stored(false, {}, 0xFFFF).fixed(true, {a}).bytes,
         {'a'}},
        {"a copy back over two stored blocks", overStored.bytes,
         cat<uint8_t>({{'a'}, noise, {1, 2, 'a', noise[0], noise[1]}})},
        {"fixed, stored and dynamic blocks in turn", blocks.bytes, expand(blocksOut)},
        {"no distance code", W().dynamic(true, abc, {0}, {a, b, a}).bytes, {'a', 'b', 'a'}},
        {"an incomplete literal code", W().dynamic(true, aEnd, {0}, {a, a}).bytes, {'a', 'a'}},
        {"bits after the final block", W().fixed(true, {a}).put(0x20, 6).bytes, {'a'}},
        {"a copy 35 back after 39 literals", W().fixed(true, forty).bytes, expand(forty)},
        {"overlapping copies, 10 at 1 and 258 at 11", W().fixed(true, early).bytes, expand(early)},
        {"the largest codes", W().dynamic(true, largeL, largeD, largest).bytes, expand(largest)},
        {"a distance code of one symbol", W().dynamic(true, dynL, {1}, ones).bytes, expand(ones)},
        {"30 distance codes of 9 bits", W().dynamic(true, dynL, Lengths(30, 9), far).bytes,
         expand(far)},
        {"short codes that pair", W().dynamic(true, pairingCode, dynD, paired).bytes,
         expand(paired)},
        {"an incomplete code wider than the root", W().dynamic(true, partL, largeD, partial).bytes,
         expand(partial)}};
    for (const auto& [name, stream, expected] : good)
        cases.push_back({name, stream, expected, 0, R::CompressedDataEnds});
    // Failing: block type 3, distances before the start, bad repeats, missing
    // or unused codes (early: exact path, late: fast loop), oversubscribed tables.
    std::vector<std::pair<uint32_t, uint32_t>> repeat16(101, {16, 3}), repeat18(101, {18, 127});
    repeat16[0] = repeat18[0] = {8, 0};
    const auto tail = [](W w) { return w.put(0, 64).bytes; };
    const std::tuple<const char*, Bytes, R> bad[] = {
        {"block type 3", W().fixed(false, {a}).put(7, 35).bytes, R::ReservedBlockType},
        {"3 back after 2 bytes", W().fixed(true, {a, b, {3, 3}}).bytes, R::DistanceTooFar},
        {"12 back after 11 bytes", W().fixed(true, {a, {10, 1}, {258, 12}}).bytes,
         R::DistanceTooFar},
        {"1000 back after 300 bytes", W().fixed(true, cat<Token>({run, {{3, 1000}}, run})).bytes,
         R::DistanceTooFar},
        {"a repeat of no length", tail(W().header(true, 257, 1, {{16, 0}})), R::BadCodeLengths},
        {"repeats past the lengths", tail(W().header(true, 257, 1, repeat16)), R::BadCodeLengths},
        {"zeros past the lengths", tail(W().header(true, 257, 1, repeat18)), R::BadCodeLengths},
        {"a code-length code of no codes",
         W().header(true, 257, 1, {}, Lengths(19, 0)).put(~0u, 32).bytes, R::BadCodeLengths},
        {"an unused code-length code",
         tail(W().header(true, 257, 1, {}, runsOf({1, 1, 18, 0})).put(1, 1)), R::InvalidCode},
        {"287 literal and length lengths, all zero",
         tail(W().header(true, 287, 1, {{18, 127}, {18, 127}, {18, 0}, {1, 0}})),
         R::BadCodeLengths},
        {"a length with no distance code", W().dynamic(true, rLen, {0}, {{0, 'r'}, {3, 1}}).bytes,
         R::InvalidCode},
        {"a length with no distance code, late",
         W().dynamic(true, rLen, {0}, cat<Token>({run, {{3, 1}}})).bytes, R::InvalidCode},
        {"an unused literal code", tail(W().dynamic(true, aEnd, {0}, {a}, false).put(3, 2)),
         R::InvalidCode},
        {"an unused code past the root",
         tail(W().dynamic(true, partL, largeD, {a}, false).code(largeL, 285)), R::InvalidCode},
        {"a wide length with no distance code",
         tail(W().dynamic(true, partL, {0}, {a}, false).code(largeL, 257)), R::InvalidCode},
        {"an unused literal code, late", W().dynamic(true, rEnd, {0}, run, false).put(3, 2).bytes,
         R::InvalidCode},
        {"fixed symbol 286", tail(W().fixed(true, {a}, false).code(fixedL, 286)), R::InvalidCode},
        {"fixed distance 30", tail(W().fixed(true, run, false).code(fixedL, 257).code(d32, 30)),
         R::InvalidCode},
        {"symbol 287", tail(W().dynamic(true, l288, {5}, {a}, false).code(l288, 287)),
         R::InvalidCode},
        {"distance 31",
         tail(W().dynamic(true, fixedL, d32, {a}, false).code(fixedL, 257).code(d32, 31)),
         R::InvalidCode},
        {"288 lengths of 11 bits", W().dynamic(true, Lengths(288, 11), {5}, {a}).bytes,
         R::BadCodeLengths},
        {"32 distance lengths of 15 bits", W().dynamic(true, fixedL, Lengths(32, 15), {a}).bytes,
         R::BadCodeLengths},
        // A length with no distance: the one distance code is 0, not 1; a block
        // without distance codes has none, whatever the block before it had.
        {"distance 1 of a one-symbol code",
         tail(W().dynamic(true, shortCode, {1}, {{0, 'x'}}, false).code(shortCode, 264).put(1, 1)),
         R::InvalidCode},
        {"no distance code after a block with them",
         tail(W().dynamic(false, dynL, dynD, {a, {3, 1}})
                  .dynamic(true, pairingCode, {0}, {a}, false)
                  .code(pairingCode, 257)),
         R::InvalidCode}};
    for (const auto& [name, stream, why] : bad)
        cases.push_back({name, stream, std::nullopt, 0, why});
    const InflateVariant chosen = inflateVariant;
    for (InflateVariant variant : {InflateVariant::Portable, InflateVariant::Bmi2}) {
        if (!inflateVariantAvailable(variant)) continue;
        inflateVariant = variant;
        for (size_t i = 0; i < cases.size(); ++i) {
            const auto& [name, stream, expected, trailer, why] = cases[i];
            const uint32_t size = uint32_t(expected ? expected->size() : 1000);
            // Capacities around a longest match from the end; input padded, and cut.
            std::vector<uint32_t> capacities = {
                0, 1, size / 2, uint32_t(rng() % (size + 1)), size + 1, size + 300};
            for (uint32_t back : {0u, 1u, 2u, 3u, 37u, 100u, 257u, 258u, 259u, 300u, 555u})
                capacities.push_back(size - std::min(back, size));
            const Bytes padded = cat<uint8_t>({stream, Bytes(64, 0)});
            for (size_t cut = 0; cut <= (stream.size() < 2000 ? stream.size() : 20); ++cut) {
                // Only zlib's streams can end in a stored block.
                const bool zlibCut = expected && cut > trailer && trailer != 0;
                const auto [storedEnd, zlibGave] =
                    zlibCut ? zlibOnCut(stream, stream.size() - cut, size)
                            : std::pair<bool, size_t>{false, 0};
                for (uint32_t capacity : cut ? std::vector<uint32_t>{size} : capacities) {
                    for (const Bytes* input : {&stream, cut ? &stream : &padded}) {
                        Bytes out(capacity + 64, 0xA5);
                        uint32_t written = 0;
                        Refusal refusal;
                        const bool ok = decodeDeflate(input->data(), uint32_t(input->size() - cut),
                                                      out.data(), capacity, written, refusal);
                        const bool decodes = expected && (cut <= trailer || storedEnd);
                        // All that fits, or what zlib gave before the cut; else any count,
                        // with nothing written past it.
                        const std::optional<size_t> count =
                            cut <= trailer && decodes ? std::min(capacity, size)
                            : zlibCut                 ? std::optional<size_t>(zlibGave)
                                                      : std::nullopt;
                        const size_t kept = count.value_or(written);
                        const Bytes& gave = expected ? *expected : out;
                        Bytes want(gave.begin(), gave.begin() + long(kept));
                        want.resize(out.size(), 0xA5);
                        // A cut may end a broken stream before its fault.
                        const R reason = decodes ? R::None
                                         : cut != 0 && refusal.reason == R::CompressedDataEnds
                                             ? R::CompressedDataEnds
                                             : why;
                        const auto where = [&] {
                            // From the table: C++17 lambdas cannot capture structured bindings.
                            return std::get<0>(cases[i]) + " (case " + std::to_string(i) +
                                   "), capacity " + std::to_string(capacity) + ", cut " +
                                   std::to_string(cut) + (input == &padded ? ", padded" : "") +
                                   (variant == InflateVariant::Bmi2 ? ", BMI2" : ", portable");
                        };
                        ASSERT_EQ(ok, decodes) << where();
                        ASSERT_EQ(refusal.reason, reason) << where();
                        if (count) {
                            ASSERT_EQ(written, *count) << where();
                        }
                        ASSERT_EQ(firstDifference(out, want), "none") << where();
                    }
                }
            }
        }
    }
    inflateVariant = chosen;
}

// A stored block cut short by the input gives the bytes there, up to the
// capacity; only a final one ends the stream.
TEST(Inflate, StoredBlockCutByTheInput) {
    const Bytes noise = sample(300, 43, 0);
    for (const bool final : {true, false}) {
        for (const uint32_t capacity : {400u, 120u}) {
            SCOPED_TRACE(::testing::Message()
                         << (final ? "final" : "not final") << ", capacity " << capacity);
            Bytes stream = W().fixed(false, {{0, 'a'}}).stored(final, noise).bytes;
            stream.resize(stream.size() - 100);
            const size_t kept = std::min(capacity, 201u);
            Bytes out(capacity + 16, 0xA5), want = cat<uint8_t>({{'a'}, noise});
            want.resize(kept);
            want.resize(out.size(), 0xA5);
            uint32_t given = 0;
            Refusal refusal;
            EXPECT_EQ(decodeDeflate(stream.data(), uint32_t(stream.size()), out.data(), capacity,
                                    given, refusal),
                      final);
            EXPECT_EQ(given, kept);
            EXPECT_EQ(firstDifference(out, want), "none");
            EXPECT_EQ(refusal.reason,
                      final ? RefusalReason::None : RefusalReason::CompressedDataEnds);
        }
    }
}

// The codes the wide tables take: complete ones, and a distance code of at
// most one code; nothing written past the capacity (0 here: their slots).
TEST(WideTable, TakesCompleteCodesAndAtMostOneDistanceCode) {
    const std::tuple<TableKind, Lengths, uint32_t, bool> cases[] = {
        {L, fixedLiterals, 0, true},
        {D, Lengths(32, 5), 0, true},
        {L, largestLiteralLengthCode, 0, true},
        {D, largestDistanceCode, 0, true},
        {L, pairingCode, 0, true},
        {D, runsOf({3, 0, 1, 1, 26, 0}), 0, true},
        {D, Lengths(30, 0), 0, true},
        {L, largestLiteralLengthCode, 1100, false},
        {L, runsOf({3, 1, 285, 0}), 0, false},
        {L, runsOf({'a', 0, 1, 1, 158, 0, 1, 2}), 0, false},
        {L, Lengths(257, 0), 0, false},
        {D, runsOf({1, 2, 29, 0}), 0, false},
        {D, runsOf({1, 1, 1, 2, 28, 0}), 0, false},
        {D, runsOf({1, 1, 1, 16, 28, 0}), 0, false}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [kind, lengths, given, taken] = cases[i];
        const bool isL = kind == L;
        const uint32_t capacity = given ? given : isL ? wideLiteralLengthSlots : wideDistanceSlots;
        std::vector<uint32_t> table(capacity + 1, 0xDEADBEEF);
        EXPECT_EQ(
            buildWideTable(kind, lengths.data(), uint32_t(lengths.size()),
                           isL ? wideLiteralLengthBits : wideDistanceBits, table.data(), capacity),
            taken)
            << i;
        EXPECT_EQ(table[capacity], 0xDEADBEEF) << i;
    }
}

// Every code right after each literal that can share a first-level word with it,
// and after one that cannot; every length and distance at both ends of its extra
// bits. Streams under 296 bytes, on the exact steps alone and padded (fast loop).
TEST(WideTable, DecodesEveryCodeAfterEachLiteral) {
    const std::pair<Lengths, Lengths> codes[] = {{pairingCode, dynamicDistances},
                                                 {shortCode, {1}},
                                                 {largestLiteralLengthCode, largestDistanceCode}};
    constexpr uint32_t exactOnly = 295;  // bytes the fast loop never starts on
    for (size_t c = 0; c < std::size(codes); ++c) {
        const auto& [literals, distances] = codes[c];
        Tokens every, firsts;  // every code once (a length twice); the literals before them
        bool longFirst = false;
        for (uint32_t s = 0; s < 286; ++s) {
            const uint32_t i = s - 257, bits = literals[s];
            if (bits != 0 && s < 256) every.push_back({0, s});
            if (bits != 0 && s > 256) every.push_back({baseOf(true, i), 1});
            if (bits != 0 && s > 256 && i < 28) every.push_back({baseOf(true, i + 1) - 1, 1});
            if (bits == 0 || s > 255 || (bits >= wideLiteralLengthBits && longFirst)) continue;
            firsts.push_back({0, s});
            longFirst = longFirst || bits >= wideLiteralLengthBits;
        }
        std::vector<Tokens> streams(1);
        for (const Token& first : firsts) {
            for (const Token& next : every) {
                if (expand(streams.back()).size() + 1 + std::max(next.length, 1u) > exactOnly)
                    streams.emplace_back();
                streams.back().insert(streams.back().end(), {first, next});
            }
        }
        // Each distance after enough history (258-byte copies of one byte),
        // in 10-byte copies: the stream's last bytes, on the exact steps.
        for (uint32_t d = 0; d < distances.size() && d < 30; ++d) {
            const uint32_t nearest = baseOf(false, d), farthest = baseOf(false, d + 1) - 1;
            Tokens far = {every[0]};
            for (uint32_t made = 1; made < farthest; made += 258) far.push_back({258, 1});
            if (distances[d] != 0)
                streams.push_back(cat<Token>({far, {{10, nearest}, {10, farthest}}}));
        }
        for (size_t n = 0; n < streams.size(); ++n) {
            const Tokens& tokens = streams[n];
            const Bytes stream = W().dynamic(true, literals, distances, tokens).bytes;
            const Bytes want = expand(tokens);
            for (uint32_t room : {0u, 300u}) {
                const Bytes input = cat<uint8_t>({stream, Bytes(room ? 64 : 0, 0)});
                Bytes out(want.size() + room);
                uint32_t written = 0;
                Refusal refusal;
                ASSERT_TRUE(decodeDeflate(input.data(), uint32_t(input.size()), out.data(),
                                          uint32_t(out.size()), written, refusal))
                    << c << ", stream " << n << ", room " << room;
                ASSERT_EQ(firstDifference(Bytes(out.begin(), out.begin() + written), want), "none")
                    << c << ", stream " << n << ", room " << room;
            }
        }
    }
}
