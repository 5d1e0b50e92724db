// The drawing colour and material: sending an OglColor or an OglMaterial to
// OpenGL for what is drawn next. Neither is stored in the context.
#include "color/material.h"
#include "context/context.h"
#include "module/rules.h"

// Under lighting a colour reaches the material through colour tracking,
// switched on again at every call (a material may have switched it off).
void OglContext::SetColor(const OglColor& color) {
    if (!IsOpen()) return;
    if (switches.lightEnabled) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }
    glColor4f(color.red, color.green, color.blue, color.alpha);
}

// Colour tracking would override the material's colours, so it goes off first.
void OglContext::SetMaterial(const OglMaterial& material) {
    if (!IsOpen()) return;
    if (switches.lightEnabled) glDisable(GL_COLOR_MATERIAL);
    material.Apply();
}
