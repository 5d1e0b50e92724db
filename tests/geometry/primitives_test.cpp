// The vertex-array primitives, checked on the recorded GL calls: the point
// forms the readers take, each method's count rules, primitive and bad input,
// colours, computed normals, lit ColorTriangles, TrianglesEx batches, modes,
// and unbound contexts.
#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

using Prims = Scene;

// The front diffuse colour of each material applied, in order.
Calls Diffuse() {
    Calls out;
    for (const gltrace::Call& c : gltrace::Named("glMaterialfv"))
        if (c.args[0] == GL_FRONT && c.args[1] == GL_DIFFUSE) out.push_back(c.arrays[0]);
    return out;
}

TEST_F(Prims, EveryPointFormGivesTheSameVertices) {
    Calls tri{{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}};
    for (const Variable& pts : {Flat({10, 20, 30, -1.5, 2.25, 0, 7, 8, 9, 99, 98}),  // left-over numbers ignored
                                Triples({{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}}),
                                Vec({Point3(h, 10, 20, 30), Point3(h, -1.5, 2.25, 0), Point3(h, 7, 8, 9)}),
                                Vec({Int(10), Flt(20), Num(30), Num(-1.5), Num(2.25), Int(0), Int(7), Int(8),
                                     Int(9)})}) {
        EXPECT_TRUE(Traced("Triangles", {pts}).empty());
        EXPECT_EQ(Args("glVertex3f"), tri);
    }
    // The first element decides: after a number all are numbers (a Vector reads
    // as 0), after a point all are points; inside a point a Vector reads as 0.
    Traced("SetPoints", {Vec({Int(1), Int(2), Int(3), Flat({4, 5, 6}), Int(5), Int(6)})});
    EXPECT_EQ(Args("glVertex3f"), (Calls{{1, 2, 3}, {0, 5, 6}}));
    Traced("SetPoints", {Vec({Point3(h, 1, 2, 3), Flat({4, 5, 6, 7}), Vec({Flat({1}), Int(2), Int(3)})})});
    EXPECT_EQ(Args("glVertex3f"), (Calls{{1, 2, 3}, {4, 5, 6}, {0, 2, 3}}));
}

// Counts that do not fit raise error 8, a bad point error 9 for each member it
// lacks (11 when short): nothing is drawn. Else one batch of the method's
// primitive, with a normal for each vertex or each triangle.
TEST_F(Prims, CountRulesAndBadElementsOfEachMethod) {
    Variable none = Flat({}), two = Flat({0, 0, 0, 1, 0, 0}), three = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0});
    Variable four = Flat({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}), n1 = Flat({0, 0, 1});
    Variable five = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 2, 0});
    Variable six = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 0, 6, 5, 0, 5, 6, 0});
    Variable eight = Flat({0, 0, 0, 1, 0, 0, 2, 1, 0, 2, 2, 0, 1, 3, 0, 0, 3, 0, -1, 2, 0, -1, 1, 0});
    Variable p2 = Flat({4, 5, 6});
    struct Case {
        const char* method;
        std::vector<Variable> args;
        std::vector<int> errors;
        GLenum primitive = ~0u;  // nothing drawn
        int vertices = 0, normals = 0;
    } cases[] = {
        {"LineStrip", {two}, {}, GL_LINE_STRIP, 2},
        {"Lines", {none}, {}, GL_LINES},  // no points: an empty batch
        {"Triangles", {none}, {8}},
        {"Triangles", {four}, {8}},
        {"Triangles", {six, Triples({{0, 0, 1}, {0, 0, -1}})}, {}, GL_TRIANGLES, 6, 2},
        {"Triangles", {six, six}, {}, GL_TRIANGLES, 6, 6},
        {"Triangles", {six, three}, {8}},
        {"TriangleStrip", {two}, {8}},
        {"TriangleStrip", {five, five}, {}, GL_TRIANGLE_STRIP, 5, 5},
        {"QuadStrip", {three, three}, {8}},
        {"QuadStrip", {five, five}, {}, GL_QUAD_STRIP, 5, 5},  // no evenness check
        {"Quads", {eight, five}, {8}},
        {"Quads", {eight, eight}, {}, GL_QUADS, 8, 8},
        {"Polygon", {five, five}, {8}},  // the counts of Quads
        {"Polygon", {eight, eight}, {}, GL_POLYGON, 8, 8},
        {"ColorTriangles", {three, n1, Flat({1, 0, 0, 1, 0, 0, 1, 0, 0})}, {}, GL_TRIANGLES, 3, 1},
        {"ColorTriangles", {three, n1, Flat({1, 0, 0, 1})}, {8}},  // 4 numbers: one float triple
        {"ColorQuads", {eight, eight, Flat({1, 0, 0})}, {8}},
        {"Triangles", {Vec({p2, Str("abc"), p2})}, {9, 9, 9}},
        {"Triangles", {Vec({p2, h.New("RECT"), p2})}, {9, 9, 9}},
        {"Triangles", {Vec({p2, Flat({1, 2}), p2})}, {11}},
        {"ColorTriangles", {three, three, Vec({Str("r"), Str("g"), Str("b")})}, {9, 9, 9}},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Traced(c.method, c.args), c.errors) << c.method << " " << &c - cases;
        if (c.primitive == ~0u) {
            EXPECT_EQ(gltrace::Count("glBegin"), 0) << c.method << " " << &c - cases;
            continue;
        }
        EXPECT_EQ(Args("glBegin"), Calls{{double(c.primitive)}}) << c.method;
        EXPECT_EQ(gltrace::Count("glEnd"), 1) << c.method;
        EXPECT_EQ(gltrace::Count("glVertex3f"), c.vertices) << c.method;
        EXPECT_EQ(gltrace::Count("glNormal3f"), c.normals) << c.method;
    }
    // Reading stops at the first bad point: its errors, not three million.
    Variable nulls;
    nulls.Init(VT_VECTOR, 1000000);
    nulls[0] = p2;
    EXPECT_EQ(Traced("SetPoints", {nulls}), (std::vector<int>{9, 9, 9}));
    Traced("Triangles", {six, Triples({{0, 0, 1}, {0, 0, -1}})});
    EXPECT_EQ(Args("glNormal3f"), (Calls{{0, 0, 1}, {0, 0, -1}})) << "normal t for triangle t";
}

