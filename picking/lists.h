// OglLists: the display lists of the rendering context current on the
// thread, which need not be the calling object's own, with the books its
// GlState keeps so that the names alive stay bounded and no list calls
// itself. Recording and calling need the caller to have a rendering context
// open; names travel as script integers, a negative one reaching OpenGL as
// the unsigned name with the same bits.
#pragma once

#include <GL/gl.h>

#include "platform/platform.h"

class OglLists {
public:
    // `current`: the rendering context current on the thread (0: none).
    OglLists(platform::ContextHandle current, bool callerOpen) : current_(current), callerOpen_(callerOpen) {}

    GLuint Gen(int range);  // the first of `range` new names, 0 for none
    void New(int list);     // records into list (> 0)
    void End();
    // A display list is being recorded.
    bool Recording() const;
    // Error 8, and no call, when the call would make the list being recorded
    // reach itself, or run too many lists nested in the ones it names.
    void Call(int list);
    void Call(const GLint* lists, int n);  // all in one call
    void Delete(int list, int range);

private:
    platform::ContextHandle current_;
    bool callerOpen_;
};
