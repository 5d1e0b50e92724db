// Viewing and transforms against real OpenGL state: the stored camera and its
// read-back forms, when each setting is issued, the exact perspective box,
// the transforms and the "always" rule of the matrix loads,
// the matrix exchange with scripts, and the lookup errors.
#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "tests/scene/scene_support.h"
#include "vesk/interp.h"
#include "vesk/runtime.h"

namespace {

using namespace scene_test;

constexpr double kTol = 1e-5;

void ExpectMatrix(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got[i], want[i], kTol) << what << " element " << i;
}

std::vector<double> Identity() {
    std::vector<double> m(16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

// A 4 x 4 script Matrix, identity plus the given elements M[r][c].
Variable NewMatrix(Harness& h, std::initializer_list<std::tuple<int, int, double>> set) {
    Variable m = h.New("Matrix", {Int(4), Int(4)});
    for (int i = 0; i < 4; i++) m[i][i] = 1.0;
    for (auto [r, c, v] : set) m[r][c] = v;
    return m;
}

TEST(Viewing, DefaultsReadBackAndReachOpenGLAtOpen) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable vp = h.Call(gl, "GetViewPort");
    EXPECT_EQ(vesk::Format(vp), "[0, 400, 0, 400]");
    ASSERT_EQ(vp.type, VT_VECTOR);
    for (int i = 0; i < 4; i++) EXPECT_EQ(vp[i].type, VT_FLOAT) << "numbers come back as floats";
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewerPos")),
              "[POINT3(0, 0, 1000), POINT3(0, 0, 0), POINT3(0, 1, 0)]");

    Variable dc = h.New("MDC", {Int(640), Int(480)});
    h.Call(gl, "Open", {dc});
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(std::vector<GLint>(view, view + 4), (std::vector<GLint>{0, 80, 400, 400}));
    ExpectMatrix(Projection(), Identity(), "the default frustum (near -200) is refused");
    std::vector<double> viewer = Identity();
    viewer[14] = -1000;
    ExpectMatrix(ModelView(), viewer, "gluLookAt from z = 1000");
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Viewing, ViewportIsStoredUnchangedAndTruncatedWhenIssued) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    h.Call(gl, "SetViewPort", {Int(5), Int(6), Int(7), Int(8)});  // closed: stored only
    h.Call(gl, "Open", {dc});
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(std::vector<GLint>(view, view + 4), (std::vector<GLint>{5, 472, 2, 2}))
        << "a viewport set while closed is issued by Open";

    h.Call(gl, "SetViewPort", {Int(10), Int(20), Int(110), Int(220)});
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(std::vector<GLint>(view, view + 4), (std::vector<GLint>{10, 260, 100, 200}));
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewPort")), "[10, 110, 20, 220]") << "left, right, top, bottom";

    h.Call(gl, "SetViewPort", {Num(10.9), Num(20), Num(110.9), Num(220.9)});
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(std::vector<GLint>(view, view + 4), (std::vector<GLint>{10, 260, 100, 200}));
    h.Call(gl, "SetViewPort", {Num(-0.5), Num(0), Num(99.5), Num(100)});
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(std::vector<GLint>(view, view + 4), (std::vector<GLint>{0, 380, 100, 100}))
        << "-0.5 truncates to 0, not -1";
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewPort")), "[-0.5, 99.5, 0, 100]");

    // Setting the viewport while open also sends the projection again.
    h.Call(gl, "SetPerspective", {Int(45), Int(1), Int(1), Int(100)});
    std::vector<double> frustum = Projection();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    h.Call(gl, "SetViewPort", {Int(0), Int(0), Int(640), Int(480)});
    ExpectMatrix(Projection(), frustum, "projection after SetViewPort");
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Viewing, PerspectiveStoresTheExactBoxAndTheFrustum) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    OglContext* c = Native(gl);
    h.Call(gl, "SetPerspective", {Int(45), Num(1.5), Int(0), Int(100)});
    EXPECT_EQ(c->clip.left, -0.62131977f);
    EXPECT_EQ(c->clip.right, 0.62131977f);
    EXPECT_EQ(c->clip.top, 0.41421318f) << "3.14159, not pi: tan(pi / 8) would give 0.41421356";
    EXPECT_EQ(c->clip.bottom, -0.41421318f);
    EXPECT_EQ(c->clip.near, 1.0f) << "a near of 0 becomes 1";
    EXPECT_EQ(c->clip.far, 100.0f);

    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    std::vector<double> p = Projection();
    EXPECT_NEAR(p[0], 2.0 / (0.62131977 * 2), kTol) << "a box set while closed is issued by Open";
    EXPECT_NEAR(p[5], 2.0 / (0.41421318 * 2), kTol);
    EXPECT_NEAR(p[10], -101.0 / 99.0, kTol);
    EXPECT_NEAR(p[14], -200.0 / 99.0, kTol);

    h.Call(gl, "SetPerspective", {Int(90), Int(2), Int(-5), Int(10)});
    EXPECT_EQ(c->clip.near, 1.0f) << "a negative near becomes 1";
    EXPECT_NEAR(Projection()[5], 1.0, kTol) << "sent at once while open";
    h.Call(gl, "SetPerspective", {Int(90), Int(2), Num(std::nan("")), Int(10)});
    EXPECT_EQ(c->clip.near, 1.0f) << "a near that is not a number becomes 1";

    // SetClipping takes bottom before top, the box stores top before bottom.
    h.Call(gl, "SetClipping", {Int(-1), Int(3), Int(-2), Int(4), Int(1), Int(10)});
    EXPECT_EQ(c->clip.top, 4.0f);
    EXPECT_EQ(c->clip.bottom, -2.0f);
    p = Projection();
    EXPECT_NEAR(p[0], 0.5, kTol);
    EXPECT_NEAR(p[5], 2.0 / 6.0, kTol);
    EXPECT_NEAR(p[8], 0.5, kTol) << "(right + left) / (right - left)";
    EXPECT_NEAR(p[9], 2.0 / 6.0, kTol) << "(top + bottom) / (top - bottom): top is 4";
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Viewing, ViewerNormalisesUpAndIsSentWhileOpen) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    h.Call(gl, "SetViewerPos", {Int(1), Int(2), Int(3), Int(4), Int(5), Int(6), Int(0), Int(0), Int(0)});
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetViewerPos")),
              "[POINT3(1, 2, 3), POINT3(4, 5, 6), POINT3(1, 0, 0)]")
        << "an up without length becomes (1, 0, 0)";
    h.Call(gl, "SetViewerPos", {Int(0), Int(0), Int(10), Int(0), Int(0), Int(0), Int(0), Int(3), Int(4)});
    Variable got = h.Call(gl, "GetViewerPos");
    EXPECT_FLOAT_EQ(static_cast<float>(got[2]("y").GetDoubleNumb()), 0.6f) << "the normalised up, not 3";
    EXPECT_FLOAT_EQ(static_cast<float>(got[2]("z").GetDoubleNumb()), 0.8f);
    EXPECT_EQ(Native(gl)->up.w, 1.0f);

    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    h.Call(gl, "SetViewerPos", {Int(0), Int(0), Int(10), Int(0), Int(0), Int(0), Int(0), Int(5), Int(0)});
    std::vector<double> viewer = Identity();
    viewer[14] = -10;
    ExpectMatrix(ModelView(), viewer, "the new viewer replaces the model-view");
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Viewing, TransformsActOnTheModelView) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    glMatrixMode(GL_PROJECTION);
    h.Call(gl, "Translate", {Int(1), Int(2), Int(3)});
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW) << "the transforms select the model-view";
    std::vector<double> m = ModelView();
    EXPECT_EQ(m[12], 1);
    EXPECT_EQ(m[13], 2);
    EXPECT_EQ(m[14], 3 - 1000);

    Variable axis = h.New("POINT3", {Int(0), Int(0), Int(1)});
    h.Call(gl, "LoadIdentityMatrix");
    h.Call(gl, "Rotate", {Int(0), Int(0), Int(1), Int(90)});
    m = ModelView();
    EXPECT_NEAR(m[1], 1, kTol) << "90 degrees about z: the angle comes last";
    EXPECT_NEAR(m[4], -1, kTol);
    h.Call(gl, "LoadIdentityMatrix");
    h.Call(gl, "Rotate", {axis, Int(-90)});
    EXPECT_NEAR(ModelView()[1], -1, kTol) << "the POINT3 form takes the axis first";

    h.Call(gl, "LoadIdentityMatrix");
    h.Call(gl, "Translate", {h.New("POINT3", {Int(4), Int(5), Int(6)})});
    h.Call(gl, "SetScale", {Int(2), Int(3), Int(4)});
    m = ModelView();
    EXPECT_EQ(m[12], 4);
    EXPECT_EQ(m[14], 6);
    EXPECT_EQ(m[0], 2);
    EXPECT_EQ(m[5], 3);
    EXPECT_EQ(m[10], 4);

    h.Call(gl, "PushModelMatrix");
    EXPECT_EQ(Integer(GL_MODELVIEW_STACK_DEPTH), 2);
    h.Call(gl, "Translate", {Int(100), Int(0), Int(0)});
    h.Call(gl, "PopModelMatrix");
    ExpectMatrix(ModelView(), m, "pop restores the pushed matrix");

    EXPECT_TRUE(h.Errors().empty());
}

