// Whole games from start-up to the saved files, played through the frame logic.
// Every frame is checked against the rules and must not allocate (malloc is counted here).
#include <gtest/gtest.h>

#include <algorithm>

#include "core_test_support.h"
#include "store/saved_files.h"

extern "C" void* __libc_malloc(size_t size);
static volatile unsigned long allocations = 0;
extern "C" void* malloc(size_t size) {
    allocations = allocations + 1;
    return __libc_malloc(size);
}

namespace {

constexpr uint32_t pointsForRows[] = {0, 1, 3, 5, 8};  // by the rows one lock removes

bool filled(int x, int y) {
    return x < 0 || x >= int(settings.fieldWidth) || y < 0 || playfield.cells[y * gridSize + x];
}

double landingValue() {
    const int width = int(settings.fieldWidth);
    int landing = 0, rowChanges = 0, columnChanges = 0, holes = 0;
    for (const PieceCell& cell : gameState.currentPiece.cells) landing += cell.y;
    removeFullRows();
    for (int y = 0; y < int(settings.fieldHeight); ++y) {
        for (int x = 0; x <= width; ++x) {
            rowChanges += filled(x - 1, y) != filled(x, y);
            columnChanges += x < width && filled(x, y) != filled(x, y - 1);
            holes += x < width && !filled(x, y) && filled(x, y + 1);
        }
    }
    return -1.0 * landing - 3.2 * rowChanges - 9.3 * columnChanges - 7.9 * holes;
}

// The first key towards the best landing; none while the piece is unplaced.
uint8_t plannedKey() {
    if (!gameState.currentPiecePlaced) return 0;
    const GameState startState = gameState;
    const Playfield startField = playfield;
    double best = -1e300;
    uint8_t bestKey = keySpace;
    for (int turns = 0; turns < 4; ++turns) {
        for (int dx = -int(settings.fieldWidth); dx <= int(settings.fieldWidth); ++dx) {
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

// 10x20 ends on top, 4x4 below the equal ninth or tenth.
constexpr uint32_t earlierScores[] = {200, 100, 32, 30, 12, 5, 3, 2, 1, 1};

// The earlier players (if any) as name, tab, score, end; with a score, "bot" among them.
std::string entries(const std::string& tab, const std::string& end, uint32_t score, bool any) {
    std::string text;
    uint32_t count = 0;
    for (uint32_t earlier : earlierScores) {
        if (score > earlier * any && count++ < rankedSlots)
            text += "bot" + tab + std::to_string(score) + end;
        score = score > earlier * any ? 0 : score;
        if (any && count++ < rankedSlots)
            text += "p" + std::to_string(earlier) + tab + std::to_string(earlier) + end;
    }
    return text;
}

// One game from start-up to exit; the player plays until lineTarget rows, then drops.
int play(uint32_t width, uint32_t height, int lineTarget, unsigned seed) {
    TempDir dir;
    const std::string ini = dir.file("Stapelix.ini"), table = dir.file("Highscores.txt"),
                      size = std::to_string(width) + " " + std::to_string(height);
    const bool saved = width < maxFieldSize && height < maxFieldSize;  // else no earlier list
    SavedFiles files = savedFiles;
    files.settings.name = ini.c_str();
    files.highscores.name = table.c_str();
    writeFile(ini, "[Game]\nField = " + size + "\nName = bot");
    writeFile(table, "Field: " + size + "\nName\tScore\n\n" + entries("\t", "\n", 0, true));
    resetCore();
    loadSavedFiles(files);
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
    frameWith(keyEnter, false);  // a new game
    int lines = 0;
    uint32_t score = 0;
    for (int frames = 0; gameState.gameRunning && frames < 400000 && !::testing::Test::HasFailure();
         ++frames) {
        const int linesBefore = gameState.linesCleared;
        frameWith(lines < lineTarget ? plannedKey() : uint8_t(keySpace), true);
        const uint32_t removed = std::min(uint32_t(gameState.linesCleared - linesBefore), 5u);
        lines += int(removed);
        score += removed < 5 ? pointsForRows[removed] : 1000000;
        const long blocks = std::count_if(playfield.cells, std::end(playfield.cells),
                                          [](uint8_t c) { return c != 0; });
        EXPECT_EQ(std::make_tuple(playerScore(), std::string(playerName()), gameState.level,
                                  (blocks + long(width) * lines) % 4),
                  std::make_tuple(score, std::string("bot"), std::min(50u, lines / 4 + 1u), 0L))
            << "frame " << frames;
    }
    // The field stays on screen, and the scores are due to be saved at once.
    EXPECT_TRUE(!gameState.gameRunning && !gameState.menuVisible && loop.gameEnded);
    EXPECT_EQ(ranked(width, height) + " " + std::to_string(playerSlot),
              entries(":", " ", score, saved) +
                  std::to_string(
                      std::count_if(std::begin(earlierScores), std::end(earlierScores),
                                    [&](uint32_t e) { return (saved || !score) && e >= score; })));
    frameWith(keyEnter, false);  // back to the menu, nothing to resume
    frameWith(keyF12, false);
    EXPECT_TRUE(gameState.menuVisible && gameState.gameClock == 0 && loop.quitRequested);
    EXPECT_EQ(frameAllocations, 0u);
    // Saved byte for byte (sizes with a 30 keep their list for the run only), and read back.
    EXPECT_EQ(saveSavedFiles(files), "");
    EXPECT_EQ(
        readFile(table) + "\n",
        saved ? "Field: " + size + "\nName\tScore\n\n" + entries("\t", "\n", score, true) : "\n");
    resetCore();
    loadSavedFiles(files);
    EXPECT_EQ(std::to_string(settings.fieldWidth) + " " + std::to_string(settings.fieldHeight) +
                  " " + currentList()[unrankedSlot].name + std::to_string(playerSlot),
              size + " bot" + (saved ? "10" : "0"));
    return lines;
}

// Games on four rows are short: several are played. 10x20 passes 196 rows: level 50.
TEST(WholeGame, SmallestDefaultAndLargestField) {
    int lines = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) lines += play(4, 4, 1000, seed);
    EXPECT_GT(lines, 0);
    EXPECT_GE(play(10, 20, 200, 5), 200);
    EXPECT_GE(play(30, 30, 30, 3), 30);
}

}  // namespace
