// Shared set-up for the platform tests: a registered window class whose
// procedure records every message, windows sized by their client area, and
// host events pushed into SDL's queue.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/handles.h"
#include "platform/win32_extra.h"

using Received = std::tuple<HWND, UINT, WPARAM, LPARAM>;

inline WORD registerClass(const char* name, WNDPROC procedure) {
    WNDCLASSA windowClass = {0, procedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, name};
    return RegisterClassA(&windowClass);
}

inline SDL_Window* sdlWindowOf(HWND hWnd) {
    return findWindow(hWnd)->sdlWindow;
}

// Host events as SDL reports them; a null window gives an event of no window.
inline void pushEvent(HWND hWnd, SDL_Event event) {
    event.window.windowID = hWnd != nullptr ? SDL_GetWindowID(sdlWindowOf(hWnd)) : 0;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}
inline void pushKey(HWND hWnd, SDL_Scancode code, SDL_Keycode symbol, Uint16 modifiers = 0,
                    Uint32 type = SDL_KEYDOWN, Uint8 repeat = 0) {
    SDL_Event event = {};
    event.key = {type,   0, 0, Uint8(type == SDL_KEYDOWN),
                 repeat, 0, 0, {code, symbol, modifiers, 0}};
    pushEvent(hWnd, event);
}
inline SDL_Event windowEvent(Uint8 kind, Sint32 data1 = 0, Sint32 data2 = 0) {
    SDL_Event event = {};
    event.window = {SDL_WINDOWEVENT, 0, 0, kind, 0, 0, 0, data1, data2};
    return event;
}

// The queued messages, WM_QUIT included (bounded, should it never end).
inline std::vector<MSG> takeAll() {
    std::vector<MSG> all;
    MSG msg;
    while (all.size() < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) all.push_back(msg);
    return all;
}

// The next message of this kind for this window (any key message when the
// kind is 0), or a zeroed MSG; the messages before it are dropped.
inline MSG take(HWND hWnd = nullptr, UINT message = 0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (message == 0 ? msg.message >= WM_KEYDOWN && msg.message <= WM_SYSKEYUP
                         : msg.hwnd == hWnd && msg.message == message) {
            return msg;
        }
    }
    return MSG{};
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
        ASSERT_NE(
            registerClass(className,
                          [](HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                              received.emplace_back(hWnd, message, wParam, lParam);
                              return 0;
                          }),
            0);
    }
    void TearDown() override {
        for (HWND hWnd : windows) DestroyWindow(hWnd);
        EXPECT_TRUE(UnregisterClassA(className, nullptr));
        drainQueue();
    }

    // A window whose client area is width x height, made the way the game
    // makes one: AdjustWindowRectEx on the client rectangle, then the outer size.
    HWND createClientWindow(int width, int height, DWORD style = WS_OVERLAPPEDWINDOW, int x = 0,
                            int y = 0) {
        RECT rect = {0, 0, width, height};
        AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW);
        windows.push_back(CreateWindowExA(WS_EX_APPWINDOW, className, "", style, x, y,
                                          rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                          nullptr, nullptr, nullptr));
        EXPECT_NE(windows.back(), nullptr) << "window creation";
        return windows.back();
    }

    inline static std::vector<Received> received;  // by the class procedure
    std::vector<HWND> windows;
};
