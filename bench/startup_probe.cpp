// The start-up benchmark's probe, loaded into the unchanged game with
// LD_PRELOAD. It stands in front of the library functions the game calls on
// its way to the first frame (the dynamic linker binds the game's calls to
// the first definition it finds, which is this one), notes when each call
// starts and ends on the realtime clock, and passes it on to the real
// function (dlsym RTLD_NEXT). When the first buffer swap returns it writes
// the phases of the start-up, in microseconds since the exec that
// startup_bench.sh noted in STAPELIX_STARTUP_EXEC, to the file named by
// STAPELIX_STARTUP_PROBE, and ends the process: nothing after the first
// swap is measured. Its own cost is a clock read per call it notes.
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <SDL.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double now() {
    timespec at{};
    clock_gettime(CLOCK_REALTIME, &at);
    return static_cast<double>(at.tv_sec) * 1e6 + static_cast<double>(at.tv_nsec) * 1e-3;
}

// The phases, in the order the game passes them. Each sums the time spent
// inside the calls that belong to it.
enum Phase {
    savedFiles,         // the fopen of "Stapelix.ini" to the fclose of "Highscores.txt"
    videoStart,         // SDL_InitSubSystem: the X connection, SDL's video set-up
    windowCreation,     // SDL_CreateWindow: the window, SDL loading libGL and GLX
    contextCreation,    // SDL_GL_CreateContext, SDL_GL_MakeCurrent: Mesa's driver
    windowShowing,      // SDL_ShowWindow, SDL_RaiseWindow: mapping the window
    textureLoading,     // glGenTextures to glTexImage2D: Block.bmp read, decoded, uploaded
    fontMatching,       // FcConfigSubstitute, FcDefaultSubstitute, FcFontMatch
    fontOpening,        // FT_Init_FreeType, FT_New_Face, FT_Set_Pixel_Sizes
    glyphRendering,     // FT_Load_Glyph, FT_GlyphSlot_Embolden, FT_Render_Glyph
    glyphLists,         // the display lists: glPushClientAttrib to glPopClientAttrib
                        // less the glyph rendering inside it
    firstFrameDrawing,  // the first glClear to the first swap
    firstSwap,          // SDL_GL_SwapWindow
    phaseCount
};

const char* const phaseNames[phaseCount] = {
    "settings and highscores read",
    "SDL video started",
    "window created",
    "GL context created",
    "window shown",
    "block texture loaded",
    "fontconfig match",
    "FreeType face open",
    "224 glyphs rendered (FreeType)",
    "224 glyph lists compiled (GL)",
    "first frame drawn",
    "first swap",
};

double spent[phaseCount];
double probeLoaded;
double mainReached;  // the first call noted: the game's own code runs
double savedFilesStart;
double textureStart;
double listsStarted;
double glyphTimeAtListsStart;
double firstClear;
FILE* savedFileHandles[2];

// Sums the time of one call into a phase.
struct Timed {
    explicit Timed(Phase counted) : phase(counted), start(now()) {
        if (mainReached == 0) mainReached = start;
    }
    ~Timed() { spent[phase] += now() - start; }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;
    Phase phase;
    double start;
};

template <typename Function>
Function real(const char* name) {
    void* found = dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "startup_probe: no %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

bool endsWith(const char* text, const char* tail) {
    const size_t length = std::strlen(text), tailLength = std::strlen(tail);
    return length >= tailLength && std::strcmp(text + length - tailLength, tail) == 0;
}

[[noreturn]] void report(double swapped) {
    const char* execAt = std::getenv("STAPELIX_STARTUP_EXEC");
    const char* output = std::getenv("STAPELIX_STARTUP_PROBE");
    if (execAt == nullptr || output == nullptr) _exit(3);
    // EPOCHREALTIME: seconds with a fraction, as bash prints it.
    const double exec = std::strtod(execAt, nullptr) * 1e6;
    FILE* out = std::fopen(output, "w");
    if (out == nullptr) _exit(4);
    double counted = 0;
    std::fprintf(out, "%.0f\ttotal: exec to the first swap\n", swapped - exec);
    std::fprintf(out, "%.0f\tprogram loaded (exec to the probe)\n", probeLoaded - exec);
    std::fprintf(out, "%.0f\tconstructors and main to the first file\n", mainReached - probeLoaded);
    counted += mainReached - exec;
    for (int phase = 0; phase < phaseCount; ++phase) {
        std::fprintf(out, "%.0f\t%s\n", spent[phase], phaseNames[phase]);
        counted += spent[phase];
    }
    std::fprintf(out, "%.0f\tthe rest\n", swapped - exec - counted);
    std::fclose(out);
    _exit(0);
}

__attribute__((constructor)) void probeStart() {
    probeLoaded = now();
}

}  // namespace

extern "C" {

// The settings and the highscores are read between these two: the phase runs
// from the first fopen of either to the last fclose (or failed fopen).
FILE* fopen(const char* path, const char* mode) {
    static const auto next = real<FILE* (*)(const char*, const char*)>("fopen");
    if (path == nullptr) return next(path, mode);
    const bool ini = endsWith(path, "Stapelix.ini"), scores = endsWith(path, "Highscores.txt");
    if (!ini && !scores) return next(path, mode);
    const double start = now();
    if (mainReached == 0) mainReached = start;
    if (savedFilesStart == 0) savedFilesStart = start;
    FILE* file = next(path, mode);
    savedFileHandles[ini ? 0 : 1] = file;
    if (file == nullptr) spent[savedFiles] = now() - savedFilesStart;
    return file;
}

int fclose(FILE* file) {
    static const auto next = real<int (*)(FILE*)>("fclose");
    if (file == nullptr || (file != savedFileHandles[0] && file != savedFileHandles[1]))
        return next(file);
    // The handle is free once closed; a later FILE at the same address is not ours.
    savedFileHandles[file == savedFileHandles[0] ? 0 : 1] = nullptr;
    const int result = next(file);
    spent[savedFiles] = now() - savedFilesStart;
    return result;
}

int SDL_InitSubSystem(Uint32 flags) {
    static const auto next = real<int (*)(Uint32)>("SDL_InitSubSystem");
    const Timed timed(videoStart);
    return next(flags);
}

SDL_Window* SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
    static const auto next =
        real<SDL_Window* (*)(const char*, int, int, int, int, Uint32)>("SDL_CreateWindow");
    const Timed timed(windowCreation);
    return next(title, x, y, w, h, flags);
}

