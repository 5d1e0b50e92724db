// Display lists, the name stack and selection: the calls the rows send to
// OpenGL (traced), the hit records selection returns, nesting and overflow,
// and picking through lists of solids.
#include <GL/gl.h>

#include <climits>
#include <cstdlib>

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/platform.h"
#include "tests/support/gltrace.h"
#include "tests/support/harness.h"

namespace {

using Texts = std::vector<std::string>;

long Count(Variable& v) { return v.type == VT_VECTOR ? v.data.vec->count : -1; }

// One call as the tracer prints it, and every call recorded, printed,
// without the glTranslatef and glScalef libGLU makes inside gluPickMatrix.
std::string F(const char* name, std::vector<double> args, std::vector<std::vector<double>> arrays = {},
              std::optional<double> result = {}) {
    return gltrace::Format(gltrace::Call{name, std::move(args), std::move(arrays), result, {}});
}
Texts Traced() {
    Texts out;
    for (const gltrace::Call& c : gltrace::Calls())
        if (c.name != "glTranslatef" && c.name != "glScalef") out.push_back(gltrace::Format(c));
    return out;
}

std::vector<GLdouble> Projection() {
    std::vector<GLdouble> m(16);
    glGetDoublev(GL_PROJECTION_MATRIX, m.data());
    return m;
}

// A VOpenGL object opened on a new offscreen device of w x h pixels, after
// the given camera calls.
struct OpenScene {
    Harness h;
    Variable dc, gl;
    OglContext* c;
    OpenScene(int w, int ht, std::vector<std::pair<const char*, std::vector<Variable>>> camera = {})
        : dc(h.New("MDC", {Int(w), Int(ht)})), gl(h.New("VOpenGL")) {
        for (auto& [method, args] : camera) h.Call(gl, method, args);
        h.Call(gl, "Open", {dc});
        c = NativeOf<OglContext>(gl);
    }
};

// A 640 x 400 device (client bottom 400) with the 400 x 400 default
// viewport, a frustum of near 1 and far 10 and the eye 5 in front of the
// origin: a square of half side 0.2 at the origin covers pixels 192 to 208.
struct PickScene : OpenScene {
    PickScene()
        : OpenScene(640, 400, {{"SetClipping", {Int(-1), Int(1), Int(-1), Int(1), Int(1), Int(10)}},
                               {"SetViewerPos", {Int(0), Int(0), Int(5), Int(0), Int(0), Int(0), Int(0), Int(1),
                                                 Int(0)}}}) {}
    void Begin() { h.Call(gl, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)}); }
};

// A square of side 0.4 centred on (x, 0, z), drawn by raw OpenGL.
void Square(float x, float z) {
    glPushMatrix();
    glTranslatef(x, 0, z);
    glRectf(-0.2f, -0.2f, 0.2f, 0.2f);
    glPopMatrix();
}

// Window depth of a point at distance d in front of the eye, times two (the
// hit depths' scale), for the frustum near 1, far 10.
double HitDepth(double d) { return 1.0 + 11.0 / 9.0 - 20.0 / (9.0 * d); }

// Checks one hit record: its names, and depths that are floats near those
// of distances `near` and `far` (default: the same), within 0 to 2.
void ExpectHit(Variable& record, const std::vector<double>& names, double near, double far = 0) {
    ASSERT_EQ(Count(record), 3);
    ASSERT_EQ(Count(record[0]), static_cast<long>(names.size()));
    for (size_t i = 0; i < names.size(); i++) EXPECT_EQ(record[0][i].GetDoubleNumb(), names[i]) << "name " << i;
    ASSERT_EQ(record[1].type, VT_FLOAT);
    ASSERT_EQ(record[2].type, VT_FLOAT);
    float zmin = record[1].data.f, zmax = record[2].data.f;
    EXPECT_LE(0.0f, zmin);
    EXPECT_LE(zmin, zmax);
    EXPECT_LE(zmax, 2.0f);
    EXPECT_NEAR(zmin, HitDepth(near), 1e-3) << "depth words are scaled by 2^31";
    EXPECT_NEAR(zmax, HitDepth(far ? far : near), 1e-3);
}

