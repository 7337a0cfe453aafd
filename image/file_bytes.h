// A picture file read whole into memory and handed to a decoder.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/refusal.h"

// decodePng or decodeBmp.
using PictureDecoder = bool (*)(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal);

// Opens `fileName` with mode "rb", takes its size by seeking to the end,
// reads it with one read and decodes the bytes with `decode`. False, with the
// reason, for a missing or empty name, a file that cannot be opened or read
// (the system's errno in the refusal's detail), files of 4 GiB or more, and
// whatever the decoder refuses.
bool decodeFile(const char* fileName, PictureDecoder decode, Image& image, Refusal& refusal);
