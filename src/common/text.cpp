#include "common/text.h"

#include "common/vb_error.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>
#include <type_traits>

namespace common {

namespace {

// A positive finite number as decimal digits: d0.d1d2... x 10^exponent.
struct Decimal {
    std::array<char, 40> digits{};
    int count = 0;
    int exponent = 0;
};

// Splits the output of std::to_chars in scientific form ("1.5e-07", "3e+15").
Decimal splitScientific(const char* first, const char* last) {
    Decimal d;
    const char* p = first;
    for (; p != last && *p != 'e'; ++p)
        if (*p != '.' && d.count < static_cast<int>(d.digits.size())) d.digits[d.count++] = *p;
    if (p != last) {
        ++p;
        const bool negative = *p == '-';
        ++p; // to_chars always writes the exponent's sign
        int e = 0;
        for (; p != last; ++p)
            e = e * 10 + (*p - '0');
        d.exponent = negative ? -e : e;
    }
    return d;
}

Decimal toDecimal(double magnitude, int significantDigits = 0 /* 0 = shortest */) {
    std::array<char, 64> buf;
    const auto r = significantDigits > 0
                       ? std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                       std::chars_format::scientific, significantDigits - 1)
                       : std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                       std::chars_format::scientific);
    return splitScientific(buf.data(), r.ptr);
}

Decimal toDecimal(float magnitude) {
    std::array<char, 64> buf;
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                 std::chars_format::scientific);
    return splitScientific(buf.data(), r.ptr);
}

void trimTrailingZeros(Decimal& d) {
    while (d.count > 1 && d.digits[d.count - 1] == '0')
        --d.count;
}

// Plain text of a decimal: exponent form below 1E-05 and from 1E+15 on.
std::string plainText(bool negative, const Decimal& d) {
    std::string out;
    out.reserve(static_cast<std::size_t>(d.count) + 24);
    if (negative) out += '-';
    const int e = d.exponent;
    if (e < -5 || e >= 15) {
        out += d.digits[0];
        if (d.count > 1) {
            out += '.';
            out.append(d.digits.data() + 1, static_cast<std::size_t>(d.count - 1));
        }
        out += 'E';
        out += e < 0 ? '-' : '+';
        const int a = e < 0 ? -e : e;
        if (a < 10) out += '0';
        out += std::to_string(a);
    } else if (e >= 0) {
        const int intDigits = e + 1;
        for (int i = 0; i < intDigits; ++i)
            out += i < d.count ? d.digits[i] : '0';
        if (d.count > intDigits) {
            out += '.';
            out.append(d.digits.data() + intDigits, static_cast<std::size_t>(d.count - intDigits));
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-e - 1), '0');
        out.append(d.digits.data(), static_cast<std::size_t>(d.count));
    }
    return out;
}

std::string nonFiniteText(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-Inf" : "Inf";
}

template <typename T> std::string shortestOf(T value) {
    if (!std::isfinite(value)) return nonFiniteText(static_cast<double>(value));
    if (value == 0) return "0";
    return plainText(value < 0, toDecimal(std::fabs(value)));
}

// The parts of a format pattern.
struct Pattern {
    std::string_view prefix, suffix;
    int minIntDigits = 0; // placeholders from the first integer "0" to the point
    bool hasPoint = false;
    int requiredDecimals = 0; // up to and including the last decimal "0"
    int maxDecimals = 0;
    bool any = false; // the pattern holds at least one placeholder
};

bool isPlaceholder(char c) {
    return c == '#' || c == '0' || c == '.';
}

Pattern parsePattern(std::string_view pattern) {
    Pattern p;
    std::size_t first = 0;
    while (first < pattern.size() && !isPlaceholder(pattern[first]))
        ++first;
    if (first == pattern.size()) {
        p.prefix = pattern;
        return p;
    }
    std::size_t last = pattern.size();
    while (!isPlaceholder(pattern[last - 1]))
        --last;
    p.any = true;
    p.prefix = pattern.substr(0, first);
    p.suffix = pattern.substr(last);
    bool seenZero = false;
    for (std::size_t i = first; i < last; ++i) {
        const char c = pattern[i];
        if (c == '.') {
            p.hasPoint = true;
        } else if (c == '#' || c == '0') {
            if (p.hasPoint) {
                ++p.maxDecimals;
                if (c == '0') p.requiredDecimals = p.maxDecimals;
            } else {
                seenZero = seenZero || c == '0';
                if (seenZero) ++p.minIntDigits;
            }
        }
    }
    return p;
}

