// The saved files: written, read, hostile input; fsync is stood in for to see the flushes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core_test_support.h"
#include "store/safe_save.h"
#include "store/saved_files.h"

namespace fs = std::filesystem;
static fs::path watched;
static std::string savedFile, oldContent, flushes;

extern "C" int fsync(int descriptor) {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
    if (!watched.empty() && (path == watched || path.parent_path() == watched))
        flushes += (path == watched ? "folder" : path.filename().string()) +
                   (readFile(savedFile) == oldContent ? " old, " : " new, ");
    return int(syscall(SYS_fsync, descriptor));
}

namespace {

int entries(const fs::path& folder) {
    return int(std::distance(fs::directory_iterator(folder), {}));
}

std::string allLists() {
    std::string text;
    for (uint32_t w = 0; w < maxFieldSize; ++w)
        for (uint32_t h = 0; h < maxFieldSize; ++h)
            if (!ranked(w, h).empty())
                text += std::to_string(w) + "x" + std::to_string(h) + " " + ranked(w, h) + "; ";
    return text;
}

std::string settingsInForce() {
    char text[200];
    std::snprintf(text, sizeof text, "%ux%u %u %d %ux%u %s|%s", settings.fieldWidth,
                  settings.fieldHeight, settings.speedLimit, settings.fullscreen,
                  settings.windowWidth, settings.windowHeight, currentList()[unrankedSlot].name,
                  highscoreList(10, 20)[unrankedSlot].name);
    return text;
}

std::string describe(const fs::path& path) {
    return fs::is_symlink(fs::symlink_status(path))
               ? "link to " + fs::read_symlink(path).string()
               : "directory of " + std::to_string(entries(path));
}

// A save whose failure, if any, is the test's to check.
SaveFailure failure;
bool saveTable(const char* file) { return saveHighscores(file, failure); }
bool saveIni(const char* file) { return saveSettings(file, failure); }

std::string mode(const std::string& file) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%o", unsigned(fs::status(file).permissions() & fs::perms::mask));
    return octal;
}

class Store : public ::testing::Test {
protected:
    TempDir dir;
    const std::string path = dir.file("Highscores.txt"), ini = dir.file("Stapelix.ini");
    void SetUp() override { resetCore(); }
};

TEST_F(Store, AKnownTableIsWrittenByteForByteHeightFirstAndReadBack) {
    setList(4, 4, "ann:30 bo:12 x:2 y:1");
    std::strcpy(highscoreList(4, 4)[1].name, " b o ");  // names hold blanks, or nothing
    std::strcpy(highscoreList(4, 4)[2].name, "");
    std::strcpy(highscoreList(4, 4)[3].name, namePlaceholder);  // which is no name
    setList(0, 0, "o:2");
    setList(4, 5, "di:4");
    setList(5, 4, "cy:7");
    setList(6, 6, "x:3 y:0 z:2");                                   // nothing after a zero
    setList(7, 9, "a:10 b:9 c:8 d:7 e:6 f:5 g:4 h:3 i:2 j:1 k:1");  // nor after the tenth
    setList(29, 29, "last:1");
    setList(30, 20, "wide:4");  // sizes with a 30 keep their lists for the run only
    setList(20, 30, "tall:4");
    std::strcpy(highscoreList(4, 4)[3].name, "");
    const std::string lists = allLists();
    std::strcpy(highscoreList(4, 4)[3].name, namePlaceholder);
    EXPECT_TRUE(saveTable(path.c_str()));
    EXPECT_EQ(
        readFile(path),
        "Field: 0 0\nName\tScore\n\no\t2\n\n"
        "Field: 4 4\nName\tScore\n\nann\t30\n b o \t12\n\t2\n\t1\n\n"
        "Field: 5 4\nName\tScore\n\ncy\t7\n\n"
        "Field: 4 5\nName\tScore\n\ndi\t4\n\n"
        "Field: 6 6\nName\tScore\n\nx\t3\n\n"
        "Field: 7 9\nName\tScore\n\na\t10\nb\t9\nc\t8\nd\t7\ne\t6\nf\t5\ng\t4\nh\t3\ni\t2\nj\t1\n\n"
        "Field: 29 29\nName\tScore\n\nlast\t1");
    resetCore();
    EXPECT_TRUE(loadHighscores(path.c_str()));
    EXPECT_EQ(allLists(), lists);
}

