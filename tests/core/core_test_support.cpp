#include "core_test_support.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

void resetCore() {
    gameState = GameState{};
    std::memset(&playfield, 0, sizeof playfield);
    std::memset(&keyState, 0, sizeof keyState);
    std::memset(&highscoreTable, 0, sizeof highscoreTable);
    // The lists of sizes with a 30 live outside the table.
    for (uint32_t other = 0; other <= 30; ++other) {
        std::memset(highscoreList(30, other), 0, sizeof(HighscoreEntry) * slotsPerList);
        std::memset(highscoreList(other, 30), 0, sizeof(HighscoreEntry) * slotsPerList);
    }
}

void press(uint8_t code) {
    keyState.down[code] = 1;
}
bool isDown(uint8_t code) {
    return keyState.down[code] != 0;
}

namespace {
char cellChar(uint8_t value) {
    if (value == 0) return '.';
    if (value == 1) return 'x';
    return "0123456789abcdef"[value & 15];
}
uint8_t cellValue(char c) {
    if (c == '.') return 0;
    if (c == 'x') return 1;
    if (c >= '0' && c <= '9') return uint8_t(c - '0');
    return uint8_t(c - 'a' + 10);
}
}  // namespace

std::vector<std::string> fieldPicture() {
    std::vector<std::string> rows;
    for (int y = int(gameState.fieldHeight) - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < int(gameState.fieldWidth); ++x) {
            row += cellChar(playfield.cells[y * gridSize + x]);
        }
        rows.push_back(row);
    }
    return rows;
}

void setField(const std::vector<std::string>& rowsTopFirst) {
    for (uint32_t y = 0; y < gameState.fieldHeight; ++y) clearRow(y);
    const int count = int(rowsTopFirst.size());
    for (int i = 0; i < count; ++i) {
        const int y = count - 1 - i;
        const std::string& row = rowsTopFirst[i];
        if (row.size() != gameState.fieldWidth) throw std::logic_error("row width");
        for (int x = 0; x < int(row.size()); ++x)
            playfield.cells[y * gridSize + x] = cellValue(row[x]);
    }
}

void elapse(TickTimer& timer, int64_t ms) {
    timer.frequency = 1000000;
    timer.lastTick = 0;
    timer.lastSample = ms * 1000;
}

void frameWithTick(LoopState& loop) {
    // Two whole ticks late: due whatever the carry, and the carry drops to 0.
    elapse(loop.tickTimer, 2 * int64_t(gameState.speedLimit) + 1);
    runFrameLogic(loop);
}

void frameWithoutTick(LoopState& loop) {
    elapse(loop.tickTimer, 0);
    runFrameLogic(loop);
}

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "stapelix-core-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("getrlimit failed");
    savedLimit_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = savedLimit_;
    setrlimit(RLIMIT_FSIZE, &limit);
}

std::string readFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& fileName, const std::string& content) {
    std::ofstream out(fileName, std::ios::binary);
    out << content;
}

uint32_t pointsForRows(uint32_t rows) {
    switch (rows) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return 3;
        case 3:
            return 5;
        case 4:
            return 8;
        default:
            throw std::logic_error("a lock removes at most four rows");
    }
}
