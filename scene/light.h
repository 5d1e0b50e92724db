// The light and the fog the context carries: OglLightColor (a colour tagged
// with the light parameter it feeds), OglLight (always OpenGL light 0) and
// OglFog. Their operations issue OpenGL calls unconditionally; the context
// calls them only while its rendering context is current.
#pragma once

#include <GL/gl.h>

#include "color/color.h"
#include "scene/records.h"

class OglLightColor : public OglColor {
public:
    GLenum param;

    OglLightColor(GLenum p, float r, float g, float b, float a) : OglColor(r, g, b, a), param(p) {}
    void Set(GLenum p, float r, float g, float b, float a) {
        SetColor(r, g, b, a);
        param = p;
    }
    void Apply() const;
};

struct OglLight {
    OglLightColor* ambient;
    OglLightColor* diffuse;
    OglLightColor* specular;
    OglPoint4 position;
    float spotCutoff;
    int twoSide;

    OglLight(float red, float green, float blue, float alpha);
    ~OglLight();
    OglLight(const OglLight&) = delete;
    OglLight& operator=(const OglLight&) = delete;

    // Colours (ambient, specular, diffuse), then position, cutoff and a spot
    // direction towards the origin, under an identity model-view.
    void Apply() const;
    // Lighting and light 0 on, colour material off, the two-side model.
    void Enable() const;

    void SetAmbient(float r, float g, float b, float a);
    void SetDiffuse(float r, float g, float b, float a);
    void SetSpecular(float r, float g, float b, float a);
    void SetAmbient(const OglColor& c) { SetAmbient(c.red, c.green, c.blue, c.alpha); }
    void SetDiffuse(const OglColor& c) { SetDiffuse(c.red, c.green, c.blue, c.alpha); }
    void SetSpecular(const OglColor& c) { SetSpecular(c.red, c.green, c.blue, c.alpha); }
    void SetSpotCutoff(float degrees) { spotCutoff = degrees; }
    void SetPosition(float x, float y, float z, float w) { position.Set(x, y, z, w); }
    OglColor GetAmbient() const { return ambient ? OglColor(*ambient) : OglColor(); }
    OglColor GetDiffuse() const { return diffuse ? OglColor(*diffuse) : OglColor(); }
    OglColor GetSpecular() const { return specular ? OglColor(*specular) : OglColor(); }
};

class OglFog : public OglColor {
public:
    float density = 0.01f;
    GLenum mode = GL_LINEAR;

    OglFog(float r, float g, float b, float a) : OglColor(r, g, b, a) {}
    // Every fog value, whatever the mode.
    void Apply(float start, float end) const;
};
