// The scene, GlWindow, GL and fonts on one offscreen window. Its Images/Block.bmp has four distinct
// quadrants, so a block shows which way it lies; text is compared with our own glyphs.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "render/scene.h"
#include "store/saved_files.h"
#include "tests/core/core_test_support.h"
#include "window/gl_window.h"

#include "platform/font_face.h"
#include "platform/win32_extra.h"

#include <GL/gl.h>

namespace fs = std::filesystem;

namespace {

constexpr int screenW = 640, screenH = 480;
constexpr int tol = 9;  // the 16-bit window keeps 5 or 6 bits a channel
// The test texture: blue low in the left half, green low in the bottom half.
constexpr int texSize = 32, lo = 96, hi = 255;
// clang-format off
constexpr float white[3] = {1, 1, 1}, red[3] = {1, 0, 0};
struct Rgb { int r, g, b; };
// Each colour code as a screenshot shows it, channels out of 255: black, seven dark colours at
// half strength, light grey at three quarters, and the seven bright ones.
const struct { const char* name; Rgb rgb; } codeColours[16] = {
    {"black", {0, 0, 0}},           {"dark red", {128, 0, 0}},     {"dark green", {0, 128, 0}},
    {"olive", {128, 128, 0}},       {"navy", {0, 0, 128}},         {"purple", {128, 0, 128}},
    {"teal", {0, 128, 128}},        {"grey", {128, 128, 128}},     {"light grey", {191, 191, 191}},
    {"red", {255, 0, 0}},           {"green", {0, 255, 0}},        {"yellow", {255, 255, 0}},
    {"blue", {0, 0, 255}},          {"magenta", {255, 0, 255}},    {"cyan", {0, 255, 255}},
    {"white", {255, 255, 255}}};
struct Box { int minX, minY, maxX, maxY, count; };
using Pick = bool (*)(Rgb);
constexpr Pick isWhite = [](Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; };
constexpr Pick isLit = [](Rgb c) { return c.r + c.g + c.b > 3 * tol; };
// clang-format on

std::ostream& operator<<(std::ostream& out, Rgb c) {
    return out << c.r << "," << c.g << "," << c.b;
}

bool near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

// A value in [low, high], shown beside its range when it is not.
void expectWithin(const char* what, int value, int low, int high) {
    EXPECT_TRUE(value >= low && value <= high)
        << what << " is " << value << ", expected " << low << " to " << high;
}

struct Frame {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(screenW) * screenH * 3);
    Frame() {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, screenW, screenH, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    Box ink() const { return find(0, 0, screenW - 1, screenH - 1, isLit); }
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
};

fs::path startDir, workDir;
constexpr int emHeight = 12;
HFONT arialBold = nullptr;
GLuint referenceFont = 0;  // codes 32..255

class WindowEnvironment : public ::testing::Environment {
    void SetUp() override {
        startDir = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "stapelix-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        workDir = pattern;
        fs::create_directories(workDir / "Images");
        // A 24-bit BMP (BGR), rows bottom up: the first row is the texture's t = 0.
        std::string bmp = "BM";
        for (uint32_t v : {54u + texSize * texSize * 3, 0u, 54u, 40u, uint32_t(texSize),
                           uint32_t(texSize), 24u << 16 | 1u, 0u, 0u, 0u, 0u, 0u, 0u}) {
            for (int i = 0; i < 4; ++i) bmp += char(v >> (8 * i));
        }
        for (int texel = 0; texel < texSize * texSize; ++texel) {
            const bool right = texel % texSize >= texSize / 2, top = texel / texSize >= texSize / 2;
            bmp += {char(right ? hi : lo), char(top ? hi : lo), char(hi)};
        }
        writeFile((workDir / "Images/Block.bmp").string(), bmp);
        fs::current_path(workDir);
        glWindow.addTextureFile("Images\\Block.bmp");
        glWindow.setClassName("StapelixRenderTest");
        ASSERT_TRUE(glWindow.createWindow("Stapelix render test", screenW, screenH, 16, false));
        buildSceneFont();
        referenceFont = glGenLists(224);
        arialBold = CreateFontA(-emHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, "Arial");
        HGDIOBJ previous = SelectObject(glWindow.deviceContext, arialBold);
        ASSERT_TRUE(wglUseFontBitmapsA(glWindow.deviceContext, 32, 224, referenceFont));
        SelectObject(glWindow.deviceContext, previous);
        glWindow.setProjection(screenW, screenH, 0.0, 0.0);
    }
    // Every release succeeds (failures go to standard error), once.
    void TearDown() override {
        DeleteObject(arialBold);
        ::testing::internal::CaptureStderr();
        glWindow.killWindow();
        glWindow.killWindow();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_FALSE(UnregisterClassA("StapelixRenderTest", GetModuleHandleA(nullptr)));  // gone
        EXPECT_EQ(glWindow.renderContext, nullptr);
        EXPECT_EQ(glWindow.deviceContext, nullptr);
        EXPECT_EQ(glWindow.window, nullptr);
        fs::current_path(startDir);
        fs::remove_all(workDir);
    }
};

void resetGame(uint32_t width, uint32_t height) {
    resetCore();
    settings.fieldWidth = width;
    settings.fieldHeight = height;
    gameState.menuVisible = false;
    std::strcpy(playerName(), "ABC");
}

// Prints the text alone at (x, y) with the reference glyphs; gives the x after it.
float print(const std::string& text, int x = 0, int y = 20, const float (&colour)[3] = white) {
    glClear(GL_COLOR_BUFFER_BIT);
    glWindow.unbindTexture();
    glColor3fv(colour);
    glRasterPos2i(x, y);
    glListBase(referenceFont - 32);
    glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
    GLfloat position[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    return position[0];
}

// The frame from x0 rightwards around baseline y matches the text drawn alone.
void expectText(const Frame& frame, int x0, int x, int y, const float (&colour)[3],
                const char* text) {
    print(text, x, y, colour);
    const Frame alone;
    for (int row = y - 4; row <= y + 12; ++row) {
        const uint8_t* got = &frame.pixels[(size_t(row) * screenW + x0) * 3];
        const uint8_t* end = got + (screenW - x0) * 3;
        const uint8_t* unlike =
            std::mismatch(got, end, &alone.pixels[got - frame.pixels.data()]).first;
        if (unlike != end)
            ADD_FAILURE() << text << ": row " << row << " is unlike the text alone from x "
                          << x0 + (unlike - got) / 3;
    }
}

// A block of the code at bottom-left pixel (left, bottom): each quadrant of the upright texture
// tinted by the code's colour; when alone, its lit pixels exactly 16 x 16.
void expectBlock(const Frame& frame, int left, int bottom, int code, bool alone = false) {
    const Rgb colour = codeColours[code].rgb;
    SCOPED_TRACE(::testing::Message() << "code " << code << " (" << codeColours[code].name
                                      << ") at " << left << "," << bottom);
    for (const bool top : {false, true}) {
        for (const bool right : {false, true}) {
            const Rgb c = frame.at(left + (right ? 11 : 4), bottom + (top ? 11 : 4));
            const Rgb texel = {hi, top ? hi : lo, right ? hi : lo};
            const Rgb expected = {colour.r * texel.r / 255, colour.g * texel.g / 255,
                                  colour.b * texel.b / 255};
            EXPECT_TRUE(near(c, expected))
                << (top ? "top " : "bottom ") << (right ? "right" : "left") << " quadrant: " << c
                << ", expected " << expected;
        }
    }
    if (!alone) return;
    const Box box = frame.find(left - 4, bottom - 4, left + 19, bottom + 19, isLit);
    EXPECT_EQ(std::make_tuple(box.minX, box.minY, box.maxX, box.maxY, box.count),
              std::make_tuple(left, bottom, left + 15, bottom + 15, 256));
}

}  // namespace

// Per field size: the field's cells 16 units square from its lower-left corner (alone: clear of
// the frames), the preview's blocks 16 units per offset, the white frame lines along a row or
// column, the head-up lines 16 apart left of the preview. The field sits around (312, 248): a
// 10 x 20 one fills x 224 to 384 and y 80 to 400, a 30 x 30 one x 64 to 544 and the whole height,
// a 9 x 20 one x 232 to 376.
TEST(Scene, GameViewLayouts) {
    // clang-format off
    struct Block { uint32_t column, row; uint8_t code; bool alone; };
    struct Lines { int x0, y0, x1, y1; std::vector<int> at; };
    const struct {
        uint32_t width, height, level, lines, score;
        int fieldLeft, fieldBottom;
        std::vector<Block> blocks;
        int previewLeft, previewBottom;
        std::vector<Lines> frames;
        int hudX, hudY;
        const char* hud[4];
    } layouts[] = {
        {10, 20, 5, 7, 42, 224, 80, {{0, 0, 9, 0}, {2, 2, 12, 1}}, 440, 384,
         {{150, 240, 400, 240, {224, 384}}, {300, 10, 300, 470, {80, 400}},
          {400, 370, 500, 370, {424, 472}}, {448, 330, 448, 470, {336, 400}}},
         424, 320, {"ABC", "05", "007", "042"}},
        {30, 30, 12, 1234, 1234, 64, 0, {{0, 0, 9, 0}, {2, 2, 3, 1}, {29, 29, 14, 0}}, 600, 464,
         {{0, 240, 639, 240, {64, 544}}, {546, 450, 639, 450, {584, 632}}, {0, 470, 100, 470, {64}},
          {0, 100, 100, 100, {64}}}, 584, 400, {"ABC", "12", "1234", "1234"}},
        {9, 20, 1, 0, 0, 232, 80, {{3, 4, 12, 1}}, 432, 384, {{150, 240, 400, 240, {232, 376}}},
         416, 320, {"ABC", "01", "000", "000"}},
    };
    // clang-format on
    const Piece preview = {14, 0, {{0, 0}, {1, 0}, {-1, -1}, {-1, -3}}};
    for (const auto& l : layouts) {
        SCOPED_TRACE(::testing::Message() << l.width << " x " << l.height);
        resetGame(l.width, l.height);
        gameState.level = l.level;
        gameState.linesCleared = l.lines;
        playerScore() = l.score;
        for (const Block& b : l.blocks) playfield.cells[b.row * gridSize + b.column] = b.code;
        gameState.nextPiece = preview;
        drawScene();
        const Frame frame;
        for (const Block& b : l.blocks)
            expectBlock(frame, l.fieldLeft + 16 * int(b.column), l.fieldBottom + 16 * int(b.row),
                        b.code, b.alone);
        for (const PieceCell& cell : preview.cells)
            expectBlock(frame, l.previewLeft + 16 * cell.x, l.previewBottom + 16 * cell.y, 14);
        for (const Lines& f : l.frames) {
            std::vector<int> found;
            frame.find(f.x0, f.y0, f.x1, f.y1, isWhite, &found);
            ASSERT_EQ(found.size(), f.at.size()) << "lines from " << f.x0 << "," << f.y0;
            for (size_t i = 0; i < found.size(); ++i) EXPECT_NEAR(found[i], f.at[i], 1);
        }
        for (int line = 0; line < 4; ++line)
            expectText(frame, l.hudX - 38, l.hudX, l.hudY - 16 * line, white, l.hud[line]);
    }
}

// Every cell of a full 10 x 20 field, from (224, 80), in its code's colour; print keeps the list
// base.
TEST(Scene, EveryCellInItsColour) {
    resetGame(10, 20);
    for (uint32_t cell = 0; cell < 200; ++cell)
        playfield.cells[cell / 10 * gridSize + cell % 10] = 1 + cell % 15;
    glListBase(1000);
    drawScene();
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 1000);
    const Frame frame;
    for (int cell = 0; cell < 200; ++cell)
        expectBlock(frame, 224 + 16 * (cell % 10), 80 + 16 * (cell / 10), 1 + cell % 15);
}

