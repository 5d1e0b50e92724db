// The memory budget: one running total, for the whole process, of what
// scripts hold — strings, data blocks, vectors, objects, pictures and, as an
// estimate, the pixels of devices — checked before anything is allocated, so
// that a script asking for too much gets error 12 instead of taking the
// machine's memory. The per-value limits (ValueLimits) bound one value; the
// budget bounds them all together.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// The address sanitizer's allocations take about a third more (shadow
// memory, redzones, size classes), so the sanitizer build's default limit
// leaves that room.
#if defined(__SANITIZE_ADDRESS__)
#define VESK_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef VESK_ADDRESS_SANITIZER
constexpr uint64_t kDefaultMemoryLimit = uint64_t(3) << 29;  // 1.5 GiB
#else
constexpr uint64_t kDefaultMemoryLimit = uint64_t(2) << 30;  // 2 GiB
#endif

// What the budget charges for the parts of values, in bytes: every vector,
// object, reference cell and function, and each element slot of a vector or
// member of an object (a slot is a 16-byte Variable and may own a double
// cell: 8 bytes from the host's pool of cells, 32 with malloc's share when
// the pool cannot be had).
// Pictures are charged 3 bytes a pixel, devices 8 (colour and depth buffers).
// The charges are at least what the allocations take, malloc's own share
// included (a POINT3 with its three doubles takes about 350 bytes).
constexpr uint64_t kContainerBytes = 192;
constexpr uint64_t kSlotBytes = 48;
constexpr uint64_t kBlobOverhead = 32;
constexpr uint64_t kDevicePixelBytes = 8;
// Rendering contexts are made by modules, out of the host's sight; each is
// charged this much (Mesa's llvmpipe takes about 2.3 MB for one).
constexpr uint64_t kContextBytes = uint64_t(3) << 20;

namespace budget_detail {
extern uint64_t inUse;
extern uint64_t limit;
bool ReserveSlow(uint64_t bytes, const char* what);
}  // namespace budget_detail

// Takes `bytes` from the budget for `what` ("a string", "a picture", …).
// When they do not fit, collects the values that only refer to each other
// (where that is safe) and tries again; if they still do not fit, reports
// error 12 saying what was asked, what is in use and how to raise the limit,
// and returns false, taking nothing.
inline bool Reserve(uint64_t bytes, const char* what) {
    using namespace budget_detail;
    if (bytes <= limit && inUse <= limit - bytes) {
        inUse += bytes;
        return true;
    }
    return ReserveSlow(bytes, what);
}

// Takes `bytes` whether or not they fit, for what cannot be refused at that
// point (an object under construction); past the limit it reports error 12
// as Reserve does, and the script stops at the end of its statement.
void Charge(uint64_t bytes, const char* what);

// Brings the charge for rendering contexts up to date with the number the
// platform holds; the host calls it when a module's handler returns. Past
// the limit it reports error 12 (see Charge).
void ChargeContexts();

// Gives back what Reserve or Charge took.
inline void Unreserve(uint64_t bytes) {
    using namespace budget_detail;
    inUse = bytes <= inUse ? inUse - bytes : 0;
}

uint64_t MemoryInUse();
uint64_t MemoryLimit();
void SetMemoryLimit(uint64_t bytes);

// Reads a size: a number of bytes, or a number followed by K, M, G or T
// (powers of 1024; "512M", "2G", "1.5G"; a trailing "B" or "iB" is allowed).
bool ParseMemorySize(std::string_view text, uint64_t* bytes);
// A size for messages: "805306368 bytes (768 MiB)".
std::string SizeText(uint64_t bytes);

// A share of the budget held by a native part (a picture's pixels, a
// device's estimate), given back when it goes.
class Reservation {
public:
    Reservation() = default;
    ~Reservation() { Unreserve(bytes_); }
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;
    // Takes `bytes` (see Reserve) in place of what it held.
    bool Take(uint64_t bytes, const char* what) {
        Unreserve(bytes_);
        bytes_ = 0;
        if (!Reserve(bytes, what)) return false;
        bytes_ = bytes;
        return true;
    }
    // Takes over what `other` holds.
    void Adopt(Reservation& other) {
        Unreserve(bytes_);
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }

private:
    uint64_t bytes_ = 0;
};

}  // namespace vesk
