// Tests of the GL/GLU call tracer: calls made here, inside libGLU and from a locally
// opened module are recorded and still reach GL; arrays, pixels, queries, the switch.
#include "tests/support/gltrace.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using gltrace::Call;
using gltrace::npos;
using Values = std::vector<double>;

// A surfaceless Mesa display with a small pbuffer and a compatibility context, current
// for the whole run. Made here directly so these tests need nothing of the project.
class EglContext : public ::testing::Environment {
 public:
  void SetUp() override {
    auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    ASSERT_NE(getDisplay, nullptr);
    display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    ASSERT_NE(display, EGL_NO_DISPLAY);
    ASSERT_TRUE(eglInitialize(display, nullptr, nullptr));
    ASSERT_TRUE(eglBindAPI(EGL_OPENGL_API));
    const EGLint want[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                           EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                           EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLConfig config;
    EGLint found = 0;
    ASSERT_TRUE(eglChooseConfig(display, want, &config, 1, &found) && found == 1);
    const EGLint size[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, size);
    ASSERT_NE(surface, EGL_NO_SURFACE);
    const EGLint profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                              EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, profile);
    ASSERT_NE(context, EGL_NO_CONTEXT);
    ASSERT_TRUE(MakeCurrent());
  }

  // The display stays initialised until exit, as the platform layer's does: terminating
  // it unloads Mesa's driver with two small blocks still held, which LeakSanitizer
  // would then report against an unknown module.
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

// Floats as the tracer keeps them (widened exactly), to compare with recorded values.
Values Floats(std::initializer_list<float> values) { return Values(values.begin(), values.end()); }

// The one recorded call of `name`; fails the test when there is not exactly one.
Call Only1(std::string_view name) {
  std::vector<Call> calls = gltrace::Named(name);
  EXPECT_EQ(calls.size(), 1u) << name << " in\n" << gltrace::Dump();
  return calls.empty() ? Call{} : calls[0];
}

// A dlopen'ed library whose functions are taken with dlsym, so calls into it bypass
// the tracer's own definitions of the same names.
class Library {
 public:
  explicit Library(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_) dlclose(handle_);
  }
  bool ok() const { return handle_ != nullptr; }
  template <typename F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }

 private:
  void* handle_;
};

TEST(GlTrace, DirectCallsAreRecordedAndStillReachGl) {
  gltrace::Scope trace;
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char pixel[4] = {};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_NEAR(pixel[0], 64, 1);
  EXPECT_NEAR(pixel[1], 128, 1);
  EXPECT_NEAR(pixel[2], 191, 1);
  const GLuint lists = glGenLists(2);
  EXPECT_NE(lists, 0u);
  EXPECT_TRUE(glIsList(lists));  // not traced: reaches GL directly
  glDisable(GL_DEPTH_TEST);
  const GLboolean off = glIsEnabled(GL_DEPTH_TEST);
  glEnable(GL_DEPTH_TEST);
  const GLboolean on = glIsEnabled(GL_DEPTH_TEST);
  EXPECT_FALSE(off);
  EXPECT_TRUE(on);

  EXPECT_EQ(gltrace::Sequence({"glClearColor", "glClear", "glReadPixels", "glGenLists"}),
            (std::vector<std::string>{"glClearColor", "glClear", "glReadPixels", "glGenLists"}));
  EXPECT_EQ(Only1("glClearColor").args, (Values{0.25, 0.5, 0.75, 1}));
  EXPECT_EQ(Only1("glClear").args, (Values{GL_COLOR_BUFFER_BIT}));
  const Call read = Only1("glReadPixels");
  EXPECT_EQ(read.args, (Values{0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE}));
  EXPECT_TRUE(read.arrays.empty());
  const Call gen = Only1("glGenLists");
  EXPECT_EQ(gen.args, (Values{2}));
  EXPECT_EQ(gen.result, std::optional<double>(lists));
  const std::vector<Call> enabled = gltrace::Named("glIsEnabled");
  ASSERT_EQ(enabled.size(), 2u);
  EXPECT_EQ(enabled[0].result, std::optional<double>(0));
  EXPECT_EQ(enabled[1].result, std::optional<double>(1));
  EXPECT_FALSE(Only1("glClear").result);  // a void call has no result
  glDeleteLists(lists, 2);
}