// The menu with and without a game to resume, and the settings: red lines from x 280 every 18
// down from baseline 282, the white cursor left of the chosen line only, and no field.
TEST(Scene, MenusAndCursor) {
    for (int i = 0; i < 9; ++i) {
        const bool settings = i >= 7, resume = i < 4;
        const uint32_t cursor = i < 4 ? i : settings ? i - 7 : i - 3;
        SCOPED_TRACE(testing::Message() << "menu " << settings << resume << cursor);
        resetGame(12, 17);
        gameState.menuVisible = true;
        gameState.settingsVisible = settings;
        gameState.gameClock = resume ? 600 : 0;
        gameState.menuCursor = cursor;
        playfield.cells[0] = 9;
        drawScene();
        const Frame frame;
        EXPECT_EQ(frame.find(0, 0, 270, 479, isLit).count, 0);
        const char* lines[2][4] = {
            {resume ? "Resume Game" : nullptr, "New Game", "Settings", "Exit Game"},
            {nullptr, "Width: 12", "Height: 17", nullptr}};
        for (int line = 0; line < 4; ++line) {
            const int y = 282 - 18 * line;
            if (lines[settings][line] == nullptr) {
                EXPECT_EQ(frame.find(270, y - 4, 639, y + 12, isLit).count, 0) << line;
            } else {
                expectText(frame, 280, 280, y, red, lines[settings][line]);
            }
            // The cursor's pixel centres inside x 275..280, y baseline..baseline + 10.
            const Box c = frame.find(270, y - 1, 281, y + 11, isWhite);
            SCOPED_TRACE(::testing::Message() << "line " << line);
            if (line != int(cursor) + settings) {
                EXPECT_EQ(c.count, 0) << "white pixels where no cursor belongs";
                continue;
            }
            EXPECT_EQ(c.minX, 275);
            expectWithin("the tip's x", c.maxX, 278, 279);
            expectWithin("the lowest y", c.minY, y, y + 1);
            expectWithin("the highest y", c.maxY, y + 8, y + 9);
            EXPECT_TRUE(isWhite(frame.at(276, y + 5))) << "inside: " << frame.at(276, y + 5);
        }
    }
}

