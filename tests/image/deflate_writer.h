// Hand-made DEFLATE streams for the decoder tests: a bit writer, canonical
// codes and a tiny block encoder that writes exactly the codes it is told to,
// valid or not.
#pragma once

#include <cstdint>
#include <vector>

namespace testing_deflate {

// Appends bits least-significant first, as DEFLATE packs them.
class BitWriter {
public:
    void put(uint32_t value, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) putBit(i < 32 ? (value >> i) & 1 : 0);
    }
    // Huffman codes go most-significant bit first.
    void putCode(uint32_t code, uint32_t length) {
        for (uint32_t i = length; i-- > 0;) putBit((code >> i) & 1);
    }
    void alignToByte() { used_ = 0; }
    void putByte(uint8_t byte) {
        alignToByte();
        bytes_.push_back(byte);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    void putBit(uint32_t bit) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() = static_cast<uint8_t>(bytes_.back() | (bit << used_));
        used_ = (used_ + 1) % 8;
    }
    std::vector<uint8_t> bytes_;
    uint32_t used_ = 0;
};

// Canonical codes from code lengths (RFC 1951 3.2.2); 0 for uncoded symbols.
inline std::vector<uint32_t> canonicalCodes(const std::vector<uint16_t>& lengths) {
    uint32_t count[16] = {};
    for (uint16_t length : lengths) ++count[length];
    count[0] = 0;
    uint32_t next[16] = {};
    uint32_t code = 0;
    for (uint32_t bits = 1; bits < 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
    }
    return codes;
}

struct Code {
    std::vector<uint16_t> lengths;
    std::vector<uint32_t> codes;
    explicit Code(std::vector<uint16_t> l) : lengths(std::move(l)), codes(canonicalCodes(lengths)) {}
    void write(BitWriter& w, uint32_t symbol) const { w.putCode(codes.at(symbol), lengths.at(symbol)); }
};

