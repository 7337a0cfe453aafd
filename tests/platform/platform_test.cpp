// The platform's Win32 subset on SDL's offscreen driver.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <time.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

using Received = std::tuple<HWND, UINT, WPARAM, LPARAM>;

WORD registerClass(const char* name, WNDPROC procedure) {
    WNDCLASSA windowClass = {0, procedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, name};
    return RegisterClassA(&windowClass);
}

// Host events as SDL reports them; a null window gives an event of no window.
void pushEvent(HWND hWnd, SDL_Event event) {
    event.window.windowID = hWnd != nullptr ? SDL_GetWindowID(findWindow(hWnd)->sdlWindow) : 0;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}
void pushKey(HWND hWnd, SDL_Scancode code, SDL_Keycode symbol, Uint16 modifiers = 0,
             Uint32 type = SDL_KEYDOWN, Uint8 repeat = 0) {
    SDL_Event event = {};
    event.key = {type,   0, 0, Uint8(type == SDL_KEYDOWN),
                 repeat, 0, 0, {code, symbol, modifiers, 0}};
    pushEvent(hWnd, event);
}

// The queued messages, WM_QUIT included (bounded, should it never end).
std::vector<MSG> takeAll() {
    std::vector<MSG> all;
    MSG msg;
    while (all.size() < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) all.push_back(msg);
    return all;
}

// The next such message for the window (kind 0: any key), or a zeroed MSG; earlier ones dropped.
MSG take(HWND hWnd = nullptr, UINT message = 0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (message == 0 ? msg.message >= WM_KEYDOWN && msg.message <= WM_SYSKEYUP
                         : msg.hwnd == hWnd && msg.message == message) {
            return msg;
        }
    }
    return MSG{};
}

void drainQueue() {
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
        ASSERT_NE(registerClass(className, record), 0);
    }
    static LRESULT CALLBACK record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        received.emplace_back(hWnd, message, wParam, lParam);
        return 0;
    }
    void TearDown() override {
        for (HWND hWnd : windows) DestroyWindow(hWnd);
        EXPECT_TRUE(UnregisterClassA(className, nullptr));
        drainQueue();
    }

    // A window of this client size, made as the game makes one.
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

}  // namespace

// Classes, windows of exactly the client size asked for, device contexts, the cursor counter.
TEST_F(PlatformTest, ClassesWindowSizesDeviceContextsAndTheCursorCounter) {
    EXPECT_EQ(registerClass(className, DefWindowProcA), 0);  // registered already
    EXPECT_EQ(registerClass("NoProcedure", nullptr) | registerClass("", DefWindowProcA), 0);
    // Client width and height, style, and the fixed frame: border and top.
    for (auto [width, height, style, border, top] :
         {std::tuple{640, 480, WS_OVERLAPPEDWINDOW, 8, 31},
          {333, 251, WS_OVERLAPPEDWINDOW, 8, 31},
          {640, 480, WS_POPUP, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << " style " << style);
        RECT rect = {10, 20, 10 + width, 20 + height};
        ASSERT_TRUE(AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
        EXPECT_EQ(std::make_tuple(rect.left, rect.top, rect.right - width, rect.bottom - height),
                  std::make_tuple(10 - border, 20 - top, 10 + border, 20 + border));
        int clientWidth = 0, clientHeight = 0;
        SDL_GetWindowSize(findWindow(createClientWindow(width, height, style))->sdlWindow,
                          &clientWidth, &clientHeight);
        EXPECT_EQ(std::make_pair(clientWidth, clientHeight), std::make_pair(width, height));
    }
    EXPECT_FALSE(UnregisterClassA(className, nullptr));  // its live windows hold it
    HWND first = createClientWindow(32, 32), second = createClientWindow(32, 32);
    HDC firstDc = GetDC(first);
    EXPECT_EQ(GetDC(first), firstDc);  // one DC per window, as with CS_OWNDC
    EXPECT_EQ(ReleaseDC(second, firstDc), 0);
    EXPECT_EQ(ReleaseDC(first, firstDc), 1);
    EXPECT_TRUE(DestroyWindow(second));
    EXPECT_FALSE(DestroyWindow(second));
    EXPECT_EQ(GetDC(second), nullptr);
    const int start = ShowCursor(TRUE);
    for (auto [show, change] : {std::pair{FALSE, -1}, {FALSE, -2}, {TRUE, -1}, {TRUE, 0}}) {
        const int count = ShowCursor(show);
        EXPECT_EQ(count, start + change);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), count >= 0 ? SDL_ENABLE : SDL_DISABLE) << count;
    }
    ShowCursor(FALSE);
}

