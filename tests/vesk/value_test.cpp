// The host's value model: ownership and reference counting, element and
// member access, conversions, the general arithmetic, printing, signatures
// and the choice of a row.
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

using vesk::Format;

// A host class whose destructor row counts its runs.
int destroyed = 0;
struct CountedNative : VeskAss {};

void NewCounted(VarRegister*, VarRegister* args, int count, Processor* p) {
    (new CountedNative)->Join(args[count - 1].designated(), p);
}
void DeleteCounted(VarRegister*, VarRegister* args, int count, Processor*) {
    VeskAss* a = args[count - 1].designated()->GetVObject()->GetAss();
    destroyed++;
    a->BreakJoint();
    delete a;
}
const MethodRecord countedRows[] = {
    {NewCounted, "Counted::Counted(void)"},
    {DeleteCounted, "Counted::~Counted(void)"},
    {nullptr, nullptr},
};

TEST(Values, DestructorRowRunsOnceWhenTheLastReferenceGoes) {
    Harness h;
    std::string why;
    if (!vesk::FindClass("Counted")) {
        ASSERT_TRUE(vesk::RegisterHostRows(countedRows, &why)) << why;
    }
    destroyed = 0;
    {
        Variable a = h.New("Counted");
        Variable b = a, c;
        c = b;
        Variable list;
        list.Init(VT_VECTOR, 2);
        list[0] = a;
        list[1] = c;
        a._Clear();
        b = 5;
        EXPECT_EQ(destroyed, 0);
        list._Clear();
        EXPECT_EQ(destroyed, 0) << "c still holds it";
    }
    EXPECT_EQ(destroyed, 1);
}

// A native that counts its destruction, for a class without a destructor row.
int nativesFreed = 0;
struct FreedNative : VeskAss {
    ~FreedNative() override { nativesFreed++; }
};
void NewPlain(VarRegister*, VarRegister* args, int count, Processor* p) {
    (new FreedNative)->Join(args[count - 1].designated(), p);
}
const MethodRecord plainRows[] = {{NewPlain, "Plain::Plain(void)"}, {nullptr, nullptr}};

TEST(Values, AnObjectKeepsItsNativeAndFreesWhatIsLeftJoined) {
    Harness h;
    std::string why;
    if (!vesk::FindClass("Plain")) {
        ASSERT_TRUE(vesk::RegisterHostRows(plainRows, &why)) << why;
    }
    nativesFreed = 0;
    Variable a = h.New("Plain");
    VeskAss* first = a.data.obj->GetAss();
    FreedNative second;
    EXPECT_FALSE(second.Join(&a, &h.processor)) << "a second native does not replace the first";
    EXPECT_EQ(a.data.obj->GetAss(), first);
    Variable n = Int(3);
    EXPECT_FALSE(second.Join(&n, &h.processor));
    a._Clear();
    EXPECT_EQ(nativesFreed, 1) << "the host frees a native no destructor row took";
}

TEST(Values, CyclesAreFoundAndFreedWhileReachableOnesStay) {
    Harness h;
    std::string why;
    if (!vesk::FindClass("Counted")) {
        ASSERT_TRUE(vesk::RegisterHostRows(countedRows, &why)) << why;
    }
    vesk::Collect();
    long base = vesk::LiveContainers();
    destroyed = 0;
    {
        Variable self;
        self.Init(VT_VECTOR, 3);
        self[0] = self;                       // a vector holding itself
        self[1] = h.New("Counted");
        Variable a, b;
        a.Init(VT_VECTOR, 1);
        b.Init(VT_VECTOR, 1);
        a[0] = b;
        b[0] = a;                             // two holding each other
        Variable p = h.New("POINT3");
        p("x") = a;                           // an object in the loop
        a[0] = p;
        Variable m = h.New("Matrix", {Int(2), Int(2)});
        m[1] = m;                             // a matrix row holding the matrix
        Variable cell = vesk::MakeReference(self);
        self[2] = cell;                       // through a reference cell
    }
    EXPECT_EQ(destroyed, 0) << "the counted object sits in a cycle";
    EXPECT_GT(vesk::LiveContainers(), base);

    Variable kept;
    kept.Init(VT_VECTOR, 2);
    kept[0] = kept;
    kept[1] = 42;
    vesk::Collect();
    EXPECT_EQ(destroyed, 1) << "freeing the cycle ran the destructor row";
    EXPECT_EQ(vesk::LiveContainers(), base + 1) << "only the reachable cycle is left";
    EXPECT_EQ(kept[1].data.i, 42);
    EXPECT_EQ(kept[0].data.vec, kept.data.vec);
    kept[0]._Clear();
}

