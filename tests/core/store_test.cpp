// The stored files: the highscore table with its live re-rank, "Highscores.txt"
// and "Stapelix.ini" written and read, hostile input, the lists of size 30,
// and saving that never loses the old file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core_test_support.h"
#include "store/saved_files.h"
#include "store/settings.h"

namespace {

// Every list that has ranked entries, sizes of 30 included.
std::string allLists() {
    std::string text;
    for (uint32_t width = 0; width <= 30; ++width) {
        for (uint32_t height = 0; height <= 30; ++height) {
            const std::string list = ranked(width, height);
            if (!list.empty())
                text += std::to_string(width) + "x" + std::to_string(height) + " " + list + "; ";
        }
    }
    return text;
}

// While it lives, files cannot grow past `bytes`: writes fail as on a full disk.
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};

// Field size, tick length, full-screen flag, window size, and the saved name
// of the size in play and of the default size.
std::string settingsInForce() {
    const Settings& g = settings;
    return std::to_string(g.fieldWidth) + "x" + std::to_string(g.fieldHeight) + " " +
           std::to_string(g.speedLimit) + " " + std::to_string(g.fullscreen) + " " +
           std::to_string(g.windowWidth) + "x" + std::to_string(g.windowHeight) + " " +
           currentList()[unrankedSlot].name + "|" + highscoreList(10, 20)[unrankedSlot].name;
}

// What is at a path, to tell it unchanged: a link and where it points, a
// directory and how many entries it has, or a file's inode, size and mode
// (a replaced file has a new inode).
std::string describe(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::file_status status = fs::symlink_status(path);
    if (fs::is_symlink(status)) return "link to " + fs::read_symlink(path).string();
    if (fs::is_directory(status))
        return "directory of " + std::to_string(std::distance(fs::directory_iterator(path), {}));
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) return "nothing";
    return "file " + std::to_string(file.st_ino) + " " + std::to_string(file.st_size) + " " +
           std::to_string(file.st_mode);
}

class Store : public ::testing::Test {
protected:
    TempDir dir;
    const std::string path = dir.file("Highscores.txt"), ini = dir.file("Stapelix.ini");
    void SetUp() override { resetCore(); }
};

TEST_F(Store, PlayerClimbsPastLowerScoresOnlyAndTheTenthDropsOut) {
    setList(10, 20, "a:50 b:40 c:40 d:30 e:20 f:10 g:9 h:8 i:7 j:5 me:0");  // me unranked
    playerSlot = unrankedSlot;
    // The player's score, then the player's slot and the list.
    const std::tuple<uint32_t, uint32_t, const char*> steps[] = {
        {5, 10, "a:50 b:40 c:40 d:30 e:20 f:10 g:9 h:8 i:7 j:5"},    // equal to the tenth
        {6, 9, "a:50 b:40 c:40 d:30 e:20 f:10 g:9 h:8 i:7 me:6"},    // one point more
        {40, 3, "a:50 b:40 c:40 me:40 d:30 e:20 f:10 g:9 h:8 i:7"},  // below the equal scores
        {41, 1, "a:50 me:41 b:40 c:40 d:30 e:20 f:10 g:9 h:8 i:7"},
        {51, 0, "me:51 a:50 b:40 c:40 d:30 e:20 f:10 g:9 h:8 i:7"},
        {51, 0, "me:51 a:50 b:40 c:40 d:30 e:20 f:10 g:9 h:8 i:7"}};
    for (const auto& [score, slot, list] : steps) {
        playerScore() = score;
        promotePlayerEntry();
        EXPECT_EQ(playerSlot, slot) << score;
        EXPECT_EQ(ranked(10, 20), list) << score;
    }
    EXPECT_EQ(currentList()[unrankedSlot].name + std::to_string(currentList()[unrankedSlot].score),
              "j5");
    EXPECT_EQ(allLists(),
              std::string("10x20 ") + std::get<2>(steps[4]) + "; ");  // other sizes untouched
}

