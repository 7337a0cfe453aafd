// Why a decoder refused a file: the rule that refused it, and the one number
// some rules quote. A failing decoder stores both and nothing else, so the
// success path pays nothing; a decoder that succeeds leaves them as they were.
// refusalText writes the sentence; refusal.cpp is the one place the texts are.
#pragma once

#include <cstdint>
#include <string>

enum class RefusalReason : uint8_t {
    None,
    // Reading the file.
    CannotOpen,  // detail: the errno value
    CannotRead,  // detail: the errno value
    FileTooLarge,
    EmptyFile,
    FileEnds,
    OutOfMemory,
    // What kind of file it is.
    NotPng,
    NotBmp,
    NeitherPngNorBmp,
    // Sizes, in both formats.
    NoPixels,
    TooWide,  // detail: the width
    TooHigh,  // detail: the height
    // PNG.
    PngHeaderDamaged,
    PngHeaderMissing,
    UnknownPngMethod,
    BadColourType,
    SixteenBitChannels,
    Interlaced,
    MissingPalette,
    NoImageData,
    PaletteIndexTooHigh,
    UnknownRowFilter,
    // The zlib stream of a PNG.
    BadZlibHeader,
    CompressedDataEnds,
    InvalidCode,
    DistanceTooFar,
    BadCodeLengths,
    ReservedBlockType,
    // BMP.
    UnknownBmpHeader,  // detail: the header's size in bytes
    NegativeWidth,
    UnsupportedBitCount,  // detail: bits per pixel
    UnsupportedCompression,
    CompressionBitMismatch,
    PaletteTooLong,  // detail: biClrUsed
    PixelsInsideHeader,
};

struct Refusal {
    RefusalReason reason = RefusalReason::None;
    uint32_t detail = 0;
};

// One short sentence for the player, lower case, without a full stop.
std::string refusalText(const Refusal& refusal);