TEST(Values, DeeplyNestedVectorsFreeWithoutRecursion) {
    Variable v;
    v.Init(VT_VECTOR, 0);
    for (int i = 0; i < 1000000; i++) {
        Variable outer;
        outer.Init(VT_VECTOR, 1);
        outer[0] = v;
        v = outer;
    }
    EXPECT_EQ(Format(v).substr(0, 5), "[[[[[");
    v._Clear();  // must not overflow the stack
    EXPECT_EQ(v.type, VT_EMPTY);
}

TEST(Values, CopiesOwnDoublesAndShareContainers) {
    Variable d(2.5), e = d;
    *e.data.d = 3.5;
    EXPECT_EQ(*d.data.d, 2.5) << "a double is owned by each value";
    Variable v;
    v.Init(VT_VECTOR, 1);
    Variable w = v;
    w[0] = 7;
    EXPECT_EQ(v[0].data.i, 7) << "vectors are shared";
    EXPECT_EQ(v.data.vec->refs, 2);
    Variable self;
    self.Init(VT_VECTOR, 1);
    self[0] = self;  // a vector holding itself: assignment must not free it
    EXPECT_EQ(self[0].data.vec, self.data.vec);
    self[0]._Clear();
}

TEST(Values, AccessOutsideReportsAndHandsOutTheStandby) {
    Harness h;
    Variable v;
    v.Init(VT_VECTOR, 3);
    Variable& out = v[3];
    EXPECT_EQ(h.Errors(), std::vector<int>{11});
    out = 5;  // harmless
    EXPECT_EQ(v.data.vec->count, 3);
    Variable n = Int(4);
    EXPECT_EQ(&n[0], &n) << "a number stands for its own element";
    EXPECT_EQ(h.Errors(), std::vector<int>{77});
    Variable p = h.New("POINT3", {Int(1), Int(2), Int(3)});
    EXPECT_EQ(p("y").GetDoubleNumb(), 2.0);
    p("w");
    EXPECT_EQ(h.Errors(), std::vector<int>{9});
    v._Clear();
    v.Init(VT_VECTOR, -5);
    EXPECT_EQ(v.data.vec->count, 0) << "a negative count makes an empty vector";
    v.Init(VT_VECTOR, vesk::Limits().vectorCount + 1);
    EXPECT_EQ(v.type, VT_EMPTY);
    EXPECT_EQ(h.Errors(), std::vector<int>{12});
    v.Init(VT_DATA, 3);
    EXPECT_EQ(v.GetDataSize(), 3);
    EXPECT_EQ(Format(v), "<data 3 bytes>");
}

