// Whole games from start-up to game over, driven only by key flags and
// counter values through the frame logic: a simple player plans each tick by
// trying every turn and column on a copy of the board. Every frame checks the
// score, the level and the order of the highscore list against the rules;
// the end checks the final table and what is saved of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "core_test_support.h"
#include "game/game_play.h"
#include "store/settings.h"
#include "test_player.h"

namespace {

struct Entry {
    std::string name;
    uint32_t score;
    bool operator==(const Entry& other) const { return name == other.name && score == other.score; }
};

std::vector<Entry> rankedEntries(const HighscoreEntry* list) {
    std::vector<Entry> entries;
    for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot) {
        entries.push_back({list[slot].name, list[slot].score});
    }
    return entries;
}

const std::vector<Entry> earlierPlayers = {
    {"ann", 900}, {"bert", 400}, {"cleo", 250}, {"dirk", 120}, {"eve", 60},
    {"finn", 30}, {"gus", 12},   {"hal", 5},    {"ida", 3},    {"jo", 1}};

struct GameSummary {
    uint32_t score = 0;
    int lines = 0;
    uint32_t mostRowsInOneLock = 0;
    uint32_t highestLevel = 0;
    int frames = 0;
};

class WholeGame : public ::testing::Test {
protected:
    TempDir dir;
    std::string settingsPath = dir.file("Stapelix.ini");
    std::string highscorePath = dir.file("Highscores.txt");

    void SetUp() override { resetCore(); }

    // Start-up as the program does it: both files read, the name prepared.
    void startUp(uint32_t width, uint32_t height, LoopState& loop) {
        writeFile(settingsPath, "[Game]\nField = " + std::to_string(width) + " " +
                                    std::to_string(height) + "\nName = Bot\nSpeedlimit = 30");
        std::string table =
            "Field: " + std::to_string(width) + " " + std::to_string(height) + "\nName\tScore\n\n";
        for (const Entry& entry : earlierPlayers) {
            table += entry.name + "\t" + std::to_string(entry.score) + "\n";
        }
        writeFile(highscorePath, table);
        loadSettings(settingsPath.c_str());
        loadHighscores(highscorePath.c_str());
        if (width == 30 || height == 30) {
            // No list in the file for this size: the earlier players are
            // there for this run only.
            EXPECT_EQ(gameState.playerSlot, 0u);
            HighscoreEntry* list = currentList();
            for (size_t slot = 0; slot < earlierPlayers.size(); ++slot) {
                std::snprintf(list[slot].name, nameSize, "%s", earlierPlayers[slot].name.c_str());
                list[slot].score = earlierPlayers[slot].score;
            }
            gameState.playerSlot = unrankedSlot;
        }
        ASSERT_EQ(gameState.playerSlot, unrankedSlot);
        preparePlayerName(loop);
        ASSERT_FALSE(loop.nameEditing);
        initTickTimer(loop.tickTimer);
    }

    GameSummary play(uint32_t width, uint32_t height, int lineTarget, unsigned seed) {
        GameSummary summary;
        LoopState loop;
        resetCore();
        startUp(width, height, loop);
        std::srand(seed);
        press(key::enter);  // "New Game"
        frameWithoutTick(loop);
        EXPECT_TRUE(gameState.gameRunning);
        EXPECT_EQ(gameState.level, 1u);
        EXPECT_EQ(playerScore(), 0u);
        EXPECT_STREQ(playerName(), "Bot");

        const int frameLimit = 400000;
        while (gameState.gameRunning && summary.frames < frameLimit) {
            Action a = summary.lines < lineTarget ? planNextAction() : Action::drop;
            pressFor(a);
            const int linesBefore = gameState.linesCleared;
            frameWithTick(loop);
            ++summary.frames;
            const int removed = gameState.linesCleared - linesBefore;
            if (removed < 0 || removed > 4) {
                ADD_FAILURE() << "one lock removed " << removed << " rows";
                break;
            }
            summary.lines += removed;
            summary.score += pointsForRows(uint32_t(removed));
            summary.mostRowsInOneLock = std::max(summary.mostRowsInOneLock, uint32_t(removed));
            summary.highestLevel = std::max(summary.highestLevel, gameState.level);
            if (playerScore() != summary.score ||
                gameState.level != std::min(50u, uint32_t(summary.lines) / 4 + 1) ||
                gameState.linesCleared != summary.lines || std::string(playerName()) != "Bot") {
                ADD_FAILURE() << "frame " << summary.frames << ": score " << playerScore()
                              << " for " << summary.score << ", level " << gameState.level
                              << " after " << summary.lines << " rows";
                break;
            }
            const HighscoreEntry* list = currentList();
            for (uint32_t slot = 1; slot < rankedSlots; ++slot) {
                if (list[slot].score > list[slot - 1].score) {
                    ADD_FAILURE() << "list out of order at slot " << slot;
                    return summary;
                }
            }
        }
        EXPECT_FALSE(gameState.gameRunning) << "no game over within " << frameLimit << " frames";
        EXPECT_FALSE(gameState.menuVisible);  // the final field stays on screen
        EXPECT_FALSE(gameState.currentPiecePlaced);

        // The player's entry sits below every earlier score at least as high.
        std::vector<Entry> expected = earlierPlayers;
        const auto place = std::find_if(expected.begin(), expected.end(), [&](const Entry& entry) {
            return entry.score < summary.score;
        });
        const uint32_t expectedSlot = uint32_t(place - expected.begin());
        expected.insert(place, {"Bot", summary.score});
        expected.resize(rankedSlots);
        EXPECT_EQ(rankedEntries(currentList()), expected);
        EXPECT_EQ(gameState.playerSlot, std::min(expectedSlot, unrankedSlot));

        press(key::enter);  // back to the menu, nothing to resume
        frameWithoutTick(loop);
        EXPECT_TRUE(gameState.menuVisible);
        EXPECT_EQ(gameState.gameClock, 0u);

        // What is saved and read back at the next start.
        saveHighscores(highscorePath.c_str());
        saveSettings(settingsPath.c_str());
        resetCore();
        loadSettings(settingsPath.c_str());
        loadHighscores(highscorePath.c_str());
        EXPECT_EQ(gameState.fieldWidth, width);
        EXPECT_EQ(gameState.fieldHeight, height);
        if (width < 30 && height < 30) {
            EXPECT_EQ(rankedEntries(currentList()), expected);
        } else {
            EXPECT_EQ(readFile(highscorePath), "");  // such sizes are kept for the run only
        }
        return summary;
    }
};

TEST_F(WholeGame, SmallestField) {
    // Games on four rows are short: play several.
    int lines = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        lines += play(4, 4, 1000, seed).lines;
    }
    EXPECT_GT(lines, 0);
}

TEST_F(WholeGame, DefaultField) {
    const GameSummary game = play(10, 20, 200, 5);
    // Long enough to reach the fastest gravity and the last level.
    EXPECT_EQ(game.highestLevel, 50u);
    EXPECT_GE(game.mostRowsInOneLock, 2u);
}

TEST_F(WholeGame, LargestField) {
    const GameSummary game = play(30, 30, 30, 3);
    EXPECT_GE(game.lines, 30);
    EXPECT_GE(game.highestLevel, 8u);
}

}  // namespace
