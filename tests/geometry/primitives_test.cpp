// The vertex-array primitives: what the readers make of each kind of vector,
// the count rules, computed normals, colours with and without lighting,
// TrianglesEx batches, and bad input, checked on the recorded GL calls.
#include <cmath>
#include <limits>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

using Prims = Scene;

const Values kRed{1, 0, 0};

TEST_F(Prims, EveryPointFormGivesTheSameVertices) {
    EXPECT_TRUE(Traced("SetPoints", {Flat({1, 2, 3, 4, 5, 6, 7})}).empty());
    EXPECT_EQ(ArgsOf("glVertex3f"), (std::vector<Values>{{1, 2, 3}, {4, 5, 6}}))
        << "the 7th number is left over";

    std::vector<Values> tri{{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}};
    Variable pointForms[] = {Flat({10, 20, 30, -1.5, 2.25, 0, 7, 8, 9, 99, 98}),
                             Triples({{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}}),
                             Points(h, {{10, 20, 30}, {-1.5, 2.25, 0}, {7, 8, 9}}),
                             Vec({Int(10), Flt(20), Num(30), Num(-1.5), Num(2.25), Int(0), Int(7),
                                  Int(8), Int(9)})};
    for (Variable& pts : pointForms) {
        EXPECT_TRUE(Traced("Triangles", {pts}).empty());
        EXPECT_EQ(ArgsOf("glVertex3f"), tri);
    }
    // A vector that starts with a number is read wholly as numbers.
    Traced("SetPoints", {Vec({Int(1), Int(2), Int(3), Flat({4, 5, 6}), Int(5), Int(6)})});
    EXPECT_EQ(ArgsOf("glVertex3f"), (std::vector<Values>{{1, 2, 3}, {0, 5, 6}}));
    // One that starts with a point is read wholly as points.
    Traced("SetPoints", {Vec({Point3(h, 1, 2, 3), Flat({4, 5, 6, 7})})});
    EXPECT_EQ(ArgsOf("glVertex3f"), (std::vector<Values>{{1, 2, 3}, {4, 5, 6}}));
    // Empty vectors hold no points: an empty batch, no error.
    EXPECT_TRUE(Traced("Lines", {Flat({})}).empty());
    EXPECT_EQ(Batch(), (std::vector<std::string>{"glBegin", "glEnd"}));
    EXPECT_EQ(Traced("Triangles", {Flat({})}), std::vector<int>{8});
}

TEST_F(Prims, CountRulesRefuseWithErrorEightAndDrawNothing) {
    Variable six = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 0, 6, 5, 0, 5, 6, 0});
    EXPECT_TRUE(Traced("Triangles", {six, Triples({{0, 0, 1}, {0, 0, -1}})}).empty());
    EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glVertex3f"}),
              (std::vector<std::string>{"glNormal3f", "glVertex3f", "glVertex3f", "glVertex3f",
                                        "glNormal3f", "glVertex3f", "glVertex3f", "glVertex3f"}));
    EXPECT_EQ(ArgsOf("glNormal3f")[1], (Values{0, 0, -1}));
    EXPECT_TRUE(Traced("Triangles", {six, six}).empty());
    EXPECT_EQ(gltrace::Count("glNormal3f"), 6) << "one normal per vertex";
    EXPECT_EQ(Traced("Triangles", {six, Flat({0, 0, 1, 0, 0, 1, 0, 0, 1})}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Count("glBegin"), 0);
    EXPECT_EQ(Traced("Triangles", {Flat({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3})}), std::vector<int>{8});

    Variable five = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 2, 0});
    Variable eight = Flat({0, 0, 0, 1, 0, 0, 2, 1, 0, 2, 2, 0, 1, 3, 0, 0, 3, 0, -1, 2, 0, -1, 1, 0});
    EXPECT_EQ(Traced("Polygon", {five, five}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Count("glBegin"), 0);
    EXPECT_TRUE(Traced("Polygon", {eight, eight}).empty());
    EXPECT_EQ(ArgsOf("glBegin"), std::vector<Values>{{GL_POLYGON}});
    EXPECT_EQ(gltrace::Count("glVertex3f"), 8);
    EXPECT_TRUE(Traced("QuadStrip", {five, five}).empty()) << "no evenness check";
    EXPECT_EQ(gltrace::Count("glVertex3f"), 5);
    Variable three = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0});
    EXPECT_EQ(Traced("QuadStrip", {three, three}), std::vector<int>{8});
    EXPECT_EQ(Traced("Quads", {five, five}), std::vector<int>{8});
    EXPECT_EQ(Traced("Quads", {eight, five}), std::vector<int>{8});
    EXPECT_TRUE(Traced("Quads", {eight, eight}).empty());
    EXPECT_EQ(gltrace::Count("glNormal3f"), 8);
    EXPECT_EQ(Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0})}), std::vector<int>{8});
    EXPECT_EQ(Traced("TriangleStrip", {five, three}), std::vector<int>{8});
    EXPECT_TRUE(Traced("TriangleStrip", {five, five}).empty());
    EXPECT_EQ(ArgsOf("glBegin"), std::vector<Values>{{GL_TRIANGLE_STRIP}});

    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0});
    Variable red3 = Flat({1, 0, 0, 1, 0, 0, 1, 0, 0});
    EXPECT_TRUE(Traced("ColorTriangles", {tri, Flat({0, 0, 1}), red3}).empty())
        << "one normal per triangle; the colours still number P";
    EXPECT_EQ(Traced("ColorTriangles", {tri, Flat({0, 0, 1}), Flat({1, 0, 0, 1})}), std::vector<int>{8})
        << "4 numbers for 3 points: one float triple";
    EXPECT_EQ(Traced("ColorQuads", {eight, eight, Flat({1, 0, 0})}), std::vector<int>{8});
    EXPECT_EQ(Traced("ColorPolygon", {five, five, five}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Count("glBegin"), 0);
}

