// What the scene tests share: a context on a 640 x 480 offscreen device,
// opened on request.
#pragma once

#include "context/context.h"
#include "tests/support/harness.h"

namespace scene_test {

struct Opened {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    void Open() { h.Call(gl, "Open", {dc}); }
};

}  // namespace scene_test
