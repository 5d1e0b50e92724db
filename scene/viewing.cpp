// Viewing: sending the stored viewport, viewer and frustum to OpenGL.
#include <GL/glu.h>

#include <climits>
#include <cmath>

#include "context/context.h"

namespace {

// Truncation toward zero to a 32-bit integer; values beyond its range (and
// NaN) are pinned instead of being undefined.
int Trunc(double v) {
    if (std::isnan(v)) return 0;
    if (v >= INT_MAX) return INT_MAX;
    if (v <= INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

void OglContext::ApplyViewport() {
    long x = static_cast<long>(clientRect.left) + Trunc(viewport.left);
    long y = static_cast<long>(clientRect.bottom) - Trunc(viewport.bottom);
    glViewport(Trunc(static_cast<double>(x)), Trunc(static_cast<double>(y)), Trunc(viewport.Width()),
               Trunc(viewport.Height()));
}

void OglContext::ApplyViewer() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z);
}

void OglContext::ApplyProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(clip.left, clip.right, clip.bottom, clip.top, clip.near, clip.far);
    glMatrixMode(GL_MODELVIEW);
}
