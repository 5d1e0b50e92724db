// The display-list books of one rendering context: an interval set of the
// names alive, the call graph of the recorded lists, the cycle test made
// while a list is recorded and the count of nested runs made before a call.
#include "picking/list_book.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr uint64_t kOver = UINT64_MAX;

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a > kOver - b ? kOver : a + b; }
uint64_t SaturatingMul(uint64_t a, uint64_t b) { return b && a > kOver / b ? kOver : a * b; }

// Bits first % 64 .. (end - 1) % 64 of the word that holds both.
uint64_t Bits(uint64_t first, uint64_t end) {
    uint64_t high = end % 64 == 0 ? ~uint64_t(0) : (uint64_t(1) << (end % 64)) - 1;
    return high & (~uint64_t(0) << (first % 64));
}

}  // namespace

bool ListBook::IsAlive(GLuint name) const {
    auto it = words_.find(name / 64);
    return it != words_.end() && (it->second >> (name % 64) & 1);
}

void ListBook::Add(uint64_t first, uint64_t end) {
    end = std::min<uint64_t>(end, uint64_t(UINT32_MAX) + 1);
    while (first < end) {
        uint64_t stop = std::min(end, (first / 64 + 1) * 64);
        uint64_t& word = words_[static_cast<uint32_t>(first / 64)];
        uint64_t bits = Bits(first, stop);
        alive_ += __builtin_popcountll(bits & ~word);
        word |= bits;
        first = stop;
    }
}

// The words of the block are looked up one by one when there are fewer of
// them than words alive, else every word alive is looked at.
std::vector<ListBook::Run> ListBook::Delete(uint64_t first, uint64_t end) {
    end = std::min<uint64_t>(end, uint64_t(UINT32_MAX) + 1);
    std::vector<Run> removed;
    if (first >= end) return removed;
    std::vector<std::pair<uint32_t, uint64_t>> gone;  // word, bits deleted
    auto take = [&](uint32_t index, uint64_t& word) {
        uint64_t from = std::max<uint64_t>(first, uint64_t(index) * 64);
        uint64_t to = std::min<uint64_t>(end, (uint64_t(index) + 1) * 64);
        uint64_t bits = word & Bits(from, to);
        if (!bits) return;
        gone.push_back({index, bits});
        alive_ -= __builtin_popcountll(bits);
        word &= ~bits;
    };
    uint64_t lastWord = (end - 1) / 64;
    if (lastWord - first / 64 < words_.size()) {
        for (uint64_t w = first / 64; w <= lastWord; w++) {
            auto it = words_.find(static_cast<uint32_t>(w));
            if (it != words_.end()) take(it->first, it->second);
        }
    } else {
        for (auto& [index, word] : words_)
            if (index >= first / 64 && index <= lastWord) take(index, word);
    }
    for (const auto& [index, bits] : gone)
        if (!words_[index]) words_.erase(index);
    std::sort(gone.begin(), gone.end());
    for (const auto& [index, bits] : gone)
        for (int b = 0; b < 64; b++) {
            if (!(bits >> b & 1)) continue;
            uint64_t name = uint64_t(index) * 64 + b;
            if (!removed.empty() && removed.back().end == name) removed.back().end++;
            else removed.push_back({name, name + 1});
        }
    auto from = calls_.lower_bound(static_cast<GLuint>(first));
    auto to = end > UINT32_MAX ? calls_.end() : calls_.lower_bound(static_cast<GLuint>(end));
    if (from != to) {
        calls_.erase(from, to);
        Changed();
    }
    return removed;
}

void ListBook::Start(GLuint list) {
    if (recording_) return;
    recording_ = list;
    pending_.clear();
    compacted_ = 0;
    clear_.clear();
    Add(list, uint64_t(list) + 1);
}

// The list exists from here on, even if it was deleted while it was recorded.
void ListBook::End() {
    if (!recording_) return;
    Compact();
    if (pending_.empty()) calls_.erase(recording_);
    else calls_[recording_] = std::move(pending_);
    Add(recording_, uint64_t(recording_) + 1);
    recording_ = 0;
    pending_.clear();
    compacted_ = 0;
    clear_.clear();
    Changed();
}

