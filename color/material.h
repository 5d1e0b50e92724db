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

    OglMaterialColor* frontAmbient = nullptr;
    OglMaterialColor* frontDiffuse = nullptr;
    OglMaterialColor* frontSpecular = nullptr;
    OglMaterialColor* frontEmission = nullptr;
    OglMaterialColor* backAmbient = nullptr;
    OglMaterialColor* backDiffuse = nullptr;
    OglMaterialColor* backSpecular = nullptr;
    OglMaterialColor* backEmission = nullptr;
    float frontShininess = 60.0f;
    float backShininess = 120.0f;

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

    void SetColor(float red, float green, float blue, float alpha, int front);
    void SetDiffuse(float red, float green, float blue, float alpha, int front);
    void SetSpecular(float red, float green, float blue, float alpha, int front);
    void SetAmbient(float red, float green, float blue, float alpha, int front);
    void SetEmission(float red, float green, float blue, float alpha, int front);
    void SetShininess(float value, int front);
    OglColor GetDiffuse(int front) const;
    OglColor GetSpecular(int front) const;
    OglColor GetAmbient(int front) const;
    OglColor GetEmission(int front) const;

    // Eight glMaterialfv calls, front colours first, then the two shininess values.
    void Apply() const;

private:
    OglMaterialColor** Slot(GLenum param, int front);
    void SetOne(GLenum param, float red, float green, float blue, float alpha, int front);
    OglColor GetOne(GLenum param, int front) const;
};
