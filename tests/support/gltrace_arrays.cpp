// How many values the tracer copies from each array argument, and the copying itself:
// light and fog parameters, NURBS control points, list names, pixel rows. Only the
// kinds of array the module hands OpenGL and GLU are followed.
#include <GL/glu.h>

#include <algorithm>

#include "tests/support/gltrace_record.h"

namespace gltrace::detail {
namespace {

// The real glGetIntegerv: reading state must not show up in the trace. Without a
// current context nothing is written and the default alignment of 4 stands.
GLint UnpackAlignment() {
  static const auto get = Real<decltype(&glGetIntegerv)>("glGetIntegerv", Lib::GL);
  GLint alignment = 4;
  get(GL_UNPACK_ALIGNMENT, &alignment);
  return std::max(alignment, 1);
}

long CeilDiv(long a, long b) { return (a + b - 1) / b; }

}  // namespace

int LightValueCount(GLenum pname) {
  switch (pname) {
    case GL_AMBIENT: case GL_DIFFUSE: case GL_SPECULAR: case GL_POSITION: case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE: case GL_FOG_COLOR: return 4;
    case GL_SPOT_DIRECTION: return 3;
    default: return 1;
  }
}

int MapDimension(GLenum target) {
  switch (target) {
    case GL_MAP1_VERTEX_3: case GL_MAP2_VERTEX_3: case GL_MAP2_NORMAL: return 3;
    case GL_MAP1_VERTEX_4: case GL_MAP2_VERTEX_4: return 4;
    default: return 0;
  }
}

std::vector<double> Points(const GLfloat* values, long count, long stride, int dim) {
  return Net(values, count, stride, 1, 0, dim);
}

std::vector<double> Net(const GLfloat* values, long ucount, long ustride, long vcount, long vstride,
                        int dim) {
  std::vector<double> out;
  // A stride shorter than a point is refused by GLU before it reads anything.
  if (values == nullptr || dim <= 0 || ustride < dim || (vcount > 1 && vstride < dim)) return out;
  for (long j = 0; j < vcount; ++j)
    for (long i = 0; i < ucount; ++i)
      for (int k = 0; k < dim; ++k) out.push_back(values[i * ustride + j * vstride + k]);
  return out;
}

// The module names lists as GLint.
std::vector<double> ListNames(GLsizei n, GLenum type, const GLvoid* lists) {
  return type == GL_INT ? Values(static_cast<const GLint*>(lists), n) : std::vector<double>{};
}

// Bytes of RGB or RGBA pixels, or bitmap rows of one bit a pixel, under the unpack
// alignment (the module sets no row length, skips or pixel buffer).
std::optional<uint32_t> PixelChecksum(GLsizei width, GLsizei height, GLenum format, GLenum type,
                                      const GLvoid* pixels) {
  const bool bitmap = type == GL_BITMAP;
  const long pixelBytes = type != GL_UNSIGNED_BYTE ? 0 : format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 0;
  if (pixels == nullptr || width <= 0 || height <= 0 || (!bitmap && pixelBytes == 0)) return std::nullopt;
  const long a = UnpackAlignment();
  const long used = bitmap ? CeilDiv(width, 8) : pixelBytes * width;
  const long stride = a * CeilDiv(used, a);
  const auto* base = static_cast<const unsigned char*>(pixels);
  uint32_t hash = kChecksumSeed;
  for (long row = 0; row < height; ++row) hash = Checksum(base + row * stride, used, hash);
  return hash;
}

}  // namespace gltrace::detail
