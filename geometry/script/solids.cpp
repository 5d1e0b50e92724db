// The script methods of the solids.
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

constexpr int kDefaultSegments = 10;

// (x, y, z, radius[, n]) or (POINT3, radius[, n]); any other count draws
// nothing.
void Sphere(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    bool point = count == 3 || count == 4;
    if (!point && count != 5 && count != 6) return;
    Point3 c = PositionAt(args, count, point);
    int next = point ? 1 : 3;
    int n = count - 1 > next + 1 ? IntAt(args, count, next + 1) : kDefaultSegments;
    gl->Canvas().Sphere(c.x, c.y, c.z, NumberArg(args[next]), n, gl->Lists().Recording());
}

// Five arguments give the segment counts, any other count takes the
// default ones.
void Cylinder(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    bool counts = count == 6;
    gl->Canvas().Cylinder(NumberAt(args, count, 0), NumberAt(args, count, 1), NumberAt(args, count, 2),
                          counts ? IntAt(args, count, 3) : kDefaultSegments,
                          counts ? IntAt(args, count, 4) : kDefaultSegments);
}

void Disk(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->Canvas().Disk(NumberArg(args[0]), NumberArg(args[1]), ClampToInt(IntArg(args[2])),
                          gl->Lists().Recording());
}

void PartialDisk(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->Canvas().PartialDisk(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), NumberArg(args[3]),
                                 ClampToInt(IntArg(args[4])), gl->Lists().Recording());
}

// Three sizes, or (any other count) a corner and three sizes.
void Box(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    float v[6];
    for (int i = 0; i < 6; i++) v[i] = NumberAt(args, count, i);
    if (count == 4) gl->Canvas().Box(v[0], v[1], v[2]);
    else gl->Canvas().Box(v[0], v[1], v[2], v[3], v[4], v[5]);
}

void Torus(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->Canvas().Torus(NumberArg(args[0]), ClampToInt(IntArg(args[1])), NumberArg(args[2]),
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
