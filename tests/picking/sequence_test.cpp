// The OpenGL and GLU calls behind the list, name-stack and selection rows, as
// the tracer records them: which calls, with which arguments, in which order.
#include <GL/gl.h>

#include <climits>

#include <gtest/gtest.h>

#include "tests/picking/picking_util.h"
#include "tests/support/gltrace.h"

namespace {

using Names = std::vector<std::string>;

Variable Vec(std::initializer_list<Variable> items) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(items.size()));
    long i = 0;
    for (const Variable& item : items) v[i++] = item;
    return v;
}

// The one call of `name` recorded, or a failure.
gltrace::Call Only(const char* name) {
    std::vector<gltrace::Call> calls = gltrace::Named(name);
    EXPECT_EQ(calls.size(), 1u) << name << "\n" << gltrace::Dump();
    return calls.empty() ? gltrace::Call{} : calls[0];
}

TEST(Sequences, CallListsIssuesOneCallWithTheNamesInOrder) {
    Harness h;
    OpenScene s(h, 8, 8);
    Variable closed = h.New("VOpenGL");
    gltrace::Scope trace;
    h.Call(s.gl, "CallLists", {Vec({Int(3), Int(1), Int(2)})});
    gltrace::Call call = Only("glCallLists");
    EXPECT_EQ(call.args, (std::vector<double>{3, GL_INT}));
    ASSERT_EQ(call.arrays.size(), 1u);
    EXPECT_EQ(call.arrays[0], (std::vector<double>{3, 1, 2}));
    EXPECT_EQ(gltrace::Count("glCallList"), 0);

    gltrace::Clear();
    h.Call(s.gl, "CallLists", {Vec({})});
    EXPECT_EQ(Only("glCallLists").args, (std::vector<double>{0, GL_INT})) << "an empty vector still calls";
    gltrace::Clear();
    h.Call(s.gl, "CallLists", {Vec({Int(-1), Str("x"), Vec({Int(1)}), Variable(), Num(2.7)})});
    call = Only("glCallLists");
    ASSERT_EQ(call.arrays.size(), 1u);
    EXPECT_EQ(call.arrays[0], (std::vector<double>{-1, 0, 0, 0, 2})) << "signed ints, non-numbers as 0";
    gltrace::Clear();
    h.Call(s.gl, "CallList", {Int(-2)});
    EXPECT_EQ(Only("glCallList").args, (std::vector<double>{4294967294.0})) << "the same bits, unsigned";

    gltrace::Clear();
    h.Call(closed, "CallLists", {Vec({Int(1)})});
    h.Call(closed, "CallList", {Int(1)});
    h.Call(closed, "NewList", {Int(1)});
    EXPECT_TRUE(gltrace::Calls().empty()) << "an unopened context calls nothing\n" << gltrace::Dump();
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Sequences, ListNamesReachOpenGLAsGiven) {
    Harness h;
    OpenScene s(h, 8, 8);
    gltrace::Scope trace;
    h.Call(s.gl, "NewList", {Int(0)});
    h.Call(s.gl, "NewList", {Int(-3)});
    EXPECT_EQ(gltrace::Count("glNewList"), 0);
    h.Call(s.gl, "NewList", {Int(4)});
    EXPECT_EQ(Only("glNewList").args, (std::vector<double>{4, GL_COMPILE}));

    gltrace::Clear();
    h.Call(s.gl, "DeleteList", {Int(7)});
    h.Call(s.gl, "DeleteLists", {Int(7), Int(3)});
    h.Call(s.gl, "DeleteLists", {Int(-1), Int(2)});
    std::vector<gltrace::Call> deletes = gltrace::Named("glDeleteLists");
    ASSERT_EQ(deletes.size(), 3u);
    EXPECT_EQ(deletes[0].args, (std::vector<double>{7, 1}));
    EXPECT_EQ(deletes[1].args, (std::vector<double>{7, 3}));
    EXPECT_EQ(deletes[2].args, (std::vector<double>{4294967295.0, 2}));

    gltrace::Clear();
    h.Call(s.gl, "GenList");
    h.Call(s.gl, "GenList", {Int(5)});
    h.Call(s.gl, "GenList", {Int(INT_MAX)});
    std::vector<gltrace::Call> gens = gltrace::Named("glGenLists");
    ASSERT_EQ(gens.size(), 2u) << "the huge block is refused before OpenGL";
    EXPECT_EQ(gens[0].args, (std::vector<double>{1}));
    EXPECT_EQ(gens[1].args, (std::vector<double>{5}));

    // Ending and deleting go to OpenGL whether or not the context is open.
    Variable closed = h.New("VOpenGL");
    gltrace::Clear();
    h.Call(closed, "EndList");
    h.Call(closed, "DeleteList", {Int(2)});
    EXPECT_EQ(gltrace::Sequence({"glEndList", "glDeleteLists"}), (Names{"glEndList", "glDeleteLists"}));
    ClearGlErrors();
}