// A resize restores the 640 x 480 screen, model view current, viewport kept; whole extensions only.
TEST(GlWindow, ResizeAndExtensions) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, 320, 200);
    EXPECT_EQ(windowProcedure(glWindow.window, WM_SIZE, 0, LPARAM((200 << 16) | 320)), 0);
    GLint state[5] = {};
    glGetIntegerv(GL_MATRIX_MODE, &state[0]);
    glGetIntegerv(GL_VIEWPORT, &state[1]);
    EXPECT_EQ(std::vector<GLint>(state, state + 5),
              (std::vector<GLint>{GL_MODELVIEW, 0, 0, 320, 200}));
    double m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const int at[] = {0, 5, 10, 11, 12, 13, 14, 15};
    const double expected[] = {2.0 / 640, 2.0 / 480, -1, 0, -1, -1, 0, 1};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(m[at[i]], expected[i], 1e-6) << at[i];
    glViewport(0, 0, screenW, screenH);

    std::istringstream words(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
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

// Key flags within the table; active unless minimised; unsigned positions. System keys set no
// flag; Alt+F4, SC_CLOSE and WM_CLOSE quit, keeping the window; only screen saver and monitor
// power-off are held back.
TEST(GlWindow, WindowProcedureMessages) {
    HWND window = glWindow.window;
    keyState = KeyState{};
    for (auto [message, key] :
         {std::pair{WM_KEYDOWN, 37}, {WM_KEYDOWN, 'Z'}, {WM_KEYUP, 37}, {WM_KEYDOWN, 256 + 'Y'}}) {
        EXPECT_EQ(windowProcedure(window, message, key, 0), 0);
    }
    std::vector<int> down;  // Left went up again; a code past 255 sets nothing
    for (int code = 0; code < 256; ++code)
        if (keyState.down[code]) down.push_back(code);
    EXPECT_EQ(down, std::vector<int>{'Z'});
    for (WPARAM wParam : {1u, (1u << 16) | 1, 0u}) {
        windowProcedure(window, WM_ACTIVATE, wParam, 0);
        EXPECT_EQ(gameState.windowActive, wParam >> 16 == 0) << wParam;
    }
    windowProcedure(window, WM_MOVE, 0, LPARAM((30u << 16) | uint16_t(-5)));
    EXPECT_EQ(std::make_pair(glWindow.posX, glWindow.posY), std::make_pair(65531, 30));
    // clang-format off
    const struct { UINT message; WPARAM wParam; bool quits; } system[] = {
        {WM_SYSKEYDOWN, 'X', false}, {WM_SYSKEYDOWN, 121, false}, {WM_SYSKEYDOWN, 115, true},
        {WM_SYSCOMMAND, SC_CLOSE, true}, {WM_SYSCOMMAND, SC_SCREENSAVE, false},
        {WM_SYSCOMMAND, SC_MONITORPOWER, false}, {WM_CLOSE, 0, true}};
    // clang-format on
    MSG message = {};
    for (const auto& s : system) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) continue;
        EXPECT_EQ(windowProcedure(window, s.message, s.wParam, 0), 0);
        bool quit = false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            quit |= message.message == WM_QUIT && message.wParam == 0;
        }
        EXPECT_EQ(quit, s.quits) << s.message << " " << s.wParam;
        EXPECT_EQ(int(keyState.down[s.wParam & 0xFF]), 0) << s.message << " " << s.wParam;
        EXPECT_NE(glWindow.window, nullptr) << s.message << " " << s.wParam;
    }
}

