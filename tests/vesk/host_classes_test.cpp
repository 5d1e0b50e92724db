// Host classes scripts use beside the module's: Matrix arithmetic and its
// inverse, MBmp pixels in and out, the small member classes.
#include <unistd.h>

#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace {

double At(Variable& m, int r, int c) { return m[r][c].GetDoubleNumb(); }

Variable MatrixOf(Harness& h, std::initializer_list<std::initializer_list<double>> rows) {
    int n = static_cast<int>(rows.size());
    Variable m = h.New("Matrix", {Int(n), Int(static_cast<int>(rows.begin()->size()))});
    int r = 0;
    for (auto& row : rows) {
        int c = 0;
        for (double v : row) m[r][c++] = v;
        r++;
    }
    return m;
}

TEST(Matrix, InverseTimesMatrixIsIdentity) {
    Harness h;
    Variable m = MatrixOf(h, {{0, -1, 0, 5}, {1, 0, 0, -2}, {0, 0, 2, 3}, {0, 0, 0, 1}});
    Variable inv = h.Call(m, "Inverse");
    ASSERT_EQ(inv.type, VT_OBJECT);
    Variable p = h.Call(inv, "*", {m});
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_NEAR(At(p, r, c), r == c ? 1.0 : 0.0, 1e-12) << r << "," << c;
    EXPECT_NEAR(At(inv, 2, 3), -1.5, 1e-12);
    EXPECT_EQ(At(m, 0, 3), 5.0) << "the inverse is a new matrix";
    Variable twice = h.Call(m, "*", {Int(2)});
    EXPECT_EQ(At(twice, 0, 3), 10.0);
    EXPECT_EQ(h.Call(m, "Rows").data.i, 4);
    EXPECT_TRUE(h.Errors().empty());
}

TEST(Matrix, SingularAndMismatchedMatricesAreErrors) {
    Harness h;
    Variable singular = MatrixOf(h, {{1, 2}, {2, 4}});
    Variable inv = h.Call(singular, "Inverse");
    EXPECT_EQ(h.Errors(), std::vector<int>{16});
    EXPECT_EQ(inv.type, VT_EMPTY);
    Variable tiny = MatrixOf(h, {{1e-300, 0}, {0, 1e-300}});
    h.Call(tiny, "Inverse");
    EXPECT_TRUE(h.Errors().empty()) << "a small but regular matrix has an inverse";
    Variable wide = h.New("Matrix", {Int(2), Int(3)});
    h.Call(wide, "Inverse");
    EXPECT_EQ(h.Errors(), std::vector<int>{16});
    h.Call(wide, "*", {wide});
    EXPECT_EQ(h.Errors(), std::vector<int>{16});
    h.New("Matrix", {Int(0), Int(4)});
    h.New("Matrix", {Int(100000), Int(100000)});
    EXPECT_EQ(h.Errors(), (std::vector<int>{12, 12}));
    wide[5];
    EXPECT_EQ(h.Errors(), std::vector<int>{11});
    wide[0] = 7;  // a script may replace a row; reading it then gives zeros
    Variable id = h.New("Matrix", {Int(3), Int(2)});
    h.Call(id, "SetIdentity");
    Variable prod = h.Call(wide, "*", {id});
    EXPECT_EQ(At(prod, 0, 0), 0.0);
    h.TakeErrors();
}

TEST(MBmp, PixelsRoundTripThroughPngAndComeOutBlueGreenRedBottomUp) {
    Harness h;
    Variable b = h.New("MBmp", {Int(3), Int(2)});
    h.Call(b, "SetPixel", {Int(0), Int(0), Int(10), Int(20), Int(30)});  // top left
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
    Variable bits2 = h.Call(again, "GetDIBits");
    EXPECT_EQ(std::string(vesk::StringOf(bits2)), std::string(vesk::StringOf(bits)));
    unlink(path.c_str());
    EXPECT_TRUE(h.Errors().empty());

    h.New("MBmp", {Str("/nonexistent/picture.png")});
    h.New("MBmp", {Int(0), Int(10)});
    h.Call(b, "SetPixel", {Int(3), Int(0), Int(1), Int(1), Int(1)});
    EXPECT_EQ(h.Errors(), (std::vector<int>{14, 12, 11}));
}

}  // namespace