TEST(GlTrace, ArrayArgumentsAreCopiedByTheirCount) {
  gltrace::Scope trace;
  // Heap arrays of exactly the size GL reads, so reading one value too many is caught.
  auto colour = std::make_unique<GLfloat[]>(4), spot = std::make_unique<GLfloat[]>(3);
  auto cutoff = std::make_unique<GLfloat[]>(1), shininess = std::make_unique<GLfloat[]>(1);
  for (int i = 0; i < 4; ++i) colour[i] = 0.1f * (i + 1);
  spot[0] = 0, spot[1] = -1, spot[2] = 0;
  cutoff[0] = 30;
  shininess[0] = 64;
  glLightfv(GL_LIGHT0, GL_DIFFUSE, colour.get());
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, spot.get());
  glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, cutoff.get());
  glMaterialfv(GL_FRONT, GL_SHININESS, shininess.get());
  glMaterialfv(GL_FRONT, GL_EMISSION, colour.get());
  glFogfv(GL_FOG_COLOR, colour.get());

  const std::vector<Call> lights = gltrace::Named("glLightfv");
  ASSERT_EQ(lights.size(), 3u);
  EXPECT_EQ(lights[0].args, (Values{GL_LIGHT0, GL_DIFFUSE}));
  EXPECT_EQ(lights[0].arrays, std::vector<Values>{Floats({0.1f, 0.2f, 0.3f, 0.4f})});
  EXPECT_EQ(lights[1].arrays, std::vector<Values>{Floats({0, -1, 0})});
  EXPECT_EQ(lights[2].arrays, std::vector<Values>{Floats({30})});
  const std::vector<Call> materials = gltrace::Named("glMaterialfv");
  ASSERT_EQ(materials.size(), 2u);
  EXPECT_EQ(materials[0].arrays, std::vector<Values>{Floats({64})});
  EXPECT_EQ(materials[1].arrays[0].size(), 4u);
  EXPECT_EQ(Only1("glFogfv").arrays, std::vector<Values>{Floats({0.1f, 0.2f, 0.3f, 0.4f})});
  GLfloat stored[4] = {};
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, stored);  // the values reached GL unchanged
  EXPECT_EQ(Floats({stored[0], stored[1], stored[2], stored[3]}), Floats({0.1f, 0.2f, 0.3f, 0.4f}));

  const GLint ints[] = {3, 1, 2};
  const GLubyte bytes[] = {7, 200};
  const GLubyte pairs[] = {1, 2, 0, 5};  // GL_2_BYTES: names 1·256+2 and 5
  glCallLists(3, GL_INT, ints);
  glCallLists(2, GL_UNSIGNED_BYTE, bytes);
  glCallLists(2, GL_2_BYTES, pairs);
  const std::vector<Call> calls = gltrace::Named("glCallLists");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].args, (Values{3, GL_INT}));
  EXPECT_EQ(calls[0].arrays, std::vector<Values>{(Values{3, 1, 2})});
  EXPECT_EQ(calls[1].arrays, std::vector<Values>{(Values{7, 200})});
  EXPECT_EQ(calls[2].arrays, std::vector<Values>{(Values{258, 5})});

  GLdouble shift[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glMultMatrixd(shift);
  GLdouble product[16] = {};
  glGetDoublev(GL_MODELVIEW_MATRIX, product);
  glPopMatrix();
  EXPECT_EQ(product[12], 5);
  EXPECT_EQ(Only1("glMultMatrixd").arrays, std::vector<Values>{Values(shift, shift + 16)});
  const Call get = Only1("glGetDoublev");  // an output buffer is not recorded
  EXPECT_EQ(get.args, (Values{GL_MODELVIEW_MATRIX}));
  EXPECT_TRUE(get.arrays.empty());
}

