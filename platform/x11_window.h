// X11 glue of the windowing layer: the display connection and its loss,
// top-level windows made with a given visual, and X events translated into
// platform events.
#pragma once

// platform.h first: Xlib defines None as a macro, which EventKind::None would meet.
#include "platform/platform.h"

#include <X11/Xlib.h>

namespace platform::x11 {

// One top-level window and what is needed to tear it down again.
struct XWindow {
    ::Window id = 0;
    Colormap colormap = 0;
    VisualID visual = 0;
    Atom protocols = 0, deleteWindow = 0;  // WM_PROTOCOLS, WM_DELETE_WINDOW
    int width = 0, height = 0;             // last size the server reported
    bool gone = false;                     // destroyed by another client
};

// Opens the display named by DISPLAY (null when unset or unreachable) and
// routes X protocol errors to a recorder instead of Xlib's exit, and a broken
// connection to ConnectionLost's report instead of Xlib's message and exit.
::Display* OpenDisplay();

// ---- the connection's loss (x11_connection.cpp)

// Takes Xlib's fatal I/O errors on the display (which would print and exit)
// as the connection's loss.
void CatchConnectionErrors(::Display* display);

// Starts the thread that notices the server hanging up on the display's
// connection (a killed client, a server that ended) while nobody talks to it.
void WatchConnection(::Display* display);

// Who hears, once, that the connection is lost; see platform::OnDisplayLost.
void SetLostHandler(void (*handler)(const char* message));

// True once the connection is lost: Xlib or xcb (Mesa's path to the server)
// met it broken, or the server hung up. The first call to find it reports it.
bool ConnectionLost(::Display* display);

// What a lost connection is called, naming the display.
const char* LostText();

// Makes and maps a window of the given visual; null on success, else why not.
const char* CreateWindow(::Display* display, VisualID visual, int width, int height,
                         const char* title, XWindow* window);

// Destroys the window and drops the events still queued for it.
void DestroyWindow(::Display* display, XWindow* window);

// ---- pointer and keys (x11_input.cpp)

// Asks the server to send no release between the presses of a held key.
void ReportReleasesOnce(::Display* display);

// A button, motion or key event as a platform event; false for those not
// reported (the release that ends a wheel step) and for other kinds.
bool TranslateInput(XEvent& x, Event* event);

// The next event of this window that the platform reports, waiting for one
// when `wait` is set; false when none is queued, or when the connection is
// lost (the only way a wait ends without an event).
// A window that another client destroys reports a close and is gone: wait
// for nothing more from it.
bool NextEvent(::Display* display, XWindow* window, bool wait, Event* event);

}  // namespace platform::x11
