// Window classes, window creation and sizes, showing, host window events,
// device contexts and the cursor counter.
#include "tests/platform/platform_fixture.h"

namespace {

void pushWindowEvent(SDL_Window* window, Uint8 kind, Sint32 data1 = 0, Sint32 data2 = 0) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    event.window.windowID = SDL_GetWindowID(window);
    event.window.data1 = data1;
    event.window.data2 = data2;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// The first queued message of a kind for the window, or a zeroed MSG.
MSG takeFirst(HWND hWnd, UINT message) {
    MSG msg;
    if (PeekMessageA(&msg, hWnd, message, message, PM_REMOVE)) return msg;
    return MSG{};
}

WNDCLASSA classNamed(const char* name) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return windowClass;
}

}  // namespace

using WindowTest = PlatformTest;

TEST_F(WindowTest, ClassRegistrationRefusesDuplicatesAndIncompleteClasses) {
    WNDCLASSA duplicate = classNamed(className);
    EXPECT_EQ(RegisterClassA(&duplicate), 0);
    WNDCLASSA otherCase = classNamed("PLATFORMTESTCLASS");
    EXPECT_EQ(RegisterClassA(&otherCase), 0);
    WNDCLASSA noProcedure = classNamed("NoProcedure");
    noProcedure.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassA(&noProcedure), 0);
    WNDCLASSA noName = classNamed(nullptr);
    EXPECT_EQ(RegisterClassA(&noName), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);

    WNDCLASSA fresh = classNamed("FreshClass");
    WORD atom = RegisterClassA(&fresh);
    ASSERT_NE(atom, 0);
    // The atom names the class as well as its name does.
    HWND byAtom = CreateWindowExA(0, MAKEINTRESOURCEA(atom), "", WS_POPUP, 0, 0, 16, 16, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(byAtom, nullptr);
    EXPECT_FALSE(UnregisterClassA("FreshClass", GetModuleHandleA(nullptr)));  // a live window
    EXPECT_TRUE(DestroyWindow(byAtom));
    EXPECT_FALSE(UnregisterClassA("FreshClass", nullptr));  // another module's
    EXPECT_TRUE(UnregisterClassA("FreshClass", GetModuleHandleA(nullptr)));
    EXPECT_FALSE(UnregisterClassA("FreshClass", GetModuleHandleA(nullptr)));
    EXPECT_FALSE(UnregisterClassA("NeverRegistered", GetModuleHandleA(nullptr)));
    EXPECT_NE(RegisterClassA(&fresh), 0);
    EXPECT_TRUE(UnregisterClassA("FreshClass", GetModuleHandleA(nullptr)));

    EXPECT_EQ(CreateWindowExA(0, "NeverRegistered", "", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
}

TEST_F(WindowTest, FramesAreFixedPerStyle) {
    RECT overlapped = {0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRectEx(&overlapped, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
    EXPECT_EQ(overlapped.left, -8);
    EXPECT_EQ(overlapped.top, -31);
    EXPECT_EQ(overlapped.right, 648);
    EXPECT_EQ(overlapped.bottom, 488);
    RECT popup = {10, 20, 650, 500};
    ASSERT_TRUE(AdjustWindowRectEx(&popup, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, FALSE, WS_EX_APPWINDOW));
    EXPECT_EQ(popup.left, 10);
    EXPECT_EQ(popup.top, 20);
    EXPECT_EQ(popup.right, 650);
    EXPECT_EQ(popup.bottom, 500);
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, WS_POPUP, FALSE, 0));
}

TEST_F(WindowTest, TheClientAreaIsExactlyTheSizeTheCallerAdjustedFor) {
    struct Case {
        int width;
        int height;
        DWORD style;
    };
    for (Case c : {Case{640, 480, WS_OVERLAPPEDWINDOW}, Case{800, 600, WS_OVERLAPPEDWINDOW},
                   Case{333, 251, WS_OVERLAPPEDWINDOW}, Case{640, 480, WS_POPUP}}) {
        HWND hWnd = createClientWindow(c.width, c.height, c.style);
        ASSERT_NE(hWnd, nullptr);
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(sdlWindowOf(hWnd), &width, &height);
        EXPECT_EQ(width, c.width) << "style " << std::hex << c.style;
        EXPECT_EQ(height, c.height) << "style " << std::hex << c.style;
        EXPECT_TRUE(SDL_GetWindowFlags(sdlWindowOf(hWnd)) & SDL_WINDOW_OPENGL);
    }
}

TEST_F(WindowTest, ShowWindowSendsActivateSizeAndMoveBeforeItReturns) {
    HWND hWnd = createClientWindow(320, 200, WS_OVERLAPPEDWINDOW, 100, 50);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_TRUE(received.empty());
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOW));  // was hidden
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].message, UINT(WM_ACTIVATE));
    EXPECT_EQ(LOWORD(received[0].wParam), WA_ACTIVE);
    EXPECT_EQ(HIWORD(received[0].wParam), 0);  // not minimised
    EXPECT_EQ(received[1].message, UINT(WM_SIZE));
    EXPECT_EQ(LOWORD(received[1].lParam), 320);
    EXPECT_EQ(HIWORD(received[1].lParam), 200);
    EXPECT_EQ(received[2].message, UINT(WM_MOVE));
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(sdlWindowOf(hWnd), &x, &y);
    EXPECT_EQ(LOWORD(received[2].lParam), x);
    EXPECT_EQ(HIWORD(received[2].lParam), y);
    // The outer position given was 100, 50: the client starts inside the frame.
    EXPECT_EQ(x, 100 + 8);
    EXPECT_EQ(y, 50 + 31);
    for (const ReceivedMessage& message : received) EXPECT_EQ(message.hwnd, hWnd);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindowOf(hWnd)) & SDL_WINDOW_SHOWN);
    EXPECT_TRUE(ShowWindow(hWnd, SW_SHOW));  // now visible
    EXPECT_TRUE(ShowWindow(hWnd, SW_HIDE));
    EXPECT_FALSE(SDL_GetWindowFlags(sdlWindowOf(hWnd)) & SDL_WINDOW_SHOWN);
    EXPECT_FALSE(ShowWindow(nullptr, SW_SHOW));
}

