// "Stapelix.ini": the exact file, reading it back, and every value that must
// not reach the game as it stands.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "core_test_support.h"
#include "store/settings.h"

namespace {

class Settings : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("Stapelix.ini");

    void SetUp() override { resetCore(); }

    void load(const std::string& content) {
        writeFile(path, content);
        loadSettings(path.c_str());
    }

    static std::string savedName(uint32_t width, uint32_t height) {
        return highscoreList(width, height)[unrankedSlot].name;
    }
};

TEST_F(Settings, DefaultsAreWrittenAsTenLinesWithoutAFinalLineEnd) {
    saveSettings(path.c_str());
    EXPECT_EQ(readFile(path),
              "[Game]\nField = 10 20\nName = \nSpeedlimit = 30\n\n[Video]\nFullscreen = 0"
              "\n\n[Window]\nSize = 640 480");
}

TEST_F(Settings, WrittenSettingsReadBackWhole) {
    gameState.fieldWidth = 7;
    gameState.fieldHeight = 13;
    gameState.speedLimit = 45;
    gameState.fullscreen = true;
    gameState.windowWidth = 800;
    gameState.windowHeight = 600;
    gameState.playerSlot = 4;
    std::strcpy(playerName(), "Zed_9!");
    saveSettings(path.c_str());
    EXPECT_EQ(readFile(path),
              "[Game]\nField = 7 13\nName = Zed_9!\nSpeedlimit = 45\n\n[Video]\nFullscreen = 1"
              "\n\n[Window]\nSize = 800 600");

    resetCore();
    loadSettings(path.c_str());
    EXPECT_EQ(gameState.fieldWidth, 7u);
    EXPECT_EQ(gameState.fieldHeight, 13u);
    EXPECT_EQ(gameState.speedLimit, 45u);
    EXPECT_TRUE(gameState.fullscreen);
    EXPECT_EQ(gameState.windowWidth, 800u);
    EXPECT_EQ(gameState.windowHeight, 600u);
    EXPECT_EQ(savedName(7, 13), "Zed_9!");
    EXPECT_EQ(savedName(10, 20), "");
}

TEST_F(Settings, MissingFileAndUnknownLinesKeepTheDefaults) {
    loadSettings(dir.file("absent.ini").c_str());
    load("[Game]\nfield = 5 5\nField: 6 6\nSPEEDLIMIT = 3\n# Size = 100 100\n\n");
    const GameState defaults{};
    EXPECT_EQ(gameState.fieldWidth, defaults.fieldWidth);
    EXPECT_EQ(gameState.fieldHeight, defaults.fieldHeight);
    EXPECT_EQ(gameState.speedLimit, defaults.speedLimit);
    EXPECT_EQ(gameState.windowWidth, defaults.windowWidth);
    EXPECT_EQ(gameState.windowHeight, defaults.windowHeight);
    EXPECT_FALSE(gameState.fullscreen);
}

TEST_F(Settings, PatternsMatchWithoutBlanksAsFarAsTheyGoAndTheLastValueWins) {
    load("Field=6 7\nSpeedlimit=12\nSize = 800\nFullscreen=1\nSpeedlimit = 25");
    EXPECT_EQ(gameState.fieldWidth, 6u);
    EXPECT_EQ(gameState.fieldHeight, 7u);
    EXPECT_EQ(gameState.speedLimit, 25u);
    EXPECT_EQ(gameState.windowWidth, 800u);
    EXPECT_EQ(gameState.windowHeight, 480u);
    EXPECT_TRUE(gameState.fullscreen);
    load("Field = 12\n");  // only the width
    EXPECT_EQ(gameState.fieldWidth, 12u);
    EXPECT_EQ(gameState.fieldHeight, 7u);
}

