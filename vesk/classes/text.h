// Text in the system's default sans-serif font: fontconfig finds the font,
// FreeType draws its glyphs. A line of UTF-8 text is set along a baseline;
// the builtin textmask and MBmp::DrawText take their pixels from it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vesk::text {

// Font sizes are pixel heights (the em) from 1 to 1024.
constexpr double kMinSize = 1;
constexpr double kMaxSize = 1024;

// One glyph's antialiased coverage, 0 (none) to 255 (full), rows top first.
// Its top-left pixel lies `left` pixels right of where the text starts and
// `top` pixel rows above the baseline (the row just above the baseline is
// row 0 above it).
struct GlyphImage {
    const unsigned char* rows;
    int pitch;  // bytes from one row to the next
    int width, height;
    int64_t left;
    int top;
};

// Decodes the next character of UTF-8 text at *at and moves past it. A byte
// that does not start a well-formed sequence (a stray continuation byte, a
// truncated, overlong or surrogate sequence, or one past U+10FFFF) decodes to
// U+FFFD on its own, and decoding goes on at the byte after it.
char32_t NextCharacter(std::string_view text, size_t* at);

// The default font set at one size. The font is shared by the process; a
// Typesetter holds it for its lifetime, so keep one only for a call.
class Typesetter {
public:
    Typesetter();
    ~Typesetter();
    Typesetter(const Typesetter&) = delete;
    Typesetter& operator=(const Typesetter&) = delete;

    // Takes the font at `size` pixels (kMinSize … kMaxSize). False, with the
    // reason, when there is no font (fontconfig found none, or FreeType
    // cannot read it) or the size is out of range.
    bool Open(double size, std::string* why);

    // Whole pixels of the line above and below the baseline; their sum is
    // the line height.
    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }

    // The advance width of the text in pixels. Stops counting once the width
    // passes `limit` and then returns a value above it.
    int64_t Width(std::string_view utf8, int64_t limit);

    // Sets the text from pen position 0 and hands each glyph with ink to
    // `draw`, left to right, leaving out glyphs that cannot reach into
    // columns left … right-1, and stopping at the first that starts past
    // them. Control characters (U+0000 … U+001F, U+007F) take no room and
    // draw nothing: the text is one line.
    void Draw(std::string_view utf8, int64_t left, int64_t right, const std::function<void(const GlyphImage&)>& draw);

private:
    struct Glyph {
        unsigned index;   // in the font
        int64_t advance;  // 1/64 pixels
    };
    // The glyph of character c; false for a character that takes no room.
    bool Find(char32_t c, Glyph* glyph);
    // Kerning between the glyph before and this one, 1/64 pixels; the pen
    // moves by it before the glyph.
    int64_t Kern(unsigned glyph);

    struct State;
    State* state_;
    int ascent_ = 0, descent_ = 0;
    int inkLeft_ = 0, inkRight_ = 0;  // how far any glyph's ink reaches from its pen position
    unsigned previous_ = 0;  // the glyph before, for kerning
};

// A one-bit mask of a line of text, in the layout OpenGL's glBitmap reads:
// `width` (the advance width) by `height` (the line height) pixels, the
// lowest row first, each row padded to a multiple of 4 bytes, the most
// significant bit of a byte leftmost. A pixel is set where the glyphs cover
// at least half of it. The baseline lies `descent` rows above the bottom
// row: rows 0 … descent-1 are below it.
struct Mask {
    int width = 0, height = 0, descent = 0;
    std::string bits;
};

// The widest mask: no device is wider.
constexpr int64_t kMaxMaskWidth = 16384;

enum class MaskFailure { None, NoFont, TooWide };

// Sets the text at `size` pixels (which the caller has checked is within
// kMinSize … kMaxSize) into *mask. On failure says why.
MaskFailure MakeMask(std::string_view utf8, double size, Mask* mask, std::string* why);

// Draws the text antialiased onto a picture of width x height pixels (rows
// top first, 3 bytes red, green, blue each): each pixel moves toward `color`
// by the glyph's coverage of it. (x, y) is the left end of the baseline,
// which runs along the top edge of row y: glyphs without descenders end in
// row y - 1, descenders reach into row y and below. Pixels off the picture
// are left out. False, with the reason, when there is no font.
bool DrawOnPicture(unsigned char* rgb, int width, int height, int64_t x, int64_t y, std::string_view utf8,
                   double size, const unsigned char color[3], std::string* why);

}  // namespace vesk::text
