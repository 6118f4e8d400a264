#pragma once
// The built-in functions (engine-internal). Each group registers itself
// through the public Engine interface, like any host function.

#include "script/engine.h"

namespace script::library {

void addStrings(Engine& engine);     // Len, Mid, InStr, Replace, Split, ...
void addConversions(Engine& engine); // CBool .. CStr, Hex, Oct, FormatNumber
void addMath(Engine& engine);        // Abs .. Tan, Rnd, Randomize, Round
void addDates(Engine& engine);       // Now, Date, DateAdd, DateDiff, ...
void addInspection(Engine& engine);  // IsArray .. TypeName, LBound, UBound, Array
void addConstants(Engine& engine);   // vbCrLf, vbOK, vbTextCompare, ...

// Helpers shared by the groups.
// Throws 94 "Invalid use of Null" for a Null argument.
const Variant& notNull(const Variant& v);
// Rounded to a Long; 94 for Null.
int32_t longArg(const Variant& v);
// 5 "Invalid procedure call or argument" unless `ok`.
void require(bool ok);
// The argument if given (not omitted/Empty), else the fallback.
inline const Variant* optional(std::span<const Variant> args, size_t i) {
    return i < args.size() && !args[i].isEmpty() ? &args[i] : nullptr;
}

} // namespace script::library
