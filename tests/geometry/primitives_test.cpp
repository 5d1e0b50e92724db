// The vertex-array primitives, checked on the recorded GL calls: the point
// forms the readers take, each method's count rules and primitive, colours,
// computed normals, lit ColorTriangles, TrianglesEx batches, bad input and
// unbound contexts.
#include <cmath>
#include <limits>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

using Prims = Scene;

// The front diffuse colour of each material applied, in order.
std::vector<Values> Diffuse() {
    std::vector<Values> out;
    for (const gltrace::Call& c : gltrace::Named("glMaterialfv"))
        if (c.args[0] == GL_FRONT && c.args[1] == GL_DIFFUSE) out.push_back(c.arrays[0]);
    return out;
}

TEST_F(Prims, EveryPointFormGivesTheSameVertices) {
    std::vector<Values> tri{{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}};
    Variable forms[] = {Flat({10, 20, 30, -1.5, 2.25, 0, 7, 8, 9, 99, 98}),  // numbers left over are ignored
                        Triples({{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}}),
                        Vec({Point3(h, 10, 20, 30), Point3(h, -1.5, 2.25, 0), Point3(h, 7, 8, 9)}),
                        Vec({Int(10), Flt(20), Num(30), Num(-1.5), Num(2.25), Int(0), Int(7), Int(8), Int(9)})};
    for (Variable& pts : forms) {
        EXPECT_TRUE(Traced("Triangles", {pts}).empty());
        EXPECT_EQ(ArgsOf("glVertex3f"), tri);
    }
    // The first element decides: after a number all are numbers (a Vector reads
    // as 0), after a point all are points.
    Traced("SetPoints", {Vec({Int(1), Int(2), Int(3), Flat({4, 5, 6}), Int(5), Int(6)})});
    EXPECT_EQ(ArgsOf("glVertex3f"), (std::vector<Values>{{1, 2, 3}, {0, 5, 6}}));
    Traced("SetPoints", {Vec({Point3(h, 1, 2, 3), Flat({4, 5, 6, 7})})});
    EXPECT_EQ(ArgsOf("glVertex3f"), (std::vector<Values>{{1, 2, 3}, {4, 5, 6}}));
    // Inside a point a nested Vector reads as 0; NaN and infinity are passed on.
    Traced("Triangles", {Vec({Flat({1, 2, 3}), Vec({Flat({1}), Flat({2}), Flat({3})}), Flat({4, 5, 6})})});
    EXPECT_EQ(ArgsOf("glVertex3f")[1], (Values{0, 0, 0}));
    double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    EXPECT_TRUE(Traced("Triangles", {Flat({nan, 0, 0, inf, 0, 0, 0, -inf, 0})}).empty());
    EXPECT_EQ(gltrace::Count("glVertex3f"), 3);
}

