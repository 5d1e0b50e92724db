// Setting a line of text in the default sans-serif font. The font is found
// once a process, through fontconfig (or the file VESK_FONT names), and read
// by FreeType; glyphs are hinted and rendered with 256 levels of coverage.
#include "vesk/classes/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace vesk::text {

namespace {

// The process's font: looked for at the first use, kept until exit. FreeType
// faces are not safe to share between threads, so a Typesetter holds the
// lock while it sets text.
struct Font {
    std::mutex mutex;
    bool tried = false;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string error;  // why there is no face
    ~Font() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

Font& TheFont() {
    static Font font;
    return font;
}

// FreeType's own texts for its error codes, from its error list (the way
// its documentation shows); Debian's build leaves out FT_Error_String.
struct FreeTypeErrorText {
    int code;
    const char* text;
};
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {v, s},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST {0, nullptr}};
const FreeTypeErrorText kFreeTypeErrors[] =
#include FT_ERRORS_H

std::string FreeTypeError(FT_Error e) {
    for (const FreeTypeErrorText* t = kFreeTypeErrors; t->text; t++)
        if (t->code == e) return t->text;
    return "FreeType error " + std::to_string(e);
}

// The file (and face within it) of the system's default sans-serif font.
bool DefaultFontFile(std::string* path, int* index, std::string* why) {
    *index = 0;
    if (const char* chosen = std::getenv("VESK_FONT"); chosen && *chosen) {
        *path = chosen;
        return true;
    }
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        *why = "fontconfig cannot load its configuration";
        return false;
    }
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    bool found = match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        *path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    if (!found) *why = "fontconfig finds no sans-serif font (install one, such as Debian's fonts-dejavu-core)";
    return found;
}

void LoadFont(Font& font) {
    font.tried = true;
    std::string path;
    int index;
    if (!DefaultFontFile(&path, &index, &font.error)) return;
    struct stat file;
    if (stat(path.c_str(), &file) == 0 && !S_ISREG(file.st_mode)) {  // a FIFO would block FreeType's open
        font.error = "the font " + path + " is not a regular file";
        return;
    }
    if (FT_Error e = FT_Init_FreeType(&font.library)) {
        font.library = nullptr;
        font.error = "FreeType cannot start: " + FreeTypeError(e);
        return;
    }
    if (FT_Error e = FT_New_Face(font.library, path.c_str(), index, &font.face)) {
        font.face = nullptr;
        font.error = "cannot read the font " + path + ": " + FreeTypeError(e);
        return;
    }
    if (!FT_IS_SCALABLE(font.face) || FT_Select_Charmap(font.face, FT_ENCODING_UNICODE)) {
        FT_Done_Face(font.face);
        font.face = nullptr;
        font.error = "the font " + path + " is not a scalable font with a Unicode character map";
    }
}

}  // namespace

char32_t NextCharacter(std::string_view text, size_t* at) {
    size_t i = *at;
    unsigned char lead = static_cast<unsigned char>(text[i]);
    *at = i + 1;
    if (lead < 0x80) return lead;
    int more;
    char32_t c, least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, c = lead & 0x07, least = 0x10000;
    } else {
        return 0xFFFD;
    }
    for (int k = 1; k <= more; k++) {
        if (i + k >= text.size()) return 0xFFFD;
        unsigned char b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
    *at = i + 1 + more;
    return c;
}

struct Typesetter::State {
    std::unique_lock<std::mutex> lock;
    FT_Face face = nullptr;
    std::unordered_map<char32_t, Glyph> glyphs;  // looked up during this call
};

Typesetter::Typesetter() : state_(new State) {}
Typesetter::~Typesetter() { delete state_; }

bool Typesetter::Open(double size, std::string* why) {
    if (!(size >= kMinSize && size <= kMaxSize)) {
        *why = "a font size is a pixel height from 1 to 1024";
        return false;
    }
    Font& font = TheFont();
    state_->lock = std::unique_lock<std::mutex>(font.mutex);
    if (!font.tried) LoadFont(font);
    if (!font.face) {
        *why = font.error;
        return false;
    }
    // At 72 dots an inch a point is a pixel.
    FT_Face face = font.face;
    if (FT_Error e = FT_Set_Char_Size(face, 0, std::lround(size * 64), 72, 72)) {
        *why = "the font cannot be set at " + std::to_string(size) + " pixels: " + FreeTypeError(e);
        return false;
    }
    state_->face = face;
    state_->glyphs.clear();
    ascent_ = static_cast<int>(std::max<FT_Pos>(face->size->metrics.ascender + 63, 0) >> 6);
    descent_ = static_cast<int>(std::max<FT_Pos>(63 - face->size->metrics.descender, 0) >> 6);
    // The font's bounding box holds every glyph; hinting moves ink by a pixel
    // at most, and a pixel more is kept for rounding.
    inkLeft_ = static_cast<int>(FT_MulFix(face->bbox.xMin, face->size->metrics.x_scale) >> 6) - 2;
    inkRight_ = static_cast<int>((FT_MulFix(face->bbox.xMax, face->size->metrics.x_scale) + 63) >> 6) + 2;
    return true;
}