TEST_F(Prims, ColorLinesReadsPackedOrFloatColoursAndSkipsAMismatchSilently) {
    Variable two = Flat({0, 0, 0, 10, 10, 0});
    EXPECT_TRUE(Traced("ColorLines", {two, Vec({Int(0x0000FF), Int(0xFF8000)})}).empty());
    std::vector<Values> colors = ArgsOf("glColor3f");
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[0], kRed) << "0x0000FF is pure red";
    EXPECT_EQ(colors[1], Floats({0, static_cast<float>(128 / 255.0), 1}));
    EXPECT_EQ(gltrace::Sequence({"glColor3f", "glVertex3f"}),
              (std::vector<std::string>{"glColor3f", "glVertex3f", "glColor3f", "glVertex3f"}));

    Variable threeP[] = {Flat({0.5, 0.25, 1, 0, 1, 0}), Flat({0.5, 0.25, 1, 0, 1, 0, 7}),
                         Flat({0.5, 0.25, 1, 0, 1, 0, 7, 8})};
    for (Variable& floats : threeP) {
        EXPECT_TRUE(Traced("ColorLines", {two, floats}).empty());
        EXPECT_EQ(ArgsOf("glColor3f"), (std::vector<Values>{{0.5, 0.25, 1}, {0, 1, 0}}))
            << "3P, 3P+1 and 3P+2 numbers are float triples";
    }
    EXPECT_EQ(Traced("ColorLines", {two, Flat({1, 0, 0, 1, 0})}), std::vector<int>{})
        << "5 numbers for 2 points: nothing, silently";
    EXPECT_EQ(gltrace::Count("glBegin"), 0);
    EXPECT_TRUE(Traced("ColorLines", {two, Triples({{0, 0, 1}, {1, 1, 1}})}).empty());
    EXPECT_EQ(ArgsOf("glColor3f")[0], (Values{0, 0, 1})) << "triples are used as they stand";
}

TEST_F(Prims, ComputedNormalsFaceTheViewerAndAlternateAlongStrips) {
    Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0})});
    EXPECT_EQ(ArgsOf("glNormal3f"), (std::vector<Values>{{0, 0, 1}, {0, 0, -4}}))
        << "counter-clockwise points to the viewer, unnormalised; clockwise away";
    EXPECT_EQ(gltrace::Sequence({"glBegin", "glNormal3f", "glVertex3f"})[1], "glNormal3f");

    Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0, 1, 2, 0})});
    std::vector<Values> normals = ArgsOf("glNormal3f");
    ASSERT_EQ(normals.size(), 6u);
    for (const Values& n : normals) EXPECT_EQ(n, (Values{0, 0, 1})) << "a planar strip faces one way";
    EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glVertex3f"}).size(), 12u);

    // A tilted strip: vertex 3 gets its triangle's normal negated, vertex 4 as it is.
    Traced("TriangleStrip", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 2, 2})});
    normals = ArgsOf("glNormal3f");
    ASSERT_EQ(normals.size(), 5u);
    EXPECT_EQ(normals[3], (Values{-1, -1, 1}));
    EXPECT_EQ(normals[4], (Values{-1, -2, 1}));

    // 4097 * 4097 - 4096 * 4098 is 1 in double precision, 0 in single.
    Traced("Triangles", {Flat({4096, 4097, 0, 0, 0, 0, 4097, 4098, 0})});
    EXPECT_EQ(ArgsOf("glNormal3f"), (std::vector<Values>{{0, 0, 1}}));
}