TEST(Viewing, MatrixLoadsAlwaysIssueAndReadColumnMajor) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    h.Call(gl, "LoadIdentityMatrix");
    ExpectMatrix(ModelView(), Identity(), "no viewer transform is left");

    // M[0][3] is OpenGL's element 12; M[1][0] its element 1.
    Variable m = NewMatrix(h, {{0, 3, 5.0}, {1, 0, 0.5}});
    h.Call(gl, "LoadMatrix", {m});
    std::vector<double> want = Identity();
    want[12] = 5;
    want[1] = 0.5;
    want[14] = -1000;
    ExpectMatrix(ModelView(), want, "viewer x matrix");
    h.Call(gl, "LoadMatrix", {NewMatrix(h, {})});
    want = Identity();
    want[14] = -1000;
    ExpectMatrix(ModelView(), want, "an identity Matrix gives the pure viewer");
    h.Call(gl, "MultiplyMatrix", {NewMatrix(h, {{2, 3, 7.0}})});
    want[14] = -993;
    ExpectMatrix(ModelView(), want, "MultiplyMatrix multiplies the current model-view");

    // A closed context still loads into whatever context is current, with its
    // own viewer.
    Variable closed = h.New("VOpenGL");
    h.Call(closed, "SetViewerPos", {Int(0), Int(0), Int(20), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    glMatrixMode(GL_PROJECTION);
    h.Call(closed, "LoadMatrix", {NewMatrix(h, {})});
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(ModelView()[14], -20);
    h.Call(closed, "MultiplyMatrix", {NewMatrix(h, {{0, 3, 1.0}})});
    EXPECT_EQ(ModelView()[12], 1);
    h.Call(closed, "LoadIdentityMatrix");
    ExpectMatrix(ModelView(), Identity(), "LoadIdentityMatrix on a closed context");
    EXPECT_TRUE(h.Errors().empty());
}

// Stands in for the interpreter: runs the GetMatrix function as the script
// text says, through the host's Matrix methods, and records what it got.
class MatrixRunner : public vesk::FunctionRunner {
public:
    std::vector<VFunction*> functions;
    std::string source;
    int count = -1;
    Variable full, look;

    void Run(Processor* p, VarRegister* result, VFunction* f, VarRegister* args, int n) override {
        functions.push_back(f);
        source = f->source;
        count = n;
        full = *args[0].designated();
        look = *args[1].designated();
        Variable inverse, product;
        vesk::CallMethod(p, *args[1].designated(), "Inverse", nullptr, 0, inverse);
        vesk::CallMethod(p, inverse, "*", args[0].designated(), 1, product);
        *result->designated() = product;
    }
};

// The two matrices GetMatrix hands to its function, element by element.
std::vector<double> Elements(Variable& m) {
    std::vector<double> out(16);
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) out[4 * c + r] = m[r][c].GetDoubleNumb();
    return out;
}

