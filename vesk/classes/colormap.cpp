// The colour maps' tables (colormap_data.h holds the published numbers) and
// the lookup between their entries.
#include "vesk/classes/colormap.h"

#include <algorithm>
#include <cmath>

#include "vesk/classes/colormap_data.h"

namespace vesk {

namespace {

constexpr double kGray[][3] = {{0, 0, 0}, {1, 1, 1}};

struct Map {
    const char* name;
    const double (*entries)[3];
    int count;
};

template <size_t N>
constexpr Map Entry(const char* name, const double (&entries)[N][3]) {
    return {name, entries, static_cast<int>(N)};
}

constexpr Map kMaps[] = {
    Entry("viridis", colormaps::kViridis), Entry("plasma", colormaps::kPlasma),
    Entry("inferno", colormaps::kInferno), Entry("magma", colormaps::kMagma),
    Entry("cividis", colormaps::kCividis), Entry("coolwarm", colormaps::kCoolwarm),
    Entry("gray", kGray),
};

}  // namespace

const char* ColorMapNames() { return "viridis, plasma, inferno, magma, cividis, coolwarm, gray"; }

bool ColorMapAt(std::string_view name, double t, double rgb[3]) {
    const Map* map = std::find_if(std::begin(kMaps), std::end(kMaps), [&](const Map& m) { return name == m.name; });
    if (map == std::end(kMaps)) return false;
    double at = std::clamp(t, 0.0, 1.0) * (map->count - 1);
    int i = std::min(static_cast<int>(at), map->count - 2);
    double f = at - i;
    for (int k = 0; k < 3; k++) {
        double a = map->entries[i][k], b = map->entries[i + 1][k];
        rgb[k] = a + (b - a) * f;
    }
    return true;
}

}  // namespace vesk