TEST(GlTrace, PixelCallsRecordTheChecksumOfTheBytesGlReads) {
  gltrace::Scope trace;
  // A 10 × 3 bitmap with 4-byte rows: GL reads 2 bytes of each, never the padding.
  unsigned char bits[12];
  for (int i = 0; i < 12; ++i) bits[i] = i % 4 < 2 ? 0x11 * (i + 1) : 0xAA;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glBitmap(10, 3, 0, 0, 10, 0, bits);
  for (int i = 0; i < 12; ++i)
    if (i % 4 >= 2) bits[i] = 0x55;
  glBitmap(10, 3, 0, 0, 10, 0, bits);
  bits[5] ^= 1;
  glBitmap(10, 3, 0, 0, 10, 0, bits);
  glBitmap(10, 3, 0, 0, 10, 0, nullptr);  // moves the raster position only
  uint32_t expected = gltrace::kChecksumSeed;
  for (int row = 0; row < 3; ++row) expected = gltrace::Checksum(bits + 4 * row, 2, expected);
  const std::vector<Call> bitmaps = gltrace::Named("glBitmap");
  ASSERT_EQ(bitmaps.size(), 4u);
  EXPECT_EQ(bitmaps[0].args, (Values{10, 3, 0, 0, 10, 0}));
  EXPECT_EQ(bitmaps[0].checksum, bitmaps[1].checksum);  // padding is not read
  EXPECT_NE(bitmaps[1].checksum, bitmaps[2].checksum);
  EXPECT_EQ(bitmaps[2].checksum, expected);
  EXPECT_FALSE(bitmaps[3].checksum);

  // 3 × 2 RGB pixels: packed rows with alignment 1, 12-byte rows with alignment 4, and
  // a window of 2 × 2 out of 5-pixel rows after skipping one row and one pixel.
  unsigned char rgb[45];
  for (int i = 0; i < 45; ++i) rgb[i] = static_cast<unsigned char>(i * 7);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glDrawPixels(3, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glDrawPixels(3, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 5);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
  glDrawPixels(2, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  const std::vector<Call> draws = gltrace::Named("glDrawPixels");
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].args, (Values{3, 2, GL_RGB, GL_UNSIGNED_BYTE}));
  EXPECT_EQ(draws[0].checksum, gltrace::Checksum(rgb, 18));
  EXPECT_EQ(draws[1].checksum, gltrace::Checksum(rgb + 12, 9, gltrace::Checksum(rgb, 9)));
  EXPECT_EQ(draws[2].checksum, gltrace::Checksum(rgb + 33, 6, gltrace::Checksum(rgb + 18, 6)));

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 1, 1, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glDeleteTextures(1, &texture);
  EXPECT_FALSE(Only1("glTexImage2D").checksum);  // no pixels given
  const Call sub = Only1("glTexSubImage2D");
  EXPECT_EQ(sub.args, (Values{GL_TEXTURE_2D, 0, 1, 1, 2, 2, GL_RGB, GL_UNSIGNED_BYTE}));
  EXPECT_EQ(sub.checksum, gltrace::Checksum(rgb, 12));
  // The tracer's own reads of the unpack state stay out of the record.
  EXPECT_EQ(gltrace::Count("glGetIntegerv"), 0) << gltrace::Dump();
}

