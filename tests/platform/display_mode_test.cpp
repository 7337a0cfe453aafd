// Display modes: the desktop mode, full-screen switches granted only for an
// offered size and taken by the next popup window, and the way back.
#include "tests/platform/platform_fixture.h"

using DisplayModeTest = PlatformTest;

TEST_F(DisplayModeTest, AnOfferedSizeMakesTheNextPopupFullScreenUntilReset) {
    auto isFullscreen = [](HWND hWnd) {
        return (SDL_GetWindowFlags(sdlWindowOf(hWnd)) & SDL_WINDOW_FULLSCREEN) != 0;
    };
    DEVMODEA desktop = {};
    SDL_DisplayMode host;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &host), 0);
    EXPECT_EQ(
        std::make_tuple(desktop.dmPelsWidth, desktop.dmPelsHeight, desktop.dmDisplayFrequency),
        std::make_tuple(DWORD(host.w), DWORD(host.h), DWORD(host.refresh_rate)));
    DEVMODEA mode = desktop;  // the desktop's size at 16 bits, asked for as the game does
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = 16;
    mode.dmPelsWidth += 3;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    EXPECT_FALSE(
        isFullscreen(createClientWindow(320, 240, WS_POPUP)));  // the window stays a window
    mode.dmPelsWidth -= 3;
    const int width = int(mode.dmPelsWidth), height = int(mode.dmPelsHeight);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(
        createClientWindow(320, 240, WS_OVERLAPPEDWINDOW)));  // windowed styles do not take it
    HWND popup = createClientWindow(width, height, WS_POPUP);
    ShowWindow(popup, SW_SHOW);
    EXPECT_TRUE(isFullscreen(popup));
    // The game's way back: test the registry mode, reset, restore the saved one.
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_TRUE(isFullscreen(popup));
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(popup));
    EXPECT_EQ(ChangeDisplaySettingsA(&desktop, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(createClientWindow(320, 240, WS_POPUP)));
}
