// The line flusher. Writing one line at a time (line buffering) costs a
// system call a line, which makes a loop that prints slower tenfold; so
// output stays block-buffered and a thread flushes it every kInterval when
// something waits. The writer and the thread agree through stdout's own
// lock: the writer notes under it whether its text ended a line, and the
// thread flushes under it only then, so a reader never sees half a line.
#include "vesk/runner/script_output.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace vesk {

namespace {

constexpr std::chrono::milliseconds kInterval(20);

// Both under stdout's lock.
bool waiting = false;    // bytes written since the last flush
bool lineEnded = true;   // the last byte written was a line end

std::mutex stopMutex;
std::condition_variable stopSignal;
bool stopping = false;
std::thread flusher;

void FlushWholeLines() {
    flockfile(stdout);
    if (waiting && lineEnded) {
        std::fflush(stdout);
        waiting = false;
    }
    funlockfile(stdout);
}

}  // namespace

LineFlusher::LineFlusher() {
    if (isatty(fileno(stdout))) return;
    stopping = false;
    flusher = std::thread([] {
        std::unique_lock<std::mutex> lock(stopMutex);
        while (!stopSignal.wait_for(lock, kInterval, [] { return stopping; })) FlushWholeLines();
    });
}

LineFlusher::~LineFlusher() {
    if (!flusher.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(stopMutex);
        stopping = true;
    }
    stopSignal.notify_one();
    flusher.join();
}

void LineFlusher::Write(std::string_view text) {
    if (text.empty()) return;
    flockfile(stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    waiting = true;
    lineEnded = text.back() == '\n';
    funlockfile(stdout);
}

}  // namespace vesk
