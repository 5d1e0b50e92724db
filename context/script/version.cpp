// The script method of the implementation strings.
#include "context/context.h"
#include "module/rules.h"

namespace {

void GetVersion(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglContext* gl = rules::Self<OglContext>(args, count);
    if (gl) gl->GetVersion(*rules::ResultTarget(result));
}

const ModuleRow rows[] = {
    {9, GetVersion, "VOpenGL::GetVersion(void)"},
};

}  // namespace

RowList VersionRows() { return Rows(rows); }
