// The host's general arithmetic on values (promotion byte < int < float <
// double). Eight return their result, eight write into a target.
#pragma once

#include "host/variable.h"

VESK_API Variable _AddNumb(const Variable& a, const Variable& b);
VESK_API Variable _SubNumb(const Variable& a, const Variable& b);
VESK_API Variable _MulNumb(const Variable& a, const Variable& b);
VESK_API Variable _DivNumb(const Variable& a, const Variable& b);
VESK_API Variable _RestNumb(const Variable& a, const Variable& b);
VESK_API Variable _BitOrNumb(const Variable& a, const Variable& b);
VESK_API Variable _BitAndNumb(const Variable& a, const Variable& b);
VESK_API Variable _BitXorNumb(const Variable& a, const Variable& b);

VESK_API void __AddNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void __SubNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void __MulNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void __DivNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void __RestNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void _OrNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void _AndNumb(Variable& r, const Variable& a, const Variable& b);
VESK_API void _XorNumb(Variable& r, const Variable& a, const Variable& b);
