// A save pushes the new file to the disk before it replaces the old one, and
// then the directory that holds it. This program stands in for fsync (the C
// library's is found after the program's own) to see what is flushed when.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core_test_support.h"
#include "store/settings.h"

namespace {
// The directory of the save watched, its file, and each flush in it: what was
// flushed, and whether the file still held its old content then.
std::string watched, savedFile;
std::vector<std::string> flushes;
}  // namespace

extern "C" int fsync(int descriptor) {
    char target[4096] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    if (!watched.empty() && readlink(link.c_str(), target, sizeof target - 1) > 0) {
        const std::string path = target;
        const std::string state = readFile(savedFile) == "old" ? " (file old)" : " (file new)";
        if (path == watched) flushes.push_back("directory" + state);
        if (path.rfind(watched + "/", 0) == 0)
            flushes.push_back(path.substr(watched.size() + 1) + state);
    }
    return int(syscall(SYS_fsync, descriptor));
}

namespace {

TEST(DiskFlush, TheTemporaryFileBeforeTheRenameAndTheDirectoryAfter) {
    const std::pair<void (*)(const char*), const char*> saves[] = {
        {saveHighscores, "Highscores.txt"}, {saveSettings, "Stapelix.ini"}};
    for (const auto& [save, name] : saves) {
        resetCore();
        TempDir dir;
        watched = std::filesystem::canonical(dir.path).string();
        savedFile = dir.file(name);
        flushes.clear();
        writeFile(savedFile, "old");
        save(savedFile.c_str());
        watched.clear();
        const std::vector<std::string> expected = {std::string(name) + ".tmp (file old)",
                                                   "directory (file new)"};
        EXPECT_EQ(flushes, expected) << name;
    }
}

}  // namespace
