// flock on the folder itself, on a descriptor that stays open for the run:
// the kernel drops the lock when the process ends, however it ends. Locks on
// the directory's inode, so every path to the folder meets the same lock.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>

#include "store/folder_guard.h"

FolderClaim claimFolder(const char* folder) {
    FolderClaim claim{FolderClaimState::Unguarded, "", ""};
    // Not inherited by a program the game might start.
    const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor == -1) {
        claim.reason = std::strerror(errno);
        return claim;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        claim.state = FolderClaimState::Claimed;  // the descriptor is never closed
        return claim;
    }
    const int error = errno;
    close(descriptor);
    if (error == EWOULDBLOCK) {
        claim.state = FolderClaimState::HeldByAnotherGame;
    } else {
        claim.reason = std::strerror(error);
    }
    return claim;
}
