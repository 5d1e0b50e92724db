// The OpenGL and GLU calls behind the scene rows, as the tracer records them:
// the initial state of Open and what BindMDC sends again, the light's order,
// the exact arguments of the camera calls, what a closed context issues
// (nothing, except the matrix loads), and colour tracking around SetColor
// and SetMaterial.
#include <GL/gl.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/scene/scene_support.h"
#include "tests/support/gltrace.h"

namespace {

using namespace scene_test;

// One expected call: its name and its leading scalar arguments (compare
// floats with float literals).
struct Step {
    std::string name;
    std::vector<double> args;
};

// The calls recorded, without those libGLU makes inside gluLookAt (the
// module itself never calls glMultMatrixf or glTranslated).
std::vector<gltrace::Call> ModuleCalls() {
    std::vector<gltrace::Call> out;
    bool inLookAt = false;
    for (const gltrace::Call& c : gltrace::Calls()) {
        if (inLookAt && (c.name == "glMultMatrixf" || c.name == "glTranslated")) continue;
        inLookAt = c.name == "gluLookAt";
        out.push_back(c);
    }
    return out;
}

void ExpectSteps(const std::vector<Step>& want, const char* what) {
    std::vector<gltrace::Call> got = ModuleCalls();
    ASSERT_EQ(got.size(), want.size()) << what << "\n" << gltrace::Dump();
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(got[i].name, want[i].name) << what << " call " << i << "\n" << gltrace::Dump();
        ASSERT_GE(got[i].args.size(), want[i].args.size()) << what << " call " << i;
        for (size_t a = 0; a < want[i].args.size(); a++)
            EXPECT_EQ(got[i].args[a], want[i].args[a]) << what << " call " << i << " (" << got[i] << ")";
    }
}

// The values of the one array of the first call named `name` with the leading arguments.
std::vector<double> ArrayOf(const char* name, std::initializer_list<double> leading) {
    size_t at = gltrace::Find(name, leading);
    if (at == gltrace::npos || gltrace::Calls()[at].arrays.empty()) {
        ADD_FAILURE() << "no " << name << "\n" << gltrace::Dump();
        return {};
    }
    return gltrace::Calls()[at].arrays[0];
}

std::vector<double> Widened(std::initializer_list<float> v) { return std::vector<double>(v.begin(), v.end()); }

const std::vector<Step> kViewer = {
    {"glMatrixMode", {GL_MODELVIEW}}, {"glLoadIdentity", {}}, {"gluLookAt", {0, 0, 1000, 0, 0, 0, 0, 1, 0}}};
const std::vector<Step> kDefaultProjection = {{"glMatrixMode", {GL_PROJECTION}},
                                              {"glLoadIdentity", {}},
                                              {"glFrustum", {-200, 200, 200, -200, -200, 200}},
                                              {"glMatrixMode", {GL_MODELVIEW}}};
const std::vector<Step> kLightApply = {
    {"glLightfv", {GL_LIGHT0, GL_AMBIENT}},   {"glLightfv", {GL_LIGHT0, GL_SPECULAR}},
    {"glLightfv", {GL_LIGHT0, GL_DIFFUSE}},   {"glMatrixMode", {GL_MODELVIEW}},
    {"glPushMatrix", {}},                     {"glLoadIdentity", {}},
    {"glLightfv", {GL_LIGHT0, GL_POSITION}},  {"glLightf", {GL_LIGHT0, GL_SPOT_CUTOFF}},
    {"glLightfv", {GL_LIGHT0, GL_SPOT_DIRECTION}}, {"glPopMatrix", {}}};