TEST(GlTrace, CallsGluMakesInsideItselfAreRecorded) {
  Library glu("libGLU.so.1");
  ASSERT_TRUE(glu.ok());
  gltrace::Scope trace;
  glu.Get<decltype(&gluLookAt)>("gluLookAt")(1, 2, 3, 0, 0, 0, 0, 1, 0);
  EXPECT_EQ(gltrace::Count("gluLookAt"), 0);  // called past the tracer, straight into GLU
  EXPECT_EQ(gltrace::Sequence({"glMultMatrixf", "glTranslated"}),
            (std::vector<std::string>{"glMultMatrixf", "glTranslated"}));
  EXPECT_EQ(Only1("glTranslated").args, (Values{-1, -2, -3}));
  EXPECT_EQ(Only1("glMultMatrixf").arrays.at(0).size(), 16u);

  gltrace::Clear();
  GLUquadric* quadric = glu.Get<decltype(&gluNewQuadric)>("gluNewQuadric")();
  ASSERT_NE(quadric, nullptr);
  glu.Get<decltype(&gluSphere)>("gluSphere")(quadric, 2.0, 8, 4);
  glu.Get<decltype(&gluDeleteQuadric)>("gluDeleteQuadric")(quadric);
  EXPECT_GT(gltrace::Count("glBegin"), 0);
  EXPECT_EQ(gltrace::Count("glBegin"), gltrace::Count("glEnd"));
  EXPECT_GT(gltrace::Count("glNormal3f"), 0);
  const std::vector<Call> vertices = gltrace::Named("glVertex3f");
  ASSERT_GT(vertices.size(), 8u);
  for (const Call& v : vertices)
    EXPECT_NEAR(std::hypot(v.args[0], v.args[1], v.args[2]), 2.0, 1e-5) << gltrace::Format(v);

  gltrace::Clear();
  GLUnurbs* nurbs = glu.Get<decltype(&gluNewNurbsRenderer)>("gluNewNurbsRenderer")();
  ASSERT_NE(nurbs, nullptr);
  GLfloat knots[] = {0, 0, 0, 0, 1, 1, 1, 1};
  GLfloat control[] = {-1, -1, 0, -0.5f, 1, 0, 0.5f, -1, 0, 1, 1, 0};
  glu.Get<decltype(&gluBeginCurve)>("gluBeginCurve")(nurbs);
  glu.Get<decltype(&gluNurbsCurve)>("gluNurbsCurve")(nurbs, 8, knots, 3, control, 4, GL_MAP1_VERTEX_3);
  glu.Get<decltype(&gluEndCurve)>("gluEndCurve")(nurbs);
  glu.Get<decltype(&gluDeleteNurbsRenderer)>("gluDeleteNurbsRenderer")(nurbs);
  // One Bézier segment: GLU hands its control points to a GL evaluator and draws it.
  const Call map = Only1("glMap1f");
  EXPECT_EQ(map.args.at(0), GL_MAP1_VERTEX_3);
  EXPECT_EQ(map.arrays, std::vector<Values>{Values(control, control + 12)});
  EXPECT_GT(gltrace::Count("glEvalMesh1") + gltrace::Count("glEvalCoord1f"), 0) << gltrace::Dump();
}

