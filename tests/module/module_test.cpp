// The module as the host first sees it: version text, tables, error base,
// owner query, the handler rules, and the exported arithmetic.
#include <dlfcn.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

const char kVersion[] = "VESK Support DLL v3.7 |VESK version:4.62.12.a";

template <class F>
F Export(Harness& h, const char* name) {
    void* p = dlsym(h.module->library, name);
    EXPECT_NE(p, nullptr) << name;
    return reinterpret_cast<F>(p);
}

std::vector<std::string> ExpectedSignatures() {
    std::ifstream in(VESK_SOURCE_DIR "/tests/module/signatures.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ModuleFrame, VersionTextIsCopiedWithStrncpyRules) {
    Harness h;
    EXPECT_EQ(h.module->version, kVersion);
    ASSERT_EQ(std::strlen(kVersion), 45u);
    auto version = Export<ModuleVersionFn>(h, "ModuleVersion");
    char buf[80];

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(version(buf, 45), buf);
    EXPECT_EQ(std::memcmp(buf, kVersion, 45), 0);
    EXPECT_EQ(buf[45], 'x') << "no terminator when the text fills the length";

    std::memset(buf, 'x', sizeof buf);
    version(buf, 60);
    EXPECT_STREQ(buf, kVersion);
    for (int i = 45; i < 60; i++) EXPECT_EQ(buf[i], 0) << "padding at " << i;
    EXPECT_EQ(buf[60], 'x');

    std::memset(buf, 'x', sizeof buf);
    version(buf, 10);
    EXPECT_EQ(std::memcmp(buf, kVersion, 10), 0);
    EXPECT_EQ(buf[10], 'x');

    std::memset(buf, 'x', sizeof buf);
    version(buf, 0);
    EXPECT_EQ(buf[0], 'x');
}

TEST(ModuleFrame, ErrorTableHasSevenPackedRowsAndAnEnd) {
    Harness h;
    const ErrorRecord* e = h.module->errors;
    const char* messages[] = {"The Device Context is not Valid", "The Device Context is not Open",
                              "Can't bind Device Context", "The OpenGL Name Stack Overflow",
                              "The OpenGL Name Stack is Empty", "OpenGL is not in the Selection Mode",
                              "OpenGL NURBS error"};
    const char* ids[] = {"OGL_WRONG_DC", "OGL_NO_DC", "OGL_CANTBIND_DC", "OGL_NAME_STACK_OVERFLOW",
                         "OGL_NAME_STACK_UNDERFLOW", "OGL_NO_SELECTION_MODE", "OGL_NURBS_ERROR"};
    EXPECT_EQ(sizeof(ErrorRecord), 18u);
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(e[i].code, i);
        EXPECT_STREQ(e[i].message, messages[i]);
        EXPECT_STREQ(e[i].identifier, ids[i]);
    }
    EXPECT_EQ(e[7].code, 0);
    EXPECT_EQ(e[7].message, nullptr);
    EXPECT_EQ(e[7].identifier, nullptr);
}

TEST(ModuleFrame, MethodTableHoldsEveryRowInOrderWithItsSharedHandlers) {
    Harness h;
    std::vector<std::string> expected = ExpectedSignatures();
    ASSERT_EQ(expected.size(), 161u);
    auto methods = Export<ModuleMethodsFn>(h, "ModuleMethods");
    const MethodRecord* table = methods(0);
    EXPECT_EQ(table, methods(12345)) << "every call gives the same table";
    int n = 0;
    while (table[n].handler || table[n].signature) n++;
    ASSERT_EQ(n, 161);
    for (int i = 0; i < n; i++) EXPECT_EQ(table[i].signature, expected[i]) << "row " << i + 1;

    // Rows that share a handler; every other row has one of its own.
    const std::vector<std::vector<int>> shared = {
        {25, 26}, {27, 30}, {28, 31}, {29, 32}, {34, 35}, {54, 55, 56, 57}, {58, 59},
        {62, 63}, {65, 66}, {67, 68}, {70, 71}, {74, 75}, {82, 83}, {88, 89}, {96, 97},
        {98, 99}, {105, 106}, {148, 149}, {150, 151}, {152, 153}, {154, 155}};
    std::map<VeskHandler, std::set<int>> byHandler;
    for (int i = 0; i < n; i++) byHandler[table[i].handler].insert(i + 1);
    EXPECT_EQ(byHandler.size(), 138u);
    std::set<std::set<int>> groups, want;
    for (auto& [handler, rows] : byHandler)
        if (rows.size() > 1) groups.insert(rows);
    for (auto& g : shared) want.insert(std::set<int>(g.begin(), g.end()));
    EXPECT_EQ(groups, want);
}