TEST(Values, ConversionsClampAndLongsThatDoNotFitBecomeDoubles) {
    EXPECT_EQ(Num(NAN).GetLongNumb(), 0);
    EXPECT_EQ(Num(1e30).GetLongNumb(), LONG_MAX);
    EXPECT_EQ(Num(-1e30).GetLongNumb(), LONG_MIN);
    EXPECT_EQ(Num(-2.7).GetLongNumb(), -2);
    EXPECT_EQ(Flt(2.5f).GetDoubleNumb(), 2.5);
    EXPECT_EQ(Bool(true).GetFloatNumb(), 1.0f);
    EXPECT_EQ(Str("12").GetFloatNumb(), 0.0f);
    Variable v;
    v = 1L << 40;
    EXPECT_EQ(v.type, VT_DOUBLE);
    EXPECT_EQ(v.GetDoubleNumb(), 1099511627776.0);
    v = 0xFFFFFFFFul;
    EXPECT_EQ(v.GetDoubleNumb(), 4294967295.0);
    v = 12L;
    EXPECT_EQ(v.type, VT_INT);
    Variable s = Str("a\0b");
    EXPECT_EQ(s.GetDataSize(), 1) << "a C string ends at its zero";
    vesk::SetString(s, "a\0b", 3);
    EXPECT_EQ(s.GetDataSize(), 3);
    EXPECT_TRUE(s.IsTrue());
    EXPECT_FALSE(Str("").IsTrue());
}

TEST(Values, GeneralArithmeticPromotesAndReports) {
    Harness h;
    Variable byte;
    byte.type = VT_BYTE;
    byte.data.i = 250;
    Variable r = _AddNumb(byte, byte);
    EXPECT_EQ(r.type, VT_BYTE);
    EXPECT_EQ(r.data.i, 244);
    EXPECT_EQ(_AddNumb(byte, Int(10)).type, VT_INT);
    EXPECT_EQ(_AddNumb(byte, Int(10)).data.i, 260);
    EXPECT_EQ(_MulNumb(Int(3), Flt(0.5f)).type, VT_FLOAT);
    EXPECT_EQ(_SubNumb(Flt(1.0f), Num(0.25)).type, VT_DOUBLE);
    EXPECT_EQ(_DivNumb(Int(7), Int(2)).data.i, 3);
    EXPECT_EQ(_DivNumb(Int(INT_MIN), Int(-1)).data.i, INT_MIN);
    EXPECT_EQ(_RestNumb(Int(INT_MIN), Int(-1)).data.i, 0);
    EXPECT_EQ(_RestNumb(Num(7.5), Int(2)).GetDoubleNumb(), 1.5);
    EXPECT_EQ(Format(_AddNumb(Str("frame"), Int(7))), "frame7");
    EXPECT_TRUE(h.Errors().empty());
    _DivNumb(Num(1), Num(0));
    EXPECT_EQ(h.Errors(), std::vector<int>{10});
    Variable v;
    v.Init(VT_VECTOR, 1);
    _AddNumb(v, Int(1));
    _BitOrNumb(Flt(1), Int(1));
    EXPECT_EQ(h.Errors(), (std::vector<int>{4, 4}));
    Variable target = Int(5);
    __AddNumb(target, target, Int(1));
    EXPECT_EQ(target.data.i, 6) << "the target may be an operand";
}

TEST(Values, PrintedForms) {
    Harness h;
    EXPECT_EQ(Format(Flt(0.1f)), "0.1");
    EXPECT_EQ(Format(Num(0.1)), "0.1");
    EXPECT_EQ(Format(Num(2.0)), "2");
    EXPECT_EQ(Format(Num(1.0 / 3)), "0.3333333333333333");
    EXPECT_EQ(Format(Num(500000.0)), "500000") << "written out, not 5e+05";
    EXPECT_EQ(Format(Num(-1234.5)), "-1234.5");
    EXPECT_EQ(Format(Num(0.000123)), "0.000123");
    EXPECT_EQ(Format(Num(1e21)), "1e+21");
    EXPECT_EQ(Format(Num(1.5e-8)), "1.5e-08");
    EXPECT_EQ(Format(Flt(2004.99f)), "2004.99");
    EXPECT_EQ(Format(Flt(1e10f)), "10000000000");
    EXPECT_EQ(Format(Variable()), "null");
    EXPECT_EQ(Format(Bool(false)), "false");
    Variable v;
    v.Init(VT_VECTOR, 3);
    v[0] = 1;
    v[1] = "two";
    v[2] = h.New("POINT3", {Int(1), Num(2.5), Int(3)});
    EXPECT_EQ(Format(v), "[1, two, POINT3(1, 2.5, 3)]");
    EXPECT_EQ(Format(h.New("RECT", {Int(0), Int(0), Int(640), Int(480)})), "RECT(0, 0, 640, 480)");
    EXPECT_EQ(Format(h.New("OglColor")), "<OglColor>");
    EXPECT_EQ(h.New("ColorRef", {Int(1), Int(2), Int(300)})("clrf").GetLongNumb(),
              1 + 2 * 256 + 255 * 65536) << "components are clamped to 0..255";
}