// A step that fails says so once on standard error, in the box's text: the step's own line,
// then the system's reason; nothing of the window is left.
TEST(GlWindow, AFailedCreationStepGivesItsReasonOnceAndLeavesNothing) {
    const struct {
        const char* className;
        int width;
        const char* told;
    } failures[] = {{"StapelixRenderTest", 640,
                     "Failed To Register The Window Class.\nClass already exists.\n"},
                    {"StapelixTooWide", 20000, "Window Creation Error.\nWindow is too large.\n"}};
    for (const auto& failure : failures) {
        GlWindow other;
        other.setClassName(failure.className);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(other.createWindow("Stapelix", failure.width, 480, 16, false));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), failure.told);
        EXPECT_TRUE(!other.window && !other.deviceContext && !other.renderContext &&
                    !other.instance);
    }
    EXPECT_FALSE(UnregisterClassA("StapelixTooWide", GetModuleHandleA(nullptr)));  // released
}

// A window made at a monitor's scale follows a move to another one: the suggested rectangle,
// the viewport scaled to the nearest pixel. One made in the settings' pixels (as on every
// host without the DPI functions) stays as it is.
TEST(GlWindow, AWindowAtAMonitorsScaleFollowsItsChange) {
    ASSERT_EQ(glWindow.windowDpi, 0u);  // no DPI functions here: the settings' pixels
    const auto clientSize = [] {
        int width = 0, height = 0;
        SDL_GetWindowSize(SDL_GL_GetCurrentWindow(), &width, &height);
        return std::vector<GLint>{width, height};
    };
    const auto viewport = [] {
        std::vector<GLint> box(4);
        glGetIntegerv(GL_VIEWPORT, box.data());
        return box;
    };
    // DPI made at, DPI moved to, viewport before and after, client size suggested.
    // clang-format off
    const struct {
        UINT from, to;
        std::vector<GLint> before, after, client;
    } moves[] = {
        {0, 144, {0, 0, 640, 480}, {0, 0, 640, 480}, {640, 480}},      // not followed
        {96, 144, {0, 0, 640, 480}, {0, 0, 960, 720}, {960, 720}},
        {144, 96, {0, 0, 960, 720}, {0, 0, 640, 480}, {640, 480}},
        {96, 144, {1, 2, 333, 201}, {2, 3, 500, 302}, {999, 700}},     // halves round up
        {120, 96, {0, 0, 801, 601}, {0, 0, 641, 481}, {641, 481}},     // 640.8, 480.8
    };
    // clang-format on
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << move.from << " to " << move.to << " DPI");
        glWindow.windowDpi = move.from;
        glViewport(move.before[0], move.before[1], move.before[2], move.before[3]);
        // The outer rectangle of that client area at (50, 60), in the emulated frame.
        RECT suggested = {50, 60, 50 + move.client[0], 60 + move.client[1]};
        AdjustWindowRectEx(&suggested, WS_OVERLAPPEDWINDOW, FALSE, 0);
        EXPECT_EQ(windowProcedure(glWindow.window, WM_DPICHANGED, move.to | move.to << 16,
                                  reinterpret_cast<LPARAM>(&suggested)),
                  0);
        EXPECT_EQ(viewport(), move.after);
        EXPECT_EQ(clientSize(), move.client);
        EXPECT_EQ(glWindow.windowDpi, move.from == 0 ? 0 : move.to);
    }
    glWindow.windowDpi = 0;
    RECT outer = {0, 0, screenW, screenH};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(glWindow.window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    glViewport(0, 0, screenW, screenH);
    EXPECT_EQ(clientSize(), (std::vector<GLint>{screenW, screenH}));
}

