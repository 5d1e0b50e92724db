// textmask(text, size) -> [width, height, bits, descent] and
// colormap(name, t) -> [red, green, blue]: the script's side of vesk/text.h
// and vesk/colormap.h.
#include "vesk/eval/lib_picture.h"

#include <cmath>

#include "vesk/colormap.h"
#include "vesk/text.h"

namespace vesk::vm {

namespace {

Variable Value(const Slot& s) { return *AsVariable(s).GetPointer(); }

// The bytes of a string argument, valid while `v` holds it.
std::string_view StringArg(Machine& m, const char* name, const Variable& v, const char* what) {
    if (v.type != VT_STRING) m.Fail(VE_WRONG_KIND, std::string(name) + "(): " + what + " must be a string, not " + AKind(v));
    return StringOf(v);
}

double NumberArg(Machine& m, const char* name, const Slot& arg, const char* what) {
    if (IsNumberSlot(arg)) return NumberOf(arg);
    Variable v = Value(arg);
    if (!IsNumber(v)) m.Fail(VE_WRONG_KIND, std::string(name) + "(): " + what + " must be a number, not " + AKind(v));
    return v.GetDoubleNumb();
}

// Moves a host value into the result; errors in making it unwind.
void Result(Machine& m, Slot& out, Variable& value) {
    m.Check();
    Slot r{};
    FromVariable(value, r);
    Move(out, r);
}

}  // namespace

// The size is the font's pixel height; the mask is the text's advance width
// by the line height (see text::Mask).
void TextMask(Machine& m, const char* name, Slot* args, int, Slot& out) {
    Variable textValue = Value(args[0]);
    std::string_view text = StringArg(m, name, textValue, "the text");
    double size = NumberArg(m, name, args[1], "the size");
    if (!(size >= text::kMinSize && size <= text::kMaxSize))
        m.Fail(VE_BAD_ARGUMENT, std::string(name) + "(): the size " + Format(Value(args[1])) +
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
    Result(m, out, result);
}

// t is clamped to 0 … 1; NaN has no colour and is an error.
void ColorMap(Machine& m, const char* name, Slot* args, int, Slot& out) {
    Variable mapValue = Value(args[0]);
    std::string_view map = StringArg(m, name, mapValue, "the map's name");
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
    Result(m, out, result);
}

}  // namespace vesk::vm