TEST(Viewing, GetMatrixReadsFullAndViewerAndKeepsTheModelView) {
    Harness h;
    MatrixRunner runner;
    h.processor.runtime->runner = &runner;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    h.Call(gl, "Translate", {Int(1), Int(2), Int(3)});
    h.Call(gl, "Rotate", {Int(1), Int(0), Int(0), Int(30)});
    std::vector<double> before = ModelView();
    glMatrixMode(GL_PROJECTION);
    h.Call(gl, "GetMatrix");
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    ExpectMatrix(Elements(runner.full), before, "FullMatr: element 4c + r is M[r][c]");
    std::vector<double> viewer = Identity();
    viewer[14] = -1000;
    ExpectMatrix(Elements(runner.look), viewer, "LookMatr");
    ExpectMatrix(ModelView(), before, "the model-view is left as it was");
    EXPECT_EQ(Integer(GL_MODELVIEW_STACK_DEPTH), 1);

    platform::MakeCurrent(0, 0);
    h.Call(gl, "GetMatrix");
    ExpectMatrix(Elements(runner.full), Identity(), "no current context: identity");
    ExpectMatrix(Elements(runner.look), Identity(), "no current context: identity");
    EXPECT_TRUE(h.Errors().empty());
    h.processor.runtime->runner = nullptr;
}

