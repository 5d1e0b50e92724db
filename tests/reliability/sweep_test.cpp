// A sweep of bad input over every row of the method table: each argument
// position given each kind of wrong value (and references to them), too few
// and too many arguments, on a closed, an open-unbound and an open-bound
// context; then each handler called directly with every kind of self. Every
// call must return with its errors reported, and the process stay sound.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

struct Kind {
    std::string name;
    std::function<Variable(Harness&)> make;
};

Variable WithoutNative(Harness& h, const char* cls) {
    Variable o = h.New(cls);
    if (VeskAss* a = o.GetVObject() ? o.GetVObject()->GetAss() : nullptr) {
        a->BreakJoint();
        delete a;
    }
    return o;
}

std::vector<Kind> Kinds() {
    std::vector<Kind> kinds = {
        {"null", [](Harness&) { return Variable(); }},
        {"boolean", [](Harness&) { return Bool(true); }},
        {"integer", [](Harness&) { return Int(-7); }},
        {"huge integer", [](Harness&) { return Int(2147483647); }},
        {"double", [](Harness&) { return Num(2.5); }},
        {"nan", [](Harness&) { return Num(NAN); }},
        {"infinity", [](Harness&) { return Num(-INFINITY); }},
        {"string", [](Harness&) { return Str("text"); }},
        {"empty vector", [](Harness&) { Variable v; v.Init(VT_VECTOR, 0); return v; }},
        {"flat vector", [](Harness&) { return Vec({Int(0), Int(0), Int(0), Int(1), Int(0), Int(0), Int(0), Int(1), Int(0)}); }},
        {"ragged vector", [](Harness& h) { return Vec({Vec({Int(1)}), Str("x"), Variable(), h.New("POINT3")}); }},
        {"POINT3", [](Harness& h) { return h.New("POINT3", {Int(1), Int(2), Int(3)}); }},
        {"ColorRef", [](Harness& h) { return h.New("ColorRef", {Int(1), Int(2), Int(3)}); }},
        {"Matrix", [](Harness& h) { return h.New("Matrix", {Int(4), Int(4)}); }},
        {"MBmp", [](Harness& h) { return h.New("MBmp", {Int(3), Int(2)}); }},
        {"MDC", [](Harness& h) { return h.New("MDC", {Int(16), Int(16)}); }},
        {"OglColor", [](Harness& h) { return h.New("OglColor"); }},
        {"OglMaterial", [](Harness& h) { return h.New("OglMaterial"); }},
        {"VOpenGL", [](Harness& h) { return h.New("VOpenGL"); }},
        {"OglColor without native", [](Harness& h) { return WithoutNative(h, "OglColor"); }},
        {"OglMaterial without native", [](Harness& h) { return WithoutNative(h, "OglMaterial"); }},
        {"VOpenGL without native", [](Harness& h) { return WithoutNative(h, "VOpenGL"); }},
    };
    size_t plain = kinds.size();
    for (size_t i = 0; i < plain; i++) {
        auto make = kinds[i].make;
        kinds.push_back({"reference to " + kinds[i].name,
                         [make](Harness& h) { return vesk::MakeReference(make(h)); }});
    }
    return kinds;
}

// A value that fits an argument word.
Variable Good(Harness& h, const vesk::ArgSpec& a, const std::string& owner) {
    switch (a.kind) {
    case vesk::ArgKind::Number: return Num(1.5);
    case vesk::ArgKind::Int: return Int(2);
    case vesk::ArgKind::Boolean: return Bool(true);
    case vesk::ArgKind::Any: return Int(1);
    case vesk::ArgKind::Copy: return h.New(owner.c_str());
    case vesk::ArgKind::Object: break;
    }
    const std::string& c = a.className;
    if (c == "Vector") return Vec({Int(0), Int(0), Int(0), Int(1), Int(0), Int(0), Int(0), Int(1), Int(0)});
    if (c == "String") return Str("abcdefgh");
    if (c == "MDC") return h.New("MDC", {Int(16), Int(16)});
    if (c == "MBmp") return h.New("MBmp", {Int(3), Int(2)});
    if (c == "Matrix") return h.New("Matrix", {Int(4), Int(4)});
    if (c == "POINT3") return h.New("POINT3", {Int(1), Int(2), Int(3)});
    if (c == "ColorRef") return h.New("ColorRef", {Int(1), Int(2), Int(3)});
    return h.New(c.c_str());
}

