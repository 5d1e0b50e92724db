// The OpenGL and GLU calls behind the scene rows, as the tracer records them:
// the initial state of Open (with settings stored while closed) and what
// BindMDC sends again, the light's order, the exact arguments of the camera
// calls, what a closed or not current context issues (nothing), the fog and
// switch sequences, and colour tracking around SetColor and SetMaterial.
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
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
using Steps = std::vector<Step>;

std::string Text(std::string_view name, const double* args, size_t n) {
    std::string text(name);
    char number[32];
    for (size_t a = 0; a < n; a++) {
        std::snprintf(number, sizeof number, " %.17g", args[a]);
        text += number;
    }
    return text;
}

// The calls recorded, each with as many leading arguments as the step
// `want` has at its place.
void ExpectSteps(const Steps& want, const char* what) {
    std::vector<std::string> got, wanted;
    for (const gltrace::Call& c : gltrace::Calls()) {
        size_t n = got.size() < want.size() ? want[got.size()].args.size() : 0;
        got.push_back(Text(c.name, c.args.data(), std::min(n, c.args.size())));
    }
    for (const Step& s : want) wanted.push_back(Text(s.name, s.args.data(), s.args.size()));
    EXPECT_EQ(got, wanted) << what << "\n" << gltrace::Dump();
}

// The values of the one array of the first call named `name` with the
// leading arguments (a missing call or array throws: the test fails).
std::vector<double> ArrayOf(const char* name, std::initializer_list<double> leading) {
    return gltrace::Calls().at(gltrace::Find(name, leading)).arrays.at(0);
}

std::vector<double> Widened(std::initializer_list<float> v) { return std::vector<double>(v.begin(), v.end()); }

