// What the geometry tests share: a context opened on a 640 x 480 offscreen
// device with a pixel-for-pixel camera, builders of script vectors, and
// readers of the recorded calls and of the pixels drawn.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "context/context.h"
#include "tests/support/gltrace.h"
#include "tests/support/harness.h"

namespace geotest {

using Values = std::vector<double>;
using Names = std::vector<std::string>;
using Calls = std::vector<Values>;
using gltrace::Args;

// A bound context whose camera maps one unit to one pixel: x 0..640 to the
// right, y 0..480 up, z -1000..1000 (nearer is larger), on a black screen.
class Scene : public ::testing::Test {
protected:
    Harness h;
    Variable dc = h.New("MDC", {Int(640), Int(480)}), gl = h.New("VOpenGL");
    OglContext* native = nullptr;

    void SetUp() override {
        h.Call(gl, "Open", {dc});
        ASSERT_TRUE(h.Errors().empty());
        native = NativeOf<OglContext>(gl);
        glViewport(0, 0, 640, 480);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 640, 0, 480, -1000, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // A script call on the context; the errors it raised, taken.
    std::vector<int> Call(const char* method, std::vector<Variable> args) {
        h.Call(gl, method, std::move(args));
        return h.Errors();
    }
    // The same call, recorded.
    std::vector<int> Traced(const char* method, std::vector<Variable> args) {
        gltrace::Scope trace;
        return Call(method, std::move(args));
    }
    // A row called directly with these argument values, recorded.
    std::vector<int> TracedRow(const char* signature, std::vector<Variable> args, Variable* result = nullptr) {
        gltrace::Scope trace;
        return h.CallRow(signature, std::move(args), result);
    }
    // Adds a failure unless the pixel (x from the left, y from the bottom) is
    // within 12 of the colour.
    void PixelNear(int x, int y, std::array<int, 3> rgb) {
        unsigned char got[3] = {0, 0, 0};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, got);
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(got[i], rgb[i], 12) << "component " << i << " of (" << x << ", " << y << ")";
    }
};

inline Variable Flat(std::initializer_list<double> numbers) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(numbers.size()));
    long i = 0;
    for (double d : numbers) v[i++] = Num(d);
    return v;
}
inline Variable Triples(std::initializer_list<std::array<double, 3>> points) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(points.size()));
    long i = 0;
    for (const auto& p : points) v[i++] = Flat({p[0], p[1], p[2]});
    return v;
}
inline Variable Point3(Harness& h, double x, double y, double z) { return h.New("POINT3", {Num(x), Num(y), Num(z)}); }
inline Values Floats(std::initializer_list<float> values) { return Values(values.begin(), values.end()); }

// Each of these functions was called once, in this order (others around them).
inline void ExpectOnceInOrder(std::initializer_list<std::string_view> names) {
    EXPECT_EQ(gltrace::Sequence(names), Names(names.begin(), names.end())) << gltrace::Dump();
}

}  // namespace geotest