// Error 8 and nothing drawn when the counts do not fit; else one batch of the
// method's primitive with a normal for each vertex or each triangle.
TEST_F(Prims, CountRulesOfEachMethod) {
    Variable none = Flat({}), two = Flat({0, 0, 0, 1, 0, 0}), three = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0});
    Variable four = Flat({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}), n1 = Flat({0, 0, 1});
    Variable five = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 2, 0});
    Variable six = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 0, 6, 5, 0, 5, 6, 0});
    Variable eight = Flat({0, 0, 0, 1, 0, 0, 2, 1, 0, 2, 2, 0, 1, 3, 0, 0, 3, 0, -1, 2, 0, -1, 1, 0});
    const GLenum kRefused = ~0u;
    struct Case {
        const char* method;
        std::vector<Variable> args;
        GLenum primitive;  // kRefused: error 8, nothing drawn
        int vertices, normals;
    } cases[] = {
        {"SetPoints", {two}, GL_POINTS, 2, 0},
        {"LineStrip", {two}, GL_LINE_STRIP, 2, 0},
        {"Lines", {none}, GL_LINES, 0, 0},  // no points: an empty batch, no error
        {"Triangles", {none}, kRefused, 0, 0},
        {"Triangles", {four}, kRefused, 0, 0},
        {"Triangles", {six, Triples({{0, 0, 1}, {0, 0, -1}})}, GL_TRIANGLES, 6, 2},
        {"Triangles", {six, six}, GL_TRIANGLES, 6, 6},
        {"Triangles", {six, three}, kRefused, 0, 0},
        {"TriangleStrip", {two}, kRefused, 0, 0},
        {"TriangleStrip", {five, three}, kRefused, 0, 0},
        {"TriangleStrip", {five, five}, GL_TRIANGLE_STRIP, 5, 5},
        {"QuadStrip", {three, three}, kRefused, 0, 0},
        {"QuadStrip", {five, five}, GL_QUAD_STRIP, 5, 5},  // no evenness check
        {"Quads", {five, five}, kRefused, 0, 0},
        {"Quads", {eight, five}, kRefused, 0, 0},
        {"Quads", {eight, eight}, GL_QUADS, 8, 8},
        {"Polygon", {five, five}, kRefused, 0, 0},  // the counts of Quads
        {"Polygon", {eight, eight}, GL_POLYGON, 8, 8},
        {"ColorTriangles", {three, n1, Flat({1, 0, 0, 1, 0, 0, 1, 0, 0})}, GL_TRIANGLES, 3, 1},
        {"ColorTriangles", {three, n1, Flat({1, 0, 0, 1})}, kRefused, 0, 0},  // 4 numbers: one float triple
        {"ColorQuads", {eight, eight, Flat({1, 0, 0})}, kRefused, 0, 0},
        {"ColorPolygon", {five, five, five}, kRefused, 0, 0},
    };
    for (Case& c : cases) {
        std::vector<int> errors = Traced(c.method, c.args);
        SCOPED_TRACE(std::string(c.method) + "\n" + gltrace::Dump());
        if (c.primitive == kRefused) {
            EXPECT_EQ(errors, std::vector<int>{8});
            EXPECT_EQ(gltrace::Count("glBegin"), 0);
            continue;
        }
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(ArgsOf("glBegin"), std::vector<Values>{{double(c.primitive)}});
        EXPECT_EQ(gltrace::Count("glEnd"), 1);
        EXPECT_EQ(gltrace::Count("glVertex3f"), c.vertices);
        EXPECT_EQ(gltrace::Count("glNormal3f"), c.normals);
    }
    // A normal per triangle goes before its three vertices.
    Traced("Triangles", {six, Triples({{0, 0, 1}, {0, 0, -1}})});
    EXPECT_EQ(ArgsOf("glNormal3f"), (std::vector<Values>{{0, 0, 1}, {0, 0, -1}}));
    EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glVertex3f"}),
              (Names{"glNormal3f", "glVertex3f", "glVertex3f", "glVertex3f", "glNormal3f", "glVertex3f",
                     "glVertex3f", "glVertex3f"}));
}

TEST_F(Prims, ColorLinesReadsPackedOrFloatColoursAndSkipsAMismatchSilently) {
    Variable two = Flat({0, 0, 0, 10, 10, 0});
    EXPECT_TRUE(Traced("ColorLines", {two, Vec({Int(0x0000FF), Int(0xFF8000)})}).empty());
    EXPECT_EQ(ArgsOf("glColor3f"), (std::vector<Values>{{1, 0, 0}, Floats({0, 128 / 255.0f, 1})}))
        << "packed: red in the lowest byte";
    EXPECT_EQ(gltrace::Sequence({"glColor3f", "glVertex3f"}), (Names{"glColor3f", "glVertex3f", "glColor3f", "glVertex3f"}));
    // 3P, 3P + 1 and 3P + 2 numbers are float triples.
    for (Variable floats : {Flat({0.5, 0.25, 1, 0, 1, 0}), Flat({0.5, 0.25, 1, 0, 1, 0, 7}),
                            Flat({0.5, 0.25, 1, 0, 1, 0, 7, 8})}) {
        EXPECT_TRUE(Traced("ColorLines", {two, floats}).empty());
        EXPECT_EQ(ArgsOf("glColor3f"), (std::vector<Values>{{0.5, 0.25, 1}, {0, 1, 0}}));
    }
    EXPECT_TRUE(Traced("ColorLines", {two, Triples({{0, 0, 1}, {1, 1, 1}})}).empty());
    EXPECT_EQ(ArgsOf("glColor3f")[0], (Values{0, 0, 1}));
    EXPECT_TRUE(Traced("ColorLines", {two, Flat({1, 0, 0, 1, 0})}).empty()) << "5 numbers for 2 points";
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

TEST_F(Prims, ComputedNormalsFaceTheViewerAndAlternateAlongStrips) {
    Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0})});
    EXPECT_EQ(ArgsOf("glNormal3f"), (std::vector<Values>{{0, 0, 1}, {0, 0, -4}}))
        << "counter-clockwise points to the viewer, unnormalised; clockwise away";
    EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glVertex3f"}),
              (Names{"glNormal3f", "glVertex3f", "glVertex3f", "glVertex3f", "glNormal3f", "glVertex3f",
                     "glVertex3f", "glVertex3f"}));
    Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0, 1, 2, 0})});
    EXPECT_EQ(ArgsOf("glNormal3f"), std::vector<Values>(6, Values{0, 0, 1})) << "a planar strip faces one way";
    // A tilted strip: vertex 3 gets its triangle's normal negated, vertex 4 as it is.
    Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 2, 2})});
    std::vector<Values> normals = ArgsOf("glNormal3f");
    ASSERT_EQ(normals.size(), 5u);
    EXPECT_EQ(normals[3], (Values{-1, -1, 1}));
    EXPECT_EQ(normals[4], (Values{-1, -2, 1}));
    // 4097 * 4097 - 4096 * 4098 is 1 in double precision, 0 in single.
    Traced("Triangles", {Flat({4096, 4097, 0, 0, 0, 0, 4097, 4098, 0})});
    EXPECT_EQ(ArgsOf("glNormal3f"), (std::vector<Values>{{0, 0, 1}}));
}

