// Internals shared by the tracer's interposers: the recording switch, the real entry
// points, and readers that copy the values behind array arguments.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/support/gltrace.h"

namespace gltrace::detail {

enum class Lib { GL, GLU };

bool Tracing();           // cheap: one relaxed atomic load
void Record(Call&& call);

// The real entry point named `name`: the next definition after this executable, else
// the one in libOpenGL (or libGL) or libGLU opened by name. Aborts when there is none.
void* Resolve(const char* name, Lib lib);
template <typename F>
F Real(const char* name, Lib lib) {
  return reinterpret_cast<F>(Resolve(name, lib));
}

template <typename T>
  requires std::is_arithmetic_v<T>
double Num(T value) {
  return static_cast<double>(value);
}
inline double Num(const void* pointer) {
  return static_cast<double>(reinterpret_cast<uintptr_t>(pointer));
}
template <typename... A>
std::vector<double> Nums(A... values) {
  return {Num(values)...};
}

// Records a call of scalar arguments: Note{"glBegin"}(mode).
struct Note {
  std::string_view name;
  template <typename... A>
  void operator()(A... values) const {
    if (Tracing()) Record({name, Nums(values...), {}, {}, {}});
  }
};

template <typename... A>
std::vector<std::vector<double>> Arrays(A... arrays) {
  return {std::move(arrays)...};
}

// Copies of `count` values (none for a null pointer or a non-positive count).
template <typename T>
std::vector<double> Values(const T* values, long count) {
  std::vector<double> out;
  for (long i = 0; values != nullptr && i < count; ++i) out.push_back(Num(values[i]));
  return out;
}

int LightValueCount(GLenum pname);   // glLightfv, glMaterialfv, glFogfv
int MapDimension(GLenum target);     // values per point of a NURBS map target; 0 unknown
// `count` points of `dim` floats, point i at values[i * stride].
std::vector<double> Points(const GLfloat* values, long count, long stride, int dim);
// A `ucount` × `vcount` net, point (i, j) at values[i * ustride + j * vstride], taken
// with j outer and i inner: the net a NURBS surface gets, row by row along t.
std::vector<double> Net(const GLfloat* values, long ucount, long ustride, long vcount, long vstride, int dim);
std::vector<double> ListNames(GLsizei n, GLenum type, const GLvoid* lists);
// Checksum of the bytes a pixel upload reads under the current unpack alignment.
std::optional<uint32_t> PixelChecksum(GLsizei width, GLsizei height, GLenum format, GLenum type,
                                      const GLvoid* pixels);

}  // namespace gltrace::detail
