// What one frame costs: the message loop's frame (PeekMessageA on an empty
// queue, runFrameLogic, drawScene, the buffer swap) on a real GL context made
// by GlWindow::createWindow, on SDL's offscreen driver unless SDL_VIDEODRIVER
// names another. A glFinish between the drawing and the swap keeps the
// rasteriser's work out of both and shows it on its own. Three scenes: a
// 30 x 30 field with every cell taken, a 10 x 20 field in play and the main
// menu. Each frame starts from the scene's saved state (restored untimed), so
// every frame draws the same picture; the game runs, so its ticks fall due at
// their own pace (every 30 ms) and show in the upper quantiles.
//
// Per frame: wall-clock microseconds of each step (median, and the 90th
// percentile of the whole frame), the process's CPU time over all threads,
// the gl* calls the game makes (counted by the --wrap layer, frame_probe),
// and heap allocations: the game's, the libraries' on the main thread, and
// other threads'. The table is Markdown, ready for bench/README.md. With --dump,
// each scene's frame is also written to DIR/scene-<n>.ppm, as read back from
// the back buffer, so that two builds can be compared pixel for pixel.
//
//   frame_bench [--frames N] [--only TEXT] [--dump DIR]
#include <time.h>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/frame_probe.h"
#include "bench/machine.h"
#include "game/frame_logic.h"
#include "game/game_state.h"
#include "render/scene.h"
#include "store/highscores.h"
#include "store/settings.h"
#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t defaultFrames = 2000;
constexpr uint32_t warmUpFrames = 200;
constexpr int colorBits = 16;  // what the game asks for
constexpr double microsecondsPerSecond = 1e6;
constexpr uint32_t pieceColorCount = 7;
constexpr uint8_t firstPieceColor = 9;
constexpr uint32_t scenePieceType = 4;  // T
constexpr uint32_t sceneSeed = 10;

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "frame_bench: %s\n", message.c_str());
    std::exit(1);
}

double seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string firstLineOf(const char* file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The game state a scene starts every frame from.
struct SceneState {
    GameState game;
    Playfield field;
    Settings fieldSettings;
    HighscoreEntry list[slotsPerList];
    uint32_t slot;
    LoopState loop;
};

struct Scene {
    const char* name;
    SceneState state;
};

SceneState saveState(const LoopState& loop) {
    SceneState state;
    state.game = gameState;
    state.field = playfield;
    state.fieldSettings = settings;
    std::memcpy(state.list, currentList(), sizeof(state.list));
    state.slot = playerSlot;
    state.loop = loop;
    return state;
}

// The tick timer keeps running across frames; everything else is put back.
void restoreState(const SceneState& state, LoopState& loop) {
    gameState = state.game;
    playfield = state.field;
    settings = state.fieldSettings;
    std::memcpy(currentList(), state.list, sizeof(state.list));
    playerSlot = state.slot;
    const TickTimer timer = loop.tickTimer;
    loop = state.loop;
    loop.tickTimer = timer;
}

// A new game on a field of the given size, with the head-up lines filled.
void startGame(uint32_t width, uint32_t height, LoopState& loop) {
    gameState = GameState{};
    settings = Settings{};
    settings.fieldWidth = width;
    settings.fieldHeight = height;
    std::srand(sceneSeed);
    loop = LoopState{};
    initTickTimer(loop.tickTimer);
    newGame();
    std::strcpy(playerName(), "Player");
    loop.nameLength = static_cast<uint32_t>(std::strlen(playerName()));
    makePiece(gameState.nextPiece, scenePieceType);
    gameState.level = 12;
    gameState.linesCleared = 45;
    playerScore() = 1234;
}

uint8_t patternColor(uint32_t row, uint32_t column) {
    return static_cast<uint8_t>(firstPieceColor + (row + column) % pieceColorCount);
}

// Every cell taken: the falling piece sits in the top rows, the rest is
// filled around it.
Scene fullField(LoopState& loop) {
    startGame(maxFieldSize, maxFieldSize, loop);
    for (uint32_t row = 0; row < maxFieldSize; ++row) {
        for (uint32_t column = 0; column < maxFieldSize; ++column) {
            uint8_t& cell = playfield.cells[row * gridSize + column];
            if (cell == 0) cell = patternColor(row, column);
        }
    }
    return {"30 x 30 field, all 900 cells", saveState(loop)};
}

// A game in play: eight rows of rubble, one gap in each, and the falling
// piece at the top.
Scene playedField(LoopState& loop) {
    constexpr uint32_t width = 10, height = 20, rubbleRows = 8, gapStep = 3;
    startGame(width, height, loop);
    for (uint32_t row = 0; row < rubbleRows; ++row) {
        for (uint32_t column = 0; column < width; ++column) {
            if (column != row * gapStep % width)
                playfield.cells[row * gridSize + column] = patternColor(row, column);
        }
    }
    return {"10 x 20 field in play", saveState(loop)};
}

// The main menu over a game that can be resumed: four lines and the cursor.
Scene mainMenu(LoopState& loop) {
    startGame(10, 20, loop);
    gameState.gameClock = 1230;
    gameState.menuVisible = true;
    gameState.gameRunning = false;
    gameState.menuCursor = resumeLine;
    return {"main menu", saveState(loop)};
}

uint32_t cellsDrawn(const SceneState& state) {
    if (state.game.menuVisible) return 0;
    uint32_t count = 0;
    for (uint32_t row = 0; row < state.fieldSettings.fieldHeight; ++row) {
        for (uint32_t column = 0; column < state.fieldSettings.fieldWidth; ++column) {
            if (state.field.cells[row * gridSize + column] != 0) ++count;
        }
    }
    return count;
}

// The steps of a frame, in the loop's order; the table's columns.
enum Step { peekStep, logicStep, drawStep, finishStep, swapStep, stepCount };

struct Measurement {
    std::vector<double> steps[stepCount];  // microseconds, one entry per frame
    std::vector<double> frame;
    std::vector<double> processCpu;
    uint64_t glCalls = 0;
    uint64_t calls[probe::functionCount] = {};
    uint64_t ownAllocations = 0;
    uint64_t libraryAllocations = 0;
    uint64_t threadAllocations = 0;
    uint32_t messages = 0;
};

// Every pending message goes to the window procedure, as in the game's loop.
void takeMessages(Measurement* measurement) {
    MSG message = {};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) fail("the window was closed");
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (measurement != nullptr) ++measurement->messages;
    }
}

