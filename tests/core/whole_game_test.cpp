// Whole games from start-up to the files saved at exit, driven only by key
// flags and counter values through the frame logic: a simple player tries
// every turn and column on a copy of the board each tick. Every frame is
// checked against the rules and must not allocate: this program stands in
// for malloc (glibc forwards to its own, and operator new comes here) to count.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "core_test_support.h"
#include "store/saved_files.h"

extern "C" void* __libc_malloc(size_t size);

namespace {
volatile unsigned long allocations = 0;
}

extern "C" void* malloc(size_t size) {
    allocations = allocations + 1;
    return __libc_malloc(size);
}

namespace {

bool filled(int x, int y) {
    return x < 0 || x >= int(settings.fieldWidth) || y < 0 || playfield.cells[y * gridSize + x];
}

// How good the landing of the current piece is: low, and leaving few
// changes between filled and empty cells along rows and columns.
double landingValue() {
    const int width = int(settings.fieldWidth), height = int(settings.fieldHeight);
    int landing = 0, rowChanges = 0, columnChanges = 0, holes = 0;
    for (const PieceCell& cell : gameState.currentPiece.cells) landing += cell.y;
    removeFullRows();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x <= width; ++x) {
            rowChanges += filled(x - 1, y) != filled(x, y);
            columnChanges += x < width && filled(x, y) != filled(x, y - 1);
            holes += x < width && !filled(x, y) && filled(x, y + 1);
        }
    }
    return -1.0 * landing - 3.2 * rowChanges - 9.3 * columnChanges - 7.9 * holes;
}

// The key to press this tick: the first step to the best landing of the
// current piece over every turn and column. None while the piece is
// unplaced (after a hard drop, until the lock).
uint8_t plannedKey() {
    if (!gameState.currentPiecePlaced) return 0;
    const GameState startState = gameState;
    const Playfield startField = playfield;
    const int width = int(settings.fieldWidth);
    double best = -std::numeric_limits<double>::infinity();
    uint8_t bestKey = keySpace;
    for (int turns = 0; turns < 4; ++turns) {
        for (int dx = -width; dx <= width; ++dx) {
            gameState = startState;
            playfield = startField;
            for (int t = 0; t < turns; ++t) rotatePiece(1);
            bool moved = true;
            for (int step = 0; step < std::abs(dx) && moved; ++step)
                moved = movePiece(dx < 0 ? -1 : 1, 0);
            while (moved && movePiece(0, -1)) {
            }
            const double value = moved ? landingValue() - 0.001 * (turns + std::abs(dx)) : best;
            if (value > best) {
                best = value;
                bestKey = turns > 0 ? keyUp : dx < 0 ? keyLeft : dx > 0 ? keyRight : keySpace;
            }
        }
    }
    gameState = startState;
    playfield = startField;
    return bestKey;
}

// The default field's game ends on top, the largest one's equal to the
// third score, and the smallest ones' below the equal ninth or tenth.
constexpr uint32_t earlierScores[] = {200, 100, 32, 30, 12, 5, 3, 2, 1, 1};

// The earlier players ("p" and the score) as name, `tab`, score, `end`; with
// a score, the player "bot" below every score at least as high; ten at most.
std::string entries(const std::string& tab, const std::string& end, uint32_t score = 0) {
    std::string text;
    uint32_t count = 0;
    for (uint32_t earlier : earlierScores) {
        if (score > earlier && count++ < rankedSlots)
            text += "bot" + tab + std::to_string(score) + end;
        score = score > earlier ? 0 : score;
        if (count++ < rankedSlots)
            text += "p" + std::to_string(earlier) + tab + std::to_string(earlier) + end;
    }
    return text;
}

struct Game {
    int lines = 0;
    uint32_t highestLevel = 0, locksByRows[5] = {};
};