TEST_F(Prims, ColorLinesReadsPackedOrFloatColoursAndSkipsAMismatchSilently) {
    Variable two = Flat({0, 0, 0, 10, 10, 0});
    EXPECT_TRUE(Traced("ColorLines", {two, Vec({Int(0x0000FF), Int(0xFF8000)})}).empty());
    EXPECT_EQ(Args("glColor3f"), (Calls{{1, 0, 0}, Floats({0, static_cast<float>(128 / 255.0), 1})}))
        << "red in the lowest byte";
    EXPECT_EQ(gltrace::Sequence({"glColor3f", "glVertex3f"}),
              (Names{"glColor3f", "glVertex3f", "glColor3f", "glVertex3f"}));
    // 3P, 3P + 1 and 3P + 2 numbers are float triples; Vectors are used as they stand.
    for (const Variable& colours : {Flat({0.5, 0.25, 1, 0, 1, 0, 7}), Triples({{0.5, 0.25, 1}, {0, 1, 0}})}) {
        EXPECT_TRUE(Traced("ColorLines", {two, colours}).empty());
        EXPECT_EQ(Args("glColor3f"), (Calls{{0.5, 0.25, 1}, {0, 1, 0}}));
    }
    for (const Variable& colours : {Flat({1, 0, 0, 1, 0}), Flat({1, 0, 0, 1, 0, 0, 1, 0, 0})}) {
        EXPECT_TRUE(Traced("ColorLines", {two, colours}).empty());
        EXPECT_EQ(gltrace::Calls().size(), 0u) << "one colour too few or too many";
    }
}

TEST_F(Prims, ComputedNormalsFaceTheViewerAndAlternateAlongStrips) {
    Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0})});
    EXPECT_EQ(Args("glNormal3f"), (Calls{{0, 0, 1}, {0, 0, -4}}))
        << "counter-clockwise points to the viewer, unnormalised; clockwise away";
    EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glVertex3f"}),
              (Names{"glNormal3f", "glVertex3f", "glVertex3f", "glVertex3f", "glNormal3f", "glVertex3f", "glVertex3f",
                     "glVertex3f"}));
    Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0, 1, 2, 0})});
    EXPECT_EQ(Args("glNormal3f"), Calls(6, Values{0, 0, 1})) << "a planar strip faces one way";
    // A tilted strip: vertex 3 gets its triangle's normal negated, vertex 4 as it is.
    Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 2, 2})});
    Calls normals = Args("glNormal3f");
    ASSERT_EQ(normals.size(), 5u);
    EXPECT_EQ(normals[3], (Values{-1, -1, 1}));
    EXPECT_EQ(normals[4], (Values{-1, -2, 1}));
    // 4097 * 4097 - 4096 * 4098 is 1 in double precision, 0 in single.
    Traced("Triangles", {Flat({4096, 4097, 0, 0, 0, 0, 4097, 4098, 0})});
    EXPECT_EQ(Args("glNormal3f"), (Calls{{0, 0, 1}}));
}