TEST_F(PlatformTest, ShowingAndHostWindowEventsBecomeWindowMessages) {
    HWND hWnd = createClientWindow(320, 200, WS_OVERLAPPEDWINDOW, 100, 50),
         second = createClientWindow(32, 32);
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOW));  // was hidden; sends (client at 108, 81) first
    EXPECT_EQ(received, (std::vector<Received>{{hWnd, WM_ACTIVATE, WA_ACTIVE, 0},
                                               {hWnd, WM_SIZE, SIZE_RESTORED, 320 | (200 << 16)},
                                               {hWnd, WM_MOVE, 0, 108 | (81 << 16)}}));
    drainQueue();
    // Minimised in the high word, positions as 16-bit words (x past the left edge).
    // clang-format off
    const std::tuple<Uint8, Sint32, Sint32, UINT, WPARAM, LPARAM> cases[] = {
        {SDL_WINDOWEVENT_MINIMIZED, 0, 0, WM_ACTIVATE, WA_INACTIVE | 0x10000, 0},
        {SDL_WINDOWEVENT_RESTORED, 0, 0, WM_ACTIVATE, WA_ACTIVE, 0},
        {SDL_WINDOWEVENT_MOVED, -5, 70, WM_MOVE, 0, 0x0046FFFB},
        {SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700, WM_SIZE, SIZE_RESTORED, 1024 | (700 << 16)},
        {SDL_WINDOWEVENT_CLOSE, 0, 0, WM_CLOSE, 0, 0}};
    // clang-format on
    for (auto [kind, data1, data2, message, wParam, lParam] : cases) {
        SDL_Event event = {};
        event.window = {SDL_WINDOWEVENT, 0, 0, kind, 0, 0, 0, data1, data2};
        pushEvent(hWnd, event);
        MSG msg = take(hWnd, message);
        EXPECT_EQ(std::make_tuple(msg.message, msg.wParam, msg.lParam),
                  std::make_tuple(message, wParam, lParam));
    }
    // The host's termination request, and each termination signal even in a
    // wait nothing else would end, ask every window to close.
    catchTerminationSignals();
    for (int signalNumber : {0, SIGHUP, SIGINT, SIGTERM}) {
        if (signalNumber == 0) pushEvent(nullptr, {SDL_QUIT});
        EXPECT_TRUE(signalNumber == 0 || (raise(signalNumber) == 0 && WaitMessage()));
        std::multiset<HWND> closing;
        for (const MSG& msg : takeAll())
            if (msg.message == WM_CLOSE) closing.insert(msg.hwnd);
        EXPECT_EQ(closing, (std::multiset{hWnd, second})) << signalNumber;
    }
}

