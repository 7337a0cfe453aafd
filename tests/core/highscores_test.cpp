// The highscore table: the live re-rank, "Highscores.txt" read and written,
// hostile input, the lists of size 30, and saving that never loses the old file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core_test_support.h"

namespace {

struct Entry {
    std::string name;
    uint32_t score;
    bool operator==(const Entry& other) const { return name == other.name && score == other.score; }
};

std::vector<Entry> ranked(uint32_t width, uint32_t height) {
    std::vector<Entry> entries;
    const HighscoreEntry* list = highscoreList(width, height);
    for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot) {
        entries.push_back({list[slot].name, list[slot].score});
    }
    return entries;
}

void setList(uint32_t width, uint32_t height, const std::vector<Entry>& entries) {
    HighscoreEntry* list = highscoreList(width, height);
    for (size_t slot = 0; slot < entries.size(); ++slot) {
        std::strcpy(list[slot].name, entries[slot].name.c_str());
        list[slot].score = entries[slot].score;
    }
}

class Highscores : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("Highscores.txt");

    void SetUp() override { resetCore(); }

    void load(const std::string& content) {
        writeFile(path, content);
        loadHighscores(path.c_str());
    }
};

TEST_F(Highscores, PlayerClimbsPastLowerScoresOnlyAndTheTenthDropsOut) {
    setList(10, 20,
            {{"a", 50},
             {"b", 40},
             {"c", 40},
             {"d", 30},
             {"e", 20},
             {"f", 10},
             {"g", 9},
             {"h", 8},
             {"i", 7},
             {"j", 5}});
    HighscoreEntry* list = currentList();
    std::strcpy(list[unrankedSlot].name, "me");
    gameState.playerSlot = unrankedSlot;

    playerScore() = 5;  // equal to the tenth: stays out
    promotePlayerEntry();
    EXPECT_EQ(gameState.playerSlot, unrankedSlot);

    playerScore() = 6;  // one point more: one place up, the tenth drops out
    promotePlayerEntry();
    EXPECT_EQ(gameState.playerSlot, 9u);
    EXPECT_STREQ(list[unrankedSlot].name, "j");
    EXPECT_EQ(list[unrankedSlot].score, 5u);

    playerScore() = 40;  // several places in one call, below the equal 40s
    promotePlayerEntry();
    EXPECT_EQ(gameState.playerSlot, 3u);
    EXPECT_EQ(ranked(10, 20), (std::vector<Entry>{{"a", 50},
                                                  {"b", 40},
                                                  {"c", 40},
                                                  {"me", 40},
                                                  {"d", 30},
                                                  {"e", 20},
                                                  {"f", 10},
                                                  {"g", 9},
                                                  {"h", 8},
                                                  {"i", 7}}));

    playerScore() = 41;
    promotePlayerEntry();
    EXPECT_EQ(gameState.playerSlot, 1u);
    playerScore() = 51;
    promotePlayerEntry();
    EXPECT_EQ(gameState.playerSlot, 0u);
    promotePlayerEntry();
    EXPECT_EQ(gameState.playerSlot, 0u);
    EXPECT_EQ(ranked(10, 20), (std::vector<Entry>{{"me", 51},
                                                  {"a", 50},
                                                  {"b", 40},
                                                  {"c", 40},
                                                  {"d", 30},
                                                  {"e", 20},
                                                  {"f", 10},
                                                  {"g", 9},
                                                  {"h", 8},
                                                  {"i", 7}}));
    EXPECT_EQ(ranked(20, 10), std::vector<Entry>{});  // other sizes untouched
}

TEST_F(Highscores, KnownTableIsWrittenByteForByte) {
    setList(10, 20, {{"dee", 99}});
    setList(4, 4, {{"ann", 30}, {"bo", 12}});
    setList(5, 4, {{"cy", 7}});
    HighscoreEntry* partial = highscoreList(6, 6);
    setList(6, 6, {{"x", 3}, {"y", 0}, {"z", 2}});  // nothing after the first zero
    std::strcpy(partial[unrankedSlot].name, "un");
    partial[unrankedSlot].score = 80;  // the unranked and swap slots are never written
    std::strcpy(partial[swapSlot].name, "sw");
    partial[swapSlot].score = 90;
    highscoreList(29, 29)[0] = {"last", 1};
    saveHighscores(path.c_str());
    EXPECT_EQ(readFile(path),
              "Field: 4 4\nName\tScore\n\nann\t30\nbo\t12\n\n"
              "Field: 5 4\nName\tScore\n\ncy\t7\n\n"
              "Field: 6 6\nName\tScore\n\nx\t3\n\n"
              "Field: 10 20\nName\tScore\n\ndee\t99\n\n"
              "Field: 29 29\nName\tScore\n\nlast\t1");

    resetCore();
    setList(7, 9,
            {{"a", 10},
             {"b", 9},
             {"c", 8},
             {"d", 7},
             {"e", 6},
             {"f", 5},
             {"g", 4},
             {"h", 3},
             {"i", 2},
             {"j", 1}});
    highscoreList(7, 9)[unrankedSlot] = {"k", 1};  // no line end after the tenth
    saveHighscores(path.c_str());
    EXPECT_EQ(
        readFile(path),
        "Field: 7 9\nName\tScore\n\na\t10\nb\t9\nc\t8\nd\t7\ne\t6\nf\t5\ng\t4\nh\t3\ni\t2\nj\t1");

    resetCore();
    saveHighscores(path.c_str());
    EXPECT_EQ(readFile(path), "");
}

