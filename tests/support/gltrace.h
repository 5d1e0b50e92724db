// Test-only recorder of the OpenGL and GLU calls a process makes (its own, a loaded
// module's and libGLU's internal ones); every call is forwarded to the real library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gltrace {

// One recorded call. Floats and ints are kept exactly as doubles; pointers to GLU
// objects (quadrics, NURBS renderers) as their address.
struct Call {
  std::string_view name;                    // "glLightfv"; points at static text
  std::vector<double> args;                 // scalar arguments in declaration order
  std::vector<std::vector<double>> arrays;  // values behind array arguments, in order
  std::optional<double> result;             // glGenLists, glRenderMode, glIsEnabled, gluNew…
  std::optional<uint32_t> checksum;         // pixel data read by glDrawPixels, glBitmap, glTex…Image2D
};

constexpr size_t npos = static_cast<size_t>(-1);

void Start();                          // record calls from now on
void Stop();                           // only forward again
void Clear();                          // forget what was recorded
const std::vector<Call>& Calls();      // everything recorded (read it after the code under test returns)
std::vector<Call> Named(std::string_view name);   // the calls of one function, in order
std::vector<std::vector<double>> Args(std::string_view name);  // the scalar arguments of each of them
int Count(std::string_view name);                 // how many calls of one function
// Index of the first call at or after `from` named `name` whose leading arguments equal
// `leading` (compare floats with float literals: 0.2f, not 0.2); npos when none.
size_t Find(std::string_view name, std::initializer_list<double> leading = {}, size_t from = 0);
// The names of the calls, from `from` on, whose names are in `names`, in recorded
// order: the form order tests compare.
std::vector<std::string> Sequence(std::initializer_list<std::string_view> names, size_t from = 0);
std::string Format(const Call& call);  // "glLightfv(16384, 4608) [0.2, 0.2, 0.2, 1]"
std::string Dump(size_t from = 0);     // one numbered call a line, for failure messages
// The checksum pixel calls record (32-bit FNV-1a); pass an earlier result as `hash`
// to go on over more bytes, as a pixel call does row by row.
constexpr uint32_t kChecksumSeed = 2166136261u;
uint32_t Checksum(const void* bytes, size_t count, uint32_t hash = kChecksumSeed);

// Clears and starts on construction, stops on destruction.
class Scope {
 public:
  Scope();
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

}  // namespace gltrace
