// GlWindow on a live context: the projection variants, the extension test,
// the window procedure's records, and how the texture set uploads what the
// decoders or the hook deliver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/frame_logic.h"
#include "game/game_state.h"
#include "render/scene.h"
#include "render_fixture.h"
#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace fs = std::filesystem;

namespace {

std::vector<double> currentMatrix(GLenum which) {
    std::vector<double> m(16);
    glGetDoublev(which, m.data());
    return m;
}

void expectMatrix(const std::vector<double>& actual, const std::vector<double>& expected) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6) << "element " << i;
}

std::vector<int> viewport() {
    std::vector<int> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

// glOrtho(0, 640, 0, 480, -1, 1), column-major.
const std::vector<double> screenOrtho = {2.0 / 640, 0, 0, 0, 0, 2.0 / 480, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1};

}  // namespace

TEST(GlWindowProjection, OrthographicAndPerspective) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5.0f, 6.0f, 0.0f);
    const std::vector<double> modelView = currentMatrix(GL_MODELVIEW_MATRIX);

    glWindow.setProjection(320, 200, 1.0, 100.0);
    EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 320, 200}));
    // 45 degrees and the fixed 4:3 aspect, whatever the size.
    const double pi = std::acos(-1.0);
    const double f = 1.0 / std::tan(22.5 * pi / 180.0);
    expectMatrix(currentMatrix(GL_PROJECTION_MATRIX),
                 {f * 3.0 / 4.0, 0, 0, 0, 0, f, 0, 0, 0, 0, -101.0 / 99.0, -1, 0, 0, -200.0 / 99.0, 0});
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // The orthographic view leaves the viewport where it was.
    glWindow.setProjection(screenWidth, screenHeight, 0.0, 5.0);
    expectMatrix(currentMatrix(GL_PROJECTION_MATRIX), screenOrtho);
    EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 320, 200}));
    expectMatrix(currentMatrix(GL_MODELVIEW_MATRIX), modelView);

    glViewport(0, 0, screenWidth, screenHeight);
    glLoadIdentity();
}

TEST(GlWindowExtensions, WholeTokensOnly) {
    EXPECT_FALSE(glWindow.hasExtension(""));
    EXPECT_FALSE(glWindow.hasExtension(nullptr));
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(all, nullptr);
    std::vector<std::string> tokens;
    std::istringstream words(all);
    for (std::string word; words >> word;) tokens.push_back(word);
    ASSERT_GE(tokens.size(), 2u);
    auto isToken = [&](const std::string& name) {
        for (const std::string& t : tokens) {
            if (t == name) return true;
        }
        return false;
    };
    for (const std::string& token : tokens) {
        EXPECT_TRUE(glWindow.hasExtension(token.c_str())) << token;
        // Cut at either end it is absent unless that is a token of its own.
        const std::string head = token.substr(0, token.size() - 1);
        const std::string tail = token.substr(1);
        EXPECT_EQ(glWindow.hasExtension(head.c_str()), isToken(head)) << head;
        EXPECT_EQ(glWindow.hasExtension(tail.c_str()), isToken(tail)) << tail;
    }
    const std::string pair = tokens[0] + " " + tokens[1];
    EXPECT_FALSE(glWindow.hasExtension(pair.c_str()));
}

TEST(GlWindowProcedure, RecordsKeysActivationAndPosition) {
    HWND window = glWindow.window;
    std::memset(&keyState, 0, sizeof(keyState));
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, VK_LEFT, 0), 0);
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, 'Z', 0), 0);
    EXPECT_EQ(keyState.down[VK_LEFT], 1);
    EXPECT_EQ(keyState.down['Z'], 1);
    windowProcedure(window, WM_KEYUP, VK_LEFT, 0);
    EXPECT_EQ(keyState.down[VK_LEFT], 0);
    EXPECT_EQ(keyState.down['Z'], 1);
    // Codes beyond the table change nothing (and touch nothing beyond it).
    const KeyState before = keyState;
    windowProcedure(window, WM_KEYDOWN, 256 + VK_LEFT, 0);
    EXPECT_EQ(std::memcmp(&before, &keyState, sizeof(keyState)), 0);

    windowProcedure(window, WM_ACTIVATE, 1, 0);
    EXPECT_TRUE(gameState.windowActive);
    windowProcedure(window, WM_ACTIVATE, (1u << 16) | 1, 0);  // minimised
    EXPECT_FALSE(gameState.windowActive);
    windowProcedure(window, WM_ACTIVATE, 0, 0);
    EXPECT_TRUE(gameState.windowActive);

    // A window left of the screen edge: both words taken as unsigned.
    const LPARAM moved = LPARAM((uint32_t(30) << 16) | uint16_t(-5));
    EXPECT_EQ(windowProcedure(window, WM_MOVE, 0, moved), 0);
    EXPECT_EQ(glWindow.posX, 65531);
    EXPECT_EQ(glWindow.posY, 30);

    EXPECT_EQ(windowProcedure(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(windowProcedure(window, WM_SYSCOMMAND, SC_MONITORPOWER, 0), 0);
    std::memset(&keyState, 0, sizeof(keyState));
}

TEST(GlWindowProcedure, ResizeRestoresTheVirtualScreen) {
    glWindow.setProjection(320, 200, 1.0, 10.0);
    EXPECT_EQ(windowProcedure(glWindow.window, WM_SIZE, 0, LPARAM((200 << 16) | 320)), 0);
    expectMatrix(currentMatrix(GL_PROJECTION_MATRIX), screenOrtho);
    glViewport(0, 0, screenWidth, screenHeight);
}

TEST(GlWindowProcedure, CloseAsksToQuitAndKeepsTheWindow) {
    MSG message = {};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(windowProcedure(glWindow.window, WM_CLOSE, 0, 0), 0);
    EXPECT_NE(glWindow.window, nullptr);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, WPARAM(0));
}

