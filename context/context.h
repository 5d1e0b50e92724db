// OglContext: the native object behind a VOpenGL script object. It holds the
// settings of the script's view (camera, clipping, viewport, light, fog,
// clear colour, switches), the handles of its rendering context and of the
// device it is bound to, and the selection buffer. Each subsystem defines the
// operations of its own section in its own folder.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "color/color.h"
#include "context/records.h"
#include "platform/platform.h"
#include "scene/light.h"

class OglMaterial;

struct OglClientRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

class OglContext : public VeskAss {
public:
    int doubleBuffer = 0;
    int wired = 0;
    int outlinePatch = 1;
    OglColor clearColor{0.0f, 0.0f, 0.0f, 1.0f};
    OglPoint4 eye{0, 0, 1000, 1};
    OglPoint4 center{0, 0, 0, 1};
    OglPoint4 up{0, 1, 0, 1};
    OglLight light{1.0f, 1.0f, 1.0f, 1.0f};
    OglFog fog{0.2f, 0.2f, 0.2f, 1.0f};
    OglBox clip{-200, 200, -200, 200, -200, 200};
    OglRect viewport{0, 0, 400, 400};
    int smooth = 0;
    int smoothLine = 0;
    int smoothPoint = 0;
    int blend = 0;
    platform::ContextHandle hglrc = 0;
    platform::DeviceHandle hdc = 0;
    platform::DeviceHandle savedDC = 0;
    platform::ContextHandle savedRC = 0;
    int fogEnabled = 0;
    int lightEnabled = 0;
    OglClientRect clientRect;
    GLuint selectBuffer[512] = {};
    int selectionDepth = 0;
    int useAccelerator = 0;
    uint32_t pixelFlags = 0;

    OglContext() = default;
    ~OglContext() override;

    bool IsOpen() const { return hglrc != 0; }
    bool IsBound() const { return hglrc != 0 && hdc != 0; }

    // ---- device binding (context/binding.cpp) ----
    void Open(platform::DeviceHandle device);
    void OpenBitmap(platform::DeviceHandle device);
    int BindMDC(platform::DeviceHandle device);
    int FreeMDC();
    void Close();
    void Clear();
    void Flush();
    void SwapBuffers();
    void SetClientRect(int left, int top, int right, int bottom) {
        clientRect = {left, top, right, bottom};
    }

    // ---- version (context/version.cpp) ----
    void GetVersion(Variable& target);

    // ---- viewing and transforms (scene/viewing.cpp) ----
    void ApplyViewport();
    void ApplyViewer();
    void ApplyProjection();
    void SetViewport(float left, float top, float right, float bottom);
    void SetViewer(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
                   float upX, float upY, float upZ);
    void GetViewer(OglPoint4& eyeOut, OglPoint4& centerOut, OglPoint4& upOut) const;
    void SetClipping(float left, float right, float bottom, float top, float near, float far);
    void SetPerspective(float fovy, float aspect, float near, float far);
    // Model-view transforms; these issue nothing while the context is closed.
    void Translate(float x, float y, float z);
    void Rotate(float x, float y, float z, float angle);
    void Scale(float x, float y, float z);
    void PushModelMatrix();
    void PopModelMatrix();
    // These always issue their calls, to whatever context is current.
    void LoadIdentity();
    void LoadMatrix(const double matrix[16]);
    void MultiplyMatrix(const double matrix[16]);
    void GetMatrices(double full[16], double look[16]);

    // ---- lighting, fog and render-state switches (scene/switches.cpp) ----
    void SetClearColor(OglColor color);
    void ApplyFog(float start, float end);
    void EnableFog(int flag);
    void EnableLight(int flag);
    void EnableSmooth(int flag);
    void EnableSmoothLine(int flag);
    void EnableSmoothPoint(int flag);
    void EnableBlend(int flag);
    // Stores the position, then sends the whole light if this context is the current one.
    void SetLightPosition(float x, float y, float z);

    // ---- drawing colour and material (color/drawing.cpp) ----
    void SetColor(const OglColor& color);
    void SetMaterial(const OglMaterial& material);

    // ---- geometry (geometry/) ----

    // ---- display lists and selection (picking/) ----

private:
    void OpenWith(platform::DeviceHandle device, uint32_t flags);
    void SendInitialState();
};
