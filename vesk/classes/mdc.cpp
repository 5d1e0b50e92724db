// The host class MDC: a device context the module draws into, offscreen
// (new MDC(w, h)) or a window (new MDC(w, h, title)), with read-back to PNG
// and, for windows, events.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "vesk/values/budget.h"
#include "vesk/classes/host_classes.h"
#include "vesk/classes/picture.h"
#include "vesk/classes/png_io.h"
#include "vesk/modules/dispatch.h"
#include "vesk/values/runtime.h"

namespace vesk {

namespace {

struct Device : VeskAss {
    platform::DeviceHandle handle = 0;
    bool window = false;
    Reservation pixels;  // the memory budget's estimate of its buffers
    Reservation samples;  // and of its multisampled buffers, when it has them
    ~Device() override { platform::DestroyDevice(handle); }
};

Device* DeviceOf(VarRegister* args, int count) {
    VObject* o = SelfOf(args, count).GetVObject();
    return o ? dynamic_cast<Device*>(o->GetAss()) : nullptr;
}

void Open(VarRegister* args, int count, Processor* p, platform::DeviceHandle handle,
          bool window, Reservation& pixels) {
    if (!handle) {
        Error(VE_DEVICE, std::string("cannot make the device: ") + platform::LastErrorText());
        return;
    }
    auto* d = new Device;
    d->handle = handle;
    d->window = window;
    d->pixels.Adopt(pixels);
    if (!d->Join(&SelfOf(args, count), p)) delete d;
}

long Side(VarRegister* args, int i) { return ArgOf(args, i).GetLongNumb(); }

// The sides, and the device's buffers within the memory budget.
bool SidesFit(long w, long h, Reservation& pixels) {
    if (w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide)
        return pixels.Take(static_cast<uint64_t>(w) * h * kDevicePixelBytes, "a device");
    Error(VE_LIMIT, "a device of " + std::to_string(w) + " x " + std::to_string(h) +
                        " pixels is not possible (sides of 1 to " + std::to_string(kMaxImageSide) + ")");
    return false;
}

void NewOffscreen(VarRegister*, VarRegister* args, int count, Processor* p) {
    long w = Side(args, 0), h = Side(args, 1);
    Reservation pixels;
    if (SidesFit(w, h, pixels))
        Open(args, count, p, platform::CreateBitmapDevice(static_cast<int>(w), static_cast<int>(h)), false, pixels);
}

void NewWindow(VarRegister*, VarRegister* args, int count, Processor* p) {
    long w = Side(args, 0), h = Side(args, 1);
    std::string title(StringOf(ArgOf(args, 2)));
    Reservation pixels;
    if (SidesFit(w, h, pixels))
        Open(args, count, p, platform::CreateWindowDevice(static_cast<int>(w), static_cast<int>(h), title.c_str()), true,
             pixels);
}

void Delete(VarRegister*, VarRegister* args, int count, Processor*) {
    if (Device* d = DeviceOf(args, count)) {
        d->BreakJoint();
        delete d;
    }
}

// A device that could not be made answers 0 for its ID, which the module
// reports as a device context that is not open.
void GetID(VarRegister* result, VarRegister* args, int count, Processor*) {
    Device* d = DeviceOf(args, count);
    *result->designated() = d ? d->handle : 0L;
}

bool Size(VarRegister* args, int count, int* w, int* h) {
    Device* d = DeviceOf(args, count);
    *w = *h = 0;
    return d && platform::DeviceSize(d->handle, w, h);
}

void GetClientRect(VarRegister* result, VarRegister* args, int count, Processor*) {
    int w, h;
    Size(args, count, &w, &h);
    Variable rect = NewHostObject("RECT");
    rect("left") = 0;
    rect("top") = 0;
    rect("right") = w;
    rect("bottom") = h;
    SetResult(result, rect);
}

void GetWidth(VarRegister* result, VarRegister* args, int count, Processor*) {
    int w, h;
    Size(args, count, &w, &h);
    *result->designated() = w;
}

void GetHeight(VarRegister* result, VarRegister* args, int count, Processor*) {
    int w, h;
    Size(args, count, &w, &h);
    *result->designated() = h;
}

// Reads the device's pixels (lowest row first) and writes them top row first.
void SaveAs(VarRegister*, VarRegister* args, int count, Processor*) {
    Device* d = DeviceOf(args, count);
    int w, h;
    if (!d || !Size(args, count, &w, &h)) {
        Error(VE_DEVICE, "SaveAs: the device is not available");
        return;
    }
    Reservation copies;  // the pixels read, and turned upside down
    if (!copies.Take(uint64_t(2) * w * h * 3, "a copy of the device's pixels")) return;
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    if (!platform::ReadPixels(d->handle, 0, 0, w, h, rgb.data())) {
        Error(VE_DEVICE, std::string("SaveAs: cannot read the device's pixels: ") + platform::LastErrorText());
        return;
    }
    std::vector<unsigned char> flipped(rgb.size());
    size_t row = static_cast<size_t>(w) * 3;
    for (int y = 0; y < h; y++) std::copy_n(&rgb[y * row], row, &flipped[(h - 1 - y) * row]);
    std::string why;
    if (!WritePng(std::string(StringOf(ArgOf(args, 0))), w, h, flipped.data(), &why)) Error(VE_FILE, why);
}

// A new MBmp of the device's pixels as they are now (to caption a frame and
// save it, say). The picture is made as new MBmp(w, h) is, within its limits.
void GetPicture(VarRegister* result, VarRegister* args, int count, Processor* p) {
    Device* d = DeviceOf(args, count);
    int w, h;
    if (!d || !Size(args, count, &w, &h)) return void(Error(VE_DEVICE, "GetPicture: the device is not available"));
    Variable sides[2], picture;
    sides[0] = w;
    sides[1] = h;
    PictureView view;
    if (!Construct(p, "MBmp", sides, 2, picture) || !PictureOf(picture, &view)) return;
    std::string why;
    if (!ReadDevicePicture(SelfOf(args, count), view.rgb, &why)) return void(Error(VE_DEVICE, "GetPicture: " + why));
    SetResult(result, picture);
}

const char* KindText(platform::EventKind k) {
    switch (k) {
    case platform::EventKind::Button: return "button";
    case platform::EventKind::Motion: return "motion";
    case platform::EventKind::Key: return "key";
    case platform::EventKind::Resize: return "resize";
    case platform::EventKind::Close: return "close";
    case platform::EventKind::Release: return "release";
    case platform::EventKind::KeyUp: return "keyrelease";
    default: return "none";
    }
}

// An event is [kind, x, y, button, modifiers]; no event is null.
void Deliver(VarRegister* result, bool got, const platform::Event& e) {
    Variable v;
    if (got) {
        v.Init(VT_VECTOR, 5);
        v[0] = KindText(e.kind);
        v[1] = e.x;
        v[2] = e.y;
        v[3] = e.button;
        v[4] = e.modifiers;
    }
    SetResult(result, v);
}

void NextEvent(VarRegister* result, VarRegister* args, int count, Processor*) {
    Device* d = DeviceOf(args, count);
    platform::Event e;
    Deliver(result, d && platform::NextEvent(d->handle, &e), e);
}

void WaitEvent(VarRegister* result, VarRegister* args, int count, Processor*) {
    std::fflush(stdout);  // what the script printed shows before it waits
    Device* d = DeviceOf(args, count);
    platform::Event e;
    bool got = d && platform::WaitEvent(d->handle, &e);
    // A window whose X window went away (closed by another program) says so.
    if (d && !got)
        Error(VE_DEVICE, d->window ? std::string("WaitEvent: ") + platform::LastErrorText()
                                   : std::string("WaitEvent: only a window device has events"));
    Deliver(result, got, e);
}

// The samples per pixel are chosen with the device's pixel format, which
// the first gl->Open on it fixes; until then they can change. Each sample
// has its own colour and depth, charged to the memory budget.
void SetSamples(VarRegister*, VarRegister* args, int count, Processor*) {
    Device* d = DeviceOf(args, count);
    int w, h;
    if (!d || !Size(args, count, &w, &h)) {
        Error(VE_DEVICE, "SetSamples: the device is not available");
        return;
    }
    double asked = ArgOf(args, 0).GetDoubleNumb();
    if (!(asked == 0 || asked == 1 || asked == 2 || asked == 4 || asked == 8)) {
        Error(VE_BAD_ARGUMENT, "SetSamples: the samples per pixel must be 0 or 1 (none), 2, 4 or 8 "
                               "(got " + Format(ArgOf(args, 0)) + ")");
        return;
    }
    if (platform::DevicePixelFormat(d->handle, nullptr, nullptr)) {
        Error(VE_DEVICE, "SetSamples: a context was opened on this device already, and its first "
                         "gl->Open fixed the samples per pixel; call SetSamples before it");
        return;
    }
    int chosen = 0;
    if (!platform::SetDeviceSamples(d->handle, static_cast<int>(asked)) ||
        !platform::DeviceSamples(d->handle, &chosen)) {
        Error(VE_DEVICE, std::string("SetSamples: ") + platform::LastErrorText());
        return;
    }
    if (!d->samples.Take(uint64_t(w) * uint64_t(h) * kDevicePixelBytes * uint64_t(chosen),
                         "a multisampled device"))
        platform::SetDeviceSamples(d->handle, 0);  // error 12, and no multisampling
}

// The samples per pixel in effect: of the device's pixel format once a
// context was opened on it, else the count SetSamples chose; 0 is none.
void GetSamples(VarRegister* result, VarRegister* args, int count, Processor*) {
    Device* d = DeviceOf(args, count);
    int samples = 0;
    if (!d || !platform::DeviceSamples(d->handle, &samples)) {
        Error(VE_DEVICE, "GetSamples: the device is not available");
        return;
    }
    *result->designated() = samples;
}

const MethodRecord rows[] = {
    {NewOffscreen, "MDC::MDC(int, int)"},
    {NewWindow, "MDC::MDC(int, int, refer object String)"},
    {Delete, "MDC::~MDC(void)"},
    {GetID, "MDC::GetID(void)"},
    {GetClientRect, "MDC::GetClientRect(void)"},
    {GetWidth, "MDC::GetWidth(void)"},
    {GetHeight, "MDC::GetHeight(void)"},
    {SaveAs, "MDC::SaveAs(refer object String)"},
    {GetPicture, "MDC::GetPicture(void)"},
    {NextEvent, "MDC::NextEvent(void)"},
    {WaitEvent, "MDC::WaitEvent(void)"},
    {SetSamples, "MDC::SetSamples(int)"},
    {GetSamples, "MDC::GetSamples(void)"},
    {nullptr, nullptr},
};

}  // namespace

bool RegisterDeviceClass(std::string* why) { return RegisterHostRows(rows, why); }

bool DeviceSizeOf(const Variable& object, int* width, int* height) {
    VObject* o = object.GetVObject();
    auto* d = o ? dynamic_cast<Device*>(o->GetAss()) : nullptr;
    *width = *height = 0;
    return d && platform::DeviceSize(d->handle, width, height);
}

bool ReadDevicePicture(const Variable& object, unsigned char* rgb, std::string* why) {
    VObject* o = object.GetVObject();
    auto* d = o ? dynamic_cast<Device*>(o->GetAss()) : nullptr;
    int w, h;
    if (!d || !platform::DeviceSize(d->handle, &w, &h)) {
        *why = "the device is not available";
        return false;
    }
    if (!platform::ReadPixels(d->handle, 0, 0, w, h, rgb)) {
        *why = std::string("cannot read the device's pixels: ") + platform::LastErrorText();
        return false;
    }
    size_t row = static_cast<size_t>(w) * 3;  // read lowest row first; a picture is top row first
    for (int y = 0; y < h / 2; y++) std::swap_ranges(rgb + y * row, rgb + (y + 1) * row, rgb + (h - 1 - y) * row);
    return true;
}

}  // namespace vesk
