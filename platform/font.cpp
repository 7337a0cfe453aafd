// GDI fonts: CreateFontA matches the face name with fontconfig and loads the
// file with FreeType; SelectObject and DeleteObject manage them per device
// context.
#include <fontconfig/fontconfig.h>

#include "platform/font_face.h"
#include "platform/handles.h"

namespace {

constexpr int maxFontObjects = 32;
constexpr int stockFontSlot = 0;  // the font every DC starts with
constexpr int normalWeight = 400;  // FW_NORMAL, also what FW_DONTCARE gets
constexpr int heaviestWeight = 1000;  // GDI's scale ends here, fontconfig's too
constexpr int syntheticBoldFrom = 600;  // FW_SEMIBOLD
constexpr int defaultCellHeight = 16;  // pixels, for a height of 0
constexpr const char* defaultFamily = "sans-serif";

// How to find the face; the stock font keeps these until it is first used.
struct FontRequest {
    const char* family;
    int height;
    int weight;
    bool italic;
};

struct FontRecord {
    bool live;
    bool loaded;
    FontFace face;
};

constexpr FontRequest stockFontRequest = {defaultFamily, -defaultCellHeight, FW_BOLD, false};

FT_Library library = nullptr;
FontRecord fontRecords[maxFontObjects];

FontRecord* findFont(HGDIOBJ handle) {
    for (int i = 0; i < maxFontObjects; ++i) {
        FontRecord& record = fontRecords[i];
        if (&record == handle && (record.live || i == stockFontSlot)) return &record;
    }
    return nullptr;
}

bool isSelectedAnywhere(HGDIOBJ handle) {
    for (const WindowRecord& window : windowRecords) {
        if (window.live && window.selectedFont == handle) return true;
    }
    return false;
}

// GDI heights: negative is the em height in pixels, positive the cell
// height (ascent plus descent), zero a default.
bool setPixelHeight(FT_Face face, int height) {
    if (height < 0) return FT_Set_Pixel_Sizes(face, 0, FT_UInt(-height)) == 0;
    FT_Size_RequestRec request = {};
    request.type = FT_SIZE_REQUEST_TYPE_CELL;
    request.height = FT_Long(height > 0 ? height : defaultCellHeight) * 64;  // 26.6 fixed point
    return FT_Request_Size(face, &request) == 0;
}

// The font file fontconfig offers for the request, or null. The caller
// destroys the returned pattern, which owns the file name.
FcPattern* matchFont(const FontRequest& request) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return nullptr;
    const char* family = request.family != nullptr && request.family[0] != '\0' ? request.family : defaultFamily;
    int weight = request.weight > 0 ? SDL_min(request.weight, heaviestWeight) : normalWeight;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
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
    int matchedSlant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
    FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
    FT_Face face = nullptr;
    bool opened = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                  FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) == 0;
    FcPatternDestroy(match);
    if (!opened) return false;
    if (!setPixelHeight(face, request.height)) {
        FT_Done_Face(face);
        return false;
    }
    loaded.face = face;
    // Windows emboldens and slants a face that lacks the asked-for style.
    loaded.synthesiseBold = request.weight >= syntheticBoldFrom &&
                            matchedWeight < FcWeightFromOpenType(syntheticBoldFrom);
    loaded.synthesiseItalic = request.italic && matchedSlant == FC_SLANT_ROMAN;
    return true;
}

}  // namespace

HGDIOBJ stockFont() {
    return &fontRecords[stockFontSlot];
}

const FontFace* faceOfFont(HGDIOBJ font) {
    FontRecord* record = findFont(font);
    if (record == nullptr) return nullptr;
    if (!record->loaded) {
        if (!loadFace(stockFontRequest, record->face)) return nullptr;
        record->loaded = true;
    }
    return &record->face;
}

HFONT WINAPI CreateFontA(int cHeight, int, int, int, int cWeight, DWORD bItalic, DWORD, DWORD, DWORD,
                         DWORD, DWORD, DWORD, DWORD, LPCSTR pszFaceName) {
    // Width, angles, underline, strike-out, character set, precision,
    // quality and pitch do not change the 1-bit glyphs this layer makes.
    for (int i = stockFontSlot + 1; i < maxFontObjects; ++i) {
        FontRecord& record = fontRecords[i];
        if (record.live) continue;
        FontRequest request = {pszFaceName, cHeight, cWeight, bItalic != 0};
        if (!loadFace(request, record.face)) return nullptr;
        record.loaded = true;
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

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    FontRecord* record = findFont(ho);
    if (record == nullptr) return FALSE;
    // Stock objects are never deleted; a selected font must be deselected first.
    if (record == &fontRecords[stockFontSlot]) return TRUE;
    if (isSelectedAnywhere(ho)) return FALSE;
    FT_Done_Face(record->face.face);
    *record = FontRecord{};
    return TRUE;
}

void releaseFonts() {
    for (FontRecord& record : fontRecords) {
        if (record.loaded) FT_Done_Face(record.face.face);
        record = FontRecord{};
    }
    if (library != nullptr) FT_Done_FreeType(library);
    library = nullptr;
    FcFini();
}
