// GDI fonts: CreateFontA matches the face name with fontconfig and loads the
// file with FreeType; SelectObject and DeleteObject manage them per device
// context.
#include <fontconfig/fontconfig.h>

#include "platform/font_face.h"
#include "platform/handles.h"

namespace {

constexpr int maxFontObjects = 32;
constexpr int stockFontSlot = 0;  // the font every DC starts with, until the game selects its own
constexpr int syntheticBoldFrom = 600;  // FW_SEMIBOLD

// The game's fonts: a face name, an em height in pixels (a negative GDI
// height) and a weight on GDI's scale, upright.
struct FontRequest {
    const char* family;
    int height;
    int weight;
};

struct FontRecord {
    bool live;
    FontFace face;
};

FT_Library library = nullptr;
FontRecord fontRecords[maxFontObjects];

// The stock font is a handle only: the game selects its own font before it
// makes glyphs.
FontRecord* findFont(HGDIOBJ handle) {
    for (int i = 0; i < maxFontObjects; ++i) {
        FontRecord& record = fontRecords[i];
        if (&record == handle && (record.live || i == stockFontSlot)) return &record;
    }
    return nullptr;
}

// The font file fontconfig offers for the request, or null. The caller
// destroys the returned pattern, which owns the file name.
FcPattern* matchFont(const FontRequest& request) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(request.weight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    // FreeType scales outlines to any height; bitmap fonts would not fit.
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

bool loadFace(const FontRequest& request, FontFace& loaded) {
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        return false;
    }
    FcPattern* match = matchFont(request);
    if (match == nullptr) return false;
    FcChar8* file = nullptr;
    int index = 0;
    int matchedWeight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
    FT_Face face = nullptr;
    bool opened = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                  FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) == 0;
    FcPatternDestroy(match);
    if (!opened) return false;
    // A negative GDI height is the em height in pixels.
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(-request.height)) != 0) {
        FT_Done_Face(face);
        return false;
    }
    loaded.face = face;
    // Windows emboldens a face that is not as bold as asked for.
    loaded.synthesiseBold = request.weight >= syntheticBoldFrom &&
                            matchedWeight < FcWeightFromOpenType(syntheticBoldFrom);
    return true;
}

}  // namespace

HGDIOBJ stockFont() {
    return &fontRecords[stockFontSlot];
}

const FontFace* faceOfFont(HGDIOBJ font) {
    FontRecord* record = findFont(font);
    return record != nullptr && record->live ? &record->face : nullptr;
}

// The game's font: negative height, weight FW_BOLD, not italic. Width,
// angles, underline, strike-out, character set, precision, quality and pitch
// do not change the 1-bit glyphs this layer makes.
HFONT WINAPI CreateFontA(int cHeight, int, int, int, int cWeight, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, DWORD, DWORD, LPCSTR pszFaceName) {
    if (pszFaceName == nullptr) return nullptr;
    for (int i = stockFontSlot + 1; i < maxFontObjects; ++i) {
        FontRecord& record = fontRecords[i];
        if (record.live) continue;
        const FontRequest request = {pszFaceName, cHeight, cWeight};
        if (!loadFace(request, record.face)) return nullptr;
        record.live = true;
        return reinterpret_cast<HFONT>(&record);
    }
    return nullptr;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    WindowRecord* window = findWindowOfDc(hdc);
    if (window == nullptr || findFont(h) == nullptr) return nullptr;
    HGDIOBJ previous = window->selectedFont;
    window->selectedFont = h;
    return previous;
}

// The game deletes its font once it has selected the previous one back.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    FontRecord* record = findFont(ho);
    if (record == nullptr || !record->live) return FALSE;
    FT_Done_Face(record->face.face);
    *record = FontRecord{};
    return TRUE;
}

void releaseFonts() {
    for (FontRecord& record : fontRecords) {
        if (record.live) FT_Done_Face(record.face.face);
        record = FontRecord{};
    }
    if (library != nullptr) FT_Done_FreeType(library);
    library = nullptr;
    FcFini();
}
