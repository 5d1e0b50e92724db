// Shared set-up of the picking tests: an open context on an offscreen device
// and raw OpenGL drawing, so that the tests depend on no drawing method.
#pragma once

#include <GL/gl.h>

#include <vector>

#include "context/context.h"
#include "tests/support/harness.h"

inline OglContext* Native(Variable& gl) { return static_cast<OglContext*>(gl.data.obj->GetAss()); }

// A VOpenGL object opened on a new offscreen device of w x h pixels.
struct OpenScene {
    Variable dc, gl;
    OglContext* c = nullptr;

    OpenScene(Harness& h, int w, int h_) {
        dc = h.New("MDC", {Int(w), Int(h_)});
        gl = h.New("VOpenGL");
        h.Call(gl, "Open", {dc});
        c = Native(gl);
    }
};

// Empties OpenGL's error flags (opening with the default frustum sets one).
inline void ClearGlErrors() {
    while (glGetError() != GL_NO_ERROR) {}
}

// A square of side 2 * half centred on (x, y) at depth z, in the current
// colour, as immediate-mode OpenGL.
inline void Square(float x, float y, float z, float half) {
    glBegin(GL_QUADS);
    glVertex3f(x - half, y - half, z);
    glVertex3f(x + half, y - half, z);
    glVertex3f(x + half, y + half, z);
    glVertex3f(x - half, y + half, z);
    glEnd();
}

// The colour buffer as RGB bytes, bottom row first.
inline std::vector<unsigned char> Pixels(int w, int h) {
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Red of pixel (x, y), y counted from the bottom.
inline int RedAt(const std::vector<unsigned char>& rgb, int w, int x, int y) {
    return rgb[(static_cast<size_t>(y) * w + x) * 3];
}
