// The camera: sending the stored viewport, viewer and frustum to OpenGL,
// setting them, and the model-view transforms scripts call.
#include "scene/viewing.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "module/rules.h"

using rules::Trunc;

namespace {

void SetIdentity(double m[16]) {
    for (int i = 0; i < 16; i++) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

}  // namespace

void OglView::ApplyViewport() const {
    long x = static_cast<long>(clientRect.left) + Trunc(viewport.left);
    long y = static_cast<long>(clientRect.bottom) - Trunc(viewport.bottom);
    glViewport(Trunc(static_cast<double>(x)), Trunc(static_cast<double>(y)), Trunc(viewport.Width()),
               Trunc(viewport.Height()));
}

void OglView::LookAt() const { gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z); }

void OglView::ApplyViewer() const {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    LookAt();
}

void OglView::ApplyFrustum() const { glFrustum(clip.left, clip.right, clip.bottom, clip.top, clip.near, clip.far); }

void OglView::ApplyProjection() const {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    ApplyFrustum();
    glMatrixMode(GL_MODELVIEW);
}

// ---- camera ---------------------------------------------------------------------

void OglView::SetViewport(float left, float top, float right, float bottom, bool open) {
    viewport.Set(left, top, right, bottom);
    if (!open) return;
    ApplyViewport();
    ApplyProjection();
}

void OglView::SetViewer(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
                        float upX, float upY, float upZ, bool open) {
    eye.Set(eyeX, eyeY, eyeZ, 1.0f);
    center.Set(centerX, centerY, centerZ, 1.0f);
    up.Set(upX, upY, upZ, 1.0f);
    up.Normalize();
    if (open) ApplyViewer();
}

// The clipping box stores left, right, top, bottom; the arguments come with
// bottom before top, as glFrustum takes them.
void OglView::SetClipping(float left, float right, float bottom, float top, float near, float far, bool open) {
    clip = OglBox(left, right, top, bottom, near, far);
    if (open) ApplyProjection();
}

// The half height of the near plane is computed in extended precision with
// the constants 180.0, 3.14159 (not pi) and 2.0, so that the stored box is
// exactly the one scripts have always got. The left edge comes from the
// unrounded half height, the right edge from the stored (rounded) one.
void OglView::SetPerspective(float fovy, float aspect, float near, float far, bool open) {
    if (!(near > 0.0f)) near = 1.0f;
    const long double halfAngle = static_cast<long double>(fovy) / static_cast<long double>(180.0) *
                                  static_cast<long double>(3.14159) / static_cast<long double>(2.0);
    const long double top = static_cast<long double>(near) * std::tan(halfAngle);
    clip.left = static_cast<float>(-top * aspect);
    clip.top = static_cast<float>(top);
    clip.right = clip.top * aspect;
    clip.bottom = static_cast<float>(-top);
    clip.near = near;
    clip.far = far;
    if (open) ApplyProjection();
}

// ---- model-view transforms ----------------------------------------------------

void OglView::Translate(float x, float y, float z, bool open) {
    if (!open) return;
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(x, y, z);
}

void OglView::Rotate(float x, float y, float z, float angle, bool open) {
    if (!open) return;
    glMatrixMode(GL_MODELVIEW);
    glRotatef(angle, x, y, z);
}

void OglView::Scale(float x, float y, float z, bool open) {
    if (!open) return;
    glMatrixMode(GL_MODELVIEW);
    glScalef(x, y, z);
}

void OglView::PushModelMatrix(bool open) {
    if (!open) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void OglView::PopModelMatrix(bool open) {
    if (!open) return;
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void OglView::LoadIdentity() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The matrix is relative to the viewer: the model-view becomes viewer x matrix.
void OglView::LoadMatrix(const double matrix[16]) const {
    ApplyViewer();
    glMultMatrixd(matrix);
}

void OglView::MultiplyMatrix(const double matrix[16]) {
    glMatrixMode(GL_MODELVIEW);
    glMultMatrixd(matrix);
}

// Without a current context OpenGL writes nothing into the arrays.
void OglView::GetMatrices(double full[16], double look[16]) const {
    SetIdentity(full);
    SetIdentity(look);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, full);
    glLoadIdentity();
    LookAt();
    glGetDoublev(GL_MODELVIEW_MATRIX, look);
    glPopMatrix();
}
