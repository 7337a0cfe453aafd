// The saved files: written, read, hostile input, rights; fsync is stood in for to see the flushes.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>

#include "core_test_support.h"
#include "store/file_access.h"
#include "store/safe_save.h"
#include "store/saved_files.h"

namespace fs = std::filesystem;
static fs::path watched;
static std::string savedFile, oldContent, flushes;

// Each flush in the watched folder: the saved file ("target"), the save's temporary file or
// the folder, and whether the saved file then held the old content or the new.
extern "C" int fsync(int descriptor) {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
    const std::string name = path.filename().string(), target = fs::path(savedFile).filename();
    if (!watched.empty() && (path == watched || path.parent_path() == watched))
        flushes += (path == watched                                       ? "folder"
                    : name == target                                      ? "target"
                    : name.rfind(target + ".stapelix-save-", 0) == 0 ? "temporary"
                                                                          : name) +
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
int readError;
bool loadTable(const std::string& file) { return loadHighscores(file.c_str(), readError); }

std::string mode(const std::string& file) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%o", unsigned(fs::status(file).permissions() & fs::perms::mask));
    return octal;
}

// "saved" or where and why not, the folder relative to `base`.
std::string outcome(bool saved, const fs::path& base) {
    return saved ? "saved" : fs::relative(failure.folder, base).string() + ": " + failure.reason;
}

struct stat statusOf(const std::string& file) {
    struct stat status {};
    stat(file.c_str(), &status);
    return status;
}

constexpr uid_t nobody = 65534;  // nobody and nogroup on Debian