// Depth first through the recorded calls. No recorded list reaches the
// recorded one (no call that would is recorded), so every list this search
// passes without finding it is remembered as clear until the recording
// ends: a recording of many calls searches each list once. Names of lists
// that call none are neither searched nor remembered. The list's own older
// calls need no care: a path only matters up to where it arrives.
bool ListBook::Reaches(GLuint from) {
    if (from == recording_) return true;
    if (clear_.count(from) || !calls_.count(from)) return false;
    std::vector<GLuint> stack{from};
    std::unordered_set<GLuint> seen{from};
    while (!stack.empty()) {
        auto it = calls_.find(stack.back());
        stack.pop_back();
        if (it == calls_.end()) continue;
        for (const Call& c : it->second) {
            if (c.list == recording_) return true;
            if (!clear_.count(c.list) && calls_.count(c.list) && seen.insert(c.list).second)
                stack.push_back(c.list);
        }
    }
    clear_.insert(seen.begin(), seen.end());
    return false;
}

bool ListBook::ClosesCycle(const GLint* names, long n, GLuint* culprit) {
    for (long i = 0; i < n; i++) {
        GLuint name = static_cast<GLuint>(names[i]);
        if (Reaches(name)) {
            *culprit = name;
            return true;
        }
    }
    return false;
}

// Calls are appended and merged now and then, so that a name called many
// times takes one entry.
void ListBook::Record(const GLint* names, long n) {
    for (long i = 0; i < n; i++) pending_.push_back({static_cast<GLuint>(names[i]), 1});
    if (pending_.size() >= std::max<size_t>(1024, 2 * compacted_)) Compact();
}

// Sorts the calls by list and merges those of one list.
void ListBook::Compact() {
    std::sort(pending_.begin(), pending_.end(), [](const Call& a, const Call& b) { return a.list < b.list; });
    size_t out = 0;
    for (const Call& c : pending_) {
        if (out && pending_[out - 1].list == c.list) {
            Call& merged = pending_[out - 1];
            merged.times = merged.times > UINT32_MAX - c.times ? UINT32_MAX : merged.times + c.times;
        } else {
            pending_[out++] = c;
        }
    }
    pending_.resize(out);
    pending_.shrink_to_fit();
    compacted_ = out;
}

uint64_t ListBook::NestedRuns(const GLint* names, long n, uint64_t limit, int maxNesting) {
    uint64_t total = 0;
    for (long i = 0; i < n && total <= limit && !calls_.empty(); i++)
        total = SaturatingAdd(total, NestedRunsOf(static_cast<GLuint>(names[i]), limit, maxNesting));
    return total;
}

// Walks every path of calls below the root, each call counted as often as
// it runs; it stops past the limit, so the walk costs at most about what the
// limit of runs would cost OpenGL. The root runs at depth 1, and OpenGL runs
// no list deeper than maxNesting. The result is kept until the calls change.
uint64_t ListBook::NestedRunsOf(GLuint root, uint64_t limit, int maxNesting) {
    auto known = nested_.find(root);
    if (known != nested_.end()) return known->second;
    auto it = calls_.find(root);
    if (it == calls_.end()) return 0;
    struct Frame {
        const std::vector<Call>* calls;
        size_t next;
        uint64_t times;  // how often the list whose calls these are runs
        int depth;
    };
    std::vector<Frame> stack{{&it->second, 0, 1, 1}};
    uint64_t total = 0;
    while (!stack.empty() && total <= limit) {
        Frame& f = stack.back();
        if (f.next == f.calls->size() || f.depth >= maxNesting) {
            stack.pop_back();
            continue;
        }
        const Call& c = (*f.calls)[f.next++];
        uint64_t times = SaturatingMul(f.times, c.times);
        int depth = f.depth + 1;
        total = SaturatingAdd(total, times);
        auto below = calls_.find(c.list);
        if (below != calls_.end()) stack.push_back({&below->second, 0, times, depth});
    }
    if (total > limit) total = kOver;
    nested_[root] = total;
    return total;
}
