// Bitmaps and pixel transfer: DrawBitmap's tiles, texture coordinates and
// colour-material handling, PutBitmap and Put2bBitmap at the raster
// position, GetDIBits' pixel block, and blocks that are short or missing.
#include <cstring>

#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

// A stand-in bitmap class whose replies the test chooses: width, height and
// a block of `bytes` bytes (none when negative).
long fakeWidth = 10, fakeHeight = 10, fakeBytes = 300;

void FakeNew(VarRegister*, VarRegister*, int, Processor*) {}
void FakeWidth(VarRegister* r, VarRegister*, int, Processor*) { *r->designated() = fakeWidth; }
void FakeHeight(VarRegister* r, VarRegister*, int, Processor*) { *r->designated() = fakeHeight; }
void FakeBits(VarRegister* r, VarRegister*, int, Processor*) {
    if (fakeBytes < 0) {
        *r->designated() = 7;
        return;
    }
    r->designated()->Init(VT_DATA, fakeBytes);
}
const MethodRecord fakeRows[] = {
    {FakeNew, "FakeBmp::FakeBmp(void)"},
    {FakeWidth, "FakeBmp::GetWidth(void)"},
    {FakeHeight, "FakeBmp::GetHeight(void)"},
    {FakeBits, "FakeBmp::GetDIBits(void)"},
    {nullptr, nullptr},
};

class Bitmaps : public Scene {
protected:
    void SetUp() override {
        Scene::SetUp();
        std::string why;
        if (!vesk::FindClass("FakeBmp")) {
            ASSERT_TRUE(vesk::RegisterHostRows(fakeRows, &why)) << why;
        }
    }
    // A bitmap whose columns below `split` are one colour and the rest another.
    Variable TwoColours(int w, int hgt, int split, std::array<int, 3> left, std::array<int, 3> right) {
        Variable bmp = h.New("MBmp", {Int(w), Int(hgt)});
        for (int y = 0; y < hgt; y++)
            for (int x = 0; x < w; x++) {
                const std::array<int, 3>& c = x < split ? left : right;
                h.Call(bmp, "SetPixel", {Int(x), Int(y), Int(c[0]), Int(c[1]), Int(c[2])});
            }
        return bmp;
    }
    // Calls a row directly with a position, a bitmap and this context.
    std::vector<int> DrawRow(const char* signature, Variable& bitmap, Variable* result) {
        VarRegister out, args[3];
        Variable point = Point3(h, 5, 5, 0);
        args[0].isRef = 1;
        args[0].ref = &point;
        args[1].isRef = 1;
        args[1].ref = &bitmap;
        args[2].isRef = 1;
        args[2].ref = &gl;
        gltrace::Clear();
        gltrace::Start();
        std::vector<int> errors = h.CallRow(signature, &out, args, 3);
        gltrace::Stop();
        if (result) *result = *out.designated();
        return errors;
    }
};

