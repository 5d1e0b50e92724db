// The context and device binding on offscreen devices: the pixel-format
// flags, moving to another device, freeing, closing and destroying with what
// was current restored, the failures and their texts, and the version
// strings. The OpenGL calls Open and BindMDC send are checked in
// tests/scene/trace_test.cpp.
#include <string>

#include <gtest/gtest.h>

#include "context/context.h"
#include "tests/support/harness.h"

namespace {

TEST(Context, OpenRequestsItsPixelFormatFlags) {
    Harness h;
    Variable dc = h.New("MDC", {Int(640), Int(480)});
    Variable gl = h.New("VOpenGL");
    h.Call(gl, "Open", {dc});
    OglContext* c = NativeOf<OglContext>(gl);
    EXPECT_EQ(c->pixelFlags, 0x464u) << "window, OpenGL, swap copy, generic format";
    platform::PixelFormatRequest req;
    ASSERT_TRUE(platform::DevicePixelFormat(c->hdc, nullptr, &req));
    EXPECT_EQ(req.flags, 0x464u);
    EXPECT_EQ(req.colorBits, 24);
    EXPECT_EQ(req.depthBits, 16);
    EXPECT_EQ(platform::CurrentContext(), c->hglrc);

    h.Call(gl, "UseAccelerator", {Bool(true)});
    h.Call(gl, "EnableDoubleBuff", {Bool(true)});
    h.Call(gl, "Open", {dc});
    EXPECT_EQ(c->pixelFlags, 0x1425u) << "accelerated and double-buffered";
    h.Call(gl, "OpenBitmap", {dc});
    EXPECT_EQ(c->pixelFlags, 0x438u) << "bitmap, GDI, OpenGL, swap copy";
    EXPECT_TRUE(IsTrue(h.Call(gl, "IsOpen")));
    EXPECT_TRUE(h.Errors().empty());
    h.Call(gl, "EnableDoubleBuff", {Int(1)});
    EXPECT_EQ(h.Errors(), std::vector<int>{73});
    EXPECT_FALSE(IsTrue(h.Call(gl, "GetDoubleBuff"))) << "a non-boolean switches it off";
}

TEST(Context, FreeBindCloseAndDestroyRestoreWhatWasCurrent) {
    Harness h;
    Variable a = h.New("MDC", {Int(64), Int(64)});
    Variable b = h.New("MDC", {Int(32), Int(16)});
    Variable other = h.New("VOpenGL");
    h.Call(other, "Open", {a});
    platform::ContextHandle before = platform::CurrentContext();
    ASSERT_NE(before, 0);

    Variable gl = h.New("VOpenGL");
    h.Call(gl, "OpenBitmap", {a});
    OglContext* c = NativeOf<OglContext>(gl);
    platform::ContextHandle mine = c->hglrc;
    EXPECT_NE(mine, before);
    h.Call(gl, "FreeMDC");
    EXPECT_TRUE(IsTrue(h.Call(gl, "IsOpen")));
    EXPECT_FALSE(IsTrue(h.Call(gl, "IsBind")));
    EXPECT_EQ(platform::CurrentContext(), before);

    h.Call(gl, "BindMDC", {b});
    EXPECT_EQ(c->hglrc, mine) << "the same rendering context moves";
    EXPECT_EQ(platform::CurrentContext(), mine);
    EXPECT_EQ(c->pixelFlags, 0x438u);
    EXPECT_EQ(c->view.clientRect.bottom, 16);

    h.Call(gl, "Close");
    EXPECT_FALSE(IsTrue(h.Call(gl, "IsOpen")));
    EXPECT_EQ(platform::CurrentContext(), before);
    h.Call(gl, "Close");  // closing a closed context does nothing
    EXPECT_TRUE(h.Errors().empty());

    Variable gl2 = h.New("VOpenGL");
    h.Call(gl2, "Open", {b});
    EXPECT_NE(platform::CurrentContext(), before);
    gl2._Clear();  // destroying an open context closes it
    EXPECT_EQ(platform::CurrentContext(), before);
}

// A device that cannot be opened or bound is a module error whose text
// carries the platform's failure code.
TEST(Context, DeviceFailuresAreModuleErrors) {
    Harness h;
    Variable gl = h.New("VOpenGL");
    Variable dead = h.New("MDC", {Int(100000), Int(10)});
    EXPECT_EQ(h.Errors(), std::vector<int>{12});
    Variable got = h.Call(gl, "Open", {dead});
    EXPECT_EQ(h.Errors(), std::vector<int>{1001}) << "an MDC without a device is not open";
    EXPECT_EQ(got.type, VT_INT) << "the script sees the GetID reply";
    EXPECT_FALSE(IsTrue(h.Call(gl, "IsOpen")));

    Variable gone = h.New("MDC", {Int(8), Int(8)}), dc = h.New("MDC", {Int(8), Int(8)});
    platform::DestroyDevice(h.Call(gone, "GetID").GetLongNumb());
    const std::pair<const char*, std::string> failures[] = {
        {"Open", "The Device Context is not Valid"}, {"BindMDC", "Can't bind Device Context"}};
    for (const auto& [method, message] : failures) {
        h.Call(gl, method, {gone});
        std::string text = " System error #" + std::to_string(platform::LastError());
        auto errors = h.TakeErrors();
        ASSERT_EQ(errors.size(), 1u) << method;
        EXPECT_EQ(errors[0].number, method == std::string("Open") ? 1000 : 1002);
        EXPECT_EQ(errors[0].text, text);
        EXPECT_EQ(errors[0].message, message + text);
        h.Call(gl, "Open", {dc});  // BindMDC needs an open context
        EXPECT_TRUE(h.Errors().empty());
    }

    vesk::SetErrorBase(h.module, 0xFFFF);
    h.Call(gl, "BindMDC", {gone});
    EXPECT_TRUE(h.Errors().empty()) << "no error base: module errors are silent";
    vesk::SetErrorBase(h.module, 1000);
}

TEST(Context, VersionStrings) {
    Harness h;
    platform::MakeCurrent(0, 0);
    Variable gl = h.New("VOpenGL");
    EXPECT_EQ(vesk::Format(h.Call(gl, "GetVersion")), "[, , , ]") << "without a context the strings are empty";
    Variable dc = h.New("MDC", {Int(8), Int(8)});
    h.Call(gl, "Open", {dc});
    Variable v = h.Call(gl, "GetVersion");
    ASSERT_EQ(v.type, VT_VECTOR);
    ASSERT_EQ(v.data.vec->count, 4);
    EXPECT_NE(vesk::Format(v[1]).find("llvmpipe"), std::string::npos) << vesk::Format(v[1]);
    EXPECT_NE(vesk::Format(v[2]).find("Compatibility"), std::string::npos) << vesk::Format(v[2]);
}

}  // namespace
