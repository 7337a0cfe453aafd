#include "tests/platform/platform_fixture.h"

#include <GL/gl.h>

std::vector<ReceivedMessage> PlatformTest::received;

LRESULT CALLBACK PlatformTest::recordingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back(ReceivedMessage{hWnd, message, wParam, lParam});
    return 0;
}

void PlatformTest::drainQueue() {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void PlatformTest::SetUp() {
    drainQueue();
    received.clear();
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    ASSERT_NE(RegisterClassA(&windowClass), 0);
}

void PlatformTest::TearDown() {
    for (HWND hWnd : windows) DestroyWindow(hWnd);
    windows.clear();
    EXPECT_TRUE(UnregisterClassA(className, GetModuleHandleA(nullptr)));
    drainQueue();
}

HWND PlatformTest::createClientWindow(int width, int height, DWORD style, int x, int y) {
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW);
    HWND hWnd = CreateWindowExA(WS_EX_APPWINDOW, className, "Platform test",
                                style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (hWnd != nullptr) windows.push_back(hWnd);
    return hWnd;
}

SDL_Window* PlatformTest::sdlWindowOf(HWND hWnd) {
    WindowRecord* record = findWindow(hWnd);
    return record != nullptr ? record->sdlWindow : nullptr;
}

PIXELFORMATDESCRIPTOR gamePixelFormat() {
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 16;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    return format;
}

void GlTest::SetUp() {
    PlatformTest::SetUp();
    window = createClientWindow(width, height);
    ASSERT_NE(window, nullptr);
    dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    PIXELFORMATDESCRIPTOR format = gamePixelFormat();
    int chosen = ChoosePixelFormat(dc, &format);
    ASSERT_NE(chosen, 0);
    ASSERT_TRUE(SetPixelFormat(dc, chosen, &format));
    context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GlTest::TearDown() {
    wglMakeCurrent(nullptr, nullptr);
    if (context != nullptr) wglDeleteContext(context);
    if (dc != nullptr) ReleaseDC(window, dc);
    PlatformTest::TearDown();
}
