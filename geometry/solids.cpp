// Ready-made solids: spheres, cylinders, disks and partial disks through GLU
// quadrics, and boxes and tori built vertex by vertex; with their handlers.
#include <GL/glu.h>

#include <cmath>

#include "context/context.h"
#include "geometry/readers.h"
#include "module/rules.h"

using namespace rules;

namespace {

constexpr const char* kClass = "VOpenGL";
constexpr int kDefaultSegments = 10;
// GLU caps slices but not loops or stacks, and a torus issues sides times
// tube segments vertices: a larger count is taken as this one, so that a
// huge count cannot keep a call drawing for hours.
constexpr int kMaxSegments = 1024;

int Capped(int segments) { return segments < kMaxSegments ? segments : kMaxSegments; }

// One quadric drawing: a fresh GLU_FILL, GLU_OUTSIDE quadric after the
// polygon mode, which alone gives the wire-frame look.
template <class Draw>
void WithQuadric(const OglContext& gl, Draw draw) {
    if (!gl.IsBound()) return;
    gl.ApplyPolygonMode();
    GLUquadric* q = gluNewQuadric();
    if (!q) return;
    gluQuadricDrawStyle(q, GLU_FILL);
    gluQuadricOrientation(q, GLU_OUTSIDE);
    draw(q);
    gluDeleteQuadric(q);
}

// The six faces of a box, each a normal and four corners counter-clockwise
// seen from outside, as signs of the half sizes.
const signed char kFaces[6][5][3] = {
    {{0, 0, 1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
    {{0, 0, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}},
    {{-1, 0, 0}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}},
    {{1, 0, 0}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}},
    {{0, 1, 0}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},
    {{0, -1, 0}, {-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}},
};

// One band of the torus between tube angles i and i+1, closed on itself.
void TorusBand(double R, long m, double r, long k, long i) {
    const double tau = 2.0 * 3.141592653589793;
    glBegin(GL_QUAD_STRIP);
    for (long j = 0; j <= m; j++) {
        double theta = (j % m) * tau / m;
        for (long d = 1; d >= 0; d--) {
            double phi = (((i + d) % k) + 0.5) * tau / k;
            glNormal3d(std::cos(theta) * std::cos(phi), std::sin(theta) * std::cos(phi), std::sin(phi));
            double ring = R + r * std::cos(phi);
            glVertex3d(ring * std::cos(theta), ring * std::sin(theta), r * std::sin(phi));
        }
    }
    glEnd();
}

}  // namespace

// GLU draws a sphere's poles as triangle fans between its quad strips; with
// texture coordinates it draws the poles as strips too. So while a list is
// recorded the sphere gets texture coordinates (invisible unless texturing
// is on) and its vertices stay one kind of primitive.
void OglContext::Sphere(const OglPoint4& c, float radius, int n) {
    WithQuadric(*this, [&](GLUquadric* q) {
        if (RecordingList()) gluQuadricTexture(q, GL_TRUE);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glTranslatef(c.x, c.y, c.z);
        gluSphere(q, radius, Capped(n), Capped(n));
        glPopMatrix();
    });
}

void OglContext::Cylinder(float base, float top, float height, int slices, int stacks) {
    WithQuadric(*this, [&](GLUquadric* q) { gluCylinder(q, base, top, height, Capped(slices), Capped(stacks)); });
}

// A disk without a hole is a triangle fan in the middle and quad strips
// around it. While a list is recorded the fan is drawn as a disk of its own,
// a state change after it, then the rings: the same vertices, with the two
// kinds of primitive apart.
void OglContext::DiskRings(GLUquadric* q, float inner, float outer, int n, float start, float sweep) const {
    if (!RecordingList() || inner != 0.0f || n < 3) {
        gluPartialDisk(q, inner, outer, n, n, start, sweep);
        return;
    }
    float ring = outer / n;
    gluPartialDisk(q, 0.0, ring, n, 1, start, sweep);
    ApplyPolygonMode();
    gluPartialDisk(q, ring, outer, n, n - 1, start, sweep);
}

void OglContext::Disk(float inner, float outer, int n) {
    WithQuadric(*this, [&](GLUquadric* q) {
        if (RecordingList()) DiskRings(q, inner, outer, Capped(n), 0.0f, 360.0f);
        else gluDisk(q, inner, outer, Capped(n), Capped(n));
    });
}

