// The module's two tables, assembled from the rows each subsystem declares.
#pragma once

#include "host/module.h"
#include "module/rules.h"

// The method table in table order, ended by a null record.
const MethodRecord* MethodTable();
// The error table, ended by a record of three zero fields.
const ErrorRecord* ErrorTable();

// The rows each subsystem declares at the bottom of its handler files.
RowList ContextRows();   // context/script/

RowList ViewingRows();   // scene/script/
RowList SwitchRows();

RowList PrimitiveRows(); // geometry/script/
RowList MeshRows();
RowList SolidRows();
RowList NurbsRows();
RowList BitmapRows();

RowList ColorRows();     // color/script/
RowList MaterialRows();
RowList DrawingRows();

RowList ListRows();      // picking/script/
RowList SelectionRows();
