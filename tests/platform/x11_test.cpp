// On a real X server: keys typed through the X input extension reach the
// window procedure's queue with Windows codes. Runs only on the x11 driver
// (the Xvfb run) and where xdotool exists.
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/platform/platform_fixture.h"

namespace {

constexpr int pollAttempts = 500;
constexpr Uint32 pollPauseMs = 10;
constexpr const char* windowTitle = "Stapelix X11 key test";

bool onX11() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::string(driver) == "x11";
}

}  // namespace

class X11Test : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_TRUE(startVideo());
        if (!onX11()) GTEST_SKIP() << "needs the x11 video driver";
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs xdotool";
    }

    // Waits (boundedly) until count key messages have arrived.
    std::vector<MSG> collectKeys(size_t count) {
        std::vector<MSG> keys;
        for (int attempt = 0; attempt < pollAttempts && keys.size() < count; ++attempt) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message >= WM_KEYDOWN && msg.message <= WM_SYSKEYUP) keys.push_back(msg);
            }
            if (keys.size() < count) SDL_Delay(pollPauseMs);
        }
        return keys;
    }
};

TEST_F(X11Test, TypedKeysArriveWithWindowsCodes) {
    HWND hWnd = createClientWindow(200, 150);
    ASSERT_NE(hWnd, nullptr);
    SDL_SetWindowTitle(sdlWindowOf(hWnd), windowTitle);
    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    SDL_PumpEvents();
    // Without a window manager nobody hands the window the keyboard, and an
    // earlier full-screen window may have taken it: give it explicitly.
    std::string command = std::string("xdotool search --sync --name '") + windowTitle +
                          "' windowfocus --sync %1 "
                          "key Left key a key F10 keydown alt key x keyup alt keydown shift key 1 keyup shift";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::vector<MSG> keys = collectKeys(14);
    struct Expected {
        UINT message;
        WPARAM key;
    };
    const std::vector<Expected> expected = {
        {WM_KEYDOWN, VK_LEFT}, {WM_KEYUP, VK_LEFT},
        {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'},
        {WM_SYSKEYDOWN, VK_F10}, {WM_SYSKEYUP, VK_F10},
        {WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 'X'}, {WM_SYSKEYUP, 'X'}, {WM_SYSKEYUP, VK_MENU},
        {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, '1'}, {WM_KEYUP, '1'}, {WM_KEYUP, VK_SHIFT},
    };
    ASSERT_EQ(keys.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(keys[i].hwnd, hWnd) << i;
        EXPECT_EQ(keys[i].message, expected[i].message) << i;
        EXPECT_EQ(keys[i].wParam, expected[i].key) << i;
    }
}
