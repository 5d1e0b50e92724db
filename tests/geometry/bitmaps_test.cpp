// Bitmaps and pixel transfer: DrawBitmap's tiles and their texels, colour
// material under lighting, PutBitmap and Put2bBitmap at the raster position,
// GetDIBits' pixel block, and blocks that are short or missing.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {


// A stand-in bitmap class whose replies the test chooses: width, height and a
// block of `bytes` patterned bytes (no block but a number when negative).
long fakeWidth, fakeHeight, fakeBytes;

void FakeNew(VarRegister*, VarRegister*, int, Processor*) {}
void FakeWidth(VarRegister* r, VarRegister*, int, Processor*) { *r->designated() = fakeWidth; }
void FakeHeight(VarRegister* r, VarRegister*, int, Processor*) { *r->designated() = fakeHeight; }
void FakeBits(VarRegister* r, VarRegister*, int, Processor*) {
    if (fakeBytes < 0) return void(*r->designated() = 7);
    r->designated()->Init(VT_DATA, fakeBytes);
    auto* bytes = static_cast<unsigned char*>(r->designated()->GetData());
    for (long k = 0; k < fakeBytes; k++) bytes[k] = static_cast<unsigned char>(k * 7 % 251);
}
const MethodRecord fakeRows[] = {{FakeNew, "FakeBmp::FakeBmp(void)"},     {FakeWidth, "FakeBmp::GetWidth(void)"},
                                 {FakeHeight, "FakeBmp::GetHeight(void)"}, {FakeBits, "FakeBmp::GetDIBits(void)"},
                                 {nullptr, nullptr}};

const char* const kDraw = "VOpenGL::DrawBitmap(refer object POINT3, refer object MBmp)";
const char* const kPut = "VOpenGL::PutBitmap(refer object POINT3, refer object MBmp)";

class Bitmaps : public Scene {
protected:
    Variable fake;

    void SetUp() override {
        Scene::SetUp();
        std::string why;
        if (!vesk::FindClass("FakeBmp")) {
            ASSERT_TRUE(vesk::RegisterHostRows(fakeRows, &why)) << why;
        }
        fake = h.New("FakeBmp");
    }
    // An MBmp of w x hgt pixels coloured by `colour(x, y)`, y from the top.
    Variable Painted(int w, int hgt, std::function<std::array<int, 3>(int, int)> colour) {
        Variable bmp = h.New("MBmp", {Int(w), Int(hgt)});
        for (int y = 0; y < hgt; y++)
            for (int x = 0; x < w; x++) {
                std::array<int, 3> c = colour(x, y);
                h.Call(bmp, "SetPixel", {Int(x), Int(y), Int(c[0]), Int(c[1]), Int(c[2])});
            }
        return bmp;
    }
};

