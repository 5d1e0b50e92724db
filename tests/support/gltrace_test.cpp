// Tests of the GL/GLU call tracer, on what the other tests read from it: calls made
// here, from a locally opened module and inside libGLU are recorded in order with their
// arguments, arrays, results and pixel checksums, and still reach GL.
#include "tests/support/gltrace.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gltrace::Call;
using gltrace::npos;
using Values = std::vector<double>;
using Names = std::vector<std::string>;

// A surfaceless Mesa display with a pbuffer and a compatibility context, current for the
// whole run. The display stays initialised until exit: terminating it unloads Mesa's
// driver with two small blocks still held, which LeakSanitizer would report.
class EglContext : public ::testing::Environment {
 public:
  void SetUp() override {
    auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    ASSERT_NE(getDisplay, nullptr);
    display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    ASSERT_TRUE(display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr) &&
                eglBindAPI(EGL_OPENGL_API));
    const EGLint want[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE},
                 size[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE},
                 profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLConfig config;
    EGLint found = 0;
    ASSERT_TRUE(eglChooseConfig(display, want, &config, 1, &found) && found == 1);
    surface = eglCreatePbufferSurface(display, config, size);
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, profile);
    ASSERT_TRUE(surface != EGL_NO_SURFACE && context != EGL_NO_CONTEXT && MakeCurrent());
  }
  void TearDown() override {
    Release();
    eglDestroyContext(display, context);
    eglDestroySurface(display, surface);
  }
  static bool MakeCurrent() { return eglMakeCurrent(display, surface, surface, context); }
  static bool Release() { return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }

  static inline EGLDisplay display = EGL_NO_DISPLAY;
  static inline EGLSurface surface = EGL_NO_SURFACE;
  static inline EGLContext context = EGL_NO_CONTEXT;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new EglContext);

// The one recorded call of `name`; fails the test when there is not exactly one.
Call Only1(std::string_view name) {
  std::vector<Call> calls = gltrace::Named(name);
  EXPECT_EQ(calls.size(), 1u) << name << " in\n" << gltrace::Dump();
  return calls.empty() ? Call{} : calls[0];
}

TEST(GlTrace, CallsKeepTheirOrderArgumentsArraysAndResultsAndReachGl) {
  gltrace::Scope trace;
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  const GLuint list = glGenLists(1);
  // Arrays exactly as long as GL reads them, so that copying one value too many is caught.
  std::vector<GLfloat> colour{0.1f, 0.2f, 0.3f, 0.4f}, direction{0, -1, 0}, cutoff{30};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, colour.data());
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction.data());
  glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, cutoff.data());
  std::vector<GLint> names{3, 1, 2};
  glCallLists(3, GL_INT, names.data());
  const GLdouble shift[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
  glMultMatrixd(shift);
  GLdouble product[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, product);  // an output buffer: not recorded
  glDeleteLists(list, 1);
  gltrace::Stop();
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[2], 0.75f) << "the recorded call reached GL";
  glClearColor(0, 0, 0, 1);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[2], 0) << "stopped, calls are still forwarded";

  const std::string id = std::to_string(list);  // GL_LIGHT0 16384, GL_DIFFUSE 4609, GL_INT 5124, …
  EXPECT_EQ(gltrace::Dump(), "0: glClearColor(0.25, 0.5, 0.75, 1)\n1: glGenLists(1) -> " + id +
                                 "\n2: glLightfv(16384, 4609) [0.1, 0.2, 0.3, 0.4]\n"
                                 "3: glLightfv(16384, 4612) [0, -1, 0]\n4: glLightfv(16384, 4614) [30]\n"
                                 "5: glCallLists(3, 5124) [3, 1, 2]\n"
                                 "6: glMultMatrixd() [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1]\n"
                                 "7: glGetDoublev(2982)\n8: glDeleteLists(" + id + ", 1)\n");
  // Leading arguments and a start position; the names of some functions in order.
  EXPECT_EQ(gltrace::Find("glLightfv", {GL_LIGHT0, GL_SPOT_CUTOFF}), 4u);
  EXPECT_EQ(gltrace::Find("glLightfv", {GL_LIGHT0}, 3), 3u);
  EXPECT_EQ(gltrace::Find("glLightfv", {GL_LIGHT0, GL_DIFFUSE}, 3), npos);
  EXPECT_EQ(gltrace::Find("glLightfv", {GL_LIGHT0, GL_DIFFUSE, 1}), npos);  // more than recorded
  EXPECT_EQ(gltrace::Sequence({"glCallLists", "glLightfv"}, 3), (Names{"glLightfv", "glLightfv", "glCallLists"}));
  EXPECT_EQ(gltrace::Count("glLightfv"), 3);
  gltrace::Clear();
  EXPECT_TRUE(gltrace::Calls().empty());
}

