// The median-cut palette and the GIF writer over giflib's encoder, which
// writes through a callback to the stream it is given.
#include "vesk/classes/gif_io.h"

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace vesk {

namespace {

constexpr int kPaletteSize = 256;

struct Colour {
    uint32_t rgb;    // red << 16 | green << 8 | blue
    uint32_t count;  // pixels of this colour
    uint8_t entry;   // its palette entry
};

int Channel(uint32_t rgb, int c) { return (rgb >> (16 - 8 * c)) & 0xFF; }

// A range of the colour list, the error of replacing it by its mean, and the
// channel along which it spreads most.
struct Box {
    size_t begin, end;
    double error = 0;
    int channel = 0;
    double mean[3] = {0, 0, 0};
};

void Measure(const std::vector<Colour>& colours, Box* box) {
    double n = 0, sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0};
    for (size_t i = box->begin; i < box->end; i++) {
        double w = colours[i].count;
        n += w;
        for (int c = 0; c < 3; c++) {
            double v = Channel(colours[i].rgb, c);
            sum[c] += w * v;
            squares[c] += w * v * v;
        }
    }
    box->error = 0;
    double widest = -1;
    for (int c = 0; c < 3; c++) {
        box->mean[c] = sum[c] / n;
        double spread = squares[c] - sum[c] * box->mean[c];  // n x the variance
        box->error += spread;
        if (spread > widest) widest = spread, box->channel = c;
    }
    if (box->end - box->begin < 2) box->error = 0;  // one colour cannot be cut
}

// Halves `box` at the weighted median of its widest channel; the upper half
// goes to `upper`.
void Cut(std::vector<Colour>& colours, Box* box, Box* upper) {
    int c = box->channel;
    auto first = colours.begin() + static_cast<long>(box->begin), last = colours.begin() + static_cast<long>(box->end);
    std::sort(first, last, [c](const Colour& a, const Colour& b) {
        int x = Channel(a.rgb, c), y = Channel(b.rgb, c);
        return x != y ? x < y : a.rgb < b.rgb;
    });
    uint64_t total = 0, below = 0;
    for (auto i = first; i != last; ++i) total += i->count;
    size_t at = box->begin + 1;  // both halves keep a colour at least
    for (size_t i = box->begin; i + 1 < box->end; i++) {
        below += colours[i].count;
        at = i + 1;
        if (2 * below >= total) break;
    }
    upper->begin = at;
    upper->end = box->end;
    box->end = at;
    Measure(colours, box);
    Measure(colours, upper);
}

// The entry of `palette` nearest to `rgb`; `order` lists the entries by red,
// so that the search stops once red alone is farther than the best.
uint8_t Nearest(uint32_t rgb, const std::vector<uint8_t>& palette, const std::vector<uint8_t>& order) {
    int r = Channel(rgb, 0), g = Channel(rgb, 1), b = Channel(rgb, 2);
    auto red = [&](uint8_t e) { return int(palette[3 * e]); };
    size_t start = std::lower_bound(order.begin(), order.end(), r, [&](uint8_t e, int v) { return red(e) < v; }) -
                   order.begin();
    int best = 1 << 30;
    uint8_t found = order[std::min(start, order.size() - 1)];
    auto consider = [&](uint8_t e) {
        int dr = red(e) - r, dg = palette[3 * e + 1] - g, db = palette[3 * e + 2] - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best) best = d, found = e;
        return dr * dr < best;
    };
    for (size_t i = start; i < order.size() && consider(order[i]); i++) {}
    for (size_t i = start; i-- > 0 && consider(order[i]);) {}
    return found;
}

uint32_t Key(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

}  // namespace

uint64_t QuantizeBytes(uint64_t pixels) { return pixels * (4 + sizeof(Colour) + 1) + 65536; }

void Quantize(const uint8_t* rgb, uint64_t pixels, PalettePicture* out) {
    std::vector<Colour> colours;
    {
        std::vector<uint32_t> keys(pixels);
        for (uint64_t i = 0; i < pixels; i++) keys[i] = Key(rgb + 3 * i);
        std::sort(keys.begin(), keys.end());
        size_t distinct = keys.empty() ? 0 : 1;
        for (size_t i = 1; i < keys.size(); i++) distinct += keys[i] != keys[i - 1];
        colours.reserve(distinct);  // exactly: the budget counts one entry a pixel at most
        for (uint32_t k : keys) {
            if (colours.empty() || colours.back().rgb != k) colours.push_back({k, 0, 0});
            colours.back().count++;
        }
    }
    out->palette.clear();
    if (colours.size() <= kPaletteSize) {
        for (size_t i = 0; i < colours.size(); i++) {
            colours[i].entry = static_cast<uint8_t>(i);
            for (int c = 0; c < 3; c++) out->palette.push_back(static_cast<uint8_t>(Channel(colours[i].rgb, c)));
        }
    } else {
        std::vector<Box> boxes(1, Box{0, colours.size()});
        Measure(colours, &boxes[0]);
        while (boxes.size() < kPaletteSize) {
            auto worst = std::max_element(boxes.begin(), boxes.end(),
                                          [](const Box& a, const Box& b) { return a.error < b.error; });
            if (worst->error <= 0) break;
            Box upper{0, 0};
            Cut(colours, &*worst, &upper);
            boxes.push_back(upper);
        }
        for (const Box& box : boxes)
            for (int c = 0; c < 3; c++) out->palette.push_back(static_cast<uint8_t>(std::lround(box.mean[c])));
        size_t entries = boxes.size();
        std::vector<uint8_t> order(entries);
        for (size_t e = 0; e < entries; e++) order[e] = static_cast<uint8_t>(e);
        std::sort(order.begin(), order.end(), [&](uint8_t a, uint8_t b) { return out->palette[3 * a] < out->palette[3 * b]; });
        for (Colour& colour : colours) colour.entry = Nearest(colour.rgb, out->palette, order);
        std::sort(colours.begin(), colours.end(), [](const Colour& a, const Colour& b) { return a.rgb < b.rgb; });
    }
    out->index.resize(pixels);
    for (uint64_t i = 0; i < pixels; i++) {
        uint32_t k = Key(rgb + 3 * i);
        auto at = std::lower_bound(colours.begin(), colours.end(), k, [](const Colour& c, uint32_t v) { return c.rgb < v; });
        out->index[i] = at->entry;
    }
}

