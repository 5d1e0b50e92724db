// The script methods of the NURBS curves and surfaces: the sizes of the
// script Vectors checked, the knot and control arrays built.
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

// The view a surface is sampled with while the context selects.
const OglView* Selecting(const OglContext& gl) { return gl.selection.Running() ? &gl.view : nullptr; }

constexpr int kOrder = OglCanvas::kSplineOrder;
// Control nets beyond this many points are not built (3 floats a point).
constexpr long kMaxPoints = (INT_MAX - 1) / 3;

float At(Variable& v, long i) { return ElementOf(v, i).GetFloatNumb(); }

// GLU's NURBS renderer reads past its arrays on a NaN knot, and nothing
// sensible comes of an infinite one or of a point at infinity: every number
// must be finite as the float GLU gets. Otherwise OGL_NURBS_ERROR names the
// first number that is not, by its argument and place, and nothing is drawn.
bool Finite(float v, const char* name, long i, long j = -1) {
    if (std::isfinite(v)) return true;
    char text[120];
    if (j < 0) std::snprintf(text, sizeof text, "%s[%ld] is not a finite number", name, i);
    else std::snprintf(text, sizeof text, "%s[%ld][%ld] is not a finite number", name, i, j);
    RaiseModuleError(OGL_NURBS_ERROR, text);
    return false;
}

bool AllFinite(const float* v, long n, const char* name) {
    for (long i = 0; i < n; i++)
        if (!Finite(v[i], name, i)) return false;
    return true;
}

// Error 8 for a control net too large to count in the ints GLU takes.
bool NetFits(bool fits) {
    return fits || SizeError("a NURBS control net of more than %ld points cannot be drawn", kMaxPoints);
}

// The elements of a Vector as floats; null when memory is short.
std::unique_ptr<float[]> Floats(Variable& v, long n) {
    std::unique_ptr<float[]> out(new (std::nothrow) float[n > 0 ? n : 1]);
    if (out)
        for (long i = 0; i < n; i++) out[i] = At(v, i);
    return out;
}

// SplineCurve2D and SplineCurve3D: zs is null for the curve in z = 0.
void Curve(VarRegister* args, int count, Variable* zs, Variable& knotsArg) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    Variable& xs = VectorArg(args, count, 0);
    Variable& ys = VectorArg(args, count, 1);
    long n = CountOf(xs);
    if (!SizesFit(CountOf(ys) == n && (!zs || CountOf(*zs) == n) && CountOf(knotsArg) == n + kOrder) ||
        !NetFits(n <= kMaxPoints))
        return;
    std::unique_ptr<float[]> knots = Floats(knotsArg, n + kOrder);
    std::unique_ptr<float[]> control(new (std::nothrow) float[3 * n + 1]);
    if (!knots || !control) return;
    const char* const names[3] = {"xs", "ys", "zs"};
    for (long i = 0; i < n; i++) {
        control[3 * i] = At(xs, i);
        control[3 * i + 1] = At(ys, i);
        control[3 * i + 2] = zs ? At(*zs, i) : 0.0f;
        for (int c = 0; c < 3; c++)
            if (!Finite(control[3 * i + c], names[c], i)) return;
    }
    if (!AllFinite(knots.get(), n + kOrder, "knots")) return;
    gl->Canvas().SplineCurve(static_cast<int>(n + kOrder), knots.get(), control.get(), Selecting(*gl));
}

void SplineCurve2D(VarRegister*, VarRegister* args, int count, Processor*) {
    Curve(args, count, nullptr, VectorArg(args, count, 2));
}

void SplineCurve3D(VarRegister*, VarRegister* args, int count, Processor*) {
    Curve(args, count, &VectorArg(args, count, 2), VectorArg(args, count, 3));
}

// The arguments of a surface: xs give x, zs give z, heights rows of y.
struct SurfaceArgs {
    Variable *xs, *zs, *heights, *normals, *sKnots, *tKnots;
    long nu, nv;

