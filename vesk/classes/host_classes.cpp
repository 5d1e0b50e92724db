// Vector, String, POINT3, RECT and ColorRef: their rows, their members and
// how they print.
#include "vesk/classes/host_classes.h"

#include <algorithm>

#include "vesk/values/runtime.h"

namespace vesk {

namespace {

// ---- Vector and String -----------------------------------------------------

void NewVectorEmpty(VarRegister*, VarRegister* args, int count, Processor*) {
    SelfOf(args, count).Init(VT_VECTOR, 0);
}

void NewVectorOf(VarRegister*, VarRegister* args, int count, Processor*) {
    const Variable& arg = ArgOf(args, 0);
    if (!(arg.GetDoubleNumb() >= 0)) {  // NaN too
        Error(VE_BAD_ARGUMENT, "new Vector(" + Format(arg) + "): the count must be 0 or more");
        return;
    }
    long n = arg.GetLongNumb();
    Variable& self = SelfOf(args, count);
    if (HostVector* v = NewVector(n)) SetVector(self, v);
}

void VectorCount(VarRegister* result, VarRegister* args, int count, Processor*) {
    Variable& self = SelfOf(args, count);
    *result->designated() = self.type == VT_VECTOR ? self.data.vec->count : 0;
}

void VectorAddItem(VarRegister*, VarRegister* args, int count, Processor*) {
    Variable& self = SelfOf(args, count);
    if (self.type == VT_VECTOR) VectorAdd(VectorOf(self), *args[0].designated());
}

void StringLength(VarRegister* result, VarRegister* args, int count, Processor*) {
    *result->designated() = SelfOf(args, count).GetDataSize();
}

// ---- POINT3, RECT, ColorRef ---------------------------------------------------

Variable& MemberOf(Variable& self, const char* name) { return self(name); }

void NewPoint(VarRegister*, VarRegister* args, int count, Processor*) {
    Variable& self = SelfOf(args, count);
    const char* names[] = {"x", "y", "z"};
    for (int i = 0; i < 3; i++)
        MemberOf(self, names[i]) = count == 4 ? ArgOf(args, i).GetDoubleNumb() : 0.0;
}

void NewRect(VarRegister*, VarRegister* args, int count, Processor*) {
    Variable& self = SelfOf(args, count);
    const char* names[] = {"left", "top", "right", "bottom"};
    for (int i = 0; i < 4; i++) MemberOf(self, names[i]) = count == 5 ? ArgOf(args, i).GetLongNumb() : 0L;
}

long Byte(Variable& v) { return std::clamp(v.GetLongNumb(), 0L, 255L); }

// clrf holds red in its lowest byte, then green, then blue.
void NewColorRef(VarRegister*, VarRegister* args, int count, Processor*) {
    long clrf = 0;
    if (count == 4) clrf = Byte(ArgOf(args, 0)) + 256 * Byte(ArgOf(args, 1)) + 65536 * Byte(ArgOf(args, 2));
    if (count == 2) clrf = ArgOf(args, 0).GetLongNumb() & 0xFFFFFFFFL;
    MemberOf(SelfOf(args, count), "clrf") = clrf;
}

const MethodRecord rows[] = {
    {NewVectorEmpty, "Vector::Vector(void)"},
    {NewVectorOf, "Vector::Vector(int)"},
    {VectorCount, "Vector::Count(void)"},
    {VectorAddItem, "Vector::Add(any)"},
    {StringLength, "String::Length(void)"},
    {NewPoint, "POINT3::POINT3(void)"},
    {NewPoint, "POINT3::POINT3(number, number, number)"},
    {NewRect, "RECT::RECT(void)"},
    {NewRect, "RECT::RECT(int, int, int, int)"},
    {NewColorRef, "ColorRef::ColorRef(void)"},
    {NewColorRef, "ColorRef::ColorRef(int, int, int)"},
    {NewColorRef, "ColorRef::ColorRef(int)"},
    {nullptr, nullptr},
};

void Members(const char* className, std::initializer_list<const char*> names, bool printed) {
    VClass* cls = FindClass(className);
    for (const char* n : names) cls->memberIds.push_back(Token::GetNameID(n));
    cls->hooks.printMembers = printed;
}

}  // namespace

bool RegisterMatrixClass(std::string* why);
bool RegisterBitmapClass(std::string* why);
bool RegisterDeviceClass(std::string* why);
bool RegisterAnimationClass(std::string* why);

bool RegisterHostClasses(std::string* why) {
    if (FindClass("POINT3")) return true;
    if (!RegisterHostRows(rows, why) || !RegisterMatrixClass(why) || !RegisterBitmapClass(why) ||
        !RegisterDeviceClass(why) || !RegisterAnimationClass(why))
        return false;
    FindClass("Vector")->hooks.valueClass = true;
    Members("POINT3", {"x", "y", "z"}, true);
    Members("RECT", {"left", "top", "right", "bottom"}, true);
    Members("ColorRef", {"clrf"}, false);
    return true;
}

Variable NewHostObject(const char* className) {
    Variable v;
    VClass* cls = FindClass(className);
    if (cls) SetObject(v, new MemberObject(cls));
    return v;
}

}  // namespace vesk
