// The scene rows as scripts and OpenGL state see them: the light colours,
// the switches and their error 73, the stored camera, the matrix loads
// relative to the viewer and GetMatrix run by the interpreter, and the
// lookups of object arguments. The calls the rows issue are in
// trace_test.cpp; the other defaults and getters in tests/scripts/scene.vsk.
#include <GL/gl.h>

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "tests/scene/scene_support.h"
#include "vesk/eval/interpreter.h"

namespace {

using namespace scene_test;

using Texts = std::vector<std::pair<int, std::string>>;

// Errors raised since the last take, as (number, text) pairs.
Texts ErrorsWithText(Harness& h) {
    Texts out;
    for (const auto& e : h.TakeErrors()) out.emplace_back(e.number, e.text);
    return out;
}

using Colour = std::vector<float>;

// A script object's native colour, or nothing if the value is no OglColor.
Colour ColourOf(const Variable& c) {
    if (c.type != VT_OBJECT || vesk::KindName(c) != "OglColor object") return {};
    auto* n = static_cast<OglColor*>(c.data.obj->GetAss());
    return {n->red, n->green, n->blue, n->alpha};
}

using Elements = std::vector<std::pair<int, double>>;

// The model-view against the identity with the given column-major elements set.
void ExpectModelView(const Elements& set, const char* what) {
    std::vector<double> want(16, 0.0), got(16);
    glGetDoublev(GL_MODELVIEW_MATRIX, got.data());
    want[0] = want[5] = want[10] = want[15] = 1.0;
    for (auto [i, v] : set) want[i] = v;
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got[i], want[i], 1e-5) << what << " element " << i;
}

// A 4 x 4 script Matrix, identity plus the given elements M[r][c].
Variable NewMatrix(Harness& h, std::initializer_list<std::tuple<int, int, double>> set) {
    Variable m = h.New("Matrix", {Int(4), Int(4)});
    for (int i = 0; i < 4; i++) m[i][i] = 1.0;
    for (auto [r, c, v] : set) m[r][c] = v;
    return m;
}

