// The FreeType face behind a GDI font handle, for building glyph bitmaps.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/win32.h"

struct FontFace {
    FT_Face face;  // sized to the font's pixel height
    bool synthesiseBold;  // bold was asked for but the face found is not
};

// The face of a font made by CreateFontA; null for any other handle, the
// stock font included.
const FontFace* faceOfFont(HGDIOBJ font);
