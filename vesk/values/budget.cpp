// The memory budget's total, its limit, the way a request that does not fit
// is retried after a collection and then refused, and sizes in text.
#include "vesk/values/budget.h"

#include <charconv>
#include <cmath>

#include "platform/platform.h"
#include "vesk/values/collector.h"
#include "vesk/values/runtime.h"
#include "vesk/values/value.h"

namespace vesk {

namespace budget_detail {

uint64_t inUse = 0;
uint64_t limit = kDefaultMemoryLimit;

namespace {

void Refuse(uint64_t bytes, const char* what) {
    Error(VE_LIMIT, std::string("not enough memory for ") + what + ": it needs " + SizeText(bytes) + ", and " +
                        SizeText(inUse) + " of the limit of " + SizeText(limit) +
                        " is in use (raise the limit with vesk --memory-limit SIZE or the "
                        "environment variable VESK_MEMORY_LIMIT, e.g. 4G)");
}

bool Fits(uint64_t bytes) { return bytes <= limit && inUse <= limit - bytes; }

}  // namespace

bool ReserveSlow(uint64_t bytes, const char* what) {
    // Values in cycles that nothing reaches any more may be what fills the
    // budget: free them and look again.
    if (Fits(bytes) || (CollectUnderPressure() && Fits(bytes))) {
        inUse += bytes;
        return true;
    }
    Refuse(bytes, what);
    return false;
}

}  // namespace budget_detail

using namespace budget_detail;

void Charge(uint64_t bytes, const char* what) {
    if (Reserve(bytes, what)) return;
    inUse += bytes;  // reported; taken all the same
}

void ChargeContexts() {
    static long charged = 0;
    long live = platform::LiveContexts();
    if (live == charged) return;
    long more = live - charged;
    charged = live;
    if (more > 0) Charge(static_cast<uint64_t>(more) * kContextBytes, "a rendering context");
    else Unreserve(static_cast<uint64_t>(-more) * kContextBytes);
}

uint64_t MemoryInUse() { return inUse; }
uint64_t MemoryLimit() { return limit; }
void SetMemoryLimit(uint64_t bytes) { limit = bytes; }

bool ParseMemorySize(std::string_view text, uint64_t* bytes) {
    static const struct { const char* name; double scale; } kUnits[] = {
        {"", 1.0},    {"b", 1.0},
        {"k", 0x1p10}, {"kb", 0x1p10}, {"kib", 0x1p10},
        {"m", 0x1p20}, {"mb", 0x1p20}, {"mib", 0x1p20},
        {"g", 0x1p30}, {"gb", 0x1p30}, {"gib", 0x1p30},
        {"t", 0x1p40}, {"tb", 0x1p40}, {"tib", 0x1p40},
    };
    const char* begin = text.data();
    const char* end = begin + text.size();
    double number = 0;
    if (begin == end || *begin < '0' || *begin > '9') return false;
    auto [rest, ec] = std::from_chars(begin, end, number, std::chars_format::fixed);
    if (ec != std::errc()) return false;
    std::string unit(rest, end);
    for (char& c : unit) c = static_cast<char>(c | 0x20);
    for (const auto& u : kUnits) {
        if (unit != u.name) continue;
        double value = std::floor(number * u.scale);
        if (!(value >= 1) || value >= 0x1p63) return false;
        *bytes = static_cast<uint64_t>(value);
        return true;
    }
    return false;
}

std::string SizeText(uint64_t bytes) {
    std::string exact = std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return exact;
    double value = static_cast<double>(bytes);
    int unit = -1;
    while (value >= 1024 && unit < 5) {
        value /= 1024;
        unit++;
    }
    char text[32];
    double tenths = std::round(value * 10) / 10;
    if (tenths == std::floor(tenths)) std::snprintf(text, sizeof text, "%.0f %s", tenths, kUnits[unit]);
    else std::snprintf(text, sizeof text, "%.1f %s", tenths, kUnits[unit]);
    return exact + " (" + text + ")";
}

}  // namespace vesk
