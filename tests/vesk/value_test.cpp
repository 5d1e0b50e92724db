// The host's value model as C++ sees it: natives joined to objects, cycles
// and when they are collected, deep nesting, owned doubles, the stand-by
// element, conversions, printing and its bounds, the memory budget, method
// signatures and the loader. Reference counting and the general
// arithmetic are checked through scripts in interp_test.cpp.
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "host/arith.h"
#include "tests/support/harness.h"
#include "vesk/values/budget.h"
#include "vesk/values/collector.h"
#include "vesk/values/suggest.h"

namespace {

using vesk::Format;

// Natives that count their end: one class with a destructor row, one without.
int destroyed = 0, nativesFreed = 0;
struct CountedNative : VeskAss {
    ~CountedNative() override { nativesFreed++; }
};
void NewNative(VarRegister*, VarRegister* args, int count, Processor* p) {
    (new CountedNative)->Join(args[count - 1].designated(), p);
}
void DeleteCounted(VarRegister*, VarRegister* args, int count, Processor*) {
    VeskAss* a = args[count - 1].designated()->GetVObject()->GetAss();
    destroyed++;
    a->BreakJoint();
    delete a;
}
const MethodRecord rows[] = {
    {NewNative, "Counted::Counted(void)"},
    {DeleteCounted, "Counted::~Counted(void)"},
    {NewNative, "Plain::Plain(void)"},
    {nullptr, nullptr},
};

class Values : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!vesk::FindClass("Counted")) {
            ASSERT_TRUE(vesk::RegisterHostRows(rows, &why)) << why;
        }
        destroyed = nativesFreed = 0;
    }
    Harness h;
};

TEST_F(Values, AnObjectKeepsItsNativeAndFreesWhatIsLeftJoined) {
    Variable a = h.New("Plain");
    VeskAss* first = a.data.obj->GetAss();
    CountedNative second;
    EXPECT_FALSE(second.Join(&a, &h.processor)) << "a second native does not replace the first";
    EXPECT_EQ(a.data.obj->GetAss(), first);
    Variable n = Int(3);
    EXPECT_FALSE(second.Join(&n, &h.processor));
    a._Clear();
    EXPECT_EQ(nativesFreed, 1) << "the host frees a native no destructor row took";
}

TEST_F(Values, CyclesAreFoundAndFreedWhileReachableOnesStay) {
    vesk::Collect();
    long base = vesk::LiveContainers();
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
        self[2] = vesk::MakeReference(self);  // through a reference cell
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

// Natives weigh on the collector: a few dozen objects with natives, each in
// a cycle of its own, are far below the 10 000 containers that alone would
// trigger a collection, yet they are collected (a context behind each could
// hold megabytes).
TEST_F(Values, CyclesHoldingNativesAreCollectedEarly) {
    vesk::Collect();
    for (int i = 0; i < 60; i++) {
        Variable v;
        v.Init(VT_VECTOR, 2);
        v[0] = v;
        v[1] = h.New("Counted");
    }
    EXPECT_LT(vesk::LiveContainers(), 1000);
    vesk::MaybeCollect();
    EXPECT_EQ(destroyed, 60);
}

// The budget: every kind of value is charged when made and given back when
// freed; a request past the limit takes nothing and is error 12, unless
// collecting the cycles nothing reaches makes room, which is not done while
// a module's handler runs.
TEST_F(Values, TheMemoryBudgetChargesEveryValueAndCollectsBeforeRefusing) {
    vesk::Collect();
    const uint64_t base = vesk::MemoryInUse(), limit = vesk::MemoryLimit();
    {
        Variable s = Str("twelve bytes"), v, p = h.New("POINT3"), b = h.New("MBmp", {Int(100), Int(10)});
        v.Init(VT_VECTOR, 3);
        for (int i = 0; i < 100; i++) vesk::VectorAdd(vesk::VectorOf(v), s);
        EXPECT_GT(vesk::MemoryInUse(), base + 12 + 103 * vesk::kSlotBytes + 3000);
        Variable m = h.New("Matrix", {Int(3), Int(3)});
        h.Call(m, "SetIdentity");
        Variable inv = h.Call(m, "Inverse");
    }
    EXPECT_EQ(vesk::MemoryInUse(), base) << "everything given back";

    vesk::SetMemoryLimit(base + (40 << 20));
    Variable block;
    for (int i = 0; i < 8; i++) {  // 8 cycles of 10 MB: the fifth must collect to fit
        Variable cycle;
        cycle.Init(VT_VECTOR, 2);
        cycle[0] = cycle;
        cycle[1].Init(VT_DATA, 10 << 20);
    }
    for (auto& e : h.TakeErrors()) ADD_FAILURE() << e.message;
    EXPECT_LE(vesk::MemoryInUse(), base + (40 << 20));
    block.Init(VT_DATA, 50 << 20);
    EXPECT_EQ(block.type, VT_EMPTY);
    std::vector<vesk::ErrorEntry> errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 12);
    EXPECT_NE(errors[0].message.find("not enough memory for a data block: it needs 52428832 bytes (50 MiB)"),
              std::string::npos) << errors[0].message;
    EXPECT_NE(errors[0].message.find("--memory-limit"), std::string::npos);
    {
        Variable cycle;
        cycle.Init(VT_VECTOR, 2);
        cycle[0] = cycle;
        cycle[1].Init(VT_DATA, 30 << 20);
    }
    {
        vesk::ModuleCallScope handler(true);
        block.Init(VT_DATA, 20 << 20);
        EXPECT_EQ(h.Errors(), std::vector<int>{12}) << "no collection under a module's handler";
    }
    block.Init(VT_DATA, 20 << 20);
    EXPECT_TRUE(h.Errors().empty()) << "collected once the handler is done";
    block._Clear();
    vesk::SetMemoryLimit(limit);
    vesk::Collect();
    EXPECT_EQ(vesk::MemoryInUse(), base);
}