// The end of the session is never held up; once final, both files are saved before returning.
TEST(GlWindow, TheEndOfTheWindowsSessionSavesBothFiles) {
    const std::string ini = (workDir / "Stapelix.ini").string(),
                      table = (workDir / "Highscores.txt").string();
    const SavedFiles before = savedFiles;
    savedFiles.settings.name = ini.c_str();
    savedFiles.highscores.name = table.c_str();
    EXPECT_EQ(windowProcedure(glWindow.window, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(windowProcedure(glWindow.window, WM_ENDSESSION, FALSE, 0), 0);  // called off
    EXPECT_FALSE(std::filesystem::exists(ini)) << "saved before the end was final";
    EXPECT_FALSE(std::filesystem::exists(table)) << "saved before the end was final";
    EXPECT_EQ(windowProcedure(glWindow.window, WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_TRUE(std::filesystem::exists(ini)) << ini;
    EXPECT_TRUE(std::filesystem::exists(table)) << table;
    savedFiles = before;
}

// The content picks the decoder, whatever the name. A file neither takes has no image and is
// told with the reason of the decoder whose signature it starts with, else as neither.
TEST(GlWindow, TextureFilesDecodedByWhatTheyHold) {
    const auto little = [](uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    const auto big = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    // Chunks and the zlib stream with zeros for CRC and Adler-32: neither is read.
    const auto chunk = [&](const char* type, const std::string& data) {
        return big(uint32_t(data.size())) + type + data + big(0);
    };
    const std::string signature = "\x89PNG\r\n\x1a\n";
    const auto png = [&](uint8_t depth, const std::string& scanlines) {
        const std::string stored = {
            0x78, 0x01, 1, char(scanlines.size()), 0, char(~scanlines.size()), char(0xFF)};
        return signature + chunk("IHDR", big(2) + big(1) + std::string{char(depth), 6, 0, 0, 0}) +
               chunk("IDAT", stored + scanlines + big(0)) + chunk("IEND", "");
    };
    const std::string pixels = {0, 10, 20, 30, 40, char(200), char(210), char(220), char(230)};
    // A 1 x 1 BMP of 32 bits a pixel: its headers, then the pixel.
    const std::string deep = "BM" + little(58) + little(0) + little(54) + little(40) + little(1) +
                             little(1) + little(1 | 32 << 16) + std::string(24, 0) +
                             little(~0u >> 8);
    // Each file and what the player is told of it: nothing, or the line, also as a message box.
    const std::tuple<const char*, std::string, const char*> files[] = {
        {"picture.bmp", png(8, pixels), nullptr},
        {"wide.png", png(16, pixels),
         "wide.png cannot be used as the block texture: 16 bits per channel are not supported; "
         "save it with 8. The blocks are drawn without it."},
        {"deep.bmp", deep,
         "deep.bmp cannot be used as the block texture: 32-bit BMP pictures are not supported; "
         "save it as 24-bit. The blocks are drawn without it."},
        {"b.png", "B",
         "b.png cannot be used as the block texture: the file ends before the picture does. The "
         "blocks are drawn without it."},
        {"text.bmp", "GIF89a",
         "text.bmp cannot be used as the block texture: this is neither a PNG nor a BMP file. The "
         "blocks are drawn without it."},
        {"empty.png", "",
         "empty.png cannot be used as the block texture: the file is empty. The blocks are drawn "
         "without it."},
        {"missing.png", "",
         "missing.png cannot be used as the block texture: the file could not be opened: No such "
         "file or directory. The blocks are drawn without it."}};
    const uint32_t first = glWindow.textureCount;  // the names after it are forgotten at the end
    std::string notices;
    for (const auto& [name, bytes, notice] : files) {
        glWindow.addTextureFile(name);
        if (name != std::string("missing.png")) writeFile(name, bytes);
        if (notice) notices += std::string(notice) + "\n";  // once, with no box shown
    }
    testing::internal::CaptureStderr();
    glWindow.loadTextures(false, GL_NEAREST, GL_NEAREST);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), notices);
    std::vector<GLint> widths;
    for (uint32_t index = first; index < first + std::size(files); ++index) {
        glWindow.bindTexture(index);
        widths.push_back(0);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &widths.back());
    }
    EXPECT_EQ(widths, (std::vector<GLint>{2, 0, 0, 0, 0, 0, 0}));
    std::string texels(8, 0);
    glWindow.bindTexture(first);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, pixels.substr(1));
    glWindow.textureCount = first;
}

// Undecoded names go to the hook, whose pictures upload every byte, RGB or RGBA; a name nobody
// decodes, or added after loading, has no image and is told once; filters as asked. Names: no
// duplicates, empty or overlong ones, at most 100, found by exact name (a miss gives the count).
TEST(GlWindow, TextureSetAndNames) {
    static std::vector<std::string> hookNames;
    for (const char* name : {"hook-rgb", "hook-rgba", "refused", "hook-rgb", ""})
        glWindow.addTextureFile(name);
    glWindow.imageLoaderHook = [](Image& image, const char* fileName) {
        hookNames.push_back(fileName);
        if (std::strstr(fileName, "refused") != nullptr) return false;
        const uint32_t size = 16 * 8 * (std::strstr(fileName, "rgba") != nullptr ? 4 : 3);
        image.width = 16;
        image.height = 8;
        image.channels = size / 128;
        image.pixels = static_cast<uint8_t*>(std::malloc(size));
        for (size_t i = 0; i < size; ++i) image.pixels[i] = uint8_t(7 * i + 3);
        return true;
    };
    testing::internal::CaptureStderr();
    glWindow.loadTextures(false, GL_NEAREST, GL_LINEAR);
    const std::string told = testing::internal::GetCapturedStderr();
    glWindow.imageLoaderHook = nullptr;
    const std::string notice =
        "refused cannot be used as the block texture: the file could not be opened: No such file "
        "or directory. The blocks are drawn without it.";
    EXPECT_EQ(told, notice + "\n");
    EXPECT_EQ(hookNames, (std::vector<std::string>{"hook-rgb", "hook-rgba", "refused"}));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (uint32_t channels : {3, 4}) {
        std::vector<uint8_t> data(16 * 8 * channels), expected(data.size());
        for (size_t i = 0; i < data.size(); ++i) expected[i] = uint8_t(7 * i + 3);
        glWindow.bindTexture(channels - 2);
        glGetTexImage(GL_TEXTURE_2D, 0, channels == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE,
                      data.data());
        EXPECT_EQ(data, expected) << channels;
    }
    GLint got[7] = {};
    for (auto [index, what, into] : {std::tuple{1u, GL_TEXTURE_ALPHA_SIZE, 0},
                                     {2u, GL_TEXTURE_ALPHA_SIZE, 1},
                                     {3u, GL_TEXTURE_WIDTH, 2},
                                     {0u, GL_TEXTURE_WIDTH, 3}}) {
        glWindow.bindTexture(index);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &got[into]);
    }
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &got[4]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &got[5]);
    glWindow.addTextureFile("late");
    glWindow.bindTexture(4);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &got[6]);
    got[1] = got[1] > 0;
    EXPECT_EQ(std::vector<GLint>(got, got + 7),
              (std::vector<GLint>{0, 1, 0, texSize, GL_NEAREST, GL_LINEAR, 0}));

    EXPECT_EQ(glWindow.findTextureFile("Images\\Block.bmp"), 0u);
    for (const char* miss : {"images\\block.bmp", "Images/Block.bmp", "hook"})
        EXPECT_EQ(glWindow.findTextureFile(miss), 5u) << miss;
    const std::string longest(maxFileNameLength, 'n');
    glWindow.addTextureFile((longest + "x").c_str());  // dropped, not cut short
    glWindow.addTextureFile(longest.c_str());
    EXPECT_EQ(glWindow.findTextureFile(longest.c_str()), 5u);
    while (glWindow.textureCount < maxTextureFiles)
        glWindow.addTextureFile(std::to_string(glWindow.textureCount).c_str());
    glWindow.addTextureFile("one too many");
    EXPECT_EQ(glWindow.findTextureFile("one too many"), maxTextureFiles);
}

