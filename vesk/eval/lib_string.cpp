// The string builtins: format, split, join, find, substr, trim, upper,
// lower, replace and number. Strings are bytes: indexes and lengths count
// bytes, and upper and lower change the ASCII letters only.
#include <cmath>
#include <cstdio>
#include <vector>

#include "vesk/eval/library.h"

namespace vesk::vm {

namespace {

// ---- format ----------------------------------------------------------------------
//
// The format is read here, never handed to printf: each conversion is
// checked against its argument, then written by snprintf with a format of
// one conversion built from what was read. Widths and precisions go up to
// kMaxField, so one conversion writes a few kilobytes at most.

constexpr int kMaxField = 4096;
constexpr int kFromArgument = -2;  // the width or precision is a '*'

struct Conversion {
    std::string flags;      // of "-+ #0", each once
    int width = -1;         // -1: none
    int precision = -1;     // -1: none
    char kind = 0;          // d i u x X o f F e E g G s c
    std::string_view text;  // the conversion as written, for messages
};

// A piece of the format: text to copy, or a conversion.
struct Piece {
    std::string_view literal;
    bool isConversion = false;
    Conversion conversion;
};

[[noreturn]] void BadFormat(Machine& m, std::string_view format, size_t at, const std::string& what) {
    m.Fail(VE_BAD_ARGUMENT, "format(): " + what + " (at byte " + std::to_string(at) + " of \"" +
                                Clip(format, 64) + "\")");
}

// Digits of a width or precision; beyond kMaxField is error 12.
int ReadField(Machine& m, std::string_view format, size_t* i, const char* what) {
    size_t start = *i;
    long value = 0;
    while (*i < format.size() && format[*i] >= '0' && format[*i] <= '9') {
        if (value <= kMaxField) value = value * 10 + (format[*i] - '0');
        (*i)++;
    }
    if (value > kMaxField)
        m.Fail(VE_LIMIT, std::string("format(): the ") + what + " " +
                             Clip(format.substr(start, *i - start), 32) + " is beyond the limit of " +
                             std::to_string(kMaxField));
    return static_cast<int>(value);
}

// The piece of the format that starts at *i, which moves past it: text to
// copy (a "%%" is a text of one percent sign), or a conversion.
// conversion -> '%' flags [width | '*'] ['.' [precision | '*']] [length] kind
Piece NextPiece(Machine& m, std::string_view format, size_t* at) {
    size_t i = *at, n = format.size(), start = i;
    Piece p;
    if (format[i] != '%') {
        while (i < n && format[i] != '%') i++;
        p.literal = format.substr(start, i - start);
        *at = i;
        return p;
    }
    i++;
    if (i < n && format[i] == '%') {
        p.literal = format.substr(i, 1);
        *at = i + 1;
        return p;
    }
    Conversion& c = p.conversion;
    p.isConversion = true;
    for (; i < n && std::string_view("-+ #0").find(format[i]) != std::string_view::npos; i++)
        if (c.flags.find(format[i]) == std::string::npos) c.flags += format[i];
    if (i < n && format[i] == '*') {
        c.width = kFromArgument;
        i++;
    } else if (i < n && format[i] >= '0' && format[i] <= '9') {
        c.width = ReadField(m, format, &i, "width");
    }
    if (i < n && format[i] == '.') {
        i++;
        if (i < n && format[i] == '*') {
            c.precision = kFromArgument;
            i++;
        } else {
            c.precision = ReadField(m, format, &i, "precision");
        }
    }
    // C's length modifiers say how wide the argument is; here the value
    // says that, so %ld and %lf work as %d and %f.
    while (i < n && std::string_view("hlLqjzt").find(format[i]) != std::string_view::npos) i++;
    if (i == n) BadFormat(m, format, start, "the format ends inside a conversion");
    c.kind = format[i++];
    c.text = format.substr(start, i - start);
    if (std::string_view("diuxXofFeEgGsc").find(c.kind) == std::string_view::npos) {
        std::string what = "\"" + Clip(c.text, 32) + "\" is not a conversion";
        if (c.kind == '%') what += " (a percent sign is written %%)";
        BadFormat(m, format, start, what);
    }
    *at = i;
    return p;
}

// snprintf with a format of one conversion, into the text.
template <class T>
void WriteC(TextBuilder& text, const std::string& pattern, T value) {
    int size = std::snprintf(nullptr, 0, pattern.c_str(), value);
    if (size <= 0) return;
    std::string piece(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(piece.data(), piece.size(), pattern.c_str(), value);
    piece.pop_back();
    text.Append(piece);
}

// Bytes padded to the width with blanks, on the left unless '-' says right.
void WritePadded(TextBuilder& text, const Conversion& c, std::string_view bytes) {
    size_t pad = c.width > 0 && static_cast<size_t>(c.width) > bytes.size() ? c.width - bytes.size() : 0;
    bool left = c.flags.find('-') != std::string::npos;
    if (!left) text.Append(pad, ' ');
    text.Append(bytes);
    if (left) text.Append(pad, ' ');
}

[[noreturn]] void DoesNotFit(Machine& m, const Conversion& c, const Variable& v, const char* needs) {
    m.Fail(VE_WRONG_KIND, "format(): " + std::string(c.text) + " needs " + needs + ", not " +
                              (IsNumber(v) ? Format(v) : AKind(v)));
}

// A whole number for the integer conversions; false when the value is not one.
bool WholeValue(const Variable& v, long double* whole) {
    if (!IsNumber(v)) return false;
    double d = v.GetDoubleNumb();
    if (d != std::floor(d)) return false;  // NaN and infinities too
    *whole = d;
    return true;
}

void Convert(Machine& m, TextBuilder& text, const Conversion& c, const Variable& v) {
    std::string pattern = "%" + c.flags;
    if (c.width >= 0) pattern += std::to_string(c.width);
    if (c.precision >= 0) pattern += "." + std::to_string(c.precision);
    long double whole = 0;
    switch (c.kind) {
    case 'd':
    case 'i':
        if (!WholeValue(v, &whole) || whole < -9223372036854775808.0L || whole >= 9223372036854775808.0L)
            DoesNotFit(m, c, v, "a whole number");
        return WriteC(text, pattern + "lld", static_cast<long long>(whole));
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
        // A negative number is written as its 32-bit two's complement, as
        // the language's integers are (format("%x", -1) is ffffffff).
        if (!WholeValue(v, &whole) || whole < -2147483648.0L || whole >= 18446744073709551616.0L)
            DoesNotFit(m, c, v, "a whole number from -2147483648 to 18446744073709551615");
        unsigned long long u = whole < 0 ? static_cast<uint32_t>(static_cast<int32_t>(whole))
                                         : static_cast<unsigned long long>(whole);
        return WriteC(text, pattern + "ll" + c.kind, u);
    }
    case 's': {
        std::string printed;
        std::string_view bytes;
        if (v.type == VT_STRING) {
            bytes = StringOf(v);
        } else {
            printed = Format(v);
            bytes = printed;
        }
        if (c.precision >= 0 && static_cast<size_t>(c.precision) < bytes.size()) bytes = bytes.substr(0, c.precision);
        return WritePadded(text, c, bytes);
    }
    case 'c': {
        if (!WholeValue(v, &whole) || whole < 0 || whole > 255) DoesNotFit(m, c, v, "a character code from 0 to 255");
        char byte = static_cast<char>(static_cast<int>(whole));
        return WritePadded(text, c, std::string_view(&byte, 1));
    }
    default: {  // f F e E g G
        if (!IsNumber(v)) DoesNotFit(m, c, v, "a number");
        // A NaN is written as print writes it, without the sign it may carry.
        double d = v.GetDoubleNumb();
        return WriteC(text, pattern + c.kind, std::isnan(d) ? std::fabs(d) : d);
    }
    }
}

// A '*' takes a whole number from the arguments: a negative width means
// '-' and its size, a negative precision none (as in C).
void TakeStars(Machine& m, Conversion* c, Slot* args, int* next) {
    auto field = [&](const char* what) {
        int64_t value = WholeArg(m, "format", args[(*next)++], (std::string("the ") + what + " for *").c_str());
        if (value > kMaxField || value < -kMaxField)
            m.Fail(VE_LIMIT, std::string("format(): the ") + what + " " + std::to_string(value) +
                                 " given for * is beyond the limit of " + std::to_string(kMaxField));
        return static_cast<int>(value);
    };
    if (c->width == kFromArgument) {
        int w = field("width");
        if (w < 0) c->flags += '-';
        c->width = w < 0 ? -w : w;
    }
    if (c->precision == kFromArgument) {
        int p = field("precision");
        c->precision = p < 0 ? -1 : p;
    }
}

// The format is read twice: once to check it and count the arguments it
// takes, once to write; nothing is kept per piece, whatever its length.
void FormatText(Machine& m, const char* name, Slot* args, int count, Slot& out) {
    m.SyncLine();
    std::string_view format = StringArg(m, name, args[0], "the format");
    long wanted = 0;
    for (size_t i = 0; i < format.size();) {
        Piece p = NextPiece(m, format, &i);
        if (p.isConversion)
            wanted += 1 + (p.conversion.width == kFromArgument) + (p.conversion.precision == kFromArgument);
    }
    if (wanted != count - 1)
        m.Fail(VE_ARG_COUNT, "format(): the format takes " + std::to_string(wanted) + " argument" +
                                 (wanted == 1 ? "" : "s") + " after it, " + std::to_string(count - 1) +
                                 (count == 2 ? " was" : " were") + " given");
    TextBuilder text(m, name);
    int next = 1;
    for (size_t i = 0; i < format.size();) {
        Piece p = NextPiece(m, format, &i);
        if (!p.isConversion) {
            text.Append(p.literal);
            continue;
        }
        TakeStars(m, &p.conversion, args, &next);
        Convert(m, text, p.conversion, Deref(args[next++]));
    }
    SetText(m, out, text.Text());
}

// ---- splitting and joining --------------------------------------------------------

// A vector of the given strings.
void SetStrings(Machine& m, Slot& out, const std::vector<std::string_view>& parts) {
    Variable result;
    result.Init(VT_VECTOR, static_cast<long>(parts.size()));
    m.Check();
    for (size_t i = 0; i < parts.size(); i++) {
        SetString(result.data.vec->items[i], parts[i]);
        m.Check();
    }
    SetResult(m, out, result);
}

// split(s): the runs of non-blanks. split(s, sep): the fields between the
// separators, empty ones kept (split("a,,b", ",") has three).
void Split(Machine& m, const char* name, Slot* args, int count, Slot& out) {
    m.SyncLine();
    std::string_view s = StringArg(m, name, args[0], "the text");
    std::vector<std::string_view> parts;
    if (count == 1) {
        size_t i = 0;
        while (i < s.size()) {
            while (i < s.size() && IsBlank(s[i])) i++;
            size_t start = i;
            while (i < s.size() && !IsBlank(s[i])) i++;
            if (i > start) parts.push_back(s.substr(start, i - start));
        }
    } else {
        std::string_view sep = StringArg(m, name, args[1], "the separator");
        if (sep.empty()) m.Fail(VE_BAD_ARGUMENT, "split(): the separator is empty");
        size_t start = 0;
        for (;;) {
            size_t at = s.find(sep, start);
            if (at == std::string_view::npos) break;
            parts.push_back(s.substr(start, at - start));
            start = at + sep.size();
        }
        parts.push_back(s.substr(start));
    }
    SetStrings(m, out, parts);
}

// Strings as they are, other values by their printed form.
void Join(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    Variable list = Deref(args[0]);
    if (list.type != VT_VECTOR)
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): the first argument must be a vector, not " + AKind(list));
    std::string_view sep = StringArg(m, name, args[1], "the separator");
    TextBuilder text(m, name);
    const Vector* v = list.data.vec;
    for (int i = 0; i < v->count; i++) {
        if (i) text.Append(sep);
        const Variable& e = v->items[i];
        if (e.type == VT_STRING) text.Append(StringOf(e));
        else text.Append(Format(e));
    }
    SetText(m, out, text.Text());
}

// ---- searching and cutting ---------------------------------------------------------

void Find(Machine& m, const char* name, Slot* args, int, Slot& out) {
    std::string_view s = StringArg(m, name, args[0], "the text");
    std::string_view sub = StringArg(m, name, args[1], "the text to find");
    size_t at = s.find(sub);
    SetInt(out, at == std::string_view::npos ? -1 : static_cast<int32_t>(at));
}

// substr(s, start[, count]): count bytes from start, fewer where the text
// ends first; start may be the length (giving "").
void Substr(Machine& m, const char* name, Slot* args, int count, Slot& out) {
    m.SyncLine();
    std::string_view s = StringArg(m, name, args[0], "the text");
    int64_t start = WholeArg(m, name, args[1], "the start");
    if (start < 0 || start > static_cast<int64_t>(s.size()))
        m.Fail(VE_INDEX, "substr(): the start " + std::to_string(start) + " is outside the text's 0 … " +
                             std::to_string(s.size()));
    int64_t length = static_cast<int64_t>(s.size()) - start;
    if (count == 3) {
        int64_t wanted = WholeArg(m, name, args[2], "the count");
        if (wanted < 0) m.Fail(VE_BAD_ARGUMENT, "substr(): the count " + std::to_string(wanted) + " is negative");
        if (wanted < length) length = wanted;
    }
    SetText(m, out, s.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

void Trim(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string_view s = StringArg(m, name, args[0], "the text");
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    SetText(m, out, s);
}

template <char kFrom, char kTo>
void ChangeCase(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string s(StringArg(m, name, args[0], "the text"));
    for (char& c : s)
        if (c >= kFrom && c <= kFrom + 25) c = static_cast<char>(c - kFrom + kTo);
    SetText(m, out, s);
}

// Every occurrence, left to right, none overlapping.
void Replace(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string_view s = StringArg(m, name, args[0], "the text");
    std::string_view from = StringArg(m, name, args[1], "the text to replace");
    std::string_view to = StringArg(m, name, args[2], "the replacement");
    if (from.empty()) m.Fail(VE_BAD_ARGUMENT, "replace(): the text to replace is empty");
    TextBuilder text(m, name);
    size_t start = 0;
    for (;;) {
        size_t at = s.find(from, start);
        if (at == std::string_view::npos) break;
        text.Append(s.substr(start, at - start));
        text.Append(to);
        start = at + from.size();
    }
    text.Append(s.substr(start));
    SetText(m, out, text.Text());
}

// A string that holds a number gives it (an integer when it is written as
// one and fits); a number gives itself.
void Number(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    if (IsNumberSlot(args[0])) return Copy(out, args[0]);
    Variable v = Deref(args[0]);
    if (v.type != VT_STRING)
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): the argument must be a string, not " + AKind(v));
    Variable result;
    std::string why;
    if (!ReadNumberValue(StringOf(v), &result, &why))
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): \"" + Clip(StringOf(v), 64) + "\" " + why);
    SetResult(m, out, result);
}

const Builtin kRows[] = {
    {"format", 1, -1, FormatText},
    {"split", 1, 2, Split},
    {"join", 2, 2, Join},
    {"find", 2, 2, Find},
    {"substr", 2, 3, Substr},
    {"trim", 1, 1, Trim},
    {"upper", 1, 1, ChangeCase<'a', 'A'>},
    {"lower", 1, 1, ChangeCase<'A', 'a'>},
    {"replace", 3, 3, Replace},
    {"number", 1, 1, Number},
};

}  // namespace

BuiltinRows StringBuiltins() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vesk::vm
