// The name stack and selection mode against real OpenGL: hit records, the
// pick rectangle, nesting, overflow of the selection buffer, the restored
// projection, and bad rectangles.
#include <GL/gl.h>

#include <climits>

#include <gtest/gtest.h>

#include "tests/picking/picking_util.h"

namespace {

// Window depth of a point at distance d in front of the eye, times two (the
// hit depths' scale), for the frustum near 1, far 10.
double HitDepth(double d) { return 1.0 + 11.0 / 9.0 - 20.0 / (9.0 * d); }

// A 640 x 400 device (client bottom 400) with the 400 x 400 default
// viewport, a frustum of near 1 and far 10 and the eye 5 in front of the
// origin: a square of half side 0.2 at the origin covers pixels 192 to 208.
// Opening again sends the stored camera.
struct PickScene : OpenScene {
    explicit PickScene(Harness& h) : OpenScene(h, 640, 400) {
        c->clip = OglBox(-1, 1, 1, -1, 1, 10);
        c->eye = OglPoint4(0, 0, 5, 1);
        h.Call(gl, "Open", {dc});
    }
};

std::vector<GLdouble> Projection() {
    std::vector<GLdouble> m(16);
    glGetDoublev(GL_PROJECTION_MATRIX, m.data());
    return m;
}

GLint Get(GLenum what) {
    GLint v = -1;
    glGetIntegerv(what, &v);
    return v;
}

long Count(Variable& v) { return v.type == VT_VECTOR ? v.data.vec->count : -1; }

// Checks one hit record: its names and that its depths are floats around
// `depth`, in order, within 0 to 2.
void ExpectHit(Variable& record, const std::vector<double>& names, double depth) {
    ASSERT_EQ(Count(record), 3);
    ASSERT_EQ(Count(record[0]), static_cast<long>(names.size()));
    for (size_t i = 0; i < names.size(); i++) EXPECT_EQ(record[0][i].GetDoubleNumb(), names[i]) << "name " << i;
    ASSERT_EQ(record[1].type, VT_FLOAT);
    ASSERT_EQ(record[2].type, VT_FLOAT);
    float zmin = record[1].data.f, zmax = record[2].data.f;
    EXPECT_LE(0.0f, zmin);
    EXPECT_LE(zmin, zmax);
    EXPECT_LE(zmax, 2.0f);
    EXPECT_NEAR(zmin, depth, 1e-3) << "depth words are scaled by 2^31";
}

TEST(Selection, EndWithoutBeginIsModuleErrorFive) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable kept = Str("kept");
    VarRegister result, self;
    result.isRef = 1;
    result.ref = &kept;
    self.value = gl;
    EXPECT_EQ(h.CallRow("VOpenGL::EndSelection(void)", &result, &self, 1), std::vector<int>{1005});
    EXPECT_EQ(kept.type, VT_STRING) << "the target is not touched";
    EXPECT_EQ(result.isRef, 1);

    vesk::SetErrorBase(h.module, 300);
    h.Call(gl, "EndSelection");
    auto errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 305);
    EXPECT_EQ(errors[0].message, "OpenGL is not in the Selection Mode");
    vesk::SetErrorBase(h.module, 1000);
}