TEST(Sequences, NameStackCallsPassStraightThrough) {
    Harness h;
    Variable closed = h.New("VOpenGL");  // no test of the context
    gltrace::Scope trace;
    h.Call(closed, "InitNameStack");
    h.Call(closed, "PushName", {Int(-1)});
    h.Call(closed, "LoadName", {Int(9)});
    h.Call(closed, "PopName");
    EXPECT_EQ(gltrace::Sequence({"glInitNames", "glPushName", "glLoadName", "glPopName"}),
              (Names{"glInitNames", "glPushName", "glLoadName", "glPopName"}));
    EXPECT_EQ(Only("glPushName").args, (std::vector<double>{4294967295.0}));
    EXPECT_EQ(Only("glLoadName").args, (std::vector<double>{9}));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Sequences, BeginAndEndSelection) {
    Harness h;
    OpenScene s(h, 640, 400);
    s.c->clip = OglBox(-2, 3, 5, -4, 1, 50);  // left, right, top, bottom, near, far
    gltrace::Scope trace;
    h.Call(s.gl, "BeginSelection", {Int(100), Int(50), Int(5), Int(5)});
    const std::initializer_list<std::string_view> kSelection = {
        "glSelectBuffer", "glRenderMode", "glGetIntegerv", "glMatrixMode", "glPushMatrix",
        "glLoadIdentity", "gluPickMatrix", "glFrustum", "glPopMatrix", "glFlush"};
    EXPECT_EQ(gltrace::Sequence(kSelection),
              (Names{"glSelectBuffer", "glRenderMode", "glGetIntegerv", "glMatrixMode", "glPushMatrix",
                     "glLoadIdentity", "gluPickMatrix", "glFrustum", "glMatrixMode"}))
        << gltrace::Dump();
    EXPECT_EQ(Only("glSelectBuffer").args, (std::vector<double>{512}));
    EXPECT_EQ(Only("glRenderMode").args, (std::vector<double>{GL_SELECT}));
    EXPECT_EQ(Only("glGetIntegerv").args, (std::vector<double>{GL_VIEWPORT}));
    gltrace::Call pick = Only("gluPickMatrix");
    EXPECT_EQ(pick.args, (std::vector<double>{98, 348, 5, 5})) << "centre from the top-right corner, y up";
    ASSERT_EQ(pick.arrays.size(), 1u);
    EXPECT_EQ(pick.arrays[0], (std::vector<double>{0, 0, 400, 400})) << "the viewport OpenGL holds";
    EXPECT_EQ(Only("glFrustum").args, (std::vector<double>{-2, 3, -4, 5, 1, 50}));
    std::vector<gltrace::Call> modes = gltrace::Named("glMatrixMode");
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].args[0], GL_PROJECTION);
    EXPECT_EQ(modes[1].args[0], GL_MODELVIEW);

    gltrace::Clear();
    h.Call(s.gl, "EndSelection");
    EXPECT_EQ(gltrace::Sequence(kSelection),
              (Names{"glMatrixMode", "glPopMatrix", "glMatrixMode", "glFlush", "glRenderMode"}))
        << gltrace::Dump();
    gltrace::Call render = Only("glRenderMode");
    EXPECT_EQ(render.args, (std::vector<double>{GL_RENDER}));
    EXPECT_EQ(render.result, 0.0);

    gltrace::Clear();
    h.Call(s.gl, "EndSelection");
    EXPECT_EQ(h.Errors(), std::vector<int>{1005});
    EXPECT_TRUE(gltrace::Calls().empty()) << "no selection running: no OpenGL call\n" << gltrace::Dump();
}

}  // namespace
