// The highscore table: for every field size ten ranked entries plus the
// player's own entry, the live re-rank and the file "Highscores.txt".
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t highscoreSizes = 30;  // widths and heights 0..29 have a list
constexpr uint32_t rankedSlots = 10;
constexpr uint32_t unrankedSlot = 10;
constexpr uint32_t swapSlot = 11;
constexpr uint32_t slotsPerList = 12;
constexpr size_t nameSize = 20;  // at most 19 characters and a terminator

struct HighscoreEntry {
    char name[nameSize];
    uint32_t score;
};

struct HighscoreTable {
    HighscoreEntry lists[highscoreSizes][highscoreSizes][slotsPerList];  // [width][height]
};

extern HighscoreTable highscoreTable;

// The list of a field size; never null (see highscores.cpp for sizes of 30).
HighscoreEntry* highscoreList(uint32_t width, uint32_t height);
// The list of the field size in play.
HighscoreEntry* currentList();
char* playerName();
uint32_t& playerScore();
void promotePlayerEntry();
// Fills the table from the file and sets playerSlot. False when the file is
// there but could not be opened or read to its end: it must then not be
// overwritten. A missing file reads as an empty one.
bool loadHighscores(const char* fileName);
void saveHighscores(const char* fileName);