TEST_F(Store, ReadingSkipsWhatIsNoEntryAndSetsThePlayersSlot) {
    const std::string header = "\nName\tScore\n\n";
    // The file, then every list and the player's slot (7 before reading).
    const std::tuple<std::string, const char*, uint32_t> cases[] = {
        // A byte-order mark, and CR LF or CR alone ending lines.
        {"\xEF\xBB\xBF"
         "Field: 10 20\r\nName\tScore\r\n\r\nann\t9\rb o\t5\r\ncy\t2\n\nField: 4 4" +
             header + "q\t1",
         "4x4 q:1; 10x20 ann:9 b o:5 cy:2; ", 3},
        {"Field: 4 4" + header + "q\t1", "4x4 q:1; ", 7},  // no list for the size in play
        // A name is all before the last tab; the score is all after it.
        {"stray\t50\nField: 10 20" + header +  // an entry before any header
             "Enter Name\t40\nAl Bo\t 30 \njust words\nAl\tBo\nneg\t-5\nbig\t4294967296\n"
             "odd\t7x\n\t4294967295\nField: 4 4\tx\nok\t20\n",  // a header holds no tab
         "10x20 :40 Al Bo:30 :4294967295 ok:20; ", 4},  // the placeholder is no name
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
    EXPECT_TRUE(loadHighscores(dir.file("missing.txt").c_str()));  // a missing file reads as empty
}

TEST_F(Store, SettingsAreWrittenAsTheyAreReadAndEveryBadValueMadeSafe) {
    const std::string file =
        "[Game]\nField = 7 13\nName = Zed 9!\nSpeedlimit = 45\n\n[Video]\nFullscreen = "
        "1\n\n[Window]\nSize = 800 600";
    const std::pair<std::string, std::string> cases[] = {
        {file, "7x13 45 1 800x600 Zed 9!|"},
        // Patterns match without blanks, as far as they go; the last value wins.
        {"Field=6 7\nSpeedlimit=12\nSize = 800\nFullscreen=1\nSpeedlimit = 25\nField = 12",
         "12x7 25 1 800x480 |"},
        // Field sizes are clamped into 4..30, before the name on a later line.
        {"Field = 50 2\nName = Bo\nSpeedlimit = 0", "30x4 1 0 640x480 Bo|"},
        {"Name = abcdefghijklmnopqrstuvwxyz0123\nField = 8 8\n",
         "8x8 30 0 640x480 |abcdefghijklmnopqrs"},
        // Window minimums compare signed; the full-screen flag is its low eight bits.
        {"Size = 63 47\nFullscreen = 257", "10x20 30 1 64x48 |"},
        {"Fullscreen = 1\nSize = 64 3000000000\nFullscreen = 256", "10x20 30 0 64x48 |"},
        // A name is the rest of its line, blanks included, 19 at most (above); the last one wins.
        {"Name=Kim\r\nName = ", "10x20 30 0 640x480 |"},
        {"Name =  a 9 \n", "10x20 30 0 640x480  a 9 | a 9 "},
        {"Name = Kim\nName = Enter Name", "10x20 30 0 640x480 |"},  // the placeholder is none
        // A byte-order mark; CR ends lines; a long line comes in pieces of 99 characters.
        {"\xEF\xBB\xBF" + std::string(99, 'x') + "Speedlimit = 9\rField = 7 13\r\n",
         "7x13 9 0 640x480 |"}};
    for (const auto& [content, expected] : cases) {
        resetCore();
        writeFile(ini, content);
        EXPECT_TRUE(loadSettings(ini.c_str()));
        EXPECT_EQ(settingsInForce(), expected) << content;
    }
    writeFile(ini, file);
    loadSettings(ini.c_str());
    playerSlot = unrankedSlot;
    EXPECT_TRUE(saveIni(ini.c_str()));
    EXPECT_EQ(readFile(ini), file);  // written as read
    std::strcpy(playerName(), namePlaceholder);
    EXPECT_TRUE(saveIni(ini.c_str()));
    EXPECT_NE(readFile(ini).find("\nName = \nSpeedlimit"), std::string::npos);
}

// Every failure leaves the old file whole and says where and why; a read-only file is left
// alone; a replaced file keeps its permissions; a temporary name taken by anything but a stale
// temporary file is passed over.
TEST_F(Store, ASaveReplacesTheOldFileWholeOrNotAtAllAndSaysWhy) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the size limit fails instead of ending the program
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit full{16, saved.rlim_max};  // a full disk, as the writer sees it
    for (const auto& [save, name] :
         {std::pair{saveTable, "Highscores.txt"}, {saveIni, "Stapelix.ini"}}) {
        const std::string file = dir.file(name), blocked = file + ".dir", temporary = file + ".tmp";
        setList(10, 20, "keep:5");  // the list in play and the player's name
        ASSERT_TRUE(save(file.c_str()));
        oldContent = readFile(file);
        setList(10, 20, "newer_and_longer:9");
        std::string reasons;
        const auto attempt = [&, save = save](const std::string& target) {
            reasons += save(target.c_str()) ? "saved; "
                                            : fs::relative(failure.folder, dir.path).string() +
                                                  ": " + failure.reason + "; ";
        };
        setrlimit(RLIMIT_FSIZE, &full);
        attempt(file);
        setrlimit(RLIMIT_FSIZE, &saved);
        fs::create_directory(blocked);  // a target that cannot be replaced
        attempt(blocked);
        attempt(dir.file("none/file"));  // a folder that does not exist
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
        attempt(file);
        EXPECT_EQ(reasons,
                  ".: File too large; .: Is a directory; none: No such file or directory; "
                  ".: the file is read-only; ");
        EXPECT_EQ(readFile(file) + describe(blocked) + " " + mode(file),
                  oldContent + "directory of 0 440");
        // A folder under the temporary name stays, the next name is used and a stale file there
        // removed. Flushed before the rename, the folder after.
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        fs::create_directories(temporary + "/inside");
        writeFile(temporary + "2", "stale");
        watched = fs::canonical(dir.path);
        savedFile = file;
        attempt(file);
        watched.clear();
        EXPECT_EQ(flushes + describe(temporary) + " " + mode(file) + " " +
                      std::to_string(readFile(file).find("newer_and_longer") != std::string::npos),
                  std::string(name) + ".tmp2 old, folder new, directory of 1 600 1");
        flushes.clear();
        fs::remove_all(temporary);
        writeFile(temporary, "stale");  // a save killed before its rename left this
        EXPECT_TRUE(save(file.c_str()));
    }
    EXPECT_EQ(entries(dir.path), 4);  // each file and its blocked twin, no temporary left
}