TEST_F(Prims, ColorTrianglesUsesATemporaryMaterialUnderLighting) {
    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0});
    Variable colors = Flat({1, 0, 0, 0, 1, 0, 0, 0, 1});
    Traced("ColorTriangles", {tri, Flat({0, 0, 1, 0, 0, 1, 0, 0, 1}), colors});
    EXPECT_EQ(gltrace::Count("glMaterialfv"), 0);
    EXPECT_EQ(gltrace::Sequence({"glColor3f", "glNormal3f", "glVertex3f"}),
              (std::vector<std::string>{"glColor3f", "glNormal3f", "glVertex3f", "glColor3f",
                                        "glNormal3f", "glVertex3f", "glColor3f", "glNormal3f",
                                        "glVertex3f"}));

    native->lightEnabled = 1;
    Traced("ColorTriangles", {tri, Flat({0, 0, 1}), colors});
    EXPECT_EQ(gltrace::Count("glColor3f"), 0);
    std::vector<std::string> batch = Batch();
    ASSERT_FALSE(batch.empty());
    EXPECT_EQ(batch.front(), "glBegin");
    EXPECT_EQ(std::count(batch.begin(), batch.end(), "glMaterialfv"), 8) << "one triangle, one material";
    EXPECT_EQ(std::count(batch.begin(), batch.end(), "glMaterialf"), 2);
    size_t diffuse = gltrace::Find("glMaterialfv", {GL_FRONT, GL_DIFFUSE});
    ASSERT_NE(diffuse, gltrace::npos);
    EXPECT_EQ(gltrace::Calls()[diffuse].arrays[0], Floats({0.9f, 0, 0, 1})) << "the first colour, red";
    EXPECT_LT(diffuse, gltrace::Find("glNormal3f"));

    Variable quad = Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    Variable quadColors = Flat({1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0});
    for (const char* method : {"ColorQuads", "ColorPolygon"}) {
        Traced(method, {quad, quad, quadColors});
        EXPECT_EQ(gltrace::Count("glMaterialfv"), 0) << method;
        EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glColor3f", "glVertex3f"}).size(), 12u);
        EXPECT_EQ(gltrace::Sequence({"glNormal3f", "glColor3f", "glVertex3f"})[1], "glColor3f");
    }
}

class Mesh : public Scene {
protected:
    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 2, 0, 3, 2, 0, 2, 3, 0});
    Variable up = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    Variable red, blue;

    void SetUp() override {
        Scene::SetUp();
        red = h.New("OglMaterial", {Num(1), Num(0), Num(0), Num(1)});
        blue = h.New("OglMaterial", {Num(0), Num(0), Num(1), Num(1)});
    }
    // The diffuse red of each material applied, in order.
    std::vector<double> Applied() {
        std::vector<double> reds;
        for (const gltrace::Call& c : gltrace::Named("glMaterialfv"))
            if (c.args[0] == GL_FRONT && c.args[1] == GL_DIFFUSE) reds.push_back(c.arrays[0][0]);
        return reds;
    }
};

TEST_F(Mesh, BatchesByGroupAndAppliesTheMaterialWhenTheGroupChanges) {
    EXPECT_TRUE(Traced("TrianglesEx", {Vec({tri}), Vec({up}), Vec({Int(0), Int(1), Int(0)}),
                                       Vec({red})})
                    .empty());
    EXPECT_EQ(gltrace::Count("glBegin"), 1);
    EXPECT_EQ(gltrace::Count("glVertex3f"), 9);
    EXPECT_EQ(Applied(), (std::vector<double>{0.9f}));
    EXPECT_EQ(ArgsOf("glVertex3f")[3], (Values{2, 2, 0})) << "index 1 starts at vertex 3";

    // Two groups of one triangle each; indices alternate between them.
    Variable first = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0});
    Variable second = Flat({5, 5, 0, 6, 5, 0, 5, 6, 0});
    Variable n3 = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1});
    Traced("TrianglesEx", {Vec({first, second}), Vec({n3, n3}), Flat({0, 1, 1, 0}), Vec({red, blue})});
    EXPECT_EQ(gltrace::Count("glBegin"), 3);
    EXPECT_EQ(gltrace::Count("glEnd"), 3);
    EXPECT_EQ(Applied(), (std::vector<double>{0.9f, 0, 0.9f})) << "re-applied when a group comes back";
    EXPECT_EQ(gltrace::Sequence({"glBegin", "glEnd", "glMaterialf"}),
              (std::vector<std::string>{"glMaterialf", "glMaterialf", "glBegin", "glEnd", "glMaterialf",
                                        "glMaterialf", "glBegin", "glEnd", "glMaterialf",
                                        "glMaterialf", "glBegin", "glEnd"}));
    EXPECT_EQ(ArgsOf("glVertex3f")[3], (Values{5, 5, 0}));

    // A material value that is no object: error 40, drawn with the state as it is.
    EXPECT_EQ(Traced("TrianglesEx", {Vec({first}), Vec({n3}), Flat({0}), Vec({Int(3)})}),
              std::vector<int>{40});
    EXPECT_EQ(gltrace::Count("glVertex3f"), 3);
    EXPECT_EQ(gltrace::Count("glMaterialfv"), 0);
}

