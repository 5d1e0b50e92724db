// Bitmaps and pixel transfer: DrawBitmap's tiles and their texels, colour
// material under lighting, PutBitmap and Put2bBitmap at the raster position,
// GetDIBits' pixel block, and blocks that are short or missing.
#include "tests/geometry/geometry_test.h"

namespace geotest {
namespace {

// A stand-in bitmap class whose replies the test chooses: width, height and a
// block of `bytes` patterned bytes (no block but a number when negative).
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
    auto* bytes = static_cast<unsigned char*>(r->designated()->GetData());
    for (long k = 0; k < fakeBytes; k++) bytes[k] = static_cast<unsigned char>(k * 7 % 251);
}
const MethodRecord fakeRows[] = {
    {FakeNew, "FakeBmp::FakeBmp(void)"},     {FakeWidth, "FakeBmp::GetWidth(void)"},
    {FakeHeight, "FakeBmp::GetHeight(void)"}, {FakeBits, "FakeBmp::GetDIBits(void)"},
    {nullptr, nullptr},
};

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
        ASSERT_EQ(fake.type, VT_OBJECT);
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
};

// Bands of 256 rows from the lowest up, pieces of 256 columns from the left:
// each tile's rows are staged, loaded and drawn as one textured quad.
TEST_F(Bitmaps, DrawBitmapTilesThePictureIntoTexturedQuads) {
    fakeWidth = 300, fakeHeight = 260, fakeBytes = 300 * 260 * 3;
    Variable result;
    EXPECT_TRUE(TracedRow(kDraw, {Point3(h, 5, 6, 7), fake, gl}, &result).empty());
    ASSERT_EQ(result.GetDataSize(), 300 * 260 * 3) << "the result keeps the pixel block";
    const auto* block = static_cast<const unsigned char*>(result.GetData());
    EXPECT_EQ(ArgsOf("glTexImage2D"), (std::vector<Values>{{GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGB,
                                                              GL_UNSIGNED_BYTE}}));
    EXPECT_EQ(gltrace::Sequence({"glPolygonMode", "glEnable", "glTexEnvf", "glPixelStorei", "glTexImage2D", "glNormal3f",
                                 "glTexSubImage2D", "glBegin", "glDisable", "glColor4f"}),
              (Names{"glPolygonMode", "glEnable", "glTexEnvf", "glPixelStorei", "glTexImage2D", "glNormal3f",
                     "glTexSubImage2D", "glBegin", "glTexSubImage2D", "glBegin", "glTexSubImage2D", "glBegin",
                     "glTexSubImage2D", "glBegin", "glDisable"}))
        << "without lighting the colour is left alone";
    EXPECT_EQ(ArgsOf("glPolygonMode"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_FILL}}));
    EXPECT_EQ(ArgsOf("glDisable"), std::vector<Values>{{GL_TEXTURE_2D}});

    std::vector<gltrace::Call> loads = gltrace::Named("glTexSubImage2D");
    std::vector<Values> texels = ArgsOf("glTexCoord2f"), corners = ArgsOf("glVertex3f");
    ASSERT_EQ(loads.size(), 4u);
    ASSERT_EQ(corners.size(), 16u);
    const int tiles[4][4] = {{0, 0, 256, 256}, {256, 0, 44, 256}, {0, 256, 256, 4}, {256, 256, 44, 4}};
    for (int i = 0; i < 4; i++) {
        const auto [c, r, w, ht] = tiles[i];
        EXPECT_EQ(loads[i].args, (Values{GL_TEXTURE_2D, 0, 0, 0, double(w), double(ht), GL_RGB, GL_UNSIGNED_BYTE}));
        uint32_t sum = gltrace::kChecksumSeed;
        for (int j = 0; j < ht; j++) sum = gltrace::Checksum(block + 3 * ((r + j) * 300 + c), 3 * w, sum);
        EXPECT_EQ(loads[i].checksum, sum) << "the texels of tile " << i;
        double s = w / 256.0, t = ht / 256.0, x0 = 5 + c, x1 = x0 + w, y0 = 6 + r, y1 = y0 + ht;
        EXPECT_EQ(std::vector<Values>(texels.begin() + 4 * i, texels.begin() + 4 * i + 4),
                  (std::vector<Values>{{0, 0}, {s, 0}, {s, t}, {0, t}}));
        EXPECT_EQ(std::vector<Values>(corners.begin() + 4 * i, corners.begin() + 4 * i + 4),
                  (std::vector<Values>{{x0, y0, 7}, {x1, y0, 7}, {x1, y1, 7}, {x0, y1, 7}}));
    }
}

