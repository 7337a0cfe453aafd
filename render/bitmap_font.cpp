// Bitmap fonts: a system typeface rendered once into one display list per
// character code 32..255; a string is drawn by calling the lists of its bytes
// at the current raster position. The lists go with the context, so
// killWindow releases them (deleteFont, in window/).
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace {
constexpr int fontWeight = FW_BOLD;
constexpr size_t printBufferSize = 256;
}  // namespace

// The slot counts as built whatever the calls below return: lists that were
// never filled simply draw nothing.
void GlWindow::buildFont(const char* typeface, int32_t height) {
    if (fontCount >= maxFonts) return;
    fontBases[fontCount] = glGenLists(fontGlyphCount);
    const uint32_t base = fontBases[fontCount];
    HFONT font = CreateFontA(height, 0, 0, 0, fontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, typeface);
    HGDIOBJ previousFont = SelectObject(deviceContext, font);
    ++fontCount;
    wglUseFontBitmapsA(deviceContext, firstFontGlyph, fontGlyphCount, base);
    // The lists keep the glyphs; the GDI font is no longer needed.
    SelectObject(deviceContext, previousFont);
    DeleteObject(font);
}

// Formats like printf and draws the text at the current raster position in
// the colour that was current when that position was set. Text longer than
// 255 characters is cut short.
void GlWindow::print(uint32_t index, const char* format, ...) {
    if (format == nullptr || index >= fontCount) return;
    char text[printBufferSize];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    if (written < 0) return;
    // Saves the caller's list base.
    glPushAttrib(GL_LIST_BIT);
    // A character code used as a list offset selects its glyph.
    glListBase(fontBases[index] - firstFontGlyph);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}