TEST(Selection, OneObjectInsideGivesOneHitRecord) {
    Harness h;
    PickScene s(h);
    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    EXPECT_EQ(Get(GL_RENDER_MODE), GL_SELECT);
    EXPECT_EQ(Get(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(s.c->selectionDepth, 1);
    h.Call(s.gl, "InitNameStack");
    h.Call(s.gl, "PushName", {Int(3)});
    h.Call(s.gl, "PushName", {Int(7)});
    Square(0, 0, 0, 0.2f);
    Variable hits = h.Call(s.gl, "EndSelection");
    ASSERT_EQ(Count(hits), 1) << vesk::Format(hits);
    ExpectHit(hits[0], {3, 7}, HitDepth(5));
    EXPECT_EQ(hits[0][0][0].type, VT_INT);
    EXPECT_EQ(s.c->selectionDepth, 0);
    EXPECT_EQ(Get(GL_RENDER_MODE), GL_RENDER);

    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    h.Call(s.gl, "InitNameStack");
    h.Call(s.gl, "PushName", {Int(3)});
    Square(0.8f, 0, 0, 0.2f);
    hits = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(hits), 0) << "nothing drawn inside: " << vesk::Format(hits);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Selection, NameStackOperationsShapeTheRecords) {
    Harness h;
    PickScene s(h);
    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    h.Call(s.gl, "InitNameStack");
    h.Call(s.gl, "PushName", {Int(11)});
    h.Call(s.gl, "InitNameStack");  // empties the stack
    h.Call(s.gl, "PushName", {Int(-1)});
    h.Call(s.gl, "PushName", {Int(5)});
    Square(0, 0, 0, 0.2f);
    h.Call(s.gl, "PopName");  // writes the first record
    h.Call(s.gl, "LoadName", {Int(9)});
    Square(0, 0, 2, 0.2f);  // nearer
    Variable hits = h.Call(s.gl, "EndSelection");
    ASSERT_EQ(Count(hits), 2) << vesk::Format(hits);
    ExpectHit(hits[0], {4294967295.0, 5}, HitDepth(5));
    ExpectHit(hits[1], {9}, HitDepth(3));
    EXPECT_LT(hits[1][1].data.f, hits[0][1].data.f) << "nearer hits have smaller depths";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Selection, PickRectangleHasItsTopRightCornerAtXY) {
    Harness h;
    PickScene s(h);
    ASSERT_EQ(s.c->clientRect.bottom, 400);
    std::vector<GLdouble> before = Projection();
    h.Call(s.gl, "BeginSelection", {Int(100), Int(50), Int(5), Int(5)});
    EXPECT_NE(Projection(), before);
    h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Projection(), before) << "the projection comes back";
    EXPECT_EQ(Get(GL_PROJECTION_STACK_DEPTH), 1);
    EXPECT_EQ(Get(GL_MATRIX_MODE), GL_MODELVIEW);

    // The 5 x 5 rectangle spans x - 4.5 to x + 0.5 and, downwards in the
    // window, y - 0.5 to y + 4.5; the square spans 192 to 208 on both axes.
    auto hitsAt = [&](int x, int y) {
        h.Call(s.gl, "BeginSelection", {Int(x), Int(y), Int(5), Int(5)});
        h.Call(s.gl, "InitNameStack");
        h.Call(s.gl, "PushName", {Int(1)});
        Square(0, 0, 0, 0.2f);
        Variable hits = h.Call(s.gl, "EndSelection");
        return Count(hits);
    };
    EXPECT_EQ(hitsAt(212, 198), 1) << "the rectangle reaches left of x";
    EXPECT_EQ(hitsAt(191, 198), 0) << "and not right of it";
    EXPECT_EQ(hitsAt(202, 188), 1) << "the rectangle reaches below y";
    EXPECT_EQ(hitsAt(202, 209), 0) << "and not above it";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Selection, NestedSelectionsNeedAsManyEnds) {
    Harness h;
    PickScene s(h);
    std::vector<GLdouble> before = Projection();
    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    std::vector<GLdouble> outer = Projection();
    h.Call(s.gl, "BeginSelection", {Int(10), Int(10), Int(3), Int(3)});
    EXPECT_EQ(s.c->selectionDepth, 2);
    Variable first = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(first), 0);
    EXPECT_EQ(Projection(), outer);
    Variable second = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(second), 0);
    EXPECT_EQ(Projection(), before);
    EXPECT_TRUE(h.Errors().empty());
    Variable third = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(h.Errors(), std::vector<int>{1005});
    EXPECT_EQ(third.type, VT_EMPTY);
    EXPECT_EQ(Projection(), before) << "the failed end pops nothing";
}

TEST(Selection, OverflowGivesAnEmptyVectorAndTheNextSelectionWorks) {
    Harness h;
    PickScene s(h);
    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    h.Call(s.gl, "InitNameStack");
    for (int depth = 0; depth < 10; depth++) h.Call(s.gl, "PushName", {Int(depth)});
    for (int i = 0; i < 200; i++) {  // 13 words a hit: 2600 words for 512
        h.Call(s.gl, "LoadName", {Int(i)});
        Square(0, 0, 0, 0.2f);
    }
    Variable hits = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(hits.type, VT_VECTOR);
    EXPECT_EQ(Count(hits), 0);
    EXPECT_EQ(s.c->selectionDepth, 0);
    EXPECT_EQ(Get(GL_RENDER_MODE), GL_RENDER);
    EXPECT_TRUE(h.Errors().empty());

    // A full buffer that did not overflow: 39 records of 13 words.
    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    h.Call(s.gl, "InitNameStack");
    for (int depth = 0; depth < 10; depth++) h.Call(s.gl, "PushName", {Int(depth)});
    for (int i = 0; i < 39; i++) {
        h.Call(s.gl, "LoadName", {Int(100 + i)});
        Square(0, 0, 0, 0.2f);
    }
    hits = h.Call(s.gl, "EndSelection");
    ASSERT_EQ(Count(hits), 39);
    ExpectHit(hits[38], {0, 1, 2, 3, 4, 5, 6, 7, 8, 138}, HitDepth(5));
}

