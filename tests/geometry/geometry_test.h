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
    // The same call with the recorder on; the calls named come back in order.
    std::vector<int> Traced(const char* method, std::vector<Variable> args);
    // Clears colour and depth; sets the camera again.
    void Reset();
    // Red, green, blue of a pixel (x from the left, y from the bottom).
    std::array<int, 3> Pixel(int x, int y);
    // Whether a pixel is within `tolerance` of a colour (0..255 each).
    bool PixelNear(int x, int y, std::array<int, 3> rgb, int tolerance = 12);
    // Switches lighting on with one white light at the viewer, or off.
    void Lighting(bool on);
};

Variable Vec(std::initializer_list<Variable> items);
Variable Flat(std::initializer_list<double> numbers);
Variable Triples(std::initializer_list<std::array<double, 3>> points);
Variable Point3(Harness& h, double x, double y, double z);
Variable Points(Harness& h, std::initializer_list<std::array<double, 3>> points);

// Values of the calls of one function, each call's scalar arguments.
std::vector<Values> ArgsOf(std::string_view name);
Values Floats(std::initializer_list<float> values);
// The names of the calls from the first glBegin to the last glEnd.
std::vector<std::string> Batch();

}  // namespace geotest