// Host keys arrive as key messages with Windows virtual-key codes; unread keys send nothing.
TEST_F(PlatformTest, HostKeysArriveWithWindowsCodesAndAsSystemKeysWhileAltIsHeld) {
    HWND window = createClientWindow(64, 48), other = createClientWindow(32, 32);
    // Virtual key 0: no message (F10, Alt); while Alt is held, system keys.
    // clang-format off
    const std::tuple<SDL_Scancode, SDL_Keycode, Uint16, WPARAM> keys[] = {
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 0, 37}, {SDL_SCANCODE_UP, SDLK_UP, 0, 38},
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0, 39}, {SDL_SCANCODE_DOWN, SDLK_DOWN, 0, 40},
        {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 0, 8}, {SDL_SCANCODE_RETURN, SDLK_RETURN, 0, 13},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 0, 13}, {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, 27},
        {SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, 16}, {SDL_SCANCODE_F1, SDLK_F1, 0, 112},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, 16}, {SDL_SCANCODE_F12, SDLK_F12, 0, 123},
        {SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL, 17}, {SDL_SCANCODE_SPACE, SDLK_SPACE, 0, 32},
        {SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, 17}, {SDL_SCANCODE_TAB, SDLK_TAB, 0, 0},
        // Letters ignore Caps Lock and Shift, follow the layout (QWERTZ, AZERTY),
        // go by position without Latin letters (Cyrillic) but not where the key
        // types punctuation; the digit row is '0'..'9' everywhere, the keypad never.
        {SDL_SCANCODE_A, 'a', 0, 'A'}, {SDL_SCANCODE_Y, 'z', 0, 'Z'}, {SDL_SCANCODE_Q, 'a', 0, 'A'},
        {SDL_SCANCODE_A, 'a', KMOD_CAPS | KMOD_LSHIFT, 'A'}, {SDL_SCANCODE_A, 0x0444, 0, 'A'},
        {SDL_SCANCODE_M, ',', 0, 0}, {SDL_SCANCODE_1, '1', 0, '1'}, {SDL_SCANCODE_0, '0', 0, '0'},
        {SDL_SCANCODE_1, '1', KMOD_LSHIFT, '1'}, {SDL_SCANCODE_1, '&', 0, '1'},
        {SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM, 0}, {SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, 0, 0},
        {SDL_SCANCODE_F10, SDLK_F10, 0, 0}, {SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, 0},
        {SDL_SCANCODE_A, 'a', KMOD_LALT, 'A'}, {SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT, 115},
        {SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_RALT, 37},
    };
    // clang-format on
    for (auto [scancode, character, modifiers, virtualKey] : keys) {
        SCOPED_TRACE(testing::Message() << scancode << " " << character << " " << modifiers);
        pushKey(window, scancode, character, modifiers);
        pushKey(window, scancode, character, modifiers, SDL_KEYUP);
        MSG down = take(), up = take();
        const UINT keyDown = modifiers & KMOD_ALT ? WM_SYSKEYDOWN : WM_KEYDOWN;
        const UINT message = virtualKey == 0 ? 0 : keyDown;
        EXPECT_EQ(std::make_tuple(down.message, down.wParam, up.message, up.wParam),
                  std::make_tuple(message, virtualKey, message == 0 ? 0 : message + 1, virtualKey));
        EXPECT_TRUE(message == 0 || (down.hwnd == window && up.hwnd == window));
    }
    // Auto-repeat is another WM_KEYDOWN, so the game's flag is set again.
    pushKey(window, SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE, SDL_KEYDOWN, 1);
    EXPECT_EQ(take().wParam, WPARAM(40));
    // Keys of no window go to the focus when taken from the host; no focus, no message.
    SetFocus(other);
    pushKey(nullptr, SDL_SCANCODE_A, 'a');
    SetFocus(window);
    pushKey(nullptr, SDL_SCANCODE_A, 'a');
    EXPECT_EQ(std::make_pair(take().hwnd, take().hwnd), std::make_pair(window, window));
    SetFocus(nullptr);
    pushKey(nullptr, SDL_SCANCODE_A, 'a');
    EXPECT_EQ(take().message, 0u);
}

// The queue: order, WM_QUIT last and once with its code; a wait ends once something is there.
TEST_F(PlatformTest, MessagesComeOutInOrderQuitLastAndWaitsEndOnAMessage) {
    HWND hWnd = createClientWindow(64, 48);
    pushKey(hWnd, SDL_SCANCODE_A, 'a');
    pushKey(hWnd, SDL_SCANCODE_B, 'b');
    PostQuitMessage(7);
    pushKey(hWnd, SDL_SCANCODE_C, 'c');  // after the request, yet ahead of WM_QUIT as on Windows
    std::vector<std::pair<UINT, WPARAM>> keysAndQuit;  // host window messages may come in between
    for (const MSG& msg : takeAll()) {
        if (msg.message == WM_QUIT || (msg.message == WM_KEYDOWN && msg.hwnd == hWnd))
            keysAndQuit.emplace_back(msg.message, msg.wParam);
    }
    EXPECT_EQ(keysAndQuit,
              decltype(keysAndQuit)(
                  {{WM_KEYDOWN, 'A'}, {WM_KEYDOWN, 'B'}, {WM_KEYDOWN, 'C'}, {WM_QUIT, 7}}));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // the quit is reported once
    drainQueue();
    pushKey(hWnd, SDL_SCANCODE_C, 'c');  // the only event: the wait takes it in
    EXPECT_TRUE(WaitMessage());
    EXPECT_EQ(take(hWnd, WM_KEYDOWN).wParam, WPARAM('C'));
    PostQuitMessage(5);  // a pending quit counts: no blocking
    EXPECT_TRUE(WaitMessage());
    EXPECT_EQ(take(nullptr, WM_QUIT).wParam, WPARAM(5));
}

