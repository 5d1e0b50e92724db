// Pixels between host bitmaps and the frame buffer: a bitmap as textured
// tiles in the scene, a bitmap or a one-bit mask at a raster position, and a
// rectangle of the frame buffer read back.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "geometry/canvas.h"
#include "geometry/readback.h"
#include "module/rules.h"

namespace {

constexpr int kTile = 256;                       // side of the staging texture
constexpr long kStageBytes = kTile * kTile * 4;  // room for RGBA, as allocated

// Blue-green-red pixels to red-green-blue, or back: bytes 0 and 2 of each
// 3-byte pixel exchanged.
void SwapRedBlue(unsigned char* block, long pixels) {
    for (long i = 0; i < pixels; i++) std::swap(block[3 * i], block[3 * i + 2]);
}

// The default 2D texture made 256 x 256 from the zeroed staging buffer, with
// clamped edges and nearest sampling.
void SpecifyStagingTexture(const unsigned char* zeros) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTile, kTile, 0, GL_RGB, GL_UNSIGNED_BYTE, zeros);
}

// One tile of tw x th pixels at column c, row r of the picture: its rows
// packed into the staging buffer, loaded, and drawn as one textured quad.
struct Tiler {
    float x, y, z;
    int64_t width;
    const unsigned char* block;
    unsigned char* stage;

    void Draw(int64_t c, int64_t r, int tw, int th) const {
        for (int j = 0; j < th; j++)
            std::memcpy(stage + 3L * tw * j, block + 3 * ((r + j) * width + c), 3L * tw);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, tw, th, GL_RGB, GL_UNSIGNED_BYTE, stage);
        float s = tw / float(kTile), t = th / float(kTile);
        float x0 = x + c, x1 = x + c + tw, y0 = y + r, y1 = y + r + th;
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(x0, y0, z);
        glTexCoord2f(s, 0);
        glVertex3f(x1, y0, z);
        glTexCoord2f(s, t);
        glVertex3f(x1, y1, z);
        glTexCoord2f(0, t);
        glVertex3f(x0, y1, z);
        glEnd();
    }
};

}  // namespace

// Bands of at most 256 rows from the lowest row up, each cut into pieces of
// at most 256 columns from the left. Under lighting, colour-material
// tracking with white keeps the picture's own colours.
void OglCanvas::DrawBitmap(float x, float y, float z, int width, int height, unsigned char* block) const {
    if (!bound_) return;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    bool lit = switches_.lightEnabled != 0;
    bool hadColorMaterial = lit && glIsEnabled(GL_COLOR_MATERIAL);
    if (lit) {
        if (!hadColorMaterial) {
            glEnable(GL_COLOR_MATERIAL);
            glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        }
        glColor4f(1, 1, 1, 1);
    }
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    std::unique_ptr<unsigned char[]> stage(new (std::nothrow) unsigned char[kStageBytes]());
    if (stage) {
        SpecifyStagingTexture(stage.get());
        SwapRedBlue(block, static_cast<long>(width) * height);
        glNormal3f(0, 0, 1);
        Tiler tiler{x, y, z, width, block, stage.get()};
        for (int64_t r = 0; r < height; r += kTile)
            for (int64_t c = 0; c < width; c += kTile)
                tiler.Draw(c, r, static_cast<int>(std::min<int64_t>(kTile, width - c)),
                           static_cast<int>(std::min<int64_t>(kTile, height - r)));
    }
    glDisable(GL_TEXTURE_2D);
    if (lit && !hadColorMaterial) glDisable(GL_COLOR_MATERIAL);
}

void OglCanvas::PutBitmap(float x, float y, float z, int width, int height, unsigned char* block) const {
    if (!bound_) return;
    glRasterPos3f(x, y, z);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    SwapRedBlue(block, static_cast<long>(width) * height);
    glDrawPixels(width, height, GL_RGB, GL_UNSIGNED_BYTE, block);
}

// Rows padded to 4 bytes; the alignment stays 4 and the raster position
// moves on by the width.
void OglCanvas::Put2bBitmap(float x, float y, float z, int width, int height,
                            const unsigned char* bits) const {
    if (!bound_) return;
    glRasterPos3f(x, y, z);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBitmap(width, height, 0, 0, static_cast<float>(width), 0, bits);
}

// Negative sizes read nothing and leave the target as it was (the handler
// has checked that 3 x width x height fits in 64 bits). The block always has
// the size asked for; only the part of the rectangle that lies on the
// current device is read, in 64-bit arithmetic, so OpenGL never sees a
// rectangle whose edges overflow, and pixels off the device are 0 (black).
void OglCanvas::GetDIBits(float x, float y, int width, int height, int deviceWidth, int deviceHeight,
                          Variable& target) const {
    if (!bound_ || width < 0 || height < 0) return;
    int64_t pixels = int64_t(width) * height;
    target.Init(VT_DATA, 3 * pixels);
    auto* buffer = static_cast<unsigned char*>(target.GetData());
    if (!buffer) return;
    int64_t x0 = rules::Trunc(x), y0 = rules::Trunc(y);
    int64_t left = std::max<int64_t>(x0, 0), right = std::min<int64_t>(x0 + width, deviceWidth);
    int64_t bottom = std::max<int64_t>(y0, 0), top = std::min<int64_t>(y0 + height, deviceHeight);
    bool whole = left == x0 && bottom == y0 && right == x0 + width && top == y0 + height;
    if (!whole) std::memset(buffer, 0, 3 * pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (whole) {
        ReadShownPixels(static_cast<int>(x0), static_cast<int>(y0), width, height, buffer);
    } else if (left < right && bottom < top) {
        // Rows of the block are `width` pixels long; the part read starts
        // (left - x0, bottom - y0) pixels into it.
        unsigned char* part = buffer + 3 * ((bottom - y0) * width + (left - x0));
        bool narrower = right - left < width;
        if (narrower) glPixelStorei(GL_PACK_ROW_LENGTH, width);
        ReadShownPixels(static_cast<int>(left), static_cast<int>(bottom), static_cast<int>(right - left),
                        static_cast<int>(top - bottom), part);
        if (narrower) glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    }
    SwapRedBlue(buffer, pixels);
}
