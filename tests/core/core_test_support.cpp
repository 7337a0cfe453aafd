#include "core_test_support.h"

#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

void resetCore() {
    gameState = GameState{};
    settings = Settings{};
    playerSlot = 0;
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

std::string fieldPicture() {
    std::string picture;
    for (int y = int(settings.fieldHeight) - 1; y >= 0; --y) {
        for (int x = 0; x < int(settings.fieldWidth); ++x)
            picture += ".x23456789abcdef"[playfield.cells[y * gridSize + x] & 15];
        if (y > 0) picture += '/';
    }
    return picture;
}

void setField(const std::string& rowsTopFirst) {
    for (uint32_t y = 0; y < settings.fieldHeight; ++y) clearRow(y);
    const size_t stride = settings.fieldWidth + 1, rows = (rowsTopFirst.size() + 1) / stride;
    for (size_t i = 0; i < rowsTopFirst.size(); ++i) {
        if (i % stride < settings.fieldWidth)
            playfield.cells[(rows - 1 - i / stride) * gridSize + i % stride] =
                rowsTopFirst[i] == 'x';
    }
}

std::string ranked(uint32_t width, uint32_t height) {
    std::string text;
    const HighscoreEntry* list = highscoreList(width, height);
    for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot)
        text += (slot ? " " : "") + std::string(list[slot].name) + ":" +
                std::to_string(list[slot].score);
    return text;
}

void setList(uint32_t width, uint32_t height, const std::string& entries) {
    std::istringstream words(entries);
    HighscoreEntry* entry = highscoreList(width, height);
    for (std::string word; words >> word; ++entry) {
        const size_t colon = word.rfind(':');
        std::strcpy(entry->name, word.substr(0, colon).c_str());
        entry->score = uint32_t(std::stoul(word.substr(colon + 1)));
    }
}

void elapse(TickTimer& timer, int64_t ms) {
    timer.frequency = 1000000;
    timer.lastTick = 0;
    timer.lastSample = ms * 1000;
}

void frameWithTick(LoopState& loop) {
    // Two whole ticks late: due whatever the carry, and the carry drops to 0.
    elapse(loop.tickTimer, 2 * int64_t(settings.speedLimit) + 1);
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
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

int TempDir::entries() const {
    return int(std::distance(std::filesystem::directory_iterator(path), {}));
}

std::string readFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& fileName, const std::string& content) {
    std::ofstream(fileName, std::ios::binary) << content;
}