// Full-screen switches: granted for an offered size only, taken by the next popup; the way back.
TEST_F(PlatformTest, AnOfferedSizeMakesTheNextPopupFullScreenUntilReset) {
    auto isFullscreen = [](HWND hWnd) {
        return (SDL_GetWindowFlags(findWindow(hWnd)->sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
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
    EXPECT_FALSE(isFullscreen(createClientWindow(320, 240, WS_POPUP)));  // stays a window
    mode.dmPelsWidth -= 3;
    const int width = int(mode.dmPelsWidth), height = int(mode.dmPelsHeight);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(isFullscreen(createClientWindow(320, 240, WS_OVERLAPPEDWINDOW)));  // windowed
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

// Where no box can be shown, MessageBoxA fails, as Windows does, and writes nothing: the
// game writes each box's text itself, once.
TEST(MessageBoxTest, WithoutADisplayNoBoxAndNothingWritten) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Could Not Release hWnd.", "SHUTDOWN ERROR", MB_ICONINFORMATION),
              0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The text of the last error, as FormatMessageA gives it; "" for none.
std::string lastErrorText() {
    char text[512];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, GetLastError(), 0, text, sizeof text, nullptr);
    return std::string(text, length);
}

// A failed call leaves its reason as the last error: Windows' code and text for a refusal of
// the emulation's own, the host's words for the host's failure; none for newer Windows' DLLs.
TEST_F(PlatformTest, AFailedCallSaysWhyThroughTheLastError) {
    HWND hWnd = createClientWindow(64, 48);
    HDC dc = GetDC(hWnd), bogusDc = reinterpret_cast<HDC>(&received);
    HGLRC bogusContext = reinterpret_cast<HGLRC>(&received);
    WNDCLASSA noProcedure = {0,       nullptr, 0,       0,       nullptr,
                             nullptr, nullptr, nullptr, nullptr, "NoProc"};
    // clang-format off
    const std::tuple<const char*, std::function<bool()>, DWORD, std::string> cases[] = {
        {"class again", [] { return registerClass(className, DefWindowProcA) == 0; },
         1410, "Class already exists.\r\n"},
        {"class without procedure", [&] { return RegisterClassA(&noProcedure) == 0; },
         87, "The parameter is incorrect.\r\n"},
        {"unknown class", [] { return !CreateWindowExA(0, "Unknown", "", WS_POPUP, 0, 0, 9, 9,
                                                       nullptr, nullptr, nullptr, nullptr); },
         1407, "Cannot find window class.\r\n"},
        {"too wide for SDL", [] { return !CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 20000, 9,
                                                          nullptr, nullptr, nullptr, nullptr); },
         hostFailureCode, "Window is too large.\r\n"},
        {"host without words", [] { SDL_ClearError(); failWithHostReason(); return true; },
         hostFailureCode, "The host library gave no reason.\r\n"},
        {"DC of no window", [&] { return GetDC(reinterpret_cast<HWND>(&received)) == nullptr; },
         1400, "Invalid window handle.\r\n"},
        {"format of no DC", [&] { return ChoosePixelFormat(bogusDc, nullptr) == 0; },
         6, "The handle is invalid.\r\n"},
        {"unoffered format", [&] { return !SetPixelFormat(dc, 2, nullptr); },
         2000, "The pixel format is invalid.\r\n"},
        {"context without format", [&] { return wglCreateContext(dc) == nullptr; },
         2000, "The pixel format is invalid.\r\n"},
        {"no such context", [&] { return !wglMakeCurrent(dc, bogusContext); },
         6, "The handle is invalid.\r\n"},
        {"a DLL", [] { return GetModuleHandleA("user32.dll") == nullptr; },
         126, "The specified module could not be found.\r\n"},
        {"a DLL loaded", [] { return !LoadLibraryExA("shcore.dll", nullptr, 0x800); },
         126, "The specified module could not be found.\r\n"},
        {"a function", [] { return !GetProcAddress(GetModuleHandleA(nullptr), "GetDpiForSystem"); },
         127, "The specified procedure could not be found.\r\n"}};
    // clang-format on
    for (const auto& [what, call, code, text] : cases) {
        SetLastError(0);
        EXPECT_TRUE(call()) << what << " did not fail";
        EXPECT_EQ(std::make_pair(GetLastError(), lastErrorText()), std::make_pair(code, text))
            << what;
    }
    // Windows' message table has no text for an unknown code, nor room in a short buffer.
    char text[8];
    for (auto [code, size, error] : {std::tuple{DWORD(0x20001234), 8u, 317u}, {1400, 8, 122}}) {
        EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, size, nullptr),
                  0u);
        EXPECT_EQ(GetLastError(), error) << code;
    }
    // Windows past the 16 the table holds are refused for want of memory.
    int made = 0;
    while (made < 32 && CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr,
                                        nullptr, nullptr) != nullptr) {
        ++made;
    }
    EXPECT_EQ(made + 1, maxWindows);  // besides the one above
    EXPECT_EQ(GetLastError(), DWORD(8));
    for (WindowRecord& record : windowRecords)
        if (record.live && handleOf(&record) != hWnd) windows.push_back(handleOf(&record));
}

