// WGL contexts and the GDI fonts whose glyph lists wglUseFontBitmapsA makes:
// the face fontconfig finds, glyphs drawn at the raster position and moving it.
#include <string>

#include "platform/font_face.h"
#include "tests/platform/platform_fixture.h"

namespace {

constexpr DWORD firstCode = 32, codeCount = 224;
constexpr int emHeight = 12, width = 240, height = 64;

HFONT createGameFont(const char* face) {
    return CreateFontA(-emHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

// A printed text read back: the lit pixels' bounds, the count per column, and
// the raster position's x after it.
struct Ink {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1, count = 0;
    std::vector<int> columns = std::vector<int>(width);
    float end = 0;
};

// A window with a current GL context of the game's pixel format, one unit
// per pixel, and glyph lists of Arial bold 12 as the game makes them.
class GlContextTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        dc = GetDC(createClientWindow(width, height));
        format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        format.cColorBits = format.cDepthBits = 16;
        ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format));
        context = wglCreateContext(dc);
        ASSERT_TRUE(wglMakeCurrent(dc, context));
        glOrtho(0, width, 0, height, -1, 1);
        font = createGameFont("Arial");
        stockFont = SelectObject(dc, font);
        base = glGenLists(codeCount);
        ASSERT_TRUE(wglUseFontBitmapsA(dc, firstCode, codeCount, base));
    }
    void TearDown() override {
        DeleteObject(font);
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
        PlatformTest::TearDown();
    }

    // Prints the text at (x, y) on a cleared frame with glyph lists, as the game does.
    Ink print(const std::string& text, int x = 0, int y = 20, GLuint lists = 0) {
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(x, y);
        glListBase((lists != 0 ? lists : base) - firstCode);
        glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
        GLfloat position[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        std::vector<GLubyte> pixels(size_t(width) * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        Ink ink;
        ink.end = position[0];
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (pixels[(size_t(y) * width + x) * 4] < 128) continue;
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.bottom = std::min(ink.bottom, y), ink.top = std::max(ink.top, y);
                ++ink.count, ++ink.columns[x];
            }
        }
        return ink;
    }

    PIXELFORMATDESCRIPTOR format = {};
    HDC dc = nullptr;
    HGLRC context = nullptr;
    HFONT font = nullptr;
    HGDIOBJ stockFont = nullptr;
    GLuint base = 0;
};

}  // namespace

TEST_F(GlContextTest, PixelFormatsContextsAndSwapIntervalFollowWglRules) {
    HDC freshDc = GetDC(createClientWindow(32, 32));
    int chosen = ChoosePixelFormat(freshDc, &format);
    EXPECT_EQ(wglCreateContext(freshDc), nullptr);  // not before the pixel format is set
    EXPECT_FALSE(SetPixelFormat(freshDc, chosen + 1, &format));
    EXPECT_TRUE(SetPixelFormat(freshDc, chosen, &format));
    HGLRC second = wglCreateContext(dc);
    EXPECT_FALSE(wglMakeCurrent(nullptr, second));
    ASSERT_TRUE(wglMakeCurrent(dc, second));
    EXPECT_TRUE(wglDeleteContext(second));  // deleting the current context releases it
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_FALSE(wglDeleteContext(second));
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    auto swapInterval = reinterpret_cast<BOOL(WINAPI*)(int)>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    for (int interval : {1, 0}) {
        int before = SDL_GL_GetSwapInterval();
        BOOL set = swapInterval(interval);  // hosts without swap control refuse, and say so
        EXPECT_EQ(SDL_GL_GetSwapInterval(), set ? interval : before);
    }
    EXPECT_EQ(wglGetProcAddress("wglGetSwapIntervalEXT"), nullptr);  // the game asks for no other
}

// Arial bold is a bold metric-compatible face; a 'T' stands on the baseline
// from the raster position, about an em tall, 'p' reaches below; each glyph
// moves the raster position by its advance, in Windows-1252.
TEST_F(GlContextTest, GlyphsStandUprightAtTheRasterPositionAndAdvanceIt) {
    const FontFace* face = faceOfFont(font);
    ASSERT_NE(face, nullptr);
    const std::string family = face->face->family_name;
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family;
    EXPECT_TRUE(face->face->style_flags & FT_STYLE_FLAG_BOLD) << face->face->style_name;
    EXPECT_EQ(face->face->size->metrics.y_ppem, emHeight);
    const Ink letterT = print("T", 20, 24), p = print("p", 20, 24);
    EXPECT_TRUE(letterT.left >= 20 && letterT.left <= 22 && letterT.bottom == 24) << letterT.left;
    EXPECT_TRUE(letterT.top >= 24 + emHeight * 2 / 3 - 1 && letterT.top < 24 + emHeight);
    EXPECT_LT(p.bottom, 24);
    const float zero = print("0").end, seven = print("7").end;
    const Ink space = print(" "), stapelix = print("Stapelix", 10);
    EXPECT_GT(zero, 0.0f);
    EXPECT_FLOAT_EQ(seven, zero);  // Arial's digits share one advance
    EXPECT_EQ(space.count, 0);     // the space draws nothing but advances
    EXPECT_FLOAT_EQ(print("0 7").end, zero + space.end + seven);
    EXPECT_LT(print("i").end, print("W").end);  // proportional
    EXPECT_TRUE(stapelix.end - 10 > 3.0f * emHeight && stapelix.right <= int(stapelix.end) &&
                stapelix.right > int(stapelix.end) - emHeight / 2);
    // The euro sign has its own glyph, e-acute is an 'e' with more ink above,
    // and a code the code page leaves undefined still advances.
    EXPECT_NE(print("\x80").columns, print("\x81").columns);
    const Ink plain = print("e"), acute = print("\xE9");
    EXPECT_TRUE(acute.end == plain.end && acute.top > plain.top);
    EXPECT_GT(print("\x81").end, 0.0f);
}

TEST_F(GlContextTest, ListsKeepTheUnpackAlignmentAndFontsFollowGdiSelectionRules) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    GLuint more = glGenLists(codeCount);
    ASSERT_TRUE(wglUseFontBitmapsA(dc, firstCode, codeCount, more));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(print("Stapelix", 10, 20, more).columns, print("Stapelix", 10).columns);
    // Selecting hands back the previous font, the stock one at first, which
    // makes no glyphs; a font is deleted once; no lists without a context.
    EXPECT_EQ(SelectObject(dc, stockFont), font);
    EXPECT_FALSE(wglUseFontBitmapsA(dc, firstCode, 1, base));
    EXPECT_EQ(SelectObject(dc, font), stockFont);
    HFONT other = createGameFont("Liberation Serif");
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_FALSE(DeleteObject(other));
    EXPECT_FALSE(DeleteObject(stockFont));
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(wglUseFontBitmapsA(dc, firstCode, 1, base));
}
