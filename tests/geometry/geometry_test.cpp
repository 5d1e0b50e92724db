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
    glColor4f(1, 1, 1, 1);
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
    glFinish();
    unsigned char rgb[3] = {0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

void Scene::PixelNear(int x, int y, std::array<int, 3> rgb, int tolerance) {
    std::array<int, 3> got = Pixel(x, y);
    for (int i = 0; i < 3; i++)
        if (std::abs(got[i] - rgb[i]) > tolerance) {
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") is (" << got[0] << ", " << got[1] << ", "
                          << got[2] << "), expected (" << rgb[0] << ", " << rgb[1] << ", " << rgb[2] << ")";
            return;
        }
}

void Scene::Lighting() {
    native->lightEnabled = 1;
    const GLfloat white[4] = {1, 1, 1, 1}, dark[4] = {0, 0, 0, 1}, front[4] = {0, 0, 1, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, dark);
    glLightfv(GL_LIGHT0, GL_AMBIENT, dark);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, dark);
    glLightfv(GL_LIGHT0, GL_POSITION, front);
}

Variable Vec(std::initializer_list<Variable> items) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(items.size()));
    long i = 0;
    for (const Variable& item : items) v[i++] = item;
    return v;
}

Variable Flat(std::initializer_list<double> numbers) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(numbers.size()));
    long i = 0;
    for (double d : numbers) v[i++] = d;
    return v;
}

Variable Triples(std::initializer_list<std::array<double, 3>> points) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(points.size()));
    long i = 0;
    for (const auto& p : points) v[i++] = Flat({p[0], p[1], p[2]});
    return v;
}

Variable Point3(Harness& h, double x, double y, double z) { return h.New("POINT3", {Num(x), Num(y), Num(z)}); }

std::vector<Values> ArgsOf(std::string_view name) {
    std::vector<Values> out;
    for (const gltrace::Call& c : gltrace::Named(name)) out.push_back(c.args);
    return out;
}

Values Floats(std::initializer_list<float> values) { return Values(values.begin(), values.end()); }

}  // namespace geotest