void OglContext::PartialDisk(float inner, float outer, float start, float sweep, int n) {
    WithQuadric(*this, [&](GLUquadric* q) { DiskRings(q, inner, outer, Capped(n), start, sweep); });
}

void OglContext::Box(float a, float b, float c) {
    if (!IsBound()) return;
    ApplyPolygonMode();
    const float half[3] = {a / 2, c / 2, b / 2};
    glBegin(GL_QUADS);
    for (const auto& face : kFaces) {
        glNormal3f(face[0][0], face[0][1], face[0][2]);
        for (int v = 1; v < 5; v++)
            glVertex3f(face[v][0] * half[0], face[v][1] * half[1], face[v][2] * half[2]);
    }
    glEnd();
}

void OglContext::Box(float x0, float y0, float z0, float a, float b, float c) {
    if (!IsBound()) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(x0 + a / 2, y0 + c / 2, z0 + b / 2);
    Box(a, b, c);
    glPopMatrix();
}

// Fewer than one side or tube segment draws nothing.
void OglContext::Torus(float ringRadius, int sides, float tubeRadius, int tubeSegments) {
    if (!IsBound() || sides < 1 || tubeSegments < 1) return;
    ApplyPolygonMode();
    int m = Capped(sides), k = Capped(tubeSegments);
    for (long i = 0; i < k; i++) TorusBand(ringRadius, m, tubeRadius, k, i);
}

// ---- handlers ------------------------------------------------------------------

namespace {

// Rows 54 to 57: (x, y, z, radius[, n]) or (POINT3, radius[, n]); any other
// count draws nothing.
void Sphere(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    OglPoint4 centre;
    int next;
    if (count == 5 || count == 6) {
        centre.Set(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), 1.0f);
        next = 3;
    } else if (count == 3 || count == 4) {
        Variable& p = *HostObjectArg(args[0]);
        centre.Set(p("x").GetFloatNumb(), p("y").GetFloatNumb(), p("z").GetFloatNumb(), 1.0f);
        next = 1;
    } else {
        return;
    }
    int n = count - 1 > next + 1 ? IntAt(args, count, next + 1) : kDefaultSegments;
    gl->Sphere(centre, NumberArg(args[next]), n);
}

// Rows 58 and 59: five arguments give the segment counts, any other count
// takes the default ones.
void Cylinder(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    bool counts = count == 6;
    gl->Cylinder(NumberAt(args, count, 0), NumberAt(args, count, 1), NumberAt(args, count, 2),
                 counts ? IntAt(args, count, 3) : kDefaultSegments,
                 counts ? IntAt(args, count, 4) : kDefaultSegments);
}

void Disk(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass))
        gl->Disk(NumberArg(args[0]), NumberArg(args[1]), ClampToInt(IntArg(args[2])));
}

void PartialDisk(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass))
        gl->PartialDisk(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]),
                        NumberArg(args[3]), ClampToInt(IntArg(args[4])));
}

// Rows 62 and 63: three sizes, or a corner and three sizes (any count
// other than three arguments).
void Box(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    float v[6];
    for (int i = 0; i < 6; i++) v[i] = NumberAt(args, count, i);
    if (count == 4) gl->Box(v[0], v[1], v[2]);
    else gl->Box(v[0], v[1], v[2], v[3], v[4], v[5]);
}

void Torus(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass))
        gl->Torus(NumberArg(args[0]), ClampToInt(IntArg(args[1])), NumberArg(args[2]),
                  ClampToInt(IntArg(args[3])));
}

const ModuleRow rows[] = {
    {54, Sphere, "VOpenGL::Sphere(number, number, number, number, int)"},
    {55, Sphere, "VOpenGL::Sphere(refer object POINT3 , number, int)"},
    {56, Sphere, "VOpenGL::Sphere(number, number, number, number)"},
    {57, Sphere, "VOpenGL::Sphere(refer object POINT3 , number)"},
    {58, Cylinder, "VOpenGL::Cylinder(number, number, number, int, int)"},
    {59, Cylinder, "VOpenGL::Cylinder(number, number, number)"},
    {60, Disk, "VOpenGL::Disk(number, number, int)"},
    {61, PartialDisk, "VOpenGL::PartialDisk(number, number, number, number, int)"},
    {62, Box, "VOpenGL::Box(number, number, number, number, number, number)"},
    {63, Box, "VOpenGL::Box(number, number, number)"},
    {64, Torus, "VOpenGL::Torus(number, int, number, int)"},
};

}  // namespace

RowList SolidRows() { return Rows(rows); }
