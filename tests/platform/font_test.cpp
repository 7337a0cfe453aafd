// GDI fonts and wglUseFontBitmapsA: the face fontconfig finds, and glyph
// lists that draw at the raster position and advance it.
#include <string>

#include "platform/font_face.h"
#include "tests/platform/platform_fixture.h"

namespace {

constexpr DWORD firstCode = 32;
constexpr DWORD codeCount = 224;
constexpr int emHeight = 12;

HFONT createGameFont(const char* face) {
    return CreateFontA(-emHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// A printed text read back: the lit pixels' bounds and counts per column and
// row, and the raster position's x after it.
struct Ink {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1, count = 0;
    std::vector<int> columns, rows;
    float end = 0;
};

class FontTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        font = createGameFont("Arial");
        previous = SelectObject(dc, font);
        ASSERT_NE(previous, nullptr);
        base = glGenLists(codeCount);
        ASSERT_TRUE(wglUseFontBitmapsA(dc, firstCode, codeCount, base));
    }
    void TearDown() override {
        SelectObject(dc, previous);
        DeleteObject(font);
        GlTest::TearDown();
    }

    // Prints the text on a cleared frame with glyph lists, as the game does.
    Ink print(const std::string& text, int x = 10, int y = 20, GLuint lists = 0) {
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(x, y);
        glListBase((lists != 0 ? lists : base) - firstCode);
        glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
        GLfloat position[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        std::vector<GLubyte> pixels(size_t(width) * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        Ink ink{1 << 30, -1, 1 << 30, -1, 0, std::vector<int>(width), std::vector<int>(height), position[0]};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (pixels[(size_t(y) * width + x) * 4] < 128) continue;
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.bottom = std::min(ink.bottom, y), ink.top = std::max(ink.top, y);
                ++ink.count, ++ink.columns[x], ++ink.rows[y];
            }
        }
        return ink;
    }
    float advanceOf(const std::string& text) { return print(text, 0).end; }

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

TEST_F(FontTest, TextStartsAtTheRasterPositionStandsUprightAndRunsRight) {
    const int x = 20, y = 24;
    Ink ink = print("Stapelix", x, y);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ASSERT_GT(ink.count, 0);
    // 'S' has a small left bearing; 'p' reaches below the baseline, capitals at most an em above it.
    EXPECT_GE(ink.left, x);
    EXPECT_LE(ink.left, x + 2);
    EXPECT_LT(ink.bottom, y);
    EXPECT_GE(ink.bottom, y - emHeight / 2);
    EXPECT_GE(ink.top, y + emHeight / 2);
    EXPECT_LT(ink.top, y + emHeight);
    // Eight glyphs side by side, ink up to near the final raster position and
    // no run of empty columns as wide as half an em.
    EXPECT_GT(ink.end - x, 3.0f * emHeight);
    EXPECT_LE(ink.right, int(ink.end));
    EXPECT_GT(ink.right, int(ink.end) - emHeight / 2);
    for (int column = ink.left, gap = 0; column <= ink.right; ++column) {
        gap = ink.columns[column] == 0 ? gap + 1 : 0;
        EXPECT_LT(gap, emHeight / 2) << "column " << column;
    }
    // A 'T' stands on the baseline with its bar at the top.
    Ink letterT = print("T", 10, y);
    ASSERT_GT(letterT.count, 0);
    EXPECT_GE(letterT.bottom, y);
    EXPECT_GE(letterT.top - letterT.bottom + 1, emHeight * 2 / 3);
    EXPECT_GT(letterT.rows[letterT.top], 2 * letterT.rows[letterT.bottom]);
}

TEST_F(FontTest, EachGlyphMovesTheRasterPositionByItsAdvanceInWindows1252) {
    float zero = advanceOf("0"), seven = advanceOf("7");
    Ink space = print(" ", 0);
    EXPECT_GT(zero, 0.0f);
    EXPECT_FLOAT_EQ(seven, zero);  // Arial's digits share one advance
    EXPECT_GT(space.end, 0.0f);
    EXPECT_EQ(space.count, 0);  // the space draws nothing
    EXPECT_FLOAT_EQ(advanceOf("007"), 2 * zero + seven);
    EXPECT_FLOAT_EQ(advanceOf("0 7"), zero + space.end + seven);
    EXPECT_LT(advanceOf("i"), advanceOf("W"));  // proportional
    // Upper codes: the euro sign has its glyph, e-acute is an 'e' with more
    // ink above, and a code the code page leaves undefined still advances.
    EXPECT_GT(print("\x80").count, 0);
    EXPECT_NE(print("\x80").columns, print("\x81").columns);  // the euro is no default glyph
    Ink plain = print("e", 0), acute = print("\xE9", 0);
    EXPECT_GT(plain.end, 0.0f);
    EXPECT_FLOAT_EQ(acute.end, plain.end);
    EXPECT_GT(acute.top, plain.top);
    EXPECT_GT(advanceOf("\x81"), 0.0f);
}

TEST_F(FontTest, BuildingListsKeepsTheCallersUnpackAlignment) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    GLuint more = glGenLists(codeCount);
    ASSERT_TRUE(wglUseFontBitmapsA(dc, firstCode, codeCount, more));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    // The lists built under another alignment draw the same.
    EXPECT_EQ(print("Stapelix", 10, 20, more).columns, print("Stapelix").columns);
}

TEST_F(FontTest, FontObjectsFollowGdiSelectionRules) {
    // Selecting hands back the previous font, the stock one at first.
    EXPECT_EQ(SelectObject(dc, previous), font);
    EXPECT_EQ(SelectObject(dc, font), previous);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
    EXPECT_EQ(SelectObject(nullptr, font), nullptr);
    // A font is deleted once; the stock font only stands in until the game
    // selects its own, and makes no glyphs.
    HFONT other = createGameFont("Liberation Serif");
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_FALSE(DeleteObject(other));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(SelectObject(dc, previous), font);
    EXPECT_FALSE(wglUseFontBitmapsA(dc, firstCode, 1, base));
    EXPECT_FALSE(DeleteObject(previous));
    // No font makes lists without a current context.
    EXPECT_EQ(SelectObject(dc, font), previous);
    EXPECT_TRUE(wglUseFontBitmapsA(dc, firstCode, 1, base));
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(wglUseFontBitmapsA(dc, firstCode, 1, base));
}
