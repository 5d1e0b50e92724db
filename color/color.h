// OglColor: a colour of four single-precision components, the native class
// behind the script class of the same name and the base of every
// colour-carrying class of the module (light colours, fog, material colours).
#pragma once

#include "host/vesk.h"

class OglColor : public VeskAss {
public:
    static constexpr const char* kScriptClass = "OglColor";

    float red = 1.0f, green = 1.0f, blue = 1.0f, alpha = 1.0f;

    OglColor() = default;
    OglColor(float r, float g, float b, float a) : red(r), green(g), blue(b), alpha(a) {}
    OglColor(const OglColor& other)
        : VeskAss(), red(other.red), green(other.green), blue(other.blue), alpha(other.alpha) {}

    void SetColor(float r, float g, float b, float a) {
        red = r;
        green = g;
        blue = b;
        alpha = a;
    }
    // Copies the four components only, also from a subclass object.
    void operator=(const OglColor& other) { SetColor(other.red, other.green, other.blue, other.alpha); }

    // Red, green and blue scaled, alpha kept.
    OglColor operator*(float factor) const {
        return OglColor(red * factor, green * factor, blue * factor, alpha);
    }
    void operator*=(float factor) {
        red *= factor;
        green *= factor;
        blue *= factor;
    }
};

// The colour a ColorRef holds in its member "clrf": the lowest byte red, then
// green, then blue, each divided by 255; alpha 1.
OglColor ColorRefConversion(Variable& colorRef);