TEST_F(Bitmaps, DrawBitmapTilesThePictureIntoTexturedQuads) {
    Variable bmp = h.New("MBmp", {Int(300), Int(200)});
    gltrace::Clear();
    gltrace::Start();
    Variable result = h.Call(gl, "DrawBitmap", {Num(0), Num(0), Num(0), bmp});
    gltrace::Stop();
    EXPECT_TRUE(h.Errors().empty());
    EXPECT_EQ(result.type, VT_DATA) << "the result keeps the pixel block";
    EXPECT_EQ(result.GetDataSize(), 300 * 200 * 3);

    std::vector<Values> sub = ArgsOf("glTexSubImage2D");
    ASSERT_EQ(sub.size(), 2u);
    EXPECT_EQ(Values(sub[0].begin(), sub[0].begin() + 6), (Values{GL_TEXTURE_2D, 0, 0, 0, 256, 200}));
    EXPECT_EQ(Values(sub[1].begin(), sub[1].begin() + 6), (Values{GL_TEXTURE_2D, 0, 0, 0, 44, 200}));
    EXPECT_EQ(ArgsOf("glTexCoord2f"),
              (std::vector<Values>{{0, 0}, {1, 0}, {1, 0.78125}, {0, 0.78125},
                                   {0, 0}, {0.171875, 0}, {0.171875, 0.78125}, {0, 0.78125}}));
    EXPECT_EQ(ArgsOf("glVertex3f"),
              (std::vector<Values>{{0, 0, 0}, {256, 0, 0}, {256, 200, 0}, {0, 200, 0},
                                   {256, 0, 0}, {300, 0, 0}, {300, 200, 0}, {256, 200, 0}}));
    std::vector<Values> image = ArgsOf("glTexImage2D");
    ASSERT_EQ(image.size(), 1u);
    EXPECT_EQ(image[0], (Values{GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE}));
    EXPECT_EQ(gltrace::Sequence({"glPolygonMode", "glEnable", "glTexEnvf", "glPixelStorei", "glTexImage2D",
                                 "glNormal3f", "glTexSubImage2D", "glDisable"}),
              (std::vector<std::string>{"glPolygonMode", "glEnable", "glTexEnvf", "glPixelStorei",
                                        "glTexImage2D", "glNormal3f", "glTexSubImage2D",
                                        "glTexSubImage2D", "glDisable"}));
    EXPECT_EQ(ArgsOf("glDisable"), std::vector<Values>{{GL_TEXTURE_2D}});
    EXPECT_EQ(gltrace::Count("glColor4f"), 0) << "without lighting the colour is left alone";
    GLint mode[2], unpack;
    glGetIntegerv(GL_POLYGON_MODE, mode);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(mode[0], GL_FILL);
    EXPECT_EQ(unpack, 1);

    Variable square = h.New("MBmp", {Int(256), Int(256)});
    Traced("DrawBitmap", {Point3(h, 10, 20, 30), square});
    EXPECT_EQ(ArgsOf("glTexCoord2f")[2], (Values{1, 1})) << "one tile";
    EXPECT_EQ(ArgsOf("glVertex3f")[2], (Values{266, 276, 30}));
}

TEST_F(Bitmaps, DrawBitmapUnderLightingUsesColourMaterialAndRestoresIt) {
    Lighting(true);
    glColor3f(1, 0, 0);
    Variable bmp = TwoColours(300, 4, 256, {255, 255, 0}, {0, 0, 255});
    gltrace::Clear();
    gltrace::Start();
    h.Call(gl, "DrawBitmap", {Num(100), Num(100), Num(0), bmp});
    gltrace::Stop();
    EXPECT_EQ(gltrace::Sequence({"glEnable", "glColorMaterial", "glColor4f", "glDisable"}),
              (std::vector<std::string>{"glEnable", "glEnable", "glColorMaterial", "glColor4f", "glDisable",
                                        "glDisable"}));
    EXPECT_EQ(ArgsOf("glColorMaterial"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}}));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat color[4];
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_EQ(Values(color, color + 4), (Values{1, 1, 1, 1})) << "white after drawing";
    // The picture keeps its colours under a white light from the front.
    PixelNear(150, 102, {255, 255, 0});
    PixelNear(380, 102, {0, 0, 255});
    PixelNear(420, 102, {0, 0, 0});
    PixelNear(150, 110, {0, 0, 0});

    glEnable(GL_COLOR_MATERIAL);
    Traced("DrawBitmap", {Num(0), Num(0), Num(0), bmp});
    EXPECT_EQ(gltrace::Find("glEnable", {GL_COLOR_MATERIAL}), gltrace::npos);
    EXPECT_EQ(gltrace::Find("glDisable", {GL_COLOR_MATERIAL}), gltrace::npos);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL)) << "left on when it was on";
}

