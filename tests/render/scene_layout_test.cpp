// The scene read back from a real GL context: where the cells, frames,
// preview, head-up lines and menus land on the 640 x 480 screen, and that
// every filled shape survives back-face culling.
#include <gtest/gtest.h>

#include <cstring>

#include "game/game_state.h"
#include "render/scene.h"
#include "render_fixture.h"
#include "store/highscores.h"
#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace {

// Lines on a pixel boundary may land on either neighbouring pixel.
constexpr int lineSlack = 1;

Frame drawn() {
    drawScene();
    return Frame::capture();
}

// What print draws at (x, y) in the given colour, on an otherwise black frame.
Frame printedAlone(float x, float y, Rgb color, const char* text) {
    glClear(GL_COLOR_BUFFER_BIT);
    glWindow.unbindTexture();
    glLoadIdentity();
    glColor3f(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f);
    glRasterPos2f(x, y);
    glWindow.print(0, "%s", text);
    return Frame::capture();
}

// White pixels along one row or column, as the list of their positions.
std::vector<int> whiteAlongRow(const Frame& frame, int y, int x0, int x1) {
    std::vector<int> xs;
    for (int x = x0; x <= x1; ++x) {
        if (isWhite(frame.at(x, y))) xs.push_back(x);
    }
    return xs;
}

std::vector<int> whiteAlongColumn(const Frame& frame, int x, int y0, int y1) {
    std::vector<int> ys;
    for (int y = y0; y <= y1; ++y) {
        if (isWhite(frame.at(x, y))) ys.push_back(y);
    }
    return ys;
}

// One line of a frame at `expected`, give or take a pixel.
void expectLinesAt(const std::vector<int>& found, std::vector<int> expected, const char* what) {
    ASSERT_EQ(found.size(), expected.size()) << what;
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_NEAR(found[i], expected[i], lineSlack) << what << " line " << i;
    }
}

void setCell(uint32_t column, uint32_t row, uint8_t code) { playfield.cells[row * gridSize + column] = code; }

Box cellBox(const Frame& frame, int centreX, int centreY, const std::function<bool(Rgb)>& test) {
    return frame.find(centreX - 12, centreY - 12, centreX + 11, centreY + 11, test);
}

bool isGreen(Rgb c) { return c.g > 40 && c.r < colorTolerance && c.b < colorTolerance; }
bool isBlue(Rgb c) { return c.b > 40 && c.r < colorTolerance && c.g < colorTolerance; }

// The four head-up lines: baselines at y 320, 304, 288 and 272, text from x 424.
constexpr float hudX = 424.0f;
constexpr float hudBaselines[] = {320.0f, 304.0f, 288.0f, 272.0f};

}  // namespace

TEST(SceneGameView, TenByTwentyLayout) {
    resetGame(10, 20);
    setCell(0, 0, 9);   // red, touching the frame's bottom-left corner
    setCell(1, 1, 12);  // blue, clear of the frame
    // All four preview blocks on the reference block: only that block shows.
    gameState.nextPiece = Piece{10, 0, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}};
    const Frame frame = drawn();

    const Box red = cellBox(frame, 232, 88, isRed);
    EXPECT_NEAR(red.minX, 224, lineSlack);
    EXPECT_NEAR(red.minY, 80, lineSlack);
    EXPECT_EQ(red.maxX, 239);
    EXPECT_EQ(red.maxY, 95);
    const Box blue = cellBox(frame, 248, 104, isBlue);
    EXPECT_EQ(blue.minX, 240);
    EXPECT_EQ(blue.minY, 96);
    EXPECT_EQ(blue.maxX, 255);
    EXPECT_EQ(blue.maxY, 111);
    EXPECT_EQ(blue.count, 256);

    const Box preview = frame.find(390, 320, 500, 410, isGreen);
    EXPECT_EQ(preview.minX, 440);
    EXPECT_EQ(preview.minY, 384);
    EXPECT_EQ(preview.maxX, 455);
    EXPECT_NEAR(preview.maxY, 399, lineSlack);  // under the frame's top line

    // Field frame 224..384 x 80..400, preview frame 424..472 x 336..400.
    expectLinesAt(whiteAlongRow(frame, 240, 150, 400), {224, 384}, "field sides");
    expectLinesAt(whiteAlongColumn(frame, 300, 10, 470), {80, 400}, "field top and bottom");
    expectLinesAt(whiteAlongRow(frame, 370, 400, 500), {424, 472}, "preview sides");
    expectLinesAt(whiteAlongColumn(frame, 448, 330, 470), {336, 400}, "preview top and bottom");

    // Each head-up line starts at x 424 on its baseline; nothing between the
    // field frame and the text.
    for (float baseline : hudBaselines) {
        const int y = int(baseline);
        const Box ink = frame.find(386, y - 4, 639, y + 12, isWhite);
        ASSERT_GT(ink.count, 0) << "line at " << y;
        EXPECT_GE(ink.minX, 424) << "line at " << y;
        EXPECT_LE(ink.minX, 427) << "line at " << y;
        EXPECT_NEAR(ink.minY, y, lineSlack) << "line at " << y;
    }
}