    // Sizes in order: s-knots, t-knots, rows, then each row's length.
    bool SizesFitTogether() const {
        if (!SizesFit(CountOf(*sKnots) == nu + kOrder) || !SizesFit(CountOf(*tKnots) == nv + kOrder) ||
            !SizesFit(CountOf(*heights) == nv))
            return false;
        for (long i = 0; i < nv; i++)
            if (!SizesFit(CountOf(ElementOf(*heights, i)) == nu)) return false;
        return true;
    }
    // The control net row by row, the last script row first.
    std::unique_ptr<float[]> ControlNet() const {
        std::unique_ptr<float[]> net(new (std::nothrow) float[3 * nu * nv + 1]);
        if (!net) return net;
        for (long p = 0; p < nv; p++) {
            long i = nv - 1 - p;
            Variable& row = *ElementOf(*heights, i).GetPointer();
            float z = At(*zs, i);
            for (long k = 0; k < nu; k++) {
                float* point = &net[3 * k + 3 * nu * p];
                point[0] = At(*xs, k);
                point[1] = At(row, k);
                point[2] = z;
            }
        }
        return net;
    }
    // The net's numbers by their script names: xs[k], heights[i][k], zs[i].
    bool NetFinite(const float* net) const {
        for (long i = 0; i < nv; i++)
            for (long k = 0; k < nu; k++) {
                const float* point = &net[3 * k + 3 * nu * (nv - 1 - i)];
                if (!Finite(point[0], "xs", k) || !Finite(point[1], "heights", i, k) || !Finite(point[2], "zs", i))
                    return false;
            }
        return true;
    }
};

// Five arguments draw without normals, any other count takes normals as
// the fourth argument.
void SplineSurface(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    int k = count == 6 ? 3 : 4;  // where the knots start
    SurfaceArgs s{&VectorArg(args, count, 0), &VectorArg(args, count, 1), &VectorArg(args, count, 2),
                  count == 6 ? nullptr : &VectorArg(args, count, 3), &VectorArg(args, count, k),
                  &VectorArg(args, count, k + 1), 0, 0};
    s.nu = CountOf(*s.xs);
    s.nv = CountOf(*s.zs);
    if (!s.SizesFitTogether() ||
        !NetFits(s.nu <= kMaxPoints && s.nv <= kMaxPoints && (s.nu == 0 || s.nv <= kMaxPoints / s.nu)))
        return;
    std::unique_ptr<float[]> net = s.ControlNet();
    std::unique_ptr<float[]> sKnots = Floats(*s.sKnots, s.nu + kOrder);
    std::unique_ptr<float[]> tKnots = Floats(*s.tKnots, s.nv + kOrder);
    if (!net || !sKnots || !tKnots) return;
    if (!s.NetFinite(net.get()) || !AllFinite(sKnots.get(), s.nu + kOrder, "sKnots") ||
        !AllFinite(tKnots.get(), s.nv + kOrder, "tKnots"))
        return;
    PointArray normals;
    if (s.normals) {
        normals = ReadPointArray(*s.normals, p);
        if (normals.Missing() || p->errorState || !SizesFit(normals.count == s.nu * s.nv)) return;
        for (long j = 0; j < 3L * normals.count; j++)
            if (!Finite(normals.Get()[j], "normals", j / 3, j % 3)) return;
    }
    gl->Canvas().SplineSurface(static_cast<int>(s.nu + kOrder), sKnots.get(), static_cast<int>(s.nv + kOrder),
                               tKnots.get(), net.get(), normals.Get(), Selecting(*gl));
}

const ModuleRow rows[] = {
    {72, SplineCurve2D,
     "VOpenGL::SplineCurve2D(refer object Vector, refer object Vector, refer object Vector)"},
    {73, SplineCurve3D,
     "VOpenGL::SplineCurve3D(refer object Vector, refer object Vector, refer object Vector, refer "
     "object Vector)"},
    {74, SplineSurface,
     "VOpenGL::SplineSurface(refer object Vector, refer object Vector, refer object Vector, refer "
     "object Vector, refer object Vector)"},
    {75, SplineSurface,
     "VOpenGL::SplineSurface(refer object Vector, refer object Vector, refer object Vector, refer "
     "object Vector, refer object Vector, refer object Vector)"},
};

}  // namespace

RowList NurbsRows() { return Rows(rows); }
