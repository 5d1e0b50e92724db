// OglContext: the native object behind a VOpenGL script object. It holds the
// settings of the script's view (camera, clipping, viewport, light, fog,
// clear colour, switches), the handles of its rendering context and of the
// device it is bound to, and the selection buffer. Each subsystem defines the
// operations of its own section in its own folder.
#pragma once

#include <GL/gl.h>

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
    int doubleBuffer = 0;
    platform::ContextHandle hglrc = 0;
    platform::DeviceHandle hdc = 0;
    platform::DeviceHandle savedDC = 0;
    platform::ContextHandle savedRC = 0;
    OglSelection selection;
    int useAccelerator = 0;
    uint32_t pixelFlags = 0;

    OglContext() = default;
    ~OglContext() override;

    bool IsOpen() const { return hglrc != 0; }
    bool IsBound() const { return hglrc != 0 && hdc != 0; }
    // What the drawing operations draw with.
    OglCanvas Canvas() const { return OglCanvas(IsOpen(), IsBound(), switches); }
    // The size of the device current on the thread (0 x 0 without one).
    static void CurrentDeviceSize(int* width, int* height);
    // The rendering context current on the thread (0: none), which list and
    // selection calls reach whichever object makes them.
    static platform::ContextHandle CurrentRenderingContext() { return platform::CurrentContext(); }
    // The display lists of that rendering context, as this object calls them.
    OglLists Lists() const { return OglLists(CurrentRenderingContext(), IsOpen()); }

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
        view.clientRect = {left, top, right, bottom};
    }
    // Stores the light's position, then sends the whole light if this
    // context's rendering context is the one current.
    void SetLightPosition(float x, float y, float z);

    // ---- version (context/version.cpp) ----
    void GetVersion(Variable& target);

private:
    void OpenWith(platform::DeviceHandle device, uint32_t flags);
    void SendInitialState();
};
