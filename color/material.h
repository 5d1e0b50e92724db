// OglMaterial: a complete material for front and back faces (ambient,
// diffuse, specular and emission colours and a shininess per face), the
// native class behind the script class of the same name.
#pragma once

#include <GL/gl.h>

#include "color/color.h"

// One colour of a material, tagged with the material parameter and face it feeds.
class OglMaterialColor : public OglColor {
public:
    GLenum param;
    GLenum face;

    OglMaterialColor(GLenum p, float r, float g, float b, float a, GLenum f)
        : OglColor(r, g, b, a), param(p), face(f) {}
    OglMaterialColor(GLenum p, const OglColor& c, GLenum f) : OglColor(c), param(p), face(f) {}
    OglMaterialColor(const OglMaterialColor& o) : OglColor(o), param(o.param), face(o.face) {}

    void Set(GLenum p, float r, float g, float b, float a, GLenum f) {
        SetColor(r, g, b, a);
        param = p;
        face = f;
    }
    void Apply() const;
};

class OglMaterial : public VeskAss {
public:
    static constexpr const char* kScriptClass = "OglMaterial";

    enum Face { kFront, kBack };
    enum Component { kAmbient, kDiffuse, kSpecular, kEmission };
    // The OpenGL face and material parameter of each index.
    static constexpr GLenum kFaces[2] = {GL_FRONT, GL_BACK};
    static constexpr GLenum kParams[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};

    // Each colour object tagged with its face and component; null where one
    // could not be allocated.
    OglMaterialColor* colors[2][4] = {};
    float shininess[2] = {60.0f, 120.0f};

    // Derives the four colours of each face from one base colour.
    OglMaterial(float red, float green, float blue, float alpha);
    // Each colour goes to both faces.
    OglMaterial(const OglColor& ambient, const OglColor& diffuse, const OglColor& specular,
                const OglColor& emission);
    OglMaterial(const OglMaterial& other);
    ~OglMaterial() override;

    // Whether every colour object could be allocated; a material that is not
    // complete is never handed to a script.
    bool Complete() const;

    // The four colours of one face derived from a base colour, as the
    // constructor derives them except that the specular is the colour itself.
    void SetColor(float red, float green, float blue, float alpha, Face face);
    // One colour of one face, re-tagged with its place.
    void Set(Component component, float red, float green, float blue, float alpha, Face face);
    // A copy of one colour of a face; the default white when the colour
    // object of either face is missing.
    OglColor Get(Component component, Face face) const;

    // Eight glMaterialfv calls, front colours first, then the two shininess values.
    void Apply() const;
};
