// Display modes: the desktop mode, full-screen switches granted only for an
// offered size, and the way back.
#include "tests/platform/platform_fixture.h"

namespace {

DEVMODEA modeOfSize(DWORD width, DWORD height) {
    DEVMODEA mode = {};
    mode.dmSize = 148;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = 16;
    return mode;
}

bool isFullscreen(SDL_Window* window) {
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

}  // namespace

class DisplayModeTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
    }
    void TearDown() override {
        ChangeDisplaySettingsA(nullptr, CDS_RESET);
        PlatformTest::TearDown();
    }

    DEVMODEA desktop = {};
};

TEST_F(DisplayModeTest, TheCurrentModeIsTheHostDesktop) {
    SDL_DisplayMode host;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &host), 0);
    EXPECT_EQ(desktop.dmPelsWidth, DWORD(host.w));
    EXPECT_EQ(desktop.dmPelsHeight, DWORD(host.h));
    EXPECT_EQ(desktop.dmDisplayFrequency, DWORD(host.refresh_rate));
    EXPECT_GE(desktop.dmBitsPerPel, 15u);
    EXPECT_TRUE(desktop.dmFields & DM_PELSWIDTH);
    DEVMODEA unnamed = {};
    EXPECT_FALSE(EnumDisplaySettingsA("\\\\.\\DISPLAY9", ENUM_CURRENT_SETTINGS, &unnamed));
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, nullptr));
}

TEST_F(DisplayModeTest, ASizeTheHostDoesNotOfferIsRefusedAndTheWindowStaysAWindow) {
    DEVMODEA odd = modeOfSize(desktop.dmPelsWidth + 3, desktop.dmPelsHeight + 1);
    EXPECT_EQ(ChangeDisplaySettingsA(&odd, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    EXPECT_EQ(ChangeDisplaySettingsA(&odd, CDS_TEST), DISP_CHANGE_FAILED);
    HWND hWnd = createClientWindow(320, 240, WS_POPUP);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_FALSE(isFullscreen(sdlWindowOf(hWnd)));
}

TEST_F(DisplayModeTest, AnOfferedSizeMakesTheNextPopupWindowFullScreenUntilReset) {
    DEVMODEA mode = modeOfSize(desktop.dmPelsWidth, desktop.dmPelsHeight);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    // Windowed styles do not take the mode.
    HWND framed = createClientWindow(320, 240, WS_OVERLAPPEDWINDOW);
    ASSERT_NE(framed, nullptr);
    EXPECT_FALSE(isFullscreen(sdlWindowOf(framed)));
    HWND popup = createClientWindow(int(mode.dmPelsWidth), int(mode.dmPelsHeight), WS_POPUP);
    ASSERT_NE(popup, nullptr);
    ShowWindow(popup, SW_SHOW);
    EXPECT_TRUE(isFullscreen(sdlWindowOf(popup)));
    SDL_DisplayMode windowMode;
    ASSERT_EQ(SDL_GetWindowDisplayMode(sdlWindowOf(popup), &windowMode), 0);
    EXPECT_EQ(DWORD(windowMode.w), mode.dmPelsWidth);
    EXPECT_EQ(DWORD(windowMode.h), mode.dmPelsHeight);

    // The game's way back: test the registry mode, reset, restore the saved one.
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_TRUE(isFullscreen(sdlWindowOf(popup)));
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(sdlWindowOf(popup)));
    EXPECT_EQ(ChangeDisplaySettingsA(&desktop, CDS_RESET), DISP_CHANGE_SUCCESSFUL);

    // Restoring the saved desktop mode on its own leaves full screen too.
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    HWND again = createClientWindow(int(mode.dmPelsWidth), int(mode.dmPelsHeight), WS_POPUP);
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(isFullscreen(sdlWindowOf(again)));
    EXPECT_EQ(ChangeDisplaySettingsA(&desktop, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(sdlWindowOf(again)));
    HWND later = createClientWindow(320, 240, WS_POPUP);
    ASSERT_NE(later, nullptr);
    EXPECT_FALSE(isFullscreen(sdlWindowOf(later)));
}