TEST(SceneGameView, HeadUpValuesUseTheirFormats) {
    struct Values {
        uint32_t level;
        int32_t lines;
        uint32_t score;
        const char* texts[4];
    };
    const Values cases[] = {{5, 7, 42, {"Tester", "05", "007", "042"}},
                            {12, 1234, 1234, {"Tester", "12", "1234", "1234"}}};
    for (const Values& values : cases) {
        resetGame(10, 20);
        gameState.level = values.level;
        gameState.linesCleared = values.lines;
        playerScore() = values.score;
        std::strcpy(playerName(), "Tester");
        const Frame scene = drawn();
        for (int line = 0; line < 4; ++line) {
            const int y = int(hudBaselines[line]);
            const Frame alone = printedAlone(hudX, hudBaselines[line], {255, 255, 255}, values.texts[line]);
            EXPECT_TRUE(scene.sameRegion(alone, 386, y - 4, 639, y + 11)) << values.texts[line];
        }
    }
    resetGame(10, 20);
    gameState.linesCleared = 7;
    const Frame scene = drawn();
    // The comparison tells different texts apart.
    const Frame unpadded = printedAlone(hudX, hudBaselines[2], {255, 255, 255}, "7");
    EXPECT_FALSE(scene.sameRegion(unpadded, 386, 284, 639, 299));
}

TEST(SceneGameView, ThirtyByThirtyFillsTheHeight) {
    resetGame(30, 30);
    setCell(0, 0, 9);
    setCell(29, 29, 12);
    const Frame frame = drawn();
    const std::vector<int> sides = whiteAlongRow(frame, 240, 0, 639);
    expectLinesAt(sides, {64, 544}, "field sides");
    // The preview box hangs from the top: 416..480 high.
    expectLinesAt(whiteAlongRow(frame, 450, 546, 639), {584, 632}, "preview sides");
    // The left side runs from the bottom row to the top row of the screen.
    const std::vector<int> side = whiteAlongColumn(frame, sides.front(), 0, 479);
    ASSERT_FALSE(side.empty());
    EXPECT_LE(side.front(), lineSlack);
    EXPECT_GE(side.back(), 479 - lineSlack);
    const Box bottomLeft = cellBox(frame, 72, 8, isRed);
    EXPECT_EQ(bottomLeft.maxX, 79);
    EXPECT_EQ(bottomLeft.maxY, 15);
    const Box topRight = cellBox(frame, 536, 472, isBlue);
    EXPECT_EQ(topRight.minX, 528);
    EXPECT_EQ(topRight.minY, 464);
}

TEST(SceneGameView, OddWidthCentresCellsOnWholeCells) {
    resetGame(9, 20);
    setCell(3, 4, 12);
    const Frame frame = drawn();
    // Cell centres at 240 + 16c; the frame's left side at 232.
    const Box blue = cellBox(frame, 240 + 16 * 3, 88 + 16 * 4, isBlue);
    EXPECT_EQ(blue.minX, 280);
    EXPECT_EQ(blue.maxX, 295);
    EXPECT_EQ(blue.minY, 144);
    EXPECT_EQ(blue.count, 256);
    expectLinesAt(whiteAlongRow(frame, 240, 150, 400), {232, 376}, "field sides");
}

TEST(SceneGameView, ColoursTintTheBlockTexture) {
    resetGame(10, 20);
    setCell(4, 10, 8);   // grey 0.75
    setCell(5, 10, 13);  // magenta
    const Frame frame = drawn();
    Image block = {};
    ASSERT_TRUE(glWindow.loadBmp(block, "Images/Block.bmp"));
    ASSERT_EQ(block.width, 32);
    // The 32-texel picture shrinks onto 16 pixels: each pixel centre falls on
    // the corner of four texels, and GL_NEAREST may pick any of them.
    const int left = 224 + 16 * 4;
    const int bottom = 80 + 16 * 10;
    int shades = 0;
    int lastShade = -1;
    for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 16; ++i) {
            const Rgb grey = frame.at(left + i, bottom + j);
            const Rgb magenta = frame.at(left + 16 + i, bottom + j);
            bool greyMatches = false;
            bool magentaMatches = false;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const uint8_t* t = &block.pixels[((2 * j + dy) * block.width + (2 * i + dx)) * 3];
                    greyMatches = greyMatches || near(grey, {t[0] * 3 / 4, t[1] * 3 / 4, t[2] * 3 / 4});
                    magentaMatches = magentaMatches || near(magenta, {t[0], 0, t[2]});
                }
            }
            EXPECT_TRUE(greyMatches) << i << "," << j;
            EXPECT_TRUE(magentaMatches) << i << "," << j;
            if (grey.r != lastShade) ++shades;
            lastShade = grey.r;
        }
    }
    std::free(block.pixels);
    EXPECT_GT(shades, 2) << "the texture shows through the tint";
}