TEST_F(Bitmaps, DrawBitmapUnderLightingUsesColourMaterialAndRestoresIt) {
    Lighting();
    Variable bmp = TwoColours(300, 4, 256, {255, 255, 0}, {0, 0, 255});
    EXPECT_TRUE(Traced("DrawBitmap", {Num(100), Num(100), Num(0), bmp}).empty());
    EXPECT_EQ(gltrace::Sequence({"glEnable", "glColorMaterial", "glColor4f", "glDisable"}),
              (Names{"glEnable", "glEnable", "glColorMaterial", "glColor4f", "glDisable", "glDisable"}));
    EXPECT_EQ(ArgsOf("glColorMaterial"), (std::vector<Values>{{GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}}));
    EXPECT_EQ(ArgsOf("glColor4f"), (std::vector<Values>{{1, 1, 1, 1}}));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // The picture keeps its colours (red and blue in their places) under a white light.
    PixelNear(150, 102, {255, 255, 0});
    PixelNear(380, 102, {0, 0, 255});
    PixelNear(420, 102, {0, 0, 0});
    PixelNear(150, 110, {0, 0, 0});

    glEnable(GL_COLOR_MATERIAL);
    Traced("DrawBitmap", {Num(0), Num(0), Num(0), bmp});
    EXPECT_EQ(gltrace::Count("glColorMaterial"), 0);
    EXPECT_EQ(gltrace::Find("glDisable", {GL_COLOR_MATERIAL}), gltrace::npos);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL)) << "left on when it was on";
}

TEST_F(Bitmaps, PutBitmapDrawsTheBlockAtTheRasterPosition) {
    Variable bmp = h.New("MBmp", {Int(3), Int(2)});
    h.Call(bmp, "SetPixel", {Int(0), Int(0), Int(255), Int(0), Int(0)});  // top left
    h.Call(bmp, "SetPixel", {Int(1), Int(1), Int(0), Int(255), Int(0)});
    h.Call(bmp, "SetPixel", {Int(2), Int(1), Int(0), Int(0), Int(255)});  // bottom right
    gltrace::Clear();
    gltrace::Start();
    Variable result = h.Call(gl, "PutBitmap", {Num(10), Num(20), Num(0), bmp});
    gltrace::Stop();
    EXPECT_TRUE(h.Errors().empty());
    EXPECT_EQ(gltrace::Sequence({"glRasterPos3f", "glPixelStorei", "glDrawPixels"}),
              (Names{"glRasterPos3f", "glPixelStorei", "glDrawPixels"}));
    EXPECT_EQ(ArgsOf("glRasterPos3f"), (std::vector<Values>{{10, 20, 0}}));
    EXPECT_EQ(ArgsOf("glPixelStorei"), (std::vector<Values>{{GL_UNPACK_ALIGNMENT, 1}}));
    EXPECT_EQ(ArgsOf("glDrawPixels"), (std::vector<Values>{{3, 2, GL_RGB, GL_UNSIGNED_BYTE}}));
    ASSERT_EQ(result.GetDataSize(), 18);
    EXPECT_EQ(static_cast<const unsigned char*>(result.GetData())[8], 255) << "turned to red, green, blue in place";
    PixelNear(10, 21, {255, 0, 0});
    PixelNear(11, 20, {0, 255, 0});
    PixelNear(12, 20, {0, 0, 255});
    PixelNear(13, 20, {0, 0, 0});

    Traced("PutBitmap", {Point3(h, 50, 60, 0), bmp});
    EXPECT_EQ(ArgsOf("glRasterPos3f"), (std::vector<Values>{{50, 60, 0}}));
    PixelNear(50, 61, {255, 0, 0});
}

