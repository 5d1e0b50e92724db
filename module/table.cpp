// The method table, joined from the subsystems' rows in table order, and the
// error table. Both are built once and never change.
#include "module/table.h"

#include <algorithm>

namespace {

constexpr int kCapacity = 161;

const ErrorRecord errorTable[] = {
    {OGL_WRONG_DC, "The Device Context is not Valid", "OGL_WRONG_DC"},
    {OGL_NO_DC, "The Device Context is not Open", "OGL_NO_DC"},
    {OGL_CANTBIND_DC, "Can't bind Device Context", "OGL_CANTBIND_DC"},
    {OGL_NAME_STACK_OVERFLOW, "The OpenGL Name Stack Overflow", "OGL_NAME_STACK_OVERFLOW"},
    {OGL_NAME_STACK_UNDERFLOW, "The OpenGL Name Stack is Empty", "OGL_NAME_STACK_UNDERFLOW"},
    {OGL_NO_SELECTION_MODE, "OpenGL is not in the Selection Mode", "OGL_NO_SELECTION_MODE"},
    {OGL_NURBS_ERROR, "OpenGL NURBS error", "OGL_NURBS_ERROR"},
    {0, nullptr, nullptr},
};

MethodRecord methodTable[kCapacity + 1];

// Places every subsystem's rows by their number; rows a build lacks leave no
// gap, so the table the host reads is always contiguous.
void Assemble() {
    const RowList lists[] = {
        ContextRows(),

        ViewingRows(),
        SwitchRows(),

        PrimitiveRows(),
        MeshRows(),
        SolidRows(),
        NurbsRows(),
        BitmapRows(),

        ColorRows(),
        MaterialRows(),
        DrawingRows(),

        ListRows(),
        SelectionRows(),
    };
    const ModuleRow* rows[kCapacity];
    int n = 0;
    for (const RowList& list : lists)
        for (int i = 0; i < list.count && n < kCapacity; i++) rows[n++] = &list.rows[i];
    std::sort(rows, rows + n, [](const ModuleRow* a, const ModuleRow* b) { return a->number < b->number; });
    for (int i = 0; i < n; i++) methodTable[i] = {rows[i]->handler, rows[i]->signature};
    methodTable[n] = {nullptr, nullptr};
}

}  // namespace

const MethodRecord* MethodTable() {
    static bool assembled = false;
    if (!assembled) {
        Assemble();
        assembled = true;
    }
    return methodTable;
}

const ErrorRecord* ErrorTable() { return errorTable; }
