// Lighting, fog and render-state switches: the context operations that store
// a setting and, while the context is open, send it; and the handlers of the
// clear colour, light, fog and switch methods of VOpenGL.
#include "context/context.h"
#include "module/rules.h"

void OglContext::SetClearColor(OglColor color) {
    clearColor = color;
    if (IsOpen()) glClearColor(clearColor.red, clearColor.green, clearColor.blue, clearColor.alpha);
}

void OglContext::ApplyFog(float start, float end) {
    if (IsOpen()) fog.Apply(start, end);
}

// Switching fog on sends the whole fog again, from the clipping box's depth.
void OglContext::EnableFog(int flag) {
    fogEnabled = flag;
    if (!IsOpen()) return;
    if (flag)
        ApplyFog(clip.near, clip.far);
    else
        glDisable(GL_FOG);
}

// Switching lighting on does not send the light's colours or position; off,
// drawing colours feed the material through colour tracking instead.
void OglContext::EnableLight(int flag) {
    lightEnabled = flag;
    if (!IsOpen()) return;
    if (flag) {
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
        light.Enable();
    } else {
        glDisable(GL_LIGHTING);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }
}

void OglContext::EnableSmooth(int flag) {
    smooth = flag;
    if (IsOpen()) glShadeModel(flag ? GL_SMOOTH : GL_FLAT);
}

// Read by the line and point drawing calls; nothing to send.
void OglContext::EnableSmoothLine(int flag) { smoothLine = flag; }
void OglContext::EnableSmoothPoint(int flag) { smoothPoint = flag; }

void OglContext::EnableBlend(int flag) {
    blend = flag;
    if (!IsOpen()) return;
    if (flag) {
        glEnable(GL_COLOR_LOGIC_OP);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_BLEND);
    }
}

// The light goes to OpenGL only when it would reach this context: another
// context (or none) being current must not receive it.
void OglContext::SetLightPosition(float x, float y, float z) {
    light.SetPosition(x, y, z, 1.0f);
    if (hglrc && platform::CurrentContext() == hglrc) light.Apply();
}