// The number rounded half away from zero at `decimals` places, split into its
// integer digits (no leading zeros, possibly none) and exactly `decimals`
// fraction digits, both appended to `digits`; returns the integer digit count.
int roundedDigits(double magnitude, int significantDigits, int decimals, std::string& digits) {
    if (magnitude == 0) {
        digits.append(static_cast<std::size_t>(decimals), '0');
        return 0;
    }
    const Decimal d = toDecimal(magnitude, significantDigits);
    int exponent = d.exponent;
    // Digits kept: every integer digit and the decimals.
    long long kept = static_cast<long long>(exponent) + 1 + decimals;
    if (kept < 0 || (kept == 0 && d.digits[0] < '5')) {
        digits.append(static_cast<std::size_t>(decimals), '0');
        return 0;
    }
    std::array<char, 41> head{};
    int headCount;
    if (kept == 0) { // rounds up to one unit of the last place
        head[0] = '1';
        headCount = 1;
        ++exponent;
        kept = 1;
    } else {
        headCount = static_cast<int>(std::min<long long>(kept, d.count));
        for (int i = 0; i < headCount; ++i)
            head[static_cast<std::size_t>(i) + 1] = d.digits[static_cast<std::size_t>(i)];
        bool carry = kept < d.count && d.digits[static_cast<std::size_t>(kept)] >= '5';
        for (int i = headCount; carry && i >= 1; --i) {
            if (head[static_cast<std::size_t>(i)] == '9') {
                head[static_cast<std::size_t>(i)] = '0';
            } else {
                ++head[static_cast<std::size_t>(i)];
                carry = false;
            }
        }
        if (carry) { // 99.96 -> 100.0: one more leading digit
            head[0] = '1';
            ++exponent;
            ++kept;
            ++headCount;
        } else {
            for (int i = 0; i < headCount; ++i)
                head[static_cast<std::size_t>(i)] = head[static_cast<std::size_t>(i) + 1];
        }
    }
    // head[0..headCount) followed by zeros up to `kept` digits; the first
    // exponent + 1 of them are integer digits.
    const long long intDigits = static_cast<long long>(exponent) + 1;
    if (intDigits <= 0) digits.append(static_cast<std::size_t>(-intDigits), '0');
    digits.append(head.data(), static_cast<std::size_t>(headCount));
    digits.append(static_cast<std::size_t>(kept - headCount), '0');
    return intDigits > 0 ? static_cast<int>(intDigits) : 0;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "&H1F", "&O17": up to four hex (six octal) digits are a 16-bit value, more
// a 32-bit one.
double radixNumber(std::string_view text) {
    const bool hex = text[1] == 'H' || text[1] == 'h';
    unsigned long long value = 0;
    int count = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (isDigit(c))
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (!hex && digit > 7) break;
        if (value < (1ULL << 56)) value = value * (hex ? 16 : 8) + static_cast<unsigned>(digit);
        ++count;
    }
    if (count <= (hex ? 4 : 6) && value <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    if (value <= 0xFFFFFFFFULL) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<double>(value);
}

enum class Range { Ok, Over, Under };

// Parses the leading number of `text` as T. Returns Over / Under when its
// magnitude lies outside T's range (then `out` is not set).
template <typename T> Range parseLeading(std::string_view text, T& out) {
    out = 0;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    if (i + 1 < n && text[i] == '&') {
        const char r = text[i + 1];
        if (r == 'H' || r == 'h' || r == 'O' || r == 'o') {
            const double v = radixNumber(text.substr(i));
            if (std::fabs(v) > static_cast<double>(std::numeric_limits<T>::max()))
                return Range::Over;
            out = static_cast<T>(v);
            return Range::Ok;
        }
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    // Order of magnitude for out-of-range decisions: count integer digits
    // after leading zeros, or leading zeros of the fraction. The first 19
    // significant digits are also gathered for the exact short-number path.
    long long magnitude = 0;
    bool significant = false;
    std::size_t digitCount = 0;
    std::uint64_t mantissa = 0;
    int mantissaDigits = 0;
    int fractionDigits = 0; // fraction digits taken into the mantissa
    bool exact = true;      // no significant digit was left out of the mantissa
    const auto take = [&](char c, bool fraction) {
        if (!significant && c == '0') {
            if (fraction) ++fractionDigits;
            return;
        }
        significant = true;
        if (mantissaDigits < 19) {
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
            ++mantissaDigits;
            if (fraction) ++fractionDigits;
        } else if (fraction) {
            exact = exact && c == '0';
        } else {
            exact = false;
        }
    };
    while (i < n && isDigit(text[i])) {
        take(text[i], false);
        if (significant) ++magnitude;
        ++digitCount;
        ++i;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            if (!significant && text[i] == '0') --magnitude;
            take(text[i], true);
            ++digitCount;
            ++i;
        }
    }
    if (digitCount == 0) return Range::Ok;
    std::size_t end = i;
    bool dExponent = false;
    long long exponent = 0;
    if (i < n) {
        const char c = text[i];
        if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
            std::size_t j = i + 1;
            bool expNegative = false;
            if (j < n && (text[j] == '+' || text[j] == '-')) {
                expNegative = text[j] == '-';
                ++j;
            }
            if (j < n && isDigit(text[j])) {
                while (j < n && isDigit(text[j])) {
                    if (exponent < 1000000) exponent = exponent * 10 + (text[j] - '0');
                    ++j;
                }
                if (expNegative) exponent = -exponent;
                dExponent = c == 'd' || c == 'D';
                end = j;
            }
        }
    }
    if (!significant) return Range::Ok;
    // Short numbers: the mantissa and the power of ten are both exact in T,
    // so one multiplication or division gives the correctly rounded value.
    constexpr bool isDouble = std::is_same_v<T, double>;
    constexpr std::uint64_t maxExactMantissa = isDouble ? (1ULL << 53) : (1ULL << 24);
    constexpr int maxExactPower = isDouble ? 22 : 10;
    const long long power = exponent - fractionDigits;
    if (exact && mantissa <= maxExactMantissa && power >= -maxExactPower &&
        power <= maxExactPower) {
        constexpr std::array<T, 23> powers = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        const T m = static_cast<T>(mantissa);
        const T value = power >= 0 ? m * powers[static_cast<std::size_t>(power)]
                                   : m / powers[static_cast<std::size_t>(-power)];
        out = negative ? -value : value;
        return Range::Ok;
    }
    T value{};
    std::from_chars_result r;
    if (dExponent) {
        std::string copy(text.substr(start, end - start));
        for (char& c : copy)
            if (c == 'd' || c == 'D') c = 'e';
        r = std::from_chars(copy.data(), copy.data() + copy.size(), value);
    } else {
        r = std::from_chars(text.data() + start, text.data() + end, value);
    }
    if (r.ec == std::errc::result_out_of_range)
        return magnitude + exponent > 0 ? Range::Over : Range::Under;
    if (r.ec != std::errc()) return Range::Ok;
    if (std::isinf(value)) return Range::Over;
    out = negative ? -value : value;
    return Range::Ok;
}

} // namespace

