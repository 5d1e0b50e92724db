// Cubic NURBS curves and surfaces: the handlers check the sizes of the
// script Vectors and build the knot and control arrays; the context renders
// them with a GLU NURBS renderer made for the one call, whose errors come
// back as OGL_NURBS_ERROR.
#include <GL/glu.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

constexpr int kOrder = 4;
// Control nets beyond this many points are not built (3 floats a point).
constexpr long kMaxPoints = (INT_MAX - 1) / 3;

void GLAPIENTRY NurbsError(GLenum code) {
    const GLubyte* text = gluErrorString(code);
    RaiseModuleError(OGL_NURBS_ERROR, text ? reinterpret_cast<const char*>(text) : "");
}

GLUnurbs* NewRenderer() {
    GLUnurbs* r = gluNewNurbsRenderer();
    if (r) gluNurbsCallback(r, GLU_NURBS_ERROR, reinterpret_cast<_GLUfuncptr>(NurbsError));
    return r;
}

}  // namespace

// GLU cuts a surface finely enough for its pixels on screen. Under selection
// the pick matrix blows the few pixels of the pick rectangle up to the whole
// view, and GLU would cut the surface into millions of pieces (seconds and
// hundreds of MB a pick): so while selecting, it samples with the matrices
// the surface has on screen, the frustum without the pick matrix.
void OglContext::SampleAsOnScreen(GLUnurbs* renderer) const {
    if (selectionDepth <= 0) return;
    GLfloat model[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    view.ApplyFrustum();
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    gluNurbsProperty(renderer, GLU_AUTO_LOAD_MATRIX, GL_FALSE);
    gluLoadSamplingMatrices(renderer, model, projection, viewport);
}

void OglContext::SplineCurve(int knotCount, const float* knots, const float* control) {
    if (!IsBound()) return;
    GLUnurbs* r = NewRenderer();
    if (!r) return;
    SampleAsOnScreen(r);
    gluBeginCurve(r);
    gluNurbsCurve(r, knotCount, const_cast<float*>(knots), 3, const_cast<float*>(control), kOrder,
                  GL_MAP1_VERTEX_3);
    gluEndCurve(r);
    gluDeleteNurbsRenderer(r);
}

// Outlines (patch or polygon style) while wired, without normals; filled
// otherwise, with the given normals or GL's automatic ones.
void OglContext::SplineSurface(int ks, const float* sKnots, int kt, const float* tKnots,
                               const float* control, const float* normals) {
    if (!IsBound()) return;
    GLUnurbs* r = NewRenderer();
    if (!r) return;
    SampleAsOnScreen(r);
    switches.ApplyPolygonMode();
    if (switches.wired) {
        gluNurbsProperty(r, GLU_DISPLAY_MODE, switches.outlinePatch ? GLU_OUTLINE_PATCH : GLU_OUTLINE_POLYGON);
    } else {
        if (normals) glDisable(GL_AUTO_NORMAL);
        else glEnable(GL_AUTO_NORMAL);
        gluNurbsProperty(r, GLU_DISPLAY_MODE, GLU_FILL);
    }
    auto* s = const_cast<float*>(sKnots);
    auto* t = const_cast<float*>(tKnots);
    int tStride = (ks - kOrder) * 3;
    gluBeginSurface(r);
    if (normals && !switches.wired)
        gluNurbsSurface(r, ks, s, kt, t, 3, tStride, const_cast<float*>(normals), kOrder, kOrder,
                        GL_MAP2_NORMAL);
    gluNurbsSurface(r, ks, s, kt, t, 3, tStride, const_cast<float*>(control), kOrder, kOrder,
                    GL_MAP2_VERTEX_3);
    gluEndSurface(r);
    gluDeleteNurbsRenderer(r);
}
