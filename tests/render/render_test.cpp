// Rendering and GlWindow on a real GL context made once through
// GlWindow::createWindow (SDL's offscreen driver), in a temporary working
// directory holding Images/Block.bmp. Frames are read back from the back
// buffer, row 0 at the bottom as on the 640 x 480 virtual screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/game_state.h"
#include "game/key_state.h"
#include "render/scene.h"
#include "store/highscores.h"
#include "store/settings.h"
#include "window/gl_window.h"

#include <GL/gl.h>

namespace fs = std::filesystem;

namespace {

constexpr int screenW = 640, screenH = 480;
constexpr int tol = 9;    // the 16-bit window keeps 5 or 6 bits a channel
constexpr int slack = 1;  // a line on a pixel boundary may land on either pixel

// clang-format off
struct Rgb { int r, g, b; };
struct Box { int minX, minY, maxX, maxY, count; };
using Pick = bool (*)(Rgb);
constexpr Pick isWhite = [](Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; };
constexpr Pick isLit = [](Rgb c) { return c.r + c.g + c.b > 3 * tol; };
constexpr Pick isRed = [](Rgb c) { return c.r > 40 && c.g < tol && c.b < tol; };
constexpr Pick isGreen = [](Rgb c) { return c.g > 40 && c.r < tol && c.b < tol; };
constexpr Pick isBlue = [](Rgb c) { return c.b > 40 && c.r < tol && c.g < tol; };
// clang-format on

struct Frame {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(screenW) * screenH * 3);
    Frame() {
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, screenW, screenH, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    Rgb at(int x, int y) const {
        if (x < 0 || y < 0 || x >= screenW || y >= screenH) return {0, 0, 0};
        const uint8_t* p = &pixels[(size_t(y) * screenW + x) * 3];
        return {p[0], p[1], p[2]};
    }
    // The bounding box of the pixels in [x0, x1] x [y0, y1] passing the test,
    // and where they lie along that row (y0 == y1) or column.
    Box find(int x0, int y0, int x1, int y1, Pick test, std::vector<int>* along = nullptr) const {
        Box b = {x1 + 1, y1 + 1, x0 - 1, y0 - 1, 0};
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (!test(at(x, y))) continue;
                b = {std::min(b.minX, x), std::min(b.minY, y), std::max(b.maxX, x),
                     std::max(b.maxY, y), b.count + 1};
                if (along) along->push_back(y0 == y1 ? x : y);
            }
        }
        return b;
    }
    bool sameRegion(const Frame& other, int x0, int y0, int x1, int y1) const {
        for (int y = y0; y <= y1; ++y) {
            const size_t start = (size_t(y) * screenW + x0) * 3;
            if (std::memcmp(&pixels[start], &other.pixels[start], (x1 - x0 + 1) * 3u)) return false;
        }
        return true;
    }
};

fs::path startDir, workDir;

class WindowEnvironment : public ::testing::Environment {
    void SetUp() override {
        startDir = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "stapelix-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        workDir = pattern;
        fs::create_directories(workDir / "Images");
        fs::copy_file(STAPELIX_SOURCE_DIR "/Images/Block.bmp", workDir / "Images/Block.bmp");
        fs::current_path(workDir);
        glWindow.addTextureFile("Images\\Block.bmp");
        glWindow.setClassName("StapelixRenderTest");
        ASSERT_TRUE(glWindow.createWindow("Stapelix render test", screenW, screenH, 16, false));
        buildSceneFont();
        glWindow.setProjection(screenW, screenH, 0.0, 0.0);
    }
    void TearDown() override {
        glWindow.killWindow();
        fs::current_path(startDir);
        fs::remove_all(workDir);
    }
};

// The game view of the given field, nothing placed, the name "ABC", score 0.
void resetGame(uint32_t width, uint32_t height) {
    gameState = GameState{};
    settings = Settings{};
    playerSlot = 0;
    settings.fieldWidth = width;
    settings.fieldHeight = height;
    gameState.menuVisible = false;
    std::memset(&playfield, 0, sizeof(playfield));
    std::memset(&highscoreTable, 0, sizeof(highscoreTable));
    std::strcpy(playerName(), "ABC");
}

