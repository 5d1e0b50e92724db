// OglContext: the native object behind a VOpenGL script object. It holds the
// settings of the script's view (camera, clipping, viewport, light, fog,
// clear colour, switches), the handles of its rendering context and of the
// device it is bound to, and the selection buffer. Each subsystem defines the
// operations of its own section in its own folder.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "geometry/canvas.h"
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
    // The selection buffer belongs to the rendering context that selects
    // into it (picking/gl_state.h), not to this object.
    int selectionDepth = 0;
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

    // ---- display lists and selection (picking/) ----
    GLuint GenList(int range);                  // first of range new names, 0 for none
    void NewList(int list);                     // records into list (> 0) while open
    void EndList();
    // Error 8, and no call, when the call would make the list being recorded
    // reach itself, or run too many lists nested in the ones it names.
    void CallList(int list);                    // while open
    void CallLists(const GLint* lists, int n);  // all in one call, while open
    void DeleteLists(int list, int range);
    // A display list is being recorded in the current rendering context.
    // Mesa 22.3 crashes replaying, in selection mode, a list whose vertices
    // mix primitive kinds without a state change between them; the solids
    // that GLU draws that way are drawn without mixing meanwhile
    // (geometry/solids.cpp).
    bool RecordingList() const;
    void InitNameStack();
    void PushName(GLuint name);
    void PopName();
    void LoadName(GLuint name);
    // Selection over a window rectangle whose top-right corner is (x, y).
    void BeginSelection(int x, int y, int width, int height);
    // Ends one level; the target gets the hit records (module error 5 when
    // no selection runs).
    void EndSelection(Variable& target);

private:
    void OpenWith(platform::DeviceHandle device, uint32_t flags);
    void SendInitialState();
};
