// The runner's standard output: buffered in blocks, as printing many lines
// needs, yet every printed line reaches a pipe or a log file within a few
// hundredths of a second, and only whole lines do.
#pragma once

#include <string_view>

namespace vesk {

// While one lives, a thread flushes standard output when lines wait in its
// buffer and no line is half written (a terminal is line-buffered by stdio
// itself, and gets no thread). It stops when the object goes.
class LineFlusher {
public:
    LineFlusher();
    ~LineFlusher();
    LineFlusher(const LineFlusher&) = delete;
    LineFlusher& operator=(const LineFlusher&) = delete;

    // Writes script output to standard output (the interpreter's output
    // function), noting whether it ends a line.
    static void Write(std::string_view text);
};

}  // namespace vesk
