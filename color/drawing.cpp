// Sending the drawing colour and material.
#include "color/drawing.h"

// Colour tracking is switched on again at every call: a material may have
// switched it off.
void SetDrawingColor(const OglColor& color, bool open, bool lit) {
    if (!open) return;
    if (lit) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }
    glColor4f(color.red, color.green, color.blue, color.alpha);
}

// Colour tracking would override the material's colours, so it goes off first.
void SetDrawingMaterial(const OglMaterial& material, bool open, bool lit) {
    if (!open) return;
    if (lit) glDisable(GL_COLOR_MATERIAL);
    material.Apply();
}
