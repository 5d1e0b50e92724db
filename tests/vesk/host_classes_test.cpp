// Host classes scripts use beside the module's: Matrix and its failures,
// MBmp pixels in and out, and the files MBmp refuses to read. The inverse of a regular matrix is checked by
// tests/scripts/matrix.vsk and the RunFunction test.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/harness.h"
#include "vesk/values/budget.h"

namespace {

TEST(Matrix, SingularMismatchedAndOversizedMatricesAreErrors) {
    Harness h;
    Variable singular = h.New("Matrix", {Int(2), Int(2)});
    singular[0][0] = 1;
    singular[0][1] = 2;
    singular[1][0] = 2;
    singular[1][1] = 4;
    Variable inv = h.Call(singular, "Inverse");
    EXPECT_EQ(h.Errors(), std::vector<int>{16});
    EXPECT_EQ(inv.type, VT_EMPTY);
    Variable tiny = h.New("Matrix", {Int(2), Int(2)});
    tiny[0][0] = tiny[1][1] = 1e-300;
    EXPECT_DOUBLE_EQ(h.Call(tiny, "Inverse")[1][1].GetDoubleNumb(), 1e300) << "a small but regular matrix";
    EXPECT_TRUE(h.Errors().empty());

    Variable wide = h.New("Matrix", {Int(2), Int(3)});
    h.Call(wide, "Inverse");
    h.Call(wide, "*", {wide});
    h.New("Matrix", {Int(0), Int(4)});
    h.New("Matrix", {Int(100000), Int(100000)});
    wide[5];
    EXPECT_EQ(h.Errors(), (std::vector<int>{16, 16, 12, 12, 11}));
    wide[0] = 7;  // a script may replace a row; reading it then gives zeros
    Variable id = h.New("Matrix", {Int(3), Int(2)});
    h.Call(id, "SetIdentity");
    EXPECT_EQ(h.Call(wide, "*", {id})[0][0].GetDoubleNumb(), 0.0);
    h.TakeErrors();
}

TEST(MBmp, PixelsRoundTripThroughPngAndComeOutBlueGreenRedBottomUp) {
    Harness h;
    Variable b = h.New("MBmp", {Int(3), Int(2)});
    h.Call(b, "SetPixel", {Int(0), Int(0), Int(10), Int(20), Int(30)});    // top left
    h.Call(b, "SetPixel", {Int(2), Int(1), Int(200), Int(100), Int(50)});  // bottom right
    Variable bits = h.Call(b, "GetDIBits");
    ASSERT_EQ(bits.type, VT_DATA);
    ASSERT_EQ(bits.GetDataSize(), 18);
    auto* p = static_cast<unsigned char*>(bits.GetData());
    EXPECT_EQ(p[6], 50) << "lowest row first, blue first";
    EXPECT_EQ(p[7], 100);
    EXPECT_EQ(p[8], 200);
    EXPECT_EQ(p[9], 30) << "the top row comes second";
    EXPECT_EQ(p[11], 10);

    std::string path = testing::TempDir() + "mbmp_roundtrip.png";
    h.Call(b, "SaveAs", {Str(path.c_str())});
    Variable again = h.New("MBmp", {Str(path.c_str())});
    EXPECT_EQ(h.Call(again, "GetWidth").data.i, 3);
    EXPECT_EQ(h.Call(again, "GetHeight").data.i, 2);
    EXPECT_EQ(vesk::StringOf(h.Call(again, "GetDIBits")), vesk::StringOf(bits));
    unlink(path.c_str());
    EXPECT_TRUE(h.Errors().empty());

    h.New("MBmp", {Str("/nonexistent/picture.png")});
    h.New("MBmp", {Int(0), Int(10)});
    h.Call(b, "SetPixel", {Int(3), Int(0), Int(1), Int(1), Int(1)});
    h.Call(b, "SetPixel", {Num(NAN), Int(0), Int(1), Int(1), Int(1)});
    EXPECT_EQ(h.Errors(), (std::vector<int>{14, 12, 11, 11}));
    EXPECT_EQ(vesk::StringOf(h.Call(b, "GetDIBits")), vesk::StringOf(bits)) << "a NaN pixel is no pixel";
}

// A 68-byte PNG that declares 16384 x 16384 RGB pixels (805 MB) is damaged:
// refused before the picture is allocated. A FIFO is refused without waiting
// for a writer.
TEST(MBmp, FilesThatCannotHoldAPictureAreRefusedBeforeAllocating) {
    Harness h;
    const unsigned char liar[] = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
        0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00, 0x26, 0xaa, 0x87, 0xd3, 0x00,
        0x00, 0x00, 0x0b, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x80, 0x01, 0x00, 0x00, 0x0a, 0x00,
        0x01, 0x7f, 0x80, 0x74, 0x5e, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    std::string damaged = testing::TempDir() + "mbmp_damaged.png", fifo = testing::TempDir() + "mbmp_fifo.png";
    std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(liar), sizeof liar);
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    uint64_t before = vesk::MemoryInUse();
    h.New("MBmp", {Str(damaged.c_str())});
    h.New("MBmp", {Str(fifo.c_str())});
    std::vector<vesk::ErrorEntry> errors = h.TakeErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].message, "PNG " + damaged + " is damaged: it declares 16384 x 16384 pixels, more than its 68 "
                                 "bytes can hold");
    EXPECT_EQ(errors[1].message, "cannot read PNG " + fifo + ": it is a FIFO, not a regular file");
    EXPECT_EQ(errors[0].number + errors[1].number, 28);
    EXPECT_EQ(vesk::MemoryInUse(), before);
    unlink(damaged.c_str());
    unlink(fifo.c_str());
}

}  // namespace
