// One game per folder: the claim on a folder, held until the process ends however it ends,
// and its name for the Windows mutex.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core_test_support.h"
#include "store/folder_guard.h"

namespace {

namespace fs = std::filesystem;

const char* stateName(FolderClaimState state) {
    switch (state) {
    case FolderClaimState::Claimed:
        return "claimed";
    case FolderClaimState::HeldByAnotherGame:
        return "held";
    case FolderClaimState::Unguarded:
        return "unguarded";
    }
    return "?";
}

std::string claim(const fs::path& folder) {
    const FolderClaim made = claimFolder(folder.c_str());
    return stateName(made.state) + (made.reason.empty() ? "" : " (" + made.reason + ")");
}

// A child process that claims `folder` and then waits to be killed: its pid once the claim
// is made.
pid_t claimingChild(const fs::path& folder) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        const rlimit noCore{0, 0};  // a crash leaves no core file outside the temp directory
        setrlimit(RLIMIT_CORE, &noCore);
        const char state =
            claimFolder(folder.c_str()).state == FolderClaimState::Claimed ? 'c' : 'n';
        if (write(channel[1], &state, 1) != 1) _exit(1);
        for (;;) pause();
    }
    char state = 0;
    close(channel[1]);
    const bool told = read(channel[0], &state, 1) == 1;
    close(channel[0]);
    return told && state == 'c' ? child : -1;
}

TEST(FolderGuard, AFolderIsClaimedOnceUntilItsHoldersProcessEndsHoweverItEnds) {
    TempDir dir;
    for (const char* folder : {"a", "b", "c", "d", "e"}) fs::create_directory(dir.path / folder);
    fs::create_directory_symlink("a", dir.path / "link");
    // In one process, each claim opens the folder anew and meets the ones before.
    std::string states;
    for (const char* folder : {"a", "a", "link", "b"}) states += claim(dir.path / folder) + ", ";
    // A game killed, crashed or ended by a signal leaves nothing that stops the next start.
    for (const auto& [signal, folder] : {std::pair{SIGKILL, "c"}, {SIGSEGV, "d"}, {SIGTERM, "e"}}) {
        const pid_t holder = claimingChild(dir.path / folder);
        ASSERT_GT(holder, 0) << "a child could not claim " << folder;
        states += claim(dir.path / folder) + " while held, ";
        kill(holder, signal);
        waitpid(holder, nullptr, 0);
        states += claim(dir.path / folder) + " after ";
        states += strsignal(signal) + std::string("; ");
    }
    states += claim(dir.path / "none");
    EXPECT_EQ(states,
              "claimed, held, held, claimed, held while held, claimed after Killed; held while "
              "held, claimed after Segmentation fault; held while held, claimed after Terminated; "
              "unguarded (No such file or directory)");
}

// The name of the Windows claim: FNV-1a over the path's bytes (the published test values),
// bounded whatever the path, with no backslash, which a mutex name may not hold.
TEST(FolderGuard, TheClaimsNameIsTheFullPathsHash) {
    const std::string longPath = "C:\\" + std::string(5000, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"", "Stapelix folder cbf29ce484222325"},
        {"a", "Stapelix folder af63dc4c8601ec8c"},
        {"foobar", "Stapelix folder 85944171f73967e8"}};
    for (const auto& [path, name] : cases) EXPECT_EQ(folderClaimName(path), name) << path;
    const std::string named = folderClaimName(longPath);
    EXPECT_EQ(named.size(), 32u) << named;
    EXPECT_EQ(named.find('\\'), std::string::npos) << named;
    EXPECT_NE(named, folderClaimName(longPath + "y"));  // the last byte counts too
}

TEST(FolderGuard, ThePlayerHearsOfAnotherGameOrOfAFolderThatCouldNotBeClaimed) {
    const std::pair<FolderClaim, std::string> cases[] = {
        {{FolderClaimState::Claimed, "n", ""}, ""},
        {{FolderClaimState::HeldByAnotherGame, "n", ""},
         "Stapelix is already running in this folder. This second copy ends at once, so that "
         "the two do not write over each other's scores."},
        {{FolderClaimState::Unguarded, "", "No locks available"},
         "Stapelix could not make sure that it runs alone in this folder (No locks available). "
         "Start no second copy here while it runs: the two would write over each other's "
         "scores."}};
    for (const auto& [claimed, notice] : cases) EXPECT_EQ(folderClaimNotice(claimed), notice);
}

}  // namespace