TEST(GlTrace, CallsFromALocallyOpenedModuleAreRecorded) {
  Library probe(GLTRACE_PROBE);
  ASSERT_TRUE(probe.ok()) << dlerror();
  gltrace::Scope trace;
  const GLfloat colour[] = {1, 0.5f, 0.25f, 1}, position[] = {0, 0, 10, 0};
  probe.Get<void (*)(const GLfloat*, const GLfloat*)>("ProbeLight")(colour, position);
  EXPECT_EQ(gltrace::Sequence({"glLightfv", "glPushMatrix", "glLoadIdentity", "glPopMatrix"}),
            (std::vector<std::string>{"glLightfv", "glPushMatrix", "glLoadIdentity", "glLightfv",
                                      "glPopMatrix"}));
  const size_t diffuse = gltrace::Find("glLightfv", {GL_LIGHT0, GL_DIFFUSE});
  const size_t placed = gltrace::Find("glLightfv", {GL_LIGHT0, GL_POSITION});
  ASSERT_NE(placed, npos);
  EXPECT_LT(diffuse, placed);
  EXPECT_EQ(gltrace::Calls()[placed].arrays, std::vector<Values>{Floats({0, 0, 10, 0})});

  // GLU reports a decreasing knot vector through the callback the module registered.
  auto curve = probe.Get<GLenum (*)(GLfloat*, GLint, GLfloat*)>("ProbeNurbsCurve");
  GLfloat bad[] = {0, 0, 0, 1, 0.5f, 1, 1, 1};
  GLfloat control[] = {-1, -1, 0, -0.5f, 1, 0, 0.5f, -1, 0, 1, 1, 0};
  gltrace::Clear();
  EXPECT_NE(curve(bad, 8, control), 0u) << gltrace::Dump();
  EXPECT_EQ(Only1("gluNurbsCallback").args.at(1), GLU_NURBS_ERROR);
  const Call drawn = Only1("gluNurbsCurve");
  EXPECT_EQ(drawn.args, (Values{drawn.args[0], 8, 3, 4, GL_MAP1_VERTEX_3}));
  EXPECT_EQ(drawn.arrays, (std::vector<Values>{Values(bad, bad + 8), Values(control, control + 12)}));
  const Call created = Only1("gluNewNurbsRenderer");
  EXPECT_EQ(created.result, std::optional<double>(drawn.args[0]));

  GLfloat good[] = {0, 0, 0, 0, 1, 1, 1, 1};
  gltrace::Clear();
  EXPECT_EQ(curve(good, 8, control), 0u);
  // GLU draws the curve when it ends, so its GL calls follow gluEndCurve.
  const size_t end = gltrace::Find("gluEndCurve");
  ASSERT_NE(end, npos);
  EXPECT_NE(gltrace::Find("glMap1f", {GL_MAP1_VERTEX_3}, end), npos) << gltrace::Dump();
  EXPECT_EQ(gltrace::Find("glMap1f"), gltrace::Find("glMap1f", {}, end));

  gltrace::Clear();
  probe.Get<void (*)(GLdouble)>("ProbeSphere")(1.5);
  const Call sphere = Only1("gluSphere");
  EXPECT_EQ(sphere.args, (Values{sphere.args[0], 1.5, 8, 4}));
  EXPECT_EQ(Only1("gluNewQuadric").result, std::optional<double>(sphere.args[0]));
  EXPECT_EQ(Only1("gluDeleteQuadric").args, (Values{sphere.args[0]}));
  EXPECT_LT(gltrace::Find("gluSphere"), gltrace::Find("glBegin"));
}

TEST(GlTrace, NurbsSurfaceNetIsReadWithItsStrides) {
  // 5 × 4 control points of 3 floats, each padded to 4 with a marker the net must skip;
  // s varies fastest in memory, as the module lays its nets out.
  GLfloat sKnots[] = {0, 0, 0, 0, 0.5f, 1, 1, 1, 1}, tKnots[] = {0, 0, 0, 0, 1, 1, 1, 1};
  GLfloat control[80];
  Values net;
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 5; ++i) {
      GLfloat* point = control + i * 4 + j * 20;
      point[0] = static_cast<GLfloat>(i), point[1] = static_cast<GLfloat>(j), point[2] = 0.25f * (i + j);
      point[3] = 99;
      net.insert(net.end(), point, point + 3);
    }
  gltrace::Scope trace;
  GLUnurbs* renderer = gluNewNurbsRenderer();
  ASSERT_NE(renderer, nullptr);
  gluBeginSurface(renderer);
  gluNurbsSurface(renderer, 9, sKnots, 8, tKnots, 4, 20, control, 4, 4, GL_MAP2_VERTEX_3);
  gluEndSurface(renderer);
  gluDeleteNurbsRenderer(renderer);

  const Call surface = Only1("gluNurbsSurface");
  EXPECT_EQ(surface.args, (Values{surface.args[0], 9, 8, 4, 20, 4, 4, GL_MAP2_VERTEX_3}));
  ASSERT_EQ(surface.arrays.size(), 3u);
  EXPECT_EQ(surface.arrays[0], Values(sKnots, sKnots + 9));
  EXPECT_EQ(surface.arrays[1], Values(tKnots, tKnots + 8));
  EXPECT_EQ(surface.arrays[2], net);
  // GLU draws each Bézier patch through a 4 × 4 evaluator map of 3 floats a point.
  const std::vector<Call> maps = gltrace::Only({"glMap2f"}, gltrace::Find("gluEndSurface"));
  ASSERT_FALSE(maps.empty()) << gltrace::Dump();
  for (const Call& map : maps) EXPECT_EQ(map.arrays.at(0).size(), 48u) << gltrace::Format(map);
}

