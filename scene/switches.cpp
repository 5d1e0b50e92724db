// The render-state switches: sending them to OpenGL, and setting them.
#include "scene/switches.h"

#include <GL/gl.h>

void OglSwitches::ApplyClearColor() const {
    glClearColor(clearColor.red, clearColor.green, clearColor.blue, clearColor.alpha);
}

void OglSwitches::ApplyShadeModel() const { glShadeModel(smooth ? GL_SMOOTH : GL_FLAT); }

void OglSwitches::ApplyLighting(const OglLight& light) const {
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    light.Enable();
}

void OglSwitches::ApplyBlend() const {
    if (blend) {
        glEnable(GL_COLOR_LOGIC_OP);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_BLEND);
    }
}

void OglSwitches::ApplyPolygonMode() const { glPolygonMode(GL_FRONT_AND_BACK, wired ? GL_LINE : GL_FILL); }

void OglSwitches::SetClearColor(const OglColor& color, bool open) {
    clearColor = color;
    if (open) ApplyClearColor();
}

void OglSwitches::EnableFog(int flag, bool open, const OglFog& fog, const OglBox& clip) {
    fogEnabled = flag;
    if (!open) return;
    if (flag) fog.Apply(clip.near, clip.far);
    else glDisable(GL_FOG);
}

void OglSwitches::EnableLight(int flag, bool open, const OglLight& light) {
    lightEnabled = flag;
    if (!open) return;
    if (flag) {
        ApplyLighting(light);
    } else {
        glDisable(GL_LIGHTING);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }
}

void OglSwitches::EnableSmooth(int flag, bool open) {
    smooth = flag;
    if (open) ApplyShadeModel();
}

void OglSwitches::EnableBlend(int flag, bool open) {
    blend = flag;
    if (open) ApplyBlend();
}