TEST_F(Store, AKnownTableIsWrittenByteForByte) {
    setList(10, 20, "dee:99");
    setList(4, 4, "ann:30 bo:12");
    setList(5, 4, "cy:7");
    setList(6, 6, "x:3 y:0 z:2 a:1 b:1 c:1 d:1 e:1 f:1 g:1 un:80 sw:90");  // nothing after a zero
    setList(7, 9, "a:10 b:9 c:8 d:7 e:6 f:5 g:4 h:3 i:2 j:1 k:1");  // the unranked k is not written
    setList(29, 29, "last:1");
    saveHighscores(path.c_str());
    EXPECT_EQ(
        readFile(path),
        "Field: 4 4\nName\tScore\n\nann\t30\nbo\t12\n\n"
        "Field: 5 4\nName\tScore\n\ncy\t7\n\n"
        "Field: 6 6\nName\tScore\n\nx\t3\n\n"
        "Field: 7 9\nName\tScore\n\na\t10\nb\t9\nc\t8\nd\t7\ne\t6\nf\t5\ng\t4\nh\t3\ni\t2\nj\t1\n\n"
        "Field: 10 20\nName\tScore\n\ndee\t99\n\n"
        "Field: 29 29\nName\tScore\n\nlast\t1");
}

TEST_F(Store, WrittenTablesReadBackTheSameForManySizes) {
    std::mt19937 random(2024);
    const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_!.";
    for (uint32_t width = 0; width < 30; ++width) {
        for (uint32_t height = 0; height < 30; ++height) {
            if (random() % 3 != 0) continue;
            std::string entries;
            uint32_t score = 1 + random() % 4000000000u;
            for (size_t i = 0, count = 1 + random() % 10; i < count; ++i) {
                for (size_t c = 0, length = 1 + random() % 19; c < length; ++c)
                    entries += alphabet[random() % (sizeof alphabet - 1)];
                entries += ":" + std::to_string(score) + " ";
                score = std::max<uint32_t>(1, score - random() % (score / 2 + 1));
            }
            setList(width, height, entries);
        }
    }
    const std::string written = allLists();
    uint32_t entriesInPlay = 0;
    while (entriesInPlay < rankedSlots && highscoreList(10, 20)[entriesInPlay].score)
        ++entriesInPlay;
    saveHighscores(path.c_str());
    resetCore();
    loadHighscores(path.c_str());
    EXPECT_EQ(allLists(), written);
    EXPECT_EQ(playerSlot, entriesInPlay);
}

TEST_F(Store, ReadingSkipsWhatIsNoEntryAndSetsThePlayersSlot) {
    const std::string header = "\nName\tScore\n\n";
    std::string twelve = "Field: 10 20" + header;
    for (int i = 0; i < 12; ++i)
        twelve += "p" + std::to_string(i) + "\t" + std::to_string(100 - i) + "\n";
    // The file, then every list and the player's slot (7 before reading).
    const std::tuple<std::string, const char*, uint32_t> cases[] = {
        {twelve, "10x20 p0:100 p1:99 p2:98 p3:97 p4:96 p5:95 p6:94 p7:93 p8:92 p9:91; ", 10},
        {"Field: 10 20" + header + "ann\t9\nbo\t5\ncy\t2\n\nField: 4 4" + header + "q\t1",
         "4x4 q:1; 10x20 ann:9 bo:5 cy:2; ", 3},
        {"Field: 4 4" + header + "q\t1", "4x4 q:1; ", 7},  // no list for the size in play
        // A name is all before the last tab; the score is all after it.
        {"stray\t50\nField: 10 20" + header +  // an entry before any header
             "Enter Name\t40\nAl Bo\t 30 \njust words\nAl\tBo\nneg\t-5\nbig\t4294967296\n"
             "odd\t7x\n\t4294967295\nField: 4 4\tx\nok\t20\n",  // a header holds no tab
         "10x20 Enter Name:40 Al Bo:30 :4294967295 ok:20; ", 4},
        // Headers outside the table skip their entries; names keep 19 characters.
        {"Field: 5 5" + header + std::string(40, 'n') + "\t8\nField: 30 20" + header + "wide\t9\n" +
             "Field: -1 5" + header + "neg\t9\nField: 5 30" + header + "tall\t9\n" +
             "Field: 2147483647 -2147483648" + header + "huge\t9\nField: 5 6" + header +
             std::string(120, 'a') + "\t7\n",
         "5x5 nnnnnnnnnnnnnnnnnnn:8; 5x6 aaaaaaaaaaaaaaaaaaa:7; ", 7},
        // A repeated header replaces the earlier list whole.
        {"Field: 6 6" + header + "longer_name\t9\nb\t8\nc\t7\n\nField: 6 6" + header + "z\t20",
         "6x6 z:20; ", 7}};
    for (const auto& [content, lists, slot] : cases) {
        resetCore();
        playerSlot = 7;
        writeFile(path, content);
        loadHighscores(path.c_str());
        EXPECT_EQ(allLists(), lists);
        EXPECT_EQ(playerSlot, slot) << lists;
    }
    EXPECT_EQ(highscoreList(10, 20)[unrankedSlot].score, 0u);
    EXPECT_TRUE(loadHighscores(dir.file("missing.txt").c_str()));
    EXPECT_EQ(allLists(), "6x6 z:20; ");
}

