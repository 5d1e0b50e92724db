// Rendered scenes, drawn offscreen at 640 x 480 with known colours and
// camera: pixels inside and outside the silhouettes show that each family of
// primitives lands where its arguments put it, with tolerances that survive
// Mesa's rounding.
#include <cmath>
#include <cstdlib>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

class Render : public Scene {
protected:
    // Whether a pixel of column x between rows y0 and y1 has the colour.
    bool AnyNear(int x, int y0, int y1, std::array<int, 3> rgb) {
        for (int y = y0; y <= y1; y++) {
            std::array<int, 3> p = Pixel(x, y);
            if (std::abs(p[0] - rgb[0]) + std::abs(p[1] - rgb[1]) + std::abs(p[2] - rgb[2]) < 36) return true;
        }
        return false;
    }
    void Lit(int x, int y) {
        std::array<int, 3> p = Pixel(x, y);
        EXPECT_GE(p[0] + p[1] + p[2], 700) << "pixel (" << x << ", " << y << ") faces the light";
    }
};

const std::array<int, 3> kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255},
    kWhite{255, 255, 255}, kYellow{255, 255, 0};

TEST_F(Render, VertexArrays) {
    glColor3f(1, 0, 0);
    EXPECT_TRUE(Call("Triangles", {Triples({{100, 100, 0}, {200, 100, 0}, {150, 200, 0}})}).empty());
    Variable quad = Flat({300, 100, 0, 400, 100, 0, 400, 200, 0, 300, 200, 0});
    Variable up = Flat({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    EXPECT_TRUE(Call("ColorQuads", {quad, up, Vec({Int(0xFF00), Int(0xFF00), Int(0xFF00), Int(0xFF00)})}).empty());
    glColor3f(0, 0, 1);
    Variable octagon, normals;
    octagon.Init(VT_VECTOR, 8);
    normals.Init(VT_VECTOR, 8);
    for (int i = 0; i < 8; i++) {
        octagon[i] = Point3(h, 520 + 50 * std::cos(i * M_PI / 4), 150 + 50 * std::sin(i * M_PI / 4), 0);
        normals[i] = Flat({0, 0, 1});
    }
    EXPECT_TRUE(Call("Polygon", {octagon, normals}).empty());
    glColor3f(1, 1, 0);
    EXPECT_TRUE(Call("TriangleStrip", {Flat({100, 250, 0, 300, 250, 0, 100, 290, 0, 300, 290, 0})}).empty());
    glColor3f(1, 1, 1);
    Call("SetLineWidth", {Int(3)});
    EXPECT_TRUE(Call("Lines", {Flat({50, 350, 0, 250, 350, 0})}).empty());
    Call("SetPointSize", {Int(9)});
    EXPECT_TRUE(Call("SetPoints", {Flat({500, 400, 0})}).empty());
    native->wired = 1;
    Call("SetLineWidth", {Int(1)});
    EXPECT_TRUE(Call("Quads", {Flat({400, 300, 0, 500, 300, 0, 500, 350, 0, 400, 350, 0}), up}).empty());

    PixelNear(150, 130, kRed);
    PixelNear(110, 190, kBlack);
    PixelNear(350, 150, kGreen);
    PixelNear(520, 196, kBlue);
    PixelNear(520, 205, kBlack);
    PixelNear(200, 270, kYellow);
    PixelNear(150, 350, kWhite);
    PixelNear(150, 356, kBlack);
    PixelNear(503, 403, kWhite);
    PixelNear(450, 325, kBlack);  // a wired quad is hollow
    EXPECT_TRUE(AnyNear(450, 299, 301, kWhite)) << "its lower edge";
}

TEST_F(Render, SolidsFaceTheLight) {
    Lighting();
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glColor3f(1, 1, 1);
    EXPECT_TRUE(Call("Sphere", {Num(120), Num(320), Num(0), Num(80), Int(24)}).empty());
    EXPECT_TRUE(Call("Box", {Num(270), Num(270), Num(-50), Num(100), Num(100), Num(100)}).empty());
    glTranslatef(500, 320, 0);
    EXPECT_TRUE(Call("Torus", {Num(70), Int(32), Num(20), Int(16)}).empty());
    glLoadIdentity();

    Lit(120, 320);  // the sphere's pole
    PixelNear(120 + 85, 320, kBlack);
    EXPECT_LT(Pixel(120 + 75, 320)[0], 160) << "the rim turns away from the light";
    Lit(320, 320);  // the box's front face
    PixelNear(265, 320, kBlack);
    PixelNear(375, 320, kBlack);
    Lit(500 + 70, 320);  // the top of the tube
    PixelNear(500, 320, kBlack);
    PixelNear(500 + 70 + 25, 320, kBlack);
}

TEST_F(Render, NurbsCurveAndSurface) {
    Call("SetLineWidth", {Int(3)});
    EXPECT_TRUE(Call("SplineCurve2D", {Flat({100, 100, 300, 300}), Flat({100, 300, 300, 100}),
                                       Flat({0, 0, 0, 0, 1, 1, 1, 1})})
                    .empty());
    // Flat surfaces in the plane y = 0, turned so that z runs up the screen.
    glRotatef(-90, 1, 0, 0);
    glColor3f(0, 1, 0);
    Variable zero = Flat({0, 0, 0, 0}), heights = Vec({zero, zero, zero, zero}), knots = Flat({0, 0, 0, 0, 1, 1, 1, 1});
    Variable xs = Flat({380, 440, 500, 560});
    EXPECT_TRUE(Call("SplineSurface", {xs, Flat({100, 150, 200, 250}), heights, knots, knots}).empty());
    native->wired = 1;
    glColor3f(1, 0, 0);
    EXPECT_TRUE(Call("SplineSurface", {xs, Flat({300, 340, 380, 420}), heights, knots, knots}).empty());

    PixelNear(100, 100, kWhite);
    PixelNear(300, 100, kWhite);
    EXPECT_TRUE(AnyNear(200, 244, 256, kWhite)) << "the Bézier segment reaches y = 250 at its middle";
    PixelNear(200, 200, kBlack);
    PixelNear(470, 175, kGreen);
    PixelNear(470, 90, kBlack);
    EXPECT_TRUE(AnyNear(470, 298, 302, kRed)) << "the outline of the wired patch";
    PixelNear(470, 360, kBlack);
}

}  // namespace
}  // namespace geotest