void setCell(uint32_t column, uint32_t row, uint8_t code) {
    playfield.cells[row * gridSize + column] = code;
}

// What print draws at (x, y), white or red, on an otherwise black frame.
Frame printedAlone(int x, int y, bool white, const char* text) {
    glClear(GL_COLOR_BUFFER_BIT);
    glWindow.unbindTexture();
    glLoadIdentity();
    glColor3f(1, white, white);
    glRasterPos2f(float(x), float(y));
    glWindow.print(0, "%s", text);
    return Frame();
}

}  // namespace

// Per field size: cells and the preview's reference block (code 0: the
// preview, green) by their bottom-left pixel, slack 0 for blocks clear of the
// frame lines, which then cover exactly 16 x 16 pixels; the white lines of
// the field and preview frames along a row or a column; and the head-up
// lines (name, level, lines, score), each as print draws it, 16 apart.
TEST(Scene, GameViewLayouts) {
    // clang-format off
    struct Block { uint32_t column, row; uint8_t code; Pick test; int left, bottom, slack; };
    struct Lines { int x0, y0, x1, y1; std::vector<int> at; };
    struct Layout {
        uint32_t width, height, level, lines, score;
        std::vector<Block> blocks;
        std::vector<Lines> frames;
        int hudX, hudY;
        const char* hud[4];
    };
    const Layout layouts[] = {
        {10, 20, 5, 7, 42,
         {{0, 0, 9, isRed, 224, 80, 1}, {1, 1, 12, isBlue, 240, 96, 0}, {0, 0, 0, isGreen, 440, 384, 1}},
         {{150, 240, 400, 240, {224, 384}}, {300, 10, 300, 470, {80, 400}},
          {400, 370, 500, 370, {424, 472}}, {448, 330, 448, 470, {336, 400}}},
         424, 320, {"ABC", "05", "007", "042"}},
        {30, 30, 12, 1234, 1234,
         {{0, 0, 9, isRed, 64, 0, 1}, {1, 1, 12, isBlue, 80, 16, 0},
          {29, 29, 12, isBlue, 528, 464, 1}, {0, 0, 0, isGreen, 600, 464, 1}},
         {{0, 240, 639, 240, {64, 544}}, {546, 450, 639, 450, {584, 632}}},
         584, 400, {"ABC", "12", "1234", "1234"}},
        {9, 20, 1, 0, 0,
         {{3, 4, 12, isBlue, 280, 144, 0}, {0, 0, 0, isGreen, 432, 384, 1}},
         {{150, 240, 400, 240, {232, 376}}},
         416, 320, {"ABC", "01", "000", "000"}},
    };
    // clang-format on
    for (const Layout& l : layouts) {
        SCOPED_TRACE(::testing::Message() << l.width << " x " << l.height);
        resetGame(l.width, l.height);
        gameState.level = l.level;
        gameState.linesCleared = l.lines;
        playerScore() = l.score;
        for (const Block& b : l.blocks) {
            if (b.code != 0) setCell(b.column, b.row, b.code);
        }
        // All four preview blocks on the reference block: only that one shows.
        gameState.nextPiece = Piece{10, 0, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}};
        drawScene();
        const Frame frame;
        for (const Block& b : l.blocks) {
            SCOPED_TRACE(::testing::Message() << "block at " << b.left << "," << b.bottom);
            const Box box =
                frame.find(b.left - 4, b.bottom - 4, b.left + 19, b.bottom + 19, b.test);
            EXPECT_NEAR(box.minX, b.left, b.slack);
            EXPECT_NEAR(box.minY, b.bottom, b.slack);
            EXPECT_NEAR(box.maxX, b.left + 15, b.slack);
            EXPECT_NEAR(box.maxY, b.bottom + 15, b.slack);
            EXPECT_TRUE(b.slack > 0 || box.count == 256) << box.count;
        }
        for (const Lines& f : l.frames) {
            SCOPED_TRACE(::testing::Message() << "lines from " << f.x0 << "," << f.y0);
            std::vector<int> found;
            frame.find(f.x0, f.y0, f.x1, f.y1, isWhite, &found);
            ASSERT_EQ(found.size(), f.at.size());
            for (size_t i = 0; i < found.size(); ++i) EXPECT_NEAR(found[i], f.at[i], slack);
        }
        if (l.height == 30) {  // the left side runs the whole screen height
            EXPECT_GE(frame.find(63, 0, 65, 479, isWhite).count, 479);
        }
        for (int line = 0; line < 4; ++line) {
            SCOPED_TRACE(l.hud[line]);
            const int y = l.hudY - 16 * line;
            const Box ink = frame.find(l.hudX - 38, y - 4, 639, y + 11, isWhite);
            EXPECT_TRUE(ink.minX >= l.hudX && ink.minX <= l.hudX + 3) << ink.minX;
            EXPECT_NEAR(ink.minY, y, slack);
            const Frame alone = printedAlone(l.hudX, y, true, l.hud[line]);
            EXPECT_TRUE(frame.sameRegion(alone, l.hudX - 38, y - 4, 639, y + 11));
        }
    }
}