TEST_F(Prims, ColorTrianglesUseAMaterialPerTriangleOnlyUnderLighting) {
    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0}), colors = Flat({1, 0, 0, 0, 1, 0, 0, 0, 1});
    Traced("ColorTriangles", {tri, tri, colors});
    EXPECT_EQ(gltrace::Count("glMaterialfv"), 0);
    EXPECT_EQ(ArgsOf("glColor3f"), (std::vector<Values>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    EXPECT_EQ(gltrace::Sequence({"glColor3f", "glNormal3f", "glVertex3f"}),
              (Names{"glColor3f", "glNormal3f", "glVertex3f", "glColor3f", "glNormal3f", "glVertex3f",
                     "glColor3f", "glNormal3f", "glVertex3f"}));

    // Lit, with a normal per triangle: a material from colour t for triangle t,
    // inside the batch before the triangle's normal.
    native->lightEnabled = 1;
    Variable six = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 0, 6, 5, 0, 5, 6, 0});
    Traced("ColorTriangles", {six, Flat({0, 0, 1, 0, 0, 1}), Flat({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1})});
    EXPECT_EQ(gltrace::Count("glColor3f"), 0);
    EXPECT_EQ(Diffuse(), (std::vector<Values>{Floats({0.9f, 0, 0, 1}), Floats({0, 0.9f, 0, 1})}));
    EXPECT_LT(gltrace::Find("glBegin"), gltrace::Find("glMaterialfv"));
    EXPECT_LT(gltrace::Find("glMaterialfv", {GL_FRONT, GL_DIFFUSE}), gltrace::Find("glNormal3f"));
    EXPECT_LT(gltrace::Find("glMaterialfv", {GL_FRONT, GL_DIFFUSE}, gltrace::Find("glVertex3f")),
              gltrace::Find("glNormal3f", {}, gltrace::Find("glVertex3f")));

    // Quads and polygons keep plain colours, after each vertex's normal.
    for (const char* method : {"ColorQuads", "ColorPolygon"}) {
        Variable quad = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
        Traced(method, {quad, quad, Flat({1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0})});
        EXPECT_EQ(gltrace::Count("glMaterialfv"), 0) << method;
        EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glColor3f", "glVertex3f"}, gltrace::Find("glBegin")).at(1),
                  "glColor3f") << method;
        EXPECT_EQ(gltrace::Count("glColor3f"), 4) << method;
    }
}

class Mesh : public Scene {
protected:
    Variable first = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0}), second = Flat({5, 5, 0, 6, 5, 0, 5, 6, 0});
    Variable up3 = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1}), red, blue;

    void SetUp() override {
        Scene::SetUp();
        red = h.New("OglMaterial", {Num(1), Num(0), Num(0), Num(1)});
        blue = h.New("OglMaterial", {Num(0), Num(0), Num(1), Num(1)});
    }
};

