// The script methods of bitmaps and pixel transfer.
#include <cstdint>

#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

constexpr long kMaxRasterSide = OglCanvas::kMaxRasterSide;

// A picture to draw: where, its size and its pixel block.
struct Picture {
    Point3 at = {0, 0, 0};
    int width = 0, height = 0;
    unsigned char* block = nullptr;
};

// Error 8 for a picture or mask with a side longer than can be drawn.
bool RasterTooLarge(const char* method, long w, long h) {
    return SizeError("%s: %ld x %ld pixels; at most %ld pixels a side can be drawn", method, w, h, kMaxRasterSide);
}

// Asks the bitmap (the last argument) for its width, height and pixel block
// through its own methods; each reply lands in the result register, which
// keeps the block. False when there is nothing to draw: no block, a negative
// size, or a block shorter than 3 bytes a pixel or, when `maxSide` is given,
// a side longer than it (error 8).
bool FetchBitmap(VarRegister* result, VarRegister* args, int count, Processor* p, const char* method,
                 long maxSide, Picture* out) {
    if (count < 2 || !result) return false;
    Variable& bitmap = VectorArg(args, count, count - 2);
    p->RunMethod(result, "GetWidth", nullptr, 0, &bitmap);
    long w = ClampToInt(result->designated()->GetLongNumb());
    p->RunMethod(result, "GetHeight", nullptr, 0, &bitmap);
    long h = ClampToInt(result->designated()->GetLongNumb());
    p->RunMethod(result, "GetDIBits", nullptr, 0, &bitmap);
    Variable* block = result->designated();
    out->block = static_cast<unsigned char*>(block->GetData());
    if (!out->block || w < 0 || h < 0 || !SizesFit(w * h <= block->GetDataSize() / 3)) return false;
    if (maxSide && (w > maxSide || h > maxSide)) return RasterTooLarge(method, w, h);
    out->width = static_cast<int>(w);
    out->height = static_cast<int>(h);
    out->at = PositionAt(args, count, count == 3);
    return true;
}

// (x, y, z, bitmap) or (POINT3, bitmap), as PutBitmap.
void DrawBitmap(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    Picture pic;
    if (gl && FetchBitmap(result, args, count, p, "DrawBitmap", 0, &pic))
        gl->Canvas().DrawBitmap(pic.at.x, pic.at.y, pic.at.z, pic.width, pic.height, pic.block);
}

void PutBitmap(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    Picture pic;
    if (gl && FetchBitmap(result, args, count, p, "PutBitmap", kMaxRasterSide, &pic))
        gl->Canvas().PutBitmap(pic.at.x, pic.at.y, pic.at.z, pic.width, pic.height, pic.block);
}

// (x, y, z, width, height, bits) or (POINT3, width, height, bits). The
// String must hold height rows of the width in bits, each padded to 4 bytes,
// and the sides be drawable (error 8 otherwise); negative sizes draw nothing.
void Put2bBitmap(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl || count < 2) return;
    Point3 at = PositionAt(args, count, count == 5);
    int sizes = count == 5 ? 1 : 3;
    long w = IntAt(args, count, sizes), h = IntAt(args, count, sizes + 1);
    Variable& bits = VectorArg(args, count, count - 2);
    auto* data = static_cast<const unsigned char*>(bits.GetData());
    if (w < 0 || h < 0) return;
    long rowBytes = (w + 31) / 32 * 4;
    if (!SizesFit(data && h * rowBytes <= bits.GetDataSize())) return;
    if (w > kMaxRasterSide || h > kMaxRasterSide) return void(RasterTooLarge("Put2bBitmap", w, h));
    gl->Canvas().Put2bBitmap(at.x, at.y, at.z, static_cast<int>(w), static_cast<int>(h), data);
}

// A block of 3 x width x height bytes must be countable in 64 bits (error 8);
// one the host cannot allocate is the host's error.
void GetDIBits(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    int w = ClampToInt(IntArg(args[2])), h = ClampToInt(IntArg(args[3]));
    if (w > 0 && h > 0 && int64_t(w) * h > INT64_MAX / 3)
        return void(SizeError("GetDIBits: %d x %d pixels are more than a pixel block can hold", w, h));
    int deviceWidth, deviceHeight;
    OglContext::CurrentDeviceSize(&deviceWidth, &deviceHeight);
    gl->Canvas().GetDIBits(NumberArg(args[0]), NumberArg(args[1]), w, h, deviceWidth, deviceHeight,
                           *ResultTarget(result));
}

const ModuleRow rows[] = {
    {65, Put2bBitmap, "VOpenGL::Put2bBitmap(number, number, number, int, int, refer object String)"},
    {66, Put2bBitmap, "VOpenGL::Put2bBitmap(refer object POINT3, int, int, refer object String)"},
    {67, PutBitmap, "VOpenGL::PutBitmap(number, number, number, refer object MBmp)"},
    {68, PutBitmap, "VOpenGL::PutBitmap(refer object POINT3, refer object MBmp)"},
    {69, GetDIBits, "VOpenGL::GetDIBits(number, number, int, int)"},
    {70, DrawBitmap, "VOpenGL::DrawBitmap(number, number, number, refer object MBmp)"},
    {71, DrawBitmap, "VOpenGL::DrawBitmap(refer object POINT3, refer object MBmp)"},
};

}  // namespace

RowList BitmapRows() { return Rows(rows); }
