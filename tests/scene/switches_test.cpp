// Clear colour, light, fog and render-state switches against real OpenGL
// state: the defaults through every getter, what each setter sends while
// open and what waits for a later step, settings made while closed reaching
// OpenGL at Open, and the argument and lookup errors.
#include <cmath>

#include <gtest/gtest.h>

#include "tests/scene/scene_support.h"

namespace {

using namespace scene_test;

using Colour = std::vector<float>;

// The four components of a script OglColor's native colour.
Colour ColourOf(Variable& c) {
    auto* n = static_cast<OglColor*>(c.data.obj->GetAss());
    return {n->red, n->green, n->blue, n->alpha};
}

void ExpectNear(const std::vector<float>& got, const std::vector<float>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], want[i], 1e-6) << what << " [" << i << "]";
}

struct Opened {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(64), Int(64)});
    void Open() { h.Call(gl, "Open", {dc}); }
};

TEST(Switches, NewContextAnswersItsDefaults) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    for (const char* is : {"IsFog", "IsLight", "IsBlend", "IsTwoSide", "IsSmooth", "IsSmoothLine",
                           "IsSmoothPoint", "IsWired"})
        EXPECT_TRUE(False(h.Call(gl, is))) << is;
    EXPECT_TRUE(True(h.Call(gl, "GetOutlinePatch")));

    Variable spot = h.Call(gl, "GetSpot");
    EXPECT_EQ(spot.type, VT_FLOAT);
    EXPECT_EQ(spot.data.f, 180.0f);
    Variable density = h.Call(gl, "GetFogDensity");
    EXPECT_EQ(density.type, VT_FLOAT);
    EXPECT_EQ(density.data.f, 0.01f);
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetLightPosition")), "POINT3(100, 100, 2000)");

    Variable ambient = h.Call(gl, "GetAmbientLightColor");
    ASSERT_EQ(ambient.type, VT_OBJECT);
    EXPECT_STREQ(ambient.data.obj->ClassName(), "OglColor");
    EXPECT_EQ(ColourOf(ambient), (Colour{0.2f, 0.2f, 0.2f, 1.0f}));
    Variable diffuse = h.Call(gl, "GetDiffuseLightColor");
    EXPECT_EQ(ColourOf(diffuse), (Colour{0.8f, 0.8f, 0.8f, 1.0f}));
    Variable specular = h.Call(gl, "GetSpecularLightColor");
    EXPECT_EQ(ColourOf(specular), (Colour{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, FlagsAndGettersRoundTrip) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    const char* pairs[][2] = {{"EnableFog", "IsFog"},           {"EnableLight", "IsLight"},
                              {"EnableBlend", "IsBlend"},       {"EnableTwoSide", "IsTwoSide"},
                              {"EnableSmooth", "IsSmooth"},     {"EnableSmoothLine", "IsSmoothLine"},
                              {"EnableSmoothPoint", "IsSmoothPoint"}, {"EnableWired", "IsWired"},
                              {"SetOutlinePatch", "GetOutlinePatch"}};
    for (auto& p : pairs) {
        h.Call(gl, p[0], {Bool(true)});
        EXPECT_TRUE(True(h.Call(gl, p[1]))) << p[0];
        h.Call(gl, p[0], {Bool(false)});
        EXPECT_TRUE(False(h.Call(gl, p[1]))) << p[0];
        h.Call(gl, p[0], {Bool(true)});
        h.Call(gl, p[0], {Int(1)});
        EXPECT_EQ(h.Errors(), std::vector<int>{73}) << p[0] << ": a number is not a boolean";
        EXPECT_TRUE(False(h.Call(gl, p[1]))) << p[0] << " is switched off by a non-boolean";
    }
    h.Call(gl, "SetSpot", {Int(30)});
    EXPECT_EQ(h.Call(gl, "GetSpot").data.f, 30.0f);
    h.Call(gl, "SetFogDensity", {Num(0.5)});
    EXPECT_EQ(h.Call(gl, "GetFogDensity").data.f, 0.5f);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, FogIsSentWholeByEnableFogFromTheClippingBox) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    h.Call(o.gl, "EnableFog", {Bool(true)});
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(Integer(GL_FOG_MODE), GL_LINEAR);
    EXPECT_EQ(Floats(GL_FOG_START, 1)[0], -200.0f);
    EXPECT_EQ(Floats(GL_FOG_END, 1)[0], 200.0f);
    EXPECT_EQ(Floats(GL_FOG_DENSITY, 1)[0], 0.01f) << "a linear fog still gets its density";
    ExpectNear(Floats(GL_FOG_COLOR, 4), {0.2f, 0.2f, 0.2f, 1.0f}, "fog colour");

    // Fog settings wait for the next EnableFog(true).
    h.Call(o.gl, "SetPerspective", {Int(45), Int(1), Int(1), Int(100)});
    h.Call(o.gl, "SetFogExpMode");
    h.Call(o.gl, "SetFogDensity", {Num(0.25)});
    h.Call(o.gl, "SetFogColor", {Num(0.5), Int(0), Int(1)});
    EXPECT_EQ(Integer(GL_FOG_MODE), GL_LINEAR);
    EXPECT_EQ(Floats(GL_FOG_START, 1)[0], -200.0f);
    EXPECT_EQ(Floats(GL_FOG_DENSITY, 1)[0], 0.01f);
    h.Call(o.gl, "EnableFog", {Bool(true)});
    EXPECT_EQ(Integer(GL_FOG_MODE), GL_EXP2) << "the exponential mode is GL_EXP2, not GL_EXP";
    EXPECT_EQ(Floats(GL_FOG_START, 1)[0], 1.0f) << "an exponential fog still gets start and end";
    EXPECT_EQ(Floats(GL_FOG_END, 1)[0], 100.0f);
    EXPECT_EQ(Floats(GL_FOG_DENSITY, 1)[0], 0.25f);
    ExpectNear(Floats(GL_FOG_COLOR, 4), {0.5f, 0.0f, 1.0f, 1.0f}, "three numbers: opaque");

    Variable colour = h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)});
    h.Call(o.gl, "SetFogColor", {colour});
    h.Call(o.gl, "SetFogLinearMode");
    h.Call(o.gl, "EnableFog", {Bool(true)});
    EXPECT_EQ(Integer(GL_FOG_MODE), GL_LINEAR);
    ExpectNear(Floats(GL_FOG_COLOR, 4), {0.1f, 0.2f, 0.3f, 0.4f}, "an OglColor keeps its alpha");

    h.Call(o.gl, "EnableFog", {Bool(false)});
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    h.Call(o.gl, "EnableFog", {Bool(true)});
    h.Call(o.gl, "EnableFog", {Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
    EXPECT_FALSE(glIsEnabled(GL_FOG)) << "a non-boolean switches fog off";
    EXPECT_TRUE(False(h.Call(o.gl, "IsFog")));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, LightPositionSendsTheWholeLightUnderAnIdentityModelView) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "SetDiffuseLightColor", {Num(0.1), Num(0.2), Num(0.3)});
    h.Call(o.gl, "EnableLight", {Bool(true)});
    ExpectNear(Light(GL_DIFFUSE, 4), {1, 1, 1, 1}, "EnableLight sends no colour (OpenGL's own default)");
    ExpectNear(Light(GL_AMBIENT, 4), {0, 0, 0, 1}, "EnableLight sends no colour");
    EXPECT_EQ(Light(GL_SPOT_CUTOFF, 1)[0], 180.0f);

    h.Call(o.gl, "SetSpot", {Int(30)});
    h.Call(o.gl, "Translate", {Int(7), Int(8), Int(9)});
    std::vector<double> before = ModelView();
    glMatrixMode(GL_PROJECTION);
    h.Call(o.gl, "SetLightPosition", {Int(0), Int(0), Int(100)});
    ExpectNear(Light(GL_DIFFUSE, 4), {0.1f, 0.2f, 0.3f, 1.0f}, "diffuse");
    ExpectNear(Light(GL_AMBIENT, 4), {0.2f, 0.2f, 0.2f, 1.0f}, "ambient");
    ExpectNear(Light(GL_SPECULAR, 4), {1, 1, 1, 1}, "specular");
    ExpectNear(Light(GL_POSITION, 4), {0, 0, 100, 1}, "the position is taken as given, not moved");
    EXPECT_EQ(Light(GL_SPOT_CUTOFF, 1)[0], 30.0f);
    ExpectNear(Light(GL_SPOT_DIRECTION, 3), {0, 0, -1}, "towards the origin");
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW) << "the mode is left at the model-view";
    EXPECT_EQ(ModelView(), before) << "the model-view is pushed and popped";
    EXPECT_EQ(Integer(GL_MODELVIEW_STACK_DEPTH), 1);

    h.Call(o.gl, "SetLightPosition", {Int(0), Int(0), Int(0)});
    ExpectNear(Light(GL_SPOT_DIRECTION, 3), {0, 0, -1}, "a light at the origin points down the view axis");
    h.Call(o.gl, "SetLightPosition", {Int(100), Int(100), Int(2000)});
    float length = std::sqrt(100.0f * 100 + 100 * 100 + 2000 * 2000);
    ExpectNear(Light(GL_SPOT_DIRECTION, 3), {-100 / length, -100 / length, -2000 / length}, "default place");
    EXPECT_EQ(vesk::Format(h.Call(o.gl, "GetLightPosition")), "POINT3(100, 100, 2000)");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, LightPositionReachesOnlyItsOwnCurrentContext) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "SetLightPosition", {Int(1), Int(2), Int(3)});
    Variable other = h.New("VOpenGL");
    Variable dc2 = h.New("MDC", {Int(16), Int(16)});
    h.Call(other, "Open", {dc2});
    std::vector<float> before = Light(GL_POSITION, 4);
    h.Call(o.gl, "SetLightPosition", {Int(5), Int(6), Int(7)});
    EXPECT_EQ(Light(GL_POSITION, 4), before) << "another context is current: nothing is sent";
    EXPECT_EQ(vesk::Format(h.Call(o.gl, "GetLightPosition")), "POINT3(5, 6, 7)") << "but it is stored";

    Variable closed = h.New("VOpenGL");
    platform::MakeCurrent(0, 0);
    h.Call(closed, "SetLightPosition", {Int(1), Int(1), Int(1)});  // no context at all: stored only
    EXPECT_EQ(vesk::Format(h.Call(closed, "GetLightPosition")), "POINT3(1, 1, 1)");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, EnableLightBothWaysAndTwoSide) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "EnableTwoSide", {Bool(true)});
    EXPECT_EQ(Integer(GL_LIGHT_MODEL_TWO_SIDE), 0) << "two-side waits for EnableLight(true)";
    glEnable(GL_COLOR_MATERIAL);
    h.Call(o.gl, "EnableLight", {Bool(true)});
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL)) << "lighting switches colour tracking off";
    EXPECT_EQ(Integer(GL_LIGHT_MODEL_LOCAL_VIEWER), 1);
    EXPECT_EQ(Integer(GL_LIGHT_MODEL_TWO_SIDE), 1);

    glColorMaterial(GL_FRONT, GL_EMISSION);
    h.Call(o.gl, "EnableLight", {Bool(false)});
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0)) << "light 0 stays enabled";
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);

    h.Call(o.gl, "EnableLight", {Bool(true)});
    h.Call(o.gl, "EnableLight", {Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "false is issued after error 73";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, BlendSmoothAndClearColour) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "EnableBlend", {Bool(true)});
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_LOGIC_OP));
    EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    h.Call(o.gl, "EnableBlend", {Bool(false)});
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_LOGIC_OP));

    h.Call(o.gl, "EnableSmooth", {Bool(true)});
    EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
    h.Call(o.gl, "EnableSmooth", {Bool(false)});
    EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_FLAT);
    h.Call(o.gl, "EnableSmoothLine", {Bool(true)});
    h.Call(o.gl, "EnableSmoothPoint", {Bool(true)});
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH)) << "read by the drawing calls, never sent";
    EXPECT_FALSE(glIsEnabled(GL_POINT_SMOOTH));

    h.Call(o.gl, "SetClearColor", {Int(1), Int(0), Int(0)});
    ExpectNear(Floats(GL_COLOR_CLEAR_VALUE, 4), {1, 0, 0, 1}, "three numbers: alpha 1");
    Variable half = h.New("OglColor", {Num(0.25), Num(0.5), Num(0.75), Num(0.5)});
    h.Call(o.gl, "SetClearColor", {half});
    ExpectNear(Floats(GL_COLOR_CLEAR_VALUE, 4), {0.25f, 0.5f, 0.75f, 0.5f}, "an OglColor keeps alpha 0.5");
    h.Call(half, "SetColor", {Int(0), Int(0), Int(0), Int(0)});
    EXPECT_EQ(Native(o.gl)->clearColor.alpha, 0.5f) << "the context keeps a copy";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, SettingsMadeWhileClosedReachOpenGLAtOpen) {
    Opened o;
    Harness& h = o.h;
    h.Call(o.gl, "EnableLight", {Bool(true)});
    h.Call(o.gl, "EnableTwoSide", {Bool(true)});
    h.Call(o.gl, "SetSpot", {Int(45)});
    h.Call(o.gl, "SetAmbientLightColor", {Num(0.5), Num(0.25), Int(0)});
    h.Call(o.gl, "SetLightPosition", {Int(0), Int(10), Int(0)});
    h.Call(o.gl, "EnableFog", {Bool(true)});
    h.Call(o.gl, "SetClipping", {Int(-1), Int(1), Int(-1), Int(1), Int(2), Int(50)});
    h.Call(o.gl, "EnableBlend", {Bool(true)});
    h.Call(o.gl, "EnableSmooth", {Bool(true)});
    h.Call(o.gl, "SetClearColor", {Num(0.5), Int(0), Int(1)});
    EXPECT_TRUE(h.Errors().empty());
    platform::MakeCurrent(0, 0);

    o.Open();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(Integer(GL_LIGHT_MODEL_TWO_SIDE), 1);
    EXPECT_EQ(Integer(GL_LIGHT_MODEL_LOCAL_VIEWER), 1);
    EXPECT_EQ(Light(GL_SPOT_CUTOFF, 1)[0], 45.0f);
    ExpectNear(Light(GL_AMBIENT, 4), {0.5f, 0.25f, 0.0f, 1.0f}, "ambient");
    ExpectNear(Light(GL_POSITION, 4), {0, 10, 0, 1}, "position");
    ExpectNear(Light(GL_SPOT_DIRECTION, 3), {0, -1, 0}, "spot");
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(Floats(GL_FOG_START, 1)[0], 2.0f) << "fog start and end follow the clipping box";
    EXPECT_EQ(Floats(GL_FOG_END, 1)[0], 50.0f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_LOGIC_OP));
    EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
    ExpectNear(Floats(GL_COLOR_CLEAR_VALUE, 4), {0.5f, 0, 1, 1}, "clear colour");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, LightColourGettersGiveNewIndependentColours) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable a = h.Call(gl, "GetDiffuseLightColor");
    Variable b = h.Call(gl, "GetDiffuseLightColor");
    ASSERT_EQ(a.type, VT_OBJECT);
    EXPECT_NE(a.data.obj, b.data.obj) << "a new object each call";
    EXPECT_NE(a.data.obj->GetAss(), b.data.obj->GetAss());
    h.Call(a, "SetColor", {Int(0), Int(0), Int(0), Int(0)});
    EXPECT_EQ(ColourOf(b), (Colour{0.8f, 0.8f, 0.8f, 1.0f}));
    Variable c = h.Call(gl, "GetDiffuseLightColor");
    EXPECT_EQ(ColourOf(c), (Colour{0.8f, 0.8f, 0.8f, 1.0f})) << "changing a copy leaves the light alone";

    Variable set = h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)});
    h.Call(gl, "SetSpecularLightColor", {set});
    h.Call(gl, "SetAmbientLightColor", {Int(1), Int(0), Int(1)});
    Variable specular = h.Call(gl, "GetSpecularLightColor");
    EXPECT_EQ(ColourOf(specular), (Colour{0.1f, 0.2f, 0.3f, 0.4f}));
    Variable ambient = h.Call(gl, "GetAmbientLightColor");
    EXPECT_EQ(ColourOf(ambient), (Colour{1, 0, 1, 1}));
    OglLight& light = Native(gl)->light;
    EXPECT_EQ(light.specular->param, static_cast<GLenum>(GL_SPECULAR)) << "still tagged with its slot";
    EXPECT_EQ(light.ambient->param, static_cast<GLenum>(GL_AMBIENT));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Switches, BadSelfAndColourArguments) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable red = h.New("OglColor", {Int(1), Int(0), Int(0), Int(1)});
    Variable empty = h.New("OglColor");
    DropNative(empty);
    for (const char* m : {"SetClearColor", "SetAmbientLightColor", "SetDiffuseLightColor",
                          "SetSpecularLightColor", "SetFogColor"}) {
        h.Call(gl, m, {empty});
        EXPECT_EQ(ErrorsWithText(h), (std::vector<std::pair<int, std::string>>{{43, "OglColor"}})) << m;
    }
    OglContext* c = Native(gl);
    EXPECT_EQ(c->clearColor.red, 0.0f) << "nothing changed";
    EXPECT_EQ(c->light.ambient->red, 0.2f);
    EXPECT_EQ(c->fog.red, 0.2f);

    // A colour argument of no object kind, and a self of no object kind.
    VarRegister result, args[2];
    args[0].value = 7;
    Refer(args[1], gl);
    EXPECT_EQ(h.CallRow("VOpenGL::SetClearColor(refer object OglColor)", &result, args, 2),
              (std::vector<int>{40, 43}));
    Refer(args[0], red);
    args[1].isRef = 0;
    args[1].value = 7;
    EXPECT_EQ(h.CallRow("VOpenGL::SetClearColor(refer object OglColor)", &result, args, 2),
              (std::vector<int>{40, 43}));
    EXPECT_EQ(c->clearColor.red, 0.0f);
    for (const char* sig : {"VOpenGL::GetSpot(void)", "VOpenGL::IsFog(void)", "VOpenGL::GetLightPosition(void)",
                            "VOpenGL::GetAmbientLightColor(void)", "VOpenGL::SetFogExpMode(void)"}) {
        EXPECT_EQ(h.CallRow(sig, &result, &args[1], 1), (std::vector<int>{40, 43})) << sig;
    }
    EXPECT_EQ(result.value.type, VT_EMPTY) << "nothing written";

    // Shared handlers read no register past self, whatever the count.
    VarRegister self;
    Refer(self, gl);
    h.CallRow("VOpenGL::SetClearColor(number, number, number)", &result, &self, 1);
    EXPECT_EQ(c->clearColor.alpha, 1.0f);

    DropNative(gl);
    h.Call(gl, "IsLight");
    h.Call(gl, "SetClearColor", {red});
    EXPECT_EQ(ErrorsWithText(h), (std::vector<std::pair<int, std::string>>{{43, "VOpenGL"}, {43, "VOpenGL"}}))
        << "the missing context is reported before the colour is looked at";
}

}  // namespace