TEST(GlTrace, StopEndsRecordingButNotForwarding) {
  gltrace::Scope trace;
  EXPECT_TRUE(gltrace::Running());
  glFlush();
  gltrace::Stop();
  EXPECT_FALSE(gltrace::Running());
  glFlush();
  glClearColor(0.5f, 0.25f, 0, 1);
  EXPECT_EQ(gltrace::Count("glFlush"), 1);
  EXPECT_EQ(gltrace::Count("glClearColor"), 0);
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 0.5f);
  EXPECT_EQ(clear[1], 0.25f);
  EXPECT_EQ(gltrace::Calls().size(), 1u);
  gltrace::Clear();
  EXPECT_TRUE(gltrace::Calls().empty());
}

TEST(GlTrace, QueriesFindAndFormatCalls) {
  gltrace::Scope trace;
  const GLfloat colour[] = {0.5f, 0.25f, 1, 0};
  glEnable(GL_LIGHTING);
  glLightfv(GL_LIGHT0, GL_AMBIENT, colour);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_SPECULAR, colour);
  const GLuint list = glGenLists(1);
  glDeleteLists(list, 1);
  EXPECT_EQ(gltrace::Find("glEnable"), 0u);
  EXPECT_EQ(gltrace::Find("glEnable", {GL_LIGHT0}), 2u);
  EXPECT_EQ(gltrace::Find("glEnable", {}, 1), 2u);
  EXPECT_EQ(gltrace::Find("glEnable", {GL_LIGHT0}, 3), npos);
  EXPECT_EQ(gltrace::Find("glLightfv", {GL_LIGHT0, GL_SPECULAR}), 3u);
  EXPECT_EQ(gltrace::Find("glLightfv", {GL_LIGHT0, GL_SPECULAR, 1}), npos);  // more than recorded
  EXPECT_EQ(gltrace::Find("glFlush"), npos);
  EXPECT_EQ(gltrace::Count("glEnable"), 2);
  EXPECT_EQ(gltrace::Sequence({"glLightfv", "glEnable"}, 1),
            (std::vector<std::string>{"glLightfv", "glEnable", "glLightfv"}));
  EXPECT_EQ(gltrace::Only({"glEnable"}).at(1).args, (Values{GL_LIGHT0}));
  EXPECT_EQ(gltrace::Format(gltrace::Calls()[1]), "glLightfv(16384, 4608) [0.5, 0.25, 1, 0]");
  EXPECT_EQ(gltrace::Format(gltrace::Calls()[4]), "glGenLists(1) -> " + std::to_string(list));
  const std::string dump = gltrace::Dump(3);
  EXPECT_EQ(dump.find("3: glLightfv(16384, 4610) [0.5, 0.25, 1, 0]\n"), 0u) << dump;
  EXPECT_NE(dump.find("\n5: glDeleteLists("), std::string::npos) << dump;
  EXPECT_EQ(dump.find("glEnable"), std::string::npos) << dump;
}

TEST(GlTrace, WorksWithoutACurrentContext) {
  ASSERT_TRUE(EglContext::Release());
  gltrace::Scope trace;
  const GLubyte* version = glGetString(GL_VERSION);
  const GLuint list = glGenLists(1);
  const unsigned char bits[8] = {1, 2, 0, 0, 3, 4, 0, 0};
  glBitmap(16, 2, 0, 0, 0, 0, bits);  // no unpack state to read: alignment 4 applies
  EXPECT_TRUE(EglContext::MakeCurrent());
  EXPECT_EQ(version, nullptr);
  EXPECT_EQ(list, 0u);
  EXPECT_EQ(Only1("glGetString").args, (Values{GL_VERSION}));
  EXPECT_EQ(Only1("glGenLists").result, std::optional<double>(0));
  EXPECT_EQ(Only1("glBitmap").checksum, gltrace::Checksum(bits + 4, 2, gltrace::Checksum(bits, 2)));
}

}  // namespace