TEST(SceneState, LightColoursSwitchesAndTheStoredCamera) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    // The light is white scaled by 0.2, 0.8 and 1; the setters take an
    // OglColor or three numbers (opaque), each into its own colour.
    EXPECT_EQ(ColourOf(h.Call(gl, "GetAmbientLightColor")), (Colour{0.2f, 0.2f, 0.2f, 1}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetDiffuseLightColor")), (Colour{0.8f, 0.8f, 0.8f, 1}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetSpecularLightColor")), (Colour{1, 1, 1, 1}));
    h.Call(gl, "SetSpecularLightColor", {h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)})});
    h.Call(gl, "SetAmbientLightColor", {Int(1), Int(0), Int(1)});
    EXPECT_EQ(ColourOf(h.Call(gl, "GetSpecularLightColor")), (Colour{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetAmbientLightColor")), (Colour{1, 0, 1, 1}));
    EXPECT_EQ(ColourOf(h.Call(gl, "GetDiffuseLightColor")), (Colour{0.8f, 0.8f, 0.8f, 1}));

    // Each switch: off by default (the outline patch on), on, and switched
    // off by a number, with error 73.
    const char* pairs[][2] = {{"EnableFog", "IsFog"},           {"EnableLight", "IsLight"},
                              {"EnableBlend", "IsBlend"},       {"EnableTwoSide", "IsTwoSide"},
                              {"EnableSmooth", "IsSmooth"},     {"EnableSmoothLine", "IsSmoothLine"},
                              {"EnableSmoothPoint", "IsSmoothPoint"}, {"EnableWired", "IsWired"},
                              {"SetOutlinePatch", "GetOutlinePatch"}};
    for (auto& p : pairs) {
        EXPECT_EQ(IsTrue(h.Call(gl, p[1])), std::string(p[1]) == "GetOutlinePatch") << p[1];
        h.Call(gl, p[0], {Bool(true)});
        EXPECT_TRUE(IsTrue(h.Call(gl, p[1]))) << p[0];
        h.Call(gl, p[0], {Int(1)});
        EXPECT_EQ(h.Errors(), std::vector<int>{73}) << p[0] << ": a number is not a boolean";
        EXPECT_EQ(vesk::Format(h.Call(gl, p[1])), "false") << p[0];
    }

    // A near that is not positive becomes 1; an up without length (1, 0, 0).
    for (double near : {0.0, -5.0, std::nan("")}) {
        h.Call(gl, "SetPerspective", {Int(90), Int(2), Num(near), Int(10)});
        EXPECT_EQ(NativeOf<OglContext>(gl)->view.clip.near, 1.0f) << near;
    }
    h.Call(gl, "SetViewerPos", {Int(1), Int(2), Int(3), Int(4), Int(5), Int(6), Int(0), Int(0), Int(0)});
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewerPos")), "[POINT3(1, 2, 3), POINT3(4, 5, 6), POINT3(1, 0, 0)]");
    EXPECT_TRUE(h.Errors().empty());
}

// LoadMatrix and MultiplyMatrix act relative to the viewer, whether the
// context is open or not; GetMatrix (a script function, run by the
// interpreter) gives the model part back row-indexed, and loading that
// restores the model-view.
TEST(SceneState, MatrixRoundTripsRelativeToTheViewer) {
    Opened o;
    Harness& h = o.h;
    vesk::Interpreter interpreter(h.processor);
    o.Open();
    h.Call(o.gl, "LoadIdentityMatrix");
    ExpectModelView({}, "no viewer transform is left");
    // M[0][3] is OpenGL's element 12, M[1][0] its element 1.
    h.Call(o.gl, "LoadMatrix", {NewMatrix(h, {{0, 3, 5.0}, {1, 0, 0.5}})});
    ExpectModelView({{12, 5}, {1, 0.5}, {14, -1000}}, "viewer x matrix");
    h.Call(o.gl, "MultiplyMatrix", {NewMatrix(h, {{2, 3, 7.0}})});
    const Elements model = {{12, 5}, {1, 0.5}, {14, -993}};
    ExpectModelView(model, "multiplies the current model-view");

    Variable m = h.Call(o.gl, "GetMatrix"), want = NewMatrix(h, {{0, 3, 5.0}, {1, 0, 0.5}, {2, 3, 7.0}});
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            EXPECT_NEAR(m[r][c].GetDoubleNumb(), want[r][c].GetDoubleNumb(), 1e-5) << "GetMatrix " << r << c;
    ExpectModelView(model, "GetMatrix leaves the model-view as it was");
    h.Call(o.gl, "LoadIdentityMatrix");
    h.Call(o.gl, "LoadMatrix", {m});
    ExpectModelView(model, "LoadMatrix of GetMatrix restores it");

    // A closed context loads into whatever context is current, with its own
    // viewer; without a current context GetMatrix gives the identity.
    Variable closed = h.New("VOpenGL");
    h.Call(closed, "SetViewerPos", {Int(0), Int(0), Int(20), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    h.Call(closed, "LoadMatrix", {NewMatrix(h, {})});
    ExpectModelView({{14, -20}}, "an identity Matrix gives the pure viewer");
    platform::MakeCurrent(0, 0);
    Variable id = h.Call(closed, "GetMatrix");
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_EQ(id[r][c].GetDoubleNumb(), r == c ? 1 : 0) << r << c;
    EXPECT_TRUE(h.Errors().empty());
}

// Arguments of no object kind, and objects without their native part (the
// lookup of self on every row is pinned by tests/reliability).
TEST(SceneState, ArgumentLookupsAndMissingNativeObjects) {
    Opened o;
    Harness& h = o.h;
    const std::vector<int> lookup{40, 43}, direct{43};
    // An argument of no object kind: the self lookup rules on the argument.
    o.Open();
    EXPECT_EQ(h.CallRow("VOpenGL::SetClearColor(refer object OglColor)", {Int(7), o.gl}), lookup);
    EXPECT_EQ(h.CallRow("VOpenGL::SetMaterial(refer object OglMaterial)", {Int(7), o.gl}), lookup);
    EXPECT_EQ(h.CallRow("VOpenGL::SetColor(refer object OglColor)", {Int(7), o.gl}), direct);
    EXPECT_EQ(h.CallRow("VOpenGL::LoadMatrix(object Matrix)", {Int(7), o.gl}), std::vector<int>(32, 77))
        << "each of the two index steps of 16 elements";

    // Colour objects without a native colour are reported by their class,
    // and nothing is changed.
    Variable noColour = h.New("OglColor"), noMaterial = h.New("OglMaterial");
    DropNative(noColour);
    DropNative(noMaterial);
    for (const char* m : {"SetClearColor", "SetAmbientLightColor", "SetDiffuseLightColor", "SetSpecularLightColor",
                          "SetFogColor", "SetColor"}) {
        h.Call(o.gl, m, {noColour});
        EXPECT_EQ(ErrorsWithText(h), (Texts{{43, "OglColor"}})) << m;
    }
    h.Call(o.gl, "SetMaterial", {noMaterial});
    EXPECT_EQ(ErrorsWithText(h), (Texts{{43, "OglMaterial"}}));
    OglContext* c = NativeOf<OglContext>(o.gl);
    EXPECT_EQ(c->switches.clearColor.red, 0.0f);
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
