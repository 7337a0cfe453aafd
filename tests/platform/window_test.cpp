// Window classes, window creation and sizes, showing, host window events,
// device contexts, the focus and the cursor counter.
#include <algorithm>
#include <array>

#include "tests/platform/platform_fixture.h"

using WindowTest = PlatformTest;

TEST_F(WindowTest, ClassesAndAdjustedWindowsOfExactlyTheClientSizeAskedFor) {
    EXPECT_EQ(registerClass(className, DefWindowProcA), 0);  // registered already
    EXPECT_EQ(registerClass("NoProcedure", nullptr) | registerClass("", DefWindowProcA), 0);
    // Client width and height, style, and the fixed frame: border and top.
    const std::tuple<int, int, DWORD, LONG, LONG> cases[] = {{640, 480, WS_OVERLAPPEDWINDOW, 8, 31},
                                                             {333, 251, WS_OVERLAPPEDWINDOW, 8, 31},
                                                             {640, 480, WS_POPUP, 0, 0}};
    for (auto [width, height, style, border, top] : cases) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << " style " << style);
        RECT rect = {10, 20, 10 + width, 20 + height};
        ASSERT_TRUE(AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
        EXPECT_EQ((std::array<LONG, 4>{rect.left, rect.top, rect.right, rect.bottom}),
                  (std::array<LONG, 4>{10 - border, 20 - top, 10 + width + border,
                                       20 + height + border}));
        int clientWidth = 0, clientHeight = 0;
        SDL_GetWindowSize(sdlWindowOf(createClientWindow(width, height, style)), &clientWidth,
                          &clientHeight);
        EXPECT_EQ(std::make_pair(clientWidth, clientHeight), std::make_pair(width, height));
    }
    EXPECT_FALSE(UnregisterClassA(className, nullptr));  // its live windows hold it
}

TEST_F(WindowTest, ShowingAndHostWindowEventsBecomeWindowMessages) {
    HWND hWnd = createClientWindow(320, 200, WS_OVERLAPPEDWINDOW, 100, 50);
    HWND second = createClientWindow(32, 32);
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOW));  // was hidden; sends before it returns
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdlWindowOf(hWnd), &x, &y);
    EXPECT_EQ(std::make_pair(x, y),
              std::make_pair(100 + 8, 50 + 31));  // the client inside the frame
    EXPECT_EQ(received, (std::vector<Received>{{hWnd, WM_ACTIVATE, WA_ACTIVE, 0},
                                               {hWnd, WM_SIZE, SIZE_RESTORED, 320 | (200 << 16)},
                                               {hWnd, WM_MOVE, 0, x | (y << 16)}}));
    EXPECT_TRUE(ShowWindow(hWnd, SW_SHOW));  // now visible
    drainQueue();
    // Event, its data, and the message it becomes.
    const std::tuple<Uint8, Sint32, Sint32, UINT, WPARAM, LPARAM> cases[] = {
        {SDL_WINDOWEVENT_MINIMIZED, 0, 0, WM_ACTIVATE, WA_INACTIVE | 0x10000, 0},  // minimised flag
        {SDL_WINDOWEVENT_RESTORED, 0, 0, WM_ACTIVATE, WA_ACTIVE, 0},
        {SDL_WINDOWEVENT_MOVED, -5, 70, WM_MOVE, 0,
         0x0046FFFB},  // 16-bit words: x past the left edge
        {SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700, WM_SIZE, SIZE_RESTORED, 1024 | (700 << 16)},
        {SDL_WINDOWEVENT_CLOSE, 0, 0, WM_CLOSE, 0, 0},
    };
    for (auto [event, data1, data2, message, wParam, lParam] : cases) {
        pushEvent(hWnd, windowEvent(event, data1, data2));
        MSG msg = take(hWnd, message);
        EXPECT_EQ(std::make_tuple(msg.message, msg.wParam, msg.lParam),
                  std::make_tuple(message, wParam, lParam));
    }
    // A termination request asks every window to close.
    pushEvent(nullptr, {SDL_QUIT});
    std::vector<HWND> closing, both = {std::min(hWnd, second), std::max(hWnd, second)};
    for (const MSG& msg : takeAll()) {
        if (msg.message == WM_CLOSE) closing.push_back(msg.hwnd);
    }
    std::sort(closing.begin(), closing.end());
    EXPECT_EQ(closing, both);
}

TEST_F(WindowTest, DeviceContextsFocusAndCursorCounter) {
    HWND first = createClientWindow(32, 32), second = createClientWindow(32, 32);
    HDC firstDc = GetDC(first);
    EXPECT_EQ(GetDC(first), firstDc);  // one DC per window, as with CS_OWNDC
    EXPECT_EQ(ReleaseDC(second, firstDc), 0);
    EXPECT_EQ(ReleaseDC(first, firstDc), 1);
    SetFocus(nullptr);
    EXPECT_EQ(SetFocus(first), nullptr);
    EXPECT_EQ(SetFocus(second), first);
    EXPECT_TRUE(DestroyWindow(second));
    EXPECT_FALSE(DestroyWindow(second));
    EXPECT_EQ(GetDC(second), nullptr);
    EXPECT_EQ(SetFocus(first), nullptr);  // the destroyed window lost the focus
    int count = ShowCursor(TRUE);
    for (BOOL show : {FALSE, FALSE, TRUE, TRUE}) {
        int next = ShowCursor(show);
        EXPECT_EQ(next, count + (show ? 1 : -1));
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), next >= 0 ? SDL_ENABLE : SDL_DISABLE) << next;
        count = next;
    }
    ShowCursor(FALSE);
}
