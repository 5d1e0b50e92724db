// X11 glue of the windowing layer: opening the display, making windows with
// the visual an EGL config names, and turning X events into platform events.
#include "platform/x11_window.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <cstdlib>
#include <ctime>

namespace platform::x11 {
namespace {

int lastXError = 0;  // code of the last X protocol error, 0 when none

// Xlib's default handler ends the process; a script must get an error instead.
int RecordError(::Display*, XErrorEvent* error) {
    lastXError = error->error_code;
    return 0;
}

// Matches every queued event that belongs to the window.
Bool IsFor(::Display*, XEvent* event, XPointer window) {
    return event->xany.window == *reinterpret_cast<::Window*>(window);
}

// Waits, two seconds at most, until the server has mapped the window, so
// that drawing and input aimed at it right after creation reach it.
void AwaitMap(::Display* display, ::Window id) {
    XEvent event;
    for (int i = 0; i < 200; ++i) {
        if (XCheckTypedWindowEvent(display, id, MapNotify, &event)) return;
        timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

// Names the window and asks the window manager for a close message instead
// of killing the connection when the user closes it.
void Decorate(::Display* display, XWindow* window, const char* title) {
    XStoreName(display, window->id, title);
    window->protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    window->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window->id, &window->deleteWindow, 1);
}

// One X event as a platform event; false for those the platform does not
// report (mapping, exposure, moves that keep the size, other messages). A
// window destroyed behind the script's back (xdotool windowclose, xkill of
// the window alone) is a close too: no further event would ever come.
bool Translate(XWindow* window, XEvent& x, Event* event) {
    switch (x.type) {
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
    case KeyPress:
    case KeyRelease:
        return TranslateInput(x, event);
    case ConfigureNotify:
        if (x.xconfigure.width == window->width && x.xconfigure.height == window->height)
            return false;
        window->width = x.xconfigure.width;
        window->height = x.xconfigure.height;
        *event = {EventKind::Resize, window->width, window->height, 0};
        return true;
    case ClientMessage:
        if (x.xclient.message_type != window->protocols ||
            Atom(x.xclient.data.l[0]) != window->deleteWindow)
            return false;
        *event = {EventKind::Close, 0, 0, 0};
        return true;
    case DestroyNotify:
        if (x.xdestroywindow.window != window->id) return false;
        window->gone = true;
        *event = {EventKind::Close, 0, 0, 0};
        return true;
    }
    return false;
}

}  // namespace

::Display* OpenDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    ::Display* display = XOpenDisplay(name);
    if (!display) return nullptr;
    XSetErrorHandler(RecordError);
    CatchConnectionErrors(display);
    ReportReleasesOnce(display);
    return display;
}

const char* CreateWindow(::Display* display, VisualID visual, int width, int height,
                         const char* title, XWindow* window) {
    XVisualInfo wanted = {};
    wanted.visualid = visual;
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    if (!info) return "the X server has no visual for this pixel format";
    ::Window root = DefaultRootWindow(display);
    XSetWindowAttributes attributes = {};
    attributes.colormap = XCreateColormap(display, root, info->visual, AllocNone);
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask;
    // The border pixel is given so that a visual other than the root's is accepted.
    lastXError = 0;
    ::Window id = XCreateWindow(display, root, 0, 0, unsigned(width), unsigned(height), 0,
                                info->depth, InputOutput, info->visual,
                                CWColormap | CWEventMask | CWBorderPixel, &attributes);
    XFree(info);
    XSync(display, False);
    if (lastXError || !id) {
        if (id) XDestroyWindow(display, id);
        XFreeColormap(display, attributes.colormap);
        return "the X server refused to create the window";
    }
    *window = {id, attributes.colormap, visual, 0, 0, width, height};
    Decorate(display, window, title);
    XMapWindow(display, id);
    AwaitMap(display, id);
    return nullptr;
}

void DestroyWindow(::Display* display, XWindow* window) {
    if (!window->id) return;
    if (!window->gone) XDestroyWindow(display, window->id);
    XFreeColormap(display, window->colormap);
    XSync(display, False);
    XEvent event;
    while (XCheckIfEvent(display, &event, IsFor, XPointer(&window->id))) {
    }
    *window = XWindow();
}

// Waits on the connection itself rather than in XIfEvent, which loops for
// ever once the connection is broken. XCheckIfEvent has read everything
// already there into Xlib's queue, so poll wakes only for new input or for
// the server hanging up; the next XCheckIfEvent then meets the loss.
bool NextEvent(::Display* display, XWindow* window, bool wait, Event* event) {
    XEvent x;
    for (;;) {
        while (XCheckIfEvent(display, &x, IsFor, XPointer(&window->id)))
            if (Translate(window, x, event)) return true;
        if (!wait || ConnectionLost(display)) return false;
        pollfd connection = {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, -1);
    }
}

}  // namespace platform::x11