TEST_F(Prims, ColorTrianglesUseAMaterialPerTriangleOnlyUnderLighting) {
    Variable six = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 0, 6, 5, 0, 5, 6, 0});
    Variable colours = Flat({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1});
    Traced("ColorTriangles", {six, six, colours});
    EXPECT_EQ(gltrace::Count("glMaterialfv"), 0);
    EXPECT_EQ(Args("glColor3f").at(3), (Values{1, 1, 0})) << "colour i for vertex i";
    Names order = gltrace::Sequence({"glColor3f", "glNormal3f", "glVertex3f"});
    EXPECT_EQ(Names(order.begin(), order.begin() + 4), (Names{"glColor3f", "glNormal3f", "glVertex3f", "glColor3f"}));
    // Lit, with a normal per triangle: a material from colour t for triangle t,
    // inside the batch before the triangle's normal.
    native->switches.lightEnabled = 1;
    Traced("ColorTriangles", {six, Flat({0, 0, 1, 0, 0, 1}), colours});
    EXPECT_EQ(gltrace::Count("glColor3f"), 0);
    EXPECT_EQ(Diffuse(), (Calls{Floats({0.9f, 0, 0, 1}), Floats({0, 0.9f, 0, 1})}));
    const size_t m1 = gltrace::Find("glMaterialfv", {GL_FRONT, GL_DIFFUSE});
    const size_t m2 = gltrace::Find("glMaterialfv", {GL_FRONT, GL_DIFFUSE}, m1 + 1);
    EXPECT_LT(gltrace::Find("glBegin"), m1);
    EXPECT_LT(m1, gltrace::Find("glNormal3f"));
    EXPECT_LT(gltrace::Find("glVertex3f", {0, 1, 0}), m2) << "after triangle 0";
    EXPECT_LT(gltrace::Find("glNormal3f", {}, m2), gltrace::Find("glVertex3f", {5, 5, 0})) << "before triangle 1";
    // Quads and polygons keep plain colours, after each vertex's normal.
    for (const char* method : {"ColorQuads", "ColorPolygon"}) {
        Variable quad = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
        Traced(method, {quad, quad, Flat({1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0})});
        order = gltrace::Sequence({"glNormal3f", "glColor3f", "glVertex3f", "glMaterialfv"});
        ASSERT_EQ(order.size(), 12u) << method;
        EXPECT_EQ(Names(order.begin(), order.begin() + 4),
                  (Names{"glNormal3f", "glColor3f", "glVertex3f", "glNormal3f"}));
    }
}

TEST_F(Prims, TrianglesExBatchesByGroupAndRefusesBadInputBeforeDrawing) {
    Variable red = h.New("OglMaterial", {Num(1), Num(0), Num(0), Num(1)});
    Variable blue = h.New("OglMaterial", {Num(0), Num(0), Num(1), Num(1)});
    Variable first = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 2, 0, 3, 2, 0, 2, 3, 0});
    Variable second = Flat({5, 5, 0, 6, 5, 0, 5, 6, 0}), up3 = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1});
    Variable up6 = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    // Indices count triangles over all groups: 1 and 0 in the first, 2 in the second.
    EXPECT_TRUE(
        Traced("TrianglesEx", {Vec({first, second}), Vec({up6, up3}), Flat({1, 2, 0}), Vec({red, blue})}).empty());
    EXPECT_EQ(gltrace::Count("glBegin"), 3);
    Values r = Floats({0.9f, 0, 0, 1}), b = Floats({0, 0, 0.9f, 1});
    EXPECT_EQ(Diffuse(), (Calls{r, b, r})) << "applied before each batch of another group";
    EXPECT_LT(gltrace::Find("glMaterialfv"), gltrace::Find("glBegin"));
    Calls v = Args("glVertex3f");
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ((Calls{v[0], v[3], v[6]}), (Calls{{2, 2, 0}, {5, 5, 0}, {0, 0, 0}}));
    EXPECT_EQ(gltrace::Count("glNormal3f"), 9);
    // A material value that is no object: error 40, drawn with the state as it is.
    EXPECT_EQ(Traced("TrianglesEx", {Vec({second}), Vec({up3}), Flat({0}), Vec({Int(3)})}), std::vector<int>{40});
    EXPECT_EQ(gltrace::Count("glVertex3f"), 3);
    EXPECT_EQ(gltrace::Count("glMaterialfv"), 0);

    Variable mats = Vec({red});
    struct Case {
        std::vector<Variable> args;
        std::vector<int> errors;
    } cases[] = {
        {{Vec({second}), Vec({up3}), Flat({0, 1}), Vec({red, red})}, {8}},  // an index past the end
        {{Vec({second}), Vec({up3}), Flat({-1}), mats}, {8}},
        {{Vec({second}), Vec({}), Flat({0}), mats}, {8}},  // no normal group
        {{Vec({second}), Vec({Flat({0, 0, 1})}), Flat({0}), mats}, {8}},  // normals of another size
        {{Vec({first, second}), Vec({up6, up3}), Flat({2}), mats}, {8}},  // no material for group 1
        {{Vec({Flat({0, 0, 0}), Flat({1, 1, 1})}), Vec({Flat({0, 0, 1}), Flat({0, 0, 1})}), Flat({0}), mats}, {8, 8}},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Traced("TrianglesEx", c.args), c.errors) << &c - cases;
        EXPECT_EQ(gltrace::Calls().size(), 0u) << &c - cases;
    }
}