// Bands of 256 rows from the lowest up, pieces of 256 columns from the left:
// each tile's rows are staged, loaded and drawn as one textured quad.
TEST_F(Bitmaps, DrawBitmapTilesThePictureIntoTexturedQuads) {
    fakeWidth = 300, fakeHeight = 260, fakeBytes = 300 * 260 * 3;
    Variable result;
    EXPECT_TRUE(TracedRow(kDraw, {Point3(h, 5, 6, 7), fake, gl}, &result).empty());
    ASSERT_EQ(result.GetDataSize(), 300 * 260 * 3) << "the result keeps the pixel block";
    const auto* block = static_cast<const unsigned char*>(result.GetData());
    EXPECT_EQ(Args("glTexImage2D"), (Calls{{GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE}}));
    ExpectOnceInOrder({"glPolygonMode", "glTexImage2D", "glNormal3f", "glDisable"});
    EXPECT_EQ(Args("glPolygonMode"), (Calls{{GL_FRONT_AND_BACK, GL_FILL}}));
    EXPECT_EQ(Args("glDisable"), Calls{{GL_TEXTURE_2D}});
    EXPECT_EQ(gltrace::Count("glColor4f"), 0) << "without lighting the colour is left alone";

    std::vector<gltrace::Call> loads = gltrace::Named("glTexSubImage2D");
    Calls texels = Args("glTexCoord2f"), corners = Args("glVertex3f");
    ASSERT_EQ(loads.size(), 4u);
    ASSERT_EQ(corners.size(), 16u);
    ASSERT_EQ(texels.size(), 16u);
    const int tiles[4][4] = {{0, 0, 256, 256}, {256, 0, 44, 256}, {0, 256, 256, 4}, {256, 256, 44, 4}};
    for (int i = 0; i < 4; i++) {
        const auto [c, r, w, ht] = tiles[i];
        EXPECT_EQ(loads[i].args, (Values{GL_TEXTURE_2D, 0, 0, 0, double(w), double(ht), GL_RGB, GL_UNSIGNED_BYTE}));
        uint32_t sum = gltrace::kChecksumSeed;
        for (int j = 0; j < ht; j++) sum = gltrace::Checksum(block + 3 * ((r + j) * 300 + c), 3 * w, sum);
        EXPECT_EQ(loads[i].checksum, sum) << "the texels of tile " << i;
        double s = w / 256.0, t = ht / 256.0, x0 = 5 + c, x1 = x0 + w, y0 = 6 + r, y1 = y0 + ht;
        EXPECT_EQ(Calls(texels.begin() + 4 * i, texels.begin() + 4 * i + 4), (Calls{{0, 0}, {s, 0}, {s, t}, {0, t}}));
        EXPECT_EQ(Calls(corners.begin() + 4 * i, corners.begin() + 4 * i + 4),
                  (Calls{{x0, y0, 7}, {x1, y0, 7}, {x1, y1, 7}, {x0, y1, 7}}));
    }
}

TEST_F(Bitmaps, DrawBitmapUnderLightingUsesColourMaterialAndRestoresIt) {
    native->switches.lightEnabled = 1;  // with GL's default white light from the viewer
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    Variable bmp = Painted(300, 4, [](int x, int) {
        return x < 256 ? std::array{255, 255, 0} : std::array{0, 0, 255};  // tile 0 yellow, tile 1 blue
    });
    EXPECT_TRUE(Traced("DrawBitmap", {Num(100), Num(100), Num(0), bmp}).empty());
    EXPECT_EQ(gltrace::Sequence({"glEnable", "glColorMaterial", "glColor4f", "glDisable"}),
              (Names{"glEnable", "glEnable", "glColorMaterial", "glColor4f", "glDisable", "glDisable"}));
    EXPECT_EQ(Args("glColorMaterial"), (Calls{{GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}}));
    EXPECT_EQ(Args("glColor4f"), (Calls{{1, 1, 1, 1}}));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL) || glIsEnabled(GL_TEXTURE_2D));
    // The picture keeps its colours, red and blue in their places, both tiles where they belong.
    PixelNear(150, 102, {255, 255, 0});
    PixelNear(380, 102, {0, 0, 255});
    PixelNear(420, 102, {0, 0, 0});
    PixelNear(150, 110, {0, 0, 0});

    glEnable(GL_COLOR_MATERIAL);
    Traced("DrawBitmap", {Num(0), Num(0), Num(0), bmp});
    EXPECT_EQ(gltrace::Count("glColorMaterial") + gltrace::Count("glDisable"), 1) << "only GL_TEXTURE_2D";
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL)) << "left on when it was on";
}

TEST_F(Bitmaps, PutBitmapDrawsTheBlockAtTheRasterPosition) {
    // Top left red, bottom row green then blue (y from the top, 2 rows).
    Variable bmp = Painted(3, 2, [](int x, int y) {
        return y == 0 ? std::array{x == 0 ? 255 : 0, 0, 0} : std::array{0, x == 1 ? 255 : 0, x == 2 ? 255 : 0};
    });
    Variable result = Int(0);
    EXPECT_TRUE(TracedRow("VOpenGL::PutBitmap(number, number, number, refer object MBmp)",
                          {Num(10), Num(20), Num(0), bmp, gl}, &result).empty());
    EXPECT_EQ(Args("glRasterPos3f"), (Calls{{10, 20, 0}}));
    EXPECT_EQ(Args("glDrawPixels"), (Calls{{3, 2, GL_RGB, GL_UNSIGNED_BYTE}}));
    ASSERT_EQ(result.GetDataSize(), 18);
    EXPECT_EQ(static_cast<const unsigned char*>(result.GetData())[8], 255) << "turned to red, green, blue in place";
    PixelNear(10, 21, {255, 0, 0});
    PixelNear(11, 20, {0, 255, 0});
    PixelNear(12, 20, {0, 0, 255});
}

