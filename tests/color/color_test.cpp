// OglColor and OglMaterial from the script's side, where tests/scripts/
// color.vsk does not already look: the ColorRef's bytes, copies of
// objects without a native part, the material's derived colours, how each
// setter reads its face selector, and the constructors' failure paths. What
// a material sends to OpenGL is in tests/scene/trace_test.cpp.
#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

using Rgba = std::vector<float>;

Rgba Read(Harness& h, Variable c) {
    return {h.Call(c, "GetRed").GetFloatNumb(), h.Call(c, "GetGreen").GetFloatNumb(),
            h.Call(c, "GetBlue").GetFloatNumb(), h.Call(c, "GetAlpha").GetFloatNumb()};
}

Rgba Get(Harness& h, Variable& m, const char* getter, bool front) {
    return Read(h, h.Call(m, getter, {Bool(front)}));
}

TEST(OglColor, ColorRefBytesAndCopiesWithoutNative) {
    Harness h;
    Variable rgb = h.New("ColorRef", {Int(static_cast<int>(0xFF330F05u))});
    EXPECT_EQ(Read(h, h.New("OglColor", {rgb})), (Rgba{5 / 255.0f, 15 / 255.0f, 51 / 255.0f, 1}))
        << "red in the lowest byte; the highest byte is ignored";

    Variable c = h.New("OglColor");
    DropNative(c);
    Variable copy = h.New("OglColor", {c});
    EXPECT_EQ(h.Errors(), std::vector<int>{43});
    ASSERT_EQ(copy.type, VT_OBJECT);
    EXPECT_EQ(copy.data.obj->GetAss(), nullptr) << "no copy is made";
}

TEST(OglMaterial, DerivedColours) {
    Harness h;
    Variable d = h.New("OglMaterial");
    EXPECT_EQ(Get(h, d, "GetDiffuse", false), (Rgba{0.9f * 0.7f, 0.9f * 0.7f, 0.9f * 0.7f, 1})) << "base 0.7";
    EXPECT_EQ(h.Call(d, "GetShininess", {Bool(true)}).GetFloatNumb(), 60.0f);
    EXPECT_EQ(h.Call(d, "GetShininess", {Bool(false)}).GetFloatNumb(), 120.0f);

    // SetColor derives like the constructor, except that the specular is the
    // base colour itself, not white.
    Variable m = h.New("OglMaterial", {Int(1), Num(0.5), Int(0), Num(0.8)});
    EXPECT_EQ(Get(h, m, "GetSpecular", true), (Rgba{1, 1, 1, 0.8f}));
    h.Call(m, "SetColor", {Int(1), Num(0.5), Int(0), Num(0.8)});
    for (bool front : {true, false}) {
        EXPECT_EQ(Get(h, m, "GetAmbient", front), (Rgba{0.4f, 0.4f * 0.5f, 0, 0.8f})) << front;
        EXPECT_EQ(Get(h, m, "GetDiffuse", front), (Rgba{0.9f, 0.9f * 0.5f, 0, 0.8f})) << front;
        EXPECT_EQ(Get(h, m, "GetSpecular", front), (Rgba{1, 0.5f, 0, 0.8f})) << front;
        EXPECT_EQ(Get(h, m, "GetEmission", front), (Rgba{0, 0, 0, 0.8f})) << front;
    }
    EXPECT_TRUE(h.Errors().empty());
}

