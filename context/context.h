// OglContext: the native object behind a VOpenGL script object, built from
// the parts its subsystems own — the camera (scene/viewing.h), the switches,
// the light and the fog (scene/), the selection (picking/) — with the
// handles of its rendering context and of the device it is bound to.
// Opening, binding, freeing and closing are its own (context/binding.cpp),
// and it alone talks to the platform: the parts are told what they need.
#pragma once

#include <cstdint>

#include "geometry/canvas.h"
#include "picking/lists.h"
#include "picking/selection.h"
#include "platform/platform.h"
#include "scene/light.h"
#include "scene/switches.h"
#include "scene/viewing.h"

class OglContext : public VeskAss {
public:
    static constexpr const char* kScriptClass = "VOpenGL";

    OglView view;
    OglSwitches switches;
    OglLight light{1.0f, 1.0f, 1.0f, 1.0f};
    OglFog fog{0.2f, 0.2f, 0.2f, 1.0f};
    OglSelection selection;
    int doubleBuffer = 0;
    int useAccelerator = 0;
    uint32_t pixelFlags = 0;
    platform::ContextHandle hglrc = 0;
    platform::DeviceHandle hdc = 0;
    platform::DeviceHandle savedDC = 0;
    platform::ContextHandle savedRC = 0;

    OglContext() = default;
    ~OglContext() override;

    bool IsOpen() const { return hglrc != 0; }
    bool IsBound() const { return hglrc != 0 && hdc != 0; }
    // What the drawing operations draw with.
    OglCanvas Canvas() const { return OglCanvas(IsOpen(), IsBound(), switches); }
    // The rendering context current on the thread (0: none), which list and
    // selection calls reach whichever object makes them.
    static platform::ContextHandle CurrentRenderingContext() { return platform::CurrentContext(); }
    // The display lists of that rendering context, as this object calls them.
    OglLists Lists() const { return OglLists(CurrentRenderingContext(), IsOpen()); }
    // The size of the device current on the thread (0 x 0 without one).
    static void CurrentDeviceSize(int* width, int* height);

    // The device binding. A failed open keeps what it set: the device, the
    // saved pair and a context that was created but could not be made current.
    void Open(platform::DeviceHandle device);
    void OpenBitmap(platform::DeviceHandle device);
    // Moves the open rendering context to another device.
    int BindMDC(platform::DeviceHandle device);
    // Makes current again what was current before the open or bind.
    int FreeMDC();
    void Close();
    void Clear();
    static void Flush();
    void SwapBuffers();

    // Stores the light's position, then sends the whole light if this
    // context's rendering context is the one current.
    void SetLightPosition(float x, float y, float z);
    // Vendor, renderer, version and extensions of the current OpenGL context.
    static void GetVersion(Variable& target);

private:
    void OpenWith(platform::DeviceHandle device, uint32_t flags);
    void SendInitialState();
};