TEST(SceneGameView, NothingIsCulledAway) {
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW);

    // Every cell of a full field and all four preview blocks are drawn.
    resetGame(10, 20);
    for (uint32_t row = 0; row < 20; ++row) {
        for (uint32_t column = 0; column < 10; ++column) setCell(column, row, 9 + (row + column) % 7);
    }
    makePiece(gameState.nextPiece, 1);  // the vertical bar fills the preview's column
    const Frame frame = drawn();
    for (uint32_t row = 0; row < 20; ++row) {
        for (uint32_t column = 0; column < 10; ++column) {
            EXPECT_TRUE(isLit(frame.at(232 + 16 * column, 88 + 16 * row))) << column << "," << row;
        }
    }
    for (int block = 0; block < 4; ++block) EXPECT_TRUE(isLit(frame.at(448, 392 - 16 * block))) << block;

    // Culling is in force: the same quad wound clockwise leaves no trace.
    glClear(GL_COLOR_BUFFER_BIT);
    glWindow.unbindTexture();
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(100.0f, 100.0f);
    glVertex2f(100.0f, 120.0f);
    glVertex2f(120.0f, 120.0f);
    glVertex2f(120.0f, 100.0f);
    glEnd();
    EXPECT_EQ(Frame::capture().find(90, 90, 130, 130, isLit).count, 0);
}

TEST(SceneMenu, MainMenuLinesAndCursor) {
    const char* lines[] = {"Resume Game", "New Game", "Settings", "Exit Game"};
    for (int withGame = 0; withGame < 2; ++withGame) {
        for (uint32_t cursor = withGame ? 0 : 1; cursor < 4; ++cursor) {
            resetGame(10, 20);
            gameState.menuVisible = true;
            gameState.gameRunning = false;
            gameState.gameClock = withGame ? 600 : 0;
            gameState.menuCursor = cursor;
            setCell(0, 0, 9);  // the field is not drawn behind the menu
            const Frame frame = drawn();
            EXPECT_EQ(frame.find(0, 0, 270, 479, isLit).count, 0);
            for (int line = 0; line < 4; ++line) {
                const float baseline = 282.0f - 18.0f * line;
                const int y = int(baseline);
                const Box ink = frame.find(281, y - 4, 639, y + 12, isRed);
                if (line == 0 && !withGame) {
                    EXPECT_EQ(ink.count, 0) << "no game to resume";
                } else {
                    const Frame alone = printedAlone(280.0f, baseline, {255, 0, 0}, lines[line]);
                    EXPECT_TRUE(frame.sameRegion(alone, 280, y - 4, 639, y + 12)) << lines[line];
                    EXPECT_GT(ink.count, 0) << lines[line];
                }
                // The cursor: white, left of the text, beside the chosen line only.
                const Box cursorInk = frame.find(270, y - 1, 281, y + 11, isWhite);
                if (line == int(cursor)) {
                    // Pixel centres inside x 275..280, y baseline..baseline + 10.
                    EXPECT_EQ(cursorInk.minX, 275);
                    EXPECT_GE(cursorInk.maxX, 278);
                    EXPECT_LE(cursorInk.maxX, 279);
                    EXPECT_GE(cursorInk.minY, y);
                    EXPECT_LE(cursorInk.minY, y + 1);
                    EXPECT_GE(cursorInk.maxY, y + 8);
                    EXPECT_LE(cursorInk.maxY, y + 9);
                    EXPECT_TRUE(isWhite(frame.at(276, y + 5)));
                } else {
                    EXPECT_EQ(cursorInk.count, 0) << "line " << line << " cursor " << cursor;
                }
            }
        }
    }
}

TEST(SceneMenu, SettingsSubmenuLinesAndCursor) {
    for (uint32_t cursor = 0; cursor < 2; ++cursor) {
        resetGame(12, 17);
        gameState.menuVisible = true;
        gameState.settingsVisible = true;
        gameState.gameRunning = false;
        gameState.menuCursor = cursor;
        const Frame frame = drawn();
        const char* lines[] = {"Width: 12", "Height: 17"};
        for (int line = 0; line < 2; ++line) {
            const float baseline = 264.0f - 18.0f * line;
            const int y = int(baseline);
            const Frame alone = printedAlone(280.0f, baseline, {255, 0, 0}, lines[line]);
            EXPECT_TRUE(frame.sameRegion(alone, 280, y - 4, 639, y + 12)) << lines[line];
            const Box cursorInk = frame.find(270, y - 1, 281, y + 11, isWhite);
            EXPECT_EQ(cursorInk.count > 0, line == int(cursor)) << "line " << line;
        }
        // Nothing where the main menu's first and last lines would be.
        EXPECT_EQ(frame.find(270, 278, 639, 300, isLit).count, 0);
        EXPECT_EQ(frame.find(270, 220, 639, 240, isLit).count, 0);
    }
}