TEST(Signatures, ParseEveryArgumentWord) {
    vesk::MethodRow row;
    std::string cls, why;
    ASSERT_TRUE(vesk::ParseSignature("VOpenGL::Sphere(refer object POINT3 , number, int)", &row, &cls, &why));
    EXPECT_EQ(cls, "VOpenGL");
    EXPECT_EQ(row.method, "Sphere");
    ASSERT_EQ(row.args.size(), 3u);
    EXPECT_EQ(row.args[0].kind, vesk::ArgKind::Object);
    EXPECT_EQ(row.args[0].className, "POINT3");
    EXPECT_TRUE(row.args[0].refer);
    EXPECT_EQ(row.args[2].kind, vesk::ArgKind::Int);
    ASSERT_TRUE(vesk::ParseSignature("OglMaterial::SetDiffuse(refer object OglColor, ...)", &row, &cls, &why));
    EXPECT_TRUE(row.variadic);
    EXPECT_EQ(row.args.size(), 1u);
    ASSERT_TRUE(vesk::ParseSignature("OglColor::*=(number)", &row, &cls, &why));
    EXPECT_EQ(row.method, "*=");
    ASSERT_TRUE(vesk::ParseSignature("VOpenGL::LoadMatrix(object Matrix)", &row, &cls, &why));
    EXPECT_FALSE(row.args[0].refer);
    ASSERT_TRUE(vesk::ParseSignature("VOpenGL::IsOpen(void)", &row, &cls, &why));
    EXPECT_TRUE(row.args.empty());
    EXPECT_FALSE(vesk::ParseSignature("VOpenGL::Sphere(float)", &row, &cls, &why));
    EXPECT_NE(why.find("float"), std::string::npos);
    EXPECT_FALSE(vesk::ParseSignature("Sphere(number)", &row, &cls, &why));
    EXPECT_FALSE(vesk::ParseSignature("A::B(..., number)", &row, &cls, &why));
    EXPECT_FALSE(vesk::ParseSignature("A::B()", &row, &cls, &why));
}

TEST(Loader, RefusesWhatIsNotAModuleAndLoadsOnce) {
    Harness h;
    std::string why;
    EXPECT_EQ(vesk::LoadModule("/nonexistent/cVOpenGL.so", &why), nullptr);
    EXPECT_NE(why.find("nonexistent"), std::string::npos);
    EXPECT_EQ(vesk::LoadModule("libm.so.6", &why), nullptr);
    EXPECT_NE(why.find("not a Vesk module"), std::string::npos);
    EXPECT_EQ(vesk::LoadModule(VESK_MODULE_FILE, &why), h.module);
    EXPECT_EQ(vesk::LoadedModules().size(), 1u);
    EXPECT_EQ(GetErrorOffset(h.module->instance), 1000);
    EXPECT_EQ(GetErrorOffset(nullptr), 0xFFFF);
}

TEST(Names, IdsAreStable) {
    int a = Token::GetNameID("clrf"), b = Token::GetNameID("left");
    EXPECT_NE(a, b);
    EXPECT_EQ(Token::GetNameID("clrf"), a);
    for (int i = 0; i < 1000; i++) Token::GetNameID(("n" + std::to_string(i)).c_str());
    EXPECT_STREQ(Token::NameOf(a), "clrf");
    EXPECT_STREQ(Token::NameOf(-1), "?");
}

}  // namespace