// Sleep ends on the first 1/64-s tick at least the asked time after the call; 0 only yields.
TEST(Sleep, EndsOnTheFirstTickAtLeastTheAskedTimeAfterTheCall) {
    // A tick 30 days after boot; a tick period is 15.625 ms.
    constexpr int64_t tick = int64_t(64) * 86400 * 30 * 15625000, period = 15625000;
    // Start as nanoseconds from that tick, milliseconds asked, the end from that tick.
    // clang-format off
    const std::tuple<int64_t, DWORD, int64_t> cases[] = {
        {0, 0, 0}, {1, 0, 1},                                   // no wait at all
        {0, 1, period}, {-1, 1, period}, {1, 1, period},
        {14625000, 1, period},                                  // exactly 1 ms before a tick
        {15000000, 1, 2 * period},                              // 0.625 ms before: one tick more
        {0, 15, period}, {-1, 15, period}, {0, 16, 2 * period}, {-1, 16, 2 * period},
        {0, 31, 2 * period}, {250000, 31, 2 * period}, {250001, 31, 3 * period},
        {0, 1000, 64 * period}, {-1, 1000, 64 * period}, {1, 1000, 65 * period}};
    // clang-format on
    for (auto [start, milliseconds, end] : cases) {
        EXPECT_EQ(sleepEnd(tick + start, milliseconds) - tick, end)
            << "start " << start << " ns from a tick, Sleep(" << milliseconds << ")";
    }
}

namespace {
int64_t monotonicNow() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}
void ignoreAlarm(int) {}
}  // namespace

// The real Sleep never ends before that tick, not even when a signal interrupts it.
TEST(Sleep, NeverEndsBeforeItsTickEvenWhenASignalComes) {
    struct sigaction action = {}, previous = {};
    action.sa_handler = ignoreAlarm;  // no SA_RESTART: the wait is interrupted
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    for (auto [milliseconds, alarmMicroseconds] : {std::pair{DWORD(1), 0}, {16, 0}, {40, 2000}}) {
        itimerval alarm = {{0, 0}, {0, alarmMicroseconds}};
        const int64_t before = monotonicNow();
        ASSERT_EQ(setitimer(ITIMER_REAL, &alarm, nullptr), 0);
        Sleep(milliseconds);
        const int64_t after = monotonicNow();
        EXPECT_GE(after, sleepEnd(before, milliseconds))
            << "Sleep(" << milliseconds << ") ended " << (sleepEnd(before, milliseconds) - after)
            << " ns early, alarm after " << alarmMicroseconds << " us";
    }
    sigaction(SIGALRM, &previous, nullptr);
}