// One frame as the message loop runs it, with glFinish before the swap;
// records into `measurement` when one is given.
void runFrame(const SceneState& state, LoopState& loop, Measurement* measurement) {
    restoreState(state, loop);
    double at[stepCount + 1];
    const probe::Counts before = probe::counts();
    const double cpuBefore = seconds(CLOCK_PROCESS_CPUTIME_ID);
    at[peekStep] = seconds(CLOCK_MONOTONIC);
    takeMessages(measurement);
    at[logicStep] = seconds(CLOCK_MONOTONIC);
    runFrameLogic(loop);
    at[drawStep] = seconds(CLOCK_MONOTONIC);
    drawScene();
    at[finishStep] = seconds(CLOCK_MONOTONIC);
    const probe::Counts drawn = probe::counts();
    glFinish();
    at[swapStep] = seconds(CLOCK_MONOTONIC);
    glWindow.swapBuffers();
    at[stepCount] = seconds(CLOCK_MONOTONIC);
    const double cpuAfter = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const probe::Counts after = probe::counts();
    if (measurement == nullptr) return;

    for (int step = 0; step < stepCount; ++step)
        measurement->steps[step].push_back((at[step + 1] - at[step]) * microsecondsPerSecond);
    measurement->frame.push_back((at[stepCount] - at[peekStep]) * microsecondsPerSecond);
    measurement->processCpu.push_back((cpuAfter - cpuBefore) * microsecondsPerSecond);
    // The game's calls only: glFinish is the benchmark's.
    measurement->glCalls += probe::glCallsBetween(before, drawn);
    for (int function = 0; function < probe::functionCount; ++function) {
        if (function != probe::glFinish)
            measurement->calls[function] += after.calls[function] - before.calls[function];
    }
    measurement->ownAllocations += after.ownAllocations - before.ownAllocations;
    measurement->libraryAllocations += after.libraryAllocations - before.libraryAllocations;
    measurement->threadAllocations += after.threadAllocations - before.threadAllocations;
}

double quantile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

Measurement measure(const Scene& scene, LoopState& loop, uint32_t frames) {
    Measurement measurement;
    for (std::vector<double>& step : measurement.steps) step.reserve(frames);
    measurement.frame.reserve(frames);
    measurement.processCpu.reserve(frames);
    for (uint32_t frame = 0; frame < warmUpFrames; ++frame) runFrame(scene.state, loop, nullptr);
    for (uint32_t frame = 0; frame < frames; ++frame) runFrame(scene.state, loop, &measurement);
    return measurement;
}

// The back buffer as a binary PPM, top row first.
void dumpFrame(const fs::path& file) {
    std::vector<unsigned char> pixels(size_t(virtualScreenWidth) * virtualScreenHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, virtualScreenWidth, virtualScreenHeight, GL_RGB, GL_UNSIGNED_BYTE,
                 pixels.data());
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << virtualScreenWidth << ' ' << virtualScreenHeight << "\n255\n";
    const size_t rowBytes = size_t(virtualScreenWidth) * 3;
    for (int row = virtualScreenHeight - 1; row >= 0; --row)
        out.write(reinterpret_cast<const char*>(&pixels[size_t(row) * rowBytes]),
                  static_cast<std::streamsize>(rowBytes));
    if (!out) fail("cannot write " + file.string());
}

