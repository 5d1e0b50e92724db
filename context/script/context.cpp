// The context object's life: constructed by "VOpenGL::VOpenGL(void)",
// destroyed by "VOpenGL::~VOpenGL(void)", closing its rendering context first.
#include "context/context.h"

#include <new>

#include "module/rules.h"

namespace {

void NewContext(VarRegister*, VarRegister* args, int count, Processor* p) {
    rules::Construct(args, count, p, new (std::nothrow) OglContext);
}

void DeleteContext(VarRegister*, VarRegister* args, int count, Processor*) {
    rules::Destruct(args, count);
}

const ModuleRow rows[] = {
    {1, NewContext, "VOpenGL::VOpenGL(void)"},
    {2, DeleteContext, "VOpenGL::~VOpenGL(void)"},
};

}  // namespace

RowList ContextRows() { return Rows(rows); }
