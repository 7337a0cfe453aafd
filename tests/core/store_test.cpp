// The saved files: the highscore table with its live re-rank, "Highscores.txt"
// and "Stapelix.ini" written and read, hostile input, and saving that never
// loses the old file. This program stands in for fsync (the C library's is
// found after the program's own) to see what a save flushes, and when.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "core_test_support.h"
#include "store/saved_files.h"

namespace {
namespace fs = std::filesystem;
// The directory of the save watched, and each flush in it with whether the
// saved file still held its old content then.
fs::path watched;
std::string savedFile, oldContent;
std::vector<std::string> flushes;
}  // namespace

extern "C" int fsync(int descriptor) {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
    if (!watched.empty() && (path == watched || path.parent_path() == watched)) {
        flushes.push_back((path == watched ? "directory" : path.filename().string()) +
                          (readFile(savedFile) == oldContent ? " old" : " new"));
    }
    return int(syscall(SYS_fsync, descriptor));
}

namespace {

const std::pair<void (*)(const char*), const char*> bothSaves[] = {
    {saveHighscores, "Highscores.txt"}, {saveSettings, "Stapelix.ini"}};

int entries(const fs::path& folder) {
    return int(std::distance(fs::directory_iterator(folder), {}));
}

// Every list of a size below 30 that has ranked entries.
std::string allLists() {
    std::string text;
    for (uint32_t width = 0; width < maxFieldSize; ++width) {
        for (uint32_t height = 0; height < maxFieldSize; ++height) {
            if (!ranked(width, height).empty())
                text += std::to_string(width) + "x" + std::to_string(height) + " " +
                        ranked(width, height) + "; ";
        }
    }
    return text;
}

// Field size, tick length, full-screen flag, window size, and the saved name
// of the size in play and of the default size.
std::string settingsInForce() {
    const Settings& s = settings;
    return std::to_string(s.fieldWidth) + "x" + std::to_string(s.fieldHeight) + " " +
           std::to_string(s.speedLimit) + " " + std::to_string(s.fullscreen) + " " +
           std::to_string(s.windowWidth) + "x" + std::to_string(s.windowHeight) + " " +
           currentList()[unrankedSlot].name + "|" + highscoreList(10, 20)[unrankedSlot].name;
}

// What is at a path, to tell it unchanged: where a link points, how many
// entries a directory holds, a file's inode and size (a new file, a new inode).
std::string describe(const fs::path& path) {
    struct stat file {};
    if (fs::is_symlink(fs::symlink_status(path)))
        return "link to " + fs::read_symlink(path).string();
    if (fs::is_directory(path)) return "directory of " + std::to_string(entries(path));
    if (stat(path.c_str(), &file) != 0) return "nothing";
    return "file " + std::to_string(file.st_ino) + " " + std::to_string(file.st_size);
}

class Store : public ::testing::Test {
protected:
    TempDir dir;
    const std::string path = dir.file("Highscores.txt"), ini = dir.file("Stapelix.ini");
    void SetUp() override { resetCore(); }
};

TEST_F(Store, AKnownTableIsWrittenByteForByteHeightFirstAndReadBack) {
    setList(4, 4, "ann:30 bo:12");
    std::strcpy(highscoreList(4, 4)[1].name, " b o ");  // names hold blanks, or nothing
    std::strcpy(highscoreList(4, 4)[2].name, "");
    highscoreList(4, 4)[2].score = 2;
    setList(0, 0, "o:2");
    setList(4, 5, "di:4");
    setList(5, 4, "cy:7");
    setList(6, 6, "x:3 y:0 z:2");                                   // nothing after a zero
    setList(7, 9, "a:10 b:9 c:8 d:7 e:6 f:5 g:4 h:3 i:2 j:1 k:1");  // nor after the tenth
    setList(10, 20, "dee:99");
    setList(29, 29, "last:1");
    setList(30, 20, "wide:4");  // sizes with a 30 keep their lists for the run only
    setList(20, 30, "tall:4");
    const std::string lists = allLists();
    saveHighscores(path.c_str());
    EXPECT_EQ(
        readFile(path),
        "Field: 0 0\nName\tScore\n\no\t2\n\n"
        "Field: 4 4\nName\tScore\n\nann\t30\n b o \t12\n\t2\n\n"
        "Field: 5 4\nName\tScore\n\ncy\t7\n\n"
        "Field: 4 5\nName\tScore\n\ndi\t4\n\n"
        "Field: 6 6\nName\tScore\n\nx\t3\n\n"
        "Field: 7 9\nName\tScore\n\na\t10\nb\t9\nc\t8\nd\t7\ne\t6\nf\t5\ng\t4\nh\t3\ni\t2\nj\t1\n\n"
        "Field: 10 20\nName\tScore\n\ndee\t99\n\n"
        "Field: 29 29\nName\tScore\n\nlast\t1");
    resetCore();
    EXPECT_TRUE(loadHighscores(path.c_str()));
    EXPECT_EQ(allLists(), lists);
    EXPECT_EQ(playerSlot, 1u);
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
        // A byte-order mark, and CR LF or CR alone ending lines.
        {"\xEF\xBB\xBF"
         "Field: 10 20\r\nName\tScore\r\n\r\nann\t9\rb o\t5\r\n",
         "10x20 ann:9 b o:5; ", 2},
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
        // A list read again for a size replaces the earlier one whole.
        {"Field: 10 20" + header + "old\t90\nolder\t80\noldest\t70\n\nField: 4 4" + header +
             "q\t1\n\nField: 10 20" + header + "new\t50",
         "4x4 q:1; 10x20 new:50; ", 1},
        {"Field: 10 20" + header + "old\t90\nField: 10 20\nName\tScore\n", "", 0}};
    for (const auto& [content, lists, slot] : cases) {
        resetCore();
        playerSlot = 7;
        writeFile(path, content);
        EXPECT_TRUE(loadHighscores(path.c_str()));
        EXPECT_EQ(allLists() + std::to_string(playerSlot), lists + std::to_string(slot));
        EXPECT_EQ(highscoreList(10, 20)[unrankedSlot].score, 0u);
    }
    EXPECT_TRUE(loadHighscores(dir.file("missing.txt").c_str()));
    EXPECT_EQ(playerSlot, 0u);
}

