// How many values the tracer copies from each array argument, and the copying itself:
// light and fog parameters, evaluator and NURBS control points, list names, pixel rows.
#include <GL/glu.h>

#include <algorithm>
#include <cstring>

#include "tests/support/gltrace_record.h"

namespace gltrace::detail {
namespace {

// Bytes of one pixel upload: pixel size, element size (alignment applies below it),
// or bitmap rows of one bit a pixel.
struct PixelLayout {
  long pixelBytes = 0;
  long elementBytes = 0;
  bool bitmap = false;
};

long Components(GLenum format) {
  switch (format) {
    case GL_COLOR_INDEX: case GL_STENCIL_INDEX: case GL_DEPTH_COMPONENT: case GL_RED:
    case GL_GREEN: case GL_BLUE: case GL_ALPHA: case GL_LUMINANCE: return 1;
    case GL_LUMINANCE_ALPHA: case GL_RG: return 2;
    case GL_RGB: case GL_BGR: return 3;
    case GL_RGBA: case GL_BGRA: return 4;
    default: return 0;
  }
}

// Size of one element of `type`; negative for packed types, whose element is a whole pixel.
long ElementBytes(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_BYTE: case GL_BYTE: return 1;
    case GL_UNSIGNED_SHORT: case GL_SHORT: return 2;
    case GL_UNSIGNED_INT: case GL_INT: case GL_FLOAT: return 4;
    case GL_UNSIGNED_BYTE_3_3_2: case GL_UNSIGNED_BYTE_2_3_3_REV: return -1;
    case GL_UNSIGNED_SHORT_5_6_5: case GL_UNSIGNED_SHORT_5_6_5_REV: case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV: case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV: return -2;
    case GL_UNSIGNED_INT_8_8_8_8: case GL_UNSIGNED_INT_8_8_8_8_REV: case GL_UNSIGNED_INT_10_10_10_2:
    case GL_UNSIGNED_INT_2_10_10_10_REV: return -4;
    default: return 0;
  }
}

std::optional<PixelLayout> Layout(GLenum format, GLenum type) {
  if (type == GL_BITMAP) {
    if (format != GL_COLOR_INDEX && format != GL_STENCIL_INDEX) return std::nullopt;
    return PixelLayout{.bitmap = true};
  }
  long components = Components(format), element = ElementBytes(type);
  if (components == 0 || element == 0) return std::nullopt;
  if (element < 0) return PixelLayout{.pixelBytes = -element, .elementBytes = -element};
  return PixelLayout{.pixelBytes = components * element, .elementBytes = element};
}

struct Unpack {
  GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0, buffer = 0;
};

// The real glGetIntegerv: reading state must not show up in the trace. Without a
// current context nothing is written and the defaults stand.
Unpack CurrentUnpack() {
  static const auto get = Real<decltype(&glGetIntegerv)>("glGetIntegerv", Lib::GL);
  Unpack unpack;
  get(GL_UNPACK_ALIGNMENT, &unpack.alignment);
  get(GL_UNPACK_ROW_LENGTH, &unpack.rowLength);
  get(GL_UNPACK_SKIP_ROWS, &unpack.skipRows);
  get(GL_UNPACK_SKIP_PIXELS, &unpack.skipPixels);
  get(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpack.buffer);
  return unpack;
}

long CeilDiv(long a, long b) { return (a + b - 1) / b; }

}  // namespace

int LightValueCount(GLenum pname) {
  switch (pname) {
    case GL_AMBIENT: case GL_DIFFUSE: case GL_SPECULAR: case GL_POSITION: case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE: case GL_FOG_COLOR: return 4;
    case GL_SPOT_DIRECTION: case GL_COLOR_INDEXES: return 3;
    default: return 1;
  }
}

int MapDimension(GLenum target) {
  switch (target) {
    case GL_MAP1_INDEX: case GL_MAP2_INDEX: case GL_MAP1_TEXTURE_COORD_1: case GL_MAP2_TEXTURE_COORD_1:
      return 1;
    case GL_MAP1_TEXTURE_COORD_2: case GL_MAP2_TEXTURE_COORD_2: case GLU_MAP1_TRIM_2: return 2;
    case GL_MAP1_TEXTURE_COORD_3: case GL_MAP2_TEXTURE_COORD_3: case GL_MAP1_NORMAL: case GL_MAP2_NORMAL:
    case GL_MAP1_VERTEX_3: case GL_MAP2_VERTEX_3: case GLU_MAP1_TRIM_3: return 3;
    case GL_MAP1_TEXTURE_COORD_4: case GL_MAP2_TEXTURE_COORD_4: case GL_MAP1_COLOR_4: case GL_MAP2_COLOR_4:
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
  // A stride shorter than a point is refused by GL and GLU before they read anything.
  if (values == nullptr || dim <= 0 || ustride < dim || (vcount > 1 && vstride < dim)) return out;
  for (long j = 0; j < vcount; ++j)
    for (long i = 0; i < ucount; ++i)
      for (int k = 0; k < dim; ++k) out.push_back(values[i * ustride + j * vstride + k]);
  return out;
}

// The module names lists as GLint; the other plain types are read alike.
// Multi-byte names (GL_2_BYTES ...) are not followed: no values.
std::vector<double> ListNames(GLsizei n, GLenum type, const GLvoid* lists) {
  switch (type) {
    case GL_BYTE: return Values(static_cast<const GLbyte*>(lists), n);
    case GL_UNSIGNED_BYTE: return Values(static_cast<const GLubyte*>(lists), n);
    case GL_SHORT: return Values(static_cast<const GLshort*>(lists), n);
    case GL_UNSIGNED_SHORT: return Values(static_cast<const GLushort*>(lists), n);
    case GL_INT: return Values(static_cast<const GLint*>(lists), n);
    case GL_UNSIGNED_INT: return Values(static_cast<const GLuint*>(lists), n);
    case GL_FLOAT: return Values(static_cast<const GLfloat*>(lists), n);
    default: return {};
  }
}

std::optional<uint32_t> PixelChecksum(GLsizei width, GLsizei height, GLenum format, GLenum type,
                                      const GLvoid* pixels) {
  const std::optional<PixelLayout> layout = Layout(format, type);
  if (pixels == nullptr || width <= 0 || height <= 0 || !layout) return std::nullopt;
  const Unpack unpack = CurrentUnpack();
  // Only the alignment is followed (the module sets nothing else); pixels
  // from a buffer object or with row lengths and skips get no checksum.
  if (unpack.buffer != 0 || unpack.rowLength != 0 || unpack.skipRows != 0 ||
      unpack.skipPixels != 0)
    return std::nullopt;
  const long a = std::max(unpack.alignment, 1);
  long stride, used;
  if (layout->bitmap) {
    stride = a * CeilDiv(width, 8 * a);
    used = CeilDiv(width, 8);
  } else {
    const long packed = layout->pixelBytes * width;
    stride = layout->elementBytes >= a ? packed : a * CeilDiv(packed, a);
    used = packed;
  }
  const auto* base = static_cast<const unsigned char*>(pixels);
  uint32_t hash = kChecksumSeed;
  for (long row = 0; row < height; ++row) hash = Checksum(base + row * stride, used, hash);
  return hash;
}

}  // namespace gltrace::detail
