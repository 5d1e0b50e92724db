// The native material: construction from a base colour, from four colours
// or by copying; per-face setters and getters; issuing it to OpenGL.
#include "color/material.h"

#include <new>

namespace {

// Factors of the colour constructor and SetColor, single precision.
constexpr float kAmbientFactor = 0.4f;
constexpr float kDiffuseFactor = 0.9f;

}  // namespace

void OglMaterialColor::Apply() const {
    const GLfloat rgba[4] = {red, green, blue, alpha};
    glMaterialfv(face, param, rgba);
}

OglMaterial::OglMaterial(float r, float g, float b, float a) {
    const float base[4][3] = {{kAmbientFactor * r, kAmbientFactor * g, kAmbientFactor * b},
                              {kDiffuseFactor * r, kDiffuseFactor * g, kDiffuseFactor * b},
                              {1.0f, 1.0f, 1.0f},
                              {0.0f, 0.0f, 0.0f}};
    for (int f = 0; f < 2; f++)
        for (int c = 0; c < 4; c++)
            colors[f][c] =
                new (std::nothrow) OglMaterialColor(kParams[c], base[c][0], base[c][1], base[c][2], a, kFaces[f]);
}

OglMaterial::OglMaterial(const OglColor& ambient, const OglColor& diffuse, const OglColor& specular,
                         const OglColor& emission) {
    const OglColor* given[4] = {&ambient, &diffuse, &specular, &emission};
    for (int f = 0; f < 2; f++)
        for (int c = 0; c < 4; c++)
            colors[f][c] = new (std::nothrow) OglMaterialColor(kParams[c], *given[c], kFaces[f]);
}

OglMaterial::OglMaterial(const OglMaterial& o) : VeskAss() {
    for (int f = 0; f < 2; f++) {
        for (int c = 0; c < 4; c++)
            colors[f][c] = o.colors[f][c] ? new (std::nothrow) OglMaterialColor(*o.colors[f][c]) : nullptr;
        shininess[f] = o.shininess[f];
    }
}

OglMaterial::~OglMaterial() {
    for (auto& face : colors)
        for (OglMaterialColor* c : face) delete c;
}

bool OglMaterial::Complete() const {
    for (const auto& face : colors)
        for (const OglMaterialColor* c : face)
            if (!c) return false;
    return true;
}

void OglMaterial::SetColor(float r, float g, float b, float a, Face face) {
    Set(kDiffuse, kDiffuseFactor * r, kDiffuseFactor * g, kDiffuseFactor * b, a, face);
    Set(kAmbient, kAmbientFactor * r, kAmbientFactor * g, kAmbientFactor * b, a, face);
    Set(kSpecular, 1.0f * r, 1.0f * g, 1.0f * b, a, face);
    Set(kEmission, 0.0f * r, 0.0f * g, 0.0f * b, a, face);
}

void OglMaterial::Set(Component component, float r, float g, float b, float a, Face face) {
    if (OglMaterialColor* c = colors[face][component]) c->Set(kParams[component], r, g, b, a, kFaces[face]);
}

OglColor OglMaterial::Get(Component component, Face face) const {
    if (!colors[kFront][component] || !colors[kBack][component]) return OglColor();
    return OglColor(*colors[face][component]);
}

void OglMaterial::Apply() const {
    for (const auto& face : colors)
        for (const OglMaterialColor* c : face)
            if (c) c->Apply();
    glMaterialf(GL_FRONT, GL_SHININESS, shininess[kFront]);
    glMaterialf(GL_BACK, GL_SHININESS, shininess[kBack]);
}
