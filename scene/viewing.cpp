// Viewing: the stored viewport, viewer and frustum, sending them to OpenGL,
// the model-view transforms scripts call, and the handlers of the camera and
// matrix methods of VOpenGL.
#include <GL/glu.h>

#include <climits>
#include <cmath>
#include <new>

#include "context/context.h"
#include "module/rules.h"

using rules::Trunc;

namespace {

void SetIdentity(double m[16]) {
    for (int i = 0; i < 16; i++) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
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

// ---- camera ---------------------------------------------------------------------

void OglContext::SetViewport(float left, float top, float right, float bottom) {
    viewport.Set(left, top, right, bottom);
    if (!IsOpen()) return;
    ApplyViewport();
    ApplyProjection();
}

void OglContext::SetViewer(float eyeX, float eyeY, float eyeZ, float centerX, float centerY,
                           float centerZ, float upX, float upY, float upZ) {
    eye.Set(eyeX, eyeY, eyeZ, 1.0f);
    center.Set(centerX, centerY, centerZ, 1.0f);
    up.Set(upX, upY, upZ, 1.0f);
    up.Normalize();
    if (IsOpen()) ApplyViewer();
}

void OglContext::GetViewer(OglPoint4& eyeOut, OglPoint4& centerOut, OglPoint4& upOut) const {
    eyeOut = eye;
    centerOut = center;
    upOut = up;
}

// The clipping box stores left, right, top, bottom; the arguments come with
// bottom before top, as glFrustum takes them.
void OglContext::SetClipping(float left, float right, float bottom, float top, float near, float far) {
    clip = OglBox(left, right, top, bottom, near, far);
    if (IsOpen()) ApplyProjection();
}

// The half height of the near plane is computed in extended precision with
// the constants 180.0, 3.14159 (not pi) and 2.0, so that the stored box is
// exactly the one scripts have always got. The left edge comes from the
// unrounded half height, the right edge from the stored (rounded) one.
void OglContext::SetPerspective(float fovy, float aspect, float near, float far) {
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
    if (IsOpen()) ApplyProjection();
}

// ---- model-view transforms ----------------------------------------------------

void OglContext::Translate(float x, float y, float z) {
    if (!IsOpen()) return;
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(x, y, z);
}

void OglContext::Rotate(float x, float y, float z, float angle) {
    if (!IsOpen()) return;
    glMatrixMode(GL_MODELVIEW);
    glRotatef(angle, x, y, z);
}

void OglContext::Scale(float x, float y, float z) {
    if (!IsOpen()) return;
    glMatrixMode(GL_MODELVIEW);
    glScalef(x, y, z);
}

void OglContext::PushModelMatrix() {
    if (!IsOpen()) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void OglContext::PopModelMatrix() {
    if (!IsOpen()) return;
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void OglContext::LoadIdentity() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The matrix is relative to the viewer: the model-view becomes viewer x matrix.
void OglContext::LoadMatrix(const double matrix[16]) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z);
    glMultMatrixd(matrix);
}

void OglContext::MultiplyMatrix(const double matrix[16]) {
    glMatrixMode(GL_MODELVIEW);
    glMultMatrixd(matrix);
}

// The current model-view and the viewer's own; the model-view is left as it
// was. Without a current context OpenGL writes nothing and both stay identity.
void OglContext::GetMatrices(double full[16], double look[16]) {
    SetIdentity(full);
    SetIdentity(look);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, full);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z);
    glGetDoublev(GL_MODELVIEW_MATRIX, look);
    glPopMatrix();
}