TEST(Budget, SizesReadAndShown) {
    const std::pair<const char*, uint64_t> sizes[] = {
        {"4096", 4096}, {"1k", 1024}, {"512M", 512u << 20}, {"2G", 2ull << 30}, {"1.5G", 3ull << 29},
        {"3GiB", 3ull << 30}, {"2gb", 2ull << 30}, {"1T", 1ull << 40},
    };
    for (const auto& [text, want] : sizes) {
        uint64_t got = 0;
        EXPECT_TRUE(vesk::ParseMemorySize(text, &got)) << text;
        EXPECT_EQ(got, want) << text;
    }
    for (const char* bad : {"", "M", "-1", "0", "1X", "1e9", "2 G", "0.1"}) {
        uint64_t got = 0;
        EXPECT_FALSE(vesk::ParseMemorySize(bad, &got)) << bad;
    }
    EXPECT_EQ(vesk::SizeText(805306368), "805306368 bytes (768 MiB)");
    EXPECT_EQ(vesk::SizeText(3ull << 29), "1610612736 bytes (1.5 GiB)");
    EXPECT_EQ(vesk::SizeText(100), "100 bytes");
    EXPECT_EQ(vesk::SizeText((2ull << 30) - 32), "2147483616 bytes (2 GiB)");
}

TEST_F(Values, OwnershipOfDoublesAndDeepVectors) {
    Variable d(2.5), e = d;
    *e.data.d = 3.5;
    EXPECT_EQ(*d.data.d, 2.5) << "a double is owned by each value";

    Variable v;
    v.Init(VT_VECTOR, 0);
    for (int i = 0; i < 1000000; i++) {
        Variable outer;
        outer.Init(VT_VECTOR, 1);
        outer[0] = v;
        v = outer;
    }
    EXPECT_EQ(Format(v).substr(0, 5), "[[[[[");
    v._Clear();  // must free without recursion: a million levels would overflow the stack
    EXPECT_EQ(v.type, VT_EMPTY);
}

TEST_F(Values, AccessOutsideReportsAndHandsOutTheStandby) {
    Variable v;
    v.Init(VT_VECTOR, 3);
    Variable& out = v[3];
    EXPECT_EQ(h.Errors(), std::vector<int>{11});
    out = 5;  // harmless
    EXPECT_EQ(v.data.vec->count, 3);
    EXPECT_EQ(v[2].type, VT_EMPTY);
    Variable n = Int(4);
    EXPECT_EQ(&n[0], &n) << "a number stands for its own element";
    EXPECT_EQ(h.Errors(), std::vector<int>{77});
    v.Init(VT_VECTOR, -5);
    EXPECT_EQ(v.data.vec->count, 0) << "a negative count makes an empty vector";
    v.Init(VT_VECTOR, vesk::Limits().vectorCount + 1);
    EXPECT_EQ(v.type, VT_EMPTY);
    EXPECT_EQ(h.Errors(), std::vector<int>{12});
}

TEST_F(Values, ConversionsClampAndLongsThatDoNotFitBecomeDoubles) {
    EXPECT_EQ(Num(NAN).GetLongNumb(), 0);
    EXPECT_EQ(Num(1e30).GetLongNumb(), LONG_MAX);
    EXPECT_EQ(Num(-1e30).GetLongNumb(), LONG_MIN);
    EXPECT_EQ(Num(-2.7).GetLongNumb(), -2);
    EXPECT_EQ(Str("12").GetFloatNumb(), 0.0f) << "a string is not a number";
    EXPECT_TRUE(Str("a").IsTrue() && !Str("").IsTrue()) << "a string is true when it has bytes";
    Variable v;
    v = 1L << 40;
    EXPECT_EQ(v.type, VT_DOUBLE);
    EXPECT_EQ(v.GetDoubleNumb(), 1099511627776.0);
    v = 0xFFFFFFFFul;
    EXPECT_EQ(v.GetDoubleNumb(), 4294967295.0);
    v = static_cast<long>(INT_MAX);
    EXPECT_EQ(v.type, VT_INT) << "a long that fits stays an integer";
    Variable s = Str("a\0b");
    EXPECT_EQ(s.GetDataSize(), 1) << "a C string ends at its zero";
    vesk::SetString(s, "a\0b", 3);
    EXPECT_EQ(s.GetDataSize(), 3);
    Variable target = Int(5);
    __AddNumb(target, target, Int(1));
    EXPECT_EQ(target.data.i, 6) << "the target of the host's arithmetic may be an operand";
}

