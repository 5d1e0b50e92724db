// Cubic NURBS curves and surfaces, rendered with a GLU NURBS renderer made
// for the one call, whose errors come back as OGL_NURBS_ERROR.
#include <GL/glu.h>

#include "geometry/canvas.h"
#include "module/rules.h"

namespace {

constexpr int kOrder = OglCanvas::kSplineOrder;

void GLAPIENTRY NurbsError(GLenum code) {
    const GLubyte* text = gluErrorString(code);
    RaiseModuleError(OGL_NURBS_ERROR, text ? reinterpret_cast<const char*>(text) : "");
}

GLUnurbs* NewRenderer() {
    GLUnurbs* r = gluNewNurbsRenderer();
    if (r) gluNurbsCallback(r, GLU_NURBS_ERROR, reinterpret_cast<_GLUfuncptr>(NurbsError));
    return r;
}

// GLU cuts a surface finely enough for its pixels on screen. Under selection
// the pick matrix blows the few pixels of the pick rectangle up to the whole
// view, and GLU would cut the surface into millions of pieces (seconds and
// hundreds of MB a pick): so while selecting, it samples with the matrices
// the surface has on screen, the frustum without the pick matrix.
void SampleAsOnScreen(GLUnurbs* renderer, const OglView* selecting) {
    if (!selecting) return;
    GLfloat model[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    selecting->ApplyFrustum();
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    gluNurbsProperty(renderer, GLU_AUTO_LOAD_MATRIX, GL_FALSE);
    gluLoadSamplingMatrices(renderer, model, projection, viewport);
}

}  // namespace

void OglCanvas::SplineCurve(int knotCount, const float* knots, const float* control,
                            const OglView* selecting) const {
    if (!bound_) return;
    GLUnurbs* r = NewRenderer();
    if (!r) return;
    SampleAsOnScreen(r, selecting);
    gluBeginCurve(r);
    gluNurbsCurve(r, knotCount, const_cast<float*>(knots), 3, const_cast<float*>(control), kOrder,
                  GL_MAP1_VERTEX_3);
    gluEndCurve(r);
    gluDeleteNurbsRenderer(r);
}

// Outlines (patch or polygon style) while wired, without normals; filled
// otherwise, with the given normals or GL's automatic ones.
void OglCanvas::SplineSurface(int ks, const float* sKnots, int kt, const float* tKnots, const float* control,
                              const float* normals, const OglView* selecting) const {
    if (!bound_) return;
    GLUnurbs* r = NewRenderer();
    if (!r) return;
    SampleAsOnScreen(r, selecting);
    switches_.ApplyPolygonMode();
    if (switches_.wired) {
        gluNurbsProperty(r, GLU_DISPLAY_MODE, switches_.outlinePatch ? GLU_OUTLINE_PATCH : GLU_OUTLINE_POLYGON);
    } else {
        if (normals) glDisable(GL_AUTO_NORMAL);
        else glEnable(GL_AUTO_NORMAL);
        gluNurbsProperty(r, GLU_DISPLAY_MODE, GLU_FILL);
    }
    auto* s = const_cast<float*>(sKnots);
    auto* t = const_cast<float*>(tKnots);
    int tStride = (ks - kOrder) * 3;
    gluBeginSurface(r);
    if (normals && !switches_.wired)
        gluNurbsSurface(r, ks, s, kt, t, 3, tStride, const_cast<float*>(normals), kOrder, kOrder,
                        GL_MAP2_NORMAL);
    gluNurbsSurface(r, ks, s, kt, t, 3, tStride, const_cast<float*>(control), kOrder, kOrder,
                    GL_MAP2_VERTEX_3);
    gluEndSurface(r);
    gluDeleteNurbsRenderer(r);
}
