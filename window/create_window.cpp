// Creating the window with its pixel format and rendering context, setting up
// GL state once the context is current, and releasing everything in the
// reverse order. A window is made at the monitor's scale where Windows says
// what that is.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "window/gl_window.h"
#include "window/player_notice.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace {

constexpr UINT errorBox = MB_OK | MB_ICONEXCLAMATION;
constexpr UINT shutdownBox = MB_OK | MB_ICONINFORMATION;
constexpr size_t reasonCapacity = 512;
constexpr size_t reportCapacity = 640;
// The settings' window size is in pixels of a 96-DPI display (100% scale).
constexpr int64_t defaultDpi = 96;
constexpr int effectiveDpi = 0;  // MDT_EFFECTIVE_DPI of <shellscalingapi.h>
constexpr BYTE depthBits = 16;
// The size of the DEVMODEA handed to the mode switch: the record without its
// two trailing panning fields, which the switch does not need.
constexpr WORD displayModeSize = 148;

// Shared by every creation; the colour and depth bits are filled on the first
// one and kept for any later one.
PIXELFORMATDESCRIPTOR pixelFormat = {
    40,  // nSize
    1,   // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA,
    0,                    // cColorBits, from the first creation
    0, 0, 0, 0, 0, 0,     // red, green, blue bits and shifts
    0, 0,                 // alpha bits and shift
    0, 0, 0, 0, 0,        // accumulation bits
    0,                    // cDepthBits, from the first creation
    0,                    // cStencilBits
    0,                    // cAuxBuffers
    PFD_MAIN_PLANE,
    0,                    // bReserved
    0, 0, 0,              // layer, visible and damage masks
};
bool pixelFormatFilled = false;

typedef void (*AnyFunction)();
typedef HMONITOR(WINAPI* MonitorFromPointFunction)(POINT point, DWORD flags);
typedef HRESULT(WINAPI* GetDpiForMonitorFunction)(HMONITOR monitor, int type, UINT* dpiX,
                                                   UINT* dpiY);
typedef BOOL(WINAPI* AdjustWindowRectExForDpiFunction)(RECT* rect, DWORD style, BOOL menu,
                                                        DWORD extendedStyle, UINT dpi);

// A function of a DLL that may be too old to have it; null then.
template <typename Function>
Function findFunction(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // Through a generic function type, which converts to any other without a
    // warning about incompatible signatures.
    return reinterpret_cast<Function>(reinterpret_cast<AnyFunction>(GetProcAddress(module, name)));
}

// The DPI of the monitor at the point, with the function that frames a client
// area for it, from Windows 10 on (AdjustWindowRectExForDpi came with version
// 1607). 0 where any of them is missing: the window keeps the settings' size
// in pixels then, as it always did.
UINT monitorDpi(POINT point, AdjustWindowRectExForDpiFunction& adjust) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    adjust = findFunction<AdjustWindowRectExForDpiFunction>(user32, "AdjustWindowRectExForDpi");
    const auto monitorFromPoint =
        findFunction<MonitorFromPointFunction>(user32, "MonitorFromPoint");
    // shcore.dll from the system folder only, never one beside the program.
    const auto dpiForMonitor = findFunction<GetDpiForMonitorFunction>(
        LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
    if (adjust == nullptr || monitorFromPoint == nullptr || dpiForMonitor == nullptr) return 0;
    UINT dpiX = 0;
    UINT dpiY = 0;
    const HMONITOR monitor = monitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY);
    if (dpiForMonitor(monitor, effectiveDpi, &dpiX, &dpiY) != S_OK) return 0;
    return dpiX;
}

// A length in 96-DPI pixels at the DPI, rounded to the nearest pixel.
LONG scaledLength(int length, UINT dpi) {
    const int64_t scaled = (int64_t(length) * dpi + defaultDpi / 2) / defaultDpi;
    return LONG(std::min<int64_t>(scaled, INT32_MAX));
}

// The text of a last-error code as a line of its own, without Windows' line end.
void describeError(DWORD error, char (&reason)[reasonCapacity]) {
    if (error == 0) {
        std::snprintf(reason, sizeof reason, "The system gave no reason.");
        return;
    }
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reason, DWORD(sizeof reason), nullptr);
    while (length > 0 && (reason[length - 1] == '\n' || reason[length - 1] == '\r' ||
                          reason[length - 1] == ' ')) {
        --length;
    }
    if (length == 0) {
        std::snprintf(reason, sizeof reason, "System error %lu.",
                      static_cast<unsigned long>(error));
        return;
    }
    reason[length] = '\0';
}

// The step's own text, then the reason Windows gave for the failure: taken
// right after the step, as the release that runs before the box would
// replace it.
void reportCreationFailure(const char* text, DWORD error) {
    char reason[reasonCapacity];
    describeError(error, reason);
    char report[reportCapacity];
    std::snprintf(report, sizeof report, "%s\n%s", text, reason);
    tellPlayer(report, "ERROR", errorBox);
}

// A failed step after the window exists: the reason is read before the
// release can replace it, then everything made so far is released and the
// player told. Always false, what createWindow then answers.
bool abandonCreation(GlWindow& created, const char* text) {
    const DWORD error = GetLastError();
    created.killWindow();
    reportCreationFailure(text, error);
    return false;
}

void reportReleaseFailure(const char* text) { tellPlayer(text, "SHUTDOWN ERROR", shutdownBox); }

}  // namespace

