// Every reason's text. Each is something the player can act on: what the file
// is or lacks and, where another save of the picture would do, how to save it.
#include "image/refusal.h"

#include <cstring>

#include "image/image.h"

std::string refusalText(const Refusal& refusal) {
    const std::string number = std::to_string(refusal.detail);
    const std::string maxSide = std::to_string(maxImageSide);
    switch (refusal.reason) {
        case RefusalReason::None:
            return "nothing was refused";
        case RefusalReason::CannotOpen:
            return std::string("the file could not be opened: ") +
                   std::strerror(int(refusal.detail));
        case RefusalReason::CannotRead:
            return std::string("the file could not be read: ") + std::strerror(int(refusal.detail));
        case RefusalReason::FileTooLarge:
            return "the file is too large (4 GiB or more)";
        case RefusalReason::EmptyFile:
            return "the file is empty";
        case RefusalReason::FileEnds:
            return "the file ends before the picture does";
        case RefusalReason::OutOfMemory:
            return "there is not enough memory to decode it";
        case RefusalReason::NotPng:
            return "this is not a PNG file";
        case RefusalReason::NotBmp:
            return "this is not a BMP file";
        case RefusalReason::NeitherPngNorBmp:
            return "this is neither a PNG nor a BMP file";
        case RefusalReason::NoPixels:
            return "the picture has no pixels (a width or height of 0)";
        case RefusalReason::TooWide:
            return "the picture is " + number + " pixels wide; at most " + maxSide +
                   " are supported";
        case RefusalReason::TooHigh:
            return "the picture is " + number + " pixels high; at most " + maxSide +
                   " are supported";
        case RefusalReason::PngHeaderDamaged:
            return "the PNG header chunk is damaged or repeated";
        case RefusalReason::PngHeaderMissing:
            return "the PNG file has no header before its picture data";
        case RefusalReason::UnknownPngMethod:
            return "the PNG header names an unknown compression, filter or interlace method";
        case RefusalReason::BadColourType:
            return "the PNG header names an invalid colour type or bit depth";
        case RefusalReason::SixteenBitChannels:
            return "16 bits per channel are not supported; save it with 8";
        case RefusalReason::Interlaced:
            return "interlaced PNG pictures are not supported; save it without interlacing";
        case RefusalReason::MissingPalette:
            return "the PNG palette is missing or comes after the picture data";
        case RefusalReason::NoImageData:
            return "the PNG file holds no picture data";
        case RefusalReason::PaletteIndexTooHigh:
            return "a pixel uses a colour past the end of the palette";
        case RefusalReason::UnknownRowFilter:
            return "the picture data is damaged (an unknown row filter)";
        case RefusalReason::BadZlibHeader:
            return "the compressed data is damaged (an invalid zlib header)";
        case RefusalReason::CompressedDataEnds:
            return "the compressed data ends before the picture does";
        case RefusalReason::InvalidCode:
            return "the compressed data is damaged (an invalid code)";
        case RefusalReason::DistanceTooFar:
            return "the compressed data is damaged (a copy from before its start)";
        case RefusalReason::BadCodeLengths:
            return "the compressed data is damaged (invalid code lengths)";
        case RefusalReason::ReservedBlockType:
            return "the compressed data is damaged (a reserved block type)";
        case RefusalReason::UnknownBmpHeader:
            return "BMP headers of " + number +
                   " bytes are not supported; save it as a Windows BMP";
        case RefusalReason::NegativeWidth:
            return "the BMP header gives a negative width";
        case RefusalReason::UnsupportedBitCount:
            return number + "-bit BMP pictures are not supported; save it as 24-bit";
        case RefusalReason::UnsupportedCompression:
            return "this kind of BMP compression is not supported; save it uncompressed";
        case RefusalReason::CompressionBitMismatch:
            return "the BMP header pairs RLE compression with the wrong bit count";
        case RefusalReason::PaletteTooLong:
            return "the BMP palette has " + number + " colours, more than its bit count allows";
        case RefusalReason::PixelsInsideHeader:
            return "the BMP header places the pixels inside the header or palette";
    }
    return "an unknown reason (" + std::to_string(int(refusal.reason)) + ")";
}
