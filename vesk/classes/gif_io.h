// Animated GIF files through giflib: pictures of 8-bit RGB reduced to a
// palette of at most 256 colours each, written frame by frame to a stream as
// they come, so that a long animation never holds more than one frame.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct GifFileType;

namespace vesk {

// A picture reduced to a palette: one index a pixel, rows top row first.
struct PalettePicture {
    std::vector<uint8_t> palette;  // red, green, blue an entry; 1 to 256 entries
    std::vector<uint8_t> index;    // width x height entries
};

// Reduces `pixels` RGB pixels to a palette of their own. A picture of 256
// colours or fewer keeps them exactly; one of more is cut down by median
// cut: the box of colours with the largest squared error (weighted by how
// many pixels have each colour) is halved at its weighted median along its
// widest channel until there are 256 boxes, each entry is the mean of its
// box, and every pixel takes the nearest entry.
void Quantize(const uint8_t* rgb, uint64_t pixels, PalettePicture* out);

// Bytes Quantize may hold at once for a picture of `pixels` pixels, for the
// memory budget.
uint64_t QuantizeBytes(uint64_t pixels);

// The delay between frames in hundredths of a second for `fps` frames a
// second: 100 / fps rounded to the nearest hundredth, halves up. 0 when fps
// is not from kMinFps to kMaxFps (NaN and infinities included), whose
// delays 65535 and 1 are the longest and shortest a GIF can hold.
constexpr double kMinFps = 100.0 / 65535.0;
constexpr double kMaxFps = 200.0;
int GifDelay(double fps);

// Writes an animated GIF89a that plays in a loop forever: the logical screen
// and the NETSCAPE2.0 looping block with the first frame, each frame with
// its delay and its own palette (the first frame's is also the global one).
class GifWriter {
public:
    GifWriter() = default;
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    // Starts a file of width x height pixels on `out`, which the writer
    // uses until Finish or Discard.
    bool Start(std::FILE* out, int width, int height, int delay, std::string* why);
    bool AddFrame(const PalettePicture& picture, std::string* why);
    // Writes the end of the file; the stream's own errors are the caller's.
    bool Finish(std::string* why);
    // Ends the encoder without writing anything more.
    void Discard();
    bool Started() const { return gif_ != nullptr; }

private:
    static int Output(GifFileType* gif, const uint8_t* bytes, int size);
    bool Failed(const char* what, int error, std::string* why);

    GifFileType* gif_ = nullptr;
    std::FILE* out_ = nullptr;
    int width_ = 0, height_ = 0, delay_ = 0;
    bool first_ = true;
    std::vector<uint8_t> row_;
};

}  // namespace vesk
