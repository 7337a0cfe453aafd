// Shared helpers for the core tests: a clean game state, the field and the
// highscore lists as text, frames with and without a due tick, temp files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "game/frame_logic.h"
#include "game/game_state.h"
#include "game/key_state.h"
#include "store/highscores.h"

// The points the rules award for the rows one lock removes.
constexpr uint32_t pointsForRows[] = {0, 1, 3, 5, 8};

// Every game variable, the field, the keys and every highscore list back to
// their start-up values.
void resetCore();
inline void press(uint8_t code) {
    keyState.down[code] = 1;
}

// The active area, top row first, rows joined by '/': '.' for an empty cell,
// else the colour code in hex. setField empties the field and fills its
// lowest rows from such text.
std::string fieldPicture();
void setField(const std::string& rowsTopFirst);

// A list's ranked entries as "name:score" words; setList fills it from slot 0.
std::string ranked(uint32_t width, uint32_t height);
void setList(uint32_t width, uint32_t height, const std::string& entries);

// One frame, with a tick due (two whole ticks late: the carry drops) or none.
void frame(LoopState& loop, bool tickDue);

struct TempDir {  // a fresh directory, removed with its content
    TempDir();
    ~TempDir() { std::filesystem::remove_all(path, ignored); }
    std::string file(const char* name) const { return (path / name).string(); }
    std::filesystem::path path;
    std::error_code ignored;
};

std::string readFile(const std::string& fileName);
void writeFile(const std::string& fileName, const std::string& content);
