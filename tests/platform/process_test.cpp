// The process around the game: main calls WinMain as Windows would and
// returns its result, fopen takes Windows paths, and MessageBoxA without a
// display writes to standard error and answers OK at once.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/win32_extra.h"

TEST(ProcessTest, MainCallsWinMainFopenTakesWindowsPathsMessageBoxesGoToStandardError) {
    // The probe's WinMain sees no arguments and Windows' values (exit code 40).
    FILE* pipe = popen("'" STAPELIX_ENTRY_PROBE "' alpha beta", "r");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(std::fgetc(pipe), EOF);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 40) << status;

    std::string directory = (std::filesystem::temp_directory_path() / "stapelix-XXXXXX").string();
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    std::ofstream(directory + "/Block.bmp") << "BM picture";
    FILE* file = std::fopen((directory + "\\Block.bmp").c_str(), "rb");
    char contents[16] = {};
    EXPECT_EQ(file != nullptr ? std::fread(contents, 1, sizeof contents, file) : 0u, 10u);
    if (file != nullptr) std::fclose(file);
    std::filesystem::remove_all(directory);

    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION),
              IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Could Not Release hWnd.", "SHUTDOWN ERROR", MB_ICONINFORMATION),
              IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: Window Creation Error.\nSHUTDOWN ERROR: Could Not Release hWnd.\n");
}
