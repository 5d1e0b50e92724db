// The solids: the quadric calls and their sequence, the frame the sphere and
// the corner box move and restore, the box's extents and faces, the torus's
// bands, and the wire-frame switch.
#include <algorithm>
#include <cmath>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

using Solids = Scene;

// The arguments of the one call of `name` after its quadric address.
Values After(std::string_view name) {
    std::vector<Values> calls = ArgsOf(name);
    EXPECT_EQ(calls.size(), 1u) << name << "\n" << gltrace::Dump();
    return calls.empty() ? Values{} : Values(calls[0].begin() + 1, calls[0].end());
}

std::array<double, 16> ModelView() {
    std::array<double, 16> m;
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

TEST_F(Solids, SpheresMoveToTheirCentreAndBack) {
    glTranslatef(3, 4, 5);
    std::array<double, 16> before = ModelView();
    EXPECT_TRUE(Traced("Sphere", {Num(0), Num(0), Num(0), Num(5)}).empty());
    EXPECT_EQ(After("gluSphere"), (Values{5, 10, 10}));
    EXPECT_EQ(ModelView(), before) << "the frame is restored";
    EXPECT_EQ(gltrace::Sequence({"glPolygonMode", "gluNewQuadric", "gluQuadricDrawStyle",
                                 "gluQuadricOrientation", "glMatrixMode", "glPushMatrix",
                                 "glTranslatef", "gluSphere", "glPopMatrix", "gluDeleteQuadric"}),
              (std::vector<std::string>{"glPolygonMode", "gluNewQuadric", "gluQuadricDrawStyle",
                                        "gluQuadricOrientation", "glMatrixMode", "glPushMatrix",
                                        "glTranslatef", "gluSphere", "glPopMatrix",
                                        "gluDeleteQuadric"}));
    EXPECT_EQ(After("gluQuadricDrawStyle"), (Values{GLU_FILL}));
    EXPECT_EQ(After("gluQuadricOrientation"), (Values{GLU_OUTSIDE}));
    EXPECT_EQ(ArgsOf("glMatrixMode"), std::vector<Values>{{GL_MODELVIEW}});

    Traced("Sphere", {Point3(h, 1, 2, 3), Num(5), Int(24)});
    EXPECT_EQ(ArgsOf("glTranslatef"), (std::vector<Values>{{1, 2, 3}}));
    EXPECT_EQ(After("gluSphere"), (Values{5, 24, 24}));
    Traced("Sphere", {Num(-1), Num(0.5), Num(2), Num(1.5), Int(7)});
    EXPECT_EQ(ArgsOf("glTranslatef"), (std::vector<Values>{{-1, 0.5, 2}}));
    EXPECT_EQ(After("gluSphere"), (Values{1.5, 7, 7}));
    Traced("Sphere", {Point3(h, 0, 0, 0), Num(2)});
    EXPECT_EQ(After("gluSphere"), (Values{2, 10, 10}));
    EXPECT_EQ(ModelView(), before);

    // A count that matches no form draws nothing.
    VarRegister result, args[2];
    args[0].value = Num(5);
    args[1].value = gl;
    gltrace::Scope trace;
    EXPECT_TRUE(h.CallRow("VOpenGL::Sphere(number, number, number, number)", &result, args, 2).empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

TEST_F(Solids, QuadricsTakeTheirArgumentsAsGluDoes) {
    Traced("Cylinder", {Num(1), Num(0), Num(2)});
    EXPECT_EQ(After("gluCylinder"), (Values{1, 0, 2, 10, 10})) << "a cone, default segments";
    Traced("Cylinder", {Num(1), Num(2), Num(3), Int(5), Int(6)});
    EXPECT_EQ(After("gluCylinder"), (Values{1, 2, 3, 5, 6}));
    Traced("Disk", {Num(0.5), Num(2), Int(6)});
    EXPECT_EQ(After("gluDisk"), (Values{0.5, 2, 6, 6}));
    Traced("PartialDisk", {Num(1), Num(2), Num(0), Num(90), Int(8)});
    EXPECT_EQ(After("gluPartialDisk"), (Values{1, 2, 8, 8, 0, 90}));
    EXPECT_EQ(gltrace::Count("glPushMatrix"), 0) << "only the sphere moves the frame";
    EXPECT_EQ(gltrace::Count("gluDeleteQuadric"), 1);

    // Huge segment counts are capped so that the call ends.
    Traced("Disk", {Num(0.5), Num(2), Int(2147483647)});
    EXPECT_EQ(After("gluDisk"), (Values{0.5, 2, 1024, 1024}));
    Traced("Cylinder", {Num(1), Num(1), Num(1), Int(3), Int(2147483647)});
    EXPECT_EQ(After("gluCylinder"), (Values{1, 1, 1, 3, 1024}));
    Traced("Torus", {Num(10), Int(3), Num(2), Int(2147483647)});
    EXPECT_EQ(gltrace::Count("glBegin"), 1024);
    EXPECT_EQ(gltrace::Count("glVertex3d"), 1024 * 8);
}

// The extents of the vertices a box call issues, after its translation.
struct Extent {
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
};

Extent BoxExtent() {
    Values shift{0, 0, 0};
    if (gltrace::Count("glTranslatef") == 1) shift = ArgsOf("glTranslatef")[0];
    Extent e;
    for (const Values& v : ArgsOf("glVertex3f"))
        for (int i = 0; i < 3; i++) {
            e.lo[i] = std::min(e.lo[i], v[i] + shift[i]);
            e.hi[i] = std::max(e.hi[i], v[i] + shift[i]);
        }
    return e;
}

TEST_F(Solids, BoxesTakeTheirSizesAlongXThenZThenY) {
    Traced("Box", {Num(2), Num(4), Num(6)});
    Extent e = BoxExtent();
    EXPECT_EQ((Values{e.lo[0], e.hi[0], e.lo[1], e.hi[1], e.lo[2], e.hi[2]}), (Values{-1, 1, -3, 3, -2, 2}));
    EXPECT_EQ(gltrace::Count("glBegin"), 1);
    EXPECT_EQ(gltrace::Count("glVertex3f"), 24);
    // Each face's corners run counter-clockwise seen from outside.
    std::vector<Values> v = ArgsOf("glVertex3f"), n = ArgsOf("glNormal3f");
    ASSERT_EQ(n.size(), 6u);
    for (int f = 0; f < 6; f++) {
        const Values &a = v[4 * f], &b = v[4 * f + 1], &c = v[4 * f + 2];
        double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
        double wx = c[0] - a[0], wy = c[1] - a[1], wz = c[2] - a[2];
        double cross[3] = {uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
        EXPECT_GT(cross[0] * n[f][0] + cross[1] * n[f][1] + cross[2] * n[f][2], 0) << "face " << f;
        for (int k = 0; k < 4; k++)
            for (int i = 0; i < 3; i++)
                if (n[f][i] != 0) {
                    EXPECT_GT(v[4 * f + k][i] * n[f][i], 0) << "face " << f;
                }
    }

    std::array<double, 16> before = ModelView();
    Traced("Box", {Num(0), Num(0), Num(0), Num(2), Num(4), Num(6)});
    e = BoxExtent();
    EXPECT_EQ((Values{e.lo[0], e.hi[0], e.lo[1], e.hi[1], e.lo[2], e.hi[2]}), (Values{0, 2, 0, 6, 0, 4}));
    EXPECT_EQ(gltrace::Sequence({"glPushMatrix", "glTranslatef", "glBegin", "glEnd", "glPopMatrix"}),
              (std::vector<std::string>{"glPushMatrix", "glTranslatef", "glBegin", "glEnd", "glPopMatrix"}));
    EXPECT_EQ(ModelView(), before);
}

TEST_F(Solids, TorusBandsCloseOnThemselves) {
    EXPECT_TRUE(Traced("Torus", {Num(10), Int(12), Num(2), Int(6)}).empty());
    EXPECT_EQ(ArgsOf("glBegin"), std::vector<Values>(6, Values{GL_QUAD_STRIP}));
    EXPECT_EQ(gltrace::Count("glVertex3d"), 6 * 26);
    EXPECT_EQ(gltrace::Count("glNormal3d"), 6 * 26);
    std::vector<Values> v = ArgsOf("glVertex3d"), n = ArgsOf("glNormal3d");
    const double tau = 2.0 * 3.141592653589793;
    // Band 0, j = 0: tube index 1 first, then tube index 0.
    for (int d = 1, k = 0; d >= 0; d--, k++) {
        double phi = (d + 0.5) * tau / 6;
        EXPECT_DOUBLE_EQ(v[k][0], 10 + 2 * std::cos(phi));
        EXPECT_DOUBLE_EQ(v[k][1], 0);
        EXPECT_DOUBLE_EQ(v[k][2], 2 * std::sin(phi));
        EXPECT_DOUBLE_EQ(n[k][2], std::sin(phi));
    }
    EXPECT_EQ(v[24], v[0]) << "the last pair repeats the first";
    EXPECT_EQ(v[25], v[1]);
    // The last band joins tube index 0 again.
    EXPECT_DOUBLE_EQ(v[5 * 26][2], 2 * std::sin(0.5 * tau / 6));
    double theta = 1 * tau / 12, phi = 1.5 * tau / 6;
    EXPECT_DOUBLE_EQ(v[2][1], (10 + 2 * std::cos(phi)) * std::sin(theta));
    EXPECT_DOUBLE_EQ(n[2][0], std::cos(theta) * std::cos(phi));

    for (auto args : {std::vector<Variable>{Num(10), Int(12), Num(2), Int(0)},
                      std::vector<Variable>{Num(10), Int(0), Num(2), Int(6)},
                      std::vector<Variable>{Num(10), Int(-3), Num(2), Int(-1)}}) {
        EXPECT_TRUE(Traced("Torus", args).empty());
        EXPECT_EQ(gltrace::Calls().size(), 0u);
    }
}

TEST_F(Solids, WiredSolidsAreOutlinesThroughThePolygonMode) {
    native->wired = 1;
    const std::vector<std::pair<const char*, std::vector<Variable>>> calls = {
        {"Sphere", {Num(0), Num(0), Num(0), Num(5)}},
        {"Cylinder", {Num(1), Num(1), Num(1)}},
        {"Disk", {Num(0), Num(1), Int(4)}},
        {"PartialDisk", {Num(0), Num(1), Num(0), Num(45), Int(4)}},
        {"Box", {Num(1), Num(1), Num(1)}},
        {"Torus", {Num(3), Int(4), Num(1), Int(4)}},
    };
    for (const auto& [method, args] : calls) {
        Traced(method, args);
        EXPECT_EQ(ArgsOf("glPolygonMode"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_LINE}})) << method;
        for (const Values& style : ArgsOf("gluQuadricDrawStyle")) EXPECT_EQ(style[1], GLU_FILL) << method;
    }
    Call("FreeMDC", {});
    for (const auto& [method, args] : calls) {
        Traced(method, args);
        EXPECT_EQ(gltrace::Calls().size(), 0u) << method << " unbound";
    }
    Traced("Box", {Num(0), Num(0), Num(0), Num(1), Num(1), Num(1)});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

}  // namespace
}  // namespace geotest
