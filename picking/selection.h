// OglSelection: the name stack and selection mode, picking over a window
// rectangle with the context's frustum; the hits land in the buffer of the
// rendering context current on the thread (picking/gl_state.h) and come back
// as script vectors. The object keeps how many selections it has begun.
#pragma once

#include <GL/gl.h>

#include "host/vesk.h"
#include "platform/platform.h"
#include "scene/viewing.h"

class OglSelection {
public:
    int depth = 0;

    bool Running() const { return depth > 0; }

    static void InitNameStack();
    static void PushName(GLuint name);
    static void PopName();
    static void LoadName(GLuint name);
    // Selection over a window rectangle whose top-right corner is (x, y),
    // into the buffer of `current` (the rendering context current, 0: none).
    void Begin(const OglView& view, platform::ContextHandle current, int x, int y, int width, int height);
    // Ends one level; the target gets the hit records (module error 5 when
    // no selection runs).
    void End(platform::ContextHandle current, Variable& target);
};
