// OglMaterial from the script's side: the derived colours, the per-face
// setters and how each reads its face selector, the getters and the
// constructors' failure paths.
#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

struct Rgba { float r, g, b, a; };

Rgba Color(Harness& h, Variable c) {
    return {h.Call(c, "GetRed").GetFloatNumb(), h.Call(c, "GetGreen").GetFloatNumb(),
            h.Call(c, "GetBlue").GetFloatNumb(), h.Call(c, "GetAlpha").GetFloatNumb()};
}

void Expect(Rgba got, float r, float g, float b, float a, const char* what) {
    EXPECT_EQ(got.r, r) << what;
    EXPECT_EQ(got.g, g) << what;
    EXPECT_EQ(got.b, b) << what;
    EXPECT_EQ(got.a, a) << what;
}

Rgba Get(Harness& h, Variable& m, const char* getter, bool front) {
    return Color(h, h.Call(m, getter, {Bool(front)}));
}

TEST(OglMaterial, ColourConstructorDerivesFaceColoursInSinglePrecision) {
    Harness h;
    Variable d = h.New("OglMaterial");
    EXPECT_EQ(h.Call(d, "GetShininess", {Bool(true)}).GetFloatNumb(), 60.0f);
    EXPECT_EQ(h.Call(d, "GetShininess", {Bool(false)}).GetFloatNumb(), 120.0f);
    Expect(Get(h, d, "GetAmbient", true), 0.4f * 0.7f, 0.4f * 0.7f, 0.4f * 0.7f, 1, "default ambient");
    Expect(Get(h, d, "GetDiffuse", false), 0.9f * 0.7f, 0.9f * 0.7f, 0.9f * 0.7f, 1, "default diffuse");

    Variable m = h.New("OglMaterial", {Int(1), Num(0.5), Int(0), Num(0.8)});
    Expect(Get(h, m, "GetAmbient", true), 0.4f, 0.4f * 0.5f, 0, 0.8f, "front ambient");
    Expect(Get(h, m, "GetDiffuse", false), 0.9f, 0.9f * 0.5f, 0, 0.8f, "back diffuse");
    Expect(Get(h, m, "GetSpecular", true), 1, 1, 1, 0.8f, "specular is white");
    Expect(Get(h, m, "GetEmission", true), 0, 0, 0, 0.8f, "emission is black");

    h.Call(m, "SetColor", {Int(1), Num(0.5), Int(0), Num(0.8)});
    Expect(Get(h, m, "GetSpecular", true), 1, 0.5f, 0, 0.8f, "SetColor's specular is the base colour");
    Expect(Get(h, m, "GetAmbient", false), 0.4f, 0.4f * 0.5f, 0, 0.8f, "both faces");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(OglMaterial, FaceSelectorsAreReadByTheirOwnRules) {
    Harness h;
    Variable m = h.New("OglMaterial");
    Rgba front = Get(h, m, "GetDiffuse", true);

    h.Call(m, "SetColor", {Int(1), Int(0), Int(0), Int(1), Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73}) << "SetColor reads its selector as a boolean";
    Expect(Get(h, m, "GetDiffuse", true), front.r, front.g, front.b, front.a, "front untouched");
    Expect(Get(h, m, "GetDiffuse", false), 0.9f, 0, 0, 1, "an integer selects the back face");

    h.Call(m, "SetDiffuse", {Int(0), Int(1), Int(0), Int(1), Int(1)});
    EXPECT_TRUE(h.Errors().empty()) << "SetDiffuse reads its selector by truth";
    Expect(Get(h, m, "GetDiffuse", true), 0, 1, 0, 1, "truth selects the front face");
    Expect(Get(h, m, "GetDiffuse", false), 0.9f, 0, 0, 1, "back face kept");

    Variable c = h.New("OglColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)});
    h.Call(m, "SetSpecular", {c});
    Expect(Get(h, m, "GetSpecular", true), 0.1f, 0.2f, 0.3f, 0.4f, "colour alone: front");
    Expect(Get(h, m, "GetSpecular", false), 0.1f, 0.2f, 0.3f, 0.4f, "colour alone: back");
    Variable c2 = h.New("OglColor", {Int(0), Int(0), Int(1), Int(1)});
    h.Call(m, "SetSpecular", {c2, Bool(false)});
    Expect(Get(h, m, "GetSpecular", true), 0.1f, 0.2f, 0.3f, 0.4f, "false keeps the front");
    Expect(Get(h, m, "GetSpecular", false), 0, 0, 1, 1, "false selects the back");

    h.Call(m, "SetShininess", {Int(200)});
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(true)}).GetFloatNumb(), 200.0f) << "not clamped";
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(false)}).GetFloatNumb(), 200.0f);
    h.Call(m, "SetShininess", {Int(30), Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(false)}).GetFloatNumb(), 30.0f);
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(true)}).GetFloatNumb(), 200.0f);
    h.Call(m, "GetShininess", {Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});

    h.Call(m, "SetEmission", {c, Bool(true), Int(3)});  // odd arity must stay in bounds
    h.TakeErrors();
}

