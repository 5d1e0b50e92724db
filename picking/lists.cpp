// Display lists: generating, recording, calling (singly or from a script
// vector) and deleting OpenGL lists. The module keeps no record of lists (the
// script keeps the names GenList gave it), only the highest name made.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

// OpenGL reserves every name of a block at once (Mesa keeps a record per
// name), so a larger block is refused as one OpenGL cannot give: the script
// gets 0 instead of the process running out of memory.
constexpr int kMaxListBlock = 1 << 20;

// The highest list name made by GenList or NewList in any context of the
// process: no context has a list above it, whichever context a call reaches.
GLuint highestList = 0;

void Made(uint64_t last) {
    highestList = static_cast<GLuint>(std::max<uint64_t>(highestList, last));
}

}  // namespace

// List names travel as script integers; a negative one reaches OpenGL as the
// unsigned name with the same bits.
GLuint OglContext::GenList(int range) {
    if (range > kMaxListBlock) return 0;
    GLuint first = glGenLists(range);
    if (first) Made(uint64_t(first) + uint64_t(range) - 1);
    return first;
}

// Recording and calling need a rendering context, not a device. Only
// positive names are recorded; the drawing that follows a refused name is
// drawn instead.
void OglContext::NewList(int list) {
    if (!IsOpen() || list <= 0) return;
    glNewList(static_cast<GLuint>(list), GL_COMPILE);
    Made(static_cast<GLuint>(list));
    recordingList = true;
}

void OglContext::EndList() {
    glEndList();
    recordingList = false;
}

void OglContext::CallList(int list) {
    if (IsOpen()) glCallList(static_cast<GLuint>(list));
}

void OglContext::CallLists(const GLint* lists, int n) {
    if (IsOpen()) glCallLists(n, GL_INT, lists);
}

// Mesa looks up every name of the block, so deleting two billion names takes
// most of a minute. A block larger than GenList ever gives is therefore cut
// at the highest name made, and left out when it starts above it: the same
// lists go. Other blocks reach OpenGL as they are.
void OglContext::DeleteLists(int list, int range) {
    GLuint first = static_cast<GLuint>(list);
    if (range > kMaxListBlock) {
        if (first > highestList) return;
        range = static_cast<int>(std::min<uint64_t>(range, uint64_t(highestList) - first + 1));
    }
    glDeleteLists(first, range);
}

// ---- handlers ------------------------------------------------------------------

namespace {

constexpr const char* kClass = "VOpenGL";

// The number of names a CallLists argument holds: a vector's count, an
// indexable object's element count, none for anything else.
long CountOf(Variable& names) {
    if (names.type & VT_VECTOR) return names.data.vec->count;
    if (names.type & VT_OBJECT) return names.data.obj->Count();
    return 0;
}

// GenList(void) asks for one name, GenList(int) for a block of them.
void GenList(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    int range = count == 1 ? 1 : static_cast<int>(IntArg(args[0]));
    IntResult(result, static_cast<int>(gl->GenList(range)));
}

void NewList(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->NewList(static_cast<int>(IntArg(args[0])));
}

void EndList(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->EndList();
}

void CallList(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->CallList(static_cast<int>(IntArg(args[0])));
}

// Reads every name through element access into one array, so that OpenGL
// runs the lists in a single call.
void CallLists(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    Variable* names = HostObjectArg(args[0]);
    long n = CountOf(*names);
    if (n < 0) n = 0;
    std::unique_ptr<GLint[]> lists(new (std::nothrow) GLint[n > 0 ? n : 1]);
    if (!lists) return;
    for (long i = 0; i < n; i++) lists[i] = static_cast<GLint>(ElementOf(*names, i).GetLongNumb());
    gl->CallLists(lists.get(), static_cast<int>(n));
}

// DeleteList(int) deletes one list, DeleteLists(int, int) a block. Any count
// other than 2 is the block form; its arguments are read only as far as the
// call has them.
void DeleteLists(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    int list = static_cast<int>(ArgOrEmpty(args, count, 0).GetLongNumb());
    int range = count == 2 ? 1 : static_cast<int>(ArgOrEmpty(args, count, 1).GetLongNumb());
    gl->DeleteLists(list, range);
}

const ModuleRow rows[] = {
    {82, GenList, "VOpenGL::GenList(void)"},
    {83, GenList, "VOpenGL::GenList(int)"},
    {84, NewList, "VOpenGL::NewList(int)"},
    {85, EndList, "VOpenGL::EndList(void)"},
    {86, CallList, "VOpenGL::CallList(int)"},
    {87, CallLists, "VOpenGL::CallLists(refer object Vector)"},
    {88, DeleteLists, "VOpenGL::DeleteList(int)"},
    {89, DeleteLists, "VOpenGL::DeleteLists(int, int)"},
};

}  // namespace

RowList ListRows() { return Rows(rows); }
