// OglCanvas: what the drawing operations draw with — whether the context
// has a rendering context open and a device bound, and its switches — and
// the drawing operations themselves (primitives.cpp, mesh.cpp, solids.cpp,
// nurbs.cpp, bitmaps.cpp). Every drawing operation does nothing unless
// bound. Arrays are packed float triples (x, y, z or red, green, blue);
// counts are in triples.
#pragma once

#include <GL/gl.h>

#include "host/vesk.h"
#include "scene/switches.h"
#include "scene/viewing.h"

class OglMaterial;
struct GLUquadric;
struct GLUnurbs;

class OglCanvas {
public:
    OglCanvas(bool open, bool bound, const OglSwitches& switches) : open_(open), bound_(bound), switches_(switches) {}

    void SetPointSize(float size) const;   // only needs a rendering context
    void SetLineWidth(float width) const;  // likewise

    // ---- vertex arrays (primitives.cpp, mesh.cpp)
    // GL_POINTS, GL_LINE_STRIP or GL_LINES after the smoothing switch; an
    // optional colour before each vertex.
    void PointsOrLines(GLenum primitive, const float* points, int n, const float* colors) const;
    // A normal before each vertex, and optionally a glColor3f between them.
    void Surface(GLenum primitive, const float* points, int n, const float* normals, const float* colors) const;
    // Normals computed when null, else one per vertex (nNormals == n) or one
    // per triangle.
    void Triangles(const float* points, int n, const float* normals, int nNormals) const;
    // Colours as glColor3f, or as a temporary material while lighting.
    void ColorTriangles(const float* points, int n, const float* normals, int nNormals, const float* colors) const;
    // Computed normals, alternating in sign, when `normals` is null.
    void TriangleStrip(const float* points, int n, const float* normals) const;
    // One group of a TrianglesEx mesh: its vertices and the material it uses.
    struct MeshGroup {
        const float* points;
        const float* normals;
        int count;
        const OglMaterial* material;  // null: the material state stays
    };
    // One triangle per first vertex (counted over all groups in order); a
    // batch per run of triangles of one group, its material applied first.
    void TrianglesEx(const MeshGroup* groups, int groupCount, const long* firstVertices, int indexCount) const;

    // ---- solids (solids.cpp)
    // `recordingList`: a display list is being recorded in the current
    // rendering context. Mesa 22.3 crashes replaying, in selection mode, a
    // list whose vertices mix primitive kinds without a state change between
    // them; the solids GLU draws that way are drawn without mixing meanwhile.
    void Sphere(float x, float y, float z, float radius, int n, bool recordingList) const;
    void Cylinder(float base, float top, float height, int slices, int stacks) const;
    void Disk(float inner, float outer, int n, bool recordingList) const;
    void PartialDisk(float inner, float outer, float start, float sweep, int n, bool recordingList) const;
    // Sizes along x, z and y (in that order), centred on the origin.
    void Box(float a, float b, float c) const;
    // The same box with its lowest corner at (x0, y0, z0).
    void Box(float x0, float y0, float z0, float a, float b, float c) const;
    void Torus(float ringRadius, int sides, float tubeRadius, int tubeSegments) const;

    // ---- cubic NURBS through a GLU renderer made for the call (nurbs.cpp):
    // knot counts are the control points' plus the order
    static constexpr int kSplineOrder = 4;
    // `selecting`: the view of a context whose selection runs, whose frustum
    // the surface is sampled with (null otherwise).
    void SplineCurve(int knotCount, const float* knots, const float* control, const OglView* selecting) const;
    void SplineSurface(int sKnotCount, const float* sKnots, int tKnotCount, const float* tKnots,
                       const float* control, const float* normals, const OglView* selecting) const;

    // ---- pixels (bitmaps.cpp)
    // Pixel blocks: 3 bytes a pixel (blue, green, red; turned to red, green,
    // blue in place), rows packed, lowest row first.
    // The longest side PutBitmap and Put2bBitmap draw at a raster position:
    // no device is larger (nor is a host bitmap), and Mesa writes past its
    // buffers for a mask 65536 rows high.
    static constexpr long kMaxRasterSide = 16384;
    void DrawBitmap(float x, float y, float z, int width, int height, unsigned char* block) const;
    void PutBitmap(float x, float y, float z, int width, int height, unsigned char* block) const;
    void Put2bBitmap(float x, float y, float z, int width, int height, const unsigned char* bits) const;
    // Reads a rectangle of the frame buffer, of which the part on the current
    // device (deviceWidth x deviceHeight) is read, into `target` as a pixel block.
    void GetDIBits(float x, float y, int width, int height, int deviceWidth, int deviceHeight,
                   Variable& target) const;

private:
    void DiskRings(GLUquadric* quadric, float inner, float outer, int n, float start, float sweep,
                   bool recordingList) const;
    template <class Draw>
    void WithQuadric(Draw draw) const;

    bool open_, bound_;
    const OglSwitches& switches_;
};