// Runs body as an account without root's rights, whose text it returns: the test's own, or
// for root (whom no file refuses) nobody's in a child process.
std::string unprivileged(const std::function<std::string()>& body) {
    if (geteuid() != 0) return body();
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::string text =
            setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0
                ? body()
                : std::string("not nobody: ") + std::strerror(errno);
        _exit(write(channel[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(got));
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return text;
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
    EXPECT_TRUE(loadTable(path));
    EXPECT_EQ(allLists(), lists);
    // Each size with a 30 has a list of its own.
    EXPECT_EQ(ranked(30, 20) + "|" + ranked(30, 21) + "|" + ranked(20, 30) + "|" + ranked(21, 30),
              "wide:4||tall:4|");
}

// One line between a 10 x 20 header and the entry "x<TAB>5" (CR LF after it): an entry joins
// the list, a header takes x to its own, anything else is skipped. A name is all before the
// first tab; the score is the digits after it (blanks or tabs before them), the rest a note.
TEST_F(Store, EachLineIsReadAsTheGameWritesItWithNotesAfterTheNumbersIgnored) {
    const std::pair<std::string, std::string> cases[] = {
        // As written: names with blanks, none at all, or looking like a header; 32-bit scores.
        {"ann\t30", "10x20 ann:30 x:5; "},
        {" b o \t12", "10x20  b o :12 x:5; "},
        {"\t4294967295", "10x20 :4294967295 x:5; "},
        {"Field: 3 3\t20", "10x20 Field: 3 3:20 x:5; "},
        {"Enter Name\t40", "10x20 :40 x:5; "},  // the placeholder is no name
        {std::string(40, 'n') + "\t8", "10x20 nnnnnnnnnnnnnnnnnnn:8 x:5; "},
        // Edited by hand: whatever follows the score's digits.
        {"ann\t30 points", "10x20 ann:30 x:5; "},
        {"bob\t20\t", "10x20 bob:20 x:5; "},
        {"cy\t 7 \t\tnote", "10x20 cy:7 x:5; "},
        {"di\t\t 9", "10x20 di:9 x:5; "},
        {"odd\t7x", "10x20 odd:7 x:5; "},
        // No entry: no tab, no digits right after it, a name with a tab, a score past 32 bits.
        {"just words 5", "10x20 x:5; "},
        {"Name\tScore", "10x20 x:5; "},
        {"Al\tBo 5", "10x20 x:5; "},
        {"a\tb\t5", "10x20 x:5; "},
        {"neg\t-5", "10x20 x:5; "},
        {"big\t4294967296", "10x20 x:5; "},
        {"", "10x20 x:5; "},
        // Headers, whatever follows their two numbers; sizes outside 0..29 skip their entries.
        {"Field: 8 8", "8x8 x:5; "},
        {"Field: 8 8\t", "8x8 x:5; "},
        {"Field: 8 8 \t ", "8x8 x:5; "},
        {"Field: 0 29 (the big ones)", "0x29 x:5; "},
        {"Field: 30 8", ""},
        {"Field: 8 -1", ""},
        {"Field: 8", "10x20 x:5; "}};
    for (const auto& [line, lists] : cases) {
        resetCore();
        writeFile(path, "Field: 10 20\nName\tScore\n\n" + line + "\r\nx\t5");
        EXPECT_TRUE(loadTable(path));
        EXPECT_EQ(allLists(), lists) << "after the line \"" << line << '"';
    }
}

TEST_F(Store, ReadingFollowsTheHeadersAndSetsThePlayersSlot) {
    const std::string header = "\nName\tScore\n\n";
    // The file, then every list and the player's slot (7 before reading).
    const std::tuple<std::string, const char*, uint32_t> cases[] = {
        // A byte-order mark, and CR LF or CR alone ending lines.
        {"\xEF\xBB\xBF"
         "Field: 10 20\r\nName\tScore\r\n\r\nann\t9\rb o\t5\r\ncy\t2\n\nField: 4 4" +
             header + "q\t1",
         "4x4 q:1; 10x20 ann:9 b o:5 cy:2; ", 3},
        {"Field: 4 4" + header + "q\t1", "4x4 q:1; ", 7},  // no list for the size in play
        {"stray\t50\nField: 10 20" + header + "ok\t20\n", "10x20 ok:20; ", 1},  // none before
        // Lists outside the table skipped; a long line comes in pieces of 99 characters.
        {"Field: 5 5" + header + "n\t8\nField: 30 20" + header + "wide\t9\n" +
             "Field: -1 5" + header + "neg\t9\nField: 5 30" + header + "tall\t9\n" +
             "Field: 2147483647 -2147483648" + header + "huge\t9\nField: 5 6" + header +
             std::string(120, 'a') + "\t7\n",
         "5x5 n:8; 5x6 aaaaaaaaaaaaaaaaaaa:7; ", 7},
        // Ten entries at most; a list read again for a size replaces the earlier one whole.
        {"Field: 10 20" + header +
             "a\t11\nb\t10\nc\t9\nd\t8\ne\t7\nf\t6\ng\t5\nh\t4\ni\t3\nj\t2\nk\t1",
         "10x20 a:11 b:10 c:9 d:8 e:7 f:6 g:5 h:4 i:3 j:2; ", 10},
        {"Field: 10 20" + header + "old\t90\nolder\t80\noldest\t70\n\nField: 4 4" + header +
             "q\t1\n\nField: 10 20" + header + "new\t50",
         "4x4 q:1; 10x20 new:50; ", 1},
        {"Field: 10 20" + header + "old\t90\nField: 10 20\nName\tScore\n", "", 0}};
    for (const auto& [content, lists, slot] : cases) {
        resetCore();
        playerSlot = 7;
        writeFile(path, content);
        EXPECT_TRUE(loadTable(path));
        EXPECT_EQ(allLists() + std::to_string(playerSlot), lists + std::to_string(slot));
        EXPECT_EQ(highscoreList(10, 20)[unrankedSlot].score, 0u);
    }
    EXPECT_TRUE(loadTable(dir.file("missing.txt")));  // a missing file reads as empty
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
        EXPECT_TRUE(loadSettings(ini.c_str(), readError));
        EXPECT_EQ(settingsInForce(), expected) << content;
    }
    writeFile(ini, file);
    loadSettings(ini.c_str(), readError);
    playerSlot = unrankedSlot;
    EXPECT_TRUE(saveIni(ini.c_str()));
    EXPECT_EQ(readFile(ini), file);  // written as read
    std::strcpy(playerName(), namePlaceholder);
    EXPECT_TRUE(saveIni(ini.c_str()));
    EXPECT_NE(readFile(ini).find("\nName = \nSpeedlimit"), std::string::npos);
}

// Every failure leaves the old file whole and says where and why; a read-only file is left
// alone; a replaced file keeps its permissions; the player's own files beside it stay as they
// are, whatever their names.
TEST_F(Store, ASaveReplacesTheOldFileWholeOrNotAtAllAndSaysWhy) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the size limit fails instead of ending the program
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit full{16, saved.rlim_max};  // a full disk, as the writer sees it
    for (const auto& [save, name] :
         {std::pair{&saveTable, "Highscores.txt"}, {saveIni, "Stapelix.ini"}}) {
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
        // The player's own files under the names earlier saves used for their temporary file,
        // and a folder there, stay as they are. Flushed before the rename, the folder after.
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        const std::string players[] = {".tmp", ".tmp2", ".tmp5", ".tmp9", ".stapelix-save-"};
        for (const std::string& suffix : players) writeFile(file + suffix, "mine " + suffix);
        fs::create_directories(file + ".tmp3/inside");
        watched = fs::canonical(dir.path);
        savedFile = file;
        attempt(file);
        watched.clear();
        std::string kept;
        for (const std::string& suffix : players) kept += readFile(file + suffix) + ", ";
        EXPECT_EQ(flushes + kept + describe(file + ".tmp3") + " " + mode(file) + " " +
                      std::to_string(readFile(file).find("newer_and_longer") != std::string::npos),
                  "temporary old, folder new, mine .tmp, mine .tmp2, mine .tmp5, mine .tmp9, "
                  "mine .stapelix-save-, directory of 1 600 1");
        flushes.clear();
    }
    // Each file, its blocked twin and the player's six: no temporary file left.
    EXPECT_EQ(entries(dir.path), 16);
}

