// The highscore table: for every field size ten ranked entries plus the
// player's own entry, the live re-rank and the file "Highscores.txt".
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/settings.h"

struct SaveFailure;

// Widths and heights 0..29 have a list: the file has never held lists for the
// largest size, which gets lists that live for the run only.
constexpr uint32_t highscoreSizes = maxFieldSize;
constexpr uint32_t rankedSlots = 10;
constexpr uint32_t unrankedSlot = 10;
constexpr uint32_t swapSlot = 11;
constexpr uint32_t slotsPerList = 12;
constexpr uint32_t maxNameLength = 19;          // characters of a player's name
constexpr size_t nameSize = maxNameLength + 1;  // and its terminator
// Shown, and edited away, while the player has no name. It is no name: the
// files never keep it, and one read from an older file counts as none.
constexpr const char* namePlaceholder = "Enter Name";

struct HighscoreEntry {
    char name[nameSize];
    uint32_t score;
};

struct HighscoreTable {
    HighscoreEntry lists[highscoreSizes][highscoreSizes][slotsPerList];  // [width][height]
};

extern HighscoreTable highscoreTable;
// The player's entry in the list of the field size in play: 0..9 while
// ranked, unrankedSlot while not.
extern uint32_t playerSlot;

// The list of a field size; never null (see highscores.cpp for sizes of 30).
HighscoreEntry* highscoreList(uint32_t width, uint32_t height);
// The list of the field size in play (settings.fieldWidth x settings.fieldHeight).
HighscoreEntry* currentList();
char* playerName();
uint32_t& playerScore();
void promotePlayerEntry();
// The player's name goes into the unranked slot of `list`, which becomes the
// player's entry, its score as it was: a new game starts a fresh entry that
// has to climb, and a new field size takes the name along into its list.
void carryPlayerName(HighscoreEntry* list);
// At start-up: the name read from the settings, in the unranked slot of the
// list in play, becomes the name of the player's entry.
void takeSavedName();
// A name as the files keep it: the placeholder becomes no name, when it is
// written and when an older file that holds it is read.
const char* savedName(const char* name);
void forgetPlaceholder(char (&name)[nameSize]);
// Fills the table from the file and sets playerSlot. False when the file is
// there but could not be opened or read to its end: it must then not be
// overwritten, and readError holds the errno that says why. A missing file
// reads as an empty one.
bool loadHighscores(const char* fileName, int& readError);
bool saveHighscores(const char* fileName, SaveFailure& failure);
