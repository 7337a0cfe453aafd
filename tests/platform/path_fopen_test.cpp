// fopen of a program linked with the platform layer takes Windows paths.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

class PathFopenTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "stapelix-fopen-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        fs::create_directories(directory / "Images");
        std::ofstream(directory / "Images" / "Block.bmp") << "BM picture";
    }
    void TearDown() override { fs::remove_all(directory); }

    fs::path directory;
};

TEST_F(PathFopenTest, BackslashesNameTheSameFileAsSlashes) {
    std::string windowsPath = directory.string() + "\\Images\\Block.bmp";
    FILE* file = std::fopen(windowsPath.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char contents[16] = {};
    size_t read = std::fread(contents, 1, sizeof contents - 1, file);
    std::fclose(file);
    EXPECT_EQ(std::string(contents, read), "BM picture");

    // Writing goes through the same mapping.
    std::string written = directory.string() + "\\Images\\Copy.txt";
    FILE* out = std::fopen(written.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs("copy", out);
    std::fclose(out);
    EXPECT_TRUE(fs::exists(directory / "Images" / "Copy.txt"));
}

TEST_F(PathFopenTest, MissingFilesAndOverlongOrNullPathsFailCleanly) {
    std::string missing = directory.string() + "\\Images\\Missing.bmp";
    errno = 0;
    EXPECT_EQ(std::fopen(missing.c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    std::string overlong(5000, 'a');
    EXPECT_EQ(std::fopen(overlong.c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(std::fopen(nullptr, "rb"), nullptr);
}
