// The drawing colour and material against real OpenGL state: nothing before
// Open and nothing kept for later, colour tracking switched on by every
// SetColor under lighting and off by SetMaterial, the material's values as
// 32-bit floats, and the lookup errors of both methods.
#include <gtest/gtest.h>

#include "tests/scene/scene_support.h"

namespace {

using namespace scene_test;

std::vector<float> Material(GLenum face, GLenum name, int n = 4) {
    std::vector<float> v(n);
    glGetMaterialfv(face, name, v.data());
    return v;
}

struct Opened {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(32), Int(32)});
    void Open() { h.Call(gl, "Open", {dc}); }
};

TEST(DrawingColour, NothingBeforeOpenAndNothingKeptForLater) {
    Opened o;
    Harness& h = o.h;
    Variable current = h.New("VOpenGL");
    Variable dc2 = h.New("MDC", {Int(16), Int(16)});
    h.Call(current, "Open", {dc2});
    glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    glDisable(GL_COLOR_MATERIAL);

    Variable material = h.New("OglMaterial", {Num(0.1), Num(0.2), Num(0.3), Int(1)});
    h.Call(o.gl, "EnableLight", {Bool(true)});
    h.Call(o.gl, "SetColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)});
    h.Call(o.gl, "SetColor", {h.New("OglColor", {Int(1), Int(0), Int(0), Int(1)})});
    h.Call(o.gl, "SetMaterial", {material});
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}))
        << "a closed context sends nothing to the current one";
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(Material(GL_FRONT, GL_SHININESS, 1)[0], 0.0f);

    o.Open();
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), (std::vector<float>{1, 1, 1, 1})) << "the colour was not kept";
    EXPECT_EQ(Material(GL_FRONT, GL_SHININESS, 1)[0], 0.0f) << "nor the material";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(DrawingColour, WithoutLightingOnlyTheColourOrTheMaterial) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "SetColor", {Num(0.25), Num(0.5), Num(0.75), Num(0.125)});
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), (std::vector<float>{0.25f, 0.5f, 0.75f, 0.125f}));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL)) << "no colour tracking without lighting";
    Variable colour = h.New("OglColor", {Num(0.5), Int(0), Int(1), Num(0.25)});
    h.Call(o.gl, "SetColor", {colour});
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), (std::vector<float>{0.5f, 0, 1, 0.25f}));

    // The colour constructor's factors are single precision: 0.4f * 0.7f, not 0.28.
    Variable material = h.New("OglMaterial", {Num(0.7), Num(0.3), Num(0.9), Num(0.6)});
    h.Call(o.gl, "SetMaterial", {material});
    const float r = 0.7f, g = 0.3f, b = 0.9f, a = 0.6f;
    EXPECT_EQ(Material(GL_FRONT, GL_AMBIENT), (std::vector<float>{0.4f * r, 0.4f * g, 0.4f * b, a}));
    EXPECT_EQ(Material(GL_BACK, GL_DIFFUSE), (std::vector<float>{0.9f * r, 0.9f * g, 0.9f * b, a}));
    EXPECT_EQ(Material(GL_FRONT, GL_SPECULAR), (std::vector<float>{1, 1, 1, a}));
    EXPECT_EQ(Material(GL_BACK, GL_EMISSION), (std::vector<float>{0, 0, 0, a}));
    EXPECT_EQ(Material(GL_FRONT, GL_SHININESS, 1)[0], 60.0f);
    EXPECT_EQ(Material(GL_BACK, GL_SHININESS, 1)[0], 120.0f);

    // Without lighting the material leaves colour tracking as it found it.
    h.Call(o.gl, "EnableLight", {Bool(false)});
    ASSERT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    h.Call(o.gl, "SetMaterial", {material});
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(DrawingColour, UnderLightingColourTracksAndMaterialStopsIt) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    h.Call(o.gl, "EnableLight", {Bool(true)});
    ASSERT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    h.Call(o.gl, "SetColor", {Num(0.5), Num(0.25), Int(1), Num(0.75)});
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), (std::vector<float>{0.5f, 0.25f, 1, 0.75f}));
    EXPECT_EQ(Material(GL_BACK, GL_DIFFUSE), (std::vector<float>{0.5f, 0.25f, 1, 0.75f}))
        << "tracking is on before the colour is sent";

    Variable material = h.New("OglMaterial", {Int(1), Num(0.5), Int(0), Num(0.8)});
    h.Call(o.gl, "SetMaterial", {material});
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(Material(GL_FRONT, GL_AMBIENT), (std::vector<float>{0.4f, 0.2f, 0, 0.8f}))
        << "the material is not overridden by the tracked colour";
    EXPECT_EQ(Material(GL_BACK, GL_DIFFUSE), (std::vector<float>{0.9f, 0.45f, 0, 0.8f}));

    // Every SetColor switches tracking on again, with its face and parameter.
    glColorMaterial(GL_FRONT, GL_EMISSION);
    h.Call(o.gl, "SetColor", {h.New("OglColor", {Int(0), Int(1), Int(0), Int(1)})});
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    EXPECT_EQ(Material(GL_FRONT, GL_AMBIENT), (std::vector<float>{0, 1, 0, 1}));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(DrawingColour, LookupErrors) {
    Opened o;
    Harness& h = o.h;
    o.Open();
    glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    const std::vector<float> grey{0.5f, 0.5f, 0.5f, 0.5f};
    Variable noColour = h.New("OglColor");
    DropNative(noColour);
    Variable noMaterial = h.New("OglMaterial");
    DropNative(noMaterial);
    h.Call(o.gl, "SetColor", {noColour});
    h.Call(o.gl, "SetMaterial", {noMaterial});
    EXPECT_EQ(ErrorsWithText(h),
              (std::vector<std::pair<int, std::string>>{{43, "OglColor"}, {43, "OglMaterial"}}));
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), grey) << "nothing sent";

    // SetColor finds its context by the direct lookup: no error 40.
    VarRegister result, args[5];
    for (int i = 0; i < 4; i++) args[i].value = 1;
    args[4].value = 9;
    EXPECT_EQ(h.CallRow("VOpenGL::SetColor(number, number, number, number)", &result, args, 5),
              std::vector<int>{43});
    args[1].value = 9;
    EXPECT_EQ(h.CallRow("VOpenGL::SetColor(refer object OglColor)", &result, args, 2), std::vector<int>{43});
    EXPECT_EQ(h.CallRow("VOpenGL::SetMaterial(refer object OglMaterial)", &result, args, 2),
              (std::vector<int>{40, 43}));
    // A colour argument that is no object at all: the direct lookup reports 43 only.
    Refer(args[1], o.gl);
    EXPECT_EQ(h.CallRow("VOpenGL::SetColor(refer object OglColor)", &result, args, 2), std::vector<int>{43});
    EXPECT_EQ(h.CallRow("VOpenGL::SetMaterial(refer object OglMaterial)", &result, args, 2),
              (std::vector<int>{40, 43}));
    EXPECT_EQ(Floats(GL_CURRENT_COLOR, 4), grey);
    // Any other count is the number form, read within the registers.
    EXPECT_TRUE(h.CallRow("VOpenGL::SetColor(number, number, number, number)", &result, &args[1], 1).empty());

    // A missing context is reported before the argument is looked at.
    DropNative(o.gl);
    args[0].value = 3;
    EXPECT_EQ(h.CallRow("VOpenGL::SetColor(refer object OglColor)", &result, args, 2), std::vector<int>{43});
    EXPECT_EQ(h.CallRow("VOpenGL::SetMaterial(refer object OglMaterial)", &result, args, 2),
              std::vector<int>{43});
    h.Call(o.gl, "SetColor", {Int(1), Int(1), Int(1), Int(1)});
    EXPECT_EQ(ErrorsWithText(h), (std::vector<std::pair<int, std::string>>{{43, "VOpenGL"}}));
}

}  // namespace