TEST_F(WindowTest, HostWindowEventsBecomeWindowMessages) {
    HWND hWnd = createClientWindow(160, 120);
    ASSERT_NE(hWnd, nullptr);
    SDL_Window* window = sdlWindowOf(hWnd);
    drainQueue();

    pushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
    MSG msg = takeFirst(hWnd, WM_ACTIVATE);
    EXPECT_EQ(msg.message, UINT(WM_ACTIVATE));
    EXPECT_EQ(HIWORD(msg.wParam), 1);
    pushWindowEvent(window, SDL_WINDOWEVENT_RESTORED);
    msg = takeFirst(hWnd, WM_ACTIVATE);
    EXPECT_EQ(msg.message, UINT(WM_ACTIVATE));
    EXPECT_EQ(HIWORD(msg.wParam), 0);
    EXPECT_NE(LOWORD(msg.wParam), WA_INACTIVE);

    // Positions are two 16-bit words: a window past the left edge has a large x.
    pushWindowEvent(window, SDL_WINDOWEVENT_MOVED, -5, 70);
    msg = takeFirst(hWnd, WM_MOVE);
    EXPECT_EQ(msg.message, UINT(WM_MOVE));
    EXPECT_EQ(LOWORD(msg.lParam), 0xFFFB);
    EXPECT_EQ(HIWORD(msg.lParam), 70);
    EXPECT_EQ(msg.lParam >> 16, 70);

    pushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700);
    msg = takeFirst(hWnd, WM_SIZE);
    EXPECT_EQ(msg.message, UINT(WM_SIZE));
    EXPECT_EQ(msg.lParam, LPARAM(1024 | (700 << 16)));

    pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(takeFirst(hWnd, WM_CLOSE).message, UINT(WM_CLOSE));

    // A termination request asks every window to close.
    HWND second = createClientWindow(32, 32);
    ASSERT_NE(second, nullptr);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_EQ(takeFirst(hWnd, WM_CLOSE).message, UINT(WM_CLOSE));
    EXPECT_EQ(takeFirst(second, WM_CLOSE).message, UINT(WM_CLOSE));
}

TEST_F(WindowTest, DeviceContextsBelongToTheirWindow) {
    HWND first = createClientWindow(32, 32);
    HWND second = createClientWindow(32, 32);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    HDC firstDc = GetDC(first);
    ASSERT_NE(firstDc, nullptr);
    EXPECT_EQ(GetDC(first), firstDc);  // one DC per window, as with CS_OWNDC
    EXPECT_NE(GetDC(second), firstDc);
    EXPECT_EQ(ReleaseDC(second, firstDc), 0);
    EXPECT_EQ(ReleaseDC(first, firstDc), 1);
    EXPECT_EQ(GetDC(nullptr), nullptr);

    EXPECT_TRUE(DestroyWindow(second));
    EXPECT_FALSE(DestroyWindow(second));
    EXPECT_EQ(GetDC(second), nullptr);
    windows.pop_back();
}

TEST_F(WindowTest, FocusReportsThePreviousWindowAndStockHandlesExist) {
    HWND first = createClientWindow(32, 32);
    HWND second = createClientWindow(32, 32);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    SetFocus(nullptr);
    EXPECT_EQ(SetFocus(first), nullptr);
    EXPECT_EQ(SetFocus(second), first);
    EXPECT_TRUE(DestroyWindow(second));
    windows.pop_back();
    EXPECT_EQ(SetFocus(first), nullptr);  // the destroyed window lost the focus
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

TEST_F(WindowTest, ShowCursorKeepsTheWindowsDisplayCounter) {
    ASSERT_NE(createClientWindow(32, 32), nullptr);
    int hidden = ShowCursor(FALSE);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), hidden >= 0 ? SDL_ENABLE : SDL_DISABLE);
    EXPECT_EQ(ShowCursor(FALSE), hidden - 1);
    EXPECT_EQ(ShowCursor(TRUE), hidden);
    int shown = ShowCursor(TRUE);
    EXPECT_EQ(shown, hidden + 1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), shown >= 0 ? SDL_ENABLE : SDL_DISABLE);
}