TEST(Scene, ColoursTintTheBlockTexture) {
    resetGame(10, 20);
    setCell(4, 10, 8);   // grey 0.75
    setCell(5, 10, 13);  // magenta
    drawScene();
    const Frame frame;
    Image block = {};
    ASSERT_TRUE(glWindow.loadBmp(block, "Images/Block.bmp"));
    ASSERT_EQ(block.width, 32);
    // 32 texels shrink onto 16 pixels: each pixel centre falls on the corner
    // of four texels, and GL_NEAREST may pick any of them.
    auto near = [](Rgb c, Rgb e) {
        return std::abs(c.r - e.r) <= tol && std::abs(c.g - e.g) <= tol &&
               std::abs(c.b - e.b) <= tol;
    };
    int shades = 0, lastShade = -1;
    for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 16; ++i) {
            const Rgb grey = frame.at(288 + i, 240 + j), magenta = frame.at(304 + i, 240 + j);
            bool greyMatches = false, magentaMatches = false;
            for (int d = 0; d < 4; ++d) {
                const uint8_t* t = &block.pixels[((2 * j + d / 2) * 32 + 2 * i + d % 2) * 3];
                greyMatches |= near(grey, {t[0] * 3 / 4, t[1] * 3 / 4, t[2] * 3 / 4});
                magentaMatches |= near(magenta, {t[0], 0, t[2]});
            }
            EXPECT_TRUE(greyMatches && magentaMatches) << i << "," << j;
            shades += grey.r != lastShade;
            lastShade = grey.r;
        }
    }
    std::free(block.pixels);
    EXPECT_GT(shades, 2) << "the texture shows through the tint";
}

// Every cell of a full field and all four preview blocks are drawn, while a
// quad wound clockwise is culled.
TEST(Scene, NothingIsCulledAway) {
    resetGame(10, 20);
    for (uint32_t cell = 0; cell < 200; ++cell) setCell(cell % 10, cell / 10, 9 + cell % 7);
    makePiece(gameState.nextPiece, 1);  // the vertical bar fills the preview's column
    drawScene();
    const Frame frame;
    for (uint32_t cell = 0; cell < 200; ++cell) {
        EXPECT_TRUE(isLit(frame.at(232 + 16 * (cell % 10), 88 + 16 * (cell / 10)))) << cell;
    }
    for (int block = 0; block < 4; ++block) EXPECT_TRUE(isLit(frame.at(448, 392 - 16 * block)));
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    const float quad[] = {100, 100, 100, 120, 120, 120, 120, 100};
    for (int i = 0; i < 8; i += 2) glVertex2f(quad[i], quad[i + 1]);
    glEnd();
    EXPECT_EQ(Frame().find(90, 90, 130, 130, isLit).count, 0);
}