TEST_F(Store, SettingsAreWrittenAsTheyAreReadAndEveryBadValueMadeSafe) {
    saveSettings(ini.c_str());  // the defaults
    EXPECT_EQ(readFile(ini),
              "[Game]\nField = 10 20\nName = \nSpeedlimit = 30\n\n[Video]\nFullscreen = "
              "0\n\n[Window]\nSize = 640 480");
    const std::string file =
        "[Game]\nField = 7 13\nName = Zed 9!\nSpeedlimit = 45\n\n[Video]\nFullscreen = "
        "1\n\n[Window]\nSize = 800 600";
    const std::pair<std::string, std::string> cases[] = {
        {file, "7x13 45 1 800x600 Zed 9!|"},
        {"[Game]\nfield = 5 5\nField: 6 6\nSPEEDLIMIT = 3\n# Size = 100 100\n\n",
         "10x20 30 0 640x480 |"},
        // Patterns match without blanks, as far as they go; the last value wins.
        {"Field=6 7\nSpeedlimit=12\nSize = 800\nFullscreen=1\nSpeedlimit = 25\nField = 12",
         "12x7 25 1 800x480 |"},
        // Field sizes are clamped into 4..30, before the name on a later line.
        {"Field = 3 31\nSpeedlimit = 0", "4x30 1 0 640x480 |"},
        {"Field = 50 2\nName = Bo\nSpeedlimit = 1", "30x4 1 0 640x480 Bo|"},
        {"[Game]\nName = Early\nField = 8 8\n", "8x8 30 0 640x480 |Early"},
        // Window minimums are compared as signed numbers.
        {"Size = 63 47", "10x20 30 0 64x48 |"},
        {"Size = 64 3000000000", "10x20 30 0 64x48 |"},
        {"Size = 2147483647 1000", "10x20 30 0 2147483647x1000 |"},
        // Only the low eight bits of the full-screen flag count.
        {"Fullscreen = 257", "10x20 30 1 640x480 |"},
        {"Fullscreen = 1\nFullscreen = 256", "10x20 30 0 640x480 |"},
        // A name is the rest of its line, blanks included, at most 19
        // characters; the last one wins, also an empty one.
        {"Name = Enter Name", "10x20 30 0 640x480 Enter Name|Enter Name"},
        {"Name=Kim\r\nName = ", "10x20 30 0 640x480 |"},
        {"Name =  a 9 \n", "10x20 30 0 640x480  a 9 | a 9 "},
        {"Name = abcdefghijklmnopqrstuvwxyz0123",
         "10x20 30 0 640x480 abcdefghijklmnopqrs|abcdefghijklmnopqrs"},
        // A byte-order mark; a long line comes in pieces of 99 characters.
        {"\xEF\xBB\xBF"
         "Field = 7 13\rSpeedlimit = 45\r\n",
         "7x13 45 0 640x480 |"},
        {std::string(99, 'x') + "Speedlimit = 9", "10x20 9 0 640x480 |"}};
    for (const auto& [content, expected] : cases) {
        resetCore();
        writeFile(ini, content);
        EXPECT_TRUE(loadSettings(ini.c_str()));
        EXPECT_EQ(settingsInForce(), expected) << content;
    }
    resetCore();
    EXPECT_TRUE(loadSettings(dir.file("absent.ini").c_str()));
    EXPECT_EQ(settingsInForce(), "10x20 30 0 640x480 |");
    writeFile(ini, file);
    loadSettings(ini.c_str());
    playerSlot = unrankedSlot;
    saveSettings(ini.c_str());
    EXPECT_EQ(readFile(ini), file);
}