bool Typesetter::Find(char32_t c, Glyph* glyph) {
    if (c < 0x20 || c == 0x7F) return false;
    auto known = state_->glyphs.find(c);
    if (known != state_->glyphs.end()) {
        *glyph = known->second;
        return true;
    }
    FT_Face face = state_->face;
    glyph->index = FT_Get_Char_Index(face, c);  // 0, the font's missing-glyph box, when it lacks c
    glyph->advance = FT_Load_Glyph(face, glyph->index, FT_LOAD_DEFAULT) ? 0 : face->glyph->advance.x;
    state_->glyphs.emplace(c, *glyph);
    return true;
}

int64_t Typesetter::Kern(unsigned glyph) {
    FT_Face face = state_->face;
    FT_Vector delta{0, 0};
    if (previous_ && FT_HAS_KERNING(face)) FT_Get_Kerning(face, previous_, glyph, FT_KERNING_DEFAULT, &delta);
    previous_ = glyph;
    return delta.x;
}

int64_t Typesetter::Width(std::string_view utf8, int64_t limit) {
    if (!state_->face) return 0;
    int64_t pen = 0;
    previous_ = 0;
    for (size_t at = 0; at < utf8.size();) {
        Glyph g;
        if (!Find(NextCharacter(utf8, &at), &g)) continue;
        pen += Kern(g.index) + g.advance;
        if (pen > 64 * limit + 64) break;
    }
    return (pen + 32) >> 6;
}

void Typesetter::Draw(std::string_view utf8, int64_t left, int64_t right,
                      const std::function<void(const GlyphImage&)>& draw) {
    FT_Face face = state_->face;
    if (!face) return;
    int64_t pen = 0;
    previous_ = 0;
    for (size_t at = 0; at < utf8.size();) {
        Glyph g;
        if (!Find(NextCharacter(utf8, &at), &g)) continue;
        pen += Kern(g.index);
        int64_t x = (pen + 32) >> 6;
        if (x + inkLeft_ >= right) break;
        pen += g.advance;
        if (x + inkRight_ < left) continue;
        if (FT_Load_Glyph(face, g.index, FT_LOAD_DEFAULT) || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL))
            continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& b = slot->bitmap;
        if (b.pixel_mode != FT_PIXEL_MODE_GRAY || b.width == 0 || b.rows == 0 || b.pitch < static_cast<int>(b.width))
            continue;
        draw(GlyphImage{b.buffer, b.pitch, static_cast<int>(b.width), static_cast<int>(b.rows), x + slot->bitmap_left,
                        slot->bitmap_top - 1});
    }
}

}  // namespace vesk::text

namespace vesk::text {

MaskFailure MakeMask(std::string_view utf8, double size, Mask* mask, std::string* why) {
    Typesetter type;
    if (!type.Open(size, why)) return MaskFailure::NoFont;
    int64_t width = type.Width(utf8, kMaxMaskWidth);
    if (width > kMaxMaskWidth) {
        *why = "the text is wider than " + std::to_string(kMaxMaskWidth) + " pixels at this size";
        return MaskFailure::TooWide;
    }
    mask->width = static_cast<int>(width);
    mask->height = type.Ascent() + type.Descent();
    mask->descent = type.Descent();
    size_t rowBytes = (static_cast<size_t>(width) + 31) / 32 * 4;
    mask->bits.assign(rowBytes * mask->height, '\0');
    type.Draw(utf8, 0, width, [&](const GlyphImage& g) {
        for (int j = 0; j < g.height; j++) {
            int64_t row = mask->descent + g.top - j;  // counted from the bottom
            if (row < 0 || row >= mask->height) continue;
            const unsigned char* coverage = g.rows + static_cast<size_t>(j) * g.pitch;
            char* bits = &mask->bits[static_cast<size_t>(row) * rowBytes];
            for (int i = 0; i < g.width; i++) {
                int64_t col = g.left + i;
                if (coverage[i] >= 128 && col >= 0 && col < width) bits[col >> 3] |= static_cast<char>(0x80 >> (col & 7));
            }
        }
    });
    return MaskFailure::None;
}

bool DrawOnPicture(unsigned char* rgb, int width, int height, int64_t x, int64_t y, std::string_view utf8,
                   double size, const unsigned char color[3], std::string* why) {
    Typesetter type;
    if (!type.Open(size, why)) return false;
    // Far beyond the picture is as good as farther; pinned, the arithmetic
    // below stays well inside 64 bits.
    constexpr int64_t kFar = int64_t(1) << 50;
    x = std::clamp(x, -kFar, kFar);
    y = std::clamp(y, -kFar, kFar);
    type.Draw(utf8, -x, width - x, [&](const GlyphImage& g) {
        for (int j = 0; j < g.height; j++) {
            int64_t row = y - 1 - g.top + j;
            if (row < 0 || row >= height) continue;
            const unsigned char* coverage = g.rows + static_cast<size_t>(j) * g.pitch;
            for (int i = 0; i < g.width; i++) {
                int64_t col = x + g.left + i;
                unsigned a = coverage[i];
                if (a == 0 || col < 0 || col >= width) continue;
                unsigned char* p = rgb + (static_cast<size_t>(row) * width + static_cast<size_t>(col)) * 3;
                for (int k = 0; k < 3; k++) p[k] = static_cast<unsigned char>((p[k] * (255 - a) + color[k] * a + 127) / 255);
            }
        }
    });
    return true;
}

}  // namespace vesk::text
