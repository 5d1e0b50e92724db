// The host class MBmp: a picture loaded from a PNG or made blank, handed to
// the module as packed blue-green-red rows, lowest row first.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "vesk/values/budget.h"
#include "vesk/classes/host_classes.h"
#include "vesk/classes/picture.h"
#include "vesk/classes/png_io.h"
#include "vesk/classes/text.h"
#include "vesk/values/runtime.h"

namespace vesk {

namespace {

// Pixels top row first, 3 bytes red, green, blue each, charged to the
// memory budget while the picture lives.
struct Bitmap : VeskAss {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    Reservation charge;
};

uint64_t PictureBytes(uint64_t w, uint64_t h) { return w * h * 3; }

Bitmap* BitmapOf(VarRegister* args, int count) {
    VObject* o = SelfOf(args, count).GetVObject();
    return o ? dynamic_cast<Bitmap*>(o->GetAss()) : nullptr;
}

// The object takes the picture; one that cannot goes here, as does one
// whose making failed (an allocation that throws included).
void Adopt(std::unique_ptr<Bitmap> b, VarRegister* args, int count, Processor* p) {
    if (b->Join(&SelfOf(args, count), p)) b.release();
}

// The header is read and the picture's size weighed before its pixels are
// allocated.
void NewFromFile(VarRegister*, VarRegister* args, int count, Processor* p) {
    PngReader png;
    std::string why;
    if (!png.Open(std::string(StringOf(ArgOf(args, 0))), &why)) {
        Error(VE_FILE, why);
        return;
    }
    auto b = std::make_unique<Bitmap>();
    b->width = png.Width();
    b->height = png.Height();
    if (!b->charge.Take(PictureBytes(b->width, b->height), "a picture")) return;
    b->rgb.assign(PictureBytes(b->width, b->height), 0);
    if (!png.Read(b->rgb.data(), &why)) {
        Error(VE_FILE, why);
        return;
    }
    Adopt(std::move(b), args, count, p);
}

void NewBlank(VarRegister*, VarRegister* args, int count, Processor* p) {
    long w = ArgOf(args, 0).GetLongNumb(), h = ArgOf(args, 1).GetLongNumb();
    if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide || w * h * 3 > Limits().dataSize) {
        Error(VE_LIMIT, "new MBmp(" + Format(ArgOf(args, 0)) + ", " + Format(ArgOf(args, 1)) +
                            "): sides of 1 to " + std::to_string(kMaxImageSide) +
                            " pixels are possible, at most " + std::to_string(Limits().dataSize / 3) +
                            " pixels in all");
        return;
    }
    auto b = std::make_unique<Bitmap>();
    if (!b->charge.Take(PictureBytes(w, h), "a picture")) return;
    b->width = static_cast<int>(w);
    b->height = static_cast<int>(h);
    b->rgb.assign(static_cast<size_t>(w) * h * 3, 0);
    Adopt(std::move(b), args, count, p);
}

void Delete(VarRegister*, VarRegister* args, int count, Processor*) {
    if (Bitmap* b = BitmapOf(args, count)) {
        b->BreakJoint();
        delete b;
    }
}

void GetWidth(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (Bitmap* b = BitmapOf(args, count)) *result->designated() = b->width;
}

void GetHeight(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (Bitmap* b = BitmapOf(args, count)) *result->designated() = b->height;
}

// Packed blue-green-red rows, lowest row first.
void GetDIBits(VarRegister* result, VarRegister* args, int count, Processor*) {
    Bitmap* b = BitmapOf(args, count);
    if (!b) return;
    Variable block;
    block.Init(VT_DATA, static_cast<long>(b->rgb.size()));
    auto* out = static_cast<unsigned char*>(block.GetData());
    if (!out) return;
    size_t row = static_cast<size_t>(b->width) * 3;
    for (int y = 0; y < b->height; y++) {
        const unsigned char* src = &b->rgb[(b->height - 1 - y) * row];
        unsigned char* dst = out + y * row;
        for (size_t x = 0; x < row; x += 3) {
            dst[x] = src[x + 2];
            dst[x + 1] = src[x + 1];
            dst[x + 2] = src[x];
        }
    }
    SetResult(result, block);
}

// SetPixel(x, y, r, g, b): x from the left, y from the top, components 0..255.
void SetPixel(VarRegister*, VarRegister* args, int count, Processor*) {
    Bitmap* b = BitmapOf(args, count);
    if (!b) return;
    double x = ArgOf(args, 0).GetDoubleNumb(), y = ArgOf(args, 1).GetDoubleNumb();
    if (!(x >= 0 && y >= 0 && x < b->width && y < b->height)) {  // NaN is outside too
        Error(VE_INDEX, "pixel (" + Format(ArgOf(args, 0)) + ", " + Format(ArgOf(args, 1)) +
                            ") is outside the " + std::to_string(b->width) + " x " +
                            std::to_string(b->height) + " bitmap");
        return;
    }
    unsigned char* p = &b->rgb[(static_cast<size_t>(y) * b->width + static_cast<size_t>(x)) * 3];
    for (int i = 0; i < 3; i++) {
        long v = ArgOf(args, 2 + i).GetLongNumb();
        p[i] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}

// DrawText(x, y, text, size, r, g, b): antialiased text in the default
// font, (x, y) the left end of its baseline with y from the top row.
void DrawText(VarRegister*, VarRegister* args, int count, Processor*) {
    Bitmap* b = BitmapOf(args, count);
    if (!b) return;
    double x = ArgOf(args, 0).GetDoubleNumb(), y = ArgOf(args, 1).GetDoubleNumb();
    double size = ArgOf(args, 3).GetDoubleNumb();
    if (std::isnan(x) || std::isnan(y)) return void(Error(VE_BAD_ARGUMENT, "DrawText: x and y must be numbers, not NaN"));
    if (!(size >= text::kMinSize && size <= text::kMaxSize))
        return void(Error(VE_BAD_ARGUMENT, "DrawText: the size " + Format(ArgOf(args, 3)) +
                                               " is not a pixel height from 1 to 1024"));
    unsigned char color[3];
    for (int i = 0; i < 3; i++) color[i] = static_cast<unsigned char>(std::clamp(ArgOf(args, 4 + i).GetLongNumb(), 0L, 255L));
    std::string why;
    if (!text::DrawOnPicture(b->rgb.data(), b->width, b->height, ArgOf(args, 0).GetLongNumb(),
                             ArgOf(args, 1).GetLongNumb(), StringOf(ArgOf(args, 2)), std::trunc(size), color, &why))
        Error(VE_FILE, "DrawText: " + why);
}

void SaveAs(VarRegister*, VarRegister* args, int count, Processor*) {
    Bitmap* b = BitmapOf(args, count);
    if (!b) return;
    std::string why;
    if (!WritePng(std::string(StringOf(ArgOf(args, 0))), b->width, b->height, b->rgb.data(), &why))
        Error(VE_FILE, why);
}

const MethodRecord rows[] = {
    {NewFromFile, "MBmp::MBmp(refer object String)"},
    {NewBlank, "MBmp::MBmp(int, int)"},
    {Delete, "MBmp::~MBmp(void)"},
    {GetWidth, "MBmp::GetWidth(void)"},
    {GetHeight, "MBmp::GetHeight(void)"},
    {GetDIBits, "MBmp::GetDIBits(void)"},
    {SetPixel, "MBmp::SetPixel(int, int, int, int, int)"},
    {SaveAs, "MBmp::SaveAs(refer object String)"},
    {DrawText, "MBmp::DrawText(int, int, refer object String, int, int, int, int)"},
    {nullptr, nullptr},
};

}  // namespace

bool RegisterBitmapClass(std::string* why) { return RegisterHostRows(rows, why); }

bool PictureOf(const Variable& object, PictureView* view) {
    VObject* o = object.GetVObject();
    auto* b = o ? dynamic_cast<Bitmap*>(o->GetAss()) : nullptr;
    if (!b) return false;
    *view = PictureView{b->width, b->height, b->rgb.data()};
    return true;
}

}  // namespace vesk
