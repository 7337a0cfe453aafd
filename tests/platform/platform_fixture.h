// Shared set-up for the platform tests: a registered window class whose
// procedure records every message, windows sized by their client area, host
// events pushed into SDL's queue, and a window with a current GL context.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/handles.h"
#include "platform/win32_extra.h"

using Received = std::tuple<HWND, UINT, WPARAM, LPARAM>;

inline WORD registerClass(const char* name, WNDPROC procedure) {
    WNDCLASSA windowClass = {0,       procedure, 0,       0,       GetModuleHandleA(nullptr),
                             nullptr, nullptr,   nullptr, nullptr, name};
    return RegisterClassA(&windowClass);
}

inline HWND createPopup(LPCSTR className) {
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr, nullptr,
                           nullptr);
}

inline SDL_Window* sdlWindowOf(HWND hWnd) {
    return findWindow(hWnd) != nullptr ? findWindow(hWnd)->sdlWindow : nullptr;
}

// Host events as SDL reports them; a null window gives a key event of no window.
inline void pushKey(HWND hWnd, SDL_Scancode scancode, SDL_Keycode character, Uint16 modifiers = KMOD_NONE,
                    Uint32 type = SDL_KEYDOWN, Uint8 repeat = 0) {
    SDL_Event event = {};
    Uint32 id = hWnd != nullptr ? SDL_GetWindowID(sdlWindowOf(hWnd)) : 0;
    event.key = {type, 0, id, Uint8(type == SDL_KEYDOWN), repeat, 0, 0, {scancode, character, modifiers, 0}};
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

inline void pushWindowEvent(HWND hWnd, Uint8 kind, Sint32 data1 = 0, Sint32 data2 = 0) {
    SDL_Event event = {};
    event.window = {SDL_WINDOWEVENT, 0, SDL_GetWindowID(sdlWindowOf(hWnd)), kind, 0, 0, 0, data1, data2};
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// The next message that passes the test, or a zeroed MSG; the messages
// before it are taken and dropped (the host sends window messages of its own).
template <typename Test>
inline MSG takeFirst(Test test) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (test(msg)) return msg;
    }
    return MSG{};
}

// The next key message.
inline MSG take() {
    return takeFirst([](const MSG& msg) {
        return msg.message == WM_KEYDOWN || msg.message == WM_KEYUP ||
               msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP;
    });
}

// The next message of this kind for this window.
inline MSG take(HWND hWnd, UINT message) {
    return takeFirst([=](const MSG& msg) { return msg.hwnd == hWnd && msg.message == message; });
}

// Every queued message, WM_QUIT included (bounded, should it never end).
inline std::vector<MSG> takeAll() {
    std::vector<MSG> all;
    MSG msg;
    while (all.size() < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) all.push_back(msg);
    return all;
}

inline void drainQueue() {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    takeAll();
}

class PlatformTest : public ::testing::Test {
protected:
    static constexpr const char* className = "PlatformTestClass";

    void SetUp() override {
        drainQueue();
        received.clear();
        ASSERT_NE(registerClass(className, [](HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                      received.emplace_back(hWnd, message, wParam, lParam);
                      return 0;
                  }),
                  0);
    }
    void TearDown() override {
        for (HWND hWnd : windows) DestroyWindow(hWnd);
        EXPECT_TRUE(UnregisterClassA(className, GetModuleHandleA(nullptr)));
        drainQueue();
    }

    // A window whose client area is width x height, made the way the game
    // makes one: AdjustWindowRectEx on the client rectangle, then the outer size.
    HWND createClientWindow(int width, int height, DWORD style = WS_OVERLAPPEDWINDOW, int x = 0, int y = 0) {
        RECT rect = {0, 0, width, height};
        AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW);
        HWND hWnd = CreateWindowExA(WS_EX_APPWINDOW, className, "Platform test",
                                    style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y, rect.right - rect.left,
                                    rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(hWnd, nullptr) << "window creation";
        windows.push_back(hWnd);
        return hWnd;
    }

    inline static std::vector<Received> received;  // by the class procedure
    std::vector<HWND> windows;
};

// A window with a current GL context of the game's pixel format and a
// pixel-exact orthographic projection.
class GlTest : public PlatformTest {
protected:
    static constexpr int width = 240;
    static constexpr int height = 64;

    void SetUp() override {
        PlatformTest::SetUp();
        dc = GetDC(createClientWindow(width, height));
        format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        format.iPixelType = PFD_TYPE_RGBA;
        format.cColorBits = format.cDepthBits = 16;
        ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format));
        context = wglCreateContext(dc);
        ASSERT_TRUE(wglMakeCurrent(dc, context));
        glOrtho(0, width, 0, height, -1, 1);  // one unit per pixel, origin bottom left
    }
    void TearDown() override {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
        PlatformTest::TearDown();
    }

    PIXELFORMATDESCRIPTOR format = {};
    HDC dc = nullptr;
    HGLRC context = nullptr;
};
