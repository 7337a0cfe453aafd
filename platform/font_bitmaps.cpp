// wglUseFontBitmapsA: one display list per character code, each holding a
// single glBitmap of the 1-bit glyph, whose move advances the raster position
// by the glyph's advance, so glCallLists draws a string left to right.
#include "platform/handles.h"

#include <GL/gl.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <cstring>
#include <vector>

#include "platform/font_face.h"

namespace {

constexpr DWORD lastAnsiCode = 0xFF;
constexpr DWORD firstWindowsOnlyCode = 0x80;  // 0x80..0x9F differ from Latin-1
constexpr FT_ULong noCharacter = 0;

// Windows-1252 characters 0x80 to 0x9F as Unicode; 0 where the code page
// leaves a code undefined. Every other code is its own Unicode value.
const FT_ULong windows1252Extras[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

FT_ULong unicodeOfAnsi(DWORD code) {
    if (code > lastAnsiCode) return noCharacter;
    if (code >= firstWindowsOnlyCode && code < firstWindowsOnlyCode + 32) {
        return windows1252Extras[code - firstWindowsOnlyCode];
    }
    return code;
}

// 26.6 fixed point to whole pixels, rounded.
GLfloat pixelsOf(FT_Pos value) {
    return GLfloat((value + 32) >> 6);
}

// Renders the glyph for a code into the face's slot as a 1-bit bitmap; a
// code without a glyph gets the face's default glyph (index 0), as GDI draws
// its default character.
bool renderGlyph(const FontFace& font, DWORD code) {
    FT_ULong character = unicodeOfAnsi(code);
    FT_UInt glyphIndex = character != noCharacter ? FT_Get_Char_Index(font.face, character) : 0;
    if (FT_Load_Glyph(font.face, glyphIndex, FT_LOAD_TARGET_MONO) != 0) return false;
    FT_GlyphSlot slot = font.face->glyph;
    if (font.synthesiseBold) FT_GlyphSlot_Embolden(slot);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
    return slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
}

// Copies the slot's bitmap bottom row first, rows packed to whole bytes, the
// layout glBitmap reads with an unpack alignment of 1.
void copyBottomUp(const FT_Bitmap& bitmap, std::vector<GLubyte>& bits) {
    size_t rowBytes = (size_t(bitmap.width) + 7) / 8;
    size_t rows = bitmap.rows;
    bits.assign(rowBytes * rows, 0);
    size_t stride = size_t(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch);
    for (size_t row = 0; row < rows; ++row) {
        // A negative pitch stores the rows bottom up already.
        size_t sourceRow = bitmap.pitch >= 0 ? row : rows - 1 - row;
        std::memcpy(&bits[(rows - 1 - row) * rowBytes], bitmap.buffer + sourceRow * stride, rowBytes);
    }
}

void compileGlyphList(const FontFace& font, DWORD code, GLuint list, std::vector<GLubyte>& bits) {
    glNewList(list, GL_COMPILE);
    if (renderGlyph(font, code)) {
        FT_GlyphSlot slot = font.face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        copyBottomUp(bitmap, bits);
        // The origin is the pen position on the baseline: xorig is minus the
        // left bearing, yorig the rows below the baseline.
        GLfloat xorig = GLfloat(-slot->bitmap_left);
        GLfloat yorig = GLfloat(int(bitmap.rows) - slot->bitmap_top);
        glBitmap(GLsizei(bitmap.width), GLsizei(bitmap.rows), xorig, yorig,
                 pixelsOf(slot->advance.x), 0.0f, bits.empty() ? nullptr : bits.data());
    } else {
        // Even without a glyph the list moves the raster position on.
        GLfloat halfEm = GLfloat(font.face->size->metrics.x_ppem / 2);
        glBitmap(0, 0, 0.0f, 0.0f, halfEm, 0.0f, nullptr);
    }
    glEndList();
}

}  // namespace

BOOL WINAPI wglUseFontBitmapsA(HDC hdc, DWORD first, DWORD count, DWORD listBase) {
    WindowRecord* window = findWindowOfDc(hdc);
    // The lists go into the current context; without one there is nowhere.
    if (window == nullptr || !videoStarted() || SDL_GL_GetCurrentContext() == nullptr) return FALSE;
    const FontFace* font = faceOfFont(window->selectedFont);
    if (font == nullptr) return FALSE;

    // glBitmap copies the bits into the list with the unpack settings of the
    // moment: use tightly packed rows and give the caller back its own.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    std::vector<GLubyte> bits;
    for (DWORD i = 0; i < count; ++i) compileGlyphList(*font, first + i, GLuint(listBase + i), bits);
    glPopClientAttrib();
    return TRUE;
}
