// The process entry: hands the command line to WinMain as Windows would and
// shuts the platform layer down after it returns.
#include <cstring>

#include "platform/handles.h"

namespace {

constexpr size_t commandLineCapacity = 32768;  // Windows' own limit
char commandLine[commandLineCapacity];

// WinMain gets the arguments after the program name, separated by blanks.
void joinArguments(int argc, char** argv) {
    size_t length = 0;
    for (int i = 1; i < argc; ++i) {
        size_t argumentLength = std::strlen(argv[i]);
        size_t separator = length > 0 ? 1 : 0;
        if (length + separator + argumentLength >= commandLineCapacity) break;
        if (separator) commandLine[length++] = ' ';
        std::memcpy(commandLine + length, argv[i], argumentLength);
        length += argumentLength;
    }
    commandLine[length] = '\0';
}

}  // namespace

int main(int argc, char** argv) {
    joinArguments(argc, argv);
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOW);
    stopHost();
    return result;
}
