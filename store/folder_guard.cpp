// The claim's name and the player's words; the claim itself is per system.
#include "store/folder_guard.h"

#include <cstdint>

namespace {

// FNV-1a, 64 bits: every byte of the path changes the name.
constexpr uint64_t fnvOffsetBasis = 0xcbf29ce484222325u;
constexpr uint64_t fnvPrime = 0x100000001b3u;
constexpr int hexDigits = 16;
constexpr int bitsPerHexDigit = 4;
constexpr const char* hexDigitText = "0123456789abcdef";

}  // namespace

std::string folderClaimName(const std::string& fullPath) {
    uint64_t hash = fnvOffsetBasis;
    for (const char byte : fullPath) {
        hash ^= uint8_t(byte);
        hash *= fnvPrime;
    }
    std::string name = "Stapelix folder ";
    for (int digit = hexDigits - 1; digit >= 0; --digit) {
        name += hexDigitText[(hash >> (digit * bitsPerHexDigit)) & 0xf];
    }
    return name;
}

std::string folderClaimNotice(const FolderClaim& claim) {
    switch (claim.state) {
    case FolderClaimState::HeldByAnotherGame:
        return "Stapelix is already running in this folder. This second copy ends at once, so "
               "that the two do not write over each other's scores.";
    case FolderClaimState::Unguarded:
        return "Stapelix could not make sure that it runs alone in this folder (" + claim.reason +
               "). Start no second copy here while it runs: the two would write over each "
               "other's scores.";
    case FolderClaimState::Claimed:
        break;
    }
    return "";
}
