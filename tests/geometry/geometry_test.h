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

// A bound context whose camera maps one unit to one pixel: x 0..640 to the
// right, y 0..480 up, z -1000..1000 (nearer is larger), on a black screen.
class Scene : public ::testing::Test {
protected:
    Harness h;
    Variable dc, gl;
    OglContext* native = nullptr;

    void SetUp() override;
    // A script call on the context; the errors it raised, taken.
    std::vector<int> Call(const char* method, std::vector<Variable> args);
    // The same call, recorded.
    std::vector<int> Traced(const char* method, std::vector<Variable> args);
    // A row called directly with these argument values, recorded; `result`
    // is the result register's value before and after.
    std::vector<int> TracedRow(const char* signature, std::vector<Variable> args, Variable* result = nullptr);
    // Red, green, blue of a pixel (x from the left, y from the bottom).
    std::array<int, 3> Pixel(int x, int y);
    // Adds a failure unless the pixel is within `tolerance` of the colour.
    void PixelNear(int x, int y, std::array<int, 3> rgb, int tolerance = 12);
    // Whether a pixel of column x between rows y0 and y1 has about the colour.
    bool AnyNear(int x, int y0, int y1, std::array<int, 3> rgb);
};

Variable Flat(std::initializer_list<double> numbers);
Variable Triples(std::initializer_list<std::array<double, 3>> points);
Variable Point3(Harness& h, double x, double y, double z);

// The scalar arguments of each recorded call of one function.
std::vector<Values> ArgsOf(std::string_view name);
Values Floats(std::initializer_list<float> values);

}  // namespace geotest
