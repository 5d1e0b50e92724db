// The machine's frames: entering and leaving calls, the register stack they
// live on, unwinding to a try block, the lines errors carry, and the ways in
// (a script's top level, a function value called by the host).
#include "vesk/eval/machine.h"

#include <pthread.h>
#include <sys/mman.h>

#include <algorithm>
#include <new>

#include "vesk/eval/ops.h"
#include "vesk/eval/interpreter.h"
#include "vesk/values/suggest.h"

namespace vesk::vm {

namespace {

// Registers of all frames: address space reserved once, pages touched only
// as deep as calls go. Fresh pages are zero, which is the empty value.
constexpr size_t kStackSlots = size_t(1) << 24;

// Boundary frames (a top level, the host calling a function value) besides
// the script calls.
constexpr size_t kExtraFrames = 256;

std::string Plural(long n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

const std::string kFunctionText = "function text";

std::string Label(const Proto* p) {
    return p->name.empty() ? std::string("the function text") : p->name + "()";
}

// Below this address the C++ stack is too full for the host to call into
// the machine once more: the margin covers the compiler's deepest walk plus
// the handlers in between. Null when the thread's stack cannot be found.
const char* CppStackLimit() {
    pthread_attr_t attr;
    void* low = nullptr;
    size_t size = 0;
    const char* limit = nullptr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return nullptr;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        size_t margin = std::max(size / 8, std::min(size_t(2) << 20, size / 2));
        limit = static_cast<const char*>(low) + margin;
    }
    pthread_attr_destroy(&attr);
    return limit;
}

}  // namespace

// ---- globals -------------------------------------------------------------------

Variable& Globals::Define(int32_t id) {
    size_t page = static_cast<size_t>(id) >> kPageBits;
    if (page >= pages_.size()) pages_.resize(page + 1);
    if (!pages_[page]) pages_[page].reset(new Entry[size_t(1) << kPageBits]);
    Entry& e = pages_[page][id & kPageMask];
    if (!e.set) {
        e.set = true;
        order_.push_back(id);
    }
    return e.value;
}

void Globals::Clear() {
    while (!order_.empty()) {
        int32_t id = order_.back();
        order_.pop_back();
        Entry& e = pages_[static_cast<size_t>(id) >> kPageBits][id & kPageMask];
        e.set = false;
        Variable dying;  // its destructor rows run with the place already empty
        dying.type = e.value.type;
        dying.data = e.value.data;
        e.value.type = VT_EMPTY;
        e.value.data.p = nullptr;
    }
}

// ---- the machine ------------------------------------------------------------------

Machine::Machine(Processor& processor)
    : processor_(processor), runtime_(RuntimeOf(&processor)), addName_(::Token::GetNameID("Add")) {
    for (size_t slots = kStackSlots; slots >= 4096 && !stack_; slots /= 16) {
        void* p = mmap(nullptr, slots * sizeof(Slot), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p != MAP_FAILED) {
            stack_ = static_cast<Slot*>(p);
            stackEnd_ = stack_ + slots;
        }
    }
    if (!stack_) throw std::bad_alloc();
    frames_.reserve(kMaxScriptDepth + kExtraFrames);
}

Machine::~Machine() {
    PopFrames(0);
    munmap(stack_, (stackEnd_ - stack_) * sizeof(Slot));
}

void Machine::Fail(int number, const std::string& text) {
    SyncLine();
    Error(number, text);
    throw Unwind{};
}

void Machine::FailUndefined(int32_t name) {
    std::vector<std::string_view> known;
    if (!frames_.empty())
        for (int32_t id : frames_.back().proto->localNames) known.push_back(::Token::NameOf(id));
    for (int32_t id : globals_.Names())
        if (globals_.Find(id)) known.push_back(::Token::NameOf(id));
    for (int i = 0; i < BuiltinCount(); i++) known.push_back(BuiltinAt(i).name);
    std::string text = ::Token::NameOf(name);
    Fail(VE_UNDEFINED, "name '" + text + "' is not defined" + DidYouMean(text, known));
}

// The line of the innermost frame that has one; function text (line 0)
// takes its caller's, and where the host called it, the line the host was at.
void Machine::SyncLine() {
    for (size_t i = frames_.size(); i-- > 0;) {
        const Frame& fr = frames_[i];
        int line = fr.proto->lines[fr.pc - fr.proto->code.data()];
        if (line > 0) {
            runtime_->line = line;
            const std::shared_ptr<const std::string>& file = fr.proto->program->file;
            if (runtime_->source != file) runtime_->source = file;
            return;
        }
        if (fr.boundary) {
            if (fr.entryLine > 0) runtime_->line = fr.entryLine;
            return;
        }
    }
}

void Machine::Drop(Slot& old) {
    SyncLine();
    ReleaseSlow(old);
    Check();
}

Slot* Machine::Top() const {
    if (frames_.empty()) return stack_;
    const Frame& f = frames_.back();
    return f.base + f.proto->registers;
}

void Machine::Enter(const Proto* proto, Slot* base, int count, Slot* result, bool boundary, bool call) {
    if (count != proto->params)
        Fail(VE_ARG_COUNT, Label(proto) + " takes " + Plural(proto->params, "argument") + ", " +
                               std::to_string(count) + (count == 1 ? " was" : " were") + " given");
    if ((call && depth_ >= kMaxScriptDepth) || frames_.size() == frames_.capacity() ||
        base + proto->registers > stackEnd_)
        Fail(VE_TOO_DEEP, "calls nested too deeply (" + std::to_string(depth_) + " script calls in progress)");
    // The window may hold what the caller's statement left in temporaries.
    for (int i = count; i < proto->locals; i++) {
        Slot old = base[i];
        base[i].tag = VT_UNSET;
        if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
    }
    frames_.push_back({proto, base, proto->code.data(), result, handlers_.size(), runtime_->line, boundary, call});
    if (call) depth_++;
}

// Every register of the frame goes back to empty; what its values held goes
// (destructor rows run, and what they report is recorded, not thrown).
void Machine::ClearFrame(Frame& frame) {
    Slot* r = frame.base;
    for (int i = 0; i < frame.proto->registers; i++) Release(r[i]);
}

void Machine::Leave(Slot* value) {
    Frame& fr = frames_.back();
    ClearFrame(fr);
    handlers_.resize(fr.handlers);
    Slot* result = fr.result;
    if (fr.call) depth_--;
    frames_.pop_back();
    Move(*result, *value);
    Check();
}

void Machine::NoteCalls(size_t stop) {
    for (size_t i = frames_.size(); i-- > stop;) {
        const Frame& fr = frames_[i];
        if (!fr.call) continue;  // a top level, the script's or an included file's
        int line = fr.proto->lines[fr.pc - fr.proto->code.data()];
        if (line <= 0) line = fr.entryLine;
        const std::shared_ptr<const std::string>& file = fr.proto->program ? fr.proto->program->file : nullptr;
        const std::string& name = fr.proto->name.empty() ? kFunctionText : fr.proto->name;
        runtime_->calls.push_back((file ? *file : runtime_->file) + ":" + std::to_string(line) + ": in " + name);
    }
}

void Machine::PopFrames(size_t keep) {
    while (frames_.size() > keep) {
        Frame& fr = frames_.back();
        ClearFrame(fr);
        handlers_.resize(std::min(handlers_.size(), fr.handlers));
        if (fr.call) depth_--;
        frames_.pop_back();
    }
}

void Machine::Run(size_t stop) {
    for (;;) {
        try {
            if (stepLimit_) Execute<true>(stop);
            else Execute<false>(stop);
            return;
        } catch (Unwind&) {
        } catch (std::bad_alloc&) {
            Error(VE_LIMIT, "out of memory");
        }
        if (!Catch(stop)) throw Unwind{};
    }
}

// The errors raised in a try block become a vector of [number, text, message]
// triples in the catch variable; the frames and temporaries between the error and
// the try block go (unwinding), and the catch block runs. False when no try
// block of this activation is running: its frames go and the error travels on.
bool Machine::Catch(size_t stop) {
    if (handlers_.empty() || handlers_.back().frame < stop) {
        NoteCalls(stop);
        PopFrames(stop);
        return false;
    }
    Handler h = handlers_.back();
    handlers_.pop_back();
    PopFrames(h.frame + 1);
    Frame& fr = frames_[h.frame];
    for (int i = fr.proto->locals; i < fr.proto->registers; i++) Release(fr.base[i]);
    std::vector<ErrorEntry> errors = TakeErrors(&processor_);
    Variable list;
    list.Init(VT_VECTOR, static_cast<long>(errors.size()));
    for (size_t i = 0; list.type == VT_VECTOR && i < errors.size(); i++) {
        Variable& error = list.data.vec->items[i];
        error.Init(VT_VECTOR, 3);
        if (error.type != VT_VECTOR) break;
        error.data.vec->items[0] = errors[i].number;
        SetString(error.data.vec->items[1], errors[i].text);
        SetString(error.data.vec->items[2], errors[i].message);
    }
    if (h.site->global) {
        globals_.Define(h.site->name) = list;
    } else {
        Slot s;
        FromVariable(list, s);
        Move(fr.base[h.site->reg], s);
    }
    fr.pc = fr.proto->code.data() + h.site->handler;
    return true;
}

void Machine::RunTop(const Program& program) {
    RunningScope scope(&processor_);
    size_t stop = frames_.size();
    Slot result;
    try {
        Enter(&program.Main(), Top(), 0, &result, true, false);
        Run(stop);
    } catch (Unwind&) {
    }
    Release(result);
}

bool Machine::CppStackLow() const {
    static thread_local const char* limit = CppStackLimit();
    return static_cast<const char*>(__builtin_frame_address(0)) < limit;
}

void Machine::RunIncluded(const Program& program) {
    if (CppStackLow() || frames_.size() + 1 >= frames_.capacity()) {
        int files = 0;
        for (const Frame& f : frames_)
            files += f.proto->program && f.proto->program->file && f.proto == &f.proto->program->Main();
        Fail(VE_TOO_DEEP, "includes nested too deeply (" + std::to_string(files) + " files being included)");
    }
    size_t stop = frames_.size();
    Slot result;
    Enter(&program.Main(), Top(), 0, &result, true, false);
    try {
        Run(stop);
    } catch (...) {
        Release(result);
        throw;
    }
    Release(result);
}

const Program* Machine::RunningProgram() const {
    for (size_t i = frames_.size(); i-- > 0;)
        if (frames_[i].proto->program) return frames_[i].proto->program;
    return nullptr;
}

void Machine::CallValue(VFunction* fn, Variable* args, int count, Variable& out) {
    if (CppStackLow())
        Fail(VE_TOO_DEEP, "calls nested too deeply (" + std::to_string(depth_) + " script calls in progress)");
    Slot callee(VT_FUNCTION, PointerBits(fn));
    const Proto* p = Ops::CodeOf(*this, callee);
    Slot* base = Top();
    if (base + count + 1 > stackEnd_)
        Fail(VE_TOO_DEEP, "calls nested too deeply (" + std::to_string(depth_) + " script calls in progress)");
    for (int i = 0; i < count; i++) FromVariable(args[i], base[i]);
    Slot result;
    try {
        if (p->builtin >= 0) {
            Ops::Builtin(*this, p->builtin, base, count, result);
            for (int i = 0; i < count; i++) Release(base[i]);
        } else {
            size_t stop = frames_.size();
            try {
                Enter(p, base, count, &result, true, true);
            } catch (...) {
                for (int i = 0; i < count; i++) Release(base[i]);
                throw;
            }
            Run(stop);
        }
    } catch (...) {
        for (int i = 0; i < count && p->builtin >= 0; i++) Release(base[i]);
        Release(result);
        throw;
    }
    ToVariable(result, out);
    Release(result);
}

}  // namespace vesk::vm
