// The tracer's record store and query helpers, and the lookup of the real GL and GLU
// entry points that every interposer forwards to.
#include "tests/support/gltrace.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "tests/support/gltrace_record.h"

namespace gltrace {
namespace {

std::atomic<bool> tracing{false};
std::mutex mutex;  // GL may be called from several threads; recording takes turns

std::vector<Call>& Store() {
  static std::vector<Call>* calls = new std::vector<Call>;  // never freed: interposers may run at exit
  return *calls;
}

bool StartsWith(const Call& call, std::string_view name, std::initializer_list<double> leading) {
  if (call.name != name || call.args.size() < leading.size()) return false;
  return std::equal(leading.begin(), leading.end(), call.args.begin());
}

bool In(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The shortest text that reads back to the value: as a float when it is one (most GL
// arguments are), so 0.1f prints as 0.1; integers without a fraction.
std::string Number(double value) {
  char text[32];
  const float single = static_cast<float>(value);
  const auto end = static_cast<double>(single) == value
                       ? std::to_chars(text, text + sizeof text, single).ptr
                       : std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

void Join(std::ostringstream& out, const std::vector<double>& values) {
  for (size_t i = 0; i < values.size(); ++i) out << (i ? ", " : "") << Number(values[i]);
}

// A library opened by name, for when the real function is not next in line after
// the executable (the library is then only loaded by a module opened locally).
void* Library(detail::Lib lib) {
  static void* gl = [] {
    void* handle = dlopen("libOpenGL.so.0", RTLD_NOW | RTLD_LOCAL);
    return handle ? handle : dlopen("libGL.so.1", RTLD_NOW | RTLD_LOCAL);
  }();
  static void* glu = dlopen("libGLU.so.1", RTLD_NOW | RTLD_LOCAL);
  return lib == detail::Lib::GL ? gl : glu;
}

}  // namespace

namespace detail {

bool Tracing() { return tracing.load(std::memory_order_relaxed); }

void Record(Call&& call) {
  std::lock_guard<std::mutex> lock(mutex);
  Store().push_back(std::move(call));
}

void* Resolve(const char* name, Lib lib) {
  void* real = dlsym(RTLD_NEXT, name);
  if (real == nullptr && Library(lib) != nullptr) real = dlsym(Library(lib), name);
  if (real == nullptr) {
    const char* why = dlerror();
    std::fprintf(stderr, "gltrace: no real %s to forward to (%s)\n", name, why ? why : "not found");
    std::abort();
  }
  return real;
}

}  // namespace detail

void Start() { tracing.store(true); }
void Stop() { tracing.store(false); }

void Clear() {
  std::lock_guard<std::mutex> lock(mutex);
  Store().clear();
}

const std::vector<Call>& Calls() { return Store(); }

std::vector<Call> Named(std::string_view name) {
  std::vector<Call> out;
  for (const Call& call : Store())
    if (call.name == name) out.push_back(call);
  return out;
}

std::vector<std::vector<double>> Args(std::string_view name) {
  std::vector<std::vector<double>> out;
  for (const Call& call : Named(name)) out.push_back(call.args);
  return out;
}

int Count(std::string_view name) {
  return static_cast<int>(std::count_if(Store().begin(), Store().end(),
                                        [&](const Call& call) { return call.name == name; }));
}

size_t Find(std::string_view name, std::initializer_list<double> leading, size_t from) {
  for (size_t i = from; i < Store().size(); ++i)
    if (StartsWith(Store()[i], name, leading)) return i;
  return npos;
}

std::vector<std::string> Sequence(std::initializer_list<std::string_view> names, size_t from) {
  std::vector<std::string> out;
  for (size_t i = from; i < Store().size(); ++i)
    if (In(Store()[i].name, names)) out.emplace_back(Store()[i].name);
  return out;
}

std::string Format(const Call& call) {
  std::ostringstream out;
  out << call.name << '(';
  Join(out, call.args);
  out << ')';
  for (const auto& array : call.arrays) {
    out << " [";
    Join(out, array);
    out << ']';
  }
  if (call.checksum) out << " #" << std::hex << *call.checksum << std::dec;
  if (call.result) out << " -> " << Number(*call.result);
  return out.str();
}

std::string Dump(size_t from) {
  std::string out;
  for (size_t i = from; i < Store().size(); ++i)
    out += std::to_string(i) + ": " + Format(Store()[i]) + '\n';
  return out;
}

uint32_t Checksum(const void* bytes, size_t count, uint32_t hash) {
  for (size_t i = 0; i < count; ++i) hash = (hash ^ static_cast<const unsigned char*>(bytes)[i]) * 16777619u;
  return hash;
}

Scope::Scope() {
  Clear();
  Start();
}

Scope::~Scope() { Stop(); }

}  // namespace gltrace
