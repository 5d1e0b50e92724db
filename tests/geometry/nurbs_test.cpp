// NURBS curves and surfaces: the GLU calls and their arrays, the control net
// built from the last script row first, normals as their own map, the size
// rules, the display modes, GLU's errors as module error 6, and surfaces cut
// as finely under selection as on screen.
#include <cmath>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

class Nurbs : public Scene {
protected:
    Variable xs = Flat({0, 100, 200, 300}), zs = Flat({10, 20, 30, 40, 50});
    Variable sKnots = Flat({0, 0, 0, 0, 1, 1, 1, 1}), tKnots = Flat({0, 0, 0, 0, 0.5, 1, 1, 1, 1});

    // Heights of 5 rows; row i holds 10 i + k at column k (3 numbers in row `shortRow`).
    static Variable Heights(int shortRow = -1) {
        Variable rows;
        rows.Init(VT_VECTOR, 5);
        for (int i = 0; i < 5; i++)
            rows[i] = i == shortRow ? Flat({0, 1, 2}) : Flat({10.0 * i, 10.0 * i + 1, 10.0 * i + 2, 10.0 * i + 3});
        return rows;
    }
    static Variable Normals(int n) {
        Variable v;
        v.Init(VT_VECTOR, n);
        for (int i = 0; i < n; i++) v[i] = Flat({0, 1, double(i)});
        return v;
    }
};