TEST_F(Highscores, WrittenTablesReadBackTheSameForManySizes) {
    std::mt19937 random(2024);
    const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_!.";
    std::vector<std::vector<Entry>> expected(30 * 30);
    for (uint32_t width = 0; width < 30; ++width) {
        for (uint32_t height = 0; height < 30; ++height) {
            if (random() % 3 != 0) continue;
            std::vector<Entry>& entries = expected[width * 30 + height];
            uint32_t score = 1 + random() % 4000000000u;
            const size_t count = 1 + random() % 10;
            for (size_t i = 0; i < count; ++i) {
                std::string name;
                const size_t length = 1 + random() % 19;
                for (size_t c = 0; c < length; ++c)
                    name += alphabet[random() % (sizeof alphabet - 1)];
                entries.push_back({name, score});
                score = std::max<uint32_t>(1, score - random() % (score / 2 + 1));
            }
            setList(width, height, entries);
        }
    }
    saveHighscores(path.c_str());
    resetCore();
    loadHighscores(path.c_str());
    for (uint32_t width = 0; width < 30; ++width) {
        for (uint32_t height = 0; height < 30; ++height) {
            ASSERT_EQ(ranked(width, height), expected[width * 30 + height])
                << width << "x" << height;
        }
    }
    // The list in play had expected.size() entries.
    EXPECT_EQ(gameState.playerSlot, expected[10 * 30 + 20].size());
}

TEST_F(Highscores, ReadingSetsThePlayersSlotFromTheEntriesOfTheSizeInPlay) {
    std::string ten = "Field: 10 20\nName\tScore\n\n";
    for (int i = 0; i < 12; ++i)
        ten += "p" + std::to_string(i) + "\t" + std::to_string(100 - i) + "\n";
    load(ten);
    EXPECT_EQ(gameState.playerSlot, 10u);  // entries past the tenth are skipped
    EXPECT_EQ(ranked(10, 20).size(), 10u);
    EXPECT_EQ(highscoreList(10, 20)[unrankedSlot].score, 0u);

    resetCore();
    load("Field: 10 20\nName\tScore\n\nann\t9\nbo\t5\ncy\t2\n\nField: 4 4\nName\tScore\n\nq\t1");
    EXPECT_EQ(gameState.playerSlot, 3u);
    std::strcpy(highscoreList(10, 20)[unrankedSlot].name, "Me");
    LoopState loop;
    preparePlayerName(loop);
    EXPECT_STREQ(highscoreList(10, 20)[3].name, "Me");
    EXPECT_EQ(highscoreList(10, 20)[3].score, 0u);
    saveHighscores(path.c_str());
    EXPECT_EQ(readFile(path).find("Me"), std::string::npos);  // a zero score ends the list

    resetCore();
    gameState.playerSlot = 7;
    load("Field: 4 4\nName\tScore\n\nq\t1");  // no list for the size in play
    EXPECT_EQ(gameState.playerSlot, 7u);
    loadHighscores(dir.file("missing.txt").c_str());
    EXPECT_EQ(gameState.playerSlot, 7u);
    EXPECT_EQ(ranked(4, 4), (std::vector<Entry>{{"q", 1}}));
}

TEST_F(Highscores, LinesThatAreNoEntriesAreSkipped) {
    load(
        "stray\t50\n"  // before any header
        "Field: 10 20\n"
        "Name\tScore\n"
        "\n"
        "Enter Name\t40\n"  // the placeholder: "Name" is no score
        "Al Bo\t30\n"
        "Al 42\t30\n"  // a blank inside: the second word is the score
        "just words\n"
        "ok\t20\n");
    EXPECT_EQ(ranked(10, 20), (std::vector<Entry>{{"Al", 42}, {"ok", 20}}));
    EXPECT_EQ(gameState.playerSlot, 2u);
}