TEST_F(Mesh, BatchesByGroupAndAppliesTheMaterialWhenTheGroupChanges) {
    // Indices count triangles over all groups; they alternate between the two here.
    EXPECT_TRUE(Traced("TrianglesEx", {Vec({first, second}), Vec({up3, up3}), Flat({0, 1, 1, 0}), Vec({red, blue})})
                    .empty());
    EXPECT_EQ(gltrace::Sequence({"glBegin", "glEnd"}), (Names{"glBegin", "glEnd", "glBegin", "glEnd", "glBegin", "glEnd"}));
    Values r = Floats({0.9f, 0, 0, 1}), b = Floats({0, 0, 0.9f, 1});
    EXPECT_EQ(Diffuse(), (std::vector<Values>{r, b, r})) << "re-applied when a group comes back";
    EXPECT_LT(gltrace::Find("glMaterialfv"), gltrace::Find("glBegin"));
    std::vector<Values> v = ArgsOf("glVertex3f");
    ASSERT_EQ(v.size(), 12u);
    EXPECT_EQ(v[0], (Values{0, 0, 0}));
    EXPECT_EQ(v[3], (Values{5, 5, 0}));
    EXPECT_EQ(v[6], (Values{5, 5, 0}));
    EXPECT_EQ(gltrace::Count("glNormal3f"), 12);
    // Two triangles in one group: index 1 starts at vertex 3.
    Traced("TrianglesEx", {Vec({Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 2, 0, 3, 2, 0, 2, 3, 0})}),
                           Vec({Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})}), Flat({1}), Vec({red})});
    EXPECT_EQ(ArgsOf("glVertex3f"), (std::vector<Values>{{2, 2, 0}, {3, 2, 0}, {2, 3, 0}}));
    // A material value that is no object: error 40, drawn with the state as it is.
    EXPECT_EQ(Traced("TrianglesEx", {Vec({first}), Vec({up3}), Flat({0}), Vec({Int(3)})}), std::vector<int>{40});
    EXPECT_EQ(gltrace::Count("glVertex3f"), 3);
    EXPECT_EQ(gltrace::Count("glMaterialfv"), 0);
    // Materials beyond the highest group used are not needed.
    EXPECT_TRUE(Traced("TrianglesEx", {Vec({first, second}), Vec({up3, up3}), Flat({0}), Vec({red})}).empty());
    EXPECT_EQ(gltrace::Count("glVertex3f"), 3);
}

TEST_F(Mesh, RefusesBadIndicesGroupsAndTooFewMaterialsBeforeDrawing) {
    Variable mats = Vec({red});
    struct Case {
        const char* what;
        std::vector<Variable> args;
        std::vector<int> errors;
    } cases[] = {
        {"index past the end", {Vec({first}), Vec({up3}), Flat({0, 1}), mats}, {8}},
        {"negative index", {Vec({first}), Vec({up3}), Flat({-1}), mats}, {8}},
        {"no normal group", {Vec({first}), Vec({}), Flat({0}), mats}, {8}},
        {"normals of another size", {Vec({first}), Vec({Flat({0, 0, 1})}), Flat({0}), mats}, {8}},
        {"no material for group 1", {Vec({first, second}), Vec({up3, up3}), Flat({0, 1}), mats}, {8}},
        {"two groups of 1 point", {Vec({Flat({0, 0, 0}), Flat({1, 1, 1})}), Vec({Flat({0, 0, 1}), Flat({0, 0, 1})}),
                                   Flat({0}), mats}, {8, 8}},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Traced("TrianglesEx", c.args), c.errors) << c.what;
        EXPECT_EQ(gltrace::Calls().size(), 0u) << c.what;
    }
}

