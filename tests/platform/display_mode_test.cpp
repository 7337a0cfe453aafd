// Display modes: the desktop mode, full-screen switches granted only for an
// offered size, and the way back.
#include "tests/platform/platform_fixture.h"

namespace {

bool isFullscreen(HWND hWnd) {
    return (SDL_GetWindowFlags(sdlWindowOf(hWnd)) & SDL_WINDOW_FULLSCREEN) != 0;
}

class DisplayModeTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
        mode = desktop;  // the desktop's size at 16 bits, asked for as the game does
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        mode.dmBitsPerPel = 16;
    }
    void TearDown() override {
        ChangeDisplaySettingsA(nullptr, CDS_RESET);
        PlatformTest::TearDown();
    }
    DEVMODEA desktop = {}, mode = {};
};

}  // namespace

TEST_F(DisplayModeTest, TheCurrentModeIsTheHostDesktopAndOtherSizesAreRefused) {
    SDL_DisplayMode host;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &host), 0);
    EXPECT_EQ(std::make_tuple(desktop.dmPelsWidth, desktop.dmPelsHeight, desktop.dmDisplayFrequency),
              std::make_tuple(DWORD(host.w), DWORD(host.h), DWORD(host.refresh_rate)));
    EXPECT_GE(desktop.dmBitsPerPel, 15u);
    EXPECT_TRUE(desktop.dmFields & DM_PELSWIDTH);
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, nullptr));
    mode.dmPelsWidth += 3;
    mode.dmPelsHeight += 1;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_RESET), DISP_CHANGE_FAILED);  // no such saved mode
    EXPECT_FALSE(isFullscreen(createClientWindow(320, 240, WS_POPUP)));  // the window stays a window
}

TEST_F(DisplayModeTest, AnOfferedSizeMakesTheNextPopupWindowFullScreenUntilReset) {
    const int width = int(mode.dmPelsWidth), height = int(mode.dmPelsHeight);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(createClientWindow(320, 240, WS_OVERLAPPEDWINDOW)));  // windowed styles do not take it
    HWND popup = createClientWindow(width, height, WS_POPUP);
    ShowWindow(popup, SW_SHOW);
    EXPECT_TRUE(isFullscreen(popup));
    SDL_DisplayMode windowMode;
    ASSERT_EQ(SDL_GetWindowDisplayMode(sdlWindowOf(popup), &windowMode), 0);
    EXPECT_EQ(std::make_pair(windowMode.w, windowMode.h), std::make_pair(width, height));
    // The game's way back: test the registry mode, reset, restore the saved one.
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_TRUE(isFullscreen(popup));
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(popup));
    EXPECT_EQ(ChangeDisplaySettingsA(&desktop, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    // Restoring the saved desktop mode on its own leaves full screen too.
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    HWND again = createClientWindow(width, height, WS_POPUP);
    ASSERT_TRUE(isFullscreen(again));
    EXPECT_EQ(ChangeDisplaySettingsA(&desktop, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(again));
    EXPECT_FALSE(isFullscreen(createClientWindow(320, 240, WS_POPUP)));
}
