// Shared helpers of the scene tests: the native context behind a script
// object, reading results, OpenGL state and errors with their texts.
#pragma once

#include <GL/gl.h>

#include <string>
#include <utility>
#include <vector>

#include "context/context.h"
#include "tests/support/harness.h"

namespace scene_test {

inline OglContext* Native(Variable& gl) { return static_cast<OglContext*>(gl.data.obj->GetAss()); }

inline bool True(const Variable& v) { return v.type == VT_BOOL && v.data.i != 0; }
inline bool False(const Variable& v) { return v.type == VT_BOOL && v.data.i == 0; }

using Texts = std::vector<std::pair<int, std::string>>;

// Errors raised since the last take, as (number, text) pairs.
inline Texts ErrorsWithText(Harness& h) {
    Texts out;
    for (const auto& e : h.TakeErrors()) out.emplace_back(e.number, e.text);
    return out;
}

// Takes the native object away from a script object, as a failed allocation
// in its constructor would have left it.
inline void DropNative(Variable& object) {
    VeskAss* native = object.data.obj->GetAss();
    native->BreakJoint();
    delete native;
}

inline std::vector<double> ModelView() {
    std::vector<double> m(16);
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// A register that refers to a value, the way the host passes "refer object"
// arguments and self.
inline void Refer(VarRegister& reg, Variable& v) {
    reg.isRef = 1;
    reg.ref = &v;
}

// A context on a 640 x 480 offscreen device, opened on request.
struct Opened {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    void Open() { h.Call(gl, "Open", {dc}); }
};

}  // namespace scene_test