bool GlWindow::createWindow(const char* title, int width, int height, int bits, bool fullscreenFlag) {
    isFullscreen = fullscreenFlag;
    instance = GetModuleHandleA(nullptr);
    RECT clientRect;
    clientRect.left = 0;
    clientRect.top = 0;
    clientRect.right = width;
    clientRect.bottom = height;

    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(iconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) == 0) {
        // No class was registered, so there is none for killWindow to
        // unregister later (it also runs from the destructor).
        instance = nullptr;
        reportCreationFailure("Failed To Register The Window Class.", GetLastError());
        return false;
    }

    if (isFullscreen) {
        EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &savedDisplayMode);
        DEVMODEA screenMode;
        std::memset(&screenMode, 0, sizeof(screenMode));
        screenMode.dmSize = displayModeSize;
        screenMode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        screenMode.dmPelsWidth = static_cast<DWORD>(width);
        screenMode.dmPelsHeight = static_cast<DWORD>(height);
        screenMode.dmBitsPerPel = static_cast<DWORD>(bits);
        // A refused switch is no error: the game runs in a window instead.
        if (ChangeDisplaySettingsA(&screenMode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            isFullscreen = false;
        }
    }

    DWORD extendedStyle;
    DWORD style;
    windowDpi = 0;
    if (isFullscreen) {
        ShowCursor(FALSE);
        extendedStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
    } else {
        extendedStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    // Full screen covers the mode's pixels, whatever the desktop's scale; a
    // window is the settings' size at the scale of the monitor it opens on.
    AdjustWindowRectExForDpiFunction adjustForDpi = nullptr;
    if (!isFullscreen) windowDpi = monitorDpi(POINT{posX, posY}, adjustForDpi);
    if (windowDpi != 0) {
        clientRect.right = scaledLength(width, windowDpi);
        clientRect.bottom = scaledLength(height, windowDpi);
        adjustForDpi(&clientRect, style, FALSE, extendedStyle, windowDpi);
    } else {
        AdjustWindowRectEx(&clientRect, style, FALSE, extendedStyle);
    }

    window = CreateWindowExA(extendedStyle, className, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                             posX, posY, clientRect.right - clientRect.left,
                             clientRect.bottom - clientRect.top, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return abandonCreation(*this, "Window Creation Error.");

    if (!pixelFormatFilled) {
        pixelFormat.cColorBits = static_cast<BYTE>(bits);
        pixelFormat.cDepthBits = depthBits;
        pixelFormatFilled = true;
    }

    deviceContext = GetDC(window);
    if (deviceContext == nullptr) {
        return abandonCreation(*this, "Can't Create A GL Device Context.");
    }
    const int format = ChoosePixelFormat(deviceContext, &pixelFormat);
    if (format == 0) return abandonCreation(*this, "Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(deviceContext, format, &pixelFormat)) {
        return abandonCreation(*this, "Can't Set The PixelFormat.");
    }
    renderContext = wglCreateContext(deviceContext);
    if (renderContext == nullptr) {
        return abandonCreation(*this, "Can't Create A GL Rendering Context.");
    }
    if (!wglMakeCurrent(deviceContext, renderContext)) {
        return abandonCreation(*this, "Can't Activate The GL Rendering Context.");
    }

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    initGl();
    return true;
}

// Safe to run any number of times: every handle is released only while held
// and nulled after. A failed step is reported and the rest still runs.
void GlWindow::killWindow() {
    if (isFullscreen) {
        if (ChangeDisplaySettingsA(nullptr, CDS_TEST) == DISP_CHANGE_SUCCESSFUL) {
            ChangeDisplaySettingsA(nullptr, CDS_RESET);
            ChangeDisplaySettingsA(&savedDisplayMode, CDS_RESET);
        } else {
            ChangeDisplaySettingsA(nullptr, CDS_RESET);
        }
        ShowCursor(TRUE);
    }
    if (renderContext != nullptr) {
        if (!wglMakeCurrent(nullptr, nullptr)) reportReleaseFailure("Release Of DC And RC Failed.");
        if (!wglDeleteContext(renderContext)) reportReleaseFailure("Release Rendering Context Failed.");
        renderContext = nullptr;
    }
    if (deviceContext != nullptr) {
        if (ReleaseDC(window, deviceContext) == 0) reportReleaseFailure("Release Device Context Failed.");
        deviceContext = nullptr;
    }
    if (window != nullptr) {
        if (!DestroyWindow(window)) reportReleaseFailure("Could Not Release hWnd.");
        window = nullptr;
    }
    if (instance != nullptr) {
        if (!UnregisterClassA(className, instance)) reportReleaseFailure("Could Not Unregister Class.");
        instance = nullptr;
    }
    // The lists went with the context; deleting them with no context current
    // does nothing but keeps the font bookkeeping symmetric.
    for (uint32_t index = 0; index < fontCount; ++index) deleteFont(index);
}

// The suggested rectangle keeps the client area's share of the screen at the
// new scale; the picture keeps its share of the client area, so the viewport
// scales with it. A window made in the settings' pixels (full screen, Windows
// before 10) stays as it is.
void GlWindow::followDpi(UINT dpi, const RECT& suggested) {
    if (windowDpi == 0 || dpi == 0) return;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const auto rescale = [&](GLint length) {
        return GLint((int64_t(length) * dpi + windowDpi / 2) / windowDpi);
    };
    glViewport(rescale(viewport[0]), rescale(viewport[1]), rescale(viewport[2]),
               rescale(viewport[3]));
    windowDpi = dpi;
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A font's display lists belong to the context, so they are released here
// with it; render/ fills them (buildFont) and draws with them (print).
void GlWindow::deleteFont(uint32_t index) {
    if (index >= fontCount) return;
    glDeleteLists(fontBases[index], fontGlyphCount);
}

// GL state the scene relies on, set once the context is current: the block
// texture, texturing on, a black clear colour and back faces culled (filled
// shapes are wound counter-clockwise). The scene's font is built by its
// owner right after createWindow returns.
void GlWindow::initGl() {
    loadTextures(false, GL_NEAREST, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_CULL_FACE);
}
