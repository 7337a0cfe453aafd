// The scene: the game view or the menu view over the 640 x 480 virtual
// screen (origin bottom left, y up), in immediate mode. Filled shapes are
// wound counter-clockwise on screen, since back faces are culled.
#include "render/scene.h"

#include <cstdint>

#include "game/game_state.h"
#include "store/highscores.h"
#include "store/settings.h"
#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace {

constexpr float cellSize = 16.0f;
constexpr float halfCell = cellSize / 2.0f;
constexpr float fieldCentreX = 312.0f;  // the field is laid out around this point
constexpr float fieldCentreY = 248.0f;
constexpr float previewColumn = 3.5f;   // preview reference block, cells right of the field's centre line
constexpr float previewLeft = 2.0f;     // preview frame sides, cells right of the field's half width
constexpr float previewRight = 5.0f;
constexpr float previewHeight = 64.0f;  // four cells
constexpr float hudFirstLine = 5.0f;    // head-up lines, cells below the field frame's top row centre
constexpr float menuLeft = 280.0f;
constexpr float menuTop = 282.0f;       // baseline of menu line 0
constexpr float menuLineStep = 18.0f;
// The submenu's lines sit where the main menu's "New Game" and "Settings" do.
constexpr uint32_t submenuFirstRow = newGameLine;
constexpr float cursorWidth = 5.0f;
constexpr float cursorHalfHeight = 5.0f;
constexpr uint32_t blockTexture = 0;
constexpr uint32_t textFont = 0;  // the font buildSceneFont makes
constexpr const char* textTypeface = "Arial";
constexpr int32_t textHeight = -12;  // a GDI height: 12 pixels without internal leading

struct CellColor {
    float red;
    float green;
    float blue;
};

// One colour per cell code 0..15; the pieces use 9..15.
constexpr CellColor cellColors[] = {
    {0.0f, 0.0f, 0.0f},    {0.5f, 0.0f, 0.0f},   {0.0f, 0.5f, 0.0f},   {0.5f, 0.5f, 0.0f},
    {0.0f, 0.0f, 0.5f},    {0.5f, 0.0f, 0.5f},   {0.0f, 0.5f, 0.5f},   {0.5f, 0.5f, 0.5f},
    {0.75f, 0.75f, 0.75f}, {1.0f, 0.0f, 0.0f},   {0.0f, 1.0f, 0.0f},   {1.0f, 1.0f, 0.0f},
    {0.0f, 0.0f, 1.0f},    {1.0f, 0.0f, 1.0f},   {0.0f, 1.0f, 1.0f},   {1.0f, 1.0f, 1.0f},
};
constexpr uint32_t cellColorCount = sizeof(cellColors) / sizeof(cellColors[0]);

// Codes outside the table (never written by the game) draw black.
void setCellColor(int64_t code) {
    const CellColor& color = code >= 0 && code < cellColorCount ? cellColors[code] : cellColors[0];
    glColor3f(color.red, color.green, color.blue);
}

void setWhite() { glColor3f(1.0f, 1.0f, 1.0f); }

void setRed() { glColor3f(1.0f, 0.0f, 0.0f); }

// A block's corners, each after its texture coordinate, which puts the
// texture upright on it: counter-clockwise on screen from the top right, the
// order of a quad. A strip takes them as top right, top left, bottom right,
// bottom left, so that its first triangle is wound the same way.
struct BlockCorner {
    float s, t, x, y;
};
constexpr BlockCorner blockCorners[] = {{1.0f, 1.0f, halfCell, halfCell},
                                        {0.0f, 1.0f, -halfCell, halfCell},
                                        {0.0f, 0.0f, -halfCell, -halfCell},
                                        {1.0f, 0.0f, halfCell, -halfCell}};
constexpr int quadOrder[] = {0, 1, 2, 3};
constexpr int stripOrder[] = {0, 1, 3, 2};

// The block around the origin of the current matrix, inside glBegin.
void blockVertices(const int (&order)[4]) {
    for (int corner : order) {
        glTexCoord2f(blockCorners[corner].s, blockCorners[corner].t);
        glVertex2f(blockCorners[corner].x, blockCorners[corner].y);
    }
}

void drawCells(uint32_t width, uint32_t height) {
    const float halfWidth = float(width) / 2.0f;
    const float halfHeight = float(height) / 2.0f;
    for (uint32_t row = 0; row < height; ++row) {
        for (uint32_t column = 0; column < width; ++column) {
            const uint8_t code = playfield.cells[row * gridSize + column];
            if (code == 0) continue;
            glLoadIdentity();
            glTranslatef(fieldCentreX + cellSize * (float(column) - halfWidth),
                         fieldCentreY + cellSize * (float(row) - halfHeight), 0.0f);
            glBegin(GL_QUADS);
            // Set inside the quad, the colour travels with its four vertices.
            // Set before glBegin it would change the current colour between
            // two draws, which Mesa turns into a vertex-state change per cell
            // costing several times the quad itself. The pixels are the same.
            setCellColor(code);
            blockVertices(quadOrder);
            glEnd();
        }
    }
}

