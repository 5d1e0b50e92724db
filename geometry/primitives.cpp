// The vertex-array drawing operations of the context: points and lines,
// surfaces with given or computed normals, coloured triangles, point size and
// line width. One glBegin/glEnd batch per call.
#include "color/material.h"
#include "geometry/canvas.h"

namespace {

inline void Vertex(const float* v) { glVertex3f(v[0], v[1], v[2]); }
inline void Normal(const float* n) { glNormal3f(n[0], n[1], n[2]); }
inline void Color(const float* c) { glColor3f(c[0], c[1], c[2]); }

void Switch(GLenum cap, int on) {
    if (on) glEnable(cap);
    else glDisable(cap);
}

// (C − B) × (A − B) in double precision, scaled by sign: not normalised,
// towards the viewer when A, B, C run counter-clockwise.
inline void ComputedNormal(const float* a, const float* b, const float* c, double sign) {
    double ux = double(a[0]) - b[0], uy = double(a[1]) - b[1], uz = double(a[2]) - b[2];
    double wx = double(c[0]) - b[0], wy = double(c[1]) - b[1], wz = double(c[2]) - b[2];
    glNormal3f(static_cast<float>(sign * (uz * wy - uy * wz)),
               static_cast<float>(sign * (ux * wz - uz * wx)),
               static_cast<float>(sign * (uy * wx - ux * wy)));
}

// A colour of ColorTriangles: plain, or while lighting a material made from
// it for this one vertex or triangle.
void ApplyColor(const float* c, bool lit) {
    if (!lit) {
        Color(c);
        return;
    }
    OglMaterial material(c[0], c[1], c[2], 1.0f);
    material.Apply();
}

}  // namespace

void OglCanvas::SetPointSize(float size) const {
    if (open_) glPointSize(size);
}

void OglCanvas::SetLineWidth(float width) const {
    if (open_) glLineWidth(width);
}

void OglCanvas::PointsOrLines(GLenum primitive, const float* points, int n, const float* colors) const {
    if (!bound_) return;
    if (primitive == GL_POINTS) Switch(GL_POINT_SMOOTH, switches_.smoothPoint);
    else Switch(GL_LINE_SMOOTH, switches_.smoothLine);
    glBegin(primitive);
    for (int i = 0; i < n; i++) {
        if (colors) Color(colors + 3 * i);
        Vertex(points + 3 * i);
    }
    glEnd();
}

void OglCanvas::Surface(GLenum primitive, const float* points, int n, const float* normals,
                         const float* colors) const {
    if (!bound_) return;
    switches_.ApplyPolygonMode();
    glBegin(primitive);
    for (int i = 0; i < n; i++) {
        Normal(normals + 3 * i);
        if (colors) Color(colors + 3 * i);
        Vertex(points + 3 * i);
    }
    glEnd();
}

void OglCanvas::Triangles(const float* points, int n, const float* normals, int nNormals) const {
    if (normals && nNormals == n) return Surface(GL_TRIANGLES, points, n, normals, nullptr);
    if (!bound_) return;
    switches_.ApplyPolygonMode();
    glBegin(GL_TRIANGLES);
    for (int t = 0; t < n / 3; t++) {
        const float* v = points + 9 * t;
        if (normals) Normal(normals + 3 * t);
        else ComputedNormal(v, v + 3, v + 6, 1.0);
        Vertex(v);
        Vertex(v + 3);
        Vertex(v + 6);
    }
    glEnd();
}

void OglCanvas::ColorTriangles(const float* points, int n, const float* normals, int nNormals,
                                const float* colors) const {
    if (!bound_) return;
    bool lit = switches_.lightEnabled != 0;
    switches_.ApplyPolygonMode();
    glBegin(GL_TRIANGLES);
    if (nNormals == n) {
        for (int i = 0; i < n; i++) {
            ApplyColor(colors + 3 * i, lit);
            Normal(normals + 3 * i);
            Vertex(points + 3 * i);
        }
    } else {
        for (int t = 0; t < n / 3; t++) {
            ApplyColor(colors + 3 * t, lit);
            Normal(normals + 3 * t);
            for (int v = 0; v < 3; v++) Vertex(points + 9 * t + 3 * v);
        }
    }
    glEnd();
}

// The first triangle's normal goes before each of its vertices; every later
// vertex gets the normal of the triangle it closes, its sign flipped each
// time so that a planar strip faces one way throughout.
void OglCanvas::TriangleStrip(const float* points, int n, const float* normals) const {
    if (normals) return Surface(GL_TRIANGLE_STRIP, points, n, normals, nullptr);
    if (!bound_ || n < 3) return;
    switches_.ApplyPolygonMode();
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < 3; i++) {
        ComputedNormal(points, points + 3, points + 6, 1.0);
        Vertex(points + 3 * i);
    }
    double sign = 1.0;
    for (int i = 3; i < n; i++) {
        const float* v = points + 3 * i;
        sign = -sign;
        ComputedNormal(v - 6, v - 3, v, sign);
        Vertex(v);
    }
    glEnd();
}
