// GDI fonts and wglUseFontBitmapsA: the face fontconfig finds, and glyph
// lists that draw at the raster position and advance it.
#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/font_face.h"
#include "tests/platform/platform_fixture.h"

namespace {

constexpr DWORD firstCode = 32;
constexpr DWORD codeCount = 224;
constexpr int emHeight = 12;

HFONT createGameFont(const char* face = "Arial") {
    return CreateFontA(-emHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// The set pixels of the frame, found by reading it back.
struct Ink {
    int left = 1 << 30;
    int right = -1;
    int bottom = 1 << 30;
    int top = -1;
    int count = 0;
    std::vector<int> columns;  // set pixels per column

    bool empty() const { return count == 0; }
};

class FontTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        font = createGameFont();
        ASSERT_NE(font, nullptr);
        previous = SelectObject(dc, font);
        ASSERT_NE(previous, nullptr);
        base = glGenLists(codeCount);
        ASSERT_NE(base, 0u);
        ASSERT_TRUE(wglUseFontBitmapsA(dc, firstCode, codeCount, base));
        glDisable(GL_TEXTURE_2D);
        glClearColor(0, 0, 0, 0);
    }

    void TearDown() override {
        glDeleteLists(base, codeCount);
        SelectObject(dc, previous);
        DeleteObject(font);
        GlTest::TearDown();
    }

    // Draws the text with the glyph lists as the game prints; returns the
    // raster position's x after it.
    float draw(const std::string& text, int x, int y) {
        glColor3f(1, 1, 1);
        glRasterPos2i(x, y);
        glPushAttrib(GL_LIST_BIT);
        glListBase(base - firstCode);
        glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
        glPopAttrib();
        GLfloat position[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return position[0];
    }

    float advanceOf(const std::string& text) {
        glClear(GL_COLOR_BUFFER_BIT);
        return draw(text, 0, 20);
    }

    Ink readInk() {
        std::vector<GLubyte> pixels(size_t(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        Ink ink;
        ink.columns.assign(width, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (pixels[(size_t(y) * width + x) * 4] < 128) continue;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::min(ink.bottom, y);
                ink.top = std::max(ink.top, y);
                ++ink.count;
                ++ink.columns[x];
            }
        }
        return ink;
    }

    HFONT font = nullptr;
    HGDIOBJ previous = nullptr;
    GLuint base = 0;
};

}  // namespace

TEST_F(FontTest, ArialBoldResolvesToAMetricCompatibleBoldFace) {
    const FontFace* face = faceOfFont(font);
    ASSERT_NE(face, nullptr);
    std::string family = face->face->family_name;
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family;
    EXPECT_TRUE(face->face->style_flags & FT_STYLE_FLAG_BOLD) << face->face->style_name;
    EXPECT_FALSE(face->synthesiseBold);
    EXPECT_EQ(face->face->size->metrics.y_ppem, emHeight);
}

TEST_F(FontTest, TextStartsAtTheRasterPositionAndRunsRight) {
    const int x = 20;
    const int y = 24;
    glClear(GL_COLOR_BUFFER_BIT);
    float end = draw("Stapelix", x, y);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    Ink ink = readInk();
    ASSERT_FALSE(ink.empty());
    // 'S' has a small left bearing; 'p' reaches below the baseline, capitals
    // at most an em above it.
    EXPECT_GE(ink.left, x);
    EXPECT_LE(ink.left, x + 2);
    EXPECT_LT(ink.bottom, y);
    EXPECT_GE(ink.bottom, y - emHeight / 2);
    EXPECT_GE(ink.top, y + emHeight / 2);
    EXPECT_LT(ink.top, y + emHeight);
    // Eight glyphs side by side: ink up to near the final raster position.
    EXPECT_GT(end - x, 3.0f * emHeight);
    EXPECT_LE(ink.right, int(end));
    EXPECT_GT(ink.right, int(end) - emHeight / 2);
    // No wide gap inside a word: every run of empty columns is narrower than
    // half an em.
    int gap = 0;
    for (int column = ink.left; column <= ink.right; ++column) {
        gap = ink.columns[column] == 0 ? gap + 1 : 0;
        EXPECT_LT(gap, emHeight / 2) << "column " << column;
    }
}

TEST_F(FontTest, GlyphsStandUprightOnTheBaseline) {
    const int y = 20;
    glClear(GL_COLOR_BUFFER_BIT);
    draw("T", 10, y);
    Ink letterT = readInk();
    ASSERT_FALSE(letterT.empty());
    EXPECT_GE(letterT.bottom, y);  // nothing below the baseline
    EXPECT_GE(letterT.top - letterT.bottom + 1, emHeight * 2 / 3);
    // The bar of a T is at the top: the top row is wider than the bottom one.
    std::vector<GLubyte> top(size_t(width) * 4);
    std::vector<GLubyte> bottom(size_t(width) * 4);
    glReadPixels(0, letterT.top, width, 1, GL_RGBA, GL_UNSIGNED_BYTE, top.data());
    glReadPixels(0, letterT.bottom, width, 1, GL_RGBA, GL_UNSIGNED_BYTE, bottom.data());
    int topWidth = 0;
    int bottomWidth = 0;
    for (int x = 0; x < width; ++x) {
        topWidth += top[size_t(x) * 4] >= 128;
        bottomWidth += bottom[size_t(x) * 4] >= 128;
    }
    EXPECT_GT(topWidth, 2 * bottomWidth);
}

TEST_F(FontTest, EachGlyphMovesTheRasterPositionByItsAdvance) {
    float zero = advanceOf("0");
    float seven = advanceOf("7");
    float space = advanceOf(" ");
    EXPECT_GT(zero, 0.0f);
    EXPECT_GT(seven, 0.0f);
    EXPECT_GT(space, 0.0f);
    EXPECT_FLOAT_EQ(advanceOf("007"), 2 * zero + seven);
    EXPECT_FLOAT_EQ(advanceOf("0 7"), zero + space + seven);
    // Proportional: an 'i' is narrower than a 'W'.
    EXPECT_LT(advanceOf("i"), advanceOf("W"));
    // The space draws nothing.
    glClear(GL_COLOR_BUFFER_BIT);
    draw(" ", 10, 20);
    EXPECT_TRUE(readInk().empty());
}

TEST_F(FontTest, UpperCodesAreWindows1252AndCodesWithoutGlyphsStillAdvance) {
    const std::string euro(1, char(0x80));
    const std::string eAcute(1, char(0xE9));
    const std::string undefined(1, char(0x81));
    glClear(GL_COLOR_BUFFER_BIT);
    draw(euro, 10, 20);
    EXPECT_FALSE(readInk().empty());
    EXPECT_GT(advanceOf(eAcute), 0.0f);
    // e-acute is an 'e' with an accent on top: same advance, more ink above.
    EXPECT_FLOAT_EQ(advanceOf(eAcute), advanceOf("e"));
    glClear(GL_COLOR_BUFFER_BIT);
    draw("e", 10, 20);
    int plainTop = readInk().top;
    glClear(GL_COLOR_BUFFER_BIT);
    draw(eAcute, 10, 20);
    EXPECT_GT(readInk().top, plainTop);
    EXPECT_GT(advanceOf(undefined), 0.0f);
}

TEST_F(FontTest, BuildingListsKeepsTheCallersUnpackAlignment) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    GLuint more = glGenLists(codeCount);
    ASSERT_TRUE(wglUseFontBitmapsA(dc, firstCode, codeCount, more));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    // The lists built under a different alignment draw the same.
    glClear(GL_COLOR_BUFFER_BIT);
    draw("Stapelix", 10, 20);
    Ink first = readInk();
    glClear(GL_COLOR_BUFFER_BIT);
    glListBase(more - firstCode);
    glRasterPos2i(10, 20);
    glCallLists(8, GL_UNSIGNED_BYTE, "Stapelix");
    Ink second = readInk();
    EXPECT_EQ(second.count, first.count);
    EXPECT_EQ(second.columns, first.columns);
    glDeleteLists(more, codeCount);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(FontTest, FontObjectsFollowGdiSelectionRules) {
    // Selecting hands back the previous font, the stock one at first.
    EXPECT_EQ(SelectObject(dc, previous), font);
    EXPECT_EQ(SelectObject(dc, font), previous);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
    EXPECT_EQ(SelectObject(nullptr, font), nullptr);
    // A selected font cannot be deleted; once deselected it can, once.
    HFONT other = createGameFont("Liberation Serif");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(SelectObject(dc, other), font);
    EXPECT_FALSE(DeleteObject(other));
    EXPECT_EQ(SelectObject(dc, font), other);
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_FALSE(DeleteObject(other));
    EXPECT_FALSE(DeleteObject(nullptr));
    // The stock font makes glyph lists too.
    SelectObject(dc, previous);
    GLuint stock = glGenLists(1);
    EXPECT_TRUE(wglUseFontBitmapsA(dc, 'A', 1, stock));
    glDeleteLists(stock, 1);
    SelectObject(dc, font);
    // No lists without a current context.
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(wglUseFontBitmapsA(dc, firstCode, 1, base));
    ASSERT_TRUE(wglMakeCurrent(dc, context));
}