// The next piece in a box right of the field, its reference block in the
// box's middle column and top row; the colour may be any code, 0 included.
void drawPreview(uint32_t width, uint32_t height) {
    const Piece& piece = gameState.nextPiece;
    const float referenceX = fieldCentreX + cellSize * (float(width) / 2.0f + previewColumn);
    const float referenceY = fieldCentreY + cellSize * ((float(height) - 1.0f) / 2.0f - 0.5f);
    setCellColor(piece.color);
    for (int block = 0; block < blocksPerPiece; ++block) {
        glLoadIdentity();
        glTranslatef(referenceX + cellSize * float(piece.cells[block].x),
                     referenceY + cellSize * float(piece.cells[block].y), 0.0f);
        glBegin(GL_TRIANGLE_STRIP);
        blockVertices(stripOrder);
        glEnd();
    }
}

// Untextured white lines around the cells and around the preview, and the
// four head-up lines below the preview: name, level, lines, score.
void drawFramesAndText(uint32_t width, uint32_t height) {
    const float halfRows = (float(height) - 1.0f) / 2.0f;
    const float top = fieldCentreY + cellSize * halfRows;
    const float bottom = fieldCentreY - cellSize * (halfRows + 1.0f);
    const float halfWidth = float(width) / 2.0f;
    const float left = fieldCentreX - cellSize * (halfWidth + 0.5f);
    const float right = fieldCentreX + cellSize * (halfWidth - 0.5f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(right, top);
    glVertex2f(left, top);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glEnd();

    const float boxLeft = fieldCentreX + cellSize * (halfWidth + previewLeft);
    const float boxRight = fieldCentreX + cellSize * (halfWidth + previewRight);
    glBegin(GL_LINE_LOOP);
    glVertex2f(boxRight, top);
    glVertex2f(boxLeft, top);
    glVertex2f(boxLeft, top - previewHeight);
    glVertex2f(boxRight, top - previewHeight);
    glEnd();

    // No captions: the order alone tells the values apart.
    const float lineY = fieldCentreY + cellSize * (halfRows - hudFirstLine);
    glRasterPos2f(boxLeft, lineY);
    glWindow.print(textFont, "%s", playerName());
    glRasterPos2f(boxLeft, lineY - cellSize);
    glWindow.print(textFont, "%.2u", gameState.level);
    glRasterPos2f(boxLeft, lineY - 2 * cellSize);
    glWindow.print(textFont, "%.3d", gameState.linesCleared);
    glRasterPos2f(boxLeft, lineY - 3 * cellSize);
    glWindow.print(textFont, "%.3u", playerScore());
}

void drawGameView() {
    const uint32_t width = activeWidth();
    const uint32_t height = activeHeight();
    glWindow.bindTexture(blockTexture);
    drawCells(width, height);
    drawPreview(width, height);
    glLoadIdentity();
    setWhite();
    glWindow.unbindTexture();
    drawFramesAndText(width, height);
}

// A white triangle pointing right, its tip at the start of the given line,
// five units above that line's baseline; lines count down from line 0.
void drawCursor(float lineZeroBaseline, uint32_t line) {
    const float baseline = lineZeroBaseline - menuLineStep * float(line);
    setWhite();
    glBegin(GL_TRIANGLES);
    glVertex2f(menuLeft - cursorWidth, baseline);
    glVertex2f(menuLeft, baseline + cursorHalfHeight);
    glVertex2f(menuLeft - cursorWidth, baseline + 2 * cursorHalfHeight);
    glEnd();
}

// Red, set before the raster position so that the text takes it.
void startMenuLine(uint32_t line) {
    setRed();
    glRasterPos2f(menuLeft, menuTop - menuLineStep * float(line));
}

void drawMenuView() {
    glWindow.unbindTexture();
    glLoadIdentity();
    if (!gameState.settingsVisible) {
        if (gameState.gameClock != 0) {
            startMenuLine(resumeLine);
            glWindow.print(textFont, "Resume Game");
        }
        startMenuLine(newGameLine);
        glWindow.print(textFont, "New Game");
        startMenuLine(settingsLine);
        glWindow.print(textFont, "Settings");
        startMenuLine(exitLine);
        glWindow.print(textFont, "Exit Game");
        drawCursor(menuTop, gameState.menuCursor);
    } else {
        startMenuLine(submenuFirstRow + widthLine);
        glWindow.print(textFont, "Width: %u", settings.fieldWidth);
        startMenuLine(submenuFirstRow + heightLine);
        glWindow.print(textFont, "Height: %u", settings.fieldHeight);
        drawCursor(menuTop - menuLineStep * float(submenuFirstRow), gameState.menuCursor);
    }
}

}  // namespace

void buildSceneFont() {
    glWindow.buildFont(textTypeface, textHeight);
}

void drawScene() {
    glClear(GL_COLOR_BUFFER_BIT);
    if (gameState.menuVisible) {
        drawMenuView();
    } else {
        drawGameView();
    }
}
