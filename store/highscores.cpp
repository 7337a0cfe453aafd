// The highscore table, the player's live climb and "Highscores.txt".
#include "store/highscores.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "store/safe_save.h"

HighscoreTable highscoreTable;

namespace {

// A width or height of 30 is playable but has no list in the file. Each such
// size gets a list of its own that lives for the run and is never saved:
// width 30 with heights 0..30 first, then height 30 with widths 0..29.
constexpr uint32_t sessionListCount = 2 * highscoreSizes + 1;
HighscoreEntry sessionLists[sessionListCount][slotsPerList];
// Any larger size (never reached: the settings reader clamps) gets a scratch list.
HighscoreEntry scratchList[slotsPerList];

constexpr size_t lineSize = 100;  // a longer line is read as several lines
constexpr uint32_t nameCharacters = nameSize - 1;

void copyName(char* to, const char* from) {
    std::memcpy(to, from, nameSize);
}

bool printed(int result) {
    return result >= 0;
}

bool writeTable(std::FILE* file) {
    bool anyWritten = false;
    for (uint32_t height = 0; height < highscoreSizes; ++height) {
        for (uint32_t width = 0; width < highscoreSizes; ++width) {
            const HighscoreEntry* list = highscoreTable.lists[width][height];
            if (list[0].score == 0) continue;
            if (anyWritten && !printed(std::fputs("\n\n", file))) return false;
            anyWritten = true;
            if (!printed(std::fprintf(file, "Field: %d %d\n", int(width), int(height))) ||
                !printed(std::fputs("Name\tScore\n\n", file))) {
                return false;
            }
            for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot) {
                // A name is terminated inside its 20 bytes; the width guards anyway.
                if (!printed(std::fprintf(file, "%.19s\t%u", list[slot].name, list[slot].score))) {
                    return false;
                }
                if (slot + 1 < rankedSlots && list[slot + 1].score != 0 &&
                    !printed(std::fputs("\n", file))) {
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

HighscoreEntry* highscoreList(uint32_t width, uint32_t height) {
    if (width < highscoreSizes && height < highscoreSizes) {
        return highscoreTable.lists[width][height];
    }
    if (width == highscoreSizes && height <= highscoreSizes) return sessionLists[height];
    if (height == highscoreSizes && width < highscoreSizes) {
        return sessionLists[highscoreSizes + 1 + width];
    }
    return scratchList;
}

HighscoreEntry* currentList() {
    return highscoreList(gameState.fieldWidth, gameState.fieldHeight);
}

namespace {
HighscoreEntry& playerEntry() {
    return currentList()[std::min(gameState.playerSlot, unrankedSlot)];
}
}  // namespace

char* playerName() {
    return playerEntry().name;
}

uint32_t& playerScore() {
    return playerEntry().score;
}

void promotePlayerEntry() {
    HighscoreEntry* list = currentList();
    uint32_t& slot = gameState.playerSlot;
    if (slot > unrankedSlot) slot = unrankedSlot;
    // Pass every entry with a strictly lower score; an equal score keeps the
    // higher place for its earlier holder.
    while (slot > 0 && list[slot - 1].score < list[slot].score) {
        HighscoreEntry& upper = list[slot - 1];
        HighscoreEntry& lower = list[slot];
        HighscoreEntry& swap = list[swapSlot];
        swap.score = upper.score;
        upper.score = lower.score;
        lower.score = swap.score;
        copyName(swap.name, upper.name);
        copyName(upper.name, lower.name);
        copyName(lower.name, swap.name);
        --slot;
    }
}

void loadHighscores(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "r");
    if (file == nullptr) return;
    char line[lineSize];
    // A name word can be as long as the line; it is cut to 19 characters.
    char word[lineSize];
    HighscoreEntry* list = nullptr;  // none until the first valid header
    bool listInPlay = false;
    uint32_t count = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        int width = 0;
        int height = 0;
        if (std::sscanf(line, "Field: %d %d", &width, &height) == 2) {
            // Headers outside the table skip their entries up to the next header.
            const bool inTable = width >= 0 && height >= 0 && width < int(highscoreSizes) &&
                                 height < int(highscoreSizes);
            list = inTable ? highscoreTable.lists[width][height] : nullptr;
            listInPlay = inTable && uint32_t(width) == gameState.fieldWidth &&
                         uint32_t(height) == gameState.fieldHeight;
            count = 0;
            continue;
        }
        if (list == nullptr) continue;
        unsigned score = 0;
        if (count < rankedSlots && std::sscanf(line, "%99s\t%u", word, &score) == 2) {
            std::memset(list[count].name, 0, nameSize);
            std::memcpy(list[count].name, word,
                        std::min<size_t>(std::strlen(word), nameCharacters));
            list[count].score = score;
            ++count;
        }
        if (listInPlay) gameState.playerSlot = count;
    }
    std::fclose(file);
}

void saveHighscores(const char* fileName) {
    saveFileSafely(fileName, writeTable);
}