TEST_F(Prims, PolygonModeSmoothingAndSizes) {
    native->switches.wired = 1;
    Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})});
    EXPECT_EQ(Args("glPolygonMode"), (Calls{{GL_FRONT_AND_BACK, GL_LINE}}));
    EXPECT_LT(gltrace::Find("glPolygonMode"), gltrace::Find("glBegin"));
    native->switches.wired = 0;
    Traced("Quads", {Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}), Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})});
    EXPECT_EQ(Args("glPolygonMode"), (Calls{{GL_FRONT_AND_BACK, GL_FILL}}));
    native->switches.smoothPoint = 1;
    Traced("SetPoints", {Flat({1, 1, 0})});
    EXPECT_EQ(gltrace::Sequence({"glEnable", "glDisable", "glPolygonMode", "glBegin"}), (Names{"glEnable", "glBegin"}));
    EXPECT_EQ(Args("glEnable"), Calls{{GL_POINT_SMOOTH}});
    Traced("Lines", {Flat({1, 1, 0, 2, 2, 0})});
    EXPECT_EQ(Args("glDisable"), Calls{{GL_LINE_SMOOTH}});
    native->switches.smoothLine = 1;
    Traced("ColorLines", {Flat({1, 1, 0, 2, 2, 0}), Flat({1, 1, 1, 1, 1, 1})});
    EXPECT_EQ(Args("glEnable"), Calls{{GL_LINE_SMOOTH}});
    Traced("SetPointSize", {Num(4.5)});
    EXPECT_EQ(Args("glPointSize"), Calls{{4.5}});
    Traced("SetLineWidth", {Int(3)});
    EXPECT_EQ(Args("glLineWidth"), Calls{{3}});
}

TEST_F(Prims, UnboundOrMissingContextsCheckButDrawNothing) {
    Call("FreeMDC", {});
    native->switches.lightEnabled = 1;
    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0}), quad = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    struct Case {
        const char* method;
        std::vector<Variable> args;
        std::vector<int> errors = {};  // still raised
    } cases[] = {{"Triangles", {tri}}, {"TriangleStrip", {tri}}, {"Quads", {quad, quad}},
                 {"ColorTriangles", {tri, tri, tri}}, {"Polygon", {tri, tri}, {8}},
                 {"TrianglesEx", {Vec({tri}), Vec({tri}), Flat({0}), Vec({h.New("OglMaterial")})}},
                 {"SetPoints", {Vec({Point3(h, 1, 2, 3), Str("x")})}, {9, 9, 9}}};
    for (Case& c : cases) {
        EXPECT_EQ(Traced(c.method, c.args), c.errors) << c.method;
        EXPECT_EQ(gltrace::Calls().size(), 0u) << c.method;
    }
    Traced("SetPointSize", {Num(3)});
    EXPECT_EQ(Args("glPointSize"), Calls{{3}}) << "the size needs only a rendering context";
    Call("Close", {});
    Traced("SetLineWidth", {Num(2)});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    // Self must be a context: an object of another class is 43.
    EXPECT_EQ(TracedRow("VOpenGL::Lines(refer object Vector)", {tri, h.New("OglColor")}), std::vector<int>{43});
}

}  // namespace
}  // namespace geotest