// RFC 1951 3.2.5 tables, written out independently of the decoder.
constexpr uint32_t lengthBases[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint32_t lengthExtras[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint32_t distanceBases[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline uint32_t distanceExtra(uint32_t symbol) { return symbol < 4 ? 0 : symbol / 2 - 1; }

struct SymbolAndExtra {
    uint32_t symbol;
    uint32_t extraBits;
    uint32_t extraValue;
};

inline SymbolAndExtra lengthSymbol(uint32_t length) {
    for (uint32_t i = 29; i-- > 0;) {
        if (length >= lengthBases[i]) return {257 + i, lengthExtras[i], length - lengthBases[i]};
    }
    return {257, 0, 0};
}

inline SymbolAndExtra distanceSymbol(uint32_t distance) {
    for (uint32_t i = 30; i-- > 0;) {
        if (distance >= distanceBases[i]) return {i, distanceExtra(i), distance - distanceBases[i]};
    }
    return {0, 0, 0};
}

inline std::vector<uint16_t> fixedLiteralLengths() {
    std::vector<uint16_t> lengths(288, 8);
    for (uint32_t s = 144; s < 256; ++s) lengths[s] = 9;
    for (uint32_t s = 256; s < 280; ++s) lengths[s] = 7;
    return lengths;
}

// Complete codes within zlib's limits (286 and 30 symbols), so that zlib
// can decode the same streams: 0..59 get 9 bits and the rest 8; distances
// 0 and 1 get 4 bits and the rest 5.
inline std::vector<uint16_t> completeLiteralLengths() {
    std::vector<uint16_t> lengths(286, 8);
    for (uint32_t s = 0; s < 60; ++s) lengths[s] = 9;
    return lengths;
}

inline std::vector<uint16_t> completeDistanceLengths() {
    std::vector<uint16_t> lengths(30, 5);
    lengths[0] = lengths[1] = 4;
    return lengths;
}

// A literal byte or a back-reference.
struct Token {
    uint32_t length;  // 0 for a literal
    uint32_t value;   // the literal byte, or the distance
};
inline Token literal(uint8_t byte) { return {0, byte}; }
inline Token match(uint32_t length, uint32_t distance) { return {length, distance}; }

inline void writeTokens(BitWriter& w, const Code& literals, const Code& distances,
                        const std::vector<Token>& tokens) {
    for (const Token& t : tokens) {
        if (t.length == 0) {
            literals.write(w, t.value);
            continue;
        }
        const SymbolAndExtra l = lengthSymbol(t.length);
        literals.write(w, l.symbol);
        w.put(l.extraValue, l.extraBits);
        const SymbolAndExtra d = distanceSymbol(t.value);
        distances.write(w, d.symbol);
        w.put(d.extraValue, d.extraBits);
    }
}

inline void writeFixedBlock(BitWriter& w, bool final, const std::vector<Token>& tokens, bool endBlock = true) {
    static const Code literals(fixedLiteralLengths());
    static const Code distances(std::vector<uint16_t>(32, 5));
    w.put(final ? 1 : 0, 1);
    w.put(1, 2);
    writeTokens(w, literals, distances, tokens);
    if (endBlock) literals.write(w, 256);
}

inline void writeStoredBlock(BitWriter& w, bool final, const std::vector<uint8_t>& data, uint16_t nlen) {
    w.put(final ? 1 : 0, 1);
    w.put(0, 2);
    w.alignToByte();
    const uint32_t length = static_cast<uint32_t>(data.size());
    w.putByte(static_cast<uint8_t>(length));
    w.putByte(static_cast<uint8_t>(length >> 8));
    w.putByte(static_cast<uint8_t>(nlen));
    w.putByte(static_cast<uint8_t>(nlen >> 8));
    for (uint8_t byte : data) w.putByte(byte);
}

// One entry of the code-length sequence: a symbol 0..18 and its extra bits.
struct LengthCode {
    uint32_t symbol;
    uint32_t extra;
};

constexpr uint32_t codeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A complete code-length code: symbols 0..12 get 4 bits, 13..18 get 5.
inline std::vector<uint16_t> defaultCodeLengthLengths() {
    std::vector<uint16_t> lengths(19, 4);
    for (uint32_t s = 13; s < 19; ++s) lengths[s] = 5;
    return lengths;
}

// Writes a dynamic block header with explicit counts and code-length
// sequence; nothing is checked, so broken headers can be made on purpose.
inline void writeDynamicHeader(BitWriter& w, bool final, uint32_t hlit, uint32_t hdist,
                               const std::vector<uint16_t>& codeLengthLengths,
                               const std::vector<LengthCode>& sequence) {
    w.put(final ? 1 : 0, 1);
    w.put(2, 2);
    w.put(hlit - 257, 5);
    w.put(hdist - 1, 5);
    uint32_t hclen = 19;
    while (hclen > 4 && codeLengthLengths[codeLengthOrder[hclen - 1]] == 0) --hclen;
    w.put(hclen - 4, 4);
    for (uint32_t i = 0; i < hclen; ++i) w.put(codeLengthLengths[codeLengthOrder[i]], 3);
    const Code clCode(codeLengthLengths);
    for (const LengthCode& c : sequence) {
        clCode.write(w, c.symbol);
        if (c.symbol == 16) w.put(c.extra, 2);
        if (c.symbol == 17) w.put(c.extra, 3);
        if (c.symbol == 18) w.put(c.extra, 7);
    }
}

// A dynamic block with the given literal/length and distance code lengths,
// sent one length per code-length symbol.
inline void writeDynamicBlock(BitWriter& w, bool final, const std::vector<uint16_t>& literalLengths,
                              const std::vector<uint16_t>& distanceLengths, const std::vector<Token>& tokens,
                              bool endBlock = true) {
    std::vector<LengthCode> sequence;
    for (uint16_t l : literalLengths) sequence.push_back({l, 0});
    for (uint16_t l : distanceLengths) sequence.push_back({l, 0});
    writeDynamicHeader(w, final, static_cast<uint32_t>(literalLengths.size()),
                       static_cast<uint32_t>(distanceLengths.size()), defaultCodeLengthLengths(), sequence);
    const Code literals(literalLengths);
    const Code distances(distanceLengths);
    writeTokens(w, literals, distances, tokens);
    if (endBlock) literals.write(w, 256);
}

// What a token list expands to.
inline std::vector<uint8_t> expand(const std::vector<Token>& tokens) {
    std::vector<uint8_t> out;
    for (const Token& t : tokens) {
        if (t.length == 0) {
            out.push_back(static_cast<uint8_t>(t.value));
        } else {
            for (uint32_t i = 0; i < t.length; ++i) out.push_back(out[out.size() - t.value]);
        }
    }
    return out;
}

}  // namespace testing_deflate