TEST_F(Store, EveryNameComesBackWithItsOwnScoreInItsPlace) {
    // What name editing and the settings file can make: blanks anywhere, no
    // character at all, the placeholder, text that looks like a header or the
    // column line, every printable character, 19 characters.
    const char* names[] = {"a 9",
                           "",
                           "Enter Name",
                           " ",
                           "  lead, trail  ",
                           "Field: 10 20",
                           "Field:0000000000000",
                           "Name",
                           "!\"#$%&'()*+,-./:;<",
                           "=>?@[\\]^_`{|}~ Zz9",
                           "Zo\xC3\xAB",
                           "nineteen characters"};
    const uint32_t scores[] = {100, 90, 90, 80, 70, 7, 6, 6, 5, 1};
    HighscoreEntry* lists[] = {highscoreList(4, 4), highscoreList(10, 20)};
    std::string written;
    for (size_t i = 0; i < std::size(names); ++i) {
        HighscoreEntry& entry = lists[i / rankedSlots][i % rankedSlots];
        std::strcpy(entry.name, names[i]);
        entry.score = scores[i % rankedSlots];
        written += "[" + std::string(names[i]) + "]" + std::to_string(entry.score) + " ";
    }
    saveHighscores(path.c_str());
    // Names are written as they are, blanks and all.
    const std::string start =
        "Field: 4 4\nName\tScore\n\na 9\t100\n\t90\nEnter Name\t90\n \t80\n  lead, trail  \t70\n";
    EXPECT_EQ(readFile(path).substr(0, start.size()), start);
    resetCore();
    EXPECT_TRUE(loadHighscores(path.c_str()));
    std::string read;
    for (const HighscoreEntry* list : lists) {
        for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot)
            read +=
                "[" + std::string(list[slot].name) + "]" + std::to_string(list[slot].score) + " ";
    }
    EXPECT_EQ(read, written);
    EXPECT_EQ(playerSlot, 2u);

    // The settings file keeps the player's name just as well.
    for (const char* name : names) {
        std::strcpy(playerName(), name);
        saveSettings(ini.c_str());
        resetCore();
        EXPECT_TRUE(loadSettings(ini.c_str()));
        EXPECT_STREQ(currentList()[unrankedSlot].name, name);
    }
}

TEST_F(Store, ASecondListForASizeReplacesTheFirstWhole) {
    const std::string lists =
        "Field: 10 20\nName\tScore\n\nold\t90\nolder\t80\noldest\t70\n\n"
        "Field: 4 4\nName\tScore\n\nq\t1\n\n"
        "Field: 10 20\nName\tScore\n\nnew\t50";
    writeFile(path, lists);
    writeFile(ini, "[Game]\nField = 10 20\nName = Me");
    loadSettings(ini.c_str());
    loadHighscores(path.c_str());
    LoopState loop;
    preparePlayerName(loop);
    // The player's name lands below the one entry and takes over no score.
    EXPECT_EQ(allLists() + playerName() + ":" + std::to_string(playerScore()),
              "4x4 q:1; 10x20 new:50; Me:0");
    saveHighscores(path.c_str());
    EXPECT_EQ(readFile(path),
              "Field: 4 4\nName\tScore\n\nq\t1\n\nField: 10 20\nName\tScore\n\nnew\t50");
}

