// On a real X server: keys typed through the X input extension reach the
// window procedure's queue with Windows codes. Runs only on the x11 driver
// (the Xvfb run) and where xdotool exists.
#include <cstdlib>
#include <string>

#include "tests/platform/platform_fixture.h"

using X11Test = PlatformTest;

TEST_F(X11Test, TypedKeysArriveWithWindowsCodes) {
    ASSERT_TRUE(startVideo());
    if (std::string(SDL_GetCurrentVideoDriver()) != "x11") GTEST_SKIP() << "needs the x11 video driver";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs xdotool";
    HWND hWnd = createClientWindow(200, 150);
    SDL_SetWindowTitle(sdlWindowOf(hWnd), "Stapelix X11 key test");
    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    SDL_PumpEvents();
    // Without a window manager nobody hands the window the keyboard, and an
    // earlier full-screen window may have taken it: give it explicitly.
    ASSERT_EQ(std::system("xdotool search --sync --name 'Stapelix X11 key test' windowfocus --sync %1 "
                          "key Left key a key F10 keydown alt key x keyup alt keydown shift key 1 keyup shift"),
              0);
    // F10 and Alt itself send nothing: the game reads neither.
    const std::vector<std::tuple<HWND, UINT, WPARAM>> expected = {
        {hWnd, WM_KEYDOWN, VK_LEFT},  {hWnd, WM_KEYUP, VK_LEFT},  {hWnd, WM_KEYDOWN, 'A'},
        {hWnd, WM_KEYUP, 'A'},        {hWnd, WM_SYSKEYDOWN, 'X'}, {hWnd, WM_SYSKEYUP, 'X'},
        {hWnd, WM_KEYDOWN, VK_SHIFT}, {hWnd, WM_KEYDOWN, '1'},    {hWnd, WM_KEYUP, '1'},
        {hWnd, WM_KEYUP, VK_SHIFT}};
    std::vector<std::tuple<HWND, UINT, WPARAM>> keys;  // polled until all have come, 5 s at most
    for (int attempt = 0; attempt < 500 && keys.size() < expected.size(); ++attempt, SDL_Delay(10)) {
        for (MSG msg; (msg = take()).message != 0;) keys.emplace_back(msg.hwnd, msg.message, msg.wParam);
    }
    EXPECT_EQ(keys, expected);
}
