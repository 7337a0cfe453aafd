// GlWindow: the one object that holds what the game needs from the platform
// to put pixels on the screen: window and class, device and rendering
// contexts, the display mode saved before a full-screen switch, the bitmap
// fonts and the texture set. There is exactly one, a global.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/refusal.h"
#include "platform/win32.h"

constexpr uint32_t maxFonts = 10;
constexpr uint32_t maxTextureFiles = 100;
constexpr uint32_t maxFileNameLength = 99;   // a texture file's name, terminator not counted
constexpr uint32_t maxClassNameLength = 99;  // the window class's name, likewise
constexpr uint32_t fontGlyphCount = 224;  // character codes 32..255, one display list each
constexpr uint32_t firstFontGlyph = 32;

// The scene's coordinate space: a fixed 640 x 480 screen, origin at the
// bottom left, stretched over the client area whatever its size.
constexpr int virtualScreenWidth = 640;
constexpr int virtualScreenHeight = 480;

typedef bool (*ImageLoader)(Image& image, const char* fileName);

class GlWindow {
public:
    GlWindow();
    ~GlWindow();
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    // Window and context.
    void setClassName(const char* name);
    bool createWindow(const char* title, int width, int height, int bits, bool fullscreenFlag);
    void killWindow();
    void setPosition(int x, int y);
    // WM_DPICHANGED: the window moved to a monitor of another scale.
    void followDpi(UINT dpi, const RECT& suggested);
    void setProjection(int width, int height, double nearPlane, double farPlane);
    bool hasExtension(const char* name);
    void swapBuffers();
    void initGl();

    // Bitmap fonts (render/bitmap_font.cpp; deleteFont with the release).
    void buildFont(const char* typeface, int32_t height);
    void deleteFont(uint32_t index);
    void print(uint32_t index, const char* format, ...);

    // Texture set.
    void addTextureFile(const char* name);
    uint32_t findTextureFile(const char* name);
    void loadTextures(bool mipmaps, int32_t magFilter, int32_t minFilter);
    void bindTexture(uint32_t index);
    void unbindTexture();

    // Image decoders on whole files; they use no window state. On false
    // `refusal` says why (NotPng, NotBmp: the file does not start like one).
    bool loadPng(Image& image, const char* fileName, Refusal& refusal);
    bool loadBmp(Image& image, const char* fileName, Refusal& refusal);

    HGLRC renderContext;
    HDC deviceContext;
    HWND window;
    HINSTANCE instance;
    DEVMODEA savedDisplayMode;
    bool isFullscreen;
    uint32_t* textureIds;
    uint32_t textureCount;
    uint32_t fontCount;
    uint16_t iconId;  // the window class's icon resource (window/program_icon.h)
    int32_t posX;
    int32_t posY;
    // The DPI the window's size was scaled to from the settings' 96-DPI
    // pixels; 0 for a window made in those pixels.
    UINT windowDpi;
    uint32_t fontBases[maxFonts];
    char textureFiles[maxTextureFiles][maxFileNameLength + 1];
    char className[maxClassNameLength + 1];
    ImageLoader imageLoaderHook;
    uint32_t textureIdCount;  // entries in textureIds; names registered after loading have none
};

extern GlWindow glWindow;

LRESULT CALLBACK windowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