TEST_F(Mesh, RefusesBadIndicesShortGroupsAndTooFewMaterialsBeforeDrawing) {
    Variable groups = Vec({tri}), normals = Vec({up}), mats = Vec({red});
    struct Case {
        const char* what;
        std::vector<Variable> args;
    } cases[] = {
        {"index past the end", {groups, normals, Flat({0, 2}), mats}},
        {"negative index", {groups, normals, Flat({-1}), mats}},
        {"no normal group", {groups, Vec({}), Flat({0}), mats}},
        {"normals of another size", {groups, Vec({Flat({0, 0, 1})}), Flat({0}), mats}},
        {"no material for group 1", {Vec({tri, tri}), Vec({up, up}), Flat({0, 2}), mats}},
        {"group of 4 points", {Vec({Flat({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3})}),
                               Vec({Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})}), Flat({0}), mats}},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Traced("TrianglesEx", c.args), std::vector<int>{8}) << c.what;
        EXPECT_EQ(gltrace::Calls().size(), 0u) << c.what;
    }
    // Every bad group is reported.
    EXPECT_EQ(Traced("TrianglesEx", {Vec({Flat({0, 0, 0}), Flat({1, 1, 1})}),
                                     Vec({Flat({0, 0, 1}), Flat({0, 0, 1})}), Flat({0}), mats}),
              (std::vector<int>{8, 8}));
    // Materials beyond the highest group used are not needed.
    EXPECT_TRUE(Traced("TrianglesEx", {Vec({tri, tri}), Vec({up, up}), Flat({0, 1}), mats}).empty());
    EXPECT_EQ(gltrace::Count("glVertex3f"), 6);
}

TEST_F(Prims, SwitchesPolygonModeAndSmoothing) {
    native->wired = 1;
    Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})});
    EXPECT_EQ(ArgsOf("glPolygonMode"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_LINE}}));
    GLint mode[2];
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    EXPECT_EQ(mode[1], GL_LINE) << "left as set";
    native->wired = 0;
    Traced("Quads", {Flat({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}), Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})});
    EXPECT_EQ(ArgsOf("glPolygonMode"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_FILL}}));

    native->smoothPoint = 1;
    Traced("SetPoints", {Flat({1, 1, 0})});
    EXPECT_EQ(gltrace::Sequence({"glEnable", "glDisable", "glBegin"}),
              (std::vector<std::string>{"glEnable", "glBegin"}));
    EXPECT_EQ(ArgsOf("glEnable"), std::vector<Values>{{GL_POINT_SMOOTH}});
    EXPECT_EQ(gltrace::Count("glPolygonMode"), 0) << "points leave the polygon mode alone";
    for (const char* method : {"LineStrip", "Lines"}) {
        Traced(method, {Flat({1, 1, 0, 2, 2, 0})});
        EXPECT_EQ(ArgsOf("glDisable"), std::vector<Values>{{GL_LINE_SMOOTH}}) << method;
    }
    native->smoothLine = 1;
    Traced("ColorLines", {Flat({1, 1, 0, 2, 2, 0}), Flat({1, 1, 1, 1, 1, 1})});
    EXPECT_EQ(ArgsOf("glEnable"), std::vector<Values>{{GL_LINE_SMOOTH}});

    Traced("SetPointSize", {Num(4.5)});
    Traced("SetLineWidth", {Int(3)});
    EXPECT_EQ(ArgsOf("glLineWidth"), std::vector<Values>{{3}});
    GLfloat size;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 4.5f);
}