TEST_F(Store, AByteOrderMarkAndEveryLineEndReadAsMeant) {
    const std::string table =
        "Field: 10 20\nName\tScore\n\nann\t9\nb o\t5\n\nField: 4 4\nName\tScore\n\nq\t1\n";
    const std::string settingsText =
        "[Game]\nField = 7 13\nName = Zed\nSpeedlimit = 45\n\n[Video]\nFullscreen = 1\n\n"
        "[Window]\nSize = 800 600";
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
        for (const std::string end : {"\n", "\r\n", "\r"}) {
            resetCore();
            for (const auto& [file, text] :
                 {std::pair{path, table}, std::pair{ini, settingsText}}) {
                std::string content = mark;
                for (char c : text) content += c == '\n' ? end : std::string(1, c);
                writeFile(file, content);
            }
            EXPECT_TRUE(loadSettings(ini.c_str()));
            EXPECT_TRUE(loadHighscores(path.c_str()));
            EXPECT_EQ(settingsInForce() + " " + allLists(),
                      "7x13 45 1 800x600 Zed| 4x4 q:1; 10x20 ann:9 b o:5; ")
                << mark.size() << " " << end.size();
        }
    }
}

TEST_F(Store, SizesWithAThirtyKeepTheirOwnListForTheRunOnly) {
    std::set<const HighscoreEntry*> lists;
    const auto tableStart = reinterpret_cast<uintptr_t>(&highscoreTable);
    for (uint32_t other = 0; other <= 30; ++other) {
        for (const HighscoreEntry* list : {highscoreList(30, other), highscoreList(other, 30)}) {
            lists.insert(list);
            const auto start = reinterpret_cast<uintptr_t>(list);
            EXPECT_TRUE(start + sizeof(HighscoreEntry) * slotsPerList <= tableStart ||
                        start >= tableStart + sizeof highscoreTable);
        }
    }
    EXPECT_EQ(lists.size(), 61u);
    EXPECT_NE(highscoreList(4000000000u, 4000000000u), nullptr);
    setList(30, 20, "old:4");
    saveHighscores(path.c_str());
    EXPECT_EQ(readFile(path), "");
}

TEST_F(Store, SettingsAreWrittenAsTheyAreRead) {
    saveSettings(ini.c_str());  // the defaults
    EXPECT_EQ(readFile(ini),
              "[Game]\nField = 10 20\nName = \nSpeedlimit = 30\n\n[Video]\nFullscreen = 0"
              "\n\n[Window]\nSize = 640 480");
    const std::string file =
        "[Game]\nField = 7 13\nName = Zed_9!\nSpeedlimit = 45\n\n[Video]\nFullscreen = 1"
        "\n\n[Window]\nSize = 800 600";
    writeFile(ini, file);
    loadSettings(ini.c_str());
    EXPECT_EQ(settingsInForce(), "7x13 45 1 800x600 Zed_9!|");
    playerSlot = unrankedSlot;
    saveSettings(ini.c_str());
    EXPECT_EQ(readFile(ini), file);
}

