// decodePicture and loadPicture: the decoder is chosen by the content, and a
// refusal is the reason of the decoder the file is for.
#include <gtest/gtest.h>

#include "image/picture_file.h"
#include "tests/image/test_data.h"

using namespace testing_image;

TEST(PictureFile, ReasonOfTheDecoderTheFileIsFor) {
    const Bytes png = writePng({3, 2}, std::vector<Bytes>(2, sample(9, 5)));
    const Bytes bmp24 = bmp(1, 1, 24, 0, {1, 2, 3, 0});
    Bytes interlaced = png;
    interlaced[8 + 8 + 12] = 1;  // IHDR's interlace method
    const std::vector<std::pair<Bytes, Picture>> decoded = {{png, libpngPicture(png)},
                                                            {bmp24, picture(1, 3, {3, 2, 1})}};
    const Refused refused = {
        {interlaced, {Reason::Interlaced}},
        {Bytes(png.begin(), png.begin() + 40), {Reason::FileEnds}},
        {bmp(1, 1, 32, 0, {1, 2, 3, 4}), {Reason::UnsupportedBitCount, 32}},
        {{'B'}, {Reason::FileEnds}},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}, {Reason::NeitherPngNorBmp}},
        {{137, 'P'}, {Reason::FileEnds}},
        {{}, {Reason::EmptyFile}}};
    EXPECT_EQ(misread(decodePicture, loadPicture, decoded, refused), std::vector<std::string>{});
}
