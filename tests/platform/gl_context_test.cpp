// Pixel formats and WGL contexts: a context that draws with OpenGL 1.1
// immediate mode, current-context rules and the swap-interval extension.
#include <array>

#include "tests/platform/platform_fixture.h"

using GlContextTest = GlTest;

TEST_F(GlContextTest, ImmediateModeDrawingReadsBack) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3ub(255, 0, 0);
    glRecti(40, 16, 120, 48);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // Red inside the rectangle, the clear colour around it.
    for (auto [x, y, red] : {std::tuple{80, 32, 255}, std::tuple{5, 5, 0}, {39, 32, 0}, {120, 32, 0}}) {
        std::array<GLubyte, 4> pixel = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
        EXPECT_EQ(pixel, (std::array<GLubyte, 4>{GLubyte(red), 0, GLubyte(255 - red), 255})) << x << "," << y;
    }
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_TRUE(SwapBuffers(dc));
}

TEST_F(GlContextTest, PixelFormatsAndContextsFollowWglRules) {
    HDC freshDc = GetDC(createClientWindow(32, 32));
    int chosen = ChoosePixelFormat(freshDc, &format);
    EXPECT_NE(chosen, 0);
    EXPECT_EQ(ChoosePixelFormat(nullptr, &format), 0);
    EXPECT_EQ(wglCreateContext(freshDc), nullptr);  // not before the pixel format is set
    EXPECT_FALSE(SetPixelFormat(freshDc, chosen + 1, &format));
    EXPECT_TRUE(SetPixelFormat(freshDc, chosen, &format));
    HGLRC second = wglCreateContext(dc);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, second));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_FALSE(wglMakeCurrent(nullptr, second));
    EXPECT_FALSE(wglMakeCurrent(dc, reinterpret_cast<HGLRC>(dc)));
    ASSERT_TRUE(wglMakeCurrent(dc, second));
    EXPECT_TRUE(wglDeleteContext(second));  // deleting the current context releases it
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_FALSE(wglDeleteContext(second));
}

TEST_F(GlContextTest, SwapIntervalExtensionSetsTheInterval) {
    PROC found = wglGetProcAddress("wglSwapIntervalEXT");
    ASSERT_NE(found, nullptr);
    auto swapInterval = reinterpret_cast<BOOL(WINAPI*)(int)>(reinterpret_cast<void (*)()>(found));
    for (int interval : {1, 0}) {
        int before = SDL_GL_GetSwapInterval();
        BOOL set = swapInterval(interval);  // hosts without swap control (Xvfb's GLX) refuse, and say so
        EXPECT_EQ(SDL_GL_GetSwapInterval(), set ? interval : before);
    }
    EXPECT_EQ(wglGetProcAddress("wglGetSwapIntervalEXT"), nullptr);  // the game asks for no other
    EXPECT_EQ(wglGetProcAddress(nullptr), nullptr);
}