// A working directory of its own with the block texture, as the game finds it.
fs::path makeWorkDirectory() {
    std::string pattern = (fs::temp_directory_path() / "stapelix-frame-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fail("cannot make a temporary directory");
    const fs::path directory = pattern;
    fs::create_directories(directory / "Images");
    fs::copy_file(STAPELIX_SOURCE_DIR "/Images/Block.bmp", directory / "Images/Block.bmp");
    return directory;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t frames = defaultFrames;
    fs::path dumpDirectory;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = static_cast<uint32_t>(std::max(1L, std::strtol(argv[++i], nullptr, 10)));
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc) {
            dumpDirectory = fs::absolute(argv[++i]);
            fs::create_directories(dumpDirectory);
        } else {
            std::fprintf(stderr, "usage: frame_bench [--frames N] [--only TEXT] [--dump DIR]\n");
            return 2;
        }
    }
    probe::markMainThread();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);

    const fs::path startDirectory = fs::current_path();
    const fs::path workDirectory = makeWorkDirectory();
    fs::current_path(workDirectory);
    // Mesa keeps its shader cache there (it does not go by HOME): in ours.
    setenv("XDG_CACHE_HOME", (workDirectory / "cache").c_str(), 1);
    glWindow.addTextureFile("Images\\Block.bmp");
    glWindow.setClassName("StapelixFrameBench");
    if (!glWindow.createWindow("Stapelix frame benchmark", virtualScreenWidth, virtualScreenHeight,
                               colorBits, false)) {
        fail("cannot create the window");
    }
    buildSceneFont();
    glWindow.setProjection(virtualScreenWidth, virtualScreenHeight, 0.0, 0.0);

    std::printf("CPU: %s\n", cpuModel().c_str());
    std::printf("Load average (1, 5, 15 min) at the start: %s\n",
                firstLineOf("/proc/loadavg").substr(0, 14).c_str());
    std::printf("Video driver: %s; GL: %s, %s\n", SDL_GetCurrentVideoDriver(),
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    std::printf(
        "%u frames per scene after %u unmeasured; microseconds are wall-clock medians;\n"
        "CPU is the process's (all threads) per frame; counts are per frame.\n\n",
        frames, warmUpFrames);

    LoopState loop;
    std::vector<Scene> scenes;
    for (const Scene& scene : {fullField(loop), playedField(loop), mainMenu(loop)}) {
        if (std::string(scene.name).find(only) != std::string::npos) scenes.push_back(scene);
    }
    std::vector<Measurement> results;
    for (const Scene& scene : scenes) {
        results.push_back(measure(scene, loop, frames));
        if (dumpDirectory.empty()) continue;
        // The frame as the loop leaves it to the swap, drawn once more.
        restoreState(scene.state, loop);
        runFrameLogic(loop);
        drawScene();
        dumpFrame(dumpDirectory / ("scene-" + std::to_string(results.size()) + ".ppm"));
        glWindow.swapBuffers();
    }

    std::printf(
        "| scene | cells | gl calls | PeekMessageA µs | runFrameLogic µs | drawScene µs "
        "| glFinish µs | swapBuffers µs | frame µs (90th pct.) | CPU µs "
        "| allocations: game / GL+SDL / other threads |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (size_t s = 0; s < results.size(); ++s) {
        const Measurement& m = results[s];
        std::printf("| %s | %u | %.0f |", scenes[s].name, cellsDrawn(scenes[s].state),
                    static_cast<double>(m.glCalls) / frames);
        for (int step = 0; step < stepCount; ++step)
            std::printf(" %.1f |", quantile(m.steps[step], 0.5));
        std::printf(" %.0f (%.0f) | %.0f | %.2f / %.2f / %.2f |\n", quantile(m.frame, 0.5),
                    quantile(m.frame, 0.9), quantile(m.processCpu, 0.5),
                    static_cast<double>(m.ownAllocations) / frames,
                    static_cast<double>(m.libraryAllocations) / frames,
                    static_cast<double>(m.threadAllocations) / frames);
    }

    std::printf("\nCalls per frame, by function (all probed functions the game called):\n");
    for (size_t s = 0; s < results.size(); ++s) {
        std::printf("  %s:", scenes[s].name);
        for (int function = 0; function < probe::functionCount; ++function) {
            const uint64_t count = results[s].calls[function];
            if (count != 0)
                std::printf(" %s %.2f", probe::functionNames[function],
                            static_cast<double>(count) / frames);
        }
        std::printf("\n");
        if (results[s].messages != 0)
            std::printf("  (%u window messages arrived during the measured frames)\n",
                        results[s].messages);
    }

    glWindow.killWindow();
    fs::current_path(startDirectory);
    fs::remove_all(workDirectory);
    return 0;
}
