// Ready-made solids: spheres, cylinders, disks and partial disks through GLU
// quadrics, and boxes and tori built vertex by vertex.
#include <GL/glu.h>

#include <cmath>

#include "geometry/canvas.h"

namespace {

// GLU caps slices but not loops or stacks, and a torus issues sides times
// tube segments vertices: a larger count is taken as this one, so that a
// huge count cannot keep a call drawing for hours.
constexpr int kMaxSegments = 1024;

int Capped(int segments) { return segments < kMaxSegments ? segments : kMaxSegments; }

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

// One quadric drawing: a fresh GLU_FILL, GLU_OUTSIDE quadric after the
// polygon mode, which alone gives the wire-frame look.
template <class Draw>
void OglCanvas::WithQuadric(Draw draw) const {
    if (!bound_) return;
    switches_.ApplyPolygonMode();
    GLUquadric* q = gluNewQuadric();
    if (!q) return;
    gluQuadricDrawStyle(q, GLU_FILL);
    gluQuadricOrientation(q, GLU_OUTSIDE);
    draw(q);
    gluDeleteQuadric(q);
}

// GLU draws a sphere's poles as triangle fans between its quad strips; with
// texture coordinates it draws the poles as strips too. So while a list is
// recorded the sphere gets texture coordinates (invisible unless texturing
// is on) and its vertices stay one kind of primitive.
void OglCanvas::Sphere(float x, float y, float z, float radius, int n, bool recordingList) const {
    WithQuadric([&](GLUquadric* q) {
        if (recordingList) gluQuadricTexture(q, GL_TRUE);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glTranslatef(x, y, z);
        gluSphere(q, radius, Capped(n), Capped(n));
        glPopMatrix();
    });
}

void OglCanvas::Cylinder(float base, float top, float height, int slices, int stacks) const {
    WithQuadric([&](GLUquadric* q) { gluCylinder(q, base, top, height, Capped(slices), Capped(stacks)); });
}

// A disk without a hole is a triangle fan in the middle and quad strips
// around it. While a list is recorded the fan is drawn as a disk of its own,
// a state change after it, then the rings: the same vertices, with the two
// kinds of primitive apart.
void OglCanvas::DiskRings(GLUquadric* q, float inner, float outer, int n, float start, float sweep,
                          bool recordingList) const {
    if (!recordingList || inner != 0.0f || n < 3) {
        gluPartialDisk(q, inner, outer, n, n, start, sweep);
        return;
    }
    float ring = outer / n;
    gluPartialDisk(q, 0.0, ring, n, 1, start, sweep);
    switches_.ApplyPolygonMode();
    gluPartialDisk(q, ring, outer, n, n - 1, start, sweep);
}

void OglCanvas::Disk(float inner, float outer, int n, bool recordingList) const {
    WithQuadric([&](GLUquadric* q) {
        if (recordingList) DiskRings(q, inner, outer, Capped(n), 0.0f, 360.0f, true);
        else gluDisk(q, inner, outer, Capped(n), Capped(n));
    });
}

void OglCanvas::PartialDisk(float inner, float outer, float start, float sweep, int n, bool recordingList) const {
    WithQuadric([&](GLUquadric* q) { DiskRings(q, inner, outer, Capped(n), start, sweep, recordingList); });
}

void OglCanvas::Box(float a, float b, float c) const {
    if (!bound_) return;
    switches_.ApplyPolygonMode();
    const float half[3] = {a / 2, c / 2, b / 2};
    glBegin(GL_QUADS);
    for (const auto& face : kFaces) {
        glNormal3f(face[0][0], face[0][1], face[0][2]);
        for (int v = 1; v < 5; v++)
            glVertex3f(face[v][0] * half[0], face[v][1] * half[1], face[v][2] * half[2]);
    }
    glEnd();
}

void OglCanvas::Box(float x0, float y0, float z0, float a, float b, float c) const {
    if (!bound_) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(x0 + a / 2, y0 + c / 2, z0 + b / 2);
    Box(a, b, c);
    glPopMatrix();
}

// Fewer than one side or tube segment draws nothing.
void OglCanvas::Torus(float ringRadius, int sides, float tubeRadius, int tubeSegments) const {
    if (!bound_ || sides < 1 || tubeSegments < 1) return;
    switches_.ApplyPolygonMode();
    int m = Capped(sides), k = Capped(tubeSegments);
    for (long i = 0; i < k; i++) TorusBand(ringRadius, m, tubeRadius, k, i);
}
