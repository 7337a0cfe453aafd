// Reading a whole file into memory for the decoders.
#pragma once

#include <cstdint>

#include "image/refusal.h"

// Opens `fileName` with mode "rb", takes its size by seeking to the end and
// reads it with one read. On true `bytes` holds a malloc'd buffer of `size`
// bytes (never null, even for an empty file) that the caller frees. False for
// a missing or empty name, a file that cannot be opened or read (the system's
// errno in the refusal) and files of 4 GiB or more.
bool readFileBytes(const char* fileName, uint8_t*& bytes, uint32_t& size, Refusal& refusal);