TEST(GlTrace, PixelCallsChecksumJustTheBytesGlReadsWithOrWithoutAContext) {
  gltrace::Scope trace;
  unsigned char rgb[12];
  for (int i = 0; i < 12; ++i) rgb[i] = static_cast<unsigned char>(i * 7 + 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 1, 1, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  ASSERT_TRUE(EglContext::Release());  // no unpack state to read: alignment 4 applies
  glGenLists(1);
  glBitmap(16, 2, 0, 0, 0, 0, rgb);  // rows of 2 bytes padded to 4: the padding is not read
  EXPECT_TRUE(EglContext::MakeCurrent());
  EXPECT_EQ(Only1("glTexSubImage2D").checksum, gltrace::Checksum(rgb, 12));
  EXPECT_EQ(Only1("glBitmap").checksum, gltrace::Checksum(rgb + 4, 2, gltrace::Checksum(rgb, 2)));
  EXPECT_EQ(Only1("glGenLists").result, std::optional<double>(0));
  EXPECT_EQ(gltrace::Count("glGetIntegerv"), 0) << "the tracer's own reads of the unpack state";
}

TEST(GlTrace, CallsFromALocallyOpenedModuleAndInsideGluAreRecorded) {
  void* probe = dlopen(GLTRACE_PROBE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(probe, nullptr) << dlerror();
  gltrace::Scope trace;
  const GLfloat colour[] = {1, 0.5f, 0.25f, 1}, position[] = {0, 0, 10, 0};
  reinterpret_cast<void (*)(const GLfloat*, const GLfloat*)>(dlsym(probe, "ProbeLight"))(colour, position);
  EXPECT_EQ(gltrace::Sequence({"glLightfv", "glPushMatrix", "glLoadIdentity", "glPopMatrix"}),
            (Names{"glLightfv", "glPushMatrix", "glLoadIdentity", "glLightfv", "glPopMatrix"}));

  // A renderer's address is the first argument of the calls on it; a curve keeps its knots
  // and control points; GLU reports the decreasing knots through the module's callback.
  GLfloat knots[] = {0, 0, 0, 1, 0.5f, 1, 1, 1}, control[] = {-1, -1, 0, -0.5f, 1, 0, 0.5f, -1, 0, 1, 1, 0};
  gltrace::Clear();
  auto curve = reinterpret_cast<GLenum (*)(GLfloat*, GLint, GLfloat*)>(dlsym(probe, "ProbeNurbsCurve"));
  EXPECT_NE(curve(knots, 8, control), 0u);
  const Call drawn = Only1("gluNurbsCurve");
  EXPECT_EQ(drawn.args, (Values{Only1("gluNewNurbsRenderer").result.value_or(-1), 8, 3, 4, GL_MAP1_VERTEX_3}));
  EXPECT_EQ(drawn.arrays, (std::vector<Values>{Values(knots, knots + 8), Values(control, control + 12)}));

  // GLU's own GL calls inside gluSphere follow it.
  gltrace::Clear();
  reinterpret_cast<void (*)(GLdouble)>(dlsym(probe, "ProbeSphere"))(1.5);
  EXPECT_EQ(Only1("gluSphere").args, (Values{Only1("gluNewQuadric").result.value_or(-1), 1.5, 8, 4}));
  EXPECT_LT(gltrace::Find("gluSphere"), gltrace::Find("glVertex3f"));
  EXPECT_GT(gltrace::Count("glVertex3f"), 8);
  dlclose(probe);

  // A surface net of 5 x 4 points of 3 floats, each padded to 4 with a marker the net must
  // skip; s varies fastest in memory, as the module lays its nets out: memory order.
  GLfloat sKnots[] = {0, 0, 0, 0, 0.5f, 1, 1, 1, 1}, tKnots[] = {0, 0, 0, 0, 1, 1, 1, 1}, net[80];
  Values expected;
  for (int k = 0; k < 80; ++k) {
    net[k] = k % 4 == 3 ? 99.0f : static_cast<GLfloat>(k);
    if (k % 4 != 3) expected.push_back(k);
  }
  gltrace::Clear();
  GLUnurbs* renderer = gluNewNurbsRenderer();
  gluBeginSurface(renderer);
  gluNurbsSurface(renderer, 9, sKnots, 8, tKnots, 4, 20, net, 4, 4, GL_MAP2_VERTEX_3);
  gluEndSurface(renderer);
  gluDeleteNurbsRenderer(renderer);
  const Call surface = Only1("gluNurbsSurface");
  EXPECT_EQ(surface.args, (Values{surface.args[0], 9, 8, 4, 20, 4, 4, GL_MAP2_VERTEX_3}));
  EXPECT_EQ(surface.arrays, (std::vector<Values>{Values(sKnots, sKnots + 9), Values(tKnots, tKnots + 8), expected}));
}

}  // namespace
