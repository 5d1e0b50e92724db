// The script methods of the vertex-array primitives: read the Vectors in
// argument order, check the counts of the method (error 8), draw, free.
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

// The arrays of one call, read points first, then normals, then colours
// (whose packed form is told by the points' count).
struct VertexArgs {
    PointArray points, normals, colors;

    // False when an array is missing or reading raised an error.
    bool Read(VarRegister* args, int count, Processor* p, bool withNormals, bool withColors) {
        int i = 0;
        points = ReadPointArray(VectorArg(args, count, i++), p);
        if (withNormals) normals = ReadPointArray(VectorArg(args, count, i++), p);
        if (withColors) colors = ReadColorArray(VectorArg(args, count, i++), points.count, p);
        return !points.Missing() && !(withNormals && normals.Missing()) &&
               !(withColors && colors.Missing()) && !p->errorState;
    }
    int P() const { return points.count; }
    int N() const { return normals.count; }
    int C() const { return colors.count; }
};

// Points, a line strip or lines, after the smoothing switch of their kind.
template <GLenum primitive>
void PointsOrLines(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    VertexArgs a;
    if (gl && a.Read(args, count, p, false, false))
        gl->Canvas().PointsOrLines(primitive, a.points.Get(), a.P(), nullptr);
}

// A colour count that differs from the point count draws nothing, silently.
void ColorLines(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    VertexArgs a;
    if (gl && a.Read(args, count, p, false, true) && a.C() == a.P())
        gl->Canvas().PointsOrLines(GL_LINES, a.points.Get(), a.P(), a.colors.Get());
}

void SetPointSize(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Canvas().SetPointSize(NumberArg(args[0]));
}

void SetLineWidth(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Canvas().SetLineWidth(NumberArg(args[0]));
}

// Triangles from points alone (computed normals) or with normals.
template <bool withNormals>
void Triangles(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    VertexArgs a;
    if (!gl || !a.Read(args, count, p, withNormals, false)) return;
    int P = a.P(), N = a.N();
    if (SizesFit(P > 0 && P % 3 == 0 && (!withNormals || N == P || N == P / 3)))
        gl->Canvas().Triangles(a.points.Get(), P, withNormals ? a.normals.Get() : nullptr, N);
}

void ColorTriangles(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    VertexArgs a;
    if (!gl || !a.Read(args, count, p, true, true)) return;
    int P = a.P(), N = a.N();
    if (SizesFit((N == P || N == P / 3) && a.C() == P && P > 0 && P % 3 == 0))
        gl->Canvas().ColorTriangles(a.points.Get(), P, a.normals.Get(), N, a.colors.Get());
}

// A strip from points and normals, or from points alone (computed normals).
template <bool withNormals>
void TriangleStrip(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    VertexArgs a;
    if (!gl || !a.Read(args, count, p, withNormals, false)) return;
    if (SizesFit((!withNormals || a.N() == a.P()) && a.P() >= 3))
        gl->Canvas().TriangleStrip(a.points.Get(), a.P(), withNormals ? a.normals.Get() : nullptr);
}

// The surfaces with a normal per vertex: N = P, at least `minimum` points,
// a multiple of `multiple`, and a colour per vertex when `withColors`. A
// polygon takes exactly the counts a batch of quads takes.
template <GLenum primitive, int minimum, int multiple, bool withColors>
void Surface(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    VertexArgs a;
    if (!gl || !a.Read(args, count, p, true, withColors)) return;
    int P = a.P();
    if (SizesFit(a.N() == P && P >= minimum && P % multiple == 0 && (!withColors || a.C() == P)))
        gl->Canvas().Surface(primitive, a.points.Get(), P, a.normals.Get(), withColors ? a.colors.Get() : nullptr);
}

const ModuleRow rows[] = {
    {37, SetPointSize, "VOpenGL::SetPointSize(number)"},
    {38, PointsOrLines<GL_POINTS>, "VOpenGL::SetPoints(refer object Vector)"},
    {39, PointsOrLines<GL_LINE_STRIP>, "VOpenGL::LineStrip(refer object Vector)"},
    {40, PointsOrLines<GL_LINES>, "VOpenGL::Lines(refer object Vector)"},
    {41, ColorLines, "VOpenGL::ColorLines(refer object Vector, refer object Vector)"},
    {42, SetLineWidth, "VOpenGL::SetLineWidth(number)"},
    {43, Triangles<false>, "VOpenGL::Triangles(refer object Vector)"},
    {44, Triangles<true>, "VOpenGL::Triangles(refer object Vector, refer object Vector)"},
    {46, ColorTriangles, "VOpenGL::ColorTriangles(refer object Vector, refer object Vector, refer object Vector)"},
    {47, TriangleStrip<true>, "VOpenGL::TriangleStrip(refer object Vector, refer object Vector)"},
    {48, TriangleStrip<false>, "VOpenGL::TriangleStrip(refer object Vector)"},
    {49, Surface<GL_QUAD_STRIP, 4, 1, false>, "VOpenGL::QuadStrip(refer object Vector, refer object Vector)"},
    {50, Surface<GL_QUADS, 1, 4, false>, "VOpenGL::Quads(refer object Vector, refer object Vector)"},
    {51, Surface<GL_QUADS, 1, 4, true>,
     "VOpenGL::ColorQuads(refer object Vector, refer object Vector, refer object Vector)"},
    {52, Surface<GL_POLYGON, 1, 4, false>, "VOpenGL::Polygon(refer object Vector, refer object Vector)"},
    {53, Surface<GL_POLYGON, 1, 4, true>,
     "VOpenGL::ColorPolygon(refer object Vector, refer object Vector, refer object Vector)"},
};

}  // namespace

RowList PrimitiveRows() { return Rows(rows); }