namespace {

// Plain text of at most `significantDigits` digits.
std::string limitedText(double value, int significantDigits) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    if (value == 0) return "0";
    Decimal d = toDecimal(std::fabs(value), significantDigits);
    trimTrailingZeros(d);
    return plainText(value < 0, d);
}

// Formats `value` from its decimal form of `significantDigits` digits.
std::string formatWith(double value, int significantDigits, std::string_view pattern) {
    if (pattern.empty()) return limitedText(value, significantDigits);
    if (!std::isfinite(value)) return nonFiniteText(value);
    const Pattern p = parsePattern(pattern);
    if (!p.any) return std::string(p.prefix);

    std::string digits;
    const int intCount = roundedDigits(std::fabs(value), significantDigits, p.maxDecimals, digits);
    // Optional decimals that are zero drop; required ones stay.
    std::size_t fracCount = static_cast<std::size_t>(p.maxDecimals);
    while (fracCount > static_cast<std::size_t>(p.requiredDecimals) &&
           digits[static_cast<std::size_t>(intCount) + fracCount - 1] == '0')
        --fracCount;
    const std::size_t padding =
        intCount < p.minIntDigits ? static_cast<std::size_t>(p.minIntDigits - intCount) : 0;
    bool allZero = true;
    for (std::size_t i = 0; i < static_cast<std::size_t>(intCount) + fracCount; ++i)
        allZero = allZero && digits[i] == '0';

    std::string out;
    out.reserve(p.prefix.size() + p.suffix.size() + padding + digits.size() + 2);
    out += p.prefix;
    if (value < 0 && !allZero) out += '-';
    out.append(padding, '0');
    out.append(digits, 0, static_cast<std::size_t>(intCount));
    if (p.hasPoint) {
        out += '.';
        out.append(digits, static_cast<std::size_t>(intCount), fracCount);
    }
    out += p.suffix;
    return out;
}

} // namespace

