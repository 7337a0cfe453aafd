// The FreeType face behind a GDI font handle, for building glyph bitmaps.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/win32.h"

struct FontFace {
    FT_Face face;  // sized to the font's pixel height
    bool synthesiseBold;  // bold was asked for but the face found is not
    bool synthesiseItalic;
};

// The face of a font handle (the stock font is loaded on first use); null
// when the handle is no live font or its face cannot be loaded.
const FontFace* faceOfFont(HGDIOBJ font);