// A new file is made only where nothing is under its name: nothing there is opened or emptied,
// nor is the target of a dangling link made.
TEST_F(Store, ANewFileIsMadeOnlyWhereNothingIsUnderItsName) {
    writeFile(dir.file("taken"), "mine");
    fs::create_directory(dir.file("folder"));
    fs::create_symlink("missing", dir.file("dangling"));
    std::string outcomes;
    for (const char* name : {"free", "taken", "folder", "dangling"}) {
        errno = 0;
        std::FILE* file = createNewFile(dir.file(name).c_str());
        outcomes += std::string(name) + ": " + (file ? "made" : std::strerror(errno)) + "; ";
        if (file) std::fclose(file);
    }
    EXPECT_EQ(outcomes,
              "free: made; taken: File exists; folder: File exists; dangling: File exists; ");
    EXPECT_EQ(readFile(dir.file("taken")) + " " + std::to_string(fs::exists(dir.file("missing"))) +
                  " " + std::to_string(fs::file_size(dir.file("free"))),
              "mine 0 0");
}

// A folder where the player may write the two files but create nothing: the file that is there
// is written in place and flushed; the one that is not is a failure with the system's reason.
TEST_F(Store, WhereNoFileCanBeMadeTheFileIsWrittenInPlace) {
    const fs::path shared = dir.path / "shared";
    const std::string table = (shared / "Highscores.txt").string(),
                      settingsFile = (shared / "Stapelix.ini").string();
    fs::create_directory(shared);
    setList(10, 20, "old:3");
    ASSERT_TRUE(saveTable(table.c_str()));
    oldContent = readFile(table);
    fs::permissions(table, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // The player's: for root, nobody is the player.
    ASSERT_EQ(geteuid() == 0 ? chown(table.c_str(), nobody, nobody) : 0, 0);
    fs::permissions(dir.path, fs::perms(0755));
    fs::permissions(shared, fs::perms(0555));
    setList(10, 20, "new:4");
    const std::string seen = unprivileged([&] {
        watched = fs::canonical(shared);
        savedFile = table;
        const std::string saved = outcome(saveTable(table.c_str()), dir.path);
        watched.clear();
        return saved + "; " + flushes + outcome(saveIni(settingsFile.c_str()), dir.path);
    });
    fs::permissions(shared, fs::perms(0755));
    EXPECT_EQ(seen, "saved; target new, shared: Permission denied");
    EXPECT_EQ(readFile(table) + " " + mode(table) + " " + std::to_string(entries(shared)),
              "Field: 10 20\nName\tScore\n\nnew\t4 640 1");
}

// A file this account may not write is never replaced, whatever the folder allows and the mode
// bits say: its own with the owner's write bit off but the group's on; another account's. One
// it may write but that belongs to another account is written in place and stays that account's.
TEST_F(Store, AFileThisAccountMayNotWriteIsNeverReplacedNorAnotherAccountsMadeItsOwn) {
    const fs::path open = dir.path / "open";
    const std::string table = (open / "Highscores.txt").string(),
                      settingsFile = (open / "Stapelix.ini").string();
    fs::create_directory(open);
    fs::permissions(dir.path, fs::perms(0755));
    fs::permissions(open, fs::perms::all);
    setList(10, 20, "old:7");
    ASSERT_TRUE(saveTable(table.c_str()));
    oldContent = readFile(table);
    fs::permissions(table, fs::perms(0464));
    ASSERT_EQ(geteuid() == 0 ? chown(table.c_str(), nobody, nobody) : 0, 0);  // the player's
    setList(10, 20, "new:8");
    EXPECT_EQ(unprivileged([&] { return outcome(saveTable(table.c_str()), dir.path); }),
              "open: Permission denied");
    EXPECT_EQ(readFile(table) + " " + mode(table) + " " + std::to_string(entries(open)),
              oldContent + " 464 1");

    if (geteuid() != 0) GTEST_SKIP() << "making a file of another account takes root";
    ASSERT_EQ(chown(table.c_str(), 0, 0), 0);
    fs::permissions(table, fs::perms(0644));
    // As nobody: root's table refused with the system's reason; the settings, a new file, saved.
    EXPECT_EQ(unprivileged([&] {
                  return outcome(saveTable(table.c_str()), dir.path) + "; " +
                         outcome(saveIni(settingsFile.c_str()), dir.path);
              }),
              "open: Permission denied; saved");
    EXPECT_EQ(readFile(table) + " " + std::to_string(statusOf(table).st_uid) + " " + mode(table) +
                  " " + std::to_string(entries(open)),
              oldContent + " 0 644 2");
    // As root, whom the system lets write it: nobody's file, written in place and flushed.
    fs::permissions(settingsFile, fs::perms(0640));
    watched = fs::canonical(open);
    savedFile = settingsFile;
    oldContent = readFile(settingsFile);
    setList(10, 20, "root:9");
    EXPECT_EQ(outcome(saveIni(settingsFile.c_str()), dir.path), "saved");
    watched.clear();
    EXPECT_EQ(flushes + std::to_string(statusOf(settingsFile).st_uid) + " " +
                  std::to_string(statusOf(settingsFile).st_gid) + " " + mode(settingsFile) + " " +
                  std::to_string(entries(open)) + " " +
                  std::to_string(readFile(settingsFile).find("Name = root") != std::string::npos),
              "target new, 65534 65534 640 2 1");
    flushes.clear();
}

// A run saves at every game over: no save or read may leave a file or folder open behind it.
TEST_F(Store, SavesAndReadsLeaveNothingOpen) {
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    const rlimit few{32, saved.rlim_max};
    setList(10, 20, "a:1");
    std::string failures;
    setrlimit(RLIMIT_NOFILE, &few);
    for (int round = 0; round < 3 * int(few.rlim_cur) && failures.empty(); ++round) {
        if (!saveTable(path.c_str())) failures += "save " + std::to_string(round) + ": " + failure.reason;
        if (!loadTable(path)) failures += "read " + std::to_string(round) + ": " + std::strerror(readError);
    }
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(failures, "");
}

// The player hears of a file that could not be read at start-up, which is then
// never written; and of each file that could not be saved, once per run.
TEST_F(Store, ThePlayerHearsOfEveryFileThatCouldNotBeReadOrSavedOnce) {
    setList(10, 20, "a:1");  // a link to itself does not open; a directory does not read
    for (const auto& [file, other, reason] :
         {std::tuple{path, ini, "Too many levels of symbolic links"},
          {ini, path, "Is a directory"}}) {
        fs::remove_all(file);
        fs::remove_all(other);
        writeFile(other, "");
        file == path ? fs::create_symlink("Highscores.txt", file)
                     : void(fs::create_directory(file));
        const std::string before = describe(file);
        SavedFiles files = savedFiles;
        files.settings.name = ini.c_str();
        files.highscores.name = path.c_str();
        EXPECT_EQ(loadSavedFiles(files), file + " could not be read (" + reason +
                                             "), so it is left unchanged and this session will "
                                             "not be saved to it.");
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