TEST(ModuleFrame, ModuleErrorsUseTheBaseAndTheTableText) {
    Harness h;
    EXPECT_EQ(h.module->errorBase, 1000);
    VeskError(1002, " System error #12");
    auto errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 1002);
    EXPECT_EQ(errors[0].text, " System error #12");
    EXPECT_EQ(errors[0].message, "Can't bind Device Context System error #12");
}

TEST(ModuleFrame, OwnerIsTheRunningProcessor) {
    Harness h;
    auto owner = Export<GetOwnerFn>(h, "GetOwner");
    EXPECT_EQ(owner(), &h.processor);
    Processor inner;
    {
        vesk::RunningScope scope(&inner);
        EXPECT_EQ(owner(), &inner) << "with two connected, the connector's owner answers";
    }
    Processor* seen = &h.processor;
    std::thread([&] { seen = owner(); }).join();
    EXPECT_EQ(seen, nullptr) << "no connector on a thread that runs nothing";
}

TEST(HandlerRules, SelfThatIsNoObjectReports40Then43) {
    Harness h;
    VarRegister result, self;
    self.value = 5;
    EXPECT_EQ(h.CallRow("OglColor::GetRed(void)", &result, &self, 1), (std::vector<int>{40, 43}));
    EXPECT_EQ(result.value.type, VT_EMPTY) << "nothing written";

    Variable c = h.New("OglColor");
    VarRegister viaRef;
    Variable cell = vesk::MakeReference(c);
    viaRef.value = cell;
    EXPECT_EQ(cell.type, VT_NATIVEREF);
    EXPECT_TRUE(h.CallRow("OglColor::GetRed(void)", &result, &viaRef, 1).empty())
        << "a reference value reaches the object";
    EXPECT_EQ(result.value.type, VT_FLOAT);
}

TEST(HandlerRules, NumberResultStopsReferringWhileObjectsKeepTheirNatives) {
    Harness h;
    Variable c = h.New("OglColor", {Num(0.25), Num(0.5), Num(0.75), Num(1)});
    Variable target = Int(7);
    VarRegister result, self;
    result.isRef = 1;
    result.ref = &target;
    self.isRef = 1;
    self.ref = &c;
    EXPECT_TRUE(h.CallRow("OglColor::GetBlue(void)", &result, &self, 1).empty());
    EXPECT_EQ(target.type, VT_INT) << "the referenced value is left alone";
    EXPECT_EQ(target.data.i, 7);
    EXPECT_EQ(result.isRef, 0);
    EXPECT_EQ(result.value.type, VT_FLOAT);
    EXPECT_EQ(result.value.data.f, 0.75f);
}

TEST(HandlerRules, ObjectWithoutNativeReports43AndItsDestructorNothing) {
    Harness h;
    Variable c = h.New("OglColor");
    VeskAss* native = c.data.obj->GetAss();
    ASSERT_NE(native, nullptr);
    native->BreakJoint();  // as if construction had failed to allocate
    delete native;
    VarRegister result, self;
    self.isRef = 1;
    self.ref = &c;
    auto errors = h.CallRow("OglColor::GetRed(void)", &result, &self, 1);
    EXPECT_EQ(errors, std::vector<int>{43});
    EXPECT_TRUE(h.CallRow("OglColor::~OglColor(void)", &result, &self, 1).empty());
}

// ---- exported arithmetic ---------------------------------------------------------

using Returning = Variable (*)(const Variable&, const Variable&);
using InPlace = void (*)(Variable&, const Variable&, const Variable&);

Variable Byte(int b) {
    Variable v;
    v.type = VT_BYTE;
    v.data.i = b;
    return v;
}

TEST(Arithmetic, TopTypePromotes) {
    Harness h;
    auto top = Export<unsigned short (*)(unsigned short, unsigned short)>(h, "_Z7TopTypett");
    EXPECT_EQ(top(8, 16), 16);
    EXPECT_EQ(top(4, 4), 4);
    EXPECT_EQ(top(32, 8), 32);
    EXPECT_EQ(top(1, 8), 0xFFFF);
    EXPECT_EQ(top(8, 64), 0xFFFF);
}