TEST_F(Values, PrintedForms) {
    // Shortest digits (a float's own), written out for magnitudes from 1e-7
    // to 1e21; components of a ColorRef are clamped to 0..255.
    EXPECT_EQ(Format(Num(500000.0)), "500000");
    EXPECT_EQ(Format(Num(0.000123)), "0.000123");
    EXPECT_EQ(Format(Num(1.5e-8)), "1.5e-08");
    EXPECT_EQ(Format(Flt(1e10f)), "10000000000");
    EXPECT_EQ(Format(Flt(2004.99f)), "2004.99");
    Variable v;
    v.Init(VT_VECTOR, 2);
    v[0] = "two";
    v[1] = h.New("POINT3", {Int(1), Num(2.5), Int(3)});
    EXPECT_EQ(Format(v), "[two, POINT3(1, 2.5, 3)]");
    EXPECT_EQ(Format(v, 9), "[two, POI...") << "cut at the limit";
    EXPECT_EQ(h.New("ColorRef", {Int(1), Int(2), Int(300)})("clrf").GetLongNumb(), 1 + 2 * 256 + 255 * 65536);

    // Shared parts would unfold exponentially, members can lead back to their
    // object: the printed form stops at its limit, and at a depth of 64.
    Variable dag;
    dag.Init(VT_VECTOR, 0);
    vesk::VectorAdd(vesk::VectorOf(dag), dag);
    vesk::VectorAdd(vesk::VectorOf(dag), dag);
    std::string printed = Format(dag);
    EXPECT_EQ(printed.size(), vesk::kPrintLimit + 3);
    EXPECT_EQ(printed.substr(printed.size() - 3), "...");
    Variable p = h.New("POINT3");
    p("x").Init(VT_VECTOR, 1);
    p("x")[0] = p;
    EXPECT_EQ(Format(p).substr(0, 16), "POINT3([POINT3([");
    EXPECT_NE(Format(p).find("POINT3(...)], 0, 0)"), std::string::npos);
    dag[0]._Clear();
    dag[1]._Clear();
    p("x")._Clear();
}

// The rows of the module and of the host parse as the class and method
// tables show them; these are the forms a row is refused for.
// Suggestions: case alone, or a few edits by length; never the name itself.
TEST(Suggest, OnlyCloseNamesAreOffered) {
    const std::vector<std::string_view> names = {"print", "Sphere", "VOpenGL", "x", "SetViewerPos"};
    const std::pair<const char*, const char*> cases[] = {
        {"prnt", "print"},  {"pritn", "print"},  {"Spheer", "Sphere"}, {"vopengl", "VOpenGL"},
        {"X", "x"},         {"y", ""},           {"Sph", ""},          {"prinnt", "print"},
        {"SetViewrPoss", "SetViewerPos"},        {"SetVwrPs", ""},     {"print", ""},
    };
    for (const auto& [name, want] : cases) EXPECT_EQ(vesk::Closest(name, names), want) << name;
    EXPECT_EQ(vesk::DidYouMean("Sphre", names), "; did you mean 'Sphere'?");
}

TEST(Signatures, MalformedRowsAreRefused) {
    vesk::MethodRow row;
    std::string cls, why;
    for (const char* bad : {"Sphere(number)", "A::B(..., number)", "A::B()", "VOpenGL::Sphere(float)"})
        EXPECT_FALSE(vesk::ParseSignature(bad, &row, &cls, &why)) << bad;
    EXPECT_NE(why.find("float"), std::string::npos) << "the reason names the unknown word: " << why;
    ASSERT_TRUE(vesk::ParseSignature("OglMaterial::SetDiffuse(refer object OglColor, ...)", &row, &cls, &why));
    EXPECT_TRUE(row.variadic && row.args.size() == 1 && row.args[0].refer);
}

TEST(Loader, RefusesWhatIsNotAModuleAndLoadsOnce) {
    Harness h;
    std::string why;
    EXPECT_EQ(vesk::LoadModule("libm.so.6", &why), nullptr);
    EXPECT_NE(why.find("not a Vesk module"), std::string::npos);
    EXPECT_EQ(vesk::LoadModule(VESK_MODULE_FILE, &why), h.module);
    EXPECT_EQ(vesk::LoadedModules().size(), 1u);
    EXPECT_EQ(GetErrorOffset(h.module->instance), 1000);
    EXPECT_EQ(GetErrorOffset(nullptr), 0xFFFF);
}

}  // namespace