TEST(Lists, NamesAndTheCallsListRowsMake) {
    OpenScene s(8, 8);
    Harness& h = s.h;
    Variable one = h.Call(s.gl, "GenList");
    ASSERT_EQ(one.type, VT_INT);
    EXPECT_GT(one.data.i, 0);
    Variable five = h.Call(s.gl, "GenList", {Int(5)});
    for (int i = 0; i < 5; i++) EXPECT_TRUE(glIsList(five.data.i + i) && five.data.i + i != one.data.i) << i;
    EXPECT_EQ(h.Call(s.gl, "GenList", {Int((1 << 20) + 1)}).data.i, 0) << "a block too large to reserve gives no names";

    gltrace::Scope trace;
    h.Call(s.gl, "NewList", {Int(0)});
    h.Call(s.gl, "NewList", {Int(-3)});
    h.Call(s.gl, "NewList", {Int(4)});
    h.Call(s.gl, "EndList");
    h.Call(s.gl, "CallLists", {Vec({Int(3), Int(1), Int(2)})});
    h.Call(s.gl, "CallList", {Int(-2)});
    h.Call(s.gl, "DeleteList", {Int(7)});
    h.Call(s.gl, "DeleteLists", {Int(7), Int(3)});
    EXPECT_EQ(Traced(), (Texts{F("glNewList", {4, GL_COMPILE}), F("glEndList", {}),
                               F("glCallLists", {3, GL_INT}, {{3, 1, 2}}), F("glCallList", {4294967294.0}),
                               F("glDeleteLists", {7, 1}), F("glDeleteLists", {7, 3})}))
        << "names 0 and -3 are not recorded; -2 reaches OpenGL with the same bits";

    gltrace::Clear();
    Variable closed = h.New("VOpenGL");
    h.Call(closed, "CallLists", {Vec({Int(1)})});
    h.Call(closed, "CallList", {Int(1)});
    h.Call(closed, "NewList", {Int(1)});
    EXPECT_EQ(Traced(), Texts{}) << "an unopened context calls nothing";

    // Deleting "every name" is cut at the highest name made, so OpenGL does
    // not look up two billion names; a block above it is left out.
    gltrace::Clear();
    h.Call(s.gl, "DeleteLists", {Int(INT_MAX - 5), Int(INT_MAX)});
    h.Call(s.gl, "DeleteLists", {Int(-1), Int(INT_MAX)});
    h.Call(s.gl, "DeleteLists", {Int(2), Int(INT_MAX)});
    const std::vector<gltrace::Call>& calls = gltrace::Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0], 2);
    double last = 2 + calls[0].args[1] - 1;
    EXPECT_GE(last, five.data.i + 4) << "the block reaches the highest name GenList gave";
    EXPECT_LT(last, 1 << 20);
    for (int i = 0; i < 5; i++) EXPECT_FALSE(glIsList(five.data.i + i)) << i;
    EXPECT_FALSE(glIsList(4));
    EXPECT_TRUE(h.Errors().empty());
}

// While a list is recorded, a call that would make it reach itself, directly
// or through other lists, is left out (error 8 naming the list) and nothing
// of it is recorded. NewList replaces a list's calls, DeleteLists forgets
// them, and each rendering context has lists of its own.
TEST(Lists, NoListCallsItselfDirectlyOrThroughOthers) {
    OpenScene s(8, 8);
    Harness& h = s.h;
    // Records one call into `list`: "" when recorded, else the error's text.
    auto record = [&](Variable& gl, int list, const char* method, Variable names) {
        h.Call(gl, "NewList", {Int(list)});
        gltrace::Scope trace;
        h.Call(gl, method, {names});
        int recorded = gltrace::Count("glCallList") + gltrace::Count("glCallLists");
        h.Call(gl, "EndList");
        std::vector<vesk::ErrorEntry> errors = h.TakeErrors();
        if (errors.empty()) return recorded == 1 ? std::string() : std::string("not recorded, no error");
        EXPECT_EQ(recorded, 0) << "a refused call is left out";
        EXPECT_EQ(errors.size(), 1u);
        return std::to_string(errors[0].number) + " " + errors[0].text;
    };
    EXPECT_EQ(record(s.gl, 1, "CallLists", Vec({Bool(true), Bool(false), Bool(true)})),
              "8 CallLists: list 1 would call itself; the call is left out of list 1");
    EXPECT_EQ(record(s.gl, 1, "CallList", Int(2)), "");
    EXPECT_EQ(record(s.gl, 2, "CallList", Int(3)), "");
    EXPECT_EQ(record(s.gl, 3, "CallLists", Vec({Int(4), Int(1)})),
              "8 CallLists: list 3 would call itself through list 1; the call is left out of list 3");
    EXPECT_EQ(record(s.gl, 2, "CallList", Int(4)), "") << "2 calls 4 instead of 3";
    EXPECT_EQ(record(s.gl, 3, "CallList", Int(1)), "");
    h.Call(s.gl, "DeleteList", {Int(3)});
    EXPECT_EQ(record(s.gl, 2, "CallList", Int(3)), "") << "3 went with its calls";

    // Here 1 reaches 3; in another rendering context 3 may call 1.
    Variable dc = h.New("MDC", {Int(8), Int(8)}), other = h.New("VOpenGL");
    h.Call(other, "Open", {dc});
    EXPECT_EQ(record(other, 3, "CallList", Int(1)), "");
    h.Call(other, "CallList", {Int(3)});
    EXPECT_TRUE(h.Errors().empty());
}

