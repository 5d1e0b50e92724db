#include "vesk/runner/prompt.h"

#include <cstdio>
#include <string_view>

#include "vesk/runner/line_editor.h"

namespace vesk {

namespace {

bool IsBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// A lone expression statement, rewritten to keep its value in `_` with
// its own line numbers; "" when that cannot be done. The statement may end
// with a ';', which has to go inside the parentheses.
std::string Echoing(const std::string& text) {
    std::string bare = text;
    for (int attempt = 0; attempt < 2; attempt++) {
        std::string wrapped = "_ = (" + bare + "\n);";
        if (Interpreter::Inspect(wrapped).parses) return wrapped;
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
        Interpreter::Shape shape = Interpreter::Inspect(pending);
        if (shape.unfinished) continue;
        std::string entry(pending, 0, pending.size() - 1);
        pending.clear();
        AddHistory(entry);
        std::string echo = shape.loneExpression ? Echoing(entry) : "";
        ScriptOutcome outcome = interpreter.RunScript(echo.empty() ? entry : echo, "stdin");
        report(outcome);
        if (echo.empty() || outcome.kind != ScriptOutcome::Ok) continue;
        const Variable* value = interpreter.Global("_");
        if (value && value->type != VT_EMPTY) std::printf("%s\n", Format(*value).c_str());
    }
}

}  // namespace vesk