// Blue-green-red, lowest row first, from a position truncated toward zero.
// Only the part of the rectangle on the device is read, whatever its
// numbers: the block keeps the size asked for, and pixels off the device
// are 0. A block that cannot be counted in 64 bits is error 8.
TEST_F(Bitmaps, GetDIBitsReadsOnlyWhatLiesOnTheDevice) {
    const unsigned char corner[12] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};  // 2 x 2 pixels
    glRasterPos3f(0, 0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(2, 2, GL_RGB, GL_UNSIGNED_BYTE, corner);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);  // rows of 6 bytes would be padded
    gltrace::Scope trace;
    Variable block = h.Call(gl, "GetDIBits", {Num(0.9), Num(0.2), Int(2), Int(2)});
    ASSERT_EQ(block.GetDataSize(), 12);
    const auto* got = static_cast<const unsigned char*>(block.GetData());
    EXPECT_EQ(std::vector<int>(got, got + 12), (std::vector<int>{30, 20, 10, 60, 50, 40, 90, 80, 70, 120, 110, 100}));
    block = h.Call(gl, "GetDIBits", {Num(-2), Num(-1), Int(4), Int(2)});
    ASSERT_EQ(block.GetDataSize(), 24);
    got = static_cast<const unsigned char*>(block.GetData());
    EXPECT_EQ(std::vector<int>(got, got + 24),
              (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 20, 10, 60, 50, 40}));
    EXPECT_EQ(Args("glReadPixels").back(), (Values{0, 0, 2, 1, GL_RGB, GL_UNSIGNED_BYTE}));
    EXPECT_EQ(Args("glPixelStorei"), (Calls{{GL_PACK_ALIGNMENT, 1}, {GL_PACK_ALIGNMENT, 1}, {GL_PACK_ROW_LENGTH, 4},
                                              {GL_PACK_ROW_LENGTH, 0}}));
    block = h.Call(gl, "GetDIBits", {Num(639), Num(478), Int(3), Int(3)});
    EXPECT_EQ(block.GetDataSize(), 27);
    EXPECT_EQ(Args("glReadPixels").back(), (Values{639, 478, 1, 2, GL_RGB, GL_UNSIGNED_BYTE}));

    gltrace::Clear();
    for (auto [x, y] : {std::pair{2147483600.0, 0.0}, {-2147483648.0, -2147483648.0}, {NAN, -1e12}}) {
        block = h.Call(gl, "GetDIBits", {Num(x), Num(y), Int(64), Int(64)});
        ASSERT_EQ(block.GetDataSize(), 64 * 64 * 3) << x << ", " << y;
        got = static_cast<const unsigned char*>(block.GetData());
        EXPECT_EQ(std::count(got, got + 64 * 64 * 3, 0), 64 * 64 * 3) << x << ", " << y;
    }
    EXPECT_EQ(gltrace::Count("glReadPixels"), 0) << "nothing lies on the device";
    EXPECT_TRUE(h.Errors().empty());

    // Too large, negative, or unbound: the result is left as it was.
    const char* row = "VOpenGL::GetDIBits(number, number, int, int)";
    Variable result = Int(77);
    EXPECT_EQ(TracedRow(row, {Num(0), Num(0), Int(INT_MAX), Int(INT_MAX), gl}, &result), std::vector<int>{8});
    EXPECT_TRUE(TracedRow(row, {Num(0), Num(0), Int(-5), Int(3), gl}, &result).empty());
    Call("FreeMDC", {});
    EXPECT_TRUE(TracedRow(row, {Num(0), Num(0), Int(5), Int(3), gl}, &result).empty());
    EXPECT_EQ(result.type == VT_INT ? result.GetLongNumb() : -1, 77);
}