TEST_F(Store, SettingsMakeEveryBadValueSafeOnReading) {
    const std::string q150(150, 'q');
    const std::pair<std::string, std::string> cases[] = {

        {"[Game]\nfield = 5 5\nField: 6 6\nSPEEDLIMIT = 3\n# Size = 100 100\n\n",
         "10x20 30 0 640x480 |"},
        // Patterns match without blanks, as far as they go; the last value wins.
        {"Field=6 7\nSpeedlimit=12\nSize = 800\nFullscreen=1\nSpeedlimit = 25",
         "6x7 25 1 800x480 |"},
        {"Field = 6 7\nField = 12", "12x7 30 0 640x480 |"},
        // Field sizes are clamped into 4..30, before the name on a later line.
        {"Field = 0 0", "4x4 30 0 640x480 |"},
        {"Field = 3 31", "4x30 30 0 640x480 |"},
        {"Field = 100 -1", "30x30 30 0 640x480 |"},
        {"Field = 4294967295 5", "30x5 30 0 640x480 |"},
        {"Field = 50 2\nName = Bo", "30x4 30 0 640x480 Bo|"},
        {"Speedlimit = 0", "10x20 1 0 640x480 |"},
        {"Speedlimit = 1", "10x20 1 0 640x480 |"},
        {"Speedlimit = 4000000000", "10x20 4000000000 0 640x480 |"},
        // Window minimums are compared as signed numbers.
        {"Size = 63 47", "10x20 30 0 64x48 |"},
        {"Size = 64 48", "10x20 30 0 64x48 |"},
        {"Size = 3000000000 4294967295", "10x20 30 0 64x48 |"},
        {"Size = 2147483647 1000", "10x20 30 0 2147483647x1000 |"},
        // Only the low eight bits of the full-screen flag count.
        {"Fullscreen = 257", "10x20 30 1 640x480 |"},
        {"Fullscreen = 1\nFullscreen = 256", "10x20 30 0 640x480 |"},
        {"Fullscreen = 1\nFullscreen = -256", "10x20 30 0 640x480 |"},
        // A name is the rest of its line, blanks included, at most 19
        // characters; the last one wins, also an empty one.
        {"Name = Enter Name", "10x20 30 0 640x480 Enter Name|Enter Name"},
        {"Name=Kim\r\nName = ", "10x20 30 0 640x480 |"},
        {"Name =  a 9 \n", "10x20 30 0 640x480  a 9 | a 9 "},
        {"Name = abcdefghijklmnopqrstuvwxyz0123",
         "10x20 30 0 640x480 abcdefghijklmnopqrs|abcdefghijklmnopqrs"},
        {"Name = " + q150 + "\nSpeedlimit = 9",
         "10x20 9 0 640x480 " + q150.substr(0, 19) + "|" + q150.substr(0, 19)},
        {"[Game]\nName = Early\nField = 8 8\n", "8x8 30 0 640x480 |Early"}};
    for (const auto& [content, expected] : cases) {
        resetCore();
        writeFile(ini, content);
        loadSettings(ini.c_str());
        EXPECT_EQ(settingsInForce(), expected) << content;
    }
    resetCore();
    loadSettings(dir.file("absent.ini").c_str());
    EXPECT_EQ(settingsInForce(), "10x20 30 0 640x480 |");
}

TEST_F(Store, AFailedSaveOfEitherFileLeavesTheOldFileAndNothingElse) {
    const std::pair<void (*)(const char*), const char*> saves[] = {
        {saveHighscores, "Highscores.txt"}, {saveSettings, "Stapelix.ini"}};
    int entries = 0;
    for (const auto& [save, name] : saves) {
        const std::string file = dir.file(name), blocked = file + ".dir";
        setList(10, 20, "keep:5");  // the list in play and the player's name
        save(file.c_str());
        const std::string old = readFile(file);
        setList(10, 20, "newer_and_longer:9");
        {
            FileSizeLimit full(16);  // a full disk, as the writer sees it
            save(file.c_str());
        }
        EXPECT_EQ(readFile(file), old) << name;
        std::filesystem::create_directory(blocked);  // a target that cannot be replaced
        save(blocked.c_str());
        save(dir.file("none/file").c_str());  // a directory that does not exist
        EXPECT_EQ(dir.entries(), entries += 2);
        EXPECT_TRUE(std::filesystem::is_directory(blocked));
        save(file.c_str());  // and a save that works replaces it
        EXPECT_NE(readFile(file).find("newer_and_longer"), std::string::npos);
    }
}