SDL_GLContext SDL_GL_CreateContext(SDL_Window* window) {
    static const auto next = real<SDL_GLContext (*)(SDL_Window*)>("SDL_GL_CreateContext");
    const Timed timed(contextCreation);
    return next(window);
}

int SDL_GL_MakeCurrent(SDL_Window* window, SDL_GLContext context) {
    static const auto next = real<int (*)(SDL_Window*, SDL_GLContext)>("SDL_GL_MakeCurrent");
    const Timed timed(contextCreation);
    return next(window, context);
}

void SDL_ShowWindow(SDL_Window* window) {
    static const auto next = real<void (*)(SDL_Window*)>("SDL_ShowWindow");
    const Timed timed(windowShowing);
    next(window);
}

void SDL_RaiseWindow(SDL_Window* window) {
    static const auto next = real<void (*)(SDL_Window*)>("SDL_RaiseWindow");
    const Timed timed(windowShowing);
    next(window);
}

void SDL_GL_SwapWindow(SDL_Window* window) {
    static const auto next = real<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
    const double start = now();
    spent[firstFrameDrawing] += start - firstClear;
    next(window);
    const double swapped = now();
    spent[firstSwap] += swapped - start;
    report(swapped);
}

void glGenTextures(GLsizei n, GLuint* textures) {
    static const auto next = real<void (*)(GLsizei, GLuint*)>("glGenTextures");
    textureStart = now();
    next(n, textures);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    static const auto next = real<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum,
                                           GLenum, const GLvoid*)>("glTexImage2D");
    next(target, level, internalFormat, width, height, border, format, type, pixels);
    spent[textureLoading] += now() - textureStart;
}

void glPushClientAttrib(GLbitfield mask) {
    static const auto next = real<void (*)(GLbitfield)>("glPushClientAttrib");
    listsStarted = now();
    glyphTimeAtListsStart = spent[glyphRendering];
    next(mask);
}

void glPopClientAttrib() {
    static const auto next = real<void (*)()>("glPopClientAttrib");
    next();
    spent[glyphLists] += now() - listsStarted - (spent[glyphRendering] - glyphTimeAtListsStart);
}

void glClear(GLbitfield mask) {
    static const auto next = real<void (*)(GLbitfield)>("glClear");
    if (firstClear == 0) firstClear = now();
    next(mask);
}

FcBool FcConfigSubstitute(FcConfig* config, FcPattern* pattern, FcMatchKind kind) {
    static const auto next =
        real<FcBool (*)(FcConfig*, FcPattern*, FcMatchKind)>("FcConfigSubstitute");
    const Timed timed(fontMatching);
    return next(config, pattern, kind);
}

void FcDefaultSubstitute(FcPattern* pattern) {
    static const auto next = real<void (*)(FcPattern*)>("FcDefaultSubstitute");
    const Timed timed(fontMatching);
    next(pattern);
}

FcPattern* FcFontMatch(FcConfig* config, FcPattern* pattern, FcResult* result) {
    static const auto next = real<FcPattern* (*)(FcConfig*, FcPattern*, FcResult*)>("FcFontMatch");
    const Timed timed(fontMatching);
    return next(config, pattern, result);
}

FT_Error FT_Init_FreeType(FT_Library* library) {
    static const auto next = real<FT_Error (*)(FT_Library*)>("FT_Init_FreeType");
    const Timed timed(fontOpening);
    return next(library);
}

FT_Error FT_New_Face(FT_Library library, const char* path, FT_Long index, FT_Face* face) {
    static const auto next =
        real<FT_Error (*)(FT_Library, const char*, FT_Long, FT_Face*)>("FT_New_Face");
    const Timed timed(fontOpening);
    return next(library, path, index, face);
}

FT_Error FT_Set_Pixel_Sizes(FT_Face face, FT_UInt width, FT_UInt height) {
    static const auto next = real<FT_Error (*)(FT_Face, FT_UInt, FT_UInt)>("FT_Set_Pixel_Sizes");
    const Timed timed(fontOpening);
    return next(face, width, height);
}

FT_Error FT_Load_Glyph(FT_Face face, FT_UInt index, FT_Int32 flags) {
    static const auto next = real<FT_Error (*)(FT_Face, FT_UInt, FT_Int32)>("FT_Load_Glyph");
    const Timed timed(glyphRendering);
    return next(face, index, flags);
}

void FT_GlyphSlot_Embolden(FT_GlyphSlot slot) {
    static const auto next = real<void (*)(FT_GlyphSlot)>("FT_GlyphSlot_Embolden");
    const Timed timed(glyphRendering);
    next(slot);
}

FT_Error FT_Render_Glyph(FT_GlyphSlot slot, FT_Render_Mode mode) {
    static const auto next = real<FT_Error (*)(FT_GlyphSlot, FT_Render_Mode)>("FT_Render_Glyph");
    const Timed timed(glyphRendering);
    return next(slot, mode);
}
}