TEST_F(Settings, FieldSizesOutsideFourToThirtyAreClamped) {
    struct Case {
        const char* line;
        uint32_t width;
        uint32_t height;
    };
    for (const Case& c :
         {Case{"Field = 0 0", 4, 4}, Case{"Field = 3 31", 4, 30}, Case{"Field = 100 -1", 30, 30},
          Case{"Field = 4 30", 4, 30}, Case{"Field = 4294967295 5", 30, 5}}) {
        SCOPED_TRACE(c.line);
        resetCore();
        load(c.line);
        EXPECT_EQ(gameState.fieldWidth, c.width);
        EXPECT_EQ(gameState.fieldHeight, c.height);
    }
    // The name after a clamped field line lands in the list of the clamped size.
    resetCore();
    load("Field = 50 2\nName = Bo");
    EXPECT_EQ(savedName(30, 4), "Bo");
}

TEST_F(Settings, SpeedlimitZeroBecomesOneMillisecond) {
    load("Speedlimit = 0");
    EXPECT_EQ(gameState.speedLimit, 1u);
    load("Speedlimit = 1");
    EXPECT_EQ(gameState.speedLimit, 1u);
    load("Speedlimit = 4000000000");
    EXPECT_EQ(gameState.speedLimit, 4000000000u);
}

TEST_F(Settings, WindowMinimumsAreComparedAsSignedNumbers) {
    for (const auto& [line, width, height] : {std::tuple{"Size = 10 10", 64u, 48u},
                                              {"Size = 64 48", 64u, 48u},
                                              {"Size = 63 47", 64u, 48u},
                                              {"Size = 3000000000 4294967295", 64u, 48u},
                                              {"Size = 2147483647 1000", 2147483647u, 1000u}}) {
        SCOPED_TRACE(line);
        load(line);
        EXPECT_EQ(gameState.windowWidth, width);
        EXPECT_EQ(gameState.windowHeight, height);
    }
}

TEST_F(Settings, FullscreenTakesTheLowEightBits) {
    for (const auto& [line, fullscreen] : {std::pair{"Fullscreen = 256", false},
                                           {"Fullscreen = 257", true},
                                           {"Fullscreen = 1", true},
                                           {"Fullscreen = -256", false},
                                           {"Fullscreen = 0", false}}) {
        SCOPED_TRACE(line);
        gameState.fullscreen = !fullscreen;
        load(line);
        EXPECT_EQ(gameState.fullscreen, fullscreen);
    }
}

TEST_F(Settings, NamesAreOneWordOfAtMostNineteenCharacters) {
    load("Name = Enter Name");
    EXPECT_EQ(savedName(10, 20), "Enter");
    load("Name = ");  // an empty name reads back as none
    EXPECT_EQ(savedName(10, 20), "Enter");

    resetCore();
    load("Name = abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(savedName(10, 20), "abcdefghijklmnopqrs");
    EXPECT_EQ(highscoreList(10, 20)[unrankedSlot].score, 0u);
    EXPECT_EQ(highscoreList(10, 20)[swapSlot].name[0], '\0');

    // A line longer than the buffer comes in pieces; the name is still cut.
    resetCore();
    load("Name = " + std::string(150, 'q') + "\nSpeedlimit = 9");
    EXPECT_EQ(savedName(10, 20), std::string(19, 'q'));
    EXPECT_EQ(gameState.speedLimit, 9u);

    // A name before the field line belongs to the size in force before it.
    resetCore();
    load("[Game]\nName = Early\nField = 8 8\n");
    EXPECT_EQ(savedName(10, 20), "Early");
    EXPECT_EQ(savedName(8, 8), "");
    LoopState loop;
    preparePlayerName(loop);
    EXPECT_STREQ(playerName(), "Enter Name");
    EXPECT_TRUE(loop.nameEditing);
}

TEST_F(Settings, AFailedSaveLeavesTheOldFile) {
    std::strcpy(playerName(), "First");
    saveSettings(path.c_str());
    const std::string old = readFile(path);
    std::strcpy(playerName(), "Second");
    {
        FileSizeLimit full(8);
        saveSettings(path.c_str());
    }
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    saveSettings(path.c_str());
    EXPECT_NE(readFile(path).find("Name = Second"), std::string::npos);
}

}  // namespace
