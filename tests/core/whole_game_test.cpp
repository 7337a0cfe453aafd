// Whole games from start-up to game over, driven only by key flags and
// counter values through the frame logic: a simple player plans each tick by
// trying every turn and column on a copy of the board. Every frame checks the
// score, the level and the order of the highscore list against the rules;
// the end checks the final table and what is saved of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core_test_support.h"
#include "store/settings.h"
#include "test_player.h"

namespace {

using Entries = std::vector<std::pair<std::string, uint32_t>>;
const Entries earlierPlayers = {{"ann", 900}, {"bert", 400}, {"cleo", 250}, {"dirk", 120},
                                {"eve", 60},  {"finn", 30},  {"gus", 12},   {"hal", 5},
                                {"ida", 3},   {"jo", 1}};

std::string joined(const Entries& entries, const char* between, const char* after) {
    std::string text;
    for (const auto& [name, score] : entries)
        text += name + between + std::to_string(score) + after;
    return text;
}

struct Game {
    uint32_t score = 0, mostRowsInOneLock = 0, highestLevel = 0;
    int lines = 0, frames = 0;
};

class WholeGame : public ::testing::Test {
protected:
    TempDir dir;
    const std::string settingsPath = dir.file("Stapelix.ini"),
                      tablePath = dir.file("Highscores.txt");

    Game play(uint32_t width, uint32_t height, int lineTarget, unsigned seed) {
        // Start-up as the program does it: both files read, the name prepared.
        const std::string size = std::to_string(width) + " " + std::to_string(height);
        writeFile(settingsPath, "[Game]\nField = " + size + "\nName = Bot\nSpeedlimit = 30");
        writeFile(tablePath,
                  "Field: " + size + "\nName\tScore\n\n" + joined(earlierPlayers, "\t", "\n"));
        resetCore();
        loadSettings(settingsPath.c_str());
        loadHighscores(tablePath.c_str());
        if (width == 30 ||
            height == 30) {  // no list in the file: the earlier players for this run only
            EXPECT_EQ(playerSlot, 0u);
            setList(width, height, joined(earlierPlayers, ":", " "));
            playerSlot = unrankedSlot;
        }
        EXPECT_EQ(playerSlot, unrankedSlot);
        LoopState loop;
        preparePlayerName(loop);
        initTickTimer(loop.tickTimer);
        std::srand(seed);
        press(key::enter);  // "New Game"
        frameWithoutTick(loop);
        EXPECT_EQ(std::to_string(gameState.level) + playerName() + std::to_string(playerScore()) +
                      (gameState.gameRunning && !loop.paused ? " running" : ""),
                  "1Bot0 running");

        Game game;
        while (gameState.gameRunning && game.frames++ < 400000) {
            pressFor(game.lines < lineTarget ? planNextAction() : Action::drop);
            const int linesBefore = gameState.linesCleared;
            frameWithTick(loop);
            const uint32_t removed = uint32_t(gameState.linesCleared - linesBefore);
            game.lines += int(removed);
            game.score += removed <= 4 ? pointsForRows[removed] : 1000000;
            game.mostRowsInOneLock = std::max(game.mostRowsInOneLock, removed);
            game.highestLevel = std::max(game.highestLevel, gameState.level);
            const HighscoreEntry* list = currentList();
            bool ordered = true;
            for (uint32_t slot = 1; slot < rankedSlots; ++slot)
                ordered &= list[slot].score <= list[slot - 1].score;
            if (playerScore() != game.score || std::string(playerName()) != "Bot" || !ordered ||
                gameState.level != std::min(50u, uint32_t(game.lines) / 4 + 1)) {
                ADD_FAILURE() << "frame " << game.frames << ": score " << playerScore() << " for "
                              << game.score << ", level " << gameState.level << " after "
                              << game.lines << " rows";
                break;
            }
        }
        EXPECT_FALSE(gameState.gameRunning || gameState.menuVisible);  // the field stays on screen

        // The player's entry sits below every earlier score at least as high.
        Entries expected = earlierPlayers;
        const auto place = std::find_if(expected.begin(), expected.end(), [&](const auto& entry) {
            return entry.second < game.score;
        });
        EXPECT_EQ(playerSlot, std::min(uint32_t(place - expected.begin()), unrankedSlot));
        expected.insert(place, {"Bot", game.score});
        expected.resize(rankedSlots);
        const std::string table = joined(expected, ":", " ");
        EXPECT_EQ(ranked(width, height) + " ", table);
        press(key::enter);  // back to the menu, nothing to resume
        frameWithoutTick(loop);
        EXPECT_TRUE(gameState.menuVisible && gameState.gameClock == 0);

        // What is saved and read back at the next start (sizes of 30 keep theirs for the run).
        saveHighscores(tablePath.c_str());
        saveSettings(settingsPath.c_str());
        resetCore();
        loadSettings(settingsPath.c_str());
        loadHighscores(tablePath.c_str());
        EXPECT_EQ(std::to_string(settings.fieldWidth) + " " + std::to_string(settings.fieldHeight),
                  size);
        if (width < 30 && height < 30)
            EXPECT_EQ(ranked(width, height) + " ", table);
        else
            EXPECT_EQ(readFile(tablePath), "");
        return game;
    }
};

TEST_F(WholeGame, SmallestField) {
    int lines = 0;  // games on four rows are short: play several
    for (unsigned seed = 1; seed <= 12; ++seed) lines += play(4, 4, 1000, seed).lines;
    EXPECT_GT(lines, 0);
}

TEST_F(WholeGame, DefaultFieldUpToTheLastLevel) {
    const Game game = play(10, 20, 200, 5);
    EXPECT_EQ(game.highestLevel, 50u);
    EXPECT_GE(game.mostRowsInOneLock, 2u);
}

TEST_F(WholeGame, LargestField) {
    const Game game = play(30, 30, 30, 3);
    EXPECT_GE(game.lines, 30);
    EXPECT_GE(game.highestLevel, 8u);
}

}  // namespace
