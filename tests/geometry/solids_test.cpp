// The solids: the quadric calls and their arguments, the sphere's and the
// corner box's frame, the box's extents and faces, the torus's bands, the
// segment cap, and the wire-frame switch.
#include <algorithm>
#include <cmath>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

using Solids = Scene;

TEST_F(Solids, QuadricsTakeTheirArgumentsAndAreFreed) {
    Traced("Sphere", {Num(3), Num(4), Num(5), Num(6)});
    ExpectOnceInOrder({"glPolygonMode", "gluNewQuadric", "gluQuadricDrawStyle", "glMatrixMode", "glPushMatrix",
                       "glTranslatef", "gluSphere", "glPopMatrix", "gluDeleteQuadric"});
    struct Case {
        const char* method;
        std::vector<Variable> args;
        const char* glu;
        Values expected;  // after the quadric
        Values moved;     // the sphere's centre
    } cases[] = {
        {"Sphere", {Num(3), Num(4), Num(5), Num(6)}, "gluSphere", {6, 10, 10}, {3, 4, 5}},
        {"Sphere", {Num(-1), Num(0.5), Num(2), Num(1.5), Int(7)}, "gluSphere", {1.5, 7, 7}, {-1, 0.5, 2}},
        {"Sphere", {Point3(h, 1, 2, 3), Num(5), Int(24)}, "gluSphere", {5, 24, 24}, {1, 2, 3}},
        {"Sphere", {Point3(h, 7, 8, 9), Num(2)}, "gluSphere", {2, 10, 10}, {7, 8, 9}},
        {"Cylinder", {Num(1), Num(0), Num(2)}, "gluCylinder", {1, 0, 2, 10, 10}, {}},
        {"Cylinder", {Num(1), Num(2), Num(3), Int(5), Int(6)}, "gluCylinder", {1, 2, 3, 5, 6}, {}},
        {"PartialDisk", {Num(1), Num(2), Num(0), Num(90), Int(8)}, "gluPartialDisk", {1, 2, 8, 8, 0, 90}, {}},
        // Huge segment counts are capped so that the call ends.
        {"Sphere", {Num(0), Num(0), Num(0), Num(1), Int(2147483647)}, "gluSphere", {1, 1024, 1024}, {0, 0, 0}},
        {"Cylinder", {Num(1), Num(1), Num(1), Int(3), Int(2147483647)}, "gluCylinder", {1, 1, 1, 3, 1024}, {}},
        {"Disk", {Num(0.5), Num(2), Int(2147483647)}, "gluDisk", {0.5, 2, 1024, 1024}, {}},
    };
    for (Case& c : cases) {
        EXPECT_TRUE(Traced(c.method, c.args).empty());
        Calls drawn = Args(c.glu);
        ASSERT_EQ(drawn.size(), 1u) << c.method;
        EXPECT_EQ(Values(drawn[0].begin() + 1, drawn[0].end()), c.expected) << c.method;
        EXPECT_EQ(Args("gluDeleteQuadric"), Calls{{drawn[0][0]}}) << c.method;
        EXPECT_EQ(Args("gluQuadricDrawStyle"), (Calls{{drawn[0][0], GLU_FILL}})) << c.method;
        EXPECT_EQ(Args("gluQuadricOrientation"), (Calls{{drawn[0][0], GLU_OUTSIDE}})) << c.method;
        Calls moved = Args("glTranslatef");
        EXPECT_EQ(moved.empty() ? Values{} : moved[0], c.moved) << c.method << ": only the sphere moves";
    }
    // A count that matches no form of the sphere draws nothing.
    EXPECT_TRUE(TracedRow("VOpenGL::Sphere(number, number, number, number)", {Num(5), gl}).empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

TEST_F(Solids, BoxesTakeTheirSizesAlongXThenZThenYWithFacesOutwards) {
    Traced("Box", {Num(2), Num(4), Num(6)});
    Calls v = Args("glVertex3f"), n = Args("glNormal3f");
    ASSERT_EQ(v.size(), 24u);
    ASSERT_EQ(n.size(), 6u);
    for (int i = 0; i < 3; i++) {
        auto [lo, hi] =
            std::minmax_element(v.begin(), v.end(), [i](const Values& a, const Values& b) { return a[i] < b[i]; });
        EXPECT_EQ((*lo)[i], -(Values{1, 3, 2})[i]) << "axis " << i;
        EXPECT_EQ((*hi)[i], (Values{1, 3, 2})[i]) << "axis " << i;
    }
    // Each face lies on the side its normal points to, corners counter-clockwise seen from outside.
    for (int f = 0; f < 6; f++) {
        const Values &a = v[4 * f], &b = v[4 * f + 1], &c = v[4 * f + 2];
        double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        EXPECT_GT(cross[0] * n[f][0] + cross[1] * n[f][1] + cross[2] * n[f][2], 0) << "face " << f;
        for (int i = 0; i < 3; i++) EXPECT_GE(a[i] * n[f][i], 0) << "face " << f;
    }
    // The corner form: the same box moved so that its lowest corner is the one given.
    Traced("Box", {Num(10), Num(20), Num(30), Num(2), Num(4), Num(6)});
    ExpectOnceInOrder({"glPushMatrix", "glTranslatef", "glBegin", "glEnd", "glPopMatrix"});
    EXPECT_EQ(Args("glTranslatef"), (Calls{{11, 23, 32}}));
    EXPECT_EQ(Args("glVertex3f"), v);
}

TEST_F(Solids, TorusBandsCloseOnThemselves) {
    EXPECT_TRUE(Traced("Torus", {Num(10), Int(12), Num(2), Int(6)}).empty());
    EXPECT_EQ(Args("glBegin"), Calls(6, Values{GL_QUAD_STRIP}));
    Calls v = Args("glVertex3d"), n = Args("glNormal3d");
    ASSERT_EQ(v.size(), 6u * 26);
    ASSERT_EQ(n.size(), 6u * 26);
    // Band i pairs tube angles i + 1 and i (phi at the middle of each tube segment)
    // around the ring angles j (theta), and repeats its first pair at the end.
    const double tau = 2 * M_PI, theta = tau / 12, phi1 = 1.5 * tau / 6, phi0 = 0.5 * tau / 6;
    EXPECT_DOUBLE_EQ(v[1][2], 2 * std::sin(phi0));
    EXPECT_DOUBLE_EQ(v[2][1], (10 + 2 * std::cos(phi1)) * std::sin(theta));
    EXPECT_DOUBLE_EQ(n[2][0], std::cos(theta) * std::cos(phi1));
    EXPECT_EQ(v[24], v[0]);
    EXPECT_EQ(v[5 * 26], v[1]) << "the last band joins tube angle 0 again";

    Traced("Torus", {Num(10), Int(3), Num(2), Int(2147483647)});
    EXPECT_EQ(gltrace::Count("glBegin"), 1024) << "capped";
    for (int bad : {0, -1}) {
        EXPECT_TRUE(Traced("Torus", {Num(10), Int(bad), Num(2), Int(6)}).empty());
        EXPECT_TRUE(Traced("Torus", {Num(10), Int(12), Num(2), Int(bad)}).empty());
        EXPECT_EQ(gltrace::Calls().size(), 0u);
    }
}

TEST_F(Solids, WiredSolidsAreOutlinesThroughThePolygonModeAndUnboundOnesNothing) {
    native->switches.wired = 1;
    const std::vector<std::pair<const char*, std::vector<Variable>>> calls = {
        {"Sphere", {Num(0), Num(0), Num(0), Num(5)}},   {"Cylinder", {Num(1), Num(1), Num(1)}},
        {"Disk", {Num(0), Num(1), Int(4)}},             {"PartialDisk", {Num(0), Num(1), Num(0), Num(45), Int(4)}},
        {"Box", {Num(1), Num(1), Num(1)}},              {"Box", {Num(0), Num(0), Num(0), Num(1), Num(1), Num(1)}},
        {"Torus", {Num(3), Int(4), Num(1), Int(4)}},
    };
    for (const auto& [method, args] : calls) {
        Traced(method, args);
        EXPECT_EQ(Args("glPolygonMode"), (Calls{{GL_FRONT_AND_BACK, GL_LINE}})) << method;
    }
    Call("FreeMDC", {});
    for (const auto& [method, args] : calls) {
        Traced(method, args);
        EXPECT_EQ(gltrace::Calls().size(), 0u) << method << " unbound";
    }
}

}  // namespace
}  // namespace geotest