TEST(Viewing, GetMatrixGivesTheModelTransformWithoutTheViewer) {
    Harness h;
    MatrixRunner runner;
    h.processor.runtime->runner = &runner;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    h.Call(gl, "SetViewerPos", {Int(0), Int(0), Int(10), Int(0), Int(0), Int(0), Int(0), Int(1), Int(0)});
    h.Call(gl, "Translate", {Int(1), Int(2), Int(3)});
    h.Call(gl, "Rotate", {Int(0), Int(0), Int(1), Int(90)});
    std::vector<double> before = ModelView();

    Variable m = h.Call(gl, "GetMatrix");
    EXPECT_TRUE(h.Errors().empty());
    EXPECT_EQ(runner.source, "param FullMatr, LookMatr; return LookMatr->Inverse() * FullMatr;");
    EXPECT_EQ(runner.count, 2);
    EXPECT_NEAR(runner.full[2][3].GetDoubleNumb(), 3 - 10, kTol) << "FullMatr holds the viewer too";
    ASSERT_EQ(m.type, VT_OBJECT);
    EXPECT_STREQ(m.data.obj->ClassName(), "Matrix");
    EXPECT_NEAR(m[0][3].GetDoubleNumb(), 1, kTol) << "the translation, row-indexed";
    EXPECT_NEAR(m[1][3].GetDoubleNumb(), 2, kTol);
    EXPECT_NEAR(m[2][3].GetDoubleNumb(), 3, kTol) << "without the viewer's -10";
    EXPECT_NEAR(m[1][0].GetDoubleNumb(), 1, kTol) << "x turns into y";
    EXPECT_NEAR(m[0][1].GetDoubleNumb(), -1, kTol);

    h.Call(gl, "LoadIdentityMatrix");
    h.Call(gl, "LoadMatrix", {m});
    ExpectMatrix(ModelView(), before, "LoadMatrix of GetMatrix restores the model-view");

    // One function value serves every context; without a current context
    // the script gets the identity.
    Variable other = h.New("VOpenGL");
    platform::MakeCurrent(0, 0);
    Variable id = h.Call(other, "GetMatrix");
    ASSERT_EQ(runner.functions.size(), 2u);
    EXPECT_EQ(runner.functions[0], runner.functions[1]);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_NEAR(id[r][c].GetDoubleNumb(), r == c ? 1 : 0, kTol);
    EXPECT_TRUE(h.Errors().empty());
    h.processor.runtime->runner = nullptr;
}

