// Issuing the light and the fog to OpenGL.
#include "scene/light.h"

#include <initializer_list>
#include <new>

void OglLightColor::Apply() const {
    const GLfloat rgba[4] = {red, green, blue, alpha};
    glLightfv(GL_LIGHT0, param, rgba);
}

// The factors are single-precision constants; each product is formed in
// double precision and rounded to a float. Alpha is not scaled.
OglLight::OglLight(float r, float g, float b, float a)
    : ambient(nullptr), diffuse(nullptr), specular(nullptr), position(100, 100, 2000, 1) {
    const double kAmbient = 0.2f, kDiffuse = 0.8f, kSpecular = 1.0f;
    ambient = new (std::nothrow) OglLightColor(GL_AMBIENT, static_cast<float>(kAmbient * r),
                                               static_cast<float>(kAmbient * g),
                                               static_cast<float>(kAmbient * b), a);
    diffuse = new (std::nothrow) OglLightColor(GL_DIFFUSE, static_cast<float>(kDiffuse * r),
                                               static_cast<float>(kDiffuse * g),
                                               static_cast<float>(kDiffuse * b), a);
    specular = new (std::nothrow) OglLightColor(GL_SPECULAR, static_cast<float>(kSpecular * r),
                                                static_cast<float>(kSpecular * g),
                                                static_cast<float>(kSpecular * b), a);
    spotCutoff = 180.0f;
    twoSide = 0;
}

OglLight::~OglLight() {
    delete ambient;
    delete diffuse;
    delete specular;
}

void OglLight::Apply() const {
    // A colour that could not be allocated is skipped.
    for (const OglLightColor* c : {ambient, specular, diffuse})
        if (c) c->Apply();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat where[4] = {position.x, position.y, position.z, position.w};
    glLightfv(GL_LIGHT0, GL_POSITION, where);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, spotCutoff);
    // The spot points from the light towards the origin; a light at the
    // origin points down the view axis.
    float length = static_cast<float>(std::sqrt(static_cast<double>(position.x) * position.x +
                                                static_cast<double>(position.y) * position.y +
                                                static_cast<double>(position.z) * position.z));
    GLfloat direction[4] = {0.0f, 0.0f, -1.0f, 1.0f};
    if (length != 0.0f) {
        direction[0] = -position.x / length;
        direction[1] = -position.y / length;
        direction[2] = -position.z / length;
    }
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
    glPopMatrix();
}

void OglLight::Enable() const {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSide);
}

// A setter re-tags its colour with its own parameter; an absent colour is left absent.
void OglLight::SetAmbient(float r, float g, float b, float a) {
    if (ambient) ambient->Set(GL_AMBIENT, r, g, b, a);
}
void OglLight::SetDiffuse(float r, float g, float b, float a) {
    if (diffuse) diffuse->Set(GL_DIFFUSE, r, g, b, a);
}
void OglLight::SetSpecular(float r, float g, float b, float a) {
    if (specular) specular->Set(GL_SPECULAR, r, g, b, a);
}

void OglFog::Apply(float start, float end) const {
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, static_cast<GLint>(mode));
    glFogf(GL_FOG_DENSITY, density);
    const GLfloat rgba[4] = {red, green, blue, alpha};
    glFogfv(GL_FOG_COLOR, rgba);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
}
