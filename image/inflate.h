// A one-shot zlib/DEFLATE decoder (RFC 1950, RFC 1951) into a caller-owned
// buffer of fixed capacity. Back-references read that buffer directly, so the
// whole output must fit in it; there is no window and no streaming.
#pragma once

#include <cstdint>

#include "image/refusal.h"

// True for CMF 0x08 to 0x78 (deflate, any window from 256 bytes to 32 KiB), a
// valid FCHECK and no preset dictionary.
bool zlibHeaderOk(uint8_t cmf, uint8_t flg);

// Decodes the DEFLATE blocks that follow the two zlib header bytes until the
// final block ends, and says in `written` how many bytes it wrote (at most
// capacity). False when the input runs out while bits are still needed (or
// the stream is malformed), and then `refusal` says which rule the stream
// broke; output beyond capacity is dropped. A stored block cut short by the
// end of the input gives the bytes that are there and ends there, so a final
// one cut short still ends the stream. Bytes the stream does not deliver are
// left untouched and nothing is written past capacity.
bool decodeDeflate(const uint8_t* input, uint32_t inputLength, uint8_t* output, uint32_t capacity,
                   uint32_t& written, Refusal& refusal);