int GifDelay(double fps) {
    if (!(fps >= kMinFps && fps <= kMaxFps)) return 0;  // NaN too
    return std::clamp(static_cast<int>(std::floor(100.0 / fps + 0.5)), 1, 65535);
}

GifWriter::~GifWriter() { Discard(); }

int GifWriter::Output(GifFileType* gif, const uint8_t* bytes, int size) {
    auto* self = static_cast<GifWriter*>(gif->UserData);
    if (!self->out_) return size;  // discarded: nothing more reaches the stream
    return static_cast<int>(std::fwrite(bytes, 1, static_cast<size_t>(size), self->out_));
}

bool GifWriter::Failed(const char* what, int error, std::string* why) {
    // A failed write is the stream's: its reason (a full disk, a file size
    // limit) says more than the encoder's.
    if (out_ && std::ferror(out_) && errno != 0) *why = std::strerror(errno);
    else *why = std::string(what) + ": " + (GifErrorString(error) ? GifErrorString(error) : "unknown error");
    Discard();
    return false;
}

bool GifWriter::Start(std::FILE* out, int width, int height, int delay, std::string* why) {
    Discard();
    int error = 0;
    out_ = out;
    gif_ = EGifOpen(this, Output, &error);
    if (!gif_) return Failed("cannot start the GIF encoder", error, why);
    EGifSetGifVersion(gif_, true);
    width_ = width;
    height_ = height;
    delay_ = delay;
    first_ = true;
    row_.resize(static_cast<size_t>(width));
    return true;
}

bool GifWriter::AddFrame(const PalettePicture& picture, std::string* why) {
    if (!gif_) {
        *why = "the GIF encoder was not started";
        return false;
    }
    int entries = static_cast<int>(picture.palette.size() / 3), size = 2;
    while (size < entries) size *= 2;
    GifColorType colours[kPaletteSize] = {};
    for (int e = 0; e < entries; e++)
        colours[e] = {picture.palette[3 * e], picture.palette[3 * e + 1], picture.palette[3 * e + 2]};
    ColorMapObject* map = GifMakeMapObject(size, colours);
    if (!map) return Failed("cannot make a palette", E_GIF_ERR_NOT_ENOUGH_MEM, why);
    bool ok = true;
    if (first_) {
        // The looping block: loop forever (a count of 0).
        static const uint8_t netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const uint8_t loop[] = {1, 0, 0};
        ok = EGifPutScreenDesc(gif_, width_, height_, 8, 0, map) == GIF_OK &&
             EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif_, sizeof netscape, netscape) == GIF_OK &&
             EGifPutExtensionBlock(gif_, sizeof loop, loop) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
    }
    GraphicsControlBlock control{DISPOSE_DO_NOT, false, delay_, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    ok = ok && EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
         EGifPutImageDesc(gif_, 0, 0, width_, height_, false, first_ ? nullptr : map) == GIF_OK;
    GifFreeMapObject(map);
    // The encoder masks each row in place, so it gets a copy.
    for (int y = 0; ok && y < height_; y++) {
        std::copy_n(picture.index.begin() + static_cast<long>(y) * width_, width_, row_.begin());
        ok = EGifPutLine(gif_, row_.data(), width_) == GIF_OK;
    }
    if (!ok) return Failed("cannot write a frame", gif_ ? gif_->Error : 0, why);
    first_ = false;
    return true;
}

bool GifWriter::Finish(std::string* why) {
    if (!gif_) {
        *why = "the GIF encoder was not started";
        return false;
    }
    int error = 0;
    bool ok = EGifCloseFile(gif_, &error) == GIF_OK;
    gif_ = nullptr;
    if (!ok) {
        if (out_ && std::ferror(out_) && errno != 0) *why = std::strerror(errno);
        else *why = std::string("cannot end the GIF: ") + (GifErrorString(error) ? GifErrorString(error) : "unknown error");
    }
    out_ = nullptr;
    return ok;
}

void GifWriter::Discard() {
    if (!gif_) return;
    out_ = nullptr;
    int error = 0;
    EGifCloseFile(gif_, &error);
    gif_ = nullptr;
}

}  // namespace vesk
