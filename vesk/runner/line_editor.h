// Line editing and history for the prompt, through libedit. Kept apart:
// libedit's header names a type VFunction, as the host's value model does.
#pragma once

#include <string>

namespace vesk {

// Shows `prompt` and reads one line with editing (arrows, history, Ctrl-R).
// False at the end of input.
bool ReadLine(const char* prompt, std::string* line);
// Adds a line to the history the arrows walk.
void AddHistory(const std::string& line);

}  // namespace vesk
