// The message queue: order, WM_QUIT, dispatch, default processing, waiting.
#include "tests/platform/platform_fixture.h"

using MessageQueueTest = PlatformTest;

TEST_F(MessageQueueTest, KeysComeOutInOrderAndQuitComesLastOnceWithItsCode) {
    HWND hWnd = createClientWindow(64, 48);
    pushKey(hWnd, SDL_SCANCODE_A, 'a');
    pushKey(hWnd, SDL_SCANCODE_B, 'b');
    PostQuitMessage(7);
    pushKey(hWnd, SDL_SCANCODE_C, 'c');  // after the request, yet ahead of WM_QUIT as on Windows
    using Seen = std::vector<std::tuple<HWND, UINT, WPARAM>>;
    Seen keysAndQuit;  // host window messages may come in between
    for (const MSG& msg : takeAll()) {
        if (msg.message == WM_KEYDOWN || msg.message == WM_QUIT)
            keysAndQuit.emplace_back(msg.hwnd, msg.message, msg.wParam);
    }
    EXPECT_EQ(keysAndQuit, (Seen{{hWnd, WM_KEYDOWN, 'A'},
                                 {hWnd, WM_KEYDOWN, 'B'},
                                 {hWnd, WM_KEYDOWN, 'C'},
                                 {nullptr, WM_QUIT, 7}}));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // the quit is reported once
}

TEST_F(MessageQueueTest, DispatchReachesTheProcedureOfTheWindowsOwnClass) {
    ASSERT_NE(registerClass("OtherTestClass",
                            [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0x5157; }),
              0);
    HWND other = CreateWindowExA(0, "OtherTestClass", "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND mine = createClientWindow(64, 48);
    pushKey(mine, SDL_SCANCODE_LEFT, SDLK_LEFT);
    pushKey(other, SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    MSG msg = take();
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(received, (std::vector<Received>{{mine, WM_KEYDOWN, VK_LEFT, msg.lParam}}));
    msg = take();
    EXPECT_EQ(DispatchMessageA(&msg), 0x5157);
    EXPECT_TRUE(DestroyWindow(other));  // a message whose window is gone reaches nobody
    EXPECT_EQ(DispatchMessageA(&msg), 0);
}

TEST_F(MessageQueueTest, WaitMessageReturnsOnceSomethingIsThere) {
    HWND hWnd = createClientWindow(64, 48);
    drainQueue();
    pushEvent(hWnd, windowEvent(SDL_WINDOWEVENT_CLOSE));  // the only event: the wait takes it in
    EXPECT_TRUE(WaitMessage());
    EXPECT_EQ(take(hWnd, WM_CLOSE).message, UINT(WM_CLOSE));
    PostQuitMessage(5);  // a pending quit counts: no blocking
    EXPECT_TRUE(WaitMessage());
    EXPECT_EQ(take(nullptr, WM_QUIT).wParam, WPARAM(5));
}