TEST_F(Prims, AnUnboundContextReadsAndChecksButDrawsNothing) {
    Call("FreeMDC", {});
    EXPECT_TRUE(Traced("Triangles", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})}).empty());
    EXPECT_EQ(Traced("Polygon", {Flat({0, 0, 0}), Flat({0, 0, 1})}), std::vector<int>{8});
    EXPECT_EQ(Traced("SetPoints", {Vec({Point3(h, 1, 2, 3), Str("x")})}), (std::vector<int>{9, 9, 9}));
    Traced("SetPointSize", {Num(3)});
    EXPECT_EQ(ArgsOf("glPointSize"), std::vector<Values>{{3}}) << "the size needs only a rendering context";
    native->lightEnabled = 1;
    Traced("ColorQuads", {Flat({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}), Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}),
                        Flat({1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0})});
    EXPECT_TRUE(Traced("TrianglesEx", {Vec({Flat({0, 0, 0, 1, 0, 0, 0, 1, 0})}),
                                       Vec({Flat({0, 0, 1, 0, 0, 1, 0, 0, 1})}), Flat({0}),
                                       Vec({h.New("OglMaterial")})})
                    .empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u) << gltrace::Dump();
    Call("Close", {});
    Traced("SetLineWidth", {Num(2)});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
}

TEST_F(Prims, BadElementsRaiseErrorsAndDrawNothing) {
    Variable nested = Vec({Flat({1, 2, 3}), Vec({Flat({1}), Flat({2}), Flat({3})}), Flat({4, 5, 6})});
    struct Case {
        const char* what;
        Variable points;
        std::vector<int> errors;
    } cases[] = {
        {"a string among points", Vec({Point3(h, 1, 2, 3), Str("abc"), Point3(h, 4, 5, 6)}), {9, 9, 9}},
        {"a null among points", Vec({Flat({1, 2, 3}), Variable(), Flat({4, 5, 6})}), {9, 9, 9}},
        {"a number among points", Vec({Flat({1, 2, 3}), Int(7), Flat({4, 5, 6})}), {9, 9, 9}},
        {"a short point", Vec({Flat({1, 2, 3}), Flat({1, 2}), Flat({4, 5, 6})}), {11}},
        {"an object without x, y, z", Vec({Flat({1, 2, 3}), h.New("RECT"), Flat({4, 5, 6})}), {9, 9, 9}},
    };
    // One error for each member the bad point lacks; the points after it are not read.
    for (Case& c : cases) {
        EXPECT_EQ(Traced("Triangles", {c.points}), c.errors) << c.what;
        EXPECT_EQ(gltrace::Count("glBegin"), 0) << c.what;
    }
    // Nested garbage inside a point is read as numbers (a vector reads as 0).
    EXPECT_TRUE(Traced("Triangles", {nested}).empty());
    EXPECT_EQ(ArgsOf("glVertex3f")[1], (Values{0, 0, 0}));
    // Bad colours and normals stop the call too.
    Variable tri = Flat({0, 0, 0, 1, 0, 0, 0, 1, 0});
    EXPECT_EQ(Traced("ColorTriangles", {tri, tri, Vec({Str("r"), Str("g"), Str("b")})}),
              (std::vector<int>{9, 9, 9}));
    EXPECT_EQ(Traced("Triangles", {tri, Vec({Flat({0, 0})})}), std::vector<int>{11});
    EXPECT_EQ(gltrace::Count("glBegin"), 0);

    // A million bad elements: the first one's errors, not three million.
    Variable nulls;
    nulls.Init(VT_VECTOR, 1000000);
    nulls[0] = Flat({1, 2, 3});
    EXPECT_EQ(Traced("SetPoints", {nulls}), (std::vector<int>{9, 9, 9}));

    // NaN and infinity are passed on.
    double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    EXPECT_TRUE(Traced("Triangles", {Flat({nan, 0, 0, inf, 0, 0, 0, -inf, 0})}).empty());
    EXPECT_EQ(gltrace::Count("glVertex3f"), 3);
}

TEST_F(Prims, SelfMustBeAContext) {
    VarRegister result, args[2];
    args[0].value = Flat({0, 0, 0});
    args[1].value = Int(5);
    EXPECT_EQ(h.CallRow("VOpenGL::SetPoints(refer object Vector)", &result, args, 2),
              (std::vector<int>{40, 43}));
    Variable color = h.New("OglColor");
    args[1].value = color;
    EXPECT_EQ(h.CallRow("VOpenGL::Lines(refer object Vector)", &result, args, 2), std::vector<int>{43});
    EXPECT_EQ(result.value.type, VT_EMPTY);
}

}  // namespace
}  // namespace geotest
