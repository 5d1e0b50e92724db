#include "vesk/prompt.h"

#include <cstdio>
#include <string_view>

#include "vesk/line_editor.h"
#include "vesk/parser.h"

namespace vesk {

namespace {

int32_t Intern(const char* name) { return ::Token::GetNameID(name); }

// A syntax error that more lines may mend: the source ended inside a
// statement, a bracket or a comment.
bool Unfinished(const ParseResult& parsed) {
    const std::string& m = parsed.error.message;
    return m.find("end of file") != std::string::npos || m.find("unterminated comment") != std::string::npos;
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// A lone expression statement, rewritten to keep its value in `_`; "" for
// anything else. Its own line numbers stay. The statement may end with a
// ';', which has to go inside the parentheses.
std::string Echoing(const std::string& text, const ParseResult& parsed) {
    const Node* root = parsed.tree->Root();
    if (root->count != 1 || root->kids[0]->kind != NodeKind::ExprStmt) return "";
    std::string bare = text;
    for (int attempt = 0; attempt < 2; attempt++) {
        std::string wrapped = "_ = (" + bare + "\n);";
        if (ParseScript(wrapped, Intern)) return wrapped;
        size_t semicolon = bare.rfind(';');
        if (semicolon == std::string::npos) break;
        bare.erase(semicolon, 1);
    }
    return "";
}

}  // namespace

void RunPrompt(Interpreter& interpreter, const std::function<void(const ScriptOutcome&)>& report) {
    std::string pending;
    for (;;) {
        std::fflush(stdout);
        std::string line;
        if (!ReadLine(pending.empty() ? "vesk> " : "..... ", &line)) {
            std::fputc('\n', stdout);
            return;
        }
        pending += line;
        pending += '\n';
        if (IsBlank(pending)) {
            pending.clear();
            continue;
        }
        ParseResult parsed = ParseScript(pending, Intern);
        if (!parsed && Unfinished(parsed)) continue;
        std::string entry(pending, 0, pending.size() - 1);
        pending.clear();
        AddHistory(entry);
        std::string echo = parsed ? Echoing(entry, parsed) : "";
        ScriptOutcome outcome = interpreter.RunScript(echo.empty() ? entry : echo, "stdin");
        report(outcome);
        if (echo.empty() || outcome.kind != ScriptOutcome::Ok) continue;
        const Variable* value = interpreter.Global("_");
        if (value && value->type != VT_EMPTY) std::printf("%s\n", Format(*value).c_str());
    }
}

}  // namespace vesk
