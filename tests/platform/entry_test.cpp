// The platform's main: WinMain gets the arguments after the program name as
// one command line, and its result becomes the exit code.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct ProbeRun {
    std::string output;
    int exitCode = -1;
};

ProbeRun runProbe(const std::string& arguments) {
    ProbeRun run;
    std::string command = std::string("'") + STAPELIX_ENTRY_PROBE + "' " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[256];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, read);
    int status = pclose(pipe);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace

TEST(EntryTest, MainPassesTheCommandLineAndReturnsWinMainsResult) {
    ProbeRun plain = runProbe("alpha beta");
    EXPECT_EQ(plain.output, "alpha beta");
    EXPECT_EQ(plain.exitCode, 40);
    ProbeRun empty = runProbe("");
    EXPECT_EQ(empty.output, "");
    EXPECT_EQ(empty.exitCode, 40);
}

TEST(EntryTest, TheProgramsFopenTakesWindowsPaths) {
    std::string pattern = (fs::temp_directory_path() / "stapelix-entry-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    fs::path directory = pattern;
    fs::create_directories(directory / "Images");
    std::ofstream(directory / "Images" / "Block.bmp") << "BM";
    std::string windowsPath = directory.string() + "\\Images\\Block.bmp";
    ProbeRun run = runProbe("'" + windowsPath + "'");
    fs::remove_all(directory);
    EXPECT_EQ(run.output, windowsPath);
    EXPECT_EQ(run.exitCode, 42);
}