TEST(Selection, ResultFollowsAReferringRegister) {
    Harness h;
    PickScene s(h);
    h.Call(s.gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
    h.Call(s.gl, "InitNameStack");
    h.Call(s.gl, "PushName", {Int(4)});
    Square(0, 0, 0, 0.2f);
    Variable target = Int(1);
    VarRegister result, self;
    result.isRef = 1;
    result.ref = &target;
    self.value = s.gl;
    EXPECT_TRUE(h.CallRow("VOpenGL::EndSelection(void)", &result, &self, 1).empty());
    ASSERT_EQ(Count(target), 1);
    ExpectHit(target[0], {4}, HitDepth(5));
}

TEST(Selection, ExtremeRectanglesNeitherCrashNorLeakALevel) {
    Harness h;
    PickScene s(h);
    std::vector<GLdouble> before = Projection();
    const int rects[][4] = {
        {INT_MIN, INT_MAX, 5, 5},   {INT_MAX, INT_MIN, INT_MAX, INT_MAX},
        {0, 0, 0, 0},               {10, 10, -5, -5},
        {-10, -10, INT_MIN, 5},     {200, 200, INT_MAX, INT_MAX},
    };
    for (const auto& r : rects) {
        h.Call(s.gl, "BeginSelection", {Int(r[0]), Int(r[1]), Int(r[2]), Int(r[3])});
        h.Call(s.gl, "PushName", {Int(1)});
        Square(0, 0, 0, 0.2f);
        Variable hits = h.Call(s.gl, "EndSelection");
        EXPECT_EQ(hits.type, VT_VECTOR) << r[0] << ", " << r[1] << ", " << r[2] << ", " << r[3];
        EXPECT_EQ(s.c->selectionDepth, 0);
        EXPECT_EQ(Projection(), before);
    }
    EXPECT_TRUE(h.Errors().empty());
    ClearGlErrors();
}

}  // namespace

namespace {

// Lists that hold solids GLU draws as fans and strips are picked, not
// crashed on (Mesa replays such a list badly in selection mode unless the
// kinds of primitive are kept apart), and draw what the direct calls draw.
TEST(Selection, ListsOfSpheresAndDisksArePickedAndDrawTheSame) {
    Harness h;
    OpenScene s(h, 64, 64);
    h.Call(s.gl, "SetViewPort", {Int(0), Int(0), Int(64), Int(64)});
    h.Call(s.gl, "SetPerspective", {Int(45), Int(1), Int(1), Int(100)});
    h.Call(s.gl, "SetViewerPos", {Int(0), Int(0), Int(8), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    auto draw = [&] {
        h.Call(s.gl, "Sphere", {Num(-1.2), Int(0), Int(0), Num(0.8), Int(12)});
        h.Call(s.gl, "Disk", {Int(0), Num(0.9), Int(8)});
        h.Call(s.gl, "PartialDisk", {Int(0), Num(0.9), Int(0), Int(270), Int(5)});
        h.Call(s.gl, "Sphere", {Num(1.2), Int(0), Int(0), Num(0.6)});
    };
    h.Call(s.gl, "Clear");
    draw();
    std::vector<unsigned char> direct = Pixels(64, 64);

    Variable list = h.Call(s.gl, "GenList");
    h.Call(s.gl, "NewList", {list});
    draw();
    h.Call(s.gl, "EndList");
    EXPECT_FALSE(s.c->recordingList);
    h.Call(s.gl, "Clear");
    h.Call(s.gl, "CallList", {list});
    std::vector<unsigned char> replayed = Pixels(64, 64);
    int differ = 0;
    for (size_t i = 0; i < direct.size(); i++) differ += std::abs(direct[i] - replayed[i]) > 8;
    EXPECT_LE(differ, 12) << "the list draws what the calls draw";

    for (int x : {20, 32, 44}) {
        h.Call(s.gl, "BeginSelection", {Int(x + 2), Int(30), Int(5), Int(5)});
        h.Call(s.gl, "InitNameStack");
        h.Call(s.gl, "PushName", {Int(x)});
        h.Call(s.gl, "CallList", {list});
        Variable hits = h.Call(s.gl, "EndSelection");
        ASSERT_EQ(Count(hits), 1) << "at x " << x;
        EXPECT_EQ(hits[0][0][0].GetDoubleNumb(), x);
    }
    EXPECT_TRUE(h.Errors().empty());
}

}  // namespace
