// A stand-in for a module the host loads: a shared object, built with hidden visibility
// and opened locally, that issues GL and GLU calls the way cVOpenGL.so does.
#include <GL/gl.h>
#include <GL/glu.h>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

GLenum lastNurbsError = 0;

void NurbsError(GLenum code) { lastNurbsError = code; }

}  // namespace

// The light sequence: colour, then the position under an identity model-view.
PROBE_EXPORT void ProbeLight(const GLfloat* colour, const GLfloat* position) {
  glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glPopMatrix();
}

// A cubic curve through GLU's NURBS renderer; returns the error its callback got (0: none).
PROBE_EXPORT GLenum ProbeNurbsCurve(GLfloat* knots, GLint knotCount, GLfloat* control) {
  lastNurbsError = 0;
  GLUnurbs* renderer = gluNewNurbsRenderer();
  if (renderer == nullptr) return GL_OUT_OF_MEMORY;
  gluNurbsCallback(renderer, GLU_NURBS_ERROR, reinterpret_cast<_GLUfuncptr>(NurbsError));
  gluBeginCurve(renderer);
  gluNurbsCurve(renderer, knotCount, knots, 3, control, 4, GL_MAP1_VERTEX_3);
  gluEndCurve(renderer);
  gluDeleteNurbsRenderer(renderer);
  return lastNurbsError;
}

PROBE_EXPORT void ProbeSphere(GLdouble radius) {
  GLUquadric* quadric = gluNewQuadric();
  if (quadric == nullptr) return;
  gluSphere(quadric, radius, 8, 4);
  gluDeleteQuadric(quadric);
}
