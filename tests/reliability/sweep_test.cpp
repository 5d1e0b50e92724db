// A sweep of bad input over every row of the method table: each argument
// position given each kind of wrong value (and references to them), too few
// and too many arguments, on a closed, an open-unbound and an open-bound
// context; then each handler called directly with every kind of self. Every
// call must return with its errors reported, and the process stay sound.
#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

using Make = std::function<Variable(Harness&)>;

// Every kind of value, and a reference to each.
std::vector<Make> Kinds() {
    std::vector<Make> kinds = {
        [](Harness&) { return Variable(); },
        [](Harness&) { return Bool(true); },
        [](Harness&) { return Int(-7); },
        [](Harness&) { return Int(2147483647); },
        [](Harness&) { return Num(NAN); },
        [](Harness&) { return Num(-INFINITY); },
        [](Harness&) { return Str("text"); },
        [](Harness&) { return Vec({}); },
        [](Harness&) { return Vec({Int(0), Int(0), Int(0), Int(1), Int(0), Int(0), Int(0), Int(1), Int(0)}); },
        [](Harness& h) { return Vec({Vec({Int(1)}), Str("x"), Variable(), h.New("POINT3")}); },
        [](Harness& h) { return h.New("POINT3", {Int(1), Int(2), Int(3)}); },
        [](Harness& h) { return h.New("ColorRef", {Int(1), Int(2), Int(3)}); },
        [](Harness& h) { return h.New("Matrix", {Int(4), Int(4)}); },
        [](Harness& h) { return h.New("MBmp", {Int(3), Int(2)}); },
        [](Harness& h) { return h.New("MDC", {Int(16), Int(16)}); },
    };
    for (const char* cls : {"OglColor", "OglMaterial", "VOpenGL"}) {
        kinds.push_back([cls](Harness& h) { return h.New(cls); });
        kinds.push_back([cls](Harness& h) { Variable o = h.New(cls); return DropNative(o); });
    }
    for (size_t i = 0, plain = kinds.size(); i < plain; i++)
        kinds.push_back([make = kinds[i]](Harness& h) { return vesk::MakeReference(make(h)); });
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
    if (c == "MDC" || c == "MBmp" || c == "Matrix") return h.New(c.c_str(), {Int(4), Int(4)});
    if (c == "POINT3" || c == "ColorRef") return h.New(c.c_str(), {Int(1), Int(2), Int(3)});
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

// Errors reported while calling a row through the dispatcher.
long Invoke(Harness& h, const vesk::MethodRow& row, Variable& self, std::vector<Variable> args) {
    Variable result;
    if (row.method == row.owner->name)
        vesk::Construct(&h.processor, row.owner->name.c_str(), args.data(), static_cast<int>(args.size()), result);
    else
        vesk::CallMethod(&h.processor, self, row.method.c_str(), args.data(), static_cast<int>(args.size()), result);
    return static_cast<long>(h.TakeErrors().size());
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
    std::vector<Make> kinds = Kinds();
    long errors = 0;
    for (VClass* c : h.module->classes)
        for (auto& row : c->rows) {
            if (row->method[0] == '~') continue;  // destructors are not called by name
            for (Variable& self : Selves(h, c->name)) {
                std::vector<Variable> good;
                for (const auto& a : row->args) good.push_back(Good(h, a, c->name));
                errors += Invoke(h, *row, self, good);
                for (size_t pos = 0; pos < good.size(); pos++)
                    for (const Make& make : kinds) {
                        std::vector<Variable> args = good;
                        args[pos] = make(h);
                        errors += Invoke(h, *row, self, args);
                    }
                std::vector<Variable> more = good;
                more.push_back(Int(1));
                more.push_back(Str("extra"));
                errors += Invoke(h, *row, self, more);
                if (!good.empty()) {
                    good.pop_back();
                    errors += Invoke(h, *row, self, good);
                }
            }
        }
    EXPECT_GT(errors, 0);
    ExpectSound(h);
}

TEST(Sweep, EveryHandlerTakesEveryKindOfSelf) {
    Harness h;
    for (VClass* c : h.module->classes)
        for (auto& r : c->rows) {
            std::vector<Variable> args;
            for (const auto& a : r->args) args.push_back(Good(h, a, c->name));
            for (const Make& make : Kinds()) {
                Variable self = make(h);
                std::vector<VarRegister> regs(args.size() + 1);
                for (size_t i = 0; i < args.size(); i++) {
                    regs[i].isRef = 1;
                    regs[i].ref = &args[i];
                }
                regs.back().isRef = 1;
                regs.back().ref = &self;
                VarRegister result;
                h.CallRow(r->signature.c_str(), &result, regs.data(), static_cast<int>(regs.size()));
            }
        }
    ExpectSound(h);
}

// A self that is not an object: constructors report nothing (they join
// nothing), destructors 40, the rows that find their object by the direct
// lookup 43 alone, every other row 40 and 43; none writes a result.
TEST(Sweep, EveryRowLooksUpItsSelfByItsRule) {
    const std::set<std::string> direct = {
        "VOpenGL::SetViewerPos", "VOpenGL::Rotate", "VOpenGL::Translate", "VOpenGL::GetViewerPos",
        "VOpenGL::GetMatrix", "VOpenGL::SetColor", "VOpenGL::SplineCurve2D", "VOpenGL::SplineCurve3D",
        "VOpenGL::SplineSurface", "OglMaterial::SetColor", "OglMaterial::SetDiffuse", "OglMaterial::SetSpecular",
        "OglMaterial::SetAmbient", "OglMaterial::SetEmission", "OglMaterial::GetDiffuse", "OglMaterial::GetSpecular",
        "OglMaterial::GetAmbient", "OglMaterial::GetEmission"};
    Harness h;
    for (VClass* c : h.module->classes)
        for (auto& r : c->rows) {
            std::vector<Variable> args;
            for (const auto& a : r->args) args.push_back(Good(h, a, c->name));
            args.push_back(Int(5));
            Variable result = Int(42);
            std::vector<int> want = r->method == c->name ? std::vector<int>{}
                                    : r->method[0] == '~'  ? std::vector<int>{40}
                                    : direct.count(c->name + "::" + r->method) ? std::vector<int>{43}
                                                                                : std::vector<int>{40, 43};
            EXPECT_EQ(h.CallRow(r->signature.c_str(), args, &result), want) << r->signature;
            EXPECT_EQ(vesk::Format(result), "42") << r->signature;
        }
}

}  // namespace
