// The process around the game: main calls WinMain as Windows would and
// returns its result, fopen takes Windows paths, and MessageBoxA without a
// display writes to standard error and answers OK at once.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32_extra.h"

namespace fs = std::filesystem;

namespace {

// The probe's standard output and exit code (see entry_probe.cpp).
std::pair<std::string, int> runProbe(const std::string& arguments) {
    FILE* pipe = popen(("'" STAPELIX_ENTRY_PROBE "' " + arguments).c_str(), "r");
    if (pipe == nullptr) return {"", -1};
    std::string output;
    char buffer[256];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, read);
    int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "stapelix-process-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        std::ofstream(directory / "Block.bmp") << "BM picture";
    }
    void TearDown() override { fs::remove_all(directory); }

    fs::path directory;
};

}  // namespace

TEST_F(ProcessTest, MainCallsWinMainAndFopenTakesWindowsPaths) {
    std::string block = directory.string() + "\\Block.bmp";
    // The arguments stay out of WinMain's command line: the game reads none.
    EXPECT_EQ(runProbe("alpha beta"), std::make_pair(std::string(""), 40));
    EXPECT_EQ(runProbe(""), std::make_pair(std::string(""), 40));

    FILE* file = std::fopen(block.c_str(), "rb");  // so does the test program's, linked the same way
    ASSERT_NE(file, nullptr);
    char contents[16] = {};
    EXPECT_EQ(std::string(contents, std::fread(contents, 1, sizeof contents, file)), "BM picture");
    std::fclose(file);
    errno = 0;
    EXPECT_EQ(std::fopen((directory.string() + "\\Missing.bmp").c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(std::fopen(std::string(5000, 'a').c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(std::fopen(nullptr, "rb"), nullptr);
}

TEST(MessageBoxTest, WritesCaptionAndTextToStandardErrorAndAnswersOk) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Could Not Release hWnd.", "SHUTDOWN ERROR",
                          MB_OK | MB_ICONINFORMATION),
              IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: Window Creation Error.\nSHUTDOWN ERROR: Could Not Release hWnd.\n");
}
