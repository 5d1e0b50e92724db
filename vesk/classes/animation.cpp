// The host class Animation: frames from devices and pictures written as an
// animated GIF, each frame encoded into the temporary file as it comes, the
// file renamed into place on Close. An animation dropped without Close, or
// whose writing failed, is discarded: its temporary goes, the target stays
// as it was.
#include <memory>
#include <vector>

#include "vesk/classes/atomic_file.h"
#include "vesk/classes/gif_io.h"
#include "vesk/classes/host_classes.h"
#include "vesk/classes/picture.h"
#include "vesk/values/budget.h"
#include "vesk/values/runtime.h"

namespace vesk {

namespace {

// What an open animation holds besides its frames: giflib's encoder (its
// state and hash table) and the stream's buffer.
constexpr uint64_t kEncoderBytes = 96 * 1024;

struct Animation : VeskAss {
    enum class State { Open, Closed, Failed };
    std::string path;
    AtomicFile file;
    GifWriter gif;
    int delay = 0, width = 0, height = 0, frames = 0;
    State state = State::Open;
    std::string failure;  // why it failed
    Reservation charge;
    ~Animation() override {
        gif.Discard();
        file.Abort();
    }

    // Writing stops for good: the temporary goes, the target stays.
    void Fail(const std::string& why) {
        gif.Discard();
        file.Abort();
        state = State::Failed;
        failure = "cannot write " + Clip(path) + ": " + why;
        Error(VE_FILE, failure);
    }
    bool Usable(const char* call) const;
    void Add(const uint8_t* rgb, int w, int h);
};

Animation* AnimationOf(VarRegister* args, int count) {
    VObject* o = SelfOf(args, count).GetVObject();
    return o ? dynamic_cast<Animation*>(o->GetAss()) : nullptr;
}

bool Animation::Usable(const char* call) const {
    if (state == State::Open) return true;
    if (state == State::Closed)
        Error(VE_FILE, std::string(call) + ": the animation " + Clip(path) +
                           " is closed; a closed animation takes no more frames");
    else Error(VE_FILE, std::string(call) + ": the animation failed earlier (" + failure + "); it takes no more frames");
    return false;
}

std::string Sides(int w, int h) { return std::to_string(w) + " x " + std::to_string(h); }

// The first frame fixes the size and starts the file; each frame is reduced
// to its palette and written at once.
void Animation::Add(const uint8_t* rgb, int w, int h) {
    Reservation working;
    uint64_t pixels = uint64_t(w) * uint64_t(h);
    if (!working.Take(QuantizeBytes(pixels), "the palette of a frame")) return;
    std::string why;
    if (frames == 0 && !gif.Start(file.Stream(), w, h, delay, &why)) return Fail(why);
    PalettePicture picture;
    Quantize(rgb, pixels, &picture);
    if (!gif.AddFrame(picture, &why)) return Fail(why);
    if (frames == 0) width = w, height = h;
    frames++;
}

void New(VarRegister*, VarRegister* args, int count, Processor* p) {
    const Variable& fps = ArgOf(args, 1);
    int delay = GifDelay(fps.GetDoubleNumb());
    if (delay == 0)
        return void(Error(VE_BAD_ARGUMENT, "new Animation(path, " + Format(fps) +
                                               "): the frames a second must be from 100/65535 (about 0.00153) "
                                               "to 200, for a frame delay of 65535 to 1 hundredths of a second"));
    auto a = std::make_unique<Animation>();
    if (!a->charge.Take(kEncoderBytes, "an animation")) return;
    a->path = std::string(StringOf(ArgOf(args, 0)));
    a->delay = delay;
    std::string why;
    if (!a->file.Begin(a->path, &why)) return void(Error(VE_FILE, why));
    if (a->Join(&SelfOf(args, count), p)) a.release();
}

void Delete(VarRegister*, VarRegister* args, int count, Processor*) {
    if (Animation* a = AnimationOf(args, count)) {
        a->BreakJoint();
        delete a;
    }
}

// A frame of another size than the first is refused before anything is
// read; the animation goes on.
bool FrameFits(const Animation* a, int w, int h) {
    if (a->frames == 0 || (w == a->width && h == a->height)) return true;
    Error(VE_SIZES, "AddFrame: the frame is " + Sides(w, h) + " pixels, but the animation's frames are " +
                        Sides(a->width, a->height) + " (its first frame fixed the size)");
    return false;
}

void AddPicture(VarRegister*, VarRegister* args, int count, Processor*) {
    Animation* a = AnimationOf(args, count);
    PictureView view;
    if (!a || !a->Usable("AddFrame") || !PictureOf(ArgOf(args, 0), &view)) return;
    if (FrameFits(a, view.width, view.height)) a->Add(view.rgb, view.width, view.height);
}

// The device's resolved pixels, read as SaveAs reads them.
void AddDevice(VarRegister*, VarRegister* args, int count, Processor*) {
    Animation* a = AnimationOf(args, count);
    int w, h;
    if (!a || !a->Usable("AddFrame")) return;
    if (!DeviceSizeOf(ArgOf(args, 0), &w, &h)) return void(Error(VE_DEVICE, "AddFrame: the device is not available"));
    if (!FrameFits(a, w, h)) return;
    Reservation copy;
    if (!copy.Take(uint64_t(w) * uint64_t(h) * 3, "a copy of the device's pixels")) return;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    std::string why;
    if (!ReadDevicePicture(ArgOf(args, 0), rgb.data(), &why)) return void(Error(VE_DEVICE, "AddFrame: " + why));
    a->Add(rgb.data(), w, h);
}

// Ends the file and puts it in place; a second Close does nothing.
void Close(VarRegister*, VarRegister* args, int count, Processor*) {
    Animation* a = AnimationOf(args, count);
    if (!a || a->state == Animation::State::Closed) return;
    if (a->state == Animation::State::Failed)
        return void(Error(VE_FILE, "Close: the animation failed earlier (" + a->failure + "); nothing was written"));
    if (a->frames == 0) {
        a->file.Abort();
        a->state = Animation::State::Closed;
        return void(Error(VE_FILE, "Close: the animation " + Clip(a->path) + " has no frames; nothing was written"));
    }
    std::string why;
    if (!a->gif.Finish(&why)) return a->Fail(why);
    if (!a->file.Commit(&why)) {
        a->state = Animation::State::Failed;
        a->failure = why;
        return void(Error(VE_FILE, why));
    }
    a->state = Animation::State::Closed;
    a->charge.Take(0, "an animation");
}

void Frames(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (Animation* a = AnimationOf(args, count)) *result->designated() = a->frames;
}

const MethodRecord rows[] = {
    {New, "Animation::Animation(refer object String, number)"},
    {Delete, "Animation::~Animation(void)"},
    {AddDevice, "Animation::AddFrame(refer object MDC)"},
    {AddPicture, "Animation::AddFrame(refer object MBmp)"},
    {Frames, "Animation::GetFrames(void)"},
    {Close, "Animation::Close(void)"},
    {nullptr, nullptr},
};

}  // namespace

bool RegisterAnimationClass(std::string* why) { return RegisterHostRows(rows, why); }

}  // namespace vesk