TEST(OglMaterial, ComponentAndCopyConstructors) {
    Harness h;
    Variable a = h.New("OglColor", {Num(0.1), Num(0.1), Num(0.1), Int(1)});
    Variable d = h.New("OglColor", {Num(0.2), Num(0.2), Num(0.2), Int(1)});
    Variable s = h.New("OglColor", {Num(0.3), Num(0.3), Num(0.3), Int(1)});
    Variable e = h.New("OglColor", {Num(0.4), Num(0.4), Num(0.4), Int(1)});
    Variable m = h.New("OglMaterial", {a, d, s, e});
    Expect(Get(h, m, "GetAmbient", false), 0.1f, 0.1f, 0.1f, 1, "ambient to both faces");
    Expect(Get(h, m, "GetEmission", true), 0.4f, 0.4f, 0.4f, 1, "emission");
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(false)}).GetFloatNumb(), 120.0f);

    Variable copy = h.New("OglMaterial", {m});
    h.Call(copy, "SetAmbient", {Int(1), Int(1), Int(1), Int(1)});
    Expect(Get(h, m, "GetAmbient", true), 0.1f, 0.1f, 0.1f, 1, "copies are independent");

    Variable got = h.Call(m, "GetAmbient", {Bool(true)});
    h.Call(got, "SetColor", {Int(0), Int(0), Int(0), Int(0)});
    Expect(Get(h, m, "GetAmbient", true), 0.1f, 0.1f, 0.1f, 1, "getters hand out copies");
    EXPECT_TRUE(h.Errors().empty());

    VeskAss* native = d.data.obj->GetAss();
    native->BreakJoint();
    delete native;
    Variable broken = h.New("OglMaterial", {a, d, s, e});
    auto errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 1u) << "one error 43 for the missing colour";
    EXPECT_EQ(errors[0].number, 43);
    EXPECT_EQ(errors[0].text, "OglColor");
    h.Call(broken, "GetShininess", {Bool(true)});
    EXPECT_EQ(h.Errors(), std::vector<int>{43});
}

TEST(OglMaterial, DirectAndPlainSelfLookupsDiffer) {
    Harness h;
    VarRegister result, args[6];
    for (int i = 0; i < 4; i++) args[i].value = 1;
    args[4].value = 5;  // self: a number
    EXPECT_EQ(h.CallRow("OglMaterial::SetColor(number, number, number, number, ...)", &result, args, 5),
              std::vector<int>{43});
    VarRegister shin[2];
    shin[0].value = 1;
    shin[1].value = 5;
    EXPECT_EQ(h.CallRow("OglMaterial::SetShininess(number, ...)", &result, shin, 2),
              (std::vector<int>{40, 43}));
}

}  // namespace
