#include "render_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "game/game_state.h"
#include "store/highscores.h"
#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace fs = std::filesystem;

namespace {

std::string workDir;
fs::path startDir;

class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        startDir = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "stapelix-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        workDir = pattern;
        fs::create_directories(fs::path(workDir) / "Images");
        fs::copy_file(fs::path(STAPELIX_SOURCE_DIR) / "Images" / "Block.bmp",
                      fs::path(workDir) / "Images" / "Block.bmp");
        fs::current_path(workDir);

        glWindow.addTextureFile("Images\\Block.bmp");
        glWindow.setClassName("StapelixRenderTest");
        ASSERT_TRUE(glWindow.createWindow("Stapelix render test", screenWidth, screenHeight, 16, false));
        glWindow.setProjection(screenWidth, screenHeight, 0.0, 0.0);
    }

    void TearDown() override {
        glWindow.killWindow();
        fs::current_path(startDir);
        fs::remove_all(workDir);
    }
};

}  // namespace

Frame Frame::capture() {
    Frame frame;
    frame.pixels.resize(size_t(screenWidth) * screenHeight * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, screenWidth, screenHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.pixels.data());
    return frame;
}

Rgb Frame::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= screenWidth || y >= screenHeight) return {0, 0, 0};
    const uint8_t* p = &pixels[(size_t(y) * screenWidth + x) * 3];
    return {p[0], p[1], p[2]};
}

Box Frame::find(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& test) const {
    Box box = {x1 + 1, y1 + 1, x0 - 1, y0 - 1, 0};
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (!test(at(x, y))) continue;
            box.minX = std::min(box.minX, x);
            box.minY = std::min(box.minY, y);
            box.maxX = std::max(box.maxX, x);
            box.maxY = std::max(box.maxY, y);
            ++box.count;
        }
    }
    return box;
}

bool Frame::sameRegion(const Frame& other, int x0, int y0, int x1, int y1) const {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const Rgb a = at(x, y);
            const Rgb b = other.at(x, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) return false;
        }
    }
    return true;
}

bool isWhite(Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool isRed(Rgb c) { return c.r > 40 && c.g < colorTolerance && c.b < colorTolerance; }
bool isLit(Rgb c) { return c.r + c.g + c.b > 3 * colorTolerance; }
bool near(Rgb c, Rgb e) {
    return std::abs(c.r - e.r) <= colorTolerance && std::abs(c.g - e.g) <= colorTolerance &&
           std::abs(c.b - e.b) <= colorTolerance;
}

const std::string& workDirectory() { return workDir; }

void resetGame(uint32_t width, uint32_t height) {
    gameState = GameState{};
    gameState.fieldWidth = width;
    gameState.fieldHeight = height;
    gameState.menuVisible = false;
    gameState.gameRunning = true;
    gameState.level = 1;
    std::memset(&playfield, 0, sizeof(playfield));
    std::memset(&highscoreTable, 0, sizeof(highscoreTable));
    std::strcpy(playerName(), "ABC");
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WindowEnvironment);
    return RUN_ALL_TESTS();
}
