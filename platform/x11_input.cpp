// X11 glue of the windowing layer: pointer and keyboard events as platform
// events, with the buttons and modifier keys held as masks.
#include "platform/x11_window.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

namespace platform::x11 {
namespace {

// Shift, Control and Alt (Mod1 on every usual keymap) of an X state word.
int Modifiers(unsigned state) {
    return (state & ShiftMask ? kShiftHeld : 0) | (state & ControlMask ? kControlHeld : 0) |
           (state & Mod1Mask ? kAltHeld : 0);
}

// The left, middle and right buttons of an X state word.
int ButtonsHeld(unsigned state) {
    return (state & Button1Mask ? kLeftHeld : 0) | (state & Button2Mask ? kMiddleHeld : 0) |
           (state & Button3Mask ? kRightHeld : 0);
}

// X reports a wheel step (buttons 4 to 7) as a press and a release at once;
// the step is the press alone.
bool IsWheel(unsigned button) { return button >= 4 && button <= 7; }

Event Make(EventKind kind, int x, int y, int button, unsigned state) {
    Event event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.button = button;
    event.modifiers = Modifiers(state);
    return event;
}

}  // namespace

// Held keys repeat as presses alone, with no release between them, so that
// "keyrelease" means the key was let go.
void ReportReleasesOnce(::Display* display) { XkbSetDetectableAutoRepeat(display, True, nullptr); }

bool TranslateInput(XEvent& x, Event* event) {
    switch (x.type) {
    case ButtonPress:
        *event = Make(EventKind::Button, x.xbutton.x, x.xbutton.y, int(x.xbutton.button),
                      x.xbutton.state);
        return true;
    case ButtonRelease:
        if (IsWheel(x.xbutton.button)) return false;
        *event = Make(EventKind::Release, x.xbutton.x, x.xbutton.y, int(x.xbutton.button),
                      x.xbutton.state);
        return true;
    case MotionNotify:
        *event = Make(EventKind::Motion, x.xmotion.x, x.xmotion.y, ButtonsHeld(x.xmotion.state),
                      x.xmotion.state);
        return true;
    case KeyPress:
    case KeyRelease: {
        KeySym symbol = NoSymbol;
        char text[8];
        XLookupString(&x.xkey, text, sizeof text, &symbol, nullptr);
        *event = Make(x.type == KeyPress ? EventKind::Key : EventKind::KeyUp, x.xkey.x,
                      x.xkey.y, int(symbol), x.xkey.state);
        return true;
    }
    }
    return false;
}

}  // namespace platform::x11
