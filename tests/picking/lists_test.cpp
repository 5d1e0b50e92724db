// Display lists against real OpenGL: recording and replaying, generating
// names, the refused names, calling from a vector, deleting, and the rows'
// behaviour on bad input.
#include <GL/gl.h>

#include <climits>

#include <gtest/gtest.h>

#include "tests/picking/picking_util.h"

namespace {

constexpr int kSide = 64;

// Viewport, model-view and projection set so that raw drawing is in device
// coordinates of the whole kSide x kSide device.
void PlainMatrices() {
    glViewport(0, 0, kSide, kSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// A red square on the left and a green one on the right.
void DrawTwoSquares() {
    glColor3f(1, 0, 0);
    Square(-0.5f, 0, 0, 0.25f);
    glColor3f(0, 1, 0);
    Square(0.5f, 0.25f, 0, 0.25f);
}

GLint ListIndex() {
    GLint index = -1;
    glGetIntegerv(GL_LIST_INDEX, &index);
    return index;
}

// The model-view matrix after `calls` ran on the identity.
template <class F>
std::vector<GLfloat> ModelViewAfter(F calls) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    calls();
    std::vector<GLfloat> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// Lists 1, 2 and 3 whose matrix changes do not commute, so the product
// tells the order in which they ran.
void RecordMatrixLists(Harness& h, Variable& gl) {
    h.Call(gl, "NewList", {Int(1)});
    glTranslatef(1, 0, 0);
    h.Call(gl, "EndList");
    h.Call(gl, "NewList", {Int(2)});
    glScalef(2, 3, 4);
    h.Call(gl, "EndList");
    h.Call(gl, "NewList", {Int(3)});
    glRotatef(90, 0, 0, 1);
    h.Call(gl, "EndList");
}

Variable Names(std::initializer_list<Variable> names) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(names.size()));
    long i = 0;
    for (const Variable& n : names) v[i++] = n;
    return v;
}

TEST(Lists, RecordedListDrawsWhatTheDirectCallsDraw) {
    Harness h;
    OpenScene s(h, kSide, kSide);
    PlainMatrices();
    h.Call(s.gl, "Clear");
    DrawTwoSquares();
    std::vector<unsigned char> direct = Pixels(kSide, kSide);
    ASSERT_GT(RedAt(direct, kSide, 16, 32), 200) << "the direct drawing shows";

    h.Call(s.gl, "Clear");
    Variable list = h.Call(s.gl, "GenList");
    ASSERT_EQ(list.type, VT_INT);
    h.Call(s.gl, "NewList", {list});
    EXPECT_EQ(ListIndex(), list.data.i);
    GLint mode = 0;
    glGetIntegerv(GL_LIST_MODE, &mode);
    EXPECT_EQ(mode, GL_COMPILE);
    DrawTwoSquares();
    h.Call(s.gl, "EndList");
    EXPECT_EQ(ListIndex(), 0);
    EXPECT_EQ(RedAt(Pixels(kSide, kSide), kSide, 16, 32), 0) << "recording draws nothing";

    h.Call(s.gl, "CallList", {list});
    EXPECT_EQ(Pixels(kSide, kSide), direct);
    h.Call(s.gl, "Clear");
    h.Call(s.gl, "CallLists", {Names({list})});
    EXPECT_EQ(Pixels(kSide, kSide), direct) << "called from a vector";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Lists, GenListGivesFreshNamesAsIntegers) {
    Harness h;
    OpenScene s(h, 8, 8);
    Variable one = h.Call(s.gl, "GenList");
    ASSERT_EQ(one.type, VT_INT);
    EXPECT_GT(one.data.i, 0);
    Variable five = h.Call(s.gl, "GenList", {Int(5)});
    ASSERT_EQ(five.type, VT_INT);
    ASSERT_GT(five.data.i, 0);
    for (int i = 0; i < 5; i++) {
        EXPECT_TRUE(glIsList(five.data.i + i)) << "name " << i << " of the block is reserved";
        EXPECT_NE(five.data.i + i, one.data.i);
    }
    EXPECT_EQ(h.Call(s.gl, "GenList", {Int(0)}).data.i, 0);
    EXPECT_EQ(h.Call(s.gl, "GenList", {Int(-4)}).data.i, 0) << "OpenGL gives no names";
    Variable huge = h.Call(s.gl, "GenList", {Int(INT_MAX)});
    EXPECT_EQ(huge.type, VT_INT);
    EXPECT_EQ(huge.data.i, 0) << "a block too large to reserve gives no names";
    EXPECT_TRUE(h.Errors().empty());

    // The name is written into the register itself, which stops referring.
    Variable elsewhere = Str("kept");
    VarRegister result, self;
    result.isRef = 1;
    result.ref = &elsewhere;
    self.value = s.gl;
    EXPECT_TRUE(h.CallRow("VOpenGL::GenList(void)", &result, &self, 1).empty());
    EXPECT_EQ(result.isRef, 0);
    EXPECT_EQ(result.value.type, VT_INT);
    EXPECT_GT(result.value.data.i, 0);
    EXPECT_EQ(elsewhere.type, VT_STRING);
}

TEST(Lists, OnlyPositiveNamesAreRecorded) {
    Harness h;
    OpenScene s(h, kSide, kSide);
    PlainMatrices();
    for (int name : {0, -3}) {
        h.Call(s.gl, "Clear");
        h.Call(s.gl, "NewList", {Int(name)});
        EXPECT_EQ(ListIndex(), 0) << "no list opened for " << name;
        DrawTwoSquares();
        EXPECT_GT(RedAt(Pixels(kSide, kSide), kSide, 16, 32), 200) << "drawn at once for " << name;
        h.Call(s.gl, "EndList");  // OpenGL refuses it; nothing else happens
        ClearGlErrors();
    }
    h.Call(s.gl, "NewList", {Int(12)});
    EXPECT_EQ(ListIndex(), 12);
    h.Call(s.gl, "EndList");
    EXPECT_TRUE(glIsList(12));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Lists, CallListsRunsTheNamesInVectorOrder) {
    Harness h;
    OpenScene s(h, 8, 8);
    ClearGlErrors();
    RecordMatrixLists(h, s.gl);
    std::vector<GLfloat> expected = ModelViewAfter([] {
        glRotatef(90, 0, 0, 1);
        glTranslatef(1, 0, 0);
        glScalef(2, 3, 4);
    });
    std::vector<GLfloat> inOrder = ModelViewAfter([] {
        glTranslatef(1, 0, 0);
        glScalef(2, 3, 4);
        glRotatef(90, 0, 0, 1);
    });
    ASSERT_NE(expected, inOrder);
    EXPECT_EQ(ModelViewAfter([&] { h.Call(s.gl, "CallLists", {Names({Int(3), Int(1), Int(2)})}); }), expected);
    EXPECT_EQ(ModelViewAfter([&] { h.Call(s.gl, "CallLists", {Names({})}); }), ModelViewAfter([] {}))
        << "an empty vector runs nothing";
    EXPECT_TRUE(h.Errors().empty());
    EXPECT_EQ(glGetError(), GL_NO_ERROR);
}

TEST(Lists, DeleteListAndDeleteLists) {
    Harness h;
    OpenScene s(h, 8, 8);
    auto record = [&](int from, int to) {
        for (int name = from; name <= to; name++) {
            h.Call(s.gl, "NewList", {Int(name)});
            h.Call(s.gl, "EndList");
        }
    };
    record(7, 10);
    h.Call(s.gl, "DeleteList", {Int(7)});
    EXPECT_FALSE(glIsList(7));
    EXPECT_TRUE(glIsList(8)) << "DeleteList takes one list";
    record(7, 7);
    h.Call(s.gl, "DeleteLists", {Int(7), Int(3)});
    EXPECT_FALSE(glIsList(7));
    EXPECT_FALSE(glIsList(9));
    EXPECT_TRUE(glIsList(10)) << "DeleteLists takes range lists";

    record(7, 7);
    h.Call(s.gl, "DeleteLists", {Int(7), Int(-5)});
    EXPECT_TRUE(glIsList(7)) << "OpenGL refuses a negative range";
    h.Call(s.gl, "DeleteLists", {Int(-1), Int(INT_MAX)});  // the range wraps past the last name
    EXPECT_TRUE(glIsList(7));
    ClearGlErrors();

    // The block form with fewer arguments than it declares reads only what
    // the call has.
    VarRegister result, self;
    self.value = s.gl;
    EXPECT_TRUE(h.CallRow("VOpenGL::DeleteLists(int, int)", &result, &self, 1).empty());
    EXPECT_TRUE(glIsList(7));
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Lists, CallListsTakesAnyArgumentWithoutFailing) {
    Harness h;
    OpenScene s(h, 8, 8);
    RecordMatrixLists(h, s.gl);
    std::vector<GLfloat> identity = ModelViewAfter([] {});
    VarRegister result, args[2];
    args[1].value = s.gl;
    for (Variable v : {Int(3), Str("123"), Variable(), h.New("POINT3", {Num(1), Num(2), Num(3)})}) {
        args[0].value = v;
        std::vector<int> errors;
        EXPECT_EQ(ModelViewAfter([&] { errors = h.CallRow("VOpenGL::CallLists(refer object Vector)", &result, args, 2); }),
                  identity)
            << vesk::Format(v);
        EXPECT_TRUE(errors.empty()) << "no elements, nothing to report";
    }
    // An indexable object: its rows are not numbers and name no list.
    Variable matrix = h.New("Matrix", {Int(2), Int(2)});
    args[0].value = matrix;
    EXPECT_EQ(ModelViewAfter([&] { h.CallRow("VOpenGL::CallLists(refer object Vector)", &result, args, 2); }), identity);
    // A reference to the vector is followed.
    Variable names = Names({Int(1)});
    args[0].isRef = 1;
    args[0].ref = &names;
    EXPECT_EQ(ModelViewAfter([&] { h.CallRow("VOpenGL::CallLists(refer object Vector)", &result, args, 2); }),
              ModelViewAfter([] { glTranslatef(1, 0, 0); }));
}

// Every list and selection row reports 40 and 43 for a self that is not an
// object and 43 for an object without a context, and does nothing else.
TEST(PickingRows, NeedAContext) {
    Harness h;
    OpenScene s(h, 8, 8);
    const struct {
        const char* signature;
        int arguments;
    } rows[] = {
        {"VOpenGL::GenList(void)", 0},          {"VOpenGL::GenList(int)", 1},
        {"VOpenGL::NewList(int)", 1},           {"VOpenGL::EndList(void)", 0},
        {"VOpenGL::CallList(int)", 1},          {"VOpenGL::CallLists(refer object Vector)", 1},
        {"VOpenGL::DeleteList(int)", 1},        {"VOpenGL::DeleteLists(int, int)", 2},
        {"VOpenGL::InitNameStack(void)", 0},    {"VOpenGL::PushName(int)", 1},
        {"VOpenGL::PopName(void)", 0},          {"VOpenGL::LoadName(int)", 1},
        {"VOpenGL::BeginSelection(int, int, int, int)", 4}, {"VOpenGL::EndSelection(void)", 0},
    };
    Variable point = h.New("POINT3", {Num(1), Num(2), Num(3)});
    for (const auto& row : rows) {
        for (bool object : {false, true}) {
            VarRegister result, args[5];
            for (int i = 0; i < row.arguments; i++) args[i].value = Int(1);
            args[row.arguments].value = object ? point : Int(5);
            result.value = Int(42);
            std::vector<int> errors = h.CallRow(row.signature, &result, args, row.arguments + 1);
            std::vector<int> expected = object ? std::vector<int>{43} : std::vector<int>{40, 43};
            EXPECT_EQ(errors, expected) << row.signature;
            EXPECT_EQ(result.value.type, VT_INT) << row.signature;
            EXPECT_EQ(result.value.data.i, 42) << row.signature;
        }
    }
    EXPECT_EQ(ListIndex(), 0);
    EXPECT_EQ(s.c->selectionDepth, 0);
    GLint renderMode = 0;
    glGetIntegerv(GL_RENDER_MODE, &renderMode);
    EXPECT_EQ(renderMode, GL_RENDER);
}

}  // namespace
