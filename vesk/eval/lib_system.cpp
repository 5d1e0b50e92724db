// The builtins that deal with the world outside the script: flush() and
// sleep(seconds).
#include <time.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "vesk/eval/library.h"

namespace vesk::vm {

namespace {

// Printed lines reach standard output as they are printed (the runner
// makes it line-buffered); flush() pushes out what waits all the same, and
// reports output that cannot be written.
void Flush(Machine& m, const char* name, Slot*, int, Slot& out) {
    if (std::fflush(stdout) != 0)
        m.Fail(VE_FILE, std::string(name) + "(): cannot write the output: " + std::strerror(errno));
    Release(out);
}

// Waits on the monotonic clock until the time is up; a signal with a
// handler does not cut it short, and Ctrl-C, whose default ends the
// process, ends it. A run with a statement limit (one that must finish,
// such as a fuzzer's) checks the argument and does not wait.
void Sleep(Machine& m, const char* name, Slot* args, int, Slot& out) {
    double seconds = NumberArg(m, name, args[0], "the number of seconds");
    if (!(seconds >= 0))
        m.Fail(VE_BAD_ARGUMENT, std::string(name) + "(): the number of seconds must be 0 or more, not " +
                                    Format(Deref(args[0])));
    Release(out);
    if (m.stepLimit_ || seconds == 0) return;
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    // Beyond about 30 billion years the wait is endless all the same.
    constexpr double kForever = 1e18;
    double whole = std::floor(seconds < kForever ? seconds : kForever);
    until.tv_sec += static_cast<time_t>(whole);
    until.tv_nsec += static_cast<long>((seconds < kForever ? seconds - whole : 0) * 1e9);
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec++;
        until.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

const Builtin kRows[] = {
    {"flush", 0, 0, Flush},
    {"sleep", 1, 1, Sleep},
};

}  // namespace

BuiltinRows SystemBuiltins() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vesk::vm
