// The module as the host first sees it: the version text, the method and
// error tables against the pages that document them (docs/signatures.md,
// generated from the table and checked by docs_signatures, and the error
// table of docs/module.md), the owner query, the handler rules no single row
// shows, and the exported arithmetic (exports_check.sh checks that nothing
// else is exported).
#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <thread>
#include <tuple>

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

// The table rows of a documentation page that match `row`, as their groups.
std::vector<std::vector<std::string>> PageRows(const char* page, const char* row) {
    std::ifstream in(std::string(VESK_SOURCE_DIR "/docs/") + page);
    std::vector<std::vector<std::string>> rows;
    std::regex pattern(row);
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_match(line, m, pattern)) rows.emplace_back(m.begin(), m.end());
    return rows;
}

TEST(ModuleFrame, VersionTextIsCopiedWithStrncpyRules) {
    Harness h;
    EXPECT_EQ(h.module->version, kVersion);
    auto version = Export<ModuleVersionFn>(h, "ModuleVersion");
    const size_t n = sizeof kVersion - 1;  // 45
    // The text up to the length, unterminated when it fills it, zero padding
    // after a shorter text, and nothing written past the length.
    for (unsigned length : {0u, 10u, 45u, 60u}) {
        char buf[80];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(version(buf, length), buf);
        std::string want = std::string(kVersion, std::min<size_t>(length, n)) +
                           std::string(length > n ? length - n : 0, '\0') + "x";
        EXPECT_EQ(std::string(buf, length + 1), want) << length;
    }
}

TEST(ModuleFrame, ErrorTableIsTheDocumentedOneWithAnEnd) {
    Harness h;
    const ErrorRecord* e = h.module->errors;
    auto rows = PageRows("module.md", R"(\| 100\d \| (\d) \| `(OGL_\w+)` \| ([^|]+) \|.*)");
    ASSERT_EQ(rows.size(), 7u);
    // The rows are packed, and the comparisons take their operands by
    // reference: each row's fields are copied out first.
    auto row = [&](int i) {
        return std::make_tuple(int{e[i].code}, std::string(e[i].identifier ? e[i].identifier : "(null)"),
                               std::string(e[i].message ? e[i].message : "(null)"));
    };
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(row(i), std::make_tuple(std::stoi(rows[i][1]), rows[i][2], rows[i][3]));
    EXPECT_EQ(row(7), std::make_tuple(0, std::string("(null)"), std::string("(null)")));
}