// The player hears of a file that could not be read at start-up, which is then
// never written; and of each file that could not be saved, once per run.
TEST_F(Store, ThePlayerHearsOfEveryFileThatCouldNotBeReadOrSavedOnce) {
    setList(10, 20, "a:1");  // a link to itself does not open; a directory does not read
    for (const auto& [file, other] : {std::pair{path, ini}, {ini, path}}) {
        fs::remove_all(file);
        fs::remove_all(other);
        writeFile(other, "");
        file == path ? fs::create_symlink("Highscores.txt", file)
                     : void(fs::create_directory(file));
        const std::string before = describe(file);
        SavedFiles files = savedFiles;
        files.settings.name = ini.c_str();
        files.highscores.name = path.c_str();
        EXPECT_EQ(loadSavedFiles(files),
                  file + " could not be read when the game started, so it was left unchanged "
                         "and this session was not saved to it.");
        EXPECT_EQ(saveSavedFiles(files), "");
        EXPECT_EQ(describe(file), before);
        EXPECT_NE(readFile(other), "");  // the other one is saved
    }
    const std::string lost = (dir.path / "lost").string();
    const std::string lostIni = lost + "/Stapelix.ini", lostTable = lost + "/Highscores.txt";
    SavedFiles files = savedFiles;
    files.settings.name = lostIni.c_str();
    files.highscores.name = lostTable.c_str();
    EXPECT_EQ(loadSavedFiles(files), "");  // missing files are no fault
    const std::string notice = saveSavedFiles(files);
    EXPECT_EQ(notice, lostIni + " could not be saved in " + lost + ": No such file or directory.\n" +
                          lostTable + " could not be saved in " + lost +
                          ": No such file or directory.");
    fs::create_directory(lost);
    writeFile(lostIni, "");
    fs::permissions(lostIni, fs::perms::owner_read);
    EXPECT_EQ(saveSavedFiles(files), "");  // told already; the table is saved now
    EXPECT_EQ(readFile(lostIni) + readFile(lostTable), "Field: 10 20\nName\tScore\n\na\t1");
}

TEST_F(Store, ASaveWritesThroughSymbolicLinksToTheirTarget) {
    const auto names = [](const fs::path& folder) {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        std::string text;
        for (const std::string& name : found) text += (text.empty() ? "" : " ") + name;
        return text;
    };
    // A link to a link in a synced folder, which names the target relative to that folder.
    fs::create_directory(dir.path / "sync");
    fs::create_symlink("sync/hop", path);
    fs::create_symlink("Highscores.txt", dir.path / "sync/hop");
    setList(10, 20, "new:5");
    for (int save = 0; save < 2; ++save) {  // the target missing, then there
        EXPECT_TRUE(saveTable(path.c_str()));
        EXPECT_EQ(describe(path) + " " + readFile(dir.file("sync/Highscores.txt")),
                  "link to sync/hop Field: 10 20\nName\tScore\n\nnew\t5");
        EXPECT_EQ(names(dir.path), "Highscores.txt sync");  // the link kept, no temporary left
        EXPECT_EQ(names(dir.path / "sync"), "Highscores.txt hop");
    }
    fs::create_symlink("loop", dir.file("loop"));  // a loop of links is no file to save to
    EXPECT_FALSE(saveTable(dir.file("loop").c_str()));
    EXPECT_EQ(describe(dir.file("loop")) + ": " + failure.reason,
              "link to loop: its chain of symbolic links does not end");
}

}  // namespace
