// The scene rows as scripts and OpenGL state see them: the defaults through
// every getter, the switches and their error 73, the light colours as new
// copies, the stored camera, the matrix loads relative to the viewer and
// GetMatrix run by the interpreter, and which lookup rule each row uses (40
// and 43, or 43 alone). The calls the rows issue are in trace_test.cpp.
#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "tests/scene/scene_support.h"
#include "vesk/interp.h"

namespace {

using namespace scene_test;

using Colour = std::vector<float>;

// A script object's native colour, or nothing if the value is no OglColor.
Colour ColourOf(const Variable& c) {
    if (c.type != VT_OBJECT || std::string(c.data.obj->ClassName()) != "OglColor") return {};
    auto* n = static_cast<OglColor*>(c.data.obj->GetAss());
    return {n->red, n->green, n->blue, n->alpha};
}

void ExpectMatrix(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got[i], want[i], 1e-5) << what << " element " << i;
}

// The identity with the given column-major elements set.
std::vector<double> Identity(std::initializer_list<std::pair<int, double>> set = {}) {
    std::vector<double> m(16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1.0;
    for (auto [i, v] : set) m[i] = v;
    return m;
}

// A 4 x 4 script Matrix, identity plus the given elements M[r][c].
Variable NewMatrix(Harness& h, std::initializer_list<std::tuple<int, int, double>> set) {
    Variable m = h.New("Matrix", {Int(4), Int(4)});
    for (int i = 0; i < 4; i++) m[i][i] = 1.0;
    for (auto [r, c, v] : set) m[r][c] = v;
    return m;
}

TEST(SceneState, DefaultsAndSwitchesThroughTheGetters) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable vp = h.Call(gl, "GetViewPort");
    EXPECT_EQ(vesk::Format(vp), "[0, 400, 0, 400]");
    EXPECT_EQ(vp[0].type, VT_FLOAT);
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewerPos")), "[POINT3(0, 0, 1000), POINT3(0, 0, 0), POINT3(0, 1, 0)]");
    Variable spot = h.Call(gl, "GetSpot");
    EXPECT_EQ(spot.type, VT_FLOAT);
    EXPECT_EQ(spot.data.f, 180.0f);
    EXPECT_EQ(h.Call(gl, "GetFogDensity").data.f, 0.01f);
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetLightPosition")), "POINT3(100, 100, 2000)");
    EXPECT_EQ(ColourOf(h.Call(gl, "GetAmbientLightColor")), (Colour{0.2f, 0.2f, 0.2f, 1}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetDiffuseLightColor")), (Colour{0.8f, 0.8f, 0.8f, 1}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetSpecularLightColor")), (Colour{1, 1, 1, 1}));

    // Each switch: off by default (the outline patch on), on, and switched
    // off by a number, with error 73.
    const char* pairs[][2] = {{"EnableFog", "IsFog"},           {"EnableLight", "IsLight"},
                              {"EnableBlend", "IsBlend"},       {"EnableTwoSide", "IsTwoSide"},
                              {"EnableSmooth", "IsSmooth"},     {"EnableSmoothLine", "IsSmoothLine"},
                              {"EnableSmoothPoint", "IsSmoothPoint"}, {"EnableWired", "IsWired"},
                              {"SetOutlinePatch", "GetOutlinePatch"}};
    for (auto& p : pairs) {
        EXPECT_EQ(True(h.Call(gl, p[1])), std::string(p[1]) == "GetOutlinePatch") << p[1];
        h.Call(gl, p[0], {Bool(true)});
        EXPECT_TRUE(True(h.Call(gl, p[1]))) << p[0];
        h.Call(gl, p[0], {Int(1)});
        EXPECT_EQ(h.Errors(), std::vector<int>{73}) << p[0] << ": a number is not a boolean";
        EXPECT_TRUE(False(h.Call(gl, p[1]))) << p[0];
    }
    h.Call(gl, "SetSpot", {Int(30)});
    h.Call(gl, "SetFogDensity", {Num(0.5)});
    EXPECT_EQ(h.Call(gl, "GetSpot").data.f, 30.0f);
    EXPECT_EQ(h.Call(gl, "GetFogDensity").data.f, 0.5f);

    // The light colour getters give new copies; the setters take an OglColor
    // or three numbers (opaque).
    Variable a = h.Call(gl, "GetDiffuseLightColor");
    h.Call(a, "SetColor", {Int(0), Int(0), Int(0), Int(0)});
    EXPECT_EQ(ColourOf(h.Call(gl, "GetDiffuseLightColor")), (Colour{0.8f, 0.8f, 0.8f, 1})) << "the light is alone";
    h.Call(gl, "SetSpecularLightColor", {h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)})});
    h.Call(gl, "SetAmbientLightColor", {Int(1), Int(0), Int(1)});
    EXPECT_EQ(ColourOf(h.Call(gl, "GetSpecularLightColor")), (Colour{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetAmbientLightColor")), (Colour{1, 0, 1, 1}));

    // The stored camera: a near that is not positive becomes 1; an up without
    // length becomes (1, 0, 0).
    for (double near : {0.0, -5.0, std::nan("")}) {
        h.Call(gl, "SetPerspective", {Int(90), Int(2), Num(near), Int(10)});
        EXPECT_EQ(Native(gl)->clip.near, 1.0f) << near;
    }
    h.Call(gl, "SetViewerPos", {Int(1), Int(2), Int(3), Int(4), Int(5), Int(6), Int(0), Int(0), Int(0)});
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewerPos")), "[POINT3(1, 2, 3), POINT3(4, 5, 6), POINT3(1, 0, 0)]");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(SceneState, MatrixLoadsAreRelativeToTheViewerAndAlwaysIssued) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "LoadIdentityMatrix");
    ExpectMatrix(ModelView(), Identity(), "no viewer transform is left");
    // M[0][3] is OpenGL's element 12, M[1][0] its element 1.
    h.Call(o.gl, "LoadMatrix", {NewMatrix(h, {{0, 3, 5.0}, {1, 0, 0.5}})});
    ExpectMatrix(ModelView(), Identity({{12, 5}, {1, 0.5}, {14, -1000}}), "viewer x matrix");
    h.Call(o.gl, "MultiplyMatrix", {NewMatrix(h, {{2, 3, 7.0}})});
    ExpectMatrix(ModelView(), Identity({{12, 5}, {1, 0.5}, {14, -993}}), "multiplies the current model-view");

    // A closed context still loads into whatever context is current, with its own viewer.
    Variable closed = h.New("VOpenGL");
    h.Call(closed, "SetViewerPos", {Int(0), Int(0), Int(20), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    h.Call(closed, "LoadMatrix", {NewMatrix(h, {})});
    ExpectMatrix(ModelView(), Identity({{14, -20}}), "an identity Matrix gives the pure viewer");
    EXPECT_TRUE(h.Errors().empty());
}

// GetMatrix through the real interpreter, which runs its function value: the
// model transform without the viewer, row-indexed, and LoadMatrix restoring it.
TEST(SceneState, GetMatrixRoundTripInAScript) {
    Harness h;
    vesk::Interpreter interpreter(h.processor);
    std::string out;
    interpreter.SetOutput([&](std::string_view s) { out += s; });
    vesk::ScriptOutcome outcome = interpreter.RunScript(R"(
        dc = new MDC(64, 64);
        gl = new VOpenGL();
        gl->Open(dc);
        gl->SetViewerPos(0, 0, 10, 0, 0, 0, 0, 1, 0);
        gl->Translate(1, 2, 3);
        gl->Rotate(0, 0, 1, 90);
        m = gl->GetMatrix();
        print(m[0][3], m[1][3], m[2][3], m[1][0], m[0][1], m[3][3]);
        gl->LoadIdentityMatrix();
        gl->LoadMatrix(m);
        gl->GetMatrix();
    )", "getmatrix.vsk");
    EXPECT_EQ(outcome.kind, vesk::ScriptOutcome::Ok) << outcome.message;
    EXPECT_EQ(out, "1 2 3 1 -1 1\n");
    ExpectMatrix(ModelView(), Identity({{0, 0}, {5, 0}, {1, 1}, {4, -1}, {12, 1}, {13, 2}, {14, -7}}),
                 "viewer x translation x rotation, left as it was by GetMatrix");

    // Without a current context OpenGL writes nothing: the script gets the identity.
    platform::MakeCurrent(0, 0);
    Variable other = h.New("VOpenGL");
    Variable id = h.Call(other, "GetMatrix");
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_EQ(id[r][c].GetDoubleNumb(), r == c ? 1 : 0) << r << c;
    EXPECT_TRUE(h.Errors().empty());
    interpreter.ClearGlobals();
}

TEST(SceneState, LookupRulesAndMissingNativeObjects) {
    Opened o;
    Harness& h = o.h;
    VarRegister result, args[10];
    for (int i = 0; i < 9; i++) args[i].value = 1;
    // Self a number: rows with the self lookup report 40 and 43, those with
    // the direct lookup 43 only.
    const std::vector<int> lookup{40, 43}, direct{43};
    const std::tuple<const char*, int, std::vector<int>> rows[] = {
        {"VOpenGL::SetViewPort(number, number, number, number)", 5, lookup},
        {"VOpenGL::SetScale(number, number, number)", 4, lookup},
        {"VOpenGL::GetViewPort(void)", 1, lookup},
        {"VOpenGL::GetSpot(void)", 1, lookup},
        {"VOpenGL::SetClearColor(refer object OglColor)", 2, lookup},
        {"VOpenGL::SetMaterial(refer object OglMaterial)", 2, lookup},
        {"VOpenGL::SetViewerPos(number, number, number, number, number, number, number, number, number)", 10,
         direct},
        {"VOpenGL::Rotate(number, number, number, number)", 5, direct},
        {"VOpenGL::Translate(refer object POINT3)", 2, direct},
        {"VOpenGL::GetViewerPos(void)", 1, direct},
        {"VOpenGL::GetMatrix(void)", 1, direct},
        {"VOpenGL::SetColor(number, number, number, number)", 5, direct},
        {"VOpenGL::SetColor(refer object OglColor)", 2, direct},
    };
    for (const auto& [sig, count, want] : rows) {
        args[count - 1].value = 5;
        EXPECT_EQ(h.CallRow(sig, &result, args, count), want) << sig;
        args[count - 1].value = 1;
    }
    EXPECT_EQ(result.value.type, VT_EMPTY) << "no result without a context";

    // An argument of no object kind: the same two rules for the argument.
    o.Open();
    Refer(args[1], o.gl);
    args[0].value = 7;
    EXPECT_EQ(h.CallRow("VOpenGL::SetClearColor(refer object OglColor)", &result, args, 2), lookup);
    EXPECT_EQ(h.CallRow("VOpenGL::SetMaterial(refer object OglMaterial)", &result, args, 2), lookup);
    EXPECT_EQ(h.CallRow("VOpenGL::SetColor(refer object OglColor)", &result, args, 2), direct);
    EXPECT_EQ(h.CallRow("VOpenGL::LoadMatrix(object Matrix)", &result, args, 2), std::vector<int>(32, 77))
        << "each of the two index steps of 16 elements";

    // Colour objects without a native colour are reported by their class,
    // and nothing is changed.
    Variable noColour = h.New("OglColor");
    DropNative(noColour);
    Variable noMaterial = h.New("OglMaterial");
    DropNative(noMaterial);
    for (const char* m : {"SetClearColor", "SetAmbientLightColor", "SetDiffuseLightColor", "SetSpecularLightColor",
                          "SetFogColor", "SetColor"}) {
        h.Call(o.gl, m, {noColour});
        EXPECT_EQ(ErrorsWithText(h), (Texts{{43, "OglColor"}})) << m;
    }
    h.Call(o.gl, "SetMaterial", {noMaterial});
    EXPECT_EQ(ErrorsWithText(h), (Texts{{43, "OglMaterial"}}));
    OglContext* c = Native(o.gl);
    EXPECT_EQ(c->clearColor.red, 0.0f);
    EXPECT_EQ(c->light.ambient->red, 0.2f);
    EXPECT_EQ(c->fog.red, 0.2f);

    // A missing context is reported before the argument is looked at.
    DropNative(o.gl);
    h.Call(o.gl, "GetViewerPos");
    h.Call(o.gl, "SetClearColor", {noColour});
    h.Call(o.gl, "SetColor", {noColour});
    EXPECT_EQ(ErrorsWithText(h), (Texts{{43, "VOpenGL"}, {43, "VOpenGL"}, {43, "VOpenGL"}}));
}

}  // namespace