TEST_F(Highscores, HostileInputNeverWritesOutsideTheTableOrPastAName) {
    const std::string longName(40, 'n');
    load(
        "Field: 30 20\nName\tScore\n\nwide\t9\n"
        "Field: -1 5\nName\tScore\n\nneg\t9\n"
        "Field: 5 400\nName\tScore\n\ntall\t9\n"
        "Field: 2147483647 -2147483648\nName\tScore\n\nhuge\t9\n"
        "Field: 5 5\nName\tScore\n\n" +
        longName + "\t8\n" + std::string(120, 'a') + "\t7\n");
    EXPECT_EQ(ranked(5, 5),
              (std::vector<Entry>{{std::string(19, 'n'), 8}, {std::string(19, 'a'), 7}}));
    EXPECT_EQ(highscoreList(5, 5)[0].name[19], '\0');
    // Nothing else anywhere in the table.
    for (uint32_t width = 0; width < 30; ++width) {
        for (uint32_t height = 0; height < 30; ++height) {
            if (width == 5 && height == 5) continue;
            EXPECT_TRUE(ranked(width, height).empty()) << width << "x" << height;
        }
    }
    EXPECT_TRUE(ranked(30, 20).empty());
}

TEST_F(Highscores, RepeatedHeaderOverwritesFromTheTopWithoutClearing) {
    load(
        "Field: 6 6\nName\tScore\n\nlonger_name\t9\nb\t8\nc\t7\n\n"
        "Field: 6 6\nName\tScore\n\nz\t20");
    EXPECT_EQ(ranked(6, 6), (std::vector<Entry>{{"z", 20}, {"b", 8}, {"c", 7}}));
}

TEST_F(Highscores, SizesWithAThirtyKeepTheirOwnListForTheRunOnly) {
    HighscoreEntry* wide = highscoreList(30, 20);
    HighscoreEntry* tall = highscoreList(20, 30);
    HighscoreEntry* both = highscoreList(30, 30);
    EXPECT_NE(wide, tall);
    EXPECT_NE(wide, both);
    EXPECT_NE(tall, both);
    EXPECT_NE(highscoreList(30, 0), highscoreList(0, 30));
    EXPECT_NE(wide, highscoreList(30, 21));
    const uintptr_t tableStart = reinterpret_cast<uintptr_t>(&highscoreTable);
    const uintptr_t tableEnd = tableStart + sizeof highscoreTable;
    for (uint32_t other = 0; other <= 30; ++other) {
        for (HighscoreEntry* list : {highscoreList(30, other), highscoreList(other, 30)}) {
            const uintptr_t start = reinterpret_cast<uintptr_t>(list);
            EXPECT_TRUE(start + sizeof(HighscoreEntry) * slotsPerList <= tableStart ||
                        start >= tableEnd);
        }
    }
    EXPECT_NE(highscoreList(31, 5), nullptr);
    EXPECT_NE(highscoreList(4000000000u, 4000000000u), nullptr);

    gameState.fieldWidth = 30;
    gameState.fieldHeight = 20;
    setList(30, 20, {{"old", 4}});
    gameState.playerSlot = unrankedSlot;
    std::strcpy(playerName(), "me");
    playerScore() = 5;
    promotePlayerEntry();
    EXPECT_EQ(ranked(30, 20), (std::vector<Entry>{{"me", 5}, {"old", 4}}));
    saveHighscores(path.c_str());
    EXPECT_EQ(readFile(path), "");
}

TEST_F(Highscores, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    setList(10, 20, {{"keep", 5}});
    saveHighscores(path.c_str());
    const std::string old = readFile(path);
    ASSERT_FALSE(old.empty());

    for (uint32_t width = 4; width < 30; ++width) setList(width, 8, {{"newer_and_longer", 9}});
    {
        FileSizeLimit full(16);  // a full disk, as the writer sees it
        saveHighscores(path.c_str());
    }
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // A target that cannot be replaced: the directory stays, nothing is left over.
    const std::string blocked = dir.file("blocked");
    std::filesystem::create_directory(blocked);
    saveHighscores(blocked.c_str());
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);

    // A directory that does not exist: nothing is written anywhere.
    saveHighscores(dir.file("none/Highscores.txt").c_str());
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));

    saveHighscores(path.c_str());  // and a save that works replaces it
    EXPECT_NE(readFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
