// The context and device binding against real OpenGL on offscreen devices:
// defaults, the pixel-format flags, the initial state, binding to another
// device, closing, and the failure paths.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include "context/context.h"
#include "tests/support/harness.h"

namespace {

OglContext* Native(Variable& gl) { return static_cast<OglContext*>(gl.data.obj->GetAss()); }

bool True(Variable v) { return v.type == VT_BOOL && v.data.i != 0; }

TEST(Context, NewContextIsClosedWithDefaults) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    EXPECT_FALSE(True(h.Call(gl, "IsOpen")));
    EXPECT_FALSE(True(h.Call(gl, "IsBind")));
    EXPECT_FALSE(True(h.Call(gl, "GetDoubleBuff")));
    OglContext* c = Native(gl);
    EXPECT_EQ(c->clip.left, -200);
    EXPECT_EQ(c->clip.far, 200);
    EXPECT_EQ(c->viewport.Width(), 400);
    EXPECT_EQ(c->light.position.z, 2000);
    EXPECT_EQ(c->light.ambient->red, 0.2f);
    EXPECT_EQ(c->fog.density, 0.01f);
    EXPECT_EQ(c->outlinePatch, 1);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Context, OpenRequestsItsFlagsAndSendsTheCamera) {
    Harness h;
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    Variable gl = h.New("VOpenGL");
    Variable rect = h.Call(gl, "Open", {dc});
    EXPECT_EQ(vesk::Format(rect), "RECT(0, 0, 640, 480)") << "the script sees the client rectangle";
    EXPECT_TRUE(True(h.Call(gl, "IsOpen")));
    EXPECT_TRUE(True(h.Call(gl, "IsBind")));
    OglContext* c = Native(gl);
    EXPECT_EQ(c->pixelFlags, 0x464u);
    int format = 0;
    platform::PixelFormatRequest req;
    ASSERT_TRUE(platform::DevicePixelFormat(c->hdc, &format, &req));
    EXPECT_EQ(req.flags, 0x464u);
    EXPECT_EQ(req.colorBits, 24);
    EXPECT_EQ(req.depthBits, 16);
    EXPECT_EQ(platform::CurrentContext(), c->hglrc);

    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[0], 0);
    EXPECT_EQ(vp[1], 480 - 400);
    EXPECT_EQ(vp[2], 400);
    EXPECT_EQ(vp[3], 400);
    GLdouble proj[16], mv[16];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    for (int i = 0; i < 16; i++) EXPECT_EQ(proj[i], i % 5 == 0 ? 1.0 : 0.0) << "the default frustum is refused";
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    EXPECT_EQ(mv[14], -1000.0) << "the viewer at z = 1000 looks at the origin";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint shade;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT);
    EXPECT_TRUE(h.Errors().empty());

    h.Call(gl, "UseAccelerator", {Bool(true)});
    h.Call(gl, "EnableDoubleBuff", {Bool(true)});
    h.Call(gl, "Open", {dc});
    EXPECT_EQ(c->pixelFlags, 0x1425u);
    h.Call(gl, "OpenBitmap", {dc});
    EXPECT_EQ(c->pixelFlags, 0x438u);
    EXPECT_TRUE(True(h.Call(gl, "IsOpen")));
    h.Call(gl, "EnableDoubleBuff", {Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
    EXPECT_FALSE(True(h.Call(gl, "GetDoubleBuff"))) << "a non-boolean switches it off";
}

TEST(Context, FreeBindAndCloseRestoreWhatWasCurrent) {
    Harness h;
    Variable a = h.New("MDC", {Int(64), Int(64)});
    Variable b = h.New("MDC", {Int(32), Int(16)});
    Variable other = h.New("VOpenGL");
    h.Call(other, "Open", {a});
    platform::ContextHandle before = platform::CurrentContext();
    ASSERT_NE(before, 0);

    Variable gl = h.New("VOpenGL");
    h.Call(gl, "OpenBitmap", {a});
    OglContext* c = Native(gl);
    platform::ContextHandle mine = c->hglrc;
    EXPECT_NE(mine, before);
    h.Call(gl, "FreeMDC");
    EXPECT_TRUE(True(h.Call(gl, "IsOpen")));
    EXPECT_FALSE(True(h.Call(gl, "IsBind")));
    EXPECT_EQ(platform::CurrentContext(), before);

    h.Call(gl, "BindMDC", {b});
    EXPECT_EQ(c->hglrc, mine) << "the same rendering context moves";
    EXPECT_EQ(c->pixelFlags, 0x438u);
    EXPECT_EQ(c->clientRect.bottom, 16);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[1], 16 - 400) << "the viewport is sent again for the new device";

    h.Call(gl, "Close");
    EXPECT_FALSE(True(h.Call(gl, "IsOpen")));
    h.Call(gl, "Close");  // closing a closed context does nothing
    EXPECT_TRUE(h.Errors().empty());

    Variable gl2 = h.New("VOpenGL");
    h.Call(gl2, "Open", {b});
    EXPECT_NE(platform::CurrentContext(), before);
    gl2._Clear();  // destroying an open context closes it
    EXPECT_EQ(platform::CurrentContext(), before);
}

TEST(Context, DeviceFailuresAreModuleErrors) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dead = h.New("MDC", {Int(100000), Int(10)});
    EXPECT_EQ(h.Errors(), std::vector<int>{12});
    Variable got = h.Call(gl, "Open", {dead});
    EXPECT_EQ(h.Errors(), std::vector<int>{1001}) << "an MDC without a device is not open";
    EXPECT_EQ(got.type, VT_INT) << "the script sees the GetID reply";
    EXPECT_FALSE(True(h.Call(gl, "IsOpen")));

    Variable dc = h.New("MDC", {Int(8), Int(8)});
    h.Call(gl, "BindMDC", {dc});
    EXPECT_EQ(h.Errors(), std::vector<int>{1001}) << "binding needs an open context";

    vesk::SetErrorBase(h.module, 0xFFFF);
    h.Call(gl, "BindMDC", {dc});
    EXPECT_TRUE(h.Errors().empty()) << "no error base: module errors are silent";
    vesk::SetErrorBase(h.module, 1000);

    h.Call(gl, "Open", {Int(3)});
    EXPECT_EQ(h.Errors(), std::vector<int>{6}) << "the host refuses a number for an MDC";
}

TEST(Context, VersionStrings) {
    Harness h;
    platform::MakeCurrent(0, 0);
    Variable gl = h.New("VOpenGL");
    Variable v = h.Call(gl, "GetVersion");
    EXPECT_EQ(vesk::Format(v), "[, , , ]") << "without a context the strings are empty";
    Variable dc = h.New("MDC", {Int(8), Int(8)});
    h.Call(gl, "Open", {dc});
    v = h.Call(gl, "GetVersion");
    ASSERT_EQ(v.type, VT_VECTOR);
    ASSERT_EQ(v.data.vec->count, 4);
    EXPECT_NE(vesk::Format(v[1]).find("llvmpipe"), std::string::npos) << vesk::Format(v[1]);
    EXPECT_NE(vesk::Format(v[2]).find("Compatibility"), std::string::npos) << vesk::Format(v[2]);
}

}  // namespace