Steps Join(std::initializer_list<Steps> parts) {
    Steps out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Steps Viewer(std::vector<double> lookAt) {
    return {{"glMatrixMode", {GL_MODELVIEW}}, {"glLoadIdentity", {}}, {"gluLookAt", lookAt}};
}
Steps Projection(std::vector<double> frustum) {
    return {{"glMatrixMode", {GL_PROJECTION}}, {"glLoadIdentity", {}}, {"glFrustum", frustum},
            {"glMatrixMode", {GL_MODELVIEW}}};
}
const Steps kDefaultProjection = Projection({-200, 200, 200, -200, -200, 200});
const Steps kLightApply = {
    {"glLightfv", {GL_LIGHT0, GL_AMBIENT}}, {"glLightfv", {GL_LIGHT0, GL_SPECULAR}},
    {"glLightfv", {GL_LIGHT0, GL_DIFFUSE}}, {"glMatrixMode", {GL_MODELVIEW}}, {"glPushMatrix", {}},
    {"glLoadIdentity", {}}, {"glLightfv", {GL_LIGHT0, GL_POSITION}}, {"glLightf", {GL_LIGHT0, GL_SPOT_CUTOFF}},
    {"glLightfv", {GL_LIGHT0, GL_SPOT_DIRECTION}}, {"glPopMatrix", {}}};
Steps LightEnable(int twoSide) {
    return {{"glLightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, 1}}, {"glEnable", {GL_LIGHTING}},
            {"glEnable", {GL_LIGHT0}}, {"glDisable", {GL_COLOR_MATERIAL}},
            {"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, static_cast<double>(twoSide)}}};
}

TEST(SceneTrace, OpenSendsTheInitialStateInOrderAndBindMDCOnlyTheCamera) {
    Opened o;
    Harness& h = o.h;
    const Steps fixed = {
        {"glFrontFace", {GL_CCW}},  {"glDisable", {GL_CULL_FACE}}, {"glDepthFunc", {GL_LEQUAL}},
        {"glEnable", {GL_DEPTH_TEST}}, {"glEnable", {GL_NORMALIZE}}, {"glHint", {GL_POLYGON_SMOOTH_HINT, GL_FASTEST}},
        {"glHint", {GL_LINE_SMOOTH_HINT, GL_FASTEST}}};
    {
        gltrace::Scope trace;
        o.Open();
        ExpectSteps(Join({{{"glViewport", {0, 80, 400, 400}}}, Viewer({0, 0, 1000, 0, 0, 0, 0, 1, 0}),
                          {{"glShadeModel", {GL_FLAT}}}, fixed, kDefaultProjection,
                          {{"glClearColor", {0, 0, 0, 1}}, {"glClear", {GL_DEPTH_BUFFER_BIT}}},
                          {{"glDisable", {GL_COLOR_LOGIC_OP}}, {"glDisable", {GL_BLEND}}}}),
                    "defaults");
    }

    // Every switch on and the camera, light and clear colour set while
    // closed: light enabled then applied, the fog from the stored box,
    // blending at the end; line and point smoothing are not sent.
    h.Call(o.gl, "Close");
    for (const char* on : {"EnableLight", "EnableTwoSide", "EnableFog", "EnableBlend", "EnableSmooth",
                           "EnableSmoothLine", "EnableSmoothPoint"})
        h.Call(o.gl, on, {Bool(true)});
    h.Call(o.gl, "SetViewPort", {Int(5), Int(6), Int(7), Int(8)});
    h.Call(o.gl, "SetViewerPos", {Int(1), Int(2), Int(3), Int(0), Int(0), Int(0), Int(0), Int(0), Int(2)});
    h.Call(o.gl, "SetSpot", {Int(45)});
    h.Call(o.gl, "SetLightPosition", {Int(0), Int(10), Int(0)});
    h.Call(o.gl, "SetClipping", {Int(-1), Int(3), Int(-2), Int(4), Int(2), Int(50)});
    h.Call(o.gl, "SetClearColor", {Num(0.5), Int(0), Int(1)});
    gltrace::Scope trace;
    o.Open();
    ExpectSteps(Join({{{"glViewport", {5, 472, 2, 2}}}, Viewer({1, 2, 3, 0, 0, 0, 0, 0, 1}),
                      {{"glShadeModel", {GL_SMOOTH}}}, fixed, LightEnable(1), kLightApply,
                      {{"glEnable", {GL_FOG}}, {"glFogi", {GL_FOG_MODE, GL_LINEAR}},
                       {"glFogf", {GL_FOG_DENSITY, 0.01f}}, {"glFogfv", {GL_FOG_COLOR}}, {"glFogf", {GL_FOG_START, 2}},
                       {"glFogf", {GL_FOG_END, 50}}},
                      Projection({-1, 3, -2, 4, 2, 50}),
                      {{"glClearColor", {0.5f, 0, 1, 1}}, {"glClear", {GL_DEPTH_BUFFER_BIT}}},
                      {{"glEnable", {GL_COLOR_LOGIC_OP}}, {"glEnable", {GL_BLEND}},
                       {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}}}}),
                "every switch on; the up normalised");
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_POSITION}), Widened({0, 10, 0, 1}));
    EXPECT_EQ(gltrace::Named("glLightf")[0].args, (std::vector<double>{GL_LIGHT0, GL_SPOT_CUTOFF, 45}));

    // BindMDC moves the context to another device and sends only the camera's
    // viewport and projection.
    h.Call(o.gl, "FreeMDC");
    gltrace::Clear();
    h.Call(o.gl, "BindMDC", {h.New("MDC", {Int(32), Int(16)})});
    ExpectSteps(Join({{{"glViewport", {5, 8, 2, 2}}}, Projection({-1, 3, -2, 4, 2, 50})}), "bind");
    EXPECT_TRUE(h.Errors().empty());
}