// One call runs at most 2^20 lists inside the lists it names, each counted
// as often as it runs; lists nested deeper than OpenGL runs do not count.
TEST(Lists, OneCallRunsABoundedNumberOfNestedLists) {
    OpenScene s(8, 8);
    Harness& h = s.h;
    int l = h.Call(s.gl, "GenList", {Int(22)}).data.i;
    for (int k = 1; k < 22; k++) {  // list l + k calls l + k - 1 twice: 2^(k+1) - 2 runs inside it
        h.Call(s.gl, "NewList", {Int(l + k)});
        h.Call(s.gl, "CallLists", {Vec({Int(l + k - 1), Int(l + k - 1)})});
        h.Call(s.gl, "EndList");
    }
    gltrace::Scope trace;
    h.Call(s.gl, "CallList", {Int(l + 19)});
    h.Call(s.gl, "CallLists", {Vec({Int(l + 18), Int(l + 18), Int(l + 1)})});
    EXPECT_TRUE(h.Errors().empty()) << "2^20 - 2 runs each";
    h.Call(s.gl, "CallList", {Int(l + 20)});
    h.Call(s.gl, "CallLists", {Vec({Int(l + 1), Int(l + 19), Int(l + 2)})});
    std::vector<vesk::ErrorEntry> errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].number, 8);
    EXPECT_EQ(errors[0].text, "CallList: the lists called would run more than 1048576 lists inside them; nothing is run");
    EXPECT_EQ(gltrace::Count("glCallList") + gltrace::Count("glCallLists"), 2) << "refused calls run nothing";

    // A chain of 70 lists ends in l + 20: OpenGL runs 64 levels, so from the
    // chain's first list l + 20 does not run.
    int chain = h.Call(s.gl, "GenList", {Int(70)}).data.i;
    for (int k = 0; k < 70; k++) {
        h.Call(s.gl, "NewList", {Int(chain + k)});
        h.Call(s.gl, "CallList", {Int(k < 69 ? chain + k + 1 : l + 20)});
        h.Call(s.gl, "EndList");
    }
    h.Call(s.gl, "CallList", {Int(chain)});
    EXPECT_TRUE(h.Errors().empty());
    h.Call(s.gl, "CallList", {Int(chain + 40)});
    EXPECT_EQ(h.Errors(), std::vector<int>{8}) << "from its 41st list on, all of l + 20 runs";

    h.Call(s.gl, "DeleteList", {Int(l + 10)});
    h.Call(s.gl, "CallList", {Int(l + 21)});
    EXPECT_TRUE(h.Errors().empty()) << "the lists above a deleted one run less";
}