// Every row in order, and the rows the page numbers with one handler share
// one; all others have their own.
TEST(ModuleFrame, MethodTableIsTheDocumentedOneWithItsSharedHandlers) {
    Harness h;
    auto rows = PageRows("signatures.md", R"(\| (\d+) \| (\d+) \| `((VOpenGL|OglColor|OglMaterial)::.*)` \|)");
    ASSERT_EQ(rows.size(), 161u);
    auto methods = Export<ModuleMethodsFn>(h, "ModuleMethods");
    const MethodRecord* table = methods(0);
    EXPECT_EQ(table, methods(12345)) << "every call gives the same table";
    int n = 0;
    while (table[n].handler || table[n].signature) n++;
    ASSERT_EQ(n, 161);
    std::map<VeskHandler, int> numberOf;
    for (int i = 0; i < n; i++) {
        EXPECT_EQ(std::stoi(rows[i][1]), i + 1);
        EXPECT_EQ(table[i].signature, rows[i][3]) << "row " << i + 1;
        int handler = numberOf.emplace(table[i].handler, static_cast<int>(numberOf.size()) + 1).first->second;
        EXPECT_EQ(handler, std::stoi(rows[i][2])) << table[i].signature;
    }
    EXPECT_EQ(numberOf.size(), 138u);
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

// Rules no single row shows: a reference value as self reaches its object;
// a number result stops referring instead of writing through; the
// destructor of an object without a native part does nothing.
TEST(HandlerRules, ReferencesResultsAndDestructors) {
    Harness h;
    Variable c = h.New("OglColor", {Num(0.25), Num(0.5), Num(0.75), Num(1)});
    Variable cell = vesk::MakeReference(c);
    ASSERT_EQ(cell.type, VT_NATIVEREF);
    VarRegister result, viaCell, self;
    viaCell.value = cell;
    EXPECT_TRUE(h.CallRow("OglColor::GetRed(void)", &result, &viaCell, 1).empty());
    EXPECT_EQ(result.value.type, VT_FLOAT);
    EXPECT_EQ(result.value.data.f, 0.25f);

    Variable target = Int(7);
    result.isRef = 1;
    result.ref = &target;
    self.isRef = 1;
    self.ref = &c;
    EXPECT_TRUE(h.CallRow("OglColor::GetBlue(void)", &result, &self, 1).empty());
    EXPECT_EQ(vesk::Format(target), "7") << "the referenced value is left alone";
    EXPECT_EQ(result.isRef, 0);
    EXPECT_EQ(result.value.data.f, 0.75f);

    DropNative(c);
    EXPECT_TRUE(h.CallRow("OglColor::~OglColor(void)", &result, &self, 1).empty());
}

// ---- exported arithmetic ---------------------------------------------------------
// Same-type numbers are the module's own (integers wrap, bytes stay unsigned
// bytes, no trap on INT_MIN / -1); mixed types, float remainders and zero
// divisors go to the host, which reports error 10.

Variable Byte(int b) {
    Variable v;
    v.type = VT_BYTE;
    v.data.i = b;
    return v;
}

std::string Typed(const Variable& v) { return vesk::KindName(v) + " " + vesk::Format(v); }

struct Case {
    const char* symbol;
    Variable a, b;
    const char* want;
    std::vector<int> errors = {};
};

TEST(Arithmetic, TopTypeAndReturningOperators) {
    Harness h;
    auto top = Export<unsigned short (*)(unsigned short, unsigned short)>(h, "_Z7TopTypett");
    EXPECT_EQ(top(8, 16), 16);
    EXPECT_EQ(top(4, 4), 4);
    EXPECT_EQ(top(32, 8), 32);
    EXPECT_EQ(top(1, 8), 0xFFFF);
    EXPECT_EQ(top(8, 64), 0xFFFF);

    const Case cases[] = {
        {"_ZplRK8VariableS1_", Byte(200), Byte(100), "byte 44"},
        {"_ZplRK8VariableS1_", Int(INT_MAX), Int(1), "integer -2147483648"},
        {"_ZdvRK8VariableS1_", Int(7), Int(-2), "integer -3"},
        {"_ZrmRK8VariableS1_", Int(-7), Int(2), "integer -1"},
        {"_ZdvRK8VariableS1_", Int(INT_MIN), Int(-1), "integer -2147483648"},
        {"_ZdvRK8VariableS1_", Byte(250), Byte(7), "byte 35"},
        {"_ZorRK8VariableS1_", Byte(0x0F), Byte(0xF0), "byte 255"},
        {"_ZmlRK8VariableS1_", Flt(1.5f), Flt(3.0f), "float 4.5"},
        {"_ZdvRK8VariableS1_", Num(1.0), Num(4.0), "double 0.25"},
        {"_ZplRK8VariableS1_", Int(2), Flt(0.5f), "float 2.5"},
        {"_ZrmRK8VariableS1_", Flt(7.5f), Flt(2.0f), "float 1.5"},
        {"_ZdvRK8VariableS1_", Int(1), Int(0), "null null", {10}},
    };
    auto add = Export<Variable (*)(const Variable&, const Variable&)>(h, "_ZplRK8VariableS1_");
    EXPECT_EQ(add(Byte(200), Byte(100)).data.i, 44) << "the whole data word: upper bits zero";
    for (const Case& c : cases) {
        auto op = Export<Variable (*)(const Variable&, const Variable&)>(h, c.symbol);
        EXPECT_EQ(Typed(op(c.a, c.b)), c.want) << c.symbol << " " << Typed(c.a) << ", " << Typed(c.b);
        EXPECT_EQ(h.Errors(), c.errors) << c.symbol;
    }
}

// The in-place forms give the target the operands' type, whatever it held;
// a zero divisor leaves it null (no stale double behind).
TEST(Arithmetic, InPlaceFormsRetypeTheTarget) {
    Harness h;
    const Case cases[] = {
        {"_Z3AddR8VariableRKS_S2_", Num(1.25), Num(2.0), "double 3.25"},
        {"_Z3DivR8VariableRKS_S2_", Int(5), Int(0), "null null", {10}},
        {"_Z3SubR8VariableRKS_S2_", Byte(3), Byte(5), "byte 254"},
        {"_Z3DivR8VariableRKS_S2_", Num(1.0), Num(0.0), "null null", {10}},
        {"_Z4RestR8VariableRKS_S2_", Int(7), Int(0), "null null", {10}},
        {"_Z4RestR8VariableRKS_S2_", Int(-7), Int(2), "integer -1"},
        {"_Z3XorR8VariableRKS_S2_", Int(6), Int(3), "integer 5"},
        {"_Z3AddR8VariableRKS_S2_", Int(1), Flt(1.5f), "float 2.5"},
    };
    Variable target = Str("was a string");
    for (const Case& c : cases) {
        auto op = Export<void (*)(Variable&, const Variable&, const Variable&)>(h, c.symbol);
        op(target, c.a, c.b);
        EXPECT_EQ(Typed(target), c.want) << c.symbol << " " << Typed(c.a) << ", " << Typed(c.b);
        EXPECT_EQ(h.Errors(), c.errors) << c.symbol;
    }
    auto sub = Export<void (*)(Variable&, const Variable&, const Variable&)>(h, "_Z3SubR8VariableRKS_S2_");
    target = Int(-1);
    sub(target, Byte(3), Byte(5));
    EXPECT_EQ(target.data.i, 254) << "the whole data word: no bits of the old integer";
}

}  // namespace