const std::vector<Step> kLightEnable = {{"glLightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, 1}},
                                        {"glEnable", {GL_LIGHTING}},
                                        {"glEnable", {GL_LIGHT0}},
                                        {"glDisable", {GL_COLOR_MATERIAL}},
                                        {"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 0}}};

std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(SceneTrace, OpenSendsTheInitialStateInOrder) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    const std::vector<Step> fixed = {{"glFrontFace", {GL_CCW}},
                                     {"glDisable", {GL_CULL_FACE}},
                                     {"glDepthFunc", {GL_LEQUAL}},
                                     {"glEnable", {GL_DEPTH_TEST}},
                                     {"glEnable", {GL_NORMALIZE}},
                                     {"glHint", {GL_POLYGON_SMOOTH_HINT, GL_FASTEST}},
                                     {"glHint", {GL_LINE_SMOOTH_HINT, GL_FASTEST}}};
    const std::vector<Step> clear = {{"glClearColor", {0, 0, 0, 1}}, {"glClear", {GL_DEPTH_BUFFER_BIT}}};
    {
        gltrace::Scope trace;
        h.Call(gl, "Open", {dc});
        ExpectSteps(Join({{{"glViewport", {0, 80, 400, 400}}},
                          kViewer,
                          {{"glShadeModel", {GL_FLAT}}},
                          fixed,
                          kDefaultProjection,
                          clear,
                          {{"glDisable", {GL_COLOR_LOGIC_OP}}, {"glDisable", {GL_BLEND}}}}),
                    "defaults");
    }

    // Every switch on, set while closed: light enabled then applied, the fog
    // from the clipping box, blending at the end; line and point smoothing
    // are not sent.
    h.Call(gl, "Close");
    for (const char* on : {"EnableLight", "EnableFog", "EnableBlend", "EnableSmooth", "EnableSmoothLine",
                           "EnableSmoothPoint"})
        h.Call(gl, on, {Bool(true)});
    gltrace::Scope trace;
    h.Call(gl, "Open", {dc});
    ExpectSteps(Join({{{"glViewport", {0, 80, 400, 400}}},
                      kViewer,
                      {{"glShadeModel", {GL_SMOOTH}}},
                      fixed,
                      kLightEnable,
                      kLightApply,
                      {{"glEnable", {GL_FOG}},
                       {"glFogi", {GL_FOG_MODE, GL_LINEAR}},
                       {"glFogf", {GL_FOG_DENSITY, 0.01f}},
                       {"glFogfv", {GL_FOG_COLOR}},
                       {"glFogf", {GL_FOG_START, -200}},
                       {"glFogf", {GL_FOG_END, 200}}},
                      kDefaultProjection,
                      clear,
                      {{"glEnable", {GL_COLOR_LOGIC_OP}},
                       {"glEnable", {GL_BLEND}},
                       {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}}}}),
                "every switch on");
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_AMBIENT}), Widened({0.2f, 0.2f, 0.2f, 1}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_SPECULAR}), Widened({1, 1, 1, 1}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_DIFFUSE}), Widened({0.8f, 0.8f, 0.8f, 1}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_POSITION}), Widened({100, 100, 2000, 1}));
    EXPECT_EQ(ArrayOf("glFogfv", {GL_FOG_COLOR}), Widened({0.2f, 0.2f, 0.2f, 1}));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, BindSendsOnlyViewportAndProjection) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable a = h.New("MDC", {Int(64), Int(64)});
    Variable b = h.New("MDC", {Int(32), Int(16)});
    h.Call(gl, "EnableLight", {Bool(true)});
    h.Call(gl, "EnableFog", {Bool(true)});
    h.Call(gl, "Open", {a});
    h.Call(gl, "SetViewPort", {Int(1), Int(2), Int(11), Int(12)});
    h.Call(gl, "FreeMDC");
    gltrace::Scope trace;
    h.Call(gl, "BindMDC", {b});
    ExpectSteps(Join({{{"glViewport", {1, 4, 10, 10}}}, kDefaultProjection}), "bind");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, CameraCallsCarryTheStoredValues) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    h.Call(gl, "Open", {dc});
    gltrace::Scope trace;
    h.Call(gl, "SetViewPort", {Int(10), Int(20), Int(110), Int(220)});
    ExpectSteps(Join({{{"glViewport", {10, 260, 100, 200}}}, kDefaultProjection}), "SetViewPort");

    gltrace::Clear();
    h.Call(gl, "SetPerspective", {Int(45), Num(1.5), Int(0), Int(100)});
    ExpectSteps({{"glMatrixMode", {GL_PROJECTION}},
                 {"glLoadIdentity", {}},
                 {"glFrustum", {-0.62131977f, 0.62131977f, -0.41421318f, 0.41421318f, 1, 100}},
                 {"glMatrixMode", {GL_MODELVIEW}}},
                "SetPerspective: bottom -top, top +top");

    gltrace::Clear();
    h.Call(gl, "SetClipping", {Int(-1), Int(3), Int(-2), Int(4), Int(1), Int(10)});
    ExpectSteps({{"glMatrixMode", {GL_PROJECTION}},
                 {"glLoadIdentity", {}},
                 {"glFrustum", {-1, 3, -2, 4, 1, 10}},
                 {"glMatrixMode", {GL_MODELVIEW}}},
                "SetClipping");

    gltrace::Clear();
    h.Call(gl, "SetViewerPos", {Int(1), Int(2), Int(3), Int(0), Int(0), Int(0), Int(0), Int(0), Int(2)});
    ExpectSteps({{"glMatrixMode", {GL_MODELVIEW}}, {"glLoadIdentity", {}}, {"gluLookAt", {1, 2, 3, 0, 0, 0, 0, 0, 1}}},
                "SetViewerPos: up normalised");

    gltrace::Clear();
    h.Call(gl, "Rotate", {Int(0), Int(0), Int(1), Int(90)});
    h.Call(gl, "Rotate", {h.New("POINT3", {Int(1), Int(0), Int(0)}), Num(12.5)});
    h.Call(gl, "Translate", {Num(0.5), Int(-1), Int(2)});
    h.Call(gl, "SetScale", {Int(2), Int(3), Int(4)});
    h.Call(gl, "PushModelMatrix");
    h.Call(gl, "PopModelMatrix");
    ExpectSteps({{"glMatrixMode", {GL_MODELVIEW}}, {"glRotatef", {90, 0, 0, 1}},
                 {"glMatrixMode", {GL_MODELVIEW}}, {"glRotatef", {12.5f, 1, 0, 0}},
                 {"glMatrixMode", {GL_MODELVIEW}}, {"glTranslatef", {0.5f, -1, 2}},
                 {"glMatrixMode", {GL_MODELVIEW}}, {"glScalef", {2, 3, 4}},
                 {"glMatrixMode", {GL_MODELVIEW}}, {"glPushMatrix", {}},
                 {"glMatrixMode", {GL_MODELVIEW}}, {"glPopMatrix", {}}},
                "transforms: the angle first for OpenGL");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, AClosedContextIssuesNothingButTheMatrixLoads) {
    Harness h;
    Variable open = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(16), Int(16)});
    h.Call(open, "Open", {dc});
    Variable gl = h.New("VOpenGL");
    Variable colour = h.New("OglColor");
    Variable material = h.New("OglMaterial");
    Variable point = h.New("POINT3", {Int(1), Int(2), Int(3)});
    h.Call(gl, "EnableLight", {Bool(true)});
    gltrace::Scope trace;
    h.Call(gl, "Translate", {Int(1), Int(2), Int(3)});
    h.Call(gl, "Translate", {point});
    h.Call(gl, "Rotate", {Int(0), Int(0), Int(1), Int(90)});
    h.Call(gl, "Rotate", {point, Int(90)});
    h.Call(gl, "SetScale", {Int(2), Int(2), Int(2)});
    h.Call(gl, "PushModelMatrix");
    h.Call(gl, "PopModelMatrix");
    h.Call(gl, "SetViewPort", {Int(0), Int(0), Int(8), Int(8)});
    h.Call(gl, "SetViewerPos", {Int(0), Int(0), Int(5), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    h.Call(gl, "SetClipping", {Int(-1), Int(1), Int(-1), Int(1), Int(1), Int(10)});
    h.Call(gl, "SetPerspective", {Int(45), Int(1), Int(1), Int(10)});
    h.Call(gl, "SetClearColor", {Int(1), Int(0), Int(0)});
    h.Call(gl, "SetLightPosition", {Int(1), Int(1), Int(1)});
    for (const char* s : {"EnableFog", "EnableLight", "EnableBlend", "EnableSmooth"}) h.Call(gl, s, {Bool(true)});
    h.Call(gl, "EnableLight", {Bool(false)});
    h.Call(gl, "SetColor", {Int(1), Int(1), Int(1), Int(1)});
    h.Call(gl, "SetColor", {colour});
    h.Call(gl, "SetMaterial", {material});
    EXPECT_TRUE(gltrace::Calls().empty()) << "a closed context calls nothing\n" << gltrace::Dump();

    // The matrix loads issue whatever the state, into the current context.
    Variable m = h.New("Matrix", {Int(4), Int(4)});
    m[0][3] = 5.0;
    m[3][3] = 1.0;
    h.Call(gl, "LoadIdentityMatrix");
    h.Call(gl, "LoadMatrix", {m});
    h.Call(gl, "MultiplyMatrix", {m});
    ExpectSteps({{"glMatrixMode", {GL_MODELVIEW}},
                 {"glLoadIdentity", {}},
                 {"glMatrixMode", {GL_MODELVIEW}},
                 {"glLoadIdentity", {}},
                 {"gluLookAt", {0, 0, 5, 0, 0, 0, 0, 1, 0}},
                 {"glMultMatrixd", {}},
                 {"glMatrixMode", {GL_MODELVIEW}},
                 {"glMultMatrixd", {}}},
                "loads");
    std::vector<double> column(16, 0.0);
    column[12] = 5;  // M[0][3] is element 4 * 3 + 0
    column[15] = 1;
    EXPECT_EQ(gltrace::Named("glMultMatrixd")[0].arrays[0], column);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, LightAndFogSequences) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(16), Int(16)});
    h.Call(gl, "Open", {dc});
    h.Call(gl, "SetDiffuseLightColor", {Num(0.1), Num(0.2), Num(0.3)});
    gltrace::Scope trace;
    h.Call(gl, "EnableLight", {Bool(true)});
    ExpectSteps(kLightEnable, "EnableLight(true) sends no colour and no position");

    gltrace::Clear();
    h.Call(gl, "SetSpot", {Int(30)});
    h.Call(gl, "SetLightPosition", {Int(0), Int(0), Int(100)});
    ExpectSteps(kLightApply, "SetLightPosition sends the whole light");
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_DIFFUSE}), Widened({0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_POSITION}), Widened({0, 0, 100, 1}));
    EXPECT_EQ(gltrace::Named("glLightf")[0].args, (std::vector<double>{GL_LIGHT0, GL_SPOT_CUTOFF, 30}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_SPOT_DIRECTION}), Widened({0, 0, -1}));

    gltrace::Clear();
    h.Call(gl, "EnableTwoSide", {Bool(true)});
    h.Call(gl, "SetSpot", {Int(10)});
    h.Call(gl, "SetAmbientLightColor", {Int(1), Int(1), Int(1)});
    EXPECT_TRUE(gltrace::Calls().empty()) << "light settings wait\n" << gltrace::Dump();
    h.Call(gl, "EnableLight", {Bool(false)});
    ExpectSteps({{"glDisable", {GL_LIGHTING}},
                 {"glEnable", {GL_COLOR_MATERIAL}},
                 {"glColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}}},
                "EnableLight(false)");

    gltrace::Clear();
    h.Call(gl, "SetPerspective", {Int(45), Int(1), Int(1), Int(100)});
    gltrace::Clear();
    h.Call(gl, "SetFogExpMode");
    h.Call(gl, "SetFogDensity", {Num(0.5)});
    h.Call(gl, "SetFogColor", {h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)})});
    EXPECT_TRUE(gltrace::Calls().empty()) << "fog settings wait\n" << gltrace::Dump();
    h.Call(gl, "EnableFog", {Bool(true)});
    ExpectSteps({{"glEnable", {GL_FOG}},
                 {"glFogi", {GL_FOG_MODE, GL_EXP2}},
                 {"glFogf", {GL_FOG_DENSITY, 0.5f}},
                 {"glFogfv", {GL_FOG_COLOR}},
                 {"glFogf", {GL_FOG_START, 1}},
                 {"glFogf", {GL_FOG_END, 100}}},
                "EnableFog(true)");
    EXPECT_EQ(ArrayOf("glFogfv", {GL_FOG_COLOR}), Widened({0.1f, 0.2f, 0.3f, 0.4f}));
    gltrace::Clear();
    h.Call(gl, "EnableFog", {Bool(false)});
    h.Call(gl, "EnableBlend", {Bool(false)});
    h.Call(gl, "EnableSmooth", {Bool(true)});
    h.Call(gl, "SetClearColor", {Int(1), Int(0), Int(0)});
    ExpectSteps({{"glDisable", {GL_FOG}},
                 {"glDisable", {GL_COLOR_LOGIC_OP}},
                 {"glDisable", {GL_BLEND}},
                 {"glShadeModel", {GL_SMOOTH}},
                 {"glClearColor", {1, 0, 0, 1}}},
                "switches off");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, ColourTrackingAroundColourAndMaterial) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(16), Int(16)});
    h.Call(gl, "Open", {dc});
    Variable material = h.New("OglMaterial", {Num(0.7), Num(0.3), Num(0.9), Num(0.6)});
    const std::vector<Step> materialCalls = {
        {"glMaterialfv", {GL_FRONT, GL_AMBIENT}}, {"glMaterialfv", {GL_FRONT, GL_DIFFUSE}},
        {"glMaterialfv", {GL_FRONT, GL_SPECULAR}}, {"glMaterialfv", {GL_FRONT, GL_EMISSION}},
        {"glMaterialfv", {GL_BACK, GL_AMBIENT}},  {"glMaterialfv", {GL_BACK, GL_DIFFUSE}},
        {"glMaterialfv", {GL_BACK, GL_SPECULAR}}, {"glMaterialfv", {GL_BACK, GL_EMISSION}},
        {"glMaterialf", {GL_FRONT, GL_SHININESS, 60}}, {"glMaterialf", {GL_BACK, GL_SHININESS, 120}}};
    const Step tracking[] = {{"glEnable", {GL_COLOR_MATERIAL}},
                             {"glColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}}};

    gltrace::Scope trace;
    h.Call(gl, "SetColor", {Num(0.25), Num(0.5), Num(0.75), Int(1)});
    h.Call(gl, "SetMaterial", {material});
    ExpectSteps(Join({{{"glColor4f", {0.25f, 0.5f, 0.75f, 1}}}, materialCalls}), "without lighting");
    const float r = 0.7f, g = 0.3f, b = 0.9f, a = 0.6f;
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_FRONT, GL_AMBIENT}), Widened({0.4f * r, 0.4f * g, 0.4f * b, a}))
        << "products of 32-bit floats";
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_BACK, GL_DIFFUSE}), Widened({0.9f * r, 0.9f * g, 0.9f * b, a}));

    h.Call(gl, "EnableLight", {Bool(true)});
    gltrace::Clear();
    h.Call(gl, "SetColor", {Int(1), Int(0), Int(0), Int(1)});
    h.Call(gl, "SetColor", {h.New("OglColor", {Int(0), Int(1), Int(0), Num(0.5)})});
    h.Call(gl, "SetMaterial", {material});
    ExpectSteps(Join({{tracking[0], tracking[1], {"glColor4f", {1, 0, 0, 1}}},
                      {tracking[0], tracking[1], {"glColor4f", {0, 1, 0, 0.5f}}},
                      {{"glDisable", {GL_COLOR_MATERIAL}}},
                      materialCalls}),
                "under lighting: tracking on before every colour, off before the material");
    EXPECT_TRUE(h.Errors().empty());
}

}  // namespace
