// OglColor from the script's side: constructors, getters, the ColorRef
// conversion, "*" making an independent colour and "*=" changing self.
#include <gtest/gtest.h>

#include "color/color.h"
#include "tests/support/harness.h"

namespace {

struct Rgba { float r, g, b, a; };

Rgba Read(Harness& h, Variable& c) {
    Rgba v{h.Call(c, "GetRed").GetFloatNumb(), h.Call(c, "GetGreen").GetFloatNumb(),
           h.Call(c, "GetBlue").GetFloatNumb(), h.Call(c, "GetAlpha").GetFloatNumb()};
    return v;
}

void ExpectColor(Harness& h, Variable& c, float r, float g, float b, float a) {
    Rgba v = Read(h, c);
    EXPECT_EQ(v.r, r);
    EXPECT_EQ(v.g, g);
    EXPECT_EQ(v.b, b);
    EXPECT_EQ(v.a, a);
}

TEST(OglColor, ConstructorsKeepTheirValuesUnclamped) {
    Harness h;
    Variable white = h.New("OglColor");
    ExpectColor(h, white, 1, 1, 1, 1);
    Variable odd = h.New("OglColor", {Int(2), Num(-1), Num(0.5), Int(3)});
    ExpectColor(h, odd, 2, -1, 0.5f, 3);
    EXPECT_EQ(h.Call(odd, "GetRed").type, VT_FLOAT) << "getters give number results";
    Variable copy = h.New("OglColor", {odd});
    ExpectColor(h, copy, 2, -1, 0.5f, 3);
    h.Call(copy, "SetColor", {Num(0.1), Num(0.2), Num(0.3), Num(0.4)});
    ExpectColor(h, odd, 2, -1, 0.5f, 3);  // a copy is independent
    EXPECT_TRUE(h.Errors().empty());
}

TEST(OglColor, ColorRefConversionTakesTheLowByteAsRed) {
    Harness h;
    Variable ref = h.New("ColorRef", {Int(0), Int(128), Int(255)});
    Variable c = h.New("OglColor", {ref});
    ExpectColor(h, c, 0.0f, static_cast<float>(128 / 255.0), 1.0f, 1.0f);
    Variable high = h.New("ColorRef", {Int(static_cast<int>(0xFF000000u))});
    Variable black = h.New("OglColor", {high});
    ExpectColor(h, black, 0, 0, 0, 1);  // the highest byte is ignored

    Variable faded = h.New("OglColor", {Num(0.5), Num(0.5), Num(0.5), Num(0.3)});
    h.Call(faded, "SetColor", {ref});
    ExpectColor(h, faded, 0.0f, static_cast<float>(128 / 255.0), 1.0f, 1.0f);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(OglColor, TimesMakesANewColourAndTimesEqualsChangesSelf) {
    Harness h;
    Variable c = h.New("OglColor", {Num(0.2), Num(0.4), Num(0.6), Num(0.5)});
    Variable product = h.Call(c, "*", {Int(2)});
    ASSERT_EQ(product.type, VT_OBJECT);
    EXPECT_EQ(std::string(product.data.obj->ClassName()), "OglColor");
    EXPECT_NE(product.data.obj, c.data.obj);
    EXPECT_NE(product.data.obj->GetAss(), c.data.obj->GetAss());
    ExpectColor(h, product, 0.2f * 2, 0.4f * 2, 0.6f * 2, 0.5f);
    ExpectColor(h, c, 0.2f, 0.4f, 0.6f, 0.5f);

    VarRegister result, args[2];
    result.value = 9;
    args[0].value = 0.5;
    args[1].isRef = 1;
    args[1].ref = &c;
    EXPECT_TRUE(h.CallRow("OglColor::*=(number)", &result, args, 2).empty());
    EXPECT_EQ(result.value.type, VT_INT) << "*= leaves the result alone";
    ExpectColor(h, c, 0.2f * 0.5f, 0.4f * 0.5f, 0.6f * 0.5f, 0.5f);
    ExpectColor(h, product, 0.2f * 2, 0.4f * 2, 0.6f * 2, 0.5f);
}

TEST(OglColor, BadCallsEndInHostErrors) {
    Harness h;
    Variable c = h.New("OglColor");
    h.Call(c, "SetColor", {Num(1), Num(2)});
    auto e = h.TakeErrors();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].number, 5);
    EXPECT_NE(e[0].message.find("OglColor::SetColor(number, number, number, number)"), std::string::npos)
        << e[0].message;

    h.Call(c, "SetColor", {Str("red")});
    e = h.TakeErrors();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].number, 6);
    EXPECT_NE(e[0].message.find("argument 1 must be a ColorRef object, not a string"), std::string::npos)
        << e[0].message;

    h.Call(c, "Darken");
    EXPECT_EQ(h.Errors(), std::vector<int>{5});
    Variable nothing = h.New("OglColor", {Variable()});
    EXPECT_EQ(h.Errors(), std::vector<int>{5});
    EXPECT_EQ(nothing.type, VT_EMPTY);
    ExpectColor(h, c, 1, 1, 1, 1);
}

TEST(OglColor, CopyOfAColourWithoutNativeReports43AndMakesNone) {
    Harness h;
    Variable c = h.New("OglColor");
    VeskAss* native = c.data.obj->GetAss();
    native->BreakJoint();
    delete native;
    Variable copy = h.New("OglColor", {c});
    EXPECT_EQ(h.Errors(), std::vector<int>{43});
    ASSERT_EQ(copy.type, VT_OBJECT);
    EXPECT_EQ(copy.data.obj->GetAss(), nullptr);
    h.Call(copy, "GetRed");
    EXPECT_EQ(h.Errors(), std::vector<int>{43});
}

}  // namespace