TEST(Arithmetic, SameTypeOperatorsWrapAndTruncate) {
    Harness h;
    auto add = Export<Returning>(h, "_ZplRK8VariableS1_");
    auto div = Export<Returning>(h, "_ZdvRK8VariableS1_");
    auto rem = Export<Returning>(h, "_ZrmRK8VariableS1_");
    auto bor = Export<Returning>(h, "_ZorRK8VariableS1_");
    auto mul = Export<Returning>(h, "_ZmlRK8VariableS1_");

    Variable b = add(Byte(200), Byte(100));
    EXPECT_EQ(b.type, VT_BYTE);
    EXPECT_EQ(b.data.i, 44) << "byte sum truncated, upper bits zero";
    Variable w = add(Int(INT_MAX), Int(1));
    EXPECT_EQ(w.type, VT_INT);
    EXPECT_EQ(w.data.i, INT_MIN);
    EXPECT_EQ(div(Int(7), Int(-2)).data.i, -3);
    EXPECT_EQ(rem(Int(-7), Int(2)).data.i, -1);
    EXPECT_EQ(div(Int(INT_MIN), Int(-1)).data.i, INT_MIN) << "wraps instead of trapping";
    EXPECT_EQ(div(Byte(250), Byte(7)).data.i, 35) << "bytes divide unsigned";
    Variable o = bor(Byte(0x0F), Byte(0xF0));
    EXPECT_EQ(o.type, VT_BYTE);
    EXPECT_EQ(o.data.i, 0xFF);
    Variable f = mul(Flt(1.5f), Flt(3.0f));
    EXPECT_EQ(f.type, VT_FLOAT);
    EXPECT_EQ(f.data.f, 4.5f);
    Variable d = div(Num(1.0), Num(4.0));
    ASSERT_EQ(d.type, VT_DOUBLE);
    EXPECT_EQ(*d.data.d, 0.25);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Arithmetic, MixedTypesAndZeroDivisorsGoToTheHost) {
    Harness h;
    auto add = Export<Returning>(h, "_ZplRK8VariableS1_");
    auto div = Export<Returning>(h, "_ZdvRK8VariableS1_");
    auto rem = Export<Returning>(h, "_ZrmRK8VariableS1_");
    Variable m = add(Int(2), Flt(0.5f));
    EXPECT_EQ(m.type, VT_FLOAT) << "the host promotes int + float";
    EXPECT_EQ(m.data.f, 2.5f);
    EXPECT_TRUE(h.Errors().empty());
    Variable z = div(Int(1), Int(0));
    EXPECT_EQ(z.type, VT_EMPTY);
    EXPECT_EQ(h.Errors(), std::vector<int>{10});
    Variable r = rem(Flt(7.5f), Flt(2.0f));
    EXPECT_EQ(r.type, VT_FLOAT) << "float remainder is the host's";
    EXPECT_EQ(r.data.f, 1.5f);
}

TEST(Arithmetic, InPlaceFormsRetypeTheTargetAndReportDivisionByZero) {
    Harness h;
    auto add = Export<InPlace>(h, "_Z3AddR8VariableRKS_S2_");
    auto div = Export<InPlace>(h, "_Z3DivR8VariableRKS_S2_");
    auto rest = Export<InPlace>(h, "_Z4RestR8VariableRKS_S2_");
    auto xr = Export<InPlace>(h, "_Z3XorR8VariableRKS_S2_");
    auto sub = Export<InPlace>(h, "_Z3SubR8VariableRKS_S2_");

    Variable t = Str("was a string");
    add(t, Num(1.25), Num(2.0));
    ASSERT_EQ(t.type, VT_DOUBLE) << "the target takes the operands' type";
    EXPECT_EQ(*t.data.d, 3.25);
    sub(t, Byte(3), Byte(5));
    EXPECT_EQ(t.type, VT_BYTE);
    EXPECT_EQ(t.data.b, 254);

    Variable q = Num(9.0);
    div(q, Int(5), Int(0));
    EXPECT_EQ(h.Errors(), std::vector<int>{10});
    EXPECT_EQ(q.type, VT_EMPTY) << "no stale double left behind";
    div(q, Num(1.0), Num(0.0));
    EXPECT_EQ(h.Errors(), std::vector<int>{10});
    rest(q, Int(7), Int(0));
    EXPECT_EQ(h.Errors(), std::vector<int>{10});
    rest(q, Int(-7), Int(2));
    EXPECT_EQ(q.data.i, -1);

    Variable x;
    xr(x, Int(6), Int(3));
    EXPECT_EQ(x.type, VT_INT);
    EXPECT_EQ(x.data.i, 5);
    add(x, Int(1), Flt(1.5f));  // mixed: the host's
    EXPECT_EQ(x.type, VT_FLOAT);
    EXPECT_EQ(x.data.f, 2.5f);
}

}  // namespace
