// Colour maps by name: the perceptually uniform viridis, plasma, inferno,
// magma and cividis, Moreland's diverging coolwarm, and a linear gray.
#pragma once

#include <string_view>

namespace vesk {

// The names of the maps, for messages: "viridis, plasma, …, gray".
const char* ColorMapNames();

// The colour of map `name` at t: red, green, blue in 0 … 1, interpolated
// linearly between the map's table entries. t below 0 counts as 0, above 1
// as 1; the caller keeps NaN out. False when there is no map of that name.
bool ColorMapAt(std::string_view name, double t, double rgb[3]);

}  // namespace vesk
