// fopen with Windows paths: the game names its files with backslashes
// ("Images\Block.bmp"). The link option --wrap=fopen routes every fopen of the
// program here, and the path goes on with forward slashes.
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
constexpr size_t pathCapacity = 4096;  // PATH_MAX on Linux
}

extern "C" FILE* __real_fopen(const char* path, const char* mode);

extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
    if (path == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    size_t length = std::strlen(path);
    if (length >= pathCapacity) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    char hostPath[pathCapacity];
    for (size_t i = 0; i <= length; ++i) hostPath[i] = path[i] == '\\' ? '/' : path[i];
    return __real_fopen(hostPath, mode);
}