// At most 2^22 list names are alive in the process: past that GenList gives
// 0 and NewList records no new name. Deleting lists, and deleting their
// rendering context, gives names back.
TEST(Lists, TheNamesAliveInTheProcessAreBounded) {
    OpenScene s(8, 8);
    Harness& h = s.h;
    int blocks[5];
    for (int& first : blocks) first = h.Call(s.gl, "GenList", {Int(1 << 20)}).data.i;
    for (int k = 0; k < 4; k++) EXPECT_GT(blocks[k], 0) << k;
    EXPECT_EQ(blocks[4], 0);
    EXPECT_EQ(h.Call(s.gl, "GenList").data.i, 0);
    gltrace::Scope trace;
    h.Call(s.gl, "NewList", {Int(INT_MAX)});
    h.Call(s.gl, "NewList", {Int(blocks[2])});
    h.Call(s.gl, "EndList");
    EXPECT_EQ(Traced(), (Texts{F("glNewList", {double(blocks[2]), GL_COMPILE}), F("glEndList", {})}))
        << "only a name alive is recorded";
    h.Call(s.gl, "DeleteLists", {Int(blocks[1]), Int(1 << 20)});
    EXPECT_GT(h.Call(s.gl, "GenList", {Int(1 << 20)}).data.i, 0);

    Variable dc = h.New("MDC", {Int(8), Int(8)}), other = h.New("VOpenGL");
    h.Call(other, "Open", {dc});
    EXPECT_EQ(h.Call(other, "GenList").data.i, 0);
    h.Call(s.gl, "Close");
    h.Call(other, "BindMDC", {dc});
    EXPECT_GT(h.Call(other, "GenList", {Int(1 << 20)}).data.i, 0);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Selection, BeginAndEndSelectionCalls) {
    OpenScene s(640, 400, {{"SetClipping", {Int(-2), Int(3), Int(-4), Int(5), Int(1), Int(50)}}});
    Harness& h = s.h;
    gltrace::Scope trace;
    h.Call(s.gl, "BeginSelection", {Int(100), Int(50), Int(5), Int(5)});
    EXPECT_EQ(Traced(), (Texts{F("glSelectBuffer", {512}), F("glRenderMode", {GL_SELECT}, {}, 0),
                               F("glGetIntegerv", {GL_VIEWPORT}), F("glMatrixMode", {GL_PROJECTION}),
                               F("glPushMatrix", {}), F("glLoadIdentity", {}),
                               F("gluPickMatrix", {98, 348, 5, 5}, {{0, 0, 400, 400}}),
                               F("glFrustum", {-2, 3, -4, 5, 1, 50}), F("glMatrixMode", {GL_MODELVIEW})}))
        << "the centre from the top-right corner with y up, in the viewport OpenGL holds";
    gltrace::Clear();
    h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Traced(), (Texts{F("glMatrixMode", {GL_PROJECTION}), F("glPopMatrix", {}),
                               F("glMatrixMode", {GL_MODELVIEW}), F("glFlush", {}),
                               F("glRenderMode", {GL_RENDER}, {}, 0)}));
    gltrace::Clear();
    h.Call(s.gl, "EndSelection");
    EXPECT_EQ(h.Errors(), std::vector<int>{1005});
    EXPECT_EQ(Traced(), Texts{}) << "no selection running: no OpenGL call";
}

TEST(Selection, HitRecordsFollowTheNameStack) {
    PickScene s;
    Harness& h = s.h;
    s.Begin();
    h.Call(s.gl, "InitNameStack");
    h.Call(s.gl, "PushName", {Int(11)});
    h.Call(s.gl, "InitNameStack");  // empties the stack
    h.Call(s.gl, "PushName", {Int(3)});
    h.Call(s.gl, "PushName", {Int(7)});
    Square(0, 0);
    Square(0, 1);
    h.Call(s.gl, "PopName");  // writes the first record
    h.Call(s.gl, "LoadName", {Int(-1)});
    Square(0, 2);  // nearer
    Variable hits = h.Call(s.gl, "EndSelection");
    ASSERT_EQ(Count(hits), 2) << vesk::Format(hits);
    ExpectHit(hits[0], {3, 7}, 4, 5);
    ExpectHit(hits[1], {4294967295.0}, 3);
    EXPECT_LT(hits[1][1].data.f, hits[0][1].data.f) << "nearer hits have smaller depths";

    s.Begin();
    h.Call(s.gl, "PushName", {Int(3)});
    Square(0.8f, 0);
    hits = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(hits), 0) << "nothing drawn inside: " << vesk::Format(hits);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Selection, NestingOverflowAndTheResultTarget) {
    PickScene s;
    Harness& h = s.h;
    // Ending with no selection running: error 5, the target untouched.
    Variable target = Str("kept");
    VarRegister result, self;
    result.isRef = 1;
    result.ref = &target;
    self.value = s.gl;
    EXPECT_EQ(h.CallRow("VOpenGL::EndSelection(void)", &result, &self, 1), std::vector<int>{1005});
    EXPECT_EQ(target.type, VT_STRING);

    std::vector<GLdouble> before = Projection();
    s.Begin();
    std::vector<GLdouble> outer = Projection();
    h.Call(s.gl, "BeginSelection", {Int(10), Int(10), Int(3), Int(3)});
    EXPECT_EQ(s.c->selection.depth, 2);
    Variable first = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(first), 0);
    EXPECT_EQ(Projection(), outer);
    Variable second = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(second), 0);
    EXPECT_EQ(Projection(), before);
    EXPECT_TRUE(h.Errors().empty());

    // 200 hits of 13 words overflow the 512 words: an empty vector.
    s.Begin();
    for (int depth = 0; depth < 10; depth++) h.Call(s.gl, "PushName", {Int(depth)});
    for (int i = 0; i < 200; i++) {
        h.Call(s.gl, "LoadName", {Int(i)});
        Square(0, 0);
    }
    Variable hits = h.Call(s.gl, "EndSelection");
    EXPECT_EQ(Count(hits), 0);

    // The next selection works, into the register's designated value.
    s.Begin();
    h.Call(s.gl, "PushName", {Int(4)});
    Square(0, 0);
    EXPECT_TRUE(h.CallRow("VOpenGL::EndSelection(void)", &result, &self, 1).empty());
    ASSERT_EQ(Count(target), 1);
    ExpectHit(target[0], {4}, 5);
    EXPECT_EQ(s.c->selection.depth, 0);
}