TEST_F(Nurbs, CurvesAreCubicWithTheirKnotsAndControlPointsInOrder) {
    EXPECT_TRUE(Traced("SplineCurve2D", {xs, Flat({0, 200, 200, 0}), sKnots}).empty());
    ExpectOnceInOrder({"gluNewNurbsRenderer", "gluNurbsCallback", "gluBeginCurve", "gluNurbsCurve", "gluEndCurve",
                       "gluDeleteNurbsRenderer"});
    gltrace::Call curve = gltrace::Named("gluNurbsCurve").at(0);
    EXPECT_EQ(Values(curve.args.begin() + 1, curve.args.end()), (Values{8, 3, 4, GL_MAP1_VERTEX_3}));
    EXPECT_EQ(curve.arrays, (Calls{{0, 0, 0, 0, 1, 1, 1, 1}, {0, 0, 0, 100, 200, 0, 200, 200, 0, 300, 0, 0}}));

    EXPECT_TRUE(Traced("SplineCurve3D", {Flat({1, 2, 3, 4, 5}), Flat({6, 7, 8, 9, 10}), Flat({-1, -2, -3, -4, -5}),
                                         tKnots}).empty());
    curve = gltrace::Named("gluNurbsCurve").at(0);
    EXPECT_EQ(curve.args[1], 9);
    ASSERT_EQ(curve.arrays.at(1).size(), 15u);
    EXPECT_EQ(Values(curve.arrays[1].begin() + 12, curve.arrays[1].end()), (Values{5, 10, -5}));

    Variable four = Flat({1, 2, 3, 4});
    EXPECT_EQ(Traced("SplineCurve3D", {four, four, four, Flat({0, 0, 0, 0, 1, 1, 1})}), std::vector<int>{8});
    EXPECT_EQ(Traced("SplineCurve3D", {four, four, Flat({1, 2, 3}), sKnots}), std::vector<int>{8});
    EXPECT_EQ(Traced("SplineCurve2D", {four, Flat({1, 2, 3, 4, 5}), sKnots}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

TEST_F(Nurbs, TheSurfaceNetStartsWithTheLastScriptRowAndNormalsAreAMapOfTheirOwn) {
    EXPECT_TRUE(Traced("SplineSurface", {xs, zs, Heights(), sKnots, tKnots}).empty());
    gltrace::Call s = gltrace::Named("gluNurbsSurface").at(0);
    EXPECT_EQ(Values(s.args.begin() + 1, s.args.end()), (Values{8, 9, 3, 12, 4, 4, GL_MAP2_VERTEX_3}));
    ASSERT_EQ(s.arrays.size(), 3u);
    EXPECT_EQ(s.arrays[1], (Values{0, 0, 0, 0, 0.5, 1, 1, 1, 1}));
    const Values& net = s.arrays[2];
    ASSERT_EQ(net.size(), 60u);
    EXPECT_EQ(Values(net.begin(), net.begin() + 6), (Values{0, 40, 50, 100, 41, 50})) << "script row 4 first";
    EXPECT_EQ(Values(net.begin() + 12, net.begin() + 15), (Values{0, 30, 40}));
    EXPECT_EQ(Values(net.end() - 3, net.end()), (Values{300, 3, 10}));
    EXPECT_LT(gltrace::Find("glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}), gltrace::Find("gluBeginSurface"));
    EXPECT_LT(gltrace::Find("glEnable", {GL_AUTO_NORMAL}), gltrace::Find("gluBeginSurface"));
    EXPECT_EQ(Args("gluNurbsProperty")[0][2], GLU_FILL);
    EXPECT_EQ(gltrace::Count("gluDeleteNurbsRenderer"), 1);

    // With 20 normals: a normal map first, the normals in script order, no automatic ones.
    EXPECT_TRUE(Traced("SplineSurface", {xs, zs, Heights(), Normals(20), sKnots, tKnots}).empty());
    std::vector<gltrace::Call> maps = gltrace::Named("gluNurbsSurface");
    ASSERT_EQ(maps.size(), 2u);
    EXPECT_EQ(maps[0].args.back(), GL_MAP2_NORMAL);
    EXPECT_EQ(maps[1].args.back(), GL_MAP2_VERTEX_3);
    EXPECT_EQ(Values(maps[0].arrays.at(2).begin(), maps[0].arrays[2].begin() + 6), (Values{0, 1, 0, 0, 1, 1}));
    EXPECT_LT(gltrace::Find("glDisable", {GL_AUTO_NORMAL}), gltrace::Find("gluBeginSurface"));
    EXPECT_EQ(gltrace::Find("glEnable", {GL_AUTO_NORMAL}), gltrace::npos);

    // Wired: outlines, patch or polygon style, and the normals are not passed.
    native->switches.wired = 1;
    native->switches.outlinePatch = 0;
    Traced("SplineSurface", {xs, zs, Heights(), Normals(20), sKnots, tKnots});
    ASSERT_EQ(Args("gluNurbsSurface").size(), 1u);
    EXPECT_EQ(Args("gluNurbsSurface")[0].back(), GL_MAP2_VERTEX_3);
    EXPECT_EQ(Args("glPolygonMode")[0], (Values{GL_FRONT_AND_BACK, GL_LINE}));
    EXPECT_EQ(Args("gluNurbsProperty")[0][2], GLU_OUTLINE_POLYGON);
    EXPECT_EQ(gltrace::Find("glEnable", {GL_AUTO_NORMAL}) & gltrace::Find("glDisable", {GL_AUTO_NORMAL}), gltrace::npos)
        << "GL_AUTO_NORMAL untouched";
    native->switches.outlinePatch = 1;
    Traced("SplineSurface", {xs, zs, Heights(), sKnots, tKnots});
    EXPECT_EQ(Args("gluNurbsProperty")[0][2], GLU_OUTLINE_PATCH);
}

TEST_F(Nurbs, SurfaceSizeRulesAreCheckedBeforeAnythingIsBuilt) {
    Variable notAVector = Heights();
    notAVector[3] = Int(5);
    const std::pair<std::vector<Variable>, std::vector<int>> cases[] = {
        {{xs, zs, Heights(2), sKnots, tKnots}, {8}},  // a row of 3 numbers
        {{xs, zs, notAVector, sKnots, tKnots}, {8}},
        {{xs, Flat({1, 2, 3, 4}), Heights(), sKnots, sKnots}, {8}},  // 4 rows
        {{xs, zs, Heights(), sKnots, sKnots}, {8}},                  // 8 t-knots
        {{xs, zs, Heights(), Normals(19), sKnots, tKnots}, {8}},
        {{xs, zs, Heights(), Normals(21), sKnots, tKnots}, {8}},
        {{xs, zs, Heights(), Vec({Str("n")}), sKnots, tKnots}, {9, 9, 9}},
    };
    for (const auto& [args, errors] : cases) {
        EXPECT_EQ(Traced("SplineSurface", args), errors) << &args - &cases[0].first;
        EXPECT_EQ(gltrace::Calls().size(), 0u);
    }
}

TEST_F(Nurbs, GluErrorsComeBackAsModuleErrorSixBadNumbersAndUnboundContextsDoNoHarm) {
    Variable decreasing = Flat({1, 1, 1, 1, 0, 0, 0, 0});
    h.Call(gl, "SplineCurve2D", {xs, xs, decreasing});
    std::vector<vesk::ErrorEntry> errors = h.TakeErrors();
    ASSERT_FALSE(errors.empty());
    for (const vesk::ErrorEntry& e : errors) {
        EXPECT_EQ(e.number, 1006);
        EXPECT_EQ(e.message.rfind("OpenGL NURBS error: ", 0), 0u) << e.message;
    }
    vesk::SetErrorBase(h.module, 0xFFFF);
    EXPECT_TRUE(Traced("SplineCurve2D", {xs, xs, decreasing}).empty()) << "no error base, no module error";
    EXPECT_GT(gltrace::Count("gluErrorString"), 0) << "the callback still ran";
    vesk::SetErrorBase(h.module, 1000);

    // A number that is not finite as a float never reaches GLU (a NaN knot
    // had it read past its arrays): error 1006 names the first, nothing is
    // drawn.
    Variable holed = Heights(), tilted = Normals(20);
    holed[1][2] = Num(NAN);
    tilted[7][2] = Num(-INFINITY);
    const std::pair<std::vector<Variable>, const char*> bad[] = {
        {{xs, xs, Flat({NAN, NAN, NAN, NAN, 1, 1, 1, 1})}, "knots[0]"},
        {{xs, Flat({0, 1, 1e39, 3}), sKnots}, "ys[2]"},
        {{xs, xs, Flat({0, 0, 0, -INFINITY}), sKnots}, "zs[3]"},
        {{xs, zs, Heights(), sKnots, Flat({0, 0, 0, 0, NAN, 1, 1, 1, 1})}, "tKnots[4]"},
        {{xs, zs, holed, sKnots, tKnots}, "heights[1][2]"},
        {{xs, zs, Heights(), tilted, sKnots, tKnots}, "normals[7][2]"},
    };
    for (const auto& [args, what] : bad) {
        const char* method = args.size() == 3 ? "SplineCurve2D" : args.size() == 4 ? "SplineCurve3D" : "SplineSurface";
        gltrace::Scope trace;
        h.Call(gl, method, args);
        std::vector<vesk::ErrorEntry> got = h.TakeErrors();
        ASSERT_EQ(got.size(), 1u) << what;
        EXPECT_EQ(got[0].number, 1006);
        EXPECT_EQ(got[0].text, std::string(what) + " is not a finite number");
        EXPECT_EQ(gltrace::Calls().size(), 0u) << what;
    }
    // Unbound, sizes are still checked and nothing is drawn.
    Call("FreeMDC", {});
    EXPECT_TRUE(Traced("SplineSurface", {xs, zs, Heights(), sKnots, tKnots}).empty());
    EXPECT_EQ(Traced("SplineCurve2D", {xs, zs, sKnots}), std::vector<int>{8});
    EXPECT_TRUE(Traced("SplineCurve2D", {xs, xs, sKnots}).empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

// Under selection a surface is cut as finely as it is on screen, not as
// finely as the pick matrix magnifies it.
TEST_F(Nurbs, SelectingASurfaceCutsItAsOnScreen) {
    auto pieces = [] {
        long n = 0;
        for (const gltrace::Call& c : gltrace::Calls())
            if (c.name.rfind("glVertex", 0) == 0 || c.name.rfind("glEval", 0) == 0) n++;
        return n;
    };
    Variable hills = Vec({Flat({0, 60, 0, 60}), Flat({60, 0, 60, 0}), Flat({0, 60, 0, 60}), Flat({60, 0, 60, 0}),
                          Flat({0, 60, 0, 60})});
    Call("SetViewPort", {Int(0), Int(0), Int(640), Int(480)});
    Call("SetPerspective", {Int(45), Num(640.0 / 480), Int(1), Int(2000)});
    Call("SetViewerPos", {Int(150), Int(200), Int(500), Int(150), Int(30), Int(30), Int(0), Int(1), Int(0)});
    EXPECT_TRUE(Traced("SplineSurface", {xs, zs, hills, sKnots, tKnots}).empty());
    long onScreen = pieces();
    ASSERT_GT(onScreen, 0);
    Call("BeginSelection", {Int(320), Int(240), Int(5), Int(5)});
    EXPECT_TRUE(Traced("SplineSurface", {xs, zs, hills, sKnots, tKnots}).empty());
    long picking = pieces();
    Call("EndSelection", {});
    EXPECT_LE(picking, 2 * onScreen) << "cut into " << picking << " pieces against " << onScreen;
}

}  // namespace
}  // namespace geotest