// The main menu with and without a game to resume and the settings submenu,
// the cursor on each line: red lines from x 280 every 18 down from baseline
// 282, a white triangle left of the chosen line only, and no field.
TEST(Scene, MenusAndCursor) {
    for (int i = 0; i < 9; ++i) {
        const bool settings = i >= 7, resume = i < 4;
        const uint32_t cursor = i < 4 ? i : settings ? i - 7 : i - 3;
        SCOPED_TRACE(::testing::Message() << "settings " << settings << " resume " << resume);
        resetGame(12, 17);
        gameState.menuVisible = true;
        gameState.settingsVisible = settings;
        gameState.gameClock = resume ? 600 : 0;
        gameState.menuCursor = cursor;
        setCell(0, 0, 9);
        drawScene();
        const Frame frame;
        EXPECT_EQ(frame.find(0, 0, 270, 479, isLit).count, 0);
        const char* mainLines[] = {resume ? "Resume Game" : nullptr, "New Game", "Settings",
                                   "Exit Game"};
        const char* subLines[] = {nullptr, "Width: 12", "Height: 17", nullptr};
        for (int line = 0; line < 4; ++line) {
            SCOPED_TRACE(::testing::Message() << "line " << line << " cursor " << cursor);
            const char* text = (settings ? subLines : mainLines)[line];
            const int y = 282 - 18 * line;
            if (text == nullptr) {
                EXPECT_EQ(frame.find(270, y - 4, 639, y + 12, isLit).count, 0);
                continue;
            }
            EXPECT_GT(frame.find(281, y - 4, 639, y + 12, isRed).count, 0);
            const Frame alone = printedAlone(280, y, false, text);
            EXPECT_TRUE(frame.sameRegion(alone, 280, y - 4, 639, y + 12)) << text;
            // The cursor's pixel centres inside x 275..280, y baseline..baseline + 10.
            const Box c = frame.find(270, y - 1, 281, y + 11, isWhite);
            if (line != int(cursor) + settings) {
                EXPECT_EQ(c.count, 0);
            } else {
                EXPECT_TRUE(c.minX == 275 && c.maxX >= 278 && c.maxX <= 279 && c.minY >= y &&
                            c.minY <= y + 1 && c.maxY >= y + 8 && c.maxY <= y + 9 &&
                            isWhite(frame.at(276, y + 5)))
                    << c.minX << "," << c.minY << " - " << c.maxX << "," << c.maxY;
            }
        }
    }
}

TEST(GlWindow, ProjectionsAndResize) {
    auto expectMatrix = [](GLenum which, const std::vector<double>& expected) {
        std::vector<double> m(16);
        glGetDoublev(which, m.data());
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6) << "element " << i;
    };
    auto expectViewport = [](int width, int height) {
        std::vector<int> v(4);
        glGetIntegerv(GL_VIEWPORT, v.data());
        EXPECT_EQ(v, (std::vector<int>{0, 0, width, height}));
    };
    // glOrtho(0, 640, 0, 480, -1, 1), column-major.
    const std::vector<double> ortho = {2.0 / 640, 0, 0,  0, 0,  2.0 / 480, 0, 0,
                                       0,         0, -1, 0, -1, -1,        0, 1};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5.0f, 6.0f, 0.0f);
    // 45 degrees and the fixed 4:3 aspect, whatever the size.
    glWindow.setProjection(320, 200, 1.0, 100.0);
    expectViewport(320, 200);
    const double f = 1.0 / std::tan(22.5 * std::acos(-1.0) / 180.0);
    expectMatrix(GL_PROJECTION_MATRIX,
                 {f * 3 / 4, 0, 0, 0, 0, f, 0, 0, 0, 0, -101.0 / 99, -1, 0, 0, -200.0 / 99, 0});
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    // The orthographic view leaves the viewport and the model view alone.
    glWindow.setProjection(screenW, screenH, 0.0, 5.0);
    expectMatrix(GL_PROJECTION_MATRIX, ortho);
    expectViewport(320, 200);
    expectMatrix(GL_MODELVIEW_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 0, 1});
    // A resize restores the virtual screen.
    glWindow.setProjection(320, 200, 1.0, 10.0);
    EXPECT_EQ(windowProcedure(glWindow.window, WM_SIZE, 0, LPARAM((200 << 16) | 320)), 0);
    expectMatrix(GL_PROJECTION_MATRIX, ortho);
    glViewport(0, 0, screenW, screenH);
    glLoadIdentity();
}