// The selves a row is tried on: a VOpenGL closed, open-bound and open-unbound;
// a colour or material as made by its default constructor.
std::vector<Variable> Selves(Harness& h, const std::string& cls) {
    if (cls != "VOpenGL") return {h.New(cls.c_str())};
    Variable closed = h.New("VOpenGL"), bound = h.New("VOpenGL"), unbound = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(32), Int(32)});
    h.Call(bound, "Open", {dc});
    h.Call(unbound, "Open", {dc});
    h.Call(unbound, "FreeMDC");
    return {closed, unbound, bound};
}

struct Tally {
    long calls = 0, errors = 0;
    void Take(Harness& h) {
        calls++;
        errors += static_cast<long>(h.TakeErrors().size());
    }
};

void Invoke(Harness& h, const vesk::MethodRow& row, Variable& self, std::vector<Variable> args, Tally& t) {
    Variable result;
    if (row.method == row.owner->name) {
        vesk::Construct(&h.processor, row.owner->name.c_str(), args.data(), static_cast<int>(args.size()), result);
    } else {
        vesk::CallMethod(&h.processor, self, row.method.c_str(), args.data(), static_cast<int>(args.size()), result);
    }
    t.Take(h);
}

// Leaves the process sound: a fresh context still opens, clears and reads back.
void ExpectSound(Harness& h) {
    Variable dc = h.New("MDC", {Int(8), Int(8)});
    Variable gl = h.New("VOpenGL");
    h.Call(gl, "Open", {dc});
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[3] = {0, 0, 0};
    glReadPixels(4, 4, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[1], 255);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Sweep, EveryRowTakesEveryWrongKindInEveryPosition) {
    Harness h;
    std::vector<Kind> kinds = Kinds();
    Tally t;
    int rows = 0;
    for (int i = 0; h.module->methods[i].handler; i++) {
        const vesk::MethodRow* row = nullptr;
        for (VClass* c : h.module->classes)
            for (auto& r : c->rows)
                if (r->number == i + 1) row = r.get();
        ASSERT_NE(row, nullptr);
        rows++;
        if (row->method[0] == '~') continue;  // destructors are not called by name
        for (Variable& self : Selves(h, row->owner->name)) {
            std::vector<Variable> good;
            for (const auto& a : row->args) good.push_back(Good(h, a, row->owner->name));
            Invoke(h, *row, self, good, t);
            for (size_t pos = 0; pos < good.size(); pos++)
                for (const Kind& k : kinds) {
                    std::vector<Variable> args = good;
                    args[pos] = k.make(h);
                    Invoke(h, *row, self, args, t);
                }
            std::vector<Variable> more = good;
            more.push_back(Int(1));
            more.push_back(Str("extra"));
            Invoke(h, *row, self, more, t);
            if (!good.empty()) {
                good.pop_back();
                Invoke(h, *row, self, good, t);
            }
        }
        h.TakeErrors();
    }
    std::printf("sweep through the dispatcher: %d rows, %ld calls, %ld errors\n", rows, t.calls, t.errors);
    EXPECT_GT(t.errors, 0);
    ExpectSound(h);
}

TEST(Sweep, EveryHandlerTakesEveryKindOfSelf) {
    Harness h;
    std::vector<Kind> kinds = Kinds();
    Tally t;
    for (VClass* c : h.module->classes)
        for (auto& r : c->rows) {
            std::vector<Variable> args;
            for (const auto& a : r->args) args.push_back(Good(h, a, c->name));
            for (const Kind& k : kinds) {
                Variable self = k.make(h);
                std::vector<VarRegister> regs(args.size() + 1);
                for (size_t i = 0; i < args.size(); i++) {
                    regs[i].isRef = 1;
                    regs[i].ref = &args[i];
                }
                regs.back().isRef = 1;
                regs.back().ref = &self;
                VarRegister result;
                h.CallRow(r->signature.c_str(), &result, regs.data(), static_cast<int>(regs.size()));
                t.calls++;
            }
        }
    std::printf("sweep of selves: %ld direct calls\n", t.calls);
    ExpectSound(h);
}

}  // namespace