TEST_F(Store, AFileThatCouldNotBeReadIsLeftAsItIsAtExit) {
    namespace fs = std::filesystem;
    using Make = void (*)(const std::string&);
    std::vector<std::pair<const char*, Make>> unreadable = {
        {"a link to itself",  // cannot be opened (ELOOP)
         [](const std::string& file) { fs::create_symlink(fs::path(file).filename(), file); }},
        {"a directory",  // opens, and the first read fails
         [](const std::string& file) {
             fs::create_directory(file);
             writeFile(file + "/inside", "x");
         }}};
    if (geteuid() != 0) {  // the superuser reads whatever the permissions say
        unreadable.push_back({"a file without read permission", [](const std::string& file) {
                                  writeFile(file, "Field: 10 20\nName\tScore\n\nann\t9");
                                  fs::permissions(file, fs::perms::none);
                              }});
    }
    // The other file, as read and as saved after the session.
    const std::pair<std::string, std::string> readable[] = {
        {"[Game]\nField = 10 20\nName = Kim", "Speedlimit = 12"},
        {"Field: 10 20\nName\tScore\n\nann\t9", "Enter Name\t50\nann\t9"}};
    for (const auto& [kind, make] : unreadable) {
        for (int kept = 0; kept < 2; ++kept) {  // the highscores, then the settings
            const std::string& file = kept == 0 ? path : ini;
            const std::string& other = kept == 0 ? ini : path;
            resetCore();
            fs::remove_all(path);
            fs::remove_all(ini);
            writeFile(other, readable[kept].first);
            make(file);
            const std::string before = describe(file);
            SavedFiles files = {ini.c_str(), path.c_str()};
            loadSavedFiles(files);
            // A session: the player climbs, the tick length changes.
            LoopState loop;
            preparePlayerName(loop);
            playerScore() = 50;
            promotePlayerEntry();
            settings.speedLimit = 12;
            ::testing::internal::CaptureStderr();
            saveSavedFiles(files);
            EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                      file +
                          " could not be read when the game started, so it was left unchanged "
                          "and this session was not saved to it.\n")
                << kind;
            EXPECT_EQ(describe(file), before) << kind;
            EXPECT_NE(readFile(other).find(readable[kept].second), std::string::npos)
                << kind << ": the other file is saved";
        }
    }
    // Missing files are no loss: both are written, and nothing is said.
    fs::remove_all(path);
    fs::remove_all(ini);
    SavedFiles files = {ini.c_str(), path.c_str()};
    loadSavedFiles(files);
    ::testing::internal::CaptureStderr();
    saveSavedFiles(files);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(describe(path).substr(0, 5) + describe(ini).substr(0, 5), "file file ");
}

TEST_F(Store, ASaveWritesThroughSymbolicLinksToTheirTarget) {
    namespace fs = std::filesystem;
    fs::create_directory(dir.path / "sync");
    const std::string target = dir.file("sync/Highscores.txt");
    setList(10, 20, "new:5");
    const auto listing = [](const fs::path& folder) {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        std::string text;
        for (const std::string& name : names) text += name + " ";
        return text;
    };
    // Where the link in the working directory points, a second link in the
    // synced folder, and whether the target is there before the save.
    const std::tuple<std::string, const char*, bool> links[] = {
        {"sync/Highscores.txt", nullptr, true},
        {target, nullptr, true},
        {"sync/hop", "Highscores.txt", true},  // relative to the folder that holds it
        {"sync/Highscores.txt", nullptr, false}};
    for (const auto& [pointsTo, hop, targetThere] : links) {
        fs::remove(path);
        fs::remove(target);
        fs::remove(dir.file("sync/hop"));
        fs::create_symlink(pointsTo, path);
        if (hop != nullptr) fs::create_symlink(hop, dir.file("sync/hop"));
        if (targetThere) writeFile(target, "old");
        saveHighscores(path.c_str());
        EXPECT_EQ(describe(path), "link to " + pointsTo);
        EXPECT_EQ(readFile(target), "Field: 10 20\nName\tScore\n\nnew\t5") << pointsTo;
        EXPECT_EQ(listing(dir.path) + "| " + listing(dir.path / "sync"),
                  std::string("Highscores.txt sync | Highscores.txt ") + (hop ? "hop " : ""))
            << "nothing left behind";
    }
    // A loop of links is no file to save to, and stays as it is.
    fs::create_symlink("loop", dir.file("loop"));
    saveHighscores(dir.file("loop").c_str());
    EXPECT_EQ(describe(dir.file("loop")), "link to loop");
}

TEST_F(Store, ASaveClearsAStaleTemporaryFileFirst) {
    namespace fs = std::filesystem;
    const std::string temporary = path + ".tmp";
    setList(10, 20, "new:5");
    for (bool directory : {true, false}) {  // left by a killed save, or put there
        writeFile(path, "old");
        if (directory) {
            fs::create_directory(temporary);
            writeFile(temporary + "/inside", "x");
        } else {
            writeFile(temporary, "stale");
        }
        saveHighscores(path.c_str());
        EXPECT_EQ(readFile(path), "Field: 10 20\nName\tScore\n\nnew\t5") << directory;
        EXPECT_FALSE(fs::exists(fs::symlink_status(temporary))) << directory;
    }
}

}  // namespace
