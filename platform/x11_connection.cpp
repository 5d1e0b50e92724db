// X11 glue of the windowing layer: noticing that the connection to the X
// server is gone. Once it is, nothing may talk to the display again: Mesa's
// software path spins for ever putting images on a dead xcb connection (in
// eglSwapBuffers, and in the glFlush of a window or of a pbuffer, which is
// an X pixmap on this platform), and Xlib would print its own text and end
// the process.
#include "platform/x11_window.h"

#include <X11/Xlib-xcb.h>
#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace platform::x11 {
namespace {

// How long the watching thread leaves the interpreter's thread to find the
// loss at its next call before it reports the loss itself.
constexpr auto kGrace = std::chrono::seconds(1);

enum Report { kNotReported, kReporting, kReported };

std::atomic<void (*)(const char*)> handler{nullptr};
::Display* watched = nullptr;            // the platform's connection
XIOErrorHandler previousIoError = nullptr;  // for other connections of the process
std::atomic<bool> hungUp{false};        // the watching thread saw the server hang up
std::atomic<int> report{kNotReported};
char lostText[160] = "the X display was lost: its server closed the connection or stopped";

// Hands the loss to the handler once. A second thread to find it (the
// watching one, or the interpreter's) waits until that call is over, so that
// it cannot go on while the handler ends the process.
void ReportLoss() {
    int expected = kNotReported;
    if (report.compare_exchange_strong(expected, kReporting)) {
        if (auto call = handler.load()) call(lostText);
        report = kReported;
        return;
    }
    while (report.load() != kReported) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Xlib calls this when a read or write on a connection fails, then the
// display's exit handler; for the platform's connection both return, which
// leaves Xlib's calls on it failing at once. Other connections of the
// process (a test's own, say) keep what was there before.
int OnIoError(::Display* display) {
    if (display != watched) return previousIoError ? previousIoError(display) : 0;
    ReportLoss();
    return 0;
}

void OnIoExit(::Display*, void*) {}

// Sleeps until the server hangs up (POLLRDHUP without POLLIN, so events
// waiting to be read do not wake it), then gives the interpreter's thread a
// grace to find the loss at its next call; a thread stuck in the driver
// never comes back, so after the grace this thread reports it.
void Watch(int fd) {
    pollfd connection = {fd, POLLRDHUP, 0};
    for (;;) {
        int ready = poll(&connection, 1, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (connection.revents & POLLNVAL)) return;
        if (connection.revents & (POLLRDHUP | POLLHUP | POLLERR)) break;
    }
    hungUp = true;
    auto end = std::chrono::steady_clock::now() + kGrace;
    while (report.load() == kNotReported && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ReportLoss();
}

}  // namespace

void CatchConnectionErrors(::Display* display) {
    std::snprintf(lostText, sizeof lostText,
                  "the X display %s was lost: its server closed the connection or stopped",
                  DisplayString(display));
    watched = display;
    previousIoError = XSetIOErrorHandler(OnIoError);
    XSetIOErrorExitHandler(display, OnIoExit, nullptr);
}

void WatchConnection(::Display* display) {
    std::thread(Watch, ConnectionNumber(display)).detach();
}

void SetLostHandler(void (*call)(const char* message)) { handler = call; }

bool ConnectionLost(::Display* display) {
    if (report.load() == kNotReported && !hungUp.load() &&
        !xcb_connection_has_error(XGetXCBConnection(display)))
        return false;
    ReportLoss();
    return true;
}

const char* LostText() { return lostText; }

}  // namespace platform::x11