TEST_F(Prims, BadElementsRaiseErrorsAndDrawNothing) {
    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0});
    struct Case {
        const char* method;
        std::vector<Variable> args;
        std::vector<int> errors;  // one error for each member a bad point lacks
    } cases[] = {
        {"Triangles", {Vec({Point3(h, 1, 2, 3), Str("abc"), Point3(h, 4, 5, 6)})}, {9, 9, 9}},
        {"Triangles", {Vec({Flat({1, 2, 3}), Variable(), Flat({4, 5, 6})})}, {9, 9, 9}},
        {"Triangles", {Vec({Flat({1, 2, 3}), h.New("RECT"), Flat({4, 5, 6})})}, {9, 9, 9}},
        {"Triangles", {Vec({Flat({1, 2, 3}), Flat({1, 2}), Flat({4, 5, 6})})}, {11}},
        {"Triangles", {tri, Vec({Flat({0, 0})})}, {11}},
        {"ColorTriangles", {tri, tri, Vec({Str("r"), Str("g"), Str("b")})}, {9, 9, 9}},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Traced(c.method, c.args), c.errors) << c.method << " " << &c - cases;
        EXPECT_EQ(gltrace::Count("glBegin"), 0);
    }
    // Reading stops at the first bad point: its errors, not three million.
    Variable nulls;
    nulls.Init(VT_VECTOR, 1000000);
    nulls[0] = Flat({1, 2, 3});
    EXPECT_EQ(Traced("SetPoints", {nulls}), (std::vector<int>{9, 9, 9}));

    // Self must be a context: a missing one is 40, another object 43, nothing drawn.
    EXPECT_EQ(TracedRow("VOpenGL::SetPoints(refer object Vector)", {Flat({0, 0, 0}), Int(5)}), (std::vector<int>{40, 43}));
    EXPECT_EQ(TracedRow("VOpenGL::Lines(refer object Vector)", {Flat({0, 0, 0}), h.New("OglColor")}), std::vector<int>{43});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

TEST_F(Prims, PolygonModeSmoothingAndSizes) {
    native->wired = 1;
    Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})});
    EXPECT_EQ(ArgsOf("glPolygonMode"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_LINE}}));
    EXPECT_LT(gltrace::Find("glPolygonMode"), gltrace::Find("glBegin"));
    native->wired = 0;
    Traced("Quads", {Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}), Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})});
    EXPECT_EQ(ArgsOf("glPolygonMode"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_FILL}}));

    native->smoothPoint = 1;
    Traced("SetPoints", {Flat({1, 1, 0})});
    EXPECT_EQ(gltrace::Sequence({"glEnable", "glDisable", "glPolygonMode", "glBegin"}), (Names{"glEnable", "glBegin"}))
        << "points leave the polygon mode alone";
    EXPECT_EQ(ArgsOf("glEnable"), std::vector<Values>{{GL_POINT_SMOOTH}});
    for (const char* method : {"LineStrip", "Lines"}) {
        Traced(method, {Flat({1, 1, 0, 2, 2, 0})});
        EXPECT_EQ(ArgsOf("glDisable"), std::vector<Values>{{GL_LINE_SMOOTH}}) << method;
    }
    native->smoothLine = 1;
    Traced("ColorLines", {Flat({1, 1, 0, 2, 2, 0}), Flat({1, 1, 1, 1, 1, 1})});
    EXPECT_EQ(ArgsOf("glEnable"), std::vector<Values>{{GL_LINE_SMOOTH}});
    Traced("SetPointSize", {Num(4.5)});
    EXPECT_EQ(ArgsOf("glPointSize"), std::vector<Values>{{4.5}});
    Traced("SetLineWidth", {Int(3)});
    EXPECT_EQ(ArgsOf("glLineWidth"), std::vector<Values>{{3}});
}

TEST_F(Prims, AnUnboundContextReadsAndChecksButDrawsNothing) {
    Call("FreeMDC", {});
    native->lightEnabled = 1;
    Variable quad = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}), up = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    EXPECT_TRUE(Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})}).empty());
    EXPECT_EQ(Traced("Polygon", {Flat({0, 0, 0}), Flat({0, 0, 1})}), std::vector<int>{8});
    EXPECT_EQ(Traced("SetPoints", {Vec({Point3(h, 1, 2, 3), Str("x")})}), (std::vector<int>{9, 9, 9}));
    EXPECT_TRUE(Traced("ColorQuads", {quad, up, Flat({1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0})}).empty());
    EXPECT_TRUE(Traced("TrianglesEx", {Vec({Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})}), Vec({Flat({0, 0, 1, 0, 0, 1, 0, 0, 1})}),
                                       Flat({0}), Vec({h.New("OglMaterial")})})
                    .empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u) << gltrace::Dump();
    Traced("SetPointSize", {Num(3)});
    EXPECT_EQ(ArgsOf("glPointSize"), std::vector<Values>{{3}}) << "the size needs only a rendering context";
    Call("Close", {});
    Traced("SetLineWidth", {Num(2)});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

}  // namespace
}  // namespace geotest