TEST_F(Bitmaps, Put2bBitmapReadsRowsPaddedToFourBytes) {
    const unsigned char bits[8] = {0xFF, 0xC0, 0xEE, 0xEE, 0x80, 0x40, 0xEE, 0xEE};
    Variable mask, shortMask;
    vesk::SetString(mask, bits, 8);
    vesk::SetString(shortMask, bits, 7);
    glColor3f(0, 1, 0);
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(100), Num(50), Num(0), Int(10), Int(2), mask}).empty());
    EXPECT_EQ(Args("glPixelStorei"), (Calls{{GL_UNPACK_ALIGNMENT, 4}})) << "left so";
    EXPECT_EQ(Args("glBitmap"), (Calls{{10, 2, 0, 0, 10, 0}}));
    // The first row of bytes is the lowest row; bits from the left, highest first.
    PixelNear(109, 50, {0, 255, 0});
    PixelNear(110, 50, {0, 0, 0});
    PixelNear(100, 51, {0, 255, 0});
    PixelNear(101, 51, {0, 0, 0});
    PixelNear(109, 51, {0, 255, 0});

    EXPECT_EQ(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(10), Int(2), shortMask}), std::vector<int>{8});
    EXPECT_TRUE(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(33), Int(1), mask}).empty()) << "33 bits: 8 bytes a row";
    EXPECT_EQ(gltrace::Count("glBitmap"), 1);
    EXPECT_EQ(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(33), Int(2), mask}), std::vector<int>{8});
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(-10), Int(2), mask}).empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u) << "negative sizes draw nothing";

    // A side longer than 16384 pixels is not drawn (Mesa wrote past its
    // buffers for 65536 rows).
    Variable tall;
    std::string rows(4 * 65536, '\xff');
    vesk::SetString(tall, rows.data(), static_cast<long>(rows.size()));
    EXPECT_EQ(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(32), Int(65536), tall}), std::vector<int>{8});
    EXPECT_EQ(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(16385), Int(1), tall}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Count("glBitmap"), 0);
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(32), Int(16384), tall}).empty());
    EXPECT_EQ(gltrace::Count("glBitmap"), 1);
}

TEST_F(Bitmaps, ShortOrMissingBlocksAndUnboundContexts) {
    struct Case {
        const char* row;
        long width, height, bytes;
        std::vector<int> errors;
        int drawn;
    } cases[] = {
        {kDraw, 10, 10, 299, {8}, 0},  // shorter than 3 bytes a pixel
        {kPut, 10, 10, 299, {8}, 0},
        {kDraw, 10, 10, -1, {}, 0},   // no block: nothing, silently
        {kPut, -3, 10, 300, {}, 0},   // a negative size
        {kPut, 10, 10, 400, {}, 1},   // a longer block is fine
        {kPut, 1, 16385, 3 * 16385, {8}, 0},  // longer than a device can be
    };
    for (Case& c : cases) {
        fakeWidth = c.width, fakeHeight = c.height, fakeBytes = c.bytes;
        EXPECT_EQ(TracedRow(c.row, {Point3(h, 5, 5, 0), fake, gl}), c.errors) << &c - cases;
        EXPECT_EQ(gltrace::Calls().size(), c.drawn ? 3u : 0u) << &c - cases;
    }
    // Unbound: the bitmap is still asked, and its block stays blue-green-red.
    Variable bmp = Painted(2, 1, [](int x, int) { return std::array{x == 0 ? 255 : 0, 0, 0}; });
    Call("FreeMDC", {});
    for (const char* row : {kDraw, kPut}) {
        Variable result;
        EXPECT_TRUE(TracedRow(row, {Point3(h, 5, 5, 0), bmp, gl}, &result).empty());
        EXPECT_EQ(gltrace::Calls().size(), 0u);
        ASSERT_EQ(result.GetDataSize(), 6);
        EXPECT_EQ(static_cast<const unsigned char*>(result.GetData())[2], 255) << "red stays third";
    }
}

}  // namespace
}  // namespace geotest
