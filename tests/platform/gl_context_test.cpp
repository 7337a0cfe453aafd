// Pixel formats and WGL contexts: a context that draws with OpenGL 1.1
// immediate mode, current-context rules and the swap-interval extension.
#include <GL/gl.h>

#include <array>

#include "tests/platform/platform_fixture.h"

namespace {

std::array<GLubyte, 4> pixelAt(int x, int y) {
    std::array<GLubyte, 4> pixel = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

typedef BOOL(WINAPI* SwapIntervalFunction)(int interval);

}  // namespace

using PixelFormatTest = PlatformTest;

TEST_F(PixelFormatTest, OnlyOpenGlWindowFormatsAreOfferedAndSetOnce) {
    HWND hWnd = createClientWindow(32, 32);
    ASSERT_NE(hWnd, nullptr);
    HDC dc = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR format = gamePixelFormat();
    int chosen = ChoosePixelFormat(dc, &format);
    EXPECT_NE(chosen, 0);
    PIXELFORMATDESCRIPTOR bitmapOnly = format;
    bitmapOnly.dwFlags = PFD_DOUBLEBUFFER;
    EXPECT_EQ(ChoosePixelFormat(dc, &bitmapOnly), 0);
    PIXELFORMATDESCRIPTOR noWindow = format;
    noWindow.dwFlags = PFD_SUPPORT_OPENGL;
    EXPECT_EQ(ChoosePixelFormat(dc, &noWindow), 0);
    EXPECT_EQ(ChoosePixelFormat(nullptr, &format), 0);

    // No context before the pixel format is set.
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    EXPECT_FALSE(SetPixelFormat(dc, chosen + 1, &format));
    EXPECT_TRUE(SetPixelFormat(dc, chosen, &format));
    EXPECT_TRUE(SetPixelFormat(dc, chosen, &format));
    HGLRC context = wglCreateContext(dc);
    EXPECT_NE(context, nullptr);
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context));
}

using GlContextTest = GlTest;

TEST_F(GlContextTest, ImmediateModeDrawingReadsBack) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3ub(255, 0, 0);
    glBegin(GL_QUADS);
    glVertex2i(40, 16);
    glVertex2i(120, 16);
    glVertex2i(120, 48);
    glVertex2i(40, 48);
    glEnd();
    // A display list replays the same way.
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor3ub(0, 255, 0);
    glBegin(GL_TRIANGLES);
    glVertex2i(150, 10);
    glVertex2i(200, 10);
    glVertex2i(150, 60);
    glEnd();
    glEndList();
    glCallList(list);
    glDeleteLists(list, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    EXPECT_EQ(pixelAt(5, 5), (std::array<GLubyte, 4>{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(80, 32), (std::array<GLubyte, 4>{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(39, 32)[0], 0);
    EXPECT_EQ(pixelAt(120, 32)[0], 0);
    EXPECT_EQ(pixelAt(155, 15), (std::array<GLubyte, 4>{0, 255, 0, 255}));
    EXPECT_EQ(pixelAt(198, 58)[1], 0);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_TRUE(SwapBuffers(dc));
}

TEST_F(GlContextTest, CreatingAContextLeavesTheCurrentOneCurrent) {
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    ASSERT_NE(current, nullptr);
    HGLRC second = wglCreateContext(dc);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), current);

    ASSERT_TRUE(wglMakeCurrent(dc, second));
    EXPECT_NE(SDL_GL_GetCurrentContext(), current);
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    // With nothing current a new context stays not current.
    HGLRC third = wglCreateContext(dc);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);

    EXPECT_FALSE(wglMakeCurrent(nullptr, second));
    EXPECT_FALSE(wglMakeCurrent(dc, reinterpret_cast<HGLRC>(dc)));
    // Deleting the current context releases it.
    ASSERT_TRUE(wglMakeCurrent(dc, second));
    EXPECT_TRUE(wglDeleteContext(second));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(third));
    EXPECT_TRUE(wglMakeCurrent(dc, context));
}

TEST_F(GlContextTest, SwapIntervalExtensionSetsTheInterval) {
    PROC found = wglGetProcAddress("wglSwapIntervalEXT");
    ASSERT_NE(found, nullptr);
    auto swapInterval = reinterpret_cast<SwapIntervalFunction>(reinterpret_cast<void (*)()>(found));
    // Hosts without swap control (Xvfb's GLX) refuse, and say so.
    for (int interval : {1, 0}) {
        int before = SDL_GL_GetSwapInterval();
        if (swapInterval(interval)) {
            EXPECT_EQ(SDL_GL_GetSwapInterval(), interval);
        } else {
            EXPECT_EQ(SDL_GL_GetSwapInterval(), before);
        }
    }
    // Core functions come from the driver; unknown names give nothing.
    EXPECT_NE(wglGetProcAddress("glGenLists"), nullptr);
    EXPECT_EQ(wglGetProcAddress(nullptr), nullptr);
    // Without a current context WGL offers no functions at all.
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(wglGetProcAddress("wglSwapIntervalEXT"), nullptr);
}
