// The vector readers of the drawing calls: script Vectors of points, normals
// or colours turned into packed float triples, and the small argument helpers
// the geometry handlers share.
#pragma once

#include <memory>

#include "host/vesk.h"

// n entries as consecutive float triples (x, y, z or red, green, blue), plus
// one spare float. A missing array (null data) means the allocation failed.
struct PointArray {
    std::unique_ptr<float[]> data;
    int count = 0;

    bool Missing() const { return !data; }
    const float* Get() const { return data.get(); }
};

// Elements of a Vector or indexable object (following a reference); any
// other value has none.
long CountOf(Variable& v);

// Reads points: flat numbers when element 0 is a number (count / 3 points,
// trailing numbers ignored), else one point per element, a 3-element Vector
// or an object with members "x", "y", "z". Reading stops at the first point
// that raised an error: the call draws nothing then, and one error says why.
PointArray ReadPointArray(Variable& vector, const Processor* p);
// Reads colours: numbers are packed colours (red in the lowest byte) when
// there are exactly `expected` of them, else flat float triples; other
// elements are 3-element Vectors or objects with "Red", "Green", "Blue".
PointArray ReadColorArray(Variable& vector, int expected, const Processor* p);

// Argument i of a call as a host object (a reference followed), or an empty
// value when the call has fewer arguments.
Variable& VectorArg(VarRegister* args, int count, int i);
// Argument i read as a float or int number; 0 when the call has fewer.
float NumberAt(VarRegister* args, int count, int i);
int IntAt(VarRegister* args, int count, int i);
// A long pinned to the int range.
int ClampToInt(long v);
// Raises host error 8 unless the sizes fit; returns whether they do.
bool SizesFit(bool fit);