TEST_F(Store, ASaveReplacesTheOldFileWholeOrNotAtAll) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the size limit fails instead of ending the program
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit full = saved;
    full.rlim_cur = 16;  // a full disk, as the writer sees it
    for (const auto& [save, name] : bothSaves) {
        const std::string file = dir.file(name), blocked = file + ".dir", temporary = file + ".tmp";
        setList(10, 20, "keep:5");  // the list in play and the player's name
        save(file.c_str());
        oldContent = readFile(file);
        setList(10, 20, "newer_and_longer:9");
        setrlimit(RLIMIT_FSIZE, &full);
        save(file.c_str());
        setrlimit(RLIMIT_FSIZE, &saved);
        fs::create_directory(blocked);  // a target that cannot be replaced
        save(blocked.c_str());
        save(dir.file("none/file").c_str());  // a folder that does not exist
        EXPECT_EQ(readFile(file) + describe(blocked), oldContent + "directory of 0");
        // A temporary file left by a killed save is cleared; the new file is
        // flushed before the rename, and the folder after it.
        fs::create_directories(temporary + "/inside");
        watched = fs::canonical(dir.path);
        savedFile = file;
        save(file.c_str());
        watched.clear();
        EXPECT_NE(readFile(file).find("newer_and_longer"), std::string::npos);
        EXPECT_EQ(flushes,
                  (std::vector<std::string>{std::string(name) + ".tmp old", "directory new"}));
        flushes.clear();
    }
    EXPECT_EQ(entries(dir.path), 4);
}

TEST_F(Store, AFileThatCouldNotBeReadIsLeftAsItIsAtExit) {
    for (bool loop : {true, false}) {  // a link to itself does not open; a directory does not read
        for (const auto& [file, other] : {std::pair{path, ini}, {ini, path}}) {
            resetCore();
            fs::remove_all(path);
            fs::remove_all(ini);
            writeFile(other, "");
            loop ? fs::create_symlink(fs::path(file).filename(), file)
                 : void(fs::create_directory(file));
            const std::string before = describe(file), otherBefore = describe(other);
            SavedFiles files = {ini.c_str(), path.c_str()};
            loadSavedFiles(files);
            ::testing::internal::CaptureStderr();
            saveSavedFiles(files);
            EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                      file +
                          " could not be read when the game started, so it was left unchanged "
                          "and this session was not saved to it.\n");
            EXPECT_EQ(describe(file), before);
            EXPECT_NE(describe(other), otherBefore);  // the other one is saved
        }
    }
}

TEST_F(Store, ASaveWritesThroughSymbolicLinksToTheirTarget) {
    fs::create_directory(dir.path / "sync");
    const std::string target = dir.file("sync/Highscores.txt");
    setList(10, 20, "new:5");
    // Where the link in the working directory points, a second link in the
    // synced folder, and whether the target is there before the save.
    const std::tuple<std::string, const char*, bool> links[] = {
        {"sync/Highscores.txt", nullptr, true},
        {target, nullptr, true},
        {"sync/hop", "Highscores.txt", true},  // relative to the folder that holds it
        {"sync/Highscores.txt", nullptr, false}};
    for (const auto& [pointsTo, hop, targetThere] : links) {
        for (const char* name : {"Highscores.txt", "sync/Highscores.txt", "sync/hop"})
            fs::remove(dir.path / name);
        fs::create_symlink(pointsTo, path);
        if (hop != nullptr) fs::create_symlink(hop, dir.file("sync/hop"));
        if (targetThere) writeFile(target, "old");
        saveHighscores(path.c_str());
        EXPECT_EQ(describe(path), "link to " + pointsTo);
        EXPECT_EQ(readFile(target), "Field: 10 20\nName\tScore\n\nnew\t5") << pointsTo;
        EXPECT_EQ(entries(dir.path) * 10 + entries(dir.path / "sync"), 21 + (hop != nullptr));
    }
    fs::create_symlink("loop", dir.file("loop"));  // a loop of links is no file to save to
    saveHighscores(dir.file("loop").c_str());
    EXPECT_EQ(describe(dir.file("loop")), "link to loop");
}

}  // namespace