// Whole tokens only: cut at either end a name is absent unless that is a
// token of its own, and two names together are none.
TEST(GlWindow, ExtensionsAreWholeTokens) {
    EXPECT_FALSE(glWindow.hasExtension(""));
    EXPECT_FALSE(glWindow.hasExtension(nullptr));
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(all, nullptr);
    std::istringstream words(all);
    const std::vector<std::string> tokens{std::istream_iterator<std::string>(words), {}};
    ASSERT_GE(tokens.size(), 2u);
    for (const std::string& token : tokens) {
        EXPECT_TRUE(glWindow.hasExtension(token.c_str())) << token;
        for (const std::string& cut : {token.substr(0, token.size() - 1), token.substr(1)}) {
            const bool isToken = std::count(tokens.begin(), tokens.end(), cut) > 0;
            EXPECT_EQ(glWindow.hasExtension(cut.c_str()), isToken) << cut;
        }
    }
    EXPECT_FALSE(glWindow.hasExtension((tokens[0] + " " + tokens[1]).c_str()));
}

TEST(GlWindow, WindowProcedureMessages) {
    constexpr WPARAM leftArrow = 37;  // the virtual-key code Windows sends
    HWND window = glWindow.window;
    std::memset(&keyState, 0, sizeof(keyState));
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, leftArrow, 0), 0);
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, 'Z', 0), 0);
    windowProcedure(window, WM_KEYUP, leftArrow, 0);
    EXPECT_EQ(keyState.down[leftArrow], 0);
    EXPECT_EQ(keyState.down['Z'], 1);
    // Codes beyond the table change nothing (and touch nothing beyond it).
    const KeyState before = keyState;
    windowProcedure(window, WM_KEYDOWN, 256 + leftArrow, 0);
    EXPECT_EQ(std::memcmp(&before, &keyState, sizeof(keyState)), 0);
    std::memset(&keyState, 0, sizeof(keyState));
    // Active unless minimised (high word set).
    for (WPARAM wParam : {1u, (1u << 16) | 1, 0u}) {
        windowProcedure(window, WM_ACTIVATE, wParam, 0);
        EXPECT_EQ(gameState.windowActive, wParam >> 16 == 0) << wParam;
    }
    // A window left of the screen edge: both words taken as unsigned.
    EXPECT_EQ(windowProcedure(window, WM_MOVE, 0, LPARAM((30u << 16) | uint16_t(-5))), 0);
    EXPECT_EQ(glWindow.posX, 65531);
    EXPECT_EQ(glWindow.posY, 30);
    EXPECT_EQ(windowProcedure(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(windowProcedure(window, WM_SYSCOMMAND, SC_MONITORPOWER, 0), 0);
    // Closing asks to quit and keeps the window.
    MSG message = {};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) continue;
    EXPECT_EQ(windowProcedure(window, WM_CLOSE, 0, 0), 0);
    EXPECT_NE(glWindow.window, nullptr);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, WPARAM(0));
}

namespace {

// The hook's pictures: 16 x 8, RGBA when the name says so, else RGB; byte i
// is pattern(i).
std::vector<std::string> hookNames;

uint8_t pattern(size_t i) {
    return uint8_t(7 * i + 3);
}

bool syntheticLoader(Image& image, const char* fileName) {
    hookNames.push_back(fileName);
    if (std::strstr(fileName, "refused") != nullptr) return false;
    const uint32_t size = 16 * 8 * (std::strstr(fileName, "rgba") != nullptr ? 4 : 3);
    image = {16, 8, size / 128, static_cast<uint8_t*>(std::malloc(size))};
    for (size_t i = 0; i < size; ++i) image.pixels[i] = pattern(i);
    return true;
}

}  // namespace

