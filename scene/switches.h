// OglSwitches: the render-state switches of a context and its clear colour,
// with the one lighting sequence and the one blending sequence that both
// the open sequence and the switch setters send. A setter stores its flag
// and, while the context is open, sends what OpenGL holds of it; line and
// point smoothing, the wire frame, the outline patch and two-side lighting
// are read when they are used and only stored here.
#pragma once

#include "color/color.h"
#include "scene/light.h"
#include "scene/records.h"

class OglSwitches {
public:
    OglColor clearColor{0.0f, 0.0f, 0.0f, 1.0f};
    int wired = 0;
    int outlinePatch = 1;
    int smooth = 0;
    int smoothLine = 0;
    int smoothPoint = 0;
    int blend = 0;
    int fogEnabled = 0;
    int lightEnabled = 0;

    void ApplyClearColor() const;
    void ApplyShadeModel() const;
    // Lighting on: the local viewer and the light's switches, not its
    // colours or position.
    void ApplyLighting(const OglLight& light) const;
    // Blending and the colour logic operation, on or off.
    void ApplyBlend() const;
    // glPolygonMode for both faces from `wired`: outlines or filled.
    void ApplyPolygonMode() const;

    void SetClearColor(const OglColor& color, bool open);
    // Fog on sends the whole fog again, from the clipping box's depth.
    void EnableFog(int flag, bool open, const OglFog& fog, const OglBox& clip);
    // Lighting off makes drawing colours feed the material through colour
    // tracking instead.
    void EnableLight(int flag, bool open, const OglLight& light);
    void EnableSmooth(int flag, bool open);
    void EnableBlend(int flag, bool open);
};
