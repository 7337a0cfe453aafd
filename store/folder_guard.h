// One game per folder. Two games in one folder each keep their own table, and
// the last to save writes over the other's scores. So a game claims its
// working folder before it reads or writes a file there and holds the claim
// until it ends; the system drops it however the process ends, so a crash
// leaves nothing that stops the next start. A lock on the folder (POSIX) or a
// named mutex keyed by the folder's full path (Windows): one source file per
// system.
#pragma once

#include <string>

enum class FolderClaimState { Claimed, HeldByAnotherGame, Unguarded };

struct FolderClaim {
    FolderClaimState state;
    std::string name;    // Windows: the mutex's name, which marks the game's window too
    std::string reason;  // Unguarded: the system's words for why no claim could be made
};

// Claims `folder` for this process until it ends. Unguarded when the system
// would not say whether another game holds it: the game then runs unguarded.
FolderClaim claimFolder(const char* folder);
// The claim's name for a folder's full path, as the system spells it (case
// folded where names ignore case): "Stapelix folder " and the path's 64-bit
// FNV-1a hash in 16 hex digits. Any path fits: the name is short enough for a
// mutex and a window property, and holds no backslash.
std::string folderClaimName(const std::string& fullPath);
// What the player is told of the claim: that another game runs in the folder,
// or that none could be made and why; nothing for a claim made.
std::string folderClaimNotice(const FolderClaim& claim);