TEST_F(Bitmaps, GetDIBitsReadsBlueGreenRedLowestRowFirst) {
    unsigned char rgb[3 * 15];
    for (int k = 0; k < 15; k++) {
        rgb[3 * k] = static_cast<unsigned char>(10 * (k % 5) + 5);
        rgb[3 * k + 1] = static_cast<unsigned char>(60 + 40 * (k / 5));
        rgb[3 * k + 2] = 200;
    }
    glRasterPos3f(20, 30, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(5, 3, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);  // rows of 15 bytes would be padded
    Variable block = h.Call(gl, "GetDIBits", {Num(20.9), Num(30.2), Int(5), Int(3)});
    EXPECT_TRUE(h.Errors().empty());
    ASSERT_EQ(block.GetDataSize(), 45);
    const auto* b = static_cast<const unsigned char*>(block.GetData());
    for (int k = 0; k < 15; k++)
        EXPECT_EQ((Values{double(b[3 * k]), double(b[3 * k + 1]), double(b[3 * k + 2])}),
                  (Values{double(rgb[3 * k + 2]), double(rgb[3 * k + 1]), double(rgb[3 * k])}))
            << "pixel " << k;

    // Negative sizes, or an unbound context: the result is left as it was.
    const char* row = "VOpenGL::GetDIBits(number, number, int, int)";
    Variable result = Int(77);
    EXPECT_TRUE(TracedRow(row, {Num(0), Num(0), Int(-5), Int(3), gl}, &result).empty());
    Call("FreeMDC", {});
    EXPECT_TRUE(TracedRow(row, {Num(0), Num(0), Int(5), Int(3), gl}, &result).empty());
    EXPECT_EQ(result.type, VT_INT);
    EXPECT_EQ(result.GetLongNumb(), 77);
}

TEST_F(Bitmaps, Put2bBitmapReadsRowsPaddedToFourBytes) {
    const unsigned char bits[8] = {0xFF, 0xC0, 0xEE, 0xEE, 0x80, 0x40, 0xEE, 0xEE};
    Variable mask, shortMask;
    vesk::SetString(mask, bits, 8);
    vesk::SetString(shortMask, bits, 7);
    glColor3f(0, 1, 0);
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(100), Num(50), Num(0), Int(10), Int(2), mask}).empty());
    EXPECT_EQ(gltrace::Sequence({"glRasterPos3f", "glPixelStorei", "glBitmap"}),
              (Names{"glRasterPos3f", "glPixelStorei", "glBitmap"}));
    EXPECT_EQ(ArgsOf("glPixelStorei"), (std::vector<Values>{{GL_UNPACK_ALIGNMENT, 4}}));
    EXPECT_EQ(ArgsOf("glBitmap"), (std::vector<Values>{{10, 2, 0, 0, 10, 0}}));
    // The first row of bytes is the lowest row; bits from the left, highest first.
    for (int x = 100; x < 110; x++) PixelNear(x, 50, {0, 255, 0});
    PixelNear(110, 50, {0, 0, 0});
    PixelNear(100, 51, {0, 255, 0});
    PixelNear(101, 51, {0, 0, 0});
    PixelNear(109, 51, {0, 255, 0});
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_EQ(raster[0], 110) << "the raster position moves on by the width";

    EXPECT_EQ(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(10), Int(2), shortMask}), std::vector<int>{8});
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    EXPECT_TRUE(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(33), Int(1), mask}).empty()) << "33 bits: 8 bytes a row";
    EXPECT_EQ(Traced("Put2bBitmap", {Point3(h, 0, 0, 0), Int(33), Int(2), mask}), std::vector<int>{8});
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(-10), Int(2), mask}).empty());
    EXPECT_TRUE(Traced("Put2bBitmap", {Num(0), Num(0), Num(0), Int(10), Int(-2), shortMask}).empty());
    EXPECT_EQ(gltrace::Calls().size(), 0u) << "negative sizes draw nothing";
}

TEST_F(Bitmaps, ShortOrMissingBlocksAndUnboundContexts) {
    fakeWidth = 10, fakeHeight = 10, fakeBytes = 299;
    for (const char* row : {kDraw, kPut}) {
        EXPECT_EQ(TracedRow(row, {Point3(h, 5, 5, 0), fake, gl}), std::vector<int>{8}) << row;
        EXPECT_EQ(gltrace::Calls().size(), 0u);
    }
    fakeBytes = -1;
    EXPECT_TRUE(TracedRow(kDraw, {Point3(h, 5, 5, 0), fake, gl}).empty()) << "no block: nothing, silently";
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    fakeWidth = -3, fakeBytes = 300;
    EXPECT_TRUE(TracedRow(kPut, {Point3(h, 5, 5, 0), fake, gl}).empty()) << "a negative size draws nothing";
    EXPECT_EQ(gltrace::Calls().size(), 0u);
    fakeWidth = 10, fakeBytes = 400;
    EXPECT_TRUE(TracedRow(kPut, {Point3(h, 5, 5, 0), fake, gl}).empty()) << "a longer block is fine";
    EXPECT_EQ(gltrace::Count("glDrawPixels"), 1);

    // Unbound: the bitmap is still asked, and its block stays blue-green-red.
    Variable bmp = h.New("MBmp", {Int(2), Int(1)});
    h.Call(bmp, "SetPixel", {Int(0), Int(0), Int(255), Int(0), Int(0)});
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
