// The thread's message queue: order, WM_QUIT, filters, dispatch, waiting.
#include <thread>

#include "tests/platform/platform_fixture.h"

namespace {

void pushKeyDown(HWND hWnd, SDL_Scancode scancode, SDL_Keycode character) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.windowID = SDL_GetWindowID(findWindow(hWnd)->sdlWindow);
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = character;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pushWindowEvent(HWND hWnd, Uint8 kind) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    event.window.windowID = SDL_GetWindowID(findWindow(hWnd)->sdlWindow);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// The next key message, skipping window messages the host sends on its own.
bool nextKey(MSG& msg) {
    return PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_SYSKEYUP, PM_REMOVE) != FALSE;
}

LRESULT CALLBACK otherProcedure(HWND, UINT, WPARAM, LPARAM) {
    return 0x5157;
}

std::vector<UINT> defaultHandled;

LRESULT CALLBACK forwardingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    defaultHandled.push_back(message);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace

using MessageQueueTest = PlatformTest;

TEST_F(MessageQueueTest, HostEventsComeOutInOrderAndQuitComesLastWithItsCode) {
    HWND hWnd = createClientWindow(64, 48);
    ASSERT_NE(hWnd, nullptr);
    pushKeyDown(hWnd, SDL_SCANCODE_A, 'a');
    pushKeyDown(hWnd, SDL_SCANCODE_B, 'b');
    PostQuitMessage(7);
    // Posted after the quit request, yet still ahead of WM_QUIT, as on Windows.
    pushKeyDown(hWnd, SDL_SCANCODE_C, 'c');

    MSG msg;
    for (WPARAM expected : {WPARAM('A'), WPARAM('B'), WPARAM('C')}) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        // Window messages of the host may come in between.
        while (msg.message != WM_KEYDOWN) ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.hwnd, hWnd);
        EXPECT_EQ(msg.wParam, expected);
    }
    do {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    } while (msg.message != WM_QUIT);
    EXPECT_EQ(msg.wParam, WPARAM(7));
    EXPECT_EQ(msg.hwnd, nullptr);
    // Reported once only.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, PeekHonoursNoRemoveAndTheWindowAndRangeFilters) {
    HWND first = createClientWindow(64, 48);
    HWND second = createClientWindow(64, 48);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    pushKeyDown(first, SDL_SCANCODE_1, '1');
    pushKeyDown(second, SDL_SCANCODE_2, '2');
    PostQuitMessage(3);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, second, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, WPARAM('2'));
    ASSERT_TRUE(PeekMessageA(&msg, second, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM('2'));
    EXPECT_FALSE(PeekMessageA(&msg, second, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    // WM_QUIT belongs to no window, and a range that leaves it out skips it.
    EXPECT_FALSE(PeekMessageA(&msg, second, 0, 0, PM_REMOVE) && msg.message == WM_QUIT);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_KEYUP, WM_KEYUP, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, first);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(3));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MessageQueueTest, DispatchReachesTheProcedureOfTheWindowsOwnClass) {
    WNDCLASSA otherClass = {};
    otherClass.lpfnWndProc = otherProcedure;
    otherClass.hInstance = GetModuleHandleA(nullptr);
    otherClass.lpszClassName = "OtherTestClass";
    ASSERT_NE(RegisterClassA(&otherClass), 0);
    HWND other = CreateWindowExA(0, "OtherTestClass", "other", WS_POPUP, 0, 0, 32, 32, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    HWND mine = createClientWindow(64, 48);
    ASSERT_NE(mine, nullptr);

    pushKeyDown(mine, SDL_SCANCODE_LEFT, SDLK_LEFT);
    pushKeyDown(other, SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    MSG msg;
    ASSERT_TRUE(nextKey(msg));
    EXPECT_TRUE(TranslateMessage(&msg));
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].hwnd, mine);
    EXPECT_EQ(received[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(received[0].wParam, WPARAM(VK_LEFT));
    EXPECT_EQ(received[0].lParam, msg.lParam);

    ASSERT_TRUE(nextKey(msg));
    EXPECT_EQ(msg.hwnd, other);
    EXPECT_EQ(DispatchMessageA(&msg), 0x5157);
    EXPECT_EQ(received.size(), 1u);

    // A message whose window is gone, or that has none, reaches nobody.
    EXPECT_TRUE(DestroyWindow(other));
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    MSG quit = {};
    quit.message = WM_QUIT;
    EXPECT_EQ(DispatchMessageA(&quit), 0);
    EXPECT_FALSE(TranslateMessage(&quit));
    EXPECT_EQ(received.size(), 1u);
    EXPECT_TRUE(UnregisterClassA("OtherTestClass", GetModuleHandleA(nullptr)));
}

TEST_F(MessageQueueTest, DestroyingAWindowDropsItsQueuedMessages) {
    HWND doomed = createClientWindow(64, 48);
    HWND kept = createClientWindow(64, 48);
    ASSERT_NE(doomed, nullptr);
    ASSERT_NE(kept, nullptr);
    pushKeyDown(doomed, SDL_SCANCODE_X, 'x');
    pushKeyDown(kept, SDL_SCANCODE_Y, 'y');
    MSG msg;
    // Pumps both events into the queue without taking any.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
    EXPECT_TRUE(DestroyWindow(doomed));
    ASSERT_TRUE(nextKey(msg));
    EXPECT_EQ(msg.hwnd, kept);
    EXPECT_FALSE(nextKey(msg));
}

TEST_F(MessageQueueTest, WaitMessageReturnsOnceSomethingIsThere) {
    HWND hWnd = createClientWindow(64, 48);
    ASSERT_NE(hWnd, nullptr);
    pushWindowEvent(hWnd, SDL_WINDOWEVENT_CLOSE);
    drainQueue();
    // Nothing is queued now; the event pushed next wakes the wait.
    pushWindowEvent(hWnd, SDL_WINDOWEVENT_CLOSE);
    EXPECT_TRUE(WaitMessage());
    MSG msg;
    bool closeSeen = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) closeSeen = closeSeen || msg.message == WM_CLOSE;
    EXPECT_TRUE(closeSeen);
    // A pending quit counts as something to do: no blocking.
    PostQuitMessage(0);
    EXPECT_TRUE(WaitMessage());
}

TEST_F(MessageQueueTest, EachThreadHasItsOwnQueue) {
    MSG msg;
    bool otherThreadGotQuit = false;
    std::thread other([&otherThreadGotQuit] {
        PostQuitMessage(9);
        MSG own;
        otherThreadGotQuit = PeekMessageA(&own, nullptr, 0, 0, PM_REMOVE) && own.message == WM_QUIT &&
                             own.wParam == 9;
    });
    other.join();
    EXPECT_TRUE(otherThreadGotQuit);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MessageQueueTest, DefaultProcessingAnswersZeroAndTurnsAltF4IntoClose) {
    WNDCLASSA forwardingClass = {};
    forwardingClass.lpfnWndProc = forwardingProcedure;
    forwardingClass.lpszClassName = "ForwardingTestClass";
    ASSERT_NE(RegisterClassA(&forwardingClass), 0);
    HWND hWnd = CreateWindowExA(0, "ForwardingTestClass", "forwarding", WS_POPUP, 0, 0, 32, 32,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    defaultHandled.clear();
    EXPECT_EQ(DefWindowProcA(hWnd, WM_SYSKEYDOWN, 'A', 0), 0);
    EXPECT_EQ(DefWindowProcA(hWnd, WM_KEYDOWN, VK_F4, 0), 0);
    EXPECT_TRUE(defaultHandled.empty());
    EXPECT_EQ(DefWindowProcA(hWnd, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29), 0);
    ASSERT_EQ(defaultHandled.size(), 2u);
    EXPECT_EQ(defaultHandled[0], UINT(WM_SYSCOMMAND));
    EXPECT_EQ(defaultHandled[1], UINT(WM_CLOSE));
    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_TRUE(UnregisterClassA("ForwardingTestClass", nullptr));
}
