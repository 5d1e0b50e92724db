// The parser's entry points: a script file, or the source text of a function
// value ("param a, b; return a * b;"), into a syntax tree or one error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "vesk/syntax/ast.h"

namespace vesk {

struct ParseError {
    int32_t line = 0;    // 1-based
    int32_t column = 0;  // 1-based, in bytes
    std::string message;

    // "line:column: message"
    std::string ToString() const;
};

struct ParseResult {
    std::unique_ptr<SyntaxTree> tree;  // null when the source has an error
    ParseError error;                  // the first error, when tree is null

    explicit operator bool() const { return tree != nullptr; }
};

// A script: statements at top level; the root is a Block. Names get IDs from
// the interner, or from the tree's own table when it is empty.
ParseResult ParseScript(std::string_view source, NameInterner interner = {});

// Function text: an optional leading "param a, b, ...;" then statements, with
// return allowed. The root is a Function without a name whose kids are the
// body and then the parameters.
ParseResult ParseFunctionText(std::string_view source, NameInterner interner = {});

}  // namespace vesk
