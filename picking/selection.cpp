// The name stack and selection mode: picking over a window rectangle with the
// context's frustum, and turning OpenGL's hit records into script vectors.
#include "picking/selection.h"

#include <GL/glu.h>

#include <cstdint>

#include "module/rules.h"
#include "picking/gl_state.h"

using rules::ElementOf;

namespace {

// Depth words are scaled by 2^31, so hit depths run from 0 to 2.
constexpr double kDepthScale = 2147483648.0;

float Depth(GLuint word) { return static_cast<float>(word / kDepthScale); }

// Turns the first `hits` records of the selection buffer into elements of
// the target; a record that would reach past the buffer ends the reading.
void FillHits(Variable& target, int hits, const GLuint* buffer) {
    long p = 0;
    for (int i = 0; i < hits && p + 3 <= kSelectWords; i++) {
        GLuint n = buffer[p];
        if (n > static_cast<GLuint>(kSelectWords - p - 3)) break;
        Variable& record = ElementOf(target, i);
        record.Init(VT_VECTOR, 3);
        ElementOf(record, 0).Init(VT_VECTOR, n);
        ElementOf(record, 1) = Depth(buffer[p + 1]);
        ElementOf(record, 2) = Depth(buffer[p + 2]);
        p += 3;
        Variable& names = ElementOf(record, 0);
        for (GLuint j = 0; j < n; j++, p++) ElementOf(names, j) = static_cast<unsigned long>(buffer[p]);
    }
}

// The buffer of the current rendering context. With none current, OpenGL
// ignores the calls, and this spare buffer, which lives as long as the
// module, stands in.
GLuint* SelectBuffer(GlState* state) {
    static GLuint spare[kSelectWords];
    return state ? state->selectBuffer : spare;
}

}  // namespace

void OglSelection::InitNameStack() { glInitNames(); }
void OglSelection::PushName(GLuint name) { glPushName(name); }
void OglSelection::PopName() { glPopName(); }
void OglSelection::LoadName(GLuint name) { glLoadName(name); }

// (x, y) is the top-right corner of the pick rectangle in window coordinates
// (y down); the pick matrix wants its centre with y up, computed on 32-bit
// integers as the host's are. The hits go to the buffer of the rendering
// context the calls reach, which need not be this object's own.
void OglSelection::Begin(const OglView& view, platform::ContextHandle current, int x, int y, int width,
                         int height) {
    glSelectBuffer(kSelectWords, SelectBuffer(GlStateOf(current, true)));
    glRenderMode(GL_SELECT);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    int cx = rules::Wrap(static_cast<int64_t>(x) - width / 2);
    int cy = rules::Wrap(static_cast<int64_t>(view.clientRect.bottom) - y - height / 2);
    gluPickMatrix(cx, cy, width, height, viewport);
    view.ApplyFrustum();
    glMatrixMode(GL_MODELVIEW);
    depth++;
}

// Leaves one level of selection; the hits become [[names...], zmin, zmax]
// records in the order OpenGL stored them.
void OglSelection::End(platform::ContextHandle current, Variable& target) {
    if (depth == 0) {
        RaiseModuleError(OGL_NO_SELECTION_MODE, nullptr);
        return;
    }
    depth--;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glFlush();
    GLint hits = glRenderMode(GL_RENDER);
    // After an overflow the count is negative: the host makes that an empty
    // vector, and no record is read.
    target.Init(VT_VECTOR, hits);
    FillHits(target, hits, SelectBuffer(GlStateOf(current, false)));
}
