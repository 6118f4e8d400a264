#pragma once
// The number and text conventions that every subsystem shares: the display
// format patterns, the leading-number parse, the shortest decimal text,
// integer conversion with halves-to-even rounding, and the code page of text
// files. Never re-implement these locally.

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Formats a number with a digit-placeholder pattern as the classic Format
// function does: "#" is an optional digit, "0" a required digit, "." the
// decimal point. Digits before the point that the pattern does not provide
// for are still shown (1001.2752 with "###.#" gives "1001.3"); an integer part
// of zero is shown only where the pattern has a "0" there (0.5 with
// "###.0000" gives ".5000"). The value is rounded half away from zero at the
// last decimal place of the pattern, from its 15-significant-digit decimal
// form. Negative numbers keep their sign.
std::string Format(double value, std::string_view pattern);

// The leading-number parse: leading blanks, a sign, digits with a decimal
// point and an exponent are accepted; whatever follows is ignored. Text that
// does not begin with a number gives 0.
double leadingNumber(std::string_view text);

// Shortest plain decimal text that reads back as the same double (or single):
// no leading blank, "0.5" not ".5", exponent form such as "1.5E-07" or
// "1E+15" for very small or very large magnitudes.
std::string shortestText(double value);
std::string shortestText(float value);

// Plain decimal text with up to 15 significant digits, no leading blank, as a
// text box shows a number that the program wrote into it.
std::string displayText(double value);

// An error number as text with one leading blank (" 53").
std::string errorNumberText(long number);

// Round to the nearest integer, halves to even.
double roundHalfEven(double value);

// Conversions to 16-bit, 32-bit and 8-bit integers, rounding halves to even.
// Throw VbError(Overflow) when the rounded value does not fit.
std::int16_t toInt16(double value);
std::int32_t toInt32(double value);
std::uint8_t toByte(double value);

// Text files are one byte per character in Windows-1252; strings inside the
// program are UTF-8. Characters with no Windows-1252 byte become '?'.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view bytes);

} // namespace common