std::string Format(double value, std::string_view pattern) {
    return formatWith(value, 15, pattern);
}

std::string FormatSingle(float value, std::string_view pattern) {
    return formatWith(static_cast<double>(value), 7, pattern);
}

double leadingNumber(std::string_view text) {
    double value;
    switch (parseLeading(text, value)) {
    case Range::Ok:
        return value;
    case Range::Under:
        return 0.0;
    case Range::Over:
        break;
    }
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
}

float leadingSingle(std::string_view text) {
    float value;
    switch (parseLeading(text, value)) {
    case Range::Ok:
        return value;
    case Range::Under:
        return 0.0f;
    case Range::Over:
        break;
    }
    raise(err::Overflow);
}

bool isWholeNumber(std::string_view text) {
    std::size_t i = 0, n = text.size();
    while (n > 0 && isBlank(text[n - 1]))
        --n;
    while (i < n && isBlank(text[i]))
        ++i;
    const auto digitsFrom = [&](auto isDigitOfKind) {
        const std::size_t start = i;
        while (i < n && isDigitOfKind(text[i]))
            ++i;
        return i - start;
    };
    if (i + 1 < n && text[i] == '&') {
        const char r = text[i + 1];
        i += 2;
        if (r == 'H' || r == 'h')
            return digitsFrom([](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) >
                       0 &&
                   i == n;
        if (r == 'O' || r == 'o')
            return digitsFrom([](char c) { return c >= '0' && c <= '7'; }) > 0 && i == n;
        return false;
    }
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = digitsFrom(isDigit);
    if (i < n && text[i] == '.') {
        ++i;
        digits += digitsFrom(isDigit);
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        if (digitsFrom(isDigit) == 0) return false;
    }
    return i == n;
}

std::string shortestText(double value) {
    return shortestOf(value);
}
std::string shortestText(float value) {
    return shortestOf(value);
}

std::string displayText(double value) {
    return limitedText(value, 15);
}

std::string errorNumberText(long number) {
    return number < 0 ? std::to_string(number) : " " + std::to_string(number);
}

double roundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double magnitude = std::fabs(value);
    const double whole = std::floor(magnitude);
    const double fraction = magnitude - whole; // exact
    double rounded = whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) rounded = whole + 1;
    return std::copysign(rounded, value);
}

namespace {
template <typename I> I toInteger(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= static_cast<double>(std::numeric_limits<I>::min()) &&
          r <= static_cast<double>(std::numeric_limits<I>::max())))
        raise(err::Overflow);
    return static_cast<I>(r);
}
} // namespace

std::int16_t toInt16(double value) {
    return toInteger<std::int16_t>(value);
}
std::int32_t toInt32(double value) {
    return toInteger<std::int32_t>(value);
}
std::uint8_t toByte(double value) {
    return toInteger<std::uint8_t>(value);
}

float toSingle(double value) {
    // Beyond the largest single plus half a unit of its last place the
    // conversion would give an infinity.
    constexpr double limit = 3.4028235677973366e38;
    const double magnitude = std::fabs(value);
    if (std::isnan(value) || std::isinf(value)) return static_cast<float>(value);
    if (magnitude >= limit) raise(err::Overflow);
    if (magnitude > static_cast<double>(std::numeric_limits<float>::max()))
        return value < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

namespace {

// Unicode code points of the bytes 0x80..0x9F; the five unassigned bytes keep
// their control-character code points.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char cp1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighTable.size(); ++i)
        if (kHighTable[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isAscii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

std::string utf8ToCp1252(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            out += static_cast<char>(b0);
            ++i;
            continue;
        }
        int length;
        char32_t cp;
        char32_t minimum;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
            cp = b0 & 0x1F;
            minimum = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            cp = b0 & 0x0F;
            minimum = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            cp = b0 & 0x07;
            minimum = 0x10000;
        } else { // a stray continuation byte or an impossible lead byte
            out += '?';
            ++i;
            continue;
        }
        bool valid = i + static_cast<std::size_t>(length) <= n;
        for (int k = 1; valid && k < length; ++k) {
            const auto b = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            valid = (b & 0xC0) == 0x80;
            cp = (cp << 6) | (b & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        out += cp1252Byte(cp);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string cp1252ToUtf8(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else if (b < 0xA0)
            appendUtf8(out, kHighTable[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

} // namespace common
