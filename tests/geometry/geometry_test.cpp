// The shared scene of the geometry tests and the vector builders.
#include "tests/geometry/geometry_test.h"

#include <cstdlib>

namespace geotest {

void Scene::SetUp() {
    dc = h.New("MDC", {Int(640), Int(480)});
    gl = h.New("VOpenGL");
    h.Call(gl, "Open", {dc});
    ASSERT_TRUE(h.Errors().empty());
    native = static_cast<OglContext*>(gl.data.obj->GetAss());
    ASSERT_TRUE(native->IsBound());
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<int> Scene::Call(const char* method, std::vector<Variable> args) {
    h.Call(gl, method, std::move(args));
    return h.Errors();
}

std::vector<int> Scene::Traced(const char* method, std::vector<Variable> args) {
    gltrace::Scope trace;
    return Call(method, std::move(args));
}

std::vector<int> Scene::TracedRow(const char* signature, std::vector<Variable> args, Variable* result) {
    std::vector<VarRegister> regs(args.size());
    for (size_t i = 0; i < args.size(); i++) regs[i].value = args[i];
    VarRegister out;
    if (result) out.value = *result;
    gltrace::Scope trace;
    std::vector<int> errors = h.CallRow(signature, &out, regs.data(), static_cast<int>(regs.size()));
    if (result) *result = *out.designated();
    return errors;
}

std::array<int, 3> Scene::Pixel(int x, int y) {
    unsigned char rgb[3] = {0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

void Scene::PixelNear(int x, int y, std::array<int, 3> rgb, int tolerance) {
    std::array<int, 3> got = Pixel(x, y);
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(got[i], rgb[i], tolerance) << "component " << i << " of pixel (" << x << ", " << y << ")";
}

bool Scene::AnyNear(int x, int y0, int y1, std::array<int, 3> rgb) {
    for (int y = y0; y <= y1; y++) {
        std::array<int, 3> p = Pixel(x, y);
        if (std::abs(p[0] - rgb[0]) + std::abs(p[1] - rgb[1]) + std::abs(p[2] - rgb[2]) < 36) return true;
    }
    return false;
}

namespace {
template <class T, class F>
Variable Build(std::initializer_list<T> items, F element) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(items.size()));
    long i = 0;
    for (const T& item : items) v[i++] = element(item);
    return v;
}
}  // namespace

Variable Flat(std::initializer_list<double> numbers) { return Build(numbers, [](double d) { return Num(d); }); }
Variable Triples(std::initializer_list<std::array<double, 3>> points) {
    return Build(points, [](const std::array<double, 3>& p) { return Flat({p[0], p[1], p[2]}); });
}
Variable Point3(Harness& h, double x, double y, double z) { return h.New("POINT3", {Num(x), Num(y), Num(z)}); }

std::vector<Values> ArgsOf(std::string_view name) {
    std::vector<Values> out;
    for (const gltrace::Call& c : gltrace::Named(name)) out.push_back(c.args);
    return out;
}

Values Floats(std::initializer_list<float> values) { return Values(values.begin(), values.end()); }

}  // namespace geotest
