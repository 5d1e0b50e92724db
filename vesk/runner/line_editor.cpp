#include "vesk/runner/line_editor.h"

#include <editline/readline.h>

#include <cstdlib>

namespace vesk {

bool ReadLine(const char* prompt, std::string* line) {
    char* text = readline(prompt);
    if (!text) return false;
    line->assign(text);
    std::free(text);
    return true;
}

void AddHistory(const std::string& line) { add_history(line.c_str()); }

}  // namespace vesk