// SetColor and SetShininess read a selector as a boolean: an integer
// reports 73 and picks the back face. The colour setters read it by truth:
// an integer 1 picks the front face, without error. Without a selector a
// setter changes both faces.
TEST(OglMaterial, FaceSelectors) {
    Harness h;
    const Rgba red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    struct Setter {
        const char *setter, *getter;
        std::vector<int> errors;
        bool front;  // the face an integer 1 selects
    };
    for (const auto& [setter, getter, errors, front] :
         {Setter{"SetColor", "GetSpecular", {73}, false}, Setter{"SetDiffuse", "GetDiffuse", {}, true},
          Setter{"SetSpecular", "GetSpecular", {}, true}, Setter{"SetAmbient", "GetAmbient", {}, true},
          Setter{"SetEmission", "GetEmission", {}, true}}) {
        Variable m = h.New("OglMaterial");
        Rgba other = Get(h, m, getter, !front);
        h.Call(m, setter, {Int(1), Int(0), Int(0), Int(1), Int(1)});
        EXPECT_EQ(h.Errors(), errors) << setter;
        EXPECT_EQ(Get(h, m, getter, front), red) << setter << ": the selected face";
        EXPECT_EQ(Get(h, m, getter, !front), other) << setter << ": the other face is kept";
        if (errors.empty()) {  // the colour setters, with an OglColor or numbers
            h.Call(m, setter, {h.New("OglColor", {Int(0), Int(0), Int(1), Int(1)})});
            EXPECT_EQ(Get(h, m, getter, true), blue) << setter;
            EXPECT_EQ(Get(h, m, getter, false), blue) << setter;
            h.Call(m, setter, {h.New("OglColor", {Int(1), Int(0), Int(0), Int(1)}), Int(0)});
            EXPECT_TRUE(h.Errors().empty()) << setter << ": read by truth";
            EXPECT_EQ(Get(h, m, getter, true), blue) << setter << ": 0 keeps the front";
            EXPECT_EQ(Get(h, m, getter, false), red) << setter << ": 0 selects the back";
        }
        h.Call(m, setter, {Int(0), Int(0), Int(1), Int(1)});
        EXPECT_EQ(Get(h, m, getter, true), Get(h, m, getter, false)) << setter << ": no selector, both faces";
        EXPECT_EQ(Get(h, m, getter, true)[2], 1) << setter;
    }

    Variable m = h.New("OglMaterial");
    h.Call(m, "SetShininess", {Int(200)});
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(true)}).GetFloatNumb(), 200.0f) << "not clamped";
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(false)}).GetFloatNumb(), 200.0f);
    h.Call(m, "SetShininess", {Int(30), Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(false)}).GetFloatNumb(), 30.0f);
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(true)}).GetFloatNumb(), 200.0f);
    h.Call(m, "GetShininess", {Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
}

TEST(OglMaterial, ConstructorsCopiesAndLookups) {
    Harness h;
    Variable a = h.New("OglColor", {Num(0.1), Num(0.1), Num(0.1), Int(1)});
    Variable d = h.New("OglColor", {Num(0.2), Num(0.2), Num(0.2), Int(1)});
    Variable s = h.New("OglColor", {Num(0.3), Num(0.3), Num(0.3), Int(1)});
    Variable e = h.New("OglColor", {Num(0.4), Num(0.4), Num(0.4), Int(1)});
    Variable m = h.New("OglMaterial", {a, d, s, e});
    const char* getters[] = {"GetAmbient", "GetDiffuse", "GetSpecular", "GetEmission"};
    for (int i = 0; i < 4; i++)
        for (bool front : {true, false}) {
            float v = 0.1f * static_cast<float>(i + 1);
            EXPECT_EQ(Get(h, m, getters[i], front), (Rgba{v, v, v, 1})) << getters[i] << front;
        }
    EXPECT_EQ(h.Call(m, "GetShininess", {Bool(false)}).GetFloatNumb(), 120.0f);

    // Copies and what the getters hand out are independent of the material.
    Variable copy = h.New("OglMaterial", {m});
    h.Call(copy, "SetAmbient", {Int(1), Int(1), Int(1), Int(1)});
    Variable got = h.Call(m, "GetAmbient", {Bool(true)});
    h.Call(got, "SetColor", {Int(0), Int(0), Int(0), Int(0)});
    EXPECT_EQ(Get(h, m, "GetAmbient", true), (Rgba{0.1f, 0.1f, 0.1f, 1}));
    EXPECT_EQ(Get(h, copy, "GetAmbient", false), (Rgba{1, 1, 1, 1}));
    EXPECT_TRUE(h.Errors().empty());

    // One missing colour is one error 43, and no material is made.
    DropNative(d);
    Variable broken = h.New("OglMaterial", {a, d, s, e});
    auto errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 43);
    EXPECT_EQ(errors[0].text, "OglColor");
    ASSERT_EQ(broken.type, VT_OBJECT);
    EXPECT_EQ(broken.data.obj->GetAss(), nullptr);
}

}  // namespace
