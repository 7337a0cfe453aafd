#include "core_test_support.h"

#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace {
constexpr char cellDigits[] = ".123456789abcdef";
}

void resetCore() {
    gameState = GameState{};
    settings = Settings{};
    playerSlot = 0;
    playfield = Playfield{};
    keyState = KeyState{};
    highscoreTable = HighscoreTable{};
    for (uint32_t other = 0; other <= maxFieldSize; ++other) {  // the lists outside the table
        std::memset(highscoreList(maxFieldSize, other), 0, sizeof(HighscoreEntry) * slotsPerList);
        std::memset(highscoreList(other, maxFieldSize), 0, sizeof(HighscoreEntry) * slotsPerList);
    }
}

std::string fieldPicture() {
    std::string picture;
    for (int y = int(settings.fieldHeight) - 1; y >= 0; --y) {
        for (int x = 0; x < int(settings.fieldWidth); ++x)
            picture += cellDigits[playfield.cells[y * gridSize + x] & 15];
        picture += y > 0 ? "/" : "";
    }
    return picture;
}

void setField(const std::string& rowsTopFirst) {
    for (uint32_t y = 0; y < settings.fieldHeight; ++y) clearRow(y);
    const size_t stride = settings.fieldWidth + 1, rows = (rowsTopFirst.size() + 1) / stride;
    for (size_t i = 0; i < rowsTopFirst.size(); ++i) {
        if (i % stride < settings.fieldWidth)
            playfield.cells[(rows - 1 - i / stride) * gridSize + i % stride] =
                uint8_t(std::strchr(cellDigits, rowsTopFirst[i]) - cellDigits);
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
        std::strcpy(entry->name, word.substr(0, word.rfind(':')).c_str());
        entry->score = uint32_t(std::stoul(word.substr(word.rfind(':') + 1)));
    }
}

void frame(LoopState& loop, bool tickDue) {
    // A 1 kHz counter: the sample is in milliseconds since the last tick.
    loop.tickTimer = {1000, 0, tickDue ? 2 * int64_t(settings.speedLimit) + 1 : 0, 0};
    runFrameLogic(loop);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "stapelix-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temp directory");
    path = pattern;
}

std::string readFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& fileName, const std::string& content) {
    std::ofstream(fileName, std::ios::binary) << content;
}
