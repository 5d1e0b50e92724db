// Tokens of the vesk script language and the lexer that cuts a source into
// them, one at a time, with literal values already converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

enum class Tok : uint8_t {
    Eof, Error, Name, Int, Double, String,
    // Keywords
    If, Else, While, For, Break, Continue, Function, Return, Param, Try, Catch, Global,
    New, True, False, Null,
    // Punctuation
    LParen, RParen, LBracket, RBracket, LBrace, RBrace, Comma, Semicolon, Dot, Arrow,
    Plus, Minus, Star, Slash, Percent, Shl, Shr, Lt, Le, Gt, Ge, EqEq, NotEq,
    Amp, Pipe, Caret, Tilde, Bang, AndAnd, OrOr,
    Assign, PlusAssign, MinusAssign, StarAssign, SlashAssign, PercentAssign,
};

struct Token {
    Tok kind = Tok::Eof;
    int32_t line = 1;         // 1-based; for Error, where the fault is
    int32_t column = 1;       // 1-based, in bytes
    std::string_view text;    // the token's source bytes
    int64_t intValue = 0;     // Int: decimal value (capped above 2^32), or a hex literal's 32-bit pattern
    double doubleValue = 0;   // Double
    std::string bytes;        // String: the decoded bytes; Error: the message
};

class Lexer {
public:
    explicit Lexer(std::string_view source);
    // The next token; Eof at the end, forever. After an Error token (the
    // first fault in the source) only Eof follows.
    Token Next();

private:
    bool SkipSpace(Token& error);
    Token Start(Tok kind) const;
    Token Finish(Token token, size_t end);
    Token Fail(int32_t line, int32_t column, std::string message);
    Token Identifier();
    Token Number();
    Token HexNumber(Token token);
    Token String();
    bool Escape(std::string& bytes, Token& error);
    Token Punctuation();
    int32_t Column(size_t at) const { return static_cast<int32_t>(at - lineStart_ + 1); }

    std::string_view src_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int32_t line_ = 1;
};

// A token or source excerpt as error messages show it: quoted, shortened, with
// unprintable bytes as \xHH; "end of file" for Eof.
std::string Describe(const Token& token);
std::string Excerpt(std::string_view bytes);

}  // namespace vesk