namespace {

// Pictures the hook hands out, by file name; it counts its calls.
int hookCalls = 0;
std::vector<std::string> hookNames;

bool syntheticLoader(Image& image, const char* fileName) {
    ++hookCalls;
    hookNames.push_back(fileName);
    const uint32_t channels = std::strstr(fileName, "rgba") != nullptr ? 4 : 3;
    if (std::strstr(fileName, "refused") != nullptr) return false;
    image.width = 16;
    image.height = 8;
    image.channels = channels;
    image.pixels = static_cast<uint8_t*>(std::malloc(size_t(16) * 8 * channels));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = &image.pixels[(y * 16 + x) * channels];
            p[0] = uint8_t(16 * x + 8);
            p[1] = uint8_t(32 * y + 16);
            p[2] = uint8_t(255 - 16 * x);
            if (channels == 4) p[3] = uint8_t(x * y);
        }
    }
    return true;
}

// A 24-bit BMP file, 5 x 2 pixels, its 15-byte rows back to back as the
// decoder reads them (and hands them on).
void writeNarrowBmp(const fs::path& path) {
    std::vector<uint8_t> file = {'B', 'M'};
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) file.push_back(uint8_t(v >> (8 * i)));
    };
    auto put16 = [&](uint32_t v) {
        for (int i = 0; i < 2; ++i) file.push_back(uint8_t(v >> (8 * i)));
    };
    put32(54 + 30);
    put32(0);
    put32(54);
    put32(40);
    put32(5);
    put32(2);
    put16(1);
    put16(24);
    for (int i = 0; i < 6; ++i) put32(0);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 5; ++x) {
            file.push_back(uint8_t(10 * x + 1));    // blue
            file.push_back(uint8_t(100 + row));     // green
            file.push_back(uint8_t(200 + x));       // red
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

std::vector<uint8_t> textureTexels(uint32_t index, GLenum format, int count) {
    glWindow.bindTexture(index);
    std::vector<uint8_t> texels(size_t(count), 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

GLint textureLevelValue(uint32_t index, GLenum what) {
    glWindow.bindTexture(index);
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
    return value;
}

}  // namespace

// Registers names for good; the real block texture stays index 0, and it is
// reloaded as the game loads it before the test ends.
TEST(GlWindowTextures, DecoderChainAndUploadFormats) {
    writeNarrowBmp(fs::path(workDirectory()) / "narrow.bmp");
    glWindow.addTextureFile("narrow.bmp");
    glWindow.addTextureFile("missing-rgb");
    glWindow.addTextureFile("missing-rgba");
    glWindow.addTextureFile("refused");
    ASSERT_EQ(glWindow.textureCount, 5u);
    hookCalls = 0;
    hookNames.clear();
    glWindow.imageLoaderHook = syntheticLoader;
    glWindow.loadTextures(false, GL_NEAREST, GL_LINEAR);
    glWindow.imageLoaderHook = nullptr;

    // Files a decoder reads never reach the hook.
    EXPECT_EQ(hookNames, (std::vector<std::string>{"missing-rgb", "missing-rgba", "refused"}));

    EXPECT_EQ(textureLevelValue(0, GL_TEXTURE_WIDTH), 32);
    // Packed 15-byte rows arrive intact.
    const std::vector<uint8_t> narrow = textureTexels(1, GL_RGB, 5 * 2 * 3);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 5; ++x) {
            const uint8_t* t = &narrow[(row * 5 + x) * 3];
            EXPECT_EQ(t[0], 200 + x) << x << "," << row;
            EXPECT_EQ(t[1], 100 + row) << x << "," << row;
            EXPECT_EQ(t[2], 10 * x + 1) << x << "," << row;
        }
    }

    // Three channels upload as RGB without alpha, four as RGBA.
    EXPECT_EQ(textureLevelValue(2, GL_TEXTURE_WIDTH), 16);
    EXPECT_EQ(textureLevelValue(2, GL_TEXTURE_HEIGHT), 8);
    EXPECT_EQ(textureLevelValue(2, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_GT(textureLevelValue(3, GL_TEXTURE_ALPHA_SIZE), 0);
    const std::vector<uint8_t> rgba = textureTexels(3, GL_RGBA, 16 * 8 * 4);
    EXPECT_EQ(rgba[(5 * 16 + 7) * 4 + 0], 16 * 7 + 8);
    EXPECT_EQ(rgba[(5 * 16 + 7) * 4 + 1], 32 * 5 + 16);
    EXPECT_EQ(rgba[(5 * 16 + 7) * 4 + 3], 35);
    glWindow.bindTexture(2);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);

    // A file nobody decodes keeps a texture name without an image.
    EXPECT_EQ(textureLevelValue(4, GL_TEXTURE_WIDTH), 0);
    // A name registered after loading has no texture: binding it binds none.
    glWindow.addTextureFile("late");
    glWindow.bindTexture(5);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);

    glWindow.loadTextures(false, GL_NEAREST, GL_NEAREST);
}