namespace {
int lostDisplayReport = -1;  // the child's pipe for what the windows heard
XIOErrorHandler lostDisplayHandler = nullptr;

LRESULT CALLBACK reportSessionEnd(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION || message == WM_ENDSESSION) {
        // A handler that goes round again ends here, not after a stack overflow.
        static int calls = 0;
        if (++calls > 8) _exit(4);
        char line[96];
        const int length =
            std::snprintf(line, sizeof line, "%p %u %lu %ld\n", static_cast<void*>(hWnd), message,
                          static_cast<unsigned long>(wParam), long(lParam));
        if (write(lostDisplayReport, line, size_t(length)) != length) _exit(3);
        // A save that touches the dead display again comes back to the handler.
        if (message == WM_ENDSESSION) lostDisplayHandler(nullptr);
    }
    return 0;
}

std::string readAll(int descriptor) {
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = read(descriptor, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, size_t(got));
    }
    close(descriptor);
    return text;
}
}  // namespace

// A lost X connection ends the session as a Windows log-off does: every live
// window hears WM_QUERYENDSESSION, then every one WM_ENDSESSION (TRUE), and
// the process ends with status 1 after one line on standard error, also when
// a window's save runs into the lost display again.
TEST_F(PlatformTest, ALostDisplayEndsEveryWindowsSessionThenTheProcessOnce) {
    constexpr const char* sessionClass = "SessionEndClass";
    ASSERT_NE(registerClass(sessionClass, reportSessionEnd), 0);
    HWND hWnds[2];
    for (HWND& hWnd : hWnds) {
        hWnd = CreateWindowExA(0, sessionClass, "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr,
                               nullptr);
        ASSERT_NE(hWnd, nullptr);
    }
    catchDisplayLoss();
    lostDisplayHandler = XSetIOErrorHandler(nullptr);
    ASSERT_NE(lostDisplayHandler, nullptr);
    int heard[2], told[2];
    ASSERT_EQ(pipe(heard), 0);
    ASSERT_EQ(pipe(told), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(heard[0]);
        close(told[0]);
        dup2(told[1], STDERR_FILENO);
        lostDisplayReport = heard[1];
        lostDisplayHandler(nullptr);
        _exit(2);  // the handler never returns
    }
    close(heard[1]);
    close(told[1]);
    const std::string messages = readAll(heard[0]);
    const std::string errors = readAll(told[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    for (HWND hWnd : hWnds) DestroyWindow(hWnd);
    EXPECT_TRUE(UnregisterClassA(sessionClass, nullptr));

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "wait status " << status;
    char expected[256];
    std::snprintf(expected, sizeof expected, "%p 17 0 0\n%p 17 0 0\n%p 22 1 0\n",
                  static_cast<void*>(hWnds[0]), static_cast<void*>(hWnds[1]),
                  static_cast<void*>(hWnds[0]));
    // The second window's WM_ENDSESSION never comes: the first one's save
    // met the lost display again, and the process ended there.
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(errors, "The connection to the display  was lost; the game saves and ends.\n");
}

// Mesa's software rasteriser draws on the game's thread (LP_NUM_THREADS=0)
// unless the player set the variable; the start of video decides it.
TEST(StartVideo, MesaDrawsOnTheGameThreadUnlessThePlayerChoseOtherwise) {
    constexpr const char* name = "LP_NUM_THREADS";
    const char* const before[] = {nullptr, "3", "0"};
    const char* const expected[] = {"0", "3", "0"};
    for (size_t i = 0; i < 3; ++i) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (before[i] != nullptr) {
            setenv(name, before[i], 1);
        } else {
            unsetenv(name);
        }
        ASSERT_TRUE(startVideo());
        const char* after = getenv(name);
        EXPECT_STREQ(after, expected[i])
            << "set before the start: " << (before[i] ? before[i] : "nothing");
    }
    unsetenv(name);
}

int main(int argc, char** argv) {
    // Mesa's shader cache would go to the real home folder, whatever HOME says.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    stopHost();
    return result;
}
