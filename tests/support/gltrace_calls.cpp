// The traced OpenGL and GLU entry points. The test executable exports them, so calls
// from loaded modules and from libGLU land here; each records and forwards.
#include <GL/gl.h>
#include <GL/glu.h>

#include "tests/support/gltrace_record.h"

namespace gt = gltrace::detail;

// Exported explicitly: the project builds with hidden visibility by default.
#define GLTRACE_EXPORT extern "C" __attribute__((visibility("default")))
#define GLTRACE_REAL(lib, fn) \
  static const auto real = gt::Real<decltype(&fn)>(#fn, gt::Lib::lib)

// Records the scalars `recorded` (a parenthesised list) and forwards `forwarded`.
#define GLTRACE_CALL(lib, ret, fn, params, recorded, forwarded) \
  GLTRACE_EXPORT ret fn params {                                \
    GLTRACE_REAL(lib, fn);                                      \
    gt::Note{#fn} recorded;                                     \
    return real forwarded;                                      \
  }

// Every argument is a scalar and recorded.
#define GLTRACE_SCALAR(lib, fn, params, ...) \
  GLTRACE_CALL(lib, void, fn, params, (__VA_ARGS__), (__VA_ARGS__))

// Every argument is a scalar; the result is recorded too, once the call returns.
#define GLTRACE_RESULT(lib, ret, fn, params, ...)                                          \
  GLTRACE_EXPORT ret fn params {                                                           \
    GLTRACE_REAL(lib, fn);                                                                 \
    ret result = real(__VA_ARGS__);                                                        \
    if (gt::Tracing())                                                                     \
      gt::Record({#fn, gt::Nums(__VA_ARGS__), {}, gt::Num(result), {}});                    \
    return result;                                                                         \
  }

// Records scalars and the values behind array arguments (`copies`: one list per array).
#define GLTRACE_ARRAYS(lib, fn, params, recorded, copies, forwarded)                         \
  GLTRACE_EXPORT void fn params {                                                            \
    GLTRACE_REAL(lib, fn);                                                                   \
    if (gt::Tracing())                                                                       \
      gt::Record({#fn, gt::Nums recorded, gt::Arrays copies, {}, {}});                        \
    real forwarded;                                                                          \
  }

// Records scalars and a checksum of the pixel bytes the call reads.
#define GLTRACE_PIXELS(lib, fn, params, recorded, sum, forwarded)                          \
  GLTRACE_EXPORT void fn params {                                                          \
    GLTRACE_REAL(lib, fn);                                                                 \
    if (gt::Tracing()) gt::Record({#fn, gt::Nums recorded, {}, {}, sum});                   \
    real forwarded;                                                                        \
  }

// Vertices, normals, colours and texture coordinates.
GLTRACE_SCALAR(GL, glBegin, (GLenum mode), mode)
GLTRACE_SCALAR(GL, glEnd, ())
GLTRACE_SCALAR(GL, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
GLTRACE_SCALAR(GL, glVertex3d, (GLdouble x, GLdouble y, GLdouble z), x, y, z)
GLTRACE_ARRAYS(GL, glVertex3fv, (const GLfloat* v), (), (gt::Values(v, 3)), (v))
GLTRACE_SCALAR(GL, glNormal3f, (GLfloat nx, GLfloat ny, GLfloat nz), nx, ny, nz)
GLTRACE_SCALAR(GL, glNormal3d, (GLdouble nx, GLdouble ny, GLdouble nz), nx, ny, nz)
GLTRACE_ARRAYS(GL, glNormal3fv, (const GLfloat* v), (), (gt::Values(v, 3)), (v))
GLTRACE_SCALAR(GL, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), red, green, blue)
GLTRACE_SCALAR(GL, glColor4f, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), red, green, blue, alpha)
GLTRACE_SCALAR(GL, glTexCoord2f, (GLfloat s, GLfloat t), s, t)

// Capabilities and render state.
GLTRACE_SCALAR(GL, glEnable, (GLenum cap), cap)
GLTRACE_SCALAR(GL, glDisable, (GLenum cap), cap)
GLTRACE_RESULT(GL, GLboolean, glIsEnabled, (GLenum cap), cap)
GLTRACE_SCALAR(GL, glShadeModel, (GLenum mode), mode)
GLTRACE_SCALAR(GL, glFrontFace, (GLenum mode), mode)
GLTRACE_SCALAR(GL, glDepthFunc, (GLenum func), func)
GLTRACE_SCALAR(GL, glHint, (GLenum target, GLenum mode), target, mode)
GLTRACE_SCALAR(GL, glPolygonMode, (GLenum face, GLenum mode), face, mode)
GLTRACE_SCALAR(GL, glPointSize, (GLfloat size), size)
GLTRACE_SCALAR(GL, glLineWidth, (GLfloat width), width)
GLTRACE_SCALAR(GL, glBlendFunc, (GLenum sfactor, GLenum dfactor), sfactor, dfactor)

// Lights, materials and fog.
GLTRACE_SCALAR(GL, glLightModeli, (GLenum pname, GLint param), pname, param)
GLTRACE_SCALAR(GL, glLightf, (GLenum light, GLenum pname, GLfloat param), light, pname, param)
GLTRACE_ARRAYS(GL, glLightfv, (GLenum light, GLenum pname, const GLfloat* params), (light, pname),
               (gt::Values(params, gt::LightValueCount(pname))), (light, pname, params))
GLTRACE_SCALAR(GL, glMaterialf, (GLenum face, GLenum pname, GLfloat param), face, pname, param)
GLTRACE_ARRAYS(GL, glMaterialfv, (GLenum face, GLenum pname, const GLfloat* params), (face, pname),
               (gt::Values(params, gt::LightValueCount(pname))), (face, pname, params))
GLTRACE_SCALAR(GL, glColorMaterial, (GLenum face, GLenum mode), face, mode)
GLTRACE_SCALAR(GL, glFogi, (GLenum pname, GLint param), pname, param)
GLTRACE_SCALAR(GL, glFogf, (GLenum pname, GLfloat param), pname, param)
GLTRACE_ARRAYS(GL, glFogfv, (GLenum pname, const GLfloat* params), (pname),
               (gt::Values(params, gt::LightValueCount(pname))), (pname, params))

// Matrices and viewport.
GLTRACE_SCALAR(GL, glMatrixMode, (GLenum mode), mode)
GLTRACE_SCALAR(GL, glPushMatrix, ())
GLTRACE_SCALAR(GL, glPopMatrix, ())
GLTRACE_SCALAR(GL, glLoadIdentity, ())
GLTRACE_ARRAYS(GL, glMultMatrixd, (const GLdouble* m), (), (gt::Values(m, 16)), (m))
GLTRACE_SCALAR(GL, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), x, y, width, height)
GLTRACE_SCALAR(GL, glFrustum, (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top,
                               GLdouble zNear, GLdouble zFar), left, right, bottom, top, zNear, zFar)
GLTRACE_SCALAR(GL, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
GLTRACE_SCALAR(GL, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), angle, x, y, z)
GLTRACE_SCALAR(GL, glScalef, (GLfloat x, GLfloat y, GLfloat z), x, y, z)

// Queries: only the scalars in; the buffers they fill are not recorded.
GLTRACE_CALL(GL, void, glGetDoublev, (GLenum pname, GLdouble* params), (pname), (pname, params))
GLTRACE_CALL(GL, void, glGetFloatv, (GLenum pname, GLfloat* params), (pname), (pname, params))
GLTRACE_CALL(GL, void, glGetIntegerv, (GLenum pname, GLint* params), (pname), (pname, params))
GLTRACE_CALL(GL, const GLubyte*, glGetString, (GLenum name), (name), (name))

// Frame buffer.
GLTRACE_SCALAR(GL, glClearColor, (GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha),
               red, green, blue, alpha)
GLTRACE_SCALAR(GL, glClear, (GLbitfield mask), mask)
GLTRACE_SCALAR(GL, glFlush, ())
GLTRACE_SCALAR(GL, glFinish, ())
GLTRACE_CALL(GL, void, glReadPixels, (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                                      GLenum type, GLvoid* pixels),
             (x, y, width, height, format, type), (x, y, width, height, format, type, pixels))

// Pixels, bitmaps and textures.
GLTRACE_SCALAR(GL, glPixelStorei, (GLenum pname, GLint param), pname, param)
GLTRACE_SCALAR(GL, glRasterPos3f, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
GLTRACE_PIXELS(GL, glDrawPixels, (GLsizei width, GLsizei height, GLenum format, GLenum type,
                                  const GLvoid* pixels),
               (width, height, format, type), gt::PixelChecksum(width, height, format, type, pixels),
               (width, height, format, type, pixels))
GLTRACE_PIXELS(GL, glBitmap, (GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                              GLfloat ymove, const GLubyte* bitmap),
               (width, height, xorig, yorig, xmove, ymove),
               gt::PixelChecksum(width, height, GL_COLOR_INDEX, GL_BITMAP, bitmap),
               (width, height, xorig, yorig, xmove, ymove, bitmap))
GLTRACE_SCALAR(GL, glTexParameteri, (GLenum target, GLenum pname, GLint param), target, pname, param)
GLTRACE_SCALAR(GL, glTexEnvf, (GLenum target, GLenum pname, GLfloat param), target, pname, param)
GLTRACE_PIXELS(GL, glTexImage2D, (GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLint border, GLenum format, GLenum type,
                                  const GLvoid* pixels),
               (target, level, internalFormat, width, height, border, format, type),
               gt::PixelChecksum(width, height, format, type, pixels),
               (target, level, internalFormat, width, height, border, format, type, pixels))
GLTRACE_PIXELS(GL, glTexSubImage2D, (GLenum target, GLint level, GLint xoffset, GLint yoffset,
                                     GLsizei width, GLsizei height, GLenum format, GLenum type,
                                     const GLvoid* pixels),
               (target, level, xoffset, yoffset, width, height, format, type),
               gt::PixelChecksum(width, height, format, type, pixels),
               (target, level, xoffset, yoffset, width, height, format, type, pixels))

// Display lists, name stack and selection.
GLTRACE_RESULT(GL, GLuint, glGenLists, (GLsizei range), range)
GLTRACE_SCALAR(GL, glNewList, (GLuint list, GLenum mode), list, mode)
GLTRACE_SCALAR(GL, glEndList, ())
GLTRACE_SCALAR(GL, glCallList, (GLuint list), list)
GLTRACE_ARRAYS(GL, glCallLists, (GLsizei n, GLenum type, const GLvoid* lists), (n, type),
               (gt::ListNames(n, type, lists)), (n, type, lists))
GLTRACE_SCALAR(GL, glDeleteLists, (GLuint list, GLsizei range), list, range)
GLTRACE_SCALAR(GL, glInitNames, ())
GLTRACE_SCALAR(GL, glPushName, (GLuint name), name)
GLTRACE_SCALAR(GL, glPopName, ())
GLTRACE_SCALAR(GL, glLoadName, (GLuint name), name)
GLTRACE_CALL(GL, void, glSelectBuffer, (GLsizei size, GLuint* buffer), (size), (size, buffer))
GLTRACE_RESULT(GL, GLint, glRenderMode, (GLenum mode), mode)

// Evaluators: how libGLU draws NURBS surfaces (counted, not followed).
GLTRACE_CALL(GL, void, glMap2f, (GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1,
                                  GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points),
             (target, u1, u2, ustride, uorder, v1, v2, vstride, vorder),
             (target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points))
GLTRACE_SCALAR(GL, glMapGrid2f, (GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2),
               un, u1, u2, vn, v1, v2)
GLTRACE_SCALAR(GL, glEvalCoord2f, (GLfloat u, GLfloat v), u, v)
GLTRACE_SCALAR(GL, glEvalPoint2, (GLint i, GLint j), i, j)
GLTRACE_SCALAR(GL, glEvalMesh2, (GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2), mode, i1, i2, j1, j2)

// GLU: viewing.
GLTRACE_SCALAR(GLU, gluLookAt, (GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                                GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ),
               eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ)
GLTRACE_ARRAYS(GLU, gluPickMatrix, (GLdouble x, GLdouble y, GLdouble delX, GLdouble delY, GLint* viewport),
               (x, y, delX, delY), (gt::Values(viewport, 4)), (x, y, delX, delY, viewport))
GLTRACE_CALL(GLU, const GLubyte*, gluErrorString, (GLenum error), (error), (error))

// GLU: quadrics (the quadric is recorded by its address).
GLTRACE_RESULT(GLU, GLUquadric*, gluNewQuadric, ())
GLTRACE_SCALAR(GLU, gluDeleteQuadric, (GLUquadric* quad), quad)
GLTRACE_SCALAR(GLU, gluQuadricDrawStyle, (GLUquadric* quad, GLenum draw), quad, draw)
GLTRACE_SCALAR(GLU, gluQuadricOrientation, (GLUquadric* quad, GLenum orientation), quad, orientation)
GLTRACE_SCALAR(GLU, gluSphere, (GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks),
               quad, radius, slices, stacks)
GLTRACE_SCALAR(GLU, gluCylinder, (GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height, GLint slices,
                                  GLint stacks), quad, base, top, height, slices, stacks)
GLTRACE_SCALAR(GLU, gluDisk, (GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops),
               quad, inner, outer, slices, loops)
GLTRACE_SCALAR(GLU, gluPartialDisk, (GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices,
                                     GLint loops, GLdouble start, GLdouble sweep),
               quad, inner, outer, slices, loops, start, sweep)

// GLU: NURBS (the renderer is recorded by its address; callbacks pass through unchanged).
GLTRACE_RESULT(GLU, GLUnurbs*, gluNewNurbsRenderer, ())
GLTRACE_SCALAR(GLU, gluDeleteNurbsRenderer, (GLUnurbs* nurb), nurb)
GLTRACE_CALL(GLU, void, gluNurbsCallback, (GLUnurbs* nurb, GLenum which, _GLUfuncptr callback), (nurb, which),
             (nurb, which, callback))
GLTRACE_SCALAR(GLU, gluNurbsProperty, (GLUnurbs* nurb, GLenum property, GLfloat value), nurb, property, value)
GLTRACE_SCALAR(GLU, gluBeginCurve, (GLUnurbs* nurb), nurb)
GLTRACE_SCALAR(GLU, gluEndCurve, (GLUnurbs* nurb), nurb)
GLTRACE_ARRAYS(GLU, gluNurbsCurve, (GLUnurbs* nurb, GLint knotCount, GLfloat* knots, GLint stride,
                                    GLfloat* control, GLint order, GLenum type),
               (nurb, knotCount, stride, order, type),
               (gt::Values(knots, knotCount),
                gt::Points(control, knotCount - order, stride, gt::MapDimension(type))),
               (nurb, knotCount, knots, stride, control, order, type))
GLTRACE_SCALAR(GLU, gluBeginSurface, (GLUnurbs* nurb), nurb)
GLTRACE_SCALAR(GLU, gluEndSurface, (GLUnurbs* nurb), nurb)
GLTRACE_ARRAYS(GLU, gluNurbsSurface, (GLUnurbs* nurb, GLint sKnotCount, GLfloat* sKnots, GLint tKnotCount,
                                      GLfloat* tKnots, GLint sStride, GLint tStride, GLfloat* control,
                                      GLint sOrder, GLint tOrder, GLenum type),
               (nurb, sKnotCount, tKnotCount, sStride, tStride, sOrder, tOrder, type),
               (gt::Values(sKnots, sKnotCount), gt::Values(tKnots, tKnotCount),
                gt::Net(control, sKnotCount - sOrder, sStride, tKnotCount - tOrder, tStride,
                        gt::MapDimension(type))),
               (nurb, sKnotCount, sKnots, tKnotCount, tKnots, sStride, tStride, control, sOrder, tOrder, type))
