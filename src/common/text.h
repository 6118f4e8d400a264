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
// form. Negative numbers keep their sign, except when every digit shown is
// zero (-0.001 with "#.##" gives ".", with "0.00" gives "0.00"). A pattern
// whose optional decimals all drop keeps its point (1000 with "###.#" gives
// "1000.", 0 gives "."); a pattern without "0" shows nothing for zero (0 with
// "#####" gives ""). Characters other than "#", "0" and "." before the first
// or after the last placeholder are copied as they stand. An empty pattern
// gives displayText(value). Infinities and NaN give "Inf", "-Inf", "NaN".
std::string Format(double value, std::string_view pattern);

// Format for a single: rounds from the single's 7-significant-digit decimal
// form, as a single shows itself (1.00005 stored as a single gives "1.0001"
// with "##0.00##", where its exact double value 1.0000499486923 gives "1.00").
// An empty pattern gives the single's plain text of up to 7 digits.
std::string FormatSingle(float value, std::string_view pattern);

// The leading-number parse: leading blanks, a sign, digits with a decimal
// point and an exponent are accepted; whatever follows is ignored. Text that
// does not begin with a number gives 0. "D" may stand for the exponent's "E",
// and "&H" / "&O" introduce a hexadecimal or octal integer (four hex digits
// read as a 16-bit value, so "&HFFFF" gives -1). Never throws: a magnitude
// beyond the double range gives the largest double with its sign, one below
// it gives 0.
double leadingNumber(std::string_view text);

// The leading number read directly as a single (no double rounding on the
// way). Throws VbError(Overflow) when it lies beyond the single range.
float leadingSingle(std::string_view text);

// True when the whole text, apart from blanks around it, is one number that
// the leading-number parse reads (so nothing of it is ignored): "-1.5",
// " 2E3 ", "&H1F". Empty text, ".", "1,5" and "12 dB" are not numbers.
bool isWholeNumber(std::string_view text);

// Shortest plain decimal text that reads back as the same double (or single):
// no leading blank, "0.5" not ".5", exponent form such as "1.5E-07" or
// "1E+15" when the decimal exponent is below -5 or 15 and above. Zero (also
// negative zero) gives "0"; infinities and NaN give "Inf", "-Inf", "NaN".
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
// Conversion to a single; throws VbError(Overflow) beyond the single range.
float toSingle(double value);

// Text files are one byte per character in Windows-1252; strings inside the
// program are UTF-8. Characters with no Windows-1252 byte become '?', and so
// does every byte of malformed UTF-8. The five bytes that Windows-1252 leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the control characters
// U+0081 ... U+009D and are written back as the same bytes, so no byte of a
// file is lost on a read and write.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view bytes);

} // namespace common
