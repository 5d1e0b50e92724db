// The builtins for pictures: textmask(text, size) -> [width, height, bits,
// descent], a line of text as a one-bit mask for VOpenGL::Put2bBitmap, and
// colormap(name, t) -> [red, green, blue]: the script's side of
// classes/text.h and classes/colormap.h.
#include <cmath>

#include "vesk/classes/colormap.h"
#include "vesk/classes/text.h"
#include "vesk/eval/library.h"

namespace vesk::vm {

namespace {


// The size is the font's pixel height; the mask is the text's advance width
// by the line height (see text::Mask).
void TextMask(Machine& m, const char* name, Slot* args, int, Slot& out) {
    std::string_view text = StringArg(m, name, args[0], "the text");
    double size = NumberArg(m, name, args[1], "the size");
    if (!(size >= text::kMinSize && size <= text::kMaxSize))
        m.Fail(VE_BAD_ARGUMENT, std::string(name) + "(): the size " + Format(Deref(args[1])) +
                                    " is not a pixel height from 1 to 1024");
    text::Mask mask;
    std::string why;
    switch (text::MakeMask(text, size, &mask, &why)) {
    case text::MaskFailure::NoFont: m.Fail(VE_FILE, std::string(name) + "(): " + why);
    case text::MaskFailure::TooWide: m.Fail(VE_LIMIT, std::string(name) + "(): " + why);
    case text::MaskFailure::None: break;
    }
    Variable result, bits;
    SetString(bits, mask.bits.data(), static_cast<long>(mask.bits.size()));
    m.Check();
    result.Init(VT_VECTOR, 4);
    m.Check();
    result[0] = mask.width;
    result[1] = mask.height;
    result[2] = bits;
    result[3] = mask.descent;
    SetResult(m, out, result);
}

// t is clamped to 0 … 1; NaN has no colour and is an error.
void ColorMap(Machine& m, const char* name, Slot* args, int, Slot& out) {
    std::string_view map = StringArg(m, name, args[0], "the map's name");
    double t = NumberArg(m, name, args[1], "t");
    if (std::isnan(t)) m.Fail(VE_BAD_ARGUMENT, std::string(name) + "(): t is NaN, which has no colour");
    double rgb[3];
    if (!ColorMapAt(map, t, rgb))
        m.Fail(VE_BAD_ARGUMENT, std::string(name) + "(): there is no map \"" + Clip(map, 64) + "\" (the maps are " +
                                    ColorMapNames() + ")");
    Variable result;
    result.Init(VT_VECTOR, 3);
    m.Check();
    for (int k = 0; k < 3; k++) result[k] = rgb[k];
    SetResult(m, out, result);
}

const Builtin kRows[] = {
    {"textmask", 2, 2, TextMask},
    {"colormap", 2, 2, ColorMap},
};

}  // namespace

BuiltinRows PictureBuiltins() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vesk::vm