TEST_F(Bitmaps, PutBitmapDrawsTheBlockAtTheRasterPosition) {
    Variable bmp = h.New("MBmp", {Int(3), Int(2)});
    h.Call(bmp, "SetPixel", {Int(0), Int(0), Int(255), Int(0), Int(0)});  // top left
    h.Call(bmp, "SetPixel", {Int(2), Int(1), Int(0), Int(0), Int(255)});  // bottom right
    h.Call(bmp, "SetPixel", {Int(1), Int(1), Int(0), Int(255), Int(0)});
    gltrace::Clear();
    gltrace::Start();
    Variable result = h.Call(gl, "PutBitmap", {Num(10), Num(20), Num(0), bmp});
    gltrace::Stop();
    EXPECT_TRUE(h.Errors().empty());
    EXPECT_EQ(gltrace::Sequence({"glRasterPos3f", "glPixelStorei", "glDrawPixels"}),
              (std::vector<std::string>{"glRasterPos3f", "glPixelStorei", "glDrawPixels"}));
    EXPECT_EQ(ArgsOf("glRasterPos3f"), (std::vector<Values>{{10, 20, 0}}));
    EXPECT_EQ(ArgsOf("glDrawPixels"), (std::vector<Values>{{3, 2, GL_RGB, GL_UNSIGNED_BYTE}}));
    const auto* block = static_cast<const unsigned char*>(result.GetData());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[6], 0);
    EXPECT_EQ(block[8], 255) << "the block was turned to red, green, blue in place";
    PixelNear(10, 21, {255, 0, 0});
    PixelNear(12, 20, {0, 0, 255});
    PixelNear(11, 20, {0, 255, 0});
    PixelNear(13, 20, {0, 0, 0});

    Traced("PutBitmap", {Point3(h, 50, 60, 0), bmp});
    EXPECT_EQ(ArgsOf("glRasterPos3f"), (std::vector<Values>{{50, 60, 0}}));
    PixelNear(50, 61, {255, 0, 0});
}

TEST_F(Bitmaps, GetDIBitsReadsBlueGreenRedLowestRowFirst) {
    unsigned char rgb[3 * 15];
    for (int j = 0; j < 3; j++)
        for (int i = 0; i < 5; i++) {
            unsigned char* p = rgb + 3 * (5 * j + i);
            p[0] = static_cast<unsigned char>(10 * i + 5);
            p[1] = static_cast<unsigned char>(60 + 40 * j);
            p[2] = 200;
        }
    glRasterPos3f(20, 30, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(5, 3, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    Variable block = h.Call(gl, "GetDIBits", {Num(20.9), Num(30.2), Int(5), Int(3)});
    EXPECT_TRUE(h.Errors().empty());
    ASSERT_EQ(block.type, VT_DATA);
    ASSERT_EQ(block.GetDataSize(), 45);
    const auto* b = static_cast<const unsigned char*>(block.GetData());
    EXPECT_EQ(b[0], 200);
    EXPECT_EQ(b[1], 60);
    EXPECT_EQ(b[2], 5) << "the lower-left pixel, blue first";
    for (int k = 0; k < 15; k++) {
        EXPECT_EQ(b[3 * k], rgb[3 * k + 2]) << k;
        EXPECT_EQ(b[3 * k + 1], rgb[3 * k + 1]) << k;
        EXPECT_EQ(b[3 * k + 2], rgb[3 * k]) << k;
    }
    GLint pack;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    EXPECT_EQ(pack, 1);

    // Unbound, or negative sizes: the result is left as it was.
    VarRegister result, args[5];
    result.value = Int(77);
    args[0].value = Num(0);
    args[1].value = Num(0);
    args[2].value = Int(-5);
    args[3].value = Int(3);
    args[4].value = gl;
    EXPECT_TRUE(h.CallRow("VOpenGL::GetDIBits(number, number, int, int)", &result, args, 5).empty());
    EXPECT_EQ(result.value.type, VT_INT);
    args[2].value = Int(5);
    Call("FreeMDC", {});
    EXPECT_TRUE(h.CallRow("VOpenGL::GetDIBits(number, number, int, int)", &result, args, 5).empty());
    EXPECT_EQ(result.value.GetLongNumb(), 77);
}

TEST_F(Bitmaps, Put2bBitmapReadsRowsPaddedToFourBytes) {
    const unsigned char bits[8] = {0xFF, 0xC0, 0xEE, 0xEE, 0x80, 0x40, 0xEE, 0xEE};
    Variable mask;
    vesk::SetString(mask, bits, 8);
    glColor3f(0, 1, 0);
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(100), Num(50), Num(0), Int(10), Int(2), mask}).empty());
    EXPECT_EQ(gltrace::Sequence({"glRasterPos3f", "glPixelStorei", "glBitmap"}),
              (std::vector<std::string>{"glRasterPos3f", "glPixelStorei", "glBitmap"}));
    EXPECT_EQ(ArgsOf("glPixelStorei"), (std::vector<Values>{{GL_UNPACK_ALIGNMENT, 4}}));
    EXPECT_EQ(ArgsOf("glBitmap"), (std::vector<Values>{{10, 2, 0, 0, 10, 0}}));
    for (int x = 100; x < 110; x++) PixelNear(x, 50, {0, 255, 0});
    PixelNear(110, 50, {0, 0, 0});
    PixelNear(100, 51, {0, 255, 0});
    PixelNear(101, 51, {0, 0, 0});
    PixelNear(109, 51, {0, 255, 0});
    PixelNear(111, 51, {0, 0, 0});
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_EQ(raster[0], 110) << "the raster position moves on by the width";

    Variable shortMask;
    vesk::SetString(shortMask, bits, 7);
    EXPECT_EQ(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(10), Int(2), shortMask}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    EXPECT_TRUE(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(33), Int(1), mask}).empty())
        << "33 bits take 8 bytes a row";
    EXPECT_EQ(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(33), Int(2), mask}), std::vector<int>{8});
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(-10), Int(2), mask}).empty());
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(10), Int(-2), shortMask}).empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u) << "negative sizes draw nothing";
}