// Registers names for good; the block texture stays index 0 and is reloaded
// as the game loads it before the test ends.
TEST(GlWindow, TextureSetDecodersAndUploadFormats) {
    // A 24-bit BMP of 5 x 2 pixels (BGR): 15-byte rows, each padded to 16 in
    // the file and in the decoded picture, which GL reads 4-byte aligned.
    std::vector<uint8_t> bmp = {'B', 'M'};
    for (uint32_t v : {86u, 0u, 54u, 40u, 5u, 2u, 24u << 16 | 1u, 0u, 0u, 0u, 0u, 0u, 0u}) {
        for (int i = 0; i < 4; ++i) bmp.push_back(uint8_t(v >> (8 * i)));
    }
    for (int i = 0; i < 30; ++i) {
        bmp.push_back(pattern(i / 3 * 3 + 2 - i % 3));
        if (i % 15 == 14) bmp.push_back(0xEE);
    }
    std::ofstream(workDir / "narrow.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    const char* names[] = {"narrow.bmp", "missing-rgb", "missing-rgba", "refused"};
    for (const char* name : names) glWindow.addTextureFile(name);
    ASSERT_EQ(glWindow.textureCount, 5u);
    hookNames.clear();
    glWindow.imageLoaderHook = syntheticLoader;
    glWindow.loadTextures(false, GL_NEAREST, GL_LINEAR);
    glWindow.imageLoaderHook = nullptr;
    // Files a decoder reads never reach the hook.
    EXPECT_EQ(hookNames, std::vector<std::string>(names + 1, names + 4));
    // Every byte arrives, the 15-byte rows of the BMP included.
    const std::pair<GLenum, size_t> images[] = {
        {GL_RGB, 5 * 2 * 3}, {GL_RGB, 16 * 8 * 3}, {GL_RGBA, 16 * 8 * 4}};
    for (uint32_t index = 1; index <= 3; ++index) {
        const auto [format, size] = images[index - 1];
        std::vector<uint8_t> data(size), expected(size);
        for (size_t i = 0; i < size; ++i) expected[i] = pattern(i);
        glWindow.bindTexture(index);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, data.data());
        EXPECT_EQ(data, expected) << index;
    }
    // Three channels upload as RGB without alpha, four as RGBA; a file nobody
    // decodes keeps a texture name without an image.
    // clang-format off
    const struct { uint32_t index; GLenum what; GLint value; } levels[] = {
        {0, GL_TEXTURE_WIDTH, 32}, {1, GL_TEXTURE_WIDTH, 5}, {2, GL_TEXTURE_WIDTH, 16},
        {2, GL_TEXTURE_ALPHA_SIZE, 0}, {3, GL_TEXTURE_ALPHA_SIZE, 1}, {4, GL_TEXTURE_WIDTH, 0}};
    // clang-format on
    for (const auto& l : levels) {
        glWindow.bindTexture(l.index);
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, l.what, &value);
        EXPECT_EQ(l.what == GL_TEXTURE_ALPHA_SIZE ? value > 0 : value, l.value) << l.index;
    }
    // The filters as asked; a name registered after loading has no texture:
    // binding it binds none.
    GLint got[3] = {};
    glWindow.bindTexture(2);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &got[0]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &got[1]);
    glWindow.addTextureFile("late");
    glWindow.bindTexture(5);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &got[2]);
    EXPECT_EQ(std::vector<GLint>(got, got + 3), (std::vector<GLint>{GL_NEAREST, GL_LINEAR, 0}));
    glWindow.loadTextures(false, GL_NEAREST, GL_NEAREST);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WindowEnvironment);
    return RUN_ALL_TESTS();
}
