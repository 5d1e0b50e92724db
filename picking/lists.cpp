// Display lists: generating, recording, calling (singly or from a script
// vector) and deleting OpenGL lists. The script keeps the names GenList gave
// it; the module keeps books per rendering context (picking/gl_state.h) so
// that it can bound the names alive and keep lists from calling themselves.
#include "picking/lists.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "module/rules.h"
#include "picking/gl_state.h"

namespace {

// OpenGL reserves every name of a block at once (Mesa keeps a record of about
// 90 bytes per name), so a larger block is refused as one OpenGL cannot give:
// the script gets 0 instead of the process running out of memory.
constexpr int kMaxListBlock = 1 << 20;
// List names alive in the whole process, in every context: about 370 MB of
// Mesa's records. GenList past it gives 0 and NewList of a new name records
// nothing, as for a name OpenGL refused.
constexpr uint64_t kMaxListNames = 1 << 22;
// Lists one call may run inside the lists it names (calls of calls, each
// counted as often as it runs): a few tenths of a second of OpenGL's time
// for small lists. Without a bound, 64 lists that each call the one below
// twice would have OpenGL run 2^64 of them.
constexpr uint64_t kMaxNestedRuns = 1 << 20;

// The books allocate as they grow; out of memory, the call is refused like
// a failed allocation, and nothing unwinds into the host.
template <class Work>
bool Booked(Work work) {
    try {
        work();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Whether a call of these names may reach OpenGL. While a list is recorded,
// a call that would make it call itself, directly or through other lists, is
// refused (error 8), so no list ever reaches itself; otherwise the call goes
// into the books. Else a call that would run too many nested lists is
// refused.
bool MayCall(GlState* state, const GLint* names, long n, const char* method) {
    if (!state) return true;  // no list was made in this context
    ListBook& books = state->lists;
    if (books.Recording()) {
        GLuint culprit = 0;
        bool cycle = false;
        if (!Booked([&] { cycle = books.ClosesCycle(names, n, &culprit); })) return false;
        if (!cycle) return Booked([&] { books.Record(names, n); });
        GLuint list = books.Recording();
        if (culprit == list)
            return rules::SizeError("%s: list %u would call itself; the call is left out of list %u", method, list,
                                    list);
        return rules::SizeError("%s: list %u would call itself through list %u; the call is left out of list %u",
                                method, list, culprit, list);
    }
    if (!books.HasCalls()) return true;
    if (!state->maxListNesting) {
        GLint depth = 0;
        glGetIntegerv(GL_MAX_LIST_NESTING, &depth);
        state->maxListNesting = depth > 0 ? depth : INT32_MAX;
    }
    uint64_t runs = kMaxNestedRuns + 1;
    Booked([&] { runs = books.NestedRuns(names, n, kMaxNestedRuns, state->maxListNesting); });
    if (runs <= kMaxNestedRuns) return true;
    return rules::SizeError("%s: the lists called would run more than %llu lists inside them; nothing is run",
                            method, static_cast<unsigned long long>(kMaxNestedRuns));
}

}  // namespace

// Without a current context OpenGL gives 0.
GLuint OglLists::Gen(int range) {
    if (range > kMaxListBlock) return 0;
    if (!current_ || range <= 0) return glGenLists(range);
    GlState* state = GlStateOf(current_, true);
    if (!state || ListNamesAlive() + uint64_t(range) > kMaxListNames) return 0;
    GLuint first = glGenLists(range);
    if (first && !Booked([&] { state->lists.Add(first, uint64_t(first) + uint64_t(range)); })) {
        glDeleteLists(first, range);
        return 0;
    }
    return first;
}

// Recording and calling need a rendering context, not a device. Only
// positive names are recorded, and a name not yet alive only while the
// process has room for it; the drawing that follows a refused name is drawn
// instead.
void OglLists::New(int list) {
    if (!callerOpen_ || list <= 0) return;
    GLuint name = static_cast<GLuint>(list);
    GlState* state = GlStateOf(current_, true);
    if (!state) {
        if (!current_) glNewList(name, GL_COMPILE);  // reaches no context
        return;
    }
    if (!state->lists.IsAlive(name) && ListNamesAlive() >= kMaxListNames) return;
    if (!Booked([&] { state->lists.Start(name); })) return;
    glNewList(name, GL_COMPILE);
}

void OglLists::End() {
    glEndList();
    if (GlState* state = GlStateOf(current_, false)) Booked([&] { state->lists.End(); });
}

bool OglLists::Recording() const {
    GlState* state = GlStateOf(current_, false);
    return state && state->lists.Recording();
}

void OglLists::Call(int list) {
    if (callerOpen_ && MayCall(GlStateOf(current_, false), &list, 1, "CallList")) glCallList(static_cast<GLuint>(list));
}

void OglLists::Call(const GLint* lists, int n) {
    if (callerOpen_ && MayCall(GlStateOf(current_, false), lists, n, "CallLists")) glCallLists(n, GL_INT, lists);
}

// A block that ends below 2^32 and is no larger than GenList gives reaches
// OpenGL as it is (deleting names never made costs OpenGL little then).
// Mesa looks up every name of a block, so a larger one would take most of a
// minute for two billion names: it is cut to the runs of names alive, each
// deleted with its own call. The part of a block past the largest name
// 2^32 - 1 is left out (Mesa would wrap round and delete nothing).
void OglLists::Delete(int list, int range) {
    GLuint first = static_cast<GLuint>(list);
    uint64_t end = uint64_t(first) + uint64_t(range > 0 ? range : 0);
    GlState* state = GlStateOf(current_, false);
    if (range <= kMaxListBlock && end <= UINT32_MAX) {
        glDeleteLists(first, range);
        if (state) Booked([&] { state->lists.Delete(first, end); });
        return;
    }
    if (!state) return;
    std::vector<ListBook::Run> runs;
    Booked([&] { runs = state->lists.Delete(first, std::min<uint64_t>(end, uint64_t(UINT32_MAX) + 1)); });
    for (const ListBook::Run& run : runs)
        glDeleteLists(static_cast<GLuint>(run.first), static_cast<GLsizei>(run.end - run.first));
}
