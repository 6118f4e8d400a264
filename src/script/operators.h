#pragma once
// VBScript's operators on Variants (engine-internal).
//
// Arithmetic promotes Byte -> Integer -> Long -> Double on overflow, Null
// propagates, Empty counts as 0 (and "" for &). Comparisons distinguish
// literal operands from computed ones, as VBScript does when a string meets
// a number: `"1" = 1` compares numbers, `"010" = n` (n computed) compares
// text, and a computed string is greater than a computed number.

#include "script/variant.h"

namespace script::ops {

enum class BinOp : uint8_t {
    Add,
    Sub,
    Mul,
    Div,
    IntDiv,
    Mod,
    Pow,
    Concat,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Is,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
};

// `aLiteral`/`bLiteral` tell whether the operand was written as a literal in
// the source (they only matter for comparisons).
void binary(BinOp op, const Variant& a, const Variant& b, Variant& out, bool aLiteral = false,
            bool bLiteral = false);
void negate(const Variant& a, Variant& out);
void logicalNot(const Variant& a, Variant& out);

inline constexpr int kCompareNull = 2;
// -1, 0 or 1, or kCompareNull when an operand is Null.
int compare(const Variant& a, const Variant& b, bool aLiteral, bool bLiteral);
// String comparison for StrComp and friends: 0 binary, 1 text (case-insensitive).
int compareText(std::string_view a, std::string_view b, int mode);

// The truth of an If/While condition: Null and Empty are False.
bool isTrue(const Variant& condition);

} // namespace script::ops
