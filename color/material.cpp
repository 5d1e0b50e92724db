// The native material: construction from a base colour, from four colours
// or by copying; per-face setters and getters; issuing it to OpenGL.
#include "color/material.h"

#include <initializer_list>
#include <new>

namespace {

// Factors of the colour constructor and SetColor, single precision.
constexpr float kAmbient = 0.4f;
constexpr float kDiffuse = 0.9f;

OglMaterialColor* Make(GLenum param, float r, float g, float b, float a, GLenum face) {
    return new (std::nothrow) OglMaterialColor(param, r, g, b, a, face);
}

OglMaterialColor* Copy(const OglMaterialColor* c) {
    return c ? new (std::nothrow) OglMaterialColor(*c) : nullptr;
}

}  // namespace

void OglMaterialColor::Apply() const {
    const GLfloat rgba[4] = {red, green, blue, alpha};
    glMaterialfv(face, param, rgba);
}

OglMaterial::OglMaterial(float r, float g, float b, float a) {
    frontAmbient = Make(GL_AMBIENT, kAmbient * r, kAmbient * g, kAmbient * b, a, GL_FRONT);
    frontDiffuse = Make(GL_DIFFUSE, kDiffuse * r, kDiffuse * g, kDiffuse * b, a, GL_FRONT);
    frontSpecular = Make(GL_SPECULAR, 1.0f, 1.0f, 1.0f, a, GL_FRONT);
    frontEmission = Make(GL_EMISSION, 0.0f, 0.0f, 0.0f, a, GL_FRONT);
    backAmbient = Make(GL_AMBIENT, kAmbient * r, kAmbient * g, kAmbient * b, a, GL_BACK);
    backDiffuse = Make(GL_DIFFUSE, kDiffuse * r, kDiffuse * g, kDiffuse * b, a, GL_BACK);
    backSpecular = Make(GL_SPECULAR, 1.0f, 1.0f, 1.0f, a, GL_BACK);
    backEmission = Make(GL_EMISSION, 0.0f, 0.0f, 0.0f, a, GL_BACK);
}

OglMaterial::OglMaterial(const OglColor& ambient, const OglColor& diffuse, const OglColor& specular,
                         const OglColor& emission) {
    frontAmbient = new (std::nothrow) OglMaterialColor(GL_AMBIENT, ambient, GL_FRONT);
    frontDiffuse = new (std::nothrow) OglMaterialColor(GL_DIFFUSE, diffuse, GL_FRONT);
    frontSpecular = new (std::nothrow) OglMaterialColor(GL_SPECULAR, specular, GL_FRONT);
    frontEmission = new (std::nothrow) OglMaterialColor(GL_EMISSION, emission, GL_FRONT);
    backAmbient = new (std::nothrow) OglMaterialColor(GL_AMBIENT, ambient, GL_BACK);
    backDiffuse = new (std::nothrow) OglMaterialColor(GL_DIFFUSE, diffuse, GL_BACK);
    backSpecular = new (std::nothrow) OglMaterialColor(GL_SPECULAR, specular, GL_BACK);
    backEmission = new (std::nothrow) OglMaterialColor(GL_EMISSION, emission, GL_BACK);
}

OglMaterial::OglMaterial(const OglMaterial& o)
    : VeskAss(),
      frontAmbient(Copy(o.frontAmbient)),
      frontDiffuse(Copy(o.frontDiffuse)),
      frontSpecular(Copy(o.frontSpecular)),
      frontEmission(Copy(o.frontEmission)),
      backAmbient(Copy(o.backAmbient)),
      backDiffuse(Copy(o.backDiffuse)),
      backSpecular(Copy(o.backSpecular)),
      backEmission(Copy(o.backEmission)),
      frontShininess(o.frontShininess),
      backShininess(o.backShininess) {}

OglMaterial::~OglMaterial() {
    delete frontAmbient;
    delete frontDiffuse;
    delete frontSpecular;
    delete frontEmission;
    delete backAmbient;
    delete backDiffuse;
    delete backSpecular;
    delete backEmission;
}

bool OglMaterial::Complete() const {
    return frontAmbient && frontDiffuse && frontSpecular && frontEmission && backAmbient &&
           backDiffuse && backSpecular && backEmission;
}

OglMaterialColor** OglMaterial::Slot(GLenum param, int front) {
    switch (param) {
    case GL_AMBIENT: return front ? &frontAmbient : &backAmbient;
    case GL_DIFFUSE: return front ? &frontDiffuse : &backDiffuse;
    case GL_SPECULAR: return front ? &frontSpecular : &backSpecular;
    default: return front ? &frontEmission : &backEmission;
    }
}

// Writes one colour of the selected face, re-tagging it with its slot.
void OglMaterial::SetOne(GLenum param, float r, float g, float b, float a, int front) {
    if (OglMaterialColor* c = *Slot(param, front)) c->Set(param, r, g, b, a, front ? GL_FRONT : GL_BACK);
}

// A missing colour object of either face gives the default white.
OglColor OglMaterial::GetOne(GLenum param, int front) const {
    auto* self = const_cast<OglMaterial*>(this);
    const OglMaterialColor* f = *self->Slot(param, 1);
    const OglMaterialColor* b = *self->Slot(param, 0);
    if (!f || !b) return OglColor();
    return OglColor(front ? *f : *b);
}

void OglMaterial::SetColor(float r, float g, float b, float a, int front) {
    SetOne(GL_DIFFUSE, kDiffuse * r, kDiffuse * g, kDiffuse * b, a, front);
    SetOne(GL_AMBIENT, kAmbient * r, kAmbient * g, kAmbient * b, a, front);
    SetOne(GL_SPECULAR, 1.0f * r, 1.0f * g, 1.0f * b, a, front);
    SetOne(GL_EMISSION, 0.0f * r, 0.0f * g, 0.0f * b, a, front);
}

void OglMaterial::SetDiffuse(float r, float g, float b, float a, int front) { SetOne(GL_DIFFUSE, r, g, b, a, front); }
void OglMaterial::SetSpecular(float r, float g, float b, float a, int front) { SetOne(GL_SPECULAR, r, g, b, a, front); }
void OglMaterial::SetAmbient(float r, float g, float b, float a, int front) { SetOne(GL_AMBIENT, r, g, b, a, front); }
void OglMaterial::SetEmission(float r, float g, float b, float a, int front) { SetOne(GL_EMISSION, r, g, b, a, front); }

void OglMaterial::SetShininess(float value, int front) {
    (front ? frontShininess : backShininess) = value;
}

OglColor OglMaterial::GetDiffuse(int front) const { return GetOne(GL_DIFFUSE, front); }
OglColor OglMaterial::GetSpecular(int front) const { return GetOne(GL_SPECULAR, front); }
OglColor OglMaterial::GetAmbient(int front) const { return GetOne(GL_AMBIENT, front); }
OglColor OglMaterial::GetEmission(int front) const { return GetOne(GL_EMISSION, front); }

void OglMaterial::Apply() const {
    for (const OglMaterialColor* c : {frontAmbient, frontDiffuse, frontSpecular, frontEmission,
                                      backAmbient, backDiffuse, backSpecular, backEmission})
        if (c) c->Apply();
    glMaterialf(GL_FRONT, GL_SHININESS, frontShininess);
    glMaterialf(GL_BACK, GL_SHININESS, backShininess);
}
