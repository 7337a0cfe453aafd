// Shared set-up for the platform tests: a registered window class whose
// procedure records every message it receives, and windows sized by their
// client area.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/handles.h"
#include "platform/win32_extra.h"

struct ReceivedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class PlatformTest : public ::testing::Test {
protected:
    static constexpr const char* className = "PlatformTestClass";

    void SetUp() override;
    void TearDown() override;

    // A window whose client area is width x height, made the way the game
    // makes one: AdjustWindowRectEx on the client rectangle, then the outer size.
    HWND createClientWindow(int width, int height, DWORD style = WS_OVERLAPPEDWINDOW, int x = 0,
                            int y = 0);
    SDL_Window* sdlWindowOf(HWND hWnd);
    // Takes every queued message (WM_QUIT included) so each test starts clean.
    void drainQueue();

    static LRESULT CALLBACK recordingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static std::vector<ReceivedMessage> received;

    std::vector<HWND> windows;
};

// A window with a current GL context and a pixel-exact orthographic projection.
class GlTest : public PlatformTest {
protected:
    static constexpr int width = 240;
    static constexpr int height = 64;

    void SetUp() override;
    void TearDown() override;

    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

PIXELFORMATDESCRIPTOR gamePixelFormat();