// OpenGL writes hits into the buffer of the rendering context that selects,
// whichever object began the selection there, so the buffer belongs to that
// context: it outlives an object that began a selection in another object's
// context and is destroyed (open, or closed first) while it runs.
TEST(Selection, TheBufferBelongsToTheRenderingContextThatSelects) {
    for (bool closedLast : {false, true}) {
        PickScene s;
        Harness& h = s.h;
        Variable dc = h.New("MDC", {Int(64), Int(64)});
        Variable a = h.New("VOpenGL");
        h.Call(a, "Open", {dc});
        if (!closedLast) h.Call(a, "Close");  // back to the scene's context
        else h.Call(s.gl, "BindMDC", {s.dc});
        ASSERT_EQ(platform::CurrentContext(), s.c->hglrc);
        const char* begun = reinterpret_cast<const char*>(a.data.obj->GetAss());
        h.Call(a, "BeginSelection", {Int(202), Int(202), Int(5), Int(5)});
        if (closedLast) h.Call(a, "Close");
        a._Clear();
        h.Call(s.gl, "BindMDC", {s.dc});
        GLint mode = 0;
        glGetIntegerv(GL_RENDER_MODE, &mode);
        ASSERT_EQ(mode, GL_SELECT) << "the scene's context still selects";
        void* buffer = nullptr;
        glGetPointerv(GL_SELECTION_BUFFER_POINTER, &buffer);
        const char* at = static_cast<const char*>(buffer);
        EXPECT_FALSE(at >= begun && at < begun + sizeof(OglContext)) << "not inside the object that is gone";
        glInitNames();
        glPushName(3);
        Square(0, 0);
        ASSERT_EQ(glRenderMode(GL_RENDER), 1);
        const GLuint* hit = static_cast<const GLuint*>(buffer);
        EXPECT_EQ(hit[0], 1u);
        EXPECT_EQ(hit[3], 3u);
        EXPECT_TRUE(h.Errors().empty());
    }
}

// Lists that hold solids GLU draws as fans and strips are picked, not
// crashed on (Mesa replays such a list badly in selection mode unless the
// kinds of primitive are kept apart), and draw what the direct calls draw.
TEST(Selection, ListsOfSpheresAndDisksArePickedAndDrawTheSame) {
    OpenScene s(64, 64, {{"SetViewPort", {Int(0), Int(0), Int(64), Int(64)}},
                         {"SetPerspective", {Int(45), Int(1), Int(1), Int(100)}},
                         {"SetViewerPos", {Int(0), Int(0), Int(8), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)}}});
    Harness& h = s.h;
    auto draw = [&] {
        h.Call(s.gl, "Sphere", {Num(-1.2), Int(0), Int(0), Num(0.8), Int(12)});
        h.Call(s.gl, "Disk", {Int(0), Num(0.9), Int(8)});
        h.Call(s.gl, "PartialDisk", {Int(0), Num(0.9), Int(0), Int(270), Int(5)});
        h.Call(s.gl, "Sphere", {Num(1.2), Int(0), Int(0), Num(0.6)});
    };
    h.Call(s.gl, "Clear");
    draw();
    std::vector<unsigned char> direct(64 * 64 * 3), replayed(direct.size());
    glReadPixels(0, 0, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, direct.data());
    ASSERT_GT(*std::max_element(direct.begin(), direct.end()), 200) << "the solids show";

    Variable list = h.Call(s.gl, "GenList");
    h.Call(s.gl, "NewList", {list});
    draw();
    h.Call(s.gl, "EndList");
    h.Call(s.gl, "Clear");
    h.Call(s.gl, "CallList", {list});
    glReadPixels(0, 0, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, replayed.data());
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
