// Text and colour maps: textmask's bits against the pixels Put2bBitmap paints
// from them, the mask's rows around the baseline, UTF-8 decoding, DrawText's
// baseline, blending and clipping on a picture, GetPicture's rows, the
// published colour-map values and the errors of absurd arguments.
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/harness.h"
#include "vesk/eval/interpreter.h"
#include "vesk/classes/picture.h"
#include "vesk/classes/text.h"

namespace {

// Scripts on the test host; Run gives the errors as "error N" lines.
struct Script {
    Harness h;
    vesk::Interpreter interp{h.processor};
    std::string Run(const std::string& source) {
        std::string out;
        vesk::ScriptOutcome o = interp.RunScript(source, "t.vsk");
        if (o.kind == vesk::ScriptOutcome::SyntaxError) return "syntax: " + o.message;
        for (const vesk::ErrorEntry& e : o.errors) out += "error " + std::to_string(e.number) + "\n";
        return out;
    }
    Variable& Global(const char* name) {
        static Variable none;
        Variable* v = interp.Global(name);
        return v ? *v : none;
    }
};

struct Mask {
    int width, height, descent;
    std::string bits;
    size_t RowBytes() const { return (width + 31) / 32 * 4; }
    // Row from the bottom, column from the left.
    bool Bit(int row, int col) const { return bits[row * RowBytes() + col / 8] & (0x80 >> (col % 8)); }
    bool RowInked(int row) const {
        for (int c = 0; c < width; c++)
            if (Bit(row, c)) return true;
        return false;
    }
};

Mask MaskOf(Variable& m) {
    EXPECT_EQ(m.type, VT_VECTOR);
    if (m.type != VT_VECTOR || m.data.vec->count != 4) return {0, 0, 0, ""};
    return {static_cast<int>(m[0].GetLongNumb()), static_cast<int>(m[1].GetLongNumb()),
            static_cast<int>(m[3].GetLongNumb()), std::string(vesk::StringOf(m[2]))};
}

// The device's pixels after Put2bBitmap, the mask's bits, and the same text
// drawn white on black with DrawText (baseline `descent` rows above the
// bottom) at half coverage and more must all agree.
TEST(TextMask, BitsAreThePixelsPut2bBitmapPaintsAndDrawTextCovers) {
    Script s;
    ASSERT_EQ(s.Run("dc = new MDC(400, 64); gl = new VOpenGL(); gl->Open(dc); gl->SetViewPort(0, 0, 400, 64);"
                    "gl->SetClipping(-1, 1, -1, 1, 1, 10); gl->SetViewerPos(0, 0, 5, 0, 0, 0, 0, 1, 0);"
                    "gl->Clear(); gl->SetColor(1, 1, 1, 1);"
                    "t = \"Wg|\xC3\xA9\xC2\xBD jQ\"; m = textmask(t, 24);"
                    "gl->Put2bBitmap(-5, -5, 0, m[0], m[1], m[2]);"  // the device's lower-left corner
                    "px = gl->GetDIBits(0, 0, m[0] + 8, m[1] + 4);"
                    "p = new MBmp(m[0], m[1]); p->DrawText(0, m[1] - m[3], t, 24, 255, 255, 255);"),
              "");
    Mask m = MaskOf(s.Global("m"));
    ASSERT_GT(m.width, 40);
    ASSERT_EQ(m.bits.size(), m.RowBytes() * m.height);
    std::string_view px = vesk::StringOf(s.Global("px"));
    vesk::PictureView drawn;
    ASSERT_TRUE(vesk::PictureOf(s.Global("p"), &drawn));
    int w = m.width + 8;
    ASSERT_EQ(px.size(), size_t(3) * w * (m.height + 4));
    int set = 0, painted = 0, covered = 0;
    for (int r = 0; r < m.height + 4; r++)
        for (int c = 0; c < w; c++) {
            bool lit = static_cast<unsigned char>(px[3 * (r * w + c)]) > 127;
            bool inside = r < m.height && c < m.width;
            bool bit = inside && m.Bit(r, c);
            set += bit;
            painted += lit != bit;
            covered += inside && bit != (drawn.rgb[3 * ((m.height - 1 - r) * m.width + c)] > 127);
        }
    EXPECT_GT(set, 200) << "the glyphs' ink";
    EXPECT_EQ(painted, 0) << "pixels Put2bBitmap painted otherwise than the bits say";
    EXPECT_EQ(covered, 0) << "bits that differ from DrawText's coverage";
}

TEST(TextMask, SizesRowsAroundTheBaselineAndDecoding) {
    Script s;
    ASSERT_EQ(s.Run("H = textmask(\"H\", 30); g = textmask(\"g\", 30); e = textmask(\"\", 30);"
                    "i = textmask(\"i\", 30); ii = textmask(\"ii\", 30); big = textmask(\"H\", 60);"
                    "ab = textmask(\"ab\", 30); ctl = textmask(\"a\\n\\tb\\x7f\", 30);"
                    "bad = textmask(\"\\xff\", 30); fffd = textmask(\"\xEF\xBF\xBD\", 30);"
                    "cut = textmask(\"\\xe2\\x82\", 30); two = textmask(\"\xEF\xBF\xBD\xEF\xBF\xBD\", 30);"
                    "frac = textmask(\"H\", 30.5);"),
              "");
    Mask H = MaskOf(s.Global("H")), g = MaskOf(s.Global("g")), e = MaskOf(s.Global("e"));
    // One line height and baseline for every text at a size.
    EXPECT_GE(H.height, 30);
    EXPECT_LT(H.height, 45);
    EXPECT_GT(H.descent, 0);
    EXPECT_LT(H.descent, H.height / 2);
    EXPECT_EQ(g.height, H.height);
    EXPECT_EQ(g.descent, H.descent);
    EXPECT_EQ(e.width, 0);
    EXPECT_EQ(e.height, H.height);
    EXPECT_EQ(e.bits, "");
    EXPECT_GE(MaskOf(s.Global("frac")).height, H.height) << "sizes between whole pixels";
    Mask big = MaskOf(s.Global("big"));
    EXPECT_GT(big.height, 2 * H.height - 3);
    EXPECT_GT(big.width, 2 * H.width - 3);
    // The width is the advance: two i are twice one.
    EXPECT_EQ(MaskOf(s.Global("ii")).width, 2 * MaskOf(s.Global("i")).width);
    // H stands on the baseline: its lowest ink is the row just above it.
    for (int r = 0; r < H.descent; r++) EXPECT_FALSE(H.RowInked(r)) << "row " << r;
    EXPECT_TRUE(H.RowInked(H.descent));
    EXPECT_FALSE(H.RowInked(H.height - 1)) << "room above a capital";
    bool below = false;
    for (int r = 0; r < g.descent; r++) below |= g.RowInked(r);
    EXPECT_TRUE(below) << "g's descender";
    // Control characters take no room; a byte that starts no character is
    // U+FFFD, and each byte of a cut sequence is one.
    EXPECT_EQ(MaskOf(s.Global("ctl")).bits, MaskOf(s.Global("ab")).bits);
    EXPECT_EQ(MaskOf(s.Global("bad")).bits, MaskOf(s.Global("fffd")).bits);
    EXPECT_GT(MaskOf(s.Global("fffd")).width, 0);
    EXPECT_EQ(MaskOf(s.Global("cut")).bits, MaskOf(s.Global("two")).bits);
}

TEST(TextMask, Utf8DecodesWellFormedSequencesAndReplacesEachBadByte) {
    struct Case {
        std::string bytes;
        std::vector<char32_t> want;
    } cases[] = {
        {"A\x7f", {'A', 0x7F}},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", {0xE9, 0x20AC, 0x1F600}},
        {"\x80x", {0xFFFD, 'x'}},                           // a stray continuation byte
        {"\xC0\xAF", {0xFFFD, 0xFFFD}},                     // overlong
        {"\xE0\x80\xAF", {0xFFFD, 0xFFFD, 0xFFFD}},         // overlong, three bytes
        {"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},         // a surrogate
        {"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // past U+10FFFF
        {"\xF0\x9F\x98", {0xFFFD, 0xFFFD, 0xFFFD}},         // cut at the end
        {"\xE2(\xA1", {0xFFFD, '(', 0xFFFD}},
        {std::string("a\0b", 3), {'a', 0, 'b'}},
    };
    for (const Case& c : cases) {
        std::vector<char32_t> got;
        for (size_t at = 0; at < c.bytes.size();) got.push_back(vesk::text::NextCharacter(c.bytes, &at));
        EXPECT_EQ(got, c.want) << testing::PrintToString(c.bytes);
    }
}

TEST(TextMask, AbsurdArgumentsAreErrors) {
    Script s;
    const struct {
        const char* call;
        const char* errors;
    } cases[] = {
        {"textmask(\"a\", 0)", "error 6\n"},
        {"textmask(\"a\", -12)", "error 6\n"},
        {"textmask(\"a\", sqrt(-1))", "error 6\n"},
        {"textmask(\"a\", 1e308 * 10)", "error 6\n"},
        {"textmask(\"a\", 1025)", "error 6\n"},
        {"textmask(\"a\", \"12\")", "error 4\n"},
        {"textmask(12, 12)", "error 4\n"},
        {"textmask(\"a\")", "error 7\n"},
        {"colormap(\"nope\", 0.5)", "error 6\n"},
        {"colormap(\"Viridis\", 0.5)", "error 6\n"},
        {"colormap(\"viridis\", sqrt(-1))", "error 6\n"},
        {"colormap(\"viridis\", \"0.5\")", "error 4\n"},
        {"colormap(3, 0.5)", "error 4\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(s.Run(std::string("r = ") + c.call + ";"), c.errors) << c.call;
    }
    // A mask wider than any device is refused before its bits are made, and
    // a long text stops being measured there.
    EXPECT_EQ(s.Run("w = \"W\"; for (i = 0; i < 22; i = i + 1) { w = w + w; } r = textmask(w, 1024);"), "error 12\n");
    EXPECT_EQ(s.Run("r = textmask(w, 1);"), "error 12\n");
    EXPECT_EQ(s.Run("r = textmask(\"WWWW\", 1024); n = len(r[2]);"), "");
    EXPECT_EQ(s.Global("n").GetLongNumb(), MaskOf(s.Global("r")).height * 4 * ((MaskOf(s.Global("r")).width + 31) / 32));
}

// Pixels of an MBmp, top row first.
struct Picture {
    vesk::PictureView view;
    const unsigned char* At(int x, int y) const { return view.rgb + 3 * (size_t(y) * view.width + x); }
    bool Inked(int x, int y) const { return At(x, y)[0] || At(x, y)[1] || At(x, y)[2]; }
    bool RowInked(int y) const {
        for (int x = 0; x < view.width; x++)
            if (Inked(x, y)) return true;
        return false;
    }
};

Picture PictureIn(const Variable& object) {
    Picture p{};
    EXPECT_TRUE(vesk::PictureOf(object, &p.view));
    return p;
}

TEST(DrawText, BaselineRowBlendingAndClipping) {
    Harness h;
    Variable H = h.New("MBmp", {Int(80), Int(60)}), g = h.New("MBmp", {Int(80), Int(60)});
    h.Call(H, "DrawText", {Int(10), Int(40), Str("H"), Int(30), Int(255), Int(255), Int(255)});
    h.Call(g, "DrawText", {Int(10), Int(40), Str("g"), Int(30), Int(255), Int(255), Int(255)});
    ASSERT_TRUE(h.Errors().empty());
    Picture ph = PictureIn(H), pg = PictureIn(g);
    // The baseline runs along the top of row 40: H ends in row 39, g goes below.
    EXPECT_TRUE(ph.RowInked(39));
    for (int y = 40; y < 60; y++) EXPECT_FALSE(ph.RowInked(y)) << "row " << y;
    EXPECT_TRUE(pg.RowInked(40) && pg.RowInked(44));
    EXPECT_FALSE(ph.RowInked(40 - 30)) << "a capital is lower than the size";
    int left = 80;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 80; x++)
            if (ph.Inked(x, y)) left = std::min(left, x);
    EXPECT_GE(left, 10);
    EXPECT_LE(left, 14) << "H starts at x, after its small side bearing";

    // Coverage moves each pixel from the background toward the colour: the
    // stem is the colour itself, its edges lie between.
    Variable b = h.New("MBmp", {Int(80), Int(60)});
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 80; x++) h.Call(b, "SetPixel", {Int(x), Int(y), Int(100), Int(100), Int(100)});
    h.Call(b, "DrawText", {Int(10), Int(40), Str("Og"), Int(30), Int(200), Int(0), Int(300)});
    Picture pb = PictureIn(b);
    int full = 0, between = 0, astray = 0;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 80; x++) {
            // At coverage a: red 100 + 100a, green 100 - 100a, blue 100 + 155a.
            int r = pb.At(x, y)[0], g = pb.At(x, y)[1], bl = pb.At(x, y)[2];
            full += r == 200 && g == 0 && bl == 255;
            between += r > 100 && r < 200;
            astray += r < 100 || r > 200 || std::abs(r + g - 200) > 1 || bl < r - 1;
        }
    EXPECT_GT(full, 20);
    EXPECT_GT(between, 20) << "antialiased edges";
    EXPECT_EQ(astray, 0) << "pixels off the way from the background to the colour";

    // Text across the edges draws what falls on the picture: the same pixels
    // as a larger picture holds there. Text far off draws nothing.
    Variable wide = h.New("MBmp", {Int(60), Int(40)}), c = h.New("MBmp", {Int(20), Int(20)});
    h.Call(wide, "DrawText", {Int(10), Int(25), Str("MW"), Int(30), Int(255), Int(255), Int(255)});
    h.Call(c, "DrawText", {Int(-8), Int(15), Str("MW"), Int(30), Int(255), Int(255), Int(255)});
    h.Call(c, "DrawText", {Int(INT_MAX), Int(INT_MIN), Str("MW"), Int(30), Int(255), Int(255), Int(255)});
    h.Call(c, "DrawText", {Int(INT_MIN), Int(INT_MAX), Str("MW"), Int(30), Int(255), Int(255), Int(255)});
    h.Call(c, "DrawText", {Num(1e300), Num(-1e300), Str("\xff\xfe"), Int(1024), Int(255), Int(255), Int(255)});
    EXPECT_TRUE(h.Errors().empty());
    Picture pw = PictureIn(wide), pc = PictureIn(c);
    int inked = 0, differ = 0;
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 20; x++) {
            inked += pc.Inked(x, y);
            differ += pc.At(x, y)[1] != pw.At(x + 18, y + 10)[1];
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(differ, 0);
    h.Call(c, "DrawText", {Int(0), Int(0), Str("a"), Int(0), Int(1), Int(1), Int(1)});
    h.Call(c, "DrawText", {Int(0), Int(0), Str("a"), Int(1025), Int(1), Int(1), Int(1)});
    h.Call(c, "DrawText", {Num(NAN), Int(0), Str("a"), Int(10), Int(1), Int(1), Int(1)});
    EXPECT_EQ(h.Errors(), (std::vector<int>{6, 6, 6}));
}

TEST(GetPicture, CopiesTheDevicesPixelsTopRowFirst) {
    Script s;
    ASSERT_EQ(s.Run("dc = new MDC(40, 30); gl = new VOpenGL(); gl->Open(dc); gl->SetViewPort(0, 0, 40, 30);"
                    "gl->SetClipping(-1, 1, -1, 1, 1, 10); gl->SetViewerPos(0, 0, 5, 0, 0, 0, 0, 1, 0);"
                    "gl->Clear(); gl->SetColor(1, 0, 0, 1);"
                    "gl->Put2bBitmap(-5, -5, 0, 3, 2, \"\\xe0\\x00\\x00\\x00\\xe0\\x00\\x00\\x00\");"  // 3 x 2 at the lower left
                    "p = dc->GetPicture(); w = p->GetWidth(); h = p->GetHeight();"
                    "p->DrawText(0, 20, \"x\", 20, 0, 0, 255); q = dc->GetPicture();"
                    "off = new MDC(8, 8); try { r = off->GetPicture(); } catch (e) { err = e[0][0]; }"),
              "");
    EXPECT_EQ(s.Global("w").GetLongNumb(), 40);
    EXPECT_EQ(s.Global("h").GetLongNumb(), 30);
    Picture p = PictureIn(s.Global("p")), q = PictureIn(s.Global("q"));
    EXPECT_EQ(p.At(0, 29)[0], 255);
    EXPECT_EQ(p.At(2, 28)[0], 255);
    EXPECT_EQ(p.At(3, 29)[0], 0);
    EXPECT_EQ(p.At(0, 27)[0], 0);
    EXPECT_EQ(p.At(0, 0)[0], 0) << "the lowest row is the picture's last";
    EXPECT_TRUE(p.RowInked(15));
    EXPECT_FALSE(q.RowInked(15)) << "a picture is a copy: drawing on it leaves the device";
    EXPECT_EQ(s.Global("err").GetLongNumb(), 15) << "a device nothing was opened on has no pixels";
}

TEST(ColorMap, PublishedValuesEndpointsAndClamping) {
    Script s;
    const struct {
        const char* call;
        double r, g, b;
    } cases[] = {
        {"colormap(\"viridis\", 0)", 0.267004, 0.004874, 0.329415},
        {"colormap(\"viridis\", 128 / 255.0)", 0.127568, 0.566949, 0.550556},
        {"colormap(\"viridis\", 1)", 0.993248, 0.906157, 0.143936},
        {"colormap(\"viridis\", 0.5 / 255)", (0.267004 + 0.26851) / 2, (0.004874 + 0.009605) / 2,
         (0.329415 + 0.335427) / 2},
        {"colormap(\"plasma\", 0)", 0.050383, 0.029803, 0.527975},
        {"colormap(\"plasma\", 1)", 0.940015, 0.975158, 0.131326},
        {"colormap(\"inferno\", 128 / 255.0)", 0.735683, 0.215906, 0.330245},
        {"colormap(\"inferno\", 1)", 0.988362, 0.998364, 0.644924},
        {"colormap(\"magma\", 0)", 0.001462, 0.000466, 0.013866},
        {"colormap(\"magma\", 1)", 0.987053, 0.991438, 0.749504},
        {"colormap(\"cividis\", 0)", 0.0, 0.135112, 0.304751},
        {"colormap(\"cividis\", 1)", 0.995737, 0.909344, 0.217772},
        {"colormap(\"coolwarm\", 0)", 0.2298057, 0.298717966, 0.753683153},
        {"colormap(\"coolwarm\", 0.5)", 0.865395197, 0.86541021, 0.865395561},
        {"colormap(\"coolwarm\", 1)", 0.705673158, 0.01555616, 0.150232812},
        {"colormap(\"gray\", 0.3)", 0.3, 0.3, 0.3},
        {"colormap(\"gray\", 1)", 1, 1, 1},
        // Outside 0 … 1 the ends hold.
        {"colormap(\"viridis\", -0.5)", 0.267004, 0.004874, 0.329415},
        {"colormap(\"magma\", 7)", 0.987053, 0.991438, 0.749504},
        {"colormap(\"coolwarm\", -1e300 * 1e300)", 0.2298057, 0.298717966, 0.753683153},
        {"colormap(\"gray\", 2147483647)", 1, 1, 1},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(s.Run(std::string("r = ") + c.call + ";"), "") << c.call;
        Variable& r = s.Global("r");
        ASSERT_TRUE(r.type == VT_VECTOR && r.data.vec->count == 3) << c.call;
        EXPECT_NEAR(r[0].GetDoubleNumb(), c.r, 1e-9) << c.call;
        EXPECT_NEAR(r[1].GetDoubleNumb(), c.g, 1e-9) << c.call;
        EXPECT_NEAR(r[2].GetDoubleNumb(), c.b, 1e-9) << c.call;
    }
}

}  // namespace
