// Shared helpers for the core tests: a clean state, lists as text, frames, temp files.
#pragma once

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

#include "game/clock.h"
#include "game/frame_logic.h"
#include "game/game_state.h"
#include "game/key_state.h"
#include "store/highscores.h"

inline void resetCore() {
    gameState = GameState{};
    settings = Settings{};
    playerSlot = 0;
    playfield = Playfield{};
    keyState = KeyState{};
    highscoreTable = HighscoreTable{};  // the run-only lists (a 30) stay, as in a run
}

inline std::string ranked(uint32_t width, uint32_t height) {
    std::string text;
    const HighscoreEntry* list = highscoreList(width, height);
    for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot)
        text += (slot ? " " : "") + std::string(list[slot].name) + ":" +
                std::to_string(list[slot].score);
    return text;
}
inline void setList(uint32_t width, uint32_t height, const std::string& entries) {
    std::istringstream words(entries);
    HighscoreEntry* entry = highscoreList(width, height);
    for (std::string word; words >> word; ++entry) {
        std::strcpy(entry->name, word.substr(0, word.rfind(':')).c_str());
        entry->score = uint32_t(std::stoul(word.substr(word.rfind(':') + 1)));
    }
}

// One frame with a tick due (two whole ticks late on the real counter: the carry drops) or none
// (the last tick an hour ahead of the counter).
inline void frame(LoopState& loop, bool tickDue) {
    const int64_t frequency = countsPerSecond();
    const int64_t late = (2 * int64_t(settings.speedLimit) + 1) * frequency / 1000;
    loop.tickTimer = TickTimer{frequency, counterValue() + (tickDue ? -late : 3600 * frequency), 0};
    runFrameLogic(loop);
}

struct TempDir {  // a fresh directory, removed with its content
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "stapelix-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : throw std::runtime_error("no temp directory");
    }
    ~TempDir() { std::filesystem::remove_all(path, ignored); }
    std::string file(const char* name) const { return (path / name).string(); }
    std::filesystem::path path;
    std::error_code ignored;
};

inline std::string readFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void writeFile(const std::string& fileName, const std::string& content) {
    std::ofstream(fileName, std::ios::binary) << content;
}