// One game from start-up to exit; the player picks each tick's key until
// `lineTarget` rows are gone, and drops every piece after that.
Game play(uint32_t width, uint32_t height, int lineTarget, unsigned seed) {
    TempDir dir;
    const std::string ini = dir.file("Stapelix.ini"), table = dir.file("Highscores.txt"),
                      size = std::to_string(width) + " " + std::to_string(height);
    SavedFiles files = {ini.c_str(), table.c_str()};
    writeFile(table, "Field: " + size + "\nName\tScore\n\n" + entries("\t", "\n"));
    resetCore();
    loadSavedFiles(files);  // no settings file: the name is the placeholder
    if (width == maxFieldSize || height == maxFieldSize) setList(width, height, entries(":", " "));
    LoopState loop;
    preparePlayerName(loop);
    std::srand(seed);
    unsigned long frameAllocations = 0;
    const auto frameWith = [&](uint8_t key, bool tickDue) {
        keyState.down[key] = key != 0;
        const unsigned long before = allocations;
        frame(loop, tickDue);
        frameAllocations += allocations - before;
    };
    // The size set in the settings submenu, a new game, the name typed.
    std::vector<uint8_t> keys = {keyDown, keyEnter};
    keys.insert(keys.end(), std::max(width, 10u) - std::min(width, 10u),
                width > 10 ? keyRight : keyLeft);
    keys.push_back(keyDown);
    keys.insert(keys.end(), std::max(height, 20u) - std::min(height, 20u),
                height > 20 ? keyRight : keyLeft);
    keys.insert(keys.end(), {keyEscape, keyUp, keyEnter, 'B', 'O', 'T', keyEnter});
    for (uint8_t key : keys) frameWith(key, false);
    keyState.down[keyEnter] = 0;  // released

    Game game;
    uint32_t score = 0;
    for (int frames = 0; gameState.gameRunning && frames < 400000 && !::testing::Test::HasFailure();
         ++frames) {
        const int linesBefore = gameState.linesCleared;
        frameWith(game.lines < lineTarget ? plannedKey() : uint8_t(keySpace), true);
        const uint32_t removed = std::min(uint32_t(gameState.linesCleared - linesBefore), 5u);
        game.lines += int(removed);
        score += removed < 5 ? pointsForRows[removed] : 1000000;
        ++game.locksByRows[removed % 5];
        game.highestLevel = std::max(game.highestLevel, gameState.level);
        // Every piece brings four blocks, and every removed row takes a row's worth.
        const long blocks = std::count_if(playfield.cells, std::end(playfield.cells),
                                          [](uint8_t c) { return c != 0; });
        EXPECT_TRUE(playerScore() == score && std::string(playerName()) == "bot" &&
                    gameState.level == std::min(50u, uint32_t(game.lines) / 4 + 1) &&
                    (blocks + long(width) * game.lines) % 4 == 0)
            << "frame " << frames << ": score " << playerScore() << " for " << score << ", level "
            << gameState.level << " after " << game.lines << " rows, " << blocks << " blocks";
    }
    EXPECT_FALSE(gameState.gameRunning || gameState.menuVisible);  // the field stays on screen
    EXPECT_EQ(ranked(width, height) + " ", entries(":", " ", score));
    EXPECT_EQ(playerSlot,
              uint32_t(std::count_if(std::begin(earlierScores), std::end(earlierScores),
                                     [&](uint32_t earlier) { return earlier >= score; })));
    frameWith(keyEnter, false);  // back to the menu, nothing to resume
    frameWith(keyF12, false);
    EXPECT_TRUE(gameState.menuVisible && gameState.gameClock == 0 && loop.quitRequested);
    EXPECT_EQ(frameAllocations, 0u);
    // What is saved and read back at the next start: sizes with a 30 keep
    // their list for the run only.
    saveSavedFiles(files);
    resetCore();
    loadSavedFiles(files);
    EXPECT_EQ(std::to_string(settings.fieldWidth) + " " + std::to_string(settings.fieldHeight) +
                  " " + currentList()[unrankedSlot].name + std::to_string(playerSlot) + " " +
                  ranked(width, height) + " ",
              size + " bot" + (width < maxFieldSize && height < maxFieldSize ? "10 " : "0 ") +
                  (width < maxFieldSize && height < maxFieldSize ? entries(":", " ", score) : " "));
    return game;
}

TEST(WholeGame, SmallestField) {
    int lines = 0;  // games on four rows are short: play several
    for (unsigned seed = 1; seed <= 12; ++seed) lines += play(4, 4, 1000, seed).lines;
    EXPECT_GT(lines, 0);
}

TEST(WholeGame, DefaultFieldUpToTheLastLevel) {
    const Game game = play(10, 20, 200, 5);
    EXPECT_EQ(game.highestLevel, 50u);
    for (uint32_t rows = 1; rows <= 4; ++rows) EXPECT_GT(game.locksByRows[rows], 0u) << rows;
}

TEST(WholeGame, LargestField) {
    const Game game = play(30, 30, 30, 3);
    EXPECT_GE(game.lines, 30);
    EXPECT_GE(game.highestLevel, 8u);
}

}  // namespace