// The swap interval the game sets changes when the host grants it.
TEST(GlContext, SwapIntervalFollowsTheHost) {
    auto swapInterval = reinterpret_cast<BOOL(WINAPI*)(int)>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    for (int interval : {1, 0}) {
        const int before = SDL_GL_GetSwapInterval();
        const BOOL set = swapInterval(interval);  // hosts without swap control refuse, and say so
        EXPECT_EQ(SDL_GL_GetSwapInterval(), set ? interval : before);
    }
}

// Arial bold (or its metric twin); 'T' stands on the baseline at the raster position, about an em
// tall, 'p' reaches below; glyphs advance the position.
TEST(Font, GlyphsStandUprightAtTheRasterPositionAndAdvanceIt) {
    const FontFace* face = faceOfFont(arialBold);
    ASSERT_NE(face, nullptr);
    const std::string family = face->face->family_name;
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family;
    EXPECT_TRUE(face->face->style_flags & FT_STYLE_FLAG_BOLD) << face->face->style_name;
    EXPECT_EQ(face->face->size->metrics.y_ppem, emHeight);
    print("T", 20, 24);
    const Box letterT = Frame().ink();
    print("p", 20, 24);
    expectWithin("T's left side", letterT.minX, 20, 22);
    EXPECT_EQ(letterT.minY, 24) << "T's foot";
    expectWithin("T's top", letterT.maxY, 24 + emHeight * 2 / 3 - 1, 24 + emHeight - 1);
    EXPECT_LT(Frame().ink().minY, 24);
    EXPECT_FLOAT_EQ(print("0 7"), 2 * print("0") + print(" "));
    EXPECT_LT(print("i"), print("W"));  // proportional
}

int main(int argc, char** argv) {
    // Mesa's shader cache would go to the real home folder, whatever HOME says.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WindowEnvironment);
    return RUN_ALL_TESTS();
}
