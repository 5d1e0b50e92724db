// The host class Matrix: rows of numbers indexed m[r][c], products with a
// matrix or a number, and an inverse by Gauss-Jordan elimination that
// refuses singular matrices.
#include <cmath>
#include <vector>

#include "vesk/classes/host_classes.h"
#include "vesk/values/runtime.h"

namespace vesk {

namespace {

constexpr long kMaxMatrixSide = 4096;
constexpr long kMaxMatrixCells = 1L << 20;

// A matrix keeps each row as a vector value, so that m[r] is a row and
// m[r][c] = x assigns an element.
class MatrixObject : public HostObject {
public:
    using HostObject::HostObject;
    std::vector<Variable> rows;
    int cols = 0;

    long Count() override { return static_cast<long>(rows.size()); }
    void VisitValues(void (*visit)(Variable&, void*), void* context) override {
        for (Variable& row : rows) visit(row, context);
    }
    void DropValues() override {
        for (Variable& row : rows) row._Clear();
    }
    Variable& Element(long r) override {
        if (r >= 0 && r < Count()) return rows[r];
        Error(VE_INDEX, "row " + std::to_string(r) + " is outside the matrix of " +
                            std::to_string(rows.size()) + " rows");
        return Standby();
    }
    // Element (r, c) as a number; a row or element a script replaced by
    // something else reads as 0.
    double At(int r, int c) {
        Variable& row = rows[r];
        if (row.type != VT_VECTOR || c >= row.data.vec->count) return 0.0;
        return row.data.vec->items[c].GetDoubleNumb();
    }
    void Set(int r, int c, double v) {
        Variable& row = rows[r];
        if (row.type == VT_VECTOR && c < row.data.vec->count) row.data.vec->items[c] = v;
    }
};

HostObject* MakeMatrixObject(ClassRecord* cls) { return new MatrixObject(cls); }

MatrixObject* MatrixOf(Variable& v) {
    HostObject* o = HostOf(v.GetVObject());
    return (o && o->cls && o->cls->name == "Matrix") ? static_cast<MatrixObject*>(o) : nullptr;
}

bool Shape(MatrixObject* m, long rows, long cols) {
    if (rows < 1 || cols < 1 || rows > kMaxMatrixSide || cols > kMaxMatrixSide ||
        rows * cols > kMaxMatrixCells) {
        Error(VE_LIMIT, "a matrix of " + std::to_string(rows) + " x " + std::to_string(cols) +
                            " is not possible (each side 1 to " + std::to_string(kMaxMatrixSide) +
                            ", at most " + std::to_string(kMaxMatrixCells) + " elements)");
        return false;
    }
    m->rows.assign(rows, Variable());
    m->cols = static_cast<int>(cols);
    for (Variable& row : m->rows) {
        row.Init(VT_VECTOR, cols);
        if (row.type != VT_VECTOR) return false;
        for (int c = 0; c < cols; c++) row.data.vec->items[c] = 0.0;
    }
    return true;
}

Variable NewMatrix(long rows, long cols, MatrixObject** out) {
    Variable v;
    VClass* cls = FindClass("Matrix");
    auto* m = new MatrixObject(cls);
    SetObject(v, m);
    if (!Shape(m, rows, cols)) return Variable();
    *out = m;
    return v;
}

void NewMatrixHandler(VarRegister*, VarRegister* args, int count, Processor*) {
    MatrixObject* m = MatrixOf(SelfOf(args, count));
    if (m) Shape(m, ArgOf(args, 0).GetLongNumb(), ArgOf(args, 1).GetLongNumb());
}

void Rows(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (MatrixObject* m = MatrixOf(SelfOf(args, count))) *result->designated() = static_cast<int>(m->rows.size());
}

void Cols(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (MatrixObject* m = MatrixOf(SelfOf(args, count))) *result->designated() = m->cols;
}

void SetIdentity(VarRegister*, VarRegister* args, int count, Processor*) {
    MatrixObject* m = MatrixOf(SelfOf(args, count));
    if (!m) return;
    for (int r = 0; r < static_cast<int>(m->rows.size()); r++)
        for (int c = 0; c < m->cols; c++) m->Set(r, c, r == c ? 1.0 : 0.0);
}

// Gauss-Jordan with partial pivoting; a pivot that vanishes against the
// matrix's own scale means the matrix has no inverse.
void Inverse(VarRegister* result, VarRegister* args, int count, Processor*) {
    MatrixObject* m = MatrixOf(SelfOf(args, count));
    if (!m) return;
    int n = static_cast<int>(m->rows.size());
    if (n != m->cols) {
        Error(VE_MATRIX, "only a square matrix has an inverse (this one is " + std::to_string(n) +
                             " x " + std::to_string(m->cols) + ")");
        return;
    }
    std::vector<double> a(static_cast<size_t>(n) * 2 * n, 0.0);
    double scale = 0.0;
    for (int r = 0; r < n; r++) {
        for (int c = 0; c < n; c++) {
            a[r * 2 * n + c] = m->At(r, c);
            scale = std::fmax(scale, std::fabs(m->At(r, c)));
        }
        a[r * 2 * n + n + r] = 1.0;
    }
    for (int col = 0; col < n; col++) {
        int pivot = col;
        for (int r = col + 1; r < n; r++)
            if (std::fabs(a[r * 2 * n + col]) > std::fabs(a[pivot * 2 * n + col])) pivot = r;
        double p = a[pivot * 2 * n + col];
        if (!(std::fabs(p) > scale * 1e-12) || !std::isfinite(p)) {
            Error(VE_MATRIX, "the matrix is singular: it has no inverse");
            return;
        }
        if (pivot != col)
            for (int c = 0; c < 2 * n; c++) std::swap(a[pivot * 2 * n + c], a[col * 2 * n + c]);
        for (int c = 0; c < 2 * n; c++) a[col * 2 * n + c] /= p;
        for (int r = 0; r < n; r++) {
            if (r == col) continue;
            double f = a[r * 2 * n + col];
            if (f != 0.0)
                for (int c = 0; c < 2 * n; c++) a[r * 2 * n + c] -= f * a[col * 2 * n + c];
        }
    }
    MatrixObject* inv = nullptr;
    Variable out = NewMatrix(n, n, &inv);
    if (!inv) return;
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++) inv->Set(r, c, a[r * 2 * n + n + c]);
    SetResult(result, out);
}

void TimesMatrix(VarRegister* result, VarRegister* args, int count, Processor*) {
    MatrixObject* a = MatrixOf(SelfOf(args, count));
    MatrixObject* b = MatrixOf(ArgOf(args, 0));
    if (!a || !b) return;
    if (a->cols != static_cast<int>(b->rows.size())) {
        Error(VE_MATRIX, "cannot multiply a " + std::to_string(a->rows.size()) + " x " +
                             std::to_string(a->cols) + " matrix by a " + std::to_string(b->rows.size()) +
                             " x " + std::to_string(b->cols) + " matrix");
        return;
    }
    MatrixObject* p = nullptr;
    Variable out = NewMatrix(static_cast<long>(a->rows.size()), b->cols, &p);
    if (!p) return;
    for (int r = 0; r < static_cast<int>(a->rows.size()); r++)
        for (int c = 0; c < b->cols; c++) {
            double sum = 0.0;
            for (int k = 0; k < a->cols; k++) sum += a->At(r, k) * b->At(k, c);
            p->Set(r, c, sum);
        }
    SetResult(result, out);
}

void TimesNumber(VarRegister* result, VarRegister* args, int count, Processor*) {
    MatrixObject* a = MatrixOf(SelfOf(args, count));
    if (!a) return;
    double f = ArgOf(args, 0).GetDoubleNumb();
    MatrixObject* p = nullptr;
    Variable out = NewMatrix(static_cast<long>(a->rows.size()), a->cols, &p);
    if (!p) return;
    for (int r = 0; r < static_cast<int>(a->rows.size()); r++)
        for (int c = 0; c < a->cols; c++) p->Set(r, c, a->At(r, c) * f);
    SetResult(result, out);
}

const MethodRecord rows[] = {
    {NewMatrixHandler, "Matrix::Matrix(int, int)"},
    {Rows, "Matrix::Rows(void)"},
    {Cols, "Matrix::Cols(void)"},
    {SetIdentity, "Matrix::SetIdentity(void)"},
    {Inverse, "Matrix::Inverse(void)"},
    {TimesMatrix, "Matrix::*(object Matrix)"},
    {TimesNumber, "Matrix::*(number)"},
    {nullptr, nullptr},
};

}  // namespace

bool RegisterMatrixClass(std::string* why) {
    if (!RegisterHostRows(rows, why)) return false;
    FindClass("Matrix")->hooks.make = MakeMatrixObject;
    return true;
}

}  // namespace vesk
