// The script method of TrianglesEx: the groups, indices and materials read
// and checked before anything is drawn.
#include <algorithm>
#include <new>

#include "color/material.h"
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

// The read groups of one call, their indices and materials.
struct Mesh {
    int groupCount = 0;
    std::unique_ptr<PointArray[]> points, normals;
    std::unique_ptr<OglCanvas::MeshGroup[]> groups;
    std::unique_ptr<long[]> firsts;
    int indexCount = 0;
    int highestGroup = -1;

    bool Allocate(long g) {
        groupCount = ClampToInt(g);
        points.reset(new (std::nothrow) PointArray[groupCount]);
        normals.reset(new (std::nothrow) PointArray[groupCount]);
        groups.reset(new (std::nothrow) OglCanvas::MeshGroup[groupCount]);
        return points && normals && groups;
    }
    // Element g of a groups vector, followed when it is a reference.
    static Variable& GroupOf(Variable& v, int g) { return *ElementOf(v, g).GetPointer(); }
    // The group holding vertex k, counting over all groups in order.
    int GroupOfVertex(long k) const {
        int g = 0;
        while (g < groupCount && k >= points[g].count) k -= points[g++].count;
        return g;
    }
    bool Read(Variable& pointGroups, Variable& normalGroups, Processor* p);
    bool CheckGroups() const;
    bool ReadIndices(Variable& indices);
    void ResolveMaterials(Variable& materials);
};

// Reads every group's points, then every group's normals; there must be a
// group of normals for each group of points.
bool Mesh::Read(Variable& pointGroups, Variable& normalGroups, Processor* p) {
    for (int g = 0; g < groupCount; g++) points[g] = ReadPointArray(GroupOf(pointGroups, g), p);
    if (!SizesFit(CountOf(normalGroups) >= groupCount)) return false;
    for (int g = 0; g < groupCount; g++) normals[g] = ReadPointArray(GroupOf(normalGroups, g), p);
    for (int g = 0; g < groupCount; g++)
        if (points[g].Missing() || normals[g].Missing()) return false;
    return !p->errorState;
}

// Error 8 for each group whose normals do not match or that is no whole
// number of triangles; all groups are checked.
bool Mesh::CheckGroups() const {
    bool fit = true;
    for (int g = 0; g < groupCount; g++)
        fit &= SizesFit(points[g].count == normals[g].count && points[g].count % 3 == 0);
    return fit;
}

// Each index must name a triangle of the mesh; one error 8 for any that
// does not. Notes the group of the highest index.
bool Mesh::ReadIndices(Variable& indices) {
    long total = 0;
    for (int g = 0; g < groupCount; g++) total += points[g].count;
    indexCount = ClampToInt(CountOf(indices));
    firsts.reset(new (std::nothrow) long[indexCount > 0 ? indexCount : 1]);
    if (!firsts) return false;
    long highest = -1;
    bool fit = true;
    for (int i = 0; i < indexCount; i++) {
        long k = ElementOf(indices, i).GetLongNumb();
        fit &= k >= 0 && k < total / 3;
        firsts[i] = 3 * std::clamp(k, 0L, total);
        highest = std::max(highest, firsts[i]);
    }
    highestGroup = highest >= 0 ? GroupOfVertex(highest) : -1;
    return SizesFit(fit);
}

// The material of each group up to the highest one used: the joined native
// object of its element (a value that is no object reports 40 and leaves
// the material state as it is).
void Mesh::ResolveMaterials(Variable& materials) {
    for (int g = 0; g < groupCount; g++) {
        groups[g] = {points[g].Get(), normals[g].Get(), points[g].count, nullptr};
        if (g > highestGroup) continue;
        VarRegister reg;
        reg.isRef = 1;
        reg.ref = &ElementOf(materials, g);
        groups[g].material = dynamic_cast<OglMaterial*>(FindNative(reg));
    }
}

void TrianglesEx(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    Variable& materials = VectorArg(args, count, 3);
    Mesh mesh;
    if (!mesh.Allocate(CountOf(VectorArg(args, count, 0)))) return;
    if (!mesh.Read(VectorArg(args, count, 0), VectorArg(args, count, 1), p)) return;
    if (!mesh.CheckGroups() || !mesh.ReadIndices(VectorArg(args, count, 2))) return;
    if (!SizesFit(CountOf(materials) > mesh.highestGroup) || p->errorState) return;
    mesh.ResolveMaterials(materials);
    gl->Canvas().TrianglesEx(mesh.groups.get(), mesh.groupCount, mesh.firsts.get(), mesh.indexCount);
}

const ModuleRow rows[] = {
    {45, TrianglesEx,
     "VOpenGL::TrianglesEx(refer object Vector, refer object Vector, refer object Vector, refer "
     "object Vector)"},
};

}  // namespace

RowList MeshRows() { return Rows(rows); }
