// The script methods of display lists.
#include <memory>
#include <new>

#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

// GenList(void) asks for one name, GenList(int) for a block of them.
void GenList(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    int range = count == 1 ? 1 : static_cast<int>(IntArg(args[0]));
    IntResult(result, static_cast<int>(gl->Lists().Gen(range)));
}

void NewList(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Lists().New(static_cast<int>(IntArg(args[0])));
}

void EndList(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Lists().End();
}

void CallList(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Lists().Call(static_cast<int>(IntArg(args[0])));
}

// Reads every name through element access into one array, so that OpenGL
// runs the lists in a single call.
void CallLists(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    Variable* names = HostObjectArg(args[0]);
    long n = CountOf(*names);
    std::unique_ptr<GLint[]> lists(new (std::nothrow) GLint[n > 0 ? n : 1]);
    if (!lists) return;
    for (long i = 0; i < n; i++) lists[i] = static_cast<GLint>(ElementOf(*names, i).GetLongNumb());
    gl->Lists().Call(lists.get(), static_cast<int>(n));
}

// DeleteList(int) deletes one list, DeleteLists(int, int) a block. Any count
// other than 2 is the block form; its arguments are read only as far as the
// call has them.
void DeleteLists(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    int list = static_cast<int>(ArgOrEmpty(args, count, 0).GetLongNumb());
    int range = count == 2 ? 1 : static_cast<int>(ArgOrEmpty(args, count, 1).GetLongNumb());
    gl->Lists().Delete(list, range);
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
