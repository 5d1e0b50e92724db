// The colour a ColorRef holds, as an OglColor.
#include "color/color.h"

namespace {

float Channel(long c, int shift) {
    return static_cast<float>(static_cast<double>((c >> shift) & 0xFF) / 255);
}

}  // namespace

OglColor ColorRefConversion(Variable& colorRef) {
    long c = colorRef("clrf").GetLongNumb();
    return OglColor(Channel(c, 0), Channel(c, 8), Channel(c, 16), 1.0f);
}
