// The lexer: whitespace and comments, names and keywords, numbers, strings
// with escapes, punctuation; the first fault becomes an Error token.
#include "vesk/syntax/lexer.h"

#include <charconv>
#include <cstdio>

namespace vesk {

namespace {

struct Keyword {
    std::string_view text;
    Tok kind;
};
extern const Keyword kKeywords[];
extern const size_t kKeywordCount;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
bool IsNameStart(char c) { return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// Larger than any 32-bit literal; decimal values stop growing here.
constexpr int64_t kValueCap = int64_t(1) << 33;

Tok KeywordOrName(std::string_view text) {
    for (size_t i = 0; i < kKeywordCount; ++i)
        if (kKeywords[i].text == text) return kKeywords[i].kind;
    return Tok::Name;
}

}  // namespace

std::string Excerpt(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    constexpr size_t kShown = 32;
    std::string out = "'";
    for (size_t i = 0; i < bytes.size() && i < kShown; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else ((out += "\\x") += kHex[c >> 4]) += kHex[c & 15];
    }
    if (bytes.size() > kShown) out += "...";
    return out + "'";
}

std::string Describe(const Token& token) {
    return token.kind == Tok::Eof ? "end of file" : Excerpt(token.text);
}

Lexer::Lexer(std::string_view source) : src_(source) {
    // A byte-order mark is not part of the first line's columns.
    if (src_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = lineStart_ = 3;
    // "#!" on the first line lets a script run as an executable.
    if (src_.substr(pos_, 2) == "#!") {
        size_t end = src_.find('\n', pos_);
        pos_ = end == std::string_view::npos ? src_.size() : end;
    }
}

Token Lexer::Next() {
    Token error;
    if (!SkipSpace(error)) return error;
    if (pos_ >= src_.size()) return Start(Tok::Eof);
    char c = src_[pos_];
    if (IsNameStart(c)) return Identifier();
    if (IsDigit(c) || (c == '.' && pos_ + 1 < src_.size() && IsDigit(src_[pos_ + 1])))
        return Number();
    if (c == '"') return String();
    return Punctuation();
}

bool Lexer::SkipSpace(Token& error) {
    while (pos_ < src_.size()) {
        char c = src_[pos_];
        char next = pos_ + 1 < src_.size() ? src_[pos_ + 1] : '\0';
        if (c == '\n') {
            lineStart_ = ++pos_;
            ++line_;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '/' && next == '/') {
            size_t end = src_.find('\n', pos_);
            pos_ = end == std::string_view::npos ? src_.size() : end;
        } else if (c == '/' && next == '*') {
            int32_t line = line_, column = Column(pos_);
            for (pos_ += 2; pos_ + 1 < src_.size() && !(src_[pos_] == '*' && src_[pos_ + 1] == '/'); ++pos_)
                if (src_[pos_] == '\n') lineStart_ = pos_ + 1, ++line_;
            if (pos_ + 1 >= src_.size()) {
                error = Fail(line, column, "unterminated comment");
                return false;
            }
            pos_ += 2;
        } else {
            break;
        }
    }
    return true;
}

Token Lexer::Start(Tok kind) const {
    Token token;
    token.kind = kind;
    token.line = line_;
    token.column = Column(pos_);
    token.text = src_.substr(pos_, 0);
    return token;
}

Token Lexer::Finish(Token token, size_t end) {
    token.text = src_.substr(pos_, end - pos_);
    pos_ = end;
    return token;
}

// After a fault nothing more is read: the lexer answers Eof from then on.
Token Lexer::Fail(int32_t line, int32_t column, std::string message) {
    Token token;
    token.kind = Tok::Error;
    token.line = line;
    token.column = column;
    token.bytes = std::move(message);
    pos_ = src_.size();
    return token;
}

Token Lexer::Identifier() {
    size_t end = pos_;
    while (end < src_.size() && IsNameChar(src_[end])) ++end;
    Token token = Finish(Start(Tok::Name), end);
    token.kind = KeywordOrName(token.text);
    return token;
}

// Decimal integers, and doubles with a fraction or an exponent: 1. .5 1e3 2.5E-3
Token Lexer::Number() {
    Token token = Start(Tok::Int);
    size_t end = pos_, size = src_.size();
    if (src_[end] == '0' && end + 1 < size && (src_[end + 1] | 0x20) == 'x') return HexNumber(token);
    while (end < size && IsDigit(src_[end])) ++end;
    if (end < size && src_[end] == '.') {
        token.kind = Tok::Double;
        for (++end; end < size && IsDigit(src_[end]);) ++end;
    }
    if (end < size && (src_[end] | 0x20) == 'e') {
        size_t digits = end + 1;
        if (digits < size && (src_[digits] == '+' || src_[digits] == '-')) ++digits;
        if (digits < size && IsDigit(src_[digits])) {
            token.kind = Tok::Double;
            for (end = digits; end < size && IsDigit(src_[end]);) ++end;
        }
    }
    if (end < size && IsNameChar(src_[end])) {
        while (end < size && IsNameChar(src_[end])) ++end;
        return Fail(token.line, token.column, "malformed number " + Excerpt(src_.substr(pos_, end - pos_)));
    }
    token = Finish(std::move(token), end);
    if (token.kind == Tok::Int) {
        for (char c : token.text)
            if (token.intValue < kValueCap) token.intValue = token.intValue * 10 + (c - '0');
        return token;
    }
    auto result = std::from_chars(token.text.data(), token.text.data() + token.text.size(), token.doubleValue);
    // Beyond a double's range either way (1e999, 1e-999) is refused, not made inf or 0.
    if (result.ec != std::errc())
        return Fail(token.line, token.column, "number " + Excerpt(token.text) + " is out of the range of a double");
    return token;
}

// 0x... up to 0xFFFFFFFF, kept as the 32-bit pattern so that 0xFF0000 and
// 0xFFFFFFFF read as colours and masks.
Token Lexer::HexNumber(Token token) {
    size_t end = pos_ + 2, size = src_.size();
    int64_t value = 0;
    for (; end < size && IsHexDigit(src_[end]); ++end)
        if (value < kValueCap) value = value * 16 + HexValue(src_[end]);
    size_t digitsEnd = end;
    while (end < size && IsNameChar(src_[end])) ++end;
    std::string_view text = src_.substr(pos_, end - pos_);
    if (digitsEnd == pos_ + 2 || end != digitsEnd)
        return Fail(token.line, token.column, "malformed number " + Excerpt(text));
    if (value > 0xFFFFFFFF)
        return Fail(token.line, token.column, "hexadecimal number " + Excerpt(text) + " does not fit in 32 bits");
    token.intValue = static_cast<int32_t>(static_cast<uint32_t>(value));
    return Finish(std::move(token), end);
}

// "..." with \n \t \\ \" \xHH; any other byte but a newline stands for itself.
Token Lexer::String() {
    Token token = Start(Tok::String);
    size_t open = pos_;
    ++pos_;
    while (pos_ < src_.size() && src_[pos_] != '"') {
        char c = src_[pos_];
        if (c == '\n') break;
        if (c != '\\') {
            token.bytes += c;
            ++pos_;
        } else if (Token error; !Escape(token.bytes, error)) {
            return error;
        }
    }
    if (pos_ >= src_.size() || src_[pos_] != '"') {
        const char* why = pos_ < src_.size() ? "unterminated string (a string ends on its line; write \\n for a newline)"
                                             : "unterminated string";
        return Fail(token.line, token.column, why);
    }
    ++pos_;
    token.text = src_.substr(open, pos_ - open);
    return token;
}

bool Lexer::Escape(std::string& bytes, Token& error) {
    int32_t column = Column(pos_);
    char c = pos_ + 1 < src_.size() ? src_[pos_ + 1] : '\0';
    if (pos_ + 1 >= src_.size() || c == '\n') {  // leave it to the unterminated check
        ++pos_;
        return true;
    }
    pos_ += 2;
    switch (c) {
    case 'n': bytes += '\n'; return true;
    case 't': bytes += '\t'; return true;
    case '\\': bytes += '\\'; return true;
    case '"': bytes += '"'; return true;
    case 'x':
        if (pos_ + 1 < src_.size() && IsHexDigit(src_[pos_]) && IsHexDigit(src_[pos_ + 1])) {
            bytes += static_cast<char>(HexValue(src_[pos_]) * 16 + HexValue(src_[pos_ + 1]));
            pos_ += 2;
            return true;
        }
        error = Fail(line_, column, "'\\x' needs two hexadecimal digits");
        return false;
    default:
        error = Fail(line_, column, "unknown escape " + Excerpt(src_.substr(pos_ - 2, 2)) +
                                        " in string (known: \\n \\t \\\\ \\\" \\xHH)");
        return false;
    }
}

Token Lexer::Punctuation() {
    char c = src_[pos_];
    char next = pos_ + 1 < src_.size() ? src_[pos_ + 1] : '\0';
    Tok kind = Tok::Error;
    size_t length = 1;
    auto pick = [&](char second, Tok two, Tok one) {
        kind = next == second ? (length = 2, two) : one;
    };
    switch (c) {
    case '(': kind = Tok::LParen; break;
    case ')': kind = Tok::RParen; break;
    case '[': kind = Tok::LBracket; break;
    case ']': kind = Tok::RBracket; break;
    case '{': kind = Tok::LBrace; break;
    case '}': kind = Tok::RBrace; break;
    case ',': kind = Tok::Comma; break;
    case ';': kind = Tok::Semicolon; break;
    case '.': kind = Tok::Dot; break;
    case '~': kind = Tok::Tilde; break;
    case '^': kind = Tok::Caret; break;
    case '-':
        if (next == '>') kind = Tok::Arrow, length = 2;
        else pick('=', Tok::MinusAssign, Tok::Minus);
        break;
    case '<':
        if (next == '<') kind = Tok::Shl, length = 2;
        else pick('=', Tok::Le, Tok::Lt);
        break;
    case '>':
        if (next == '>') kind = Tok::Shr, length = 2;
        else pick('=', Tok::Ge, Tok::Gt);
        break;
    case '+': pick('=', Tok::PlusAssign, Tok::Plus); break;
    case '*': pick('=', Tok::StarAssign, Tok::Star); break;
    case '/': pick('=', Tok::SlashAssign, Tok::Slash); break;
    case '%': pick('=', Tok::PercentAssign, Tok::Percent); break;
    case '=': pick('=', Tok::EqEq, Tok::Assign); break;
    case '!': pick('=', Tok::NotEq, Tok::Bang); break;
    case '&': pick('&', Tok::AndAnd, Tok::Amp); break;
    case '|': pick('|', Tok::OrOr, Tok::Pipe); break;
    default: {
        unsigned char byte = static_cast<unsigned char>(c);
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", byte);
        std::string what = byte > 0x20 && byte < 0x7F ? "character " + Excerpt(src_.substr(pos_, 1))
                                                      : std::string("byte ") + hex;
        return Fail(line_, Column(pos_), "unexpected " + what);
    }
    }
    return Finish(Start(kind), pos_ + length);
}

namespace {

const Keyword kKeywords[] = {
    {"if", Tok::If},           {"else", Tok::Else},       {"while", Tok::While},
    {"for", Tok::For},         {"break", Tok::Break},     {"continue", Tok::Continue},
    {"function", Tok::Function}, {"return", Tok::Return}, {"param", Tok::Param},
    {"try", Tok::Try},         {"catch", Tok::Catch},     {"new", Tok::New},
    {"global", Tok::Global},
    {"true", Tok::True},       {"false", Tok::False},     {"null", Tok::Null},
};
const size_t kKeywordCount = sizeof kKeywords / sizeof kKeywords[0];

}  // namespace

}  // namespace vesk
