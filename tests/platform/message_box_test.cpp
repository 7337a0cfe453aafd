// MessageBoxA without a display: the text on standard error, OK at once.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "platform/win32_extra.h"

TEST(MessageBoxTest, WritesCaptionAndTextToStandardErrorAndAnswersOk) {
    testing::internal::CaptureStderr();
    int answer = MessageBoxA(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    int second = MessageBoxA(nullptr, "Could Not Release hWnd.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    int defaults = MessageBoxA(nullptr, nullptr, nullptr, MB_OK);
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(second, IDOK);
    EXPECT_EQ(defaults, IDOK);
    EXPECT_EQ(written,
              "ERROR: Window Creation Error.\n"
              "SHUTDOWN ERROR: Could Not Release hWnd.\n"
              "Error: \n");
}
