// A real window and GL context for the rendering tests, made once per test
// program through GlWindow::createWindow, in a fresh temporary working
// directory that holds Images/Block.bmp. Frames are read back from the back
// buffer, one byte per channel, row 0 at the bottom as on the virtual screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
// The window is made with 16 colour bits: channel values may be off by the
// quantisation of a 5- or 6-bit channel.
constexpr int colorTolerance = 9;

struct Rgb {
    int r;
    int g;
    int b;
};

struct Box {
    int minX;
    int minY;
    int maxX;  // inclusive
    int maxY;  // inclusive
    int count;
};

class Frame {
public:
    // Reads the whole back buffer.
    static Frame capture();
    Rgb at(int x, int y) const;
    // The bounding box of the pixels in [x0, x1] x [y0, y1] (inclusive) that
    // satisfy the test; count 0 when none does.
    Box find(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& test) const;
    bool sameRegion(const Frame& other, int x0, int y0, int x1, int y1) const;

private:
    std::vector<uint8_t> pixels;
};

bool isWhite(Rgb c);
bool isRed(Rgb c);    // any red-only shade, text or tinted block
bool isLit(Rgb c);    // not black
bool near(Rgb c, Rgb expected);

// The temporary working directory the window was made in.
const std::string& workDirectory();

// Restores the state the game has after start-up with the given field size,
// the menu hidden, the playfield and the preview empty, the name "ABC".
void resetGame(uint32_t width, uint32_t height);