// Viewport numbers are stored as given and truncated toward zero when issued.
TEST(SceneTrace, CameraCallsCarryTheStoredValues) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    gltrace::Scope trace;
    h.Call(o.gl, "SetViewPort", {Num(10.9), Int(20), Num(110.9), Num(220.9)});
    EXPECT_EQ(vesk::Format(h.Call(o.gl, "GetViewPort")), "[10.9, 110.9, 20, 220.9]") << "left, right, top, bottom";
    h.Call(o.gl, "SetViewPort", {Num(-0.5), Int(0), Num(99.5), Int(100)});
    ExpectSteps(Join({{{"glViewport", {10, 260, 100, 200}}}, kDefaultProjection,
                      {{"glViewport", {0, 380, 100, 100}}}, kDefaultProjection}),
                "SetViewPort sends the projection again; -0.5 is 0, not -1");

    gltrace::Clear();
    h.Call(o.gl, "SetPerspective", {Int(45), Num(1.5), Int(0), Int(100)});
    h.Call(o.gl, "SetClipping", {Int(-1), Int(3), Int(-2), Int(4), Int(1), Int(10)});
    h.Call(o.gl, "SetViewerPos", {Int(0), Int(0), Int(9), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    ExpectSteps(Join({Projection({-0.62131977f, 0.62131977f, -0.41421318f, 0.41421318f, 1, 100}),
                      Projection({-1, 3, -2, 4, 1, 10}), Viewer({0, 0, 9, 0, 0, 0, 0, 1, 0})}),
                "SetPerspective, SetClipping (bottom before top) and SetViewerPos");

    // Each transform selects the model-view first; the angle goes first.
    gltrace::Clear();
    h.Call(o.gl, "Rotate", {Int(0), Int(0), Int(1), Int(90)});
    h.Call(o.gl, "Rotate", {h.New("POINT3", {Int(1), Int(0), Int(0)}), Num(12.5)});
    h.Call(o.gl, "Translate", {Num(0.5), Int(-1), Int(2)});
    h.Call(o.gl, "Translate", {h.New("POINT3", {Int(4), Int(5), Int(6)})});
    h.Call(o.gl, "SetScale", {Int(2), Int(3), Int(4)});
    h.Call(o.gl, "PushModelMatrix");
    h.Call(o.gl, "PopModelMatrix");
    Steps transforms;
    for (const Step& s : Steps{{"glRotatef", {90, 0, 0, 1}}, {"glRotatef", {12.5f, 1, 0, 0}},
                               {"glTranslatef", {0.5f, -1, 2}}, {"glTranslatef", {4, 5, 6}},
                               {"glScalef", {2, 3, 4}}, {"glPushMatrix", {}}, {"glPopMatrix", {}}})
        transforms.insert(transforms.end(), {{"glMatrixMode", {GL_MODELVIEW}}, s});
    ExpectSteps(transforms, "transforms");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, ClosedOrNotCurrentContextsIssueNothing) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    Variable gl = h.New("VOpenGL");
    Variable point = h.New("POINT3", {Int(1), Int(2), Int(3)});
    const Variable one = Int(1), on = Bool(true);
    h.Call(gl, "EnableLight", {on});
    const std::pair<const char*, std::vector<Variable>> calls[] = {
        {"Translate", {one, one, one}}, {"Translate", {point}}, {"Rotate", {one, one, one, one}},
        {"Rotate", {point, one}}, {"SetScale", {one, one, one}}, {"PushModelMatrix", {}}, {"PopModelMatrix", {}},
        {"SetViewPort", {one, one, one, one}}, {"SetViewerPos", {one, one, one, one, one, one, one, one, one}},
        {"SetClipping", {one, one, one, one, one, one}}, {"SetPerspective", {one, one, one, one}},
        {"SetClearColor", {one, one, one}}, {"SetLightPosition", {one, one, one}}, {"EnableFog", {on}},
        {"EnableLight", {on}}, {"EnableBlend", {on}}, {"EnableSmooth", {on}}, {"EnableLight", {Bool(false)}},
        {"SetColor", {one, one, one, one}}, {"SetColor", {h.New("OglColor")}},
        {"SetMaterial", {h.New("OglMaterial")}}, {"Clear", {}}};
    gltrace::Scope trace;
    for (const auto& [method, args] : calls) h.Call(gl, method, args);
    EXPECT_TRUE(gltrace::Calls().empty()) << "a closed context calls nothing\n" << gltrace::Dump();

    // An open context whose rendering context is not current keeps its light
    // to itself; it is stored for later.
    Variable other = h.New("VOpenGL");
    h.Call(other, "Open", {h.New("MDC", {Int(16), Int(16)})});
    gltrace::Clear();
    h.Call(o.gl, "SetLightPosition", {Int(5), Int(6), Int(7)});
    EXPECT_TRUE(gltrace::Calls().empty()) << gltrace::Dump();
    EXPECT_EQ(vesk::Format(h.Call(o.gl, "GetLightPosition")), "POINT3(5, 6, 7)");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, LightFogAndSwitchSequences) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "SetDiffuseLightColor", {Num(0.1), Num(0.2), Num(0.3)});
    gltrace::Scope trace;
    h.Call(o.gl, "EnableLight", {Bool(true)});
    ExpectSteps(LightEnable(0), "EnableLight(true) sends no colour and no position");

    // The spot points from the light to the origin; from the origin itself
    // down the view axis.
    gltrace::Clear();
    h.Call(o.gl, "SetSpot", {Int(30)});
    h.Call(o.gl, "SetLightPosition", {Int(0), Int(3), Int(4)});
    ExpectSteps(kLightApply, "SetLightPosition sends the whole light");
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_DIFFUSE}), Widened({0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_POSITION}), Widened({0, 3, 4, 1}));
    EXPECT_EQ(gltrace::Named("glLightf")[0].args, (std::vector<double>{GL_LIGHT0, GL_SPOT_CUTOFF, 30}));
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_SPOT_DIRECTION}), Widened({0, -0.6f, -0.8f}));
    gltrace::Clear();
    h.Call(o.gl, "SetLightPosition", {Int(0), Int(0), Int(0)});
    EXPECT_EQ(ArrayOf("glLightfv", {GL_LIGHT0, GL_SPOT_DIRECTION}), Widened({0, 0, -1}));

    // Light and fog settings wait for their switch.
    h.Call(o.gl, "SetPerspective", {Int(45), Int(1), Int(1), Int(100)});
    gltrace::Clear();
    h.Call(o.gl, "EnableTwoSide", {Bool(true)});
    h.Call(o.gl, "SetSpot", {Int(10)});
    h.Call(o.gl, "SetAmbientLightColor", {Int(1), Int(1), Int(1)});
    h.Call(o.gl, "SetFogExpMode");
    h.Call(o.gl, "SetFogDensity", {Num(0.5)});
    h.Call(o.gl, "SetFogColor", {h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)})});
    EXPECT_TRUE(gltrace::Calls().empty()) << gltrace::Dump();
    h.Call(o.gl, "EnableLight", {Bool(true)});
    h.Call(o.gl, "EnableLight", {Bool(false)});
    h.Call(o.gl, "EnableFog", {Bool(true)});
    ExpectSteps(Join({LightEnable(1),
                      {{"glDisable", {GL_LIGHTING}}, {"glEnable", {GL_COLOR_MATERIAL}},
                       {"glColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}}},
                      {{"glEnable", {GL_FOG}}, {"glFogi", {GL_FOG_MODE, GL_EXP2}}, {"glFogf", {GL_FOG_DENSITY, 0.5f}},
                       {"glFogfv", {GL_FOG_COLOR}}, {"glFogf", {GL_FOG_START, 1}}, {"glFogf", {GL_FOG_END, 100}}}}),
                "two-side at EnableLight(true); colour tracking at EnableLight(false); GL_EXP2 fog");
    EXPECT_EQ(ArrayOf("glFogfv", {GL_FOG_COLOR}), Widened({0.1f, 0.2f, 0.3f, 0.4f}));

    gltrace::Clear();
    h.Call(o.gl, "EnableFog", {Bool(false)});
    h.Call(o.gl, "EnableBlend", {Bool(false)});
    h.Call(o.gl, "EnableSmooth", {Bool(true)});
    h.Call(o.gl, "EnableSmooth", {Bool(false)});
    h.Call(o.gl, "EnableSmoothLine", {Bool(true)});
    h.Call(o.gl, "EnableSmoothPoint", {Bool(true)});
    h.Call(o.gl, "SetClearColor", {Int(1), Int(0), Int(0)});
    h.Call(o.gl, "SetClearColor", {h.New("OglColor", {Num(0.25), Num(0.5), Num(0.75), Num(0.5)})});
    ExpectSteps({{"glDisable", {GL_FOG}}, {"glDisable", {GL_COLOR_LOGIC_OP}}, {"glDisable", {GL_BLEND}},
                 {"glShadeModel", {GL_SMOOTH}}, {"glShadeModel", {GL_FLAT}}, {"glClearColor", {1, 0, 0, 1}},
                 {"glClearColor", {0.25f, 0.5f, 0.75f, 0.5f}}},
                "switches; line and point smoothing are read by the drawing calls only");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneTrace, ColourTrackingAroundColourAndMaterial) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    Variable material = h.New("OglMaterial", {Num(0.7), Num(0.3), Num(0.9), Num(0.6)});
    const Steps materialCalls = {
        {"glMaterialfv", {GL_FRONT, GL_AMBIENT}}, {"glMaterialfv", {GL_FRONT, GL_DIFFUSE}},
        {"glMaterialfv", {GL_FRONT, GL_SPECULAR}}, {"glMaterialfv", {GL_FRONT, GL_EMISSION}},
        {"glMaterialfv", {GL_BACK, GL_AMBIENT}},  {"glMaterialfv", {GL_BACK, GL_DIFFUSE}},
        {"glMaterialfv", {GL_BACK, GL_SPECULAR}}, {"glMaterialfv", {GL_BACK, GL_EMISSION}},
        {"glMaterialf", {GL_FRONT, GL_SHININESS, 60}}, {"glMaterialf", {GL_BACK, GL_SHININESS, 120}}};
    const Step on = {"glEnable", {GL_COLOR_MATERIAL}},
               tracking = {"glColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}};

    gltrace::Scope trace;
    h.Call(o.gl, "SetColor", {Num(0.25), Num(0.5), Num(0.75), Int(1)});
    h.Call(o.gl, "SetMaterial", {material});
    ExpectSteps(Join({{{"glColor4f", {0.25f, 0.5f, 0.75f, 1}}}, materialCalls}), "without lighting");
    // The colour constructor's factors, as products of 32-bit floats.
    const float r = 0.7f, g = 0.3f, b = 0.9f, a = 0.6f;
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_FRONT, GL_AMBIENT}), Widened({0.4f * r, 0.4f * g, 0.4f * b, a}));
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_BACK, GL_DIFFUSE}), Widened({0.9f * r, 0.9f * g, 0.9f * b, a}));
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_FRONT, GL_SPECULAR}), Widened({1, 1, 1, a}));
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_BACK, GL_EMISSION}), Widened({0, 0, 0, a}));

    // The material's setters keep each colour's face and parameter.
    h.Call(material, "SetColor", {Int(1), Int(0), Int(0), Int(1)});
    h.Call(o.gl, "EnableLight", {Bool(true)});
    gltrace::Clear();
    h.Call(o.gl, "SetColor", {Int(1), Int(0), Int(0), Int(1)});
    h.Call(o.gl, "SetColor", {h.New("OglColor", {Int(0), Int(1), Int(0), Num(0.5)})});
    h.Call(o.gl, "SetMaterial", {material});
    ExpectSteps(Join({{on, tracking, {"glColor4f", {1, 0, 0, 1}}, on, tracking, {"glColor4f", {0, 1, 0, 0.5f}}},
                      {{"glDisable", {GL_COLOR_MATERIAL}}}, materialCalls}),
                "under lighting: tracking on before every colour, off before the material");
    EXPECT_EQ(ArrayOf("glMaterialfv", {GL_BACK, GL_SPECULAR}), Widened({1, 0, 0, 1}));
    EXPECT_TRUE(h.Errors().empty());
}

}  // namespace
