#include "image/picture_file.h"

#include <cstdlib>

#include "image/bmp_decoder.h"
#include "image/file_bytes.h"
#include "image/png_decoder.h"

// Each decoder refuses a file that lacks its signature first, before it
// reads anything else, so the one that got further is the one the file is for.
bool decodePicture(Image& image, const uint8_t* data, uint32_t size, Refusal& refusal) {
    Refusal why;
    if (decodePng(image, data, size, why)) return true;
    if (why.reason == RefusalReason::NotPng) {
        if (decodeBmp(image, data, size, why)) return true;
        if (why.reason == RefusalReason::NotBmp) why = {RefusalReason::NeitherPngNorBmp, 0};
    }
    refusal = why;
    return false;
}

bool loadPicture(Image& image, const char* fileName, Refusal& refusal) {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!readFileBytes(fileName, bytes, size, refusal)) return false;
    const bool ok = decodePicture(image, bytes, size, refusal);
    std::free(bytes);
    return ok;
}