// The same round trip through the real interpreter: the function text is
// compiled and run by the host, as in a script.
TEST(Viewing, GetMatrixRoundTripInAScript) {
    Harness h;
    vesk::Interpreter interpreter(h.processor);
    std::string out;
    interpreter.SetOutput([&](std::string_view s) { out += s; });
    vesk::ScriptOutcome outcome = interpreter.RunScript(R"(
        dc = new MDC(64, 64);
        gl = new VOpenGL();
        gl->Open(dc);
        gl->SetViewerPos(0, 0, 10, 0, 0, 0, 0, 1, 0);
        gl->Translate(1, 2, 3);
        gl->Rotate(0, 0, 1, 90);
        m = gl->GetMatrix();
        print(m[0][3], m[1][3], m[2][3], m[1][0], m[0][1], m[3][3]);
        gl->LoadIdentityMatrix();
        gl->LoadMatrix(m);
        n = gl->GetMatrix();
        print(n[0][3], n[1][3], n[2][3]);
    )", "getmatrix.vsk");
    EXPECT_EQ(outcome.kind, vesk::ScriptOutcome::Ok) << outcome.message;
    EXPECT_EQ(out, "1 2 3 1 -1 1\n1 2 3\n");
    std::vector<double> want = Identity();
    want[0] = want[5] = 0;
    want[1] = 1;
    want[4] = -1;
    want[12] = 1;
    want[13] = 2;
    want[14] = 3 - 10;
    ExpectMatrix(ModelView(), want, "LoadMatrix restored viewer x translation x rotation");
    interpreter.ClearGlobals();
}

TEST(Viewing, LookupRulesAndBadArguments) {
    Harness h;
    VarRegister result, args[10];
    for (int i = 0; i < 9; i++) args[i].value = 1;
    args[9].value = 5;  // a self that is not an object
    auto call = [&](const char* sig, int count) {
        args[count - 1].value = 5;
        return h.CallRow(sig, &result, args, count);
    };
    const std::vector<int> lookup{40, 43}, direct{43};
    EXPECT_EQ(call("VOpenGL::SetViewPort(number, number, number, number)", 5), lookup);
    EXPECT_EQ(call("VOpenGL::SetClipping(number, number, number, number, number, number)", 7), lookup);
    EXPECT_EQ(call("VOpenGL::SetPerspective(number, number, number, number)", 5), lookup);
    EXPECT_EQ(call("VOpenGL::SetScale(number, number, number)", 4), lookup);
    EXPECT_EQ(call("VOpenGL::PushModelMatrix(void)", 1), lookup);
    EXPECT_EQ(call("VOpenGL::LoadIdentityMatrix(void)", 1), lookup);
    EXPECT_EQ(call("VOpenGL::GetViewPort(void)", 1), lookup);
    EXPECT_EQ(call("VOpenGL::SetViewerPos(number, number, number, number, number, number, number, "
                   "number, number)", 10), direct);
    EXPECT_EQ(call("VOpenGL::Rotate(number, number, number, number)", 5), direct);
    EXPECT_EQ(call("VOpenGL::Translate(refer object POINT3)", 2), direct);
    EXPECT_EQ(call("VOpenGL::GetViewerPos(void)", 1), direct);
    EXPECT_EQ(call("VOpenGL::GetMatrix(void)", 1), direct);
    EXPECT_EQ(result.value.type, VT_EMPTY) << "no result without a context";

    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(64), Int(64)});
    h.Call(gl, "Open", {dc});
    h.Call(gl, "LoadIdentityMatrix");
    VarRegister self;
    Refer(self, gl);
    VarRegister two[2];
    two[0].value = 3;  // not indexable
    Refer(two[1], gl);
    std::vector<int> errors = h.CallRow("VOpenGL::LoadMatrix(object Matrix)", &result, two, 2);
    EXPECT_EQ(errors, std::vector<int>(32, 77)) << "each of the two index steps of 16 elements";

    // Shared handlers stay within the registers whatever the count.
    std::vector<double> m = ModelView();
    h.CallRow("VOpenGL::Rotate(refer object POINT3, number)", &result, &self, 1);
    h.CallRow("VOpenGL::Translate(refer object POINT3)", &result, &self, 1);
    ExpectMatrix(ModelView(), m, "an empty axis and point move nothing");

    DropNative(gl);
    h.Call(gl, "GetViewerPos");
    h.Call(gl, "SetViewPort", {Int(1), Int(2), Int(3), Int(4)});
    EXPECT_EQ(ErrorsWithText(h), (std::vector<std::pair<int, std::string>>{{43, "VOpenGL"}, {43, "VOpenGL"}}));
}

}  // namespace