TEST_F(Bitmaps, ShortOrMissingBlocksAndUnboundContexts) {
    Variable fake = h.New("FakeBmp");
    ASSERT_EQ(fake.type, VT_OBJECT);
    const char* draw = "VOpenGL::DrawBitmap(refer object POINT3, refer object MBmp)";
    const char* put = "VOpenGL::PutBitmap(refer object POINT3, refer object MBmp)";
    fakeWidth = 10, fakeHeight = 10, fakeBytes = 299;
    for (const char* row : {draw, put}) {
        EXPECT_EQ(DrawRow(row, fake, nullptr), std::vector<int>{8}) << row;
        EXPECT_EQ(gltrace::Calls().size(), 0u);
    }
    fakeBytes = -1;
    EXPECT_TRUE(DrawRow(draw, fake, nullptr).empty()) << "no block: nothing, silently";
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    fakeWidth = -3, fakeBytes = 300;
    EXPECT_TRUE(DrawRow(put, fake, nullptr).empty()) << "a negative size draws nothing";
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    fakeWidth = 10, fakeHeight = 10, fakeBytes = 400;
    Variable result;
    EXPECT_TRUE(DrawRow(put, fake, &result).empty()) << "a longer block is fine";
    EXPECT_EQ(gltrace::Count("glDrawPixels"), 1);

    // Unbound: the bitmap is still asked, and its block stays blue-green-red.
    Variable bmp = h.New("MBmp", {Int(2), Int(1)});
    h.Call(bmp, "SetPixel", {Int(0), Int(0), Int(255), Int(0), Int(0)});
    Call("FreeMDC", {});
    for (const char* row : {draw, put}) {
        EXPECT_TRUE(DrawRow(row, bmp, &result).empty());
        EXPECT_EQ(gltrace::Calls().size(), 0u);
        ASSERT_EQ(result.GetDataSize(), 6);
        EXPECT_EQ(static_cast<const unsigned char*>(result.GetData())[2], 255) << "red stays third";
    }
}

}  // namespace
}  // namespace geotest
