// Conversion and formatting functions: CBool .. CStr, CDate, Hex, Oct,
// FormatNumber, FormatPercent.

#include "script/datetime.h"
#include "script/library.h"

#include <cmath>
#include <cstdio>

namespace script::library {

namespace {

// Conversions refuse Null (94) and Nothing (91).
const Variant& convertible(const Variant& v) {
    notNull(v);
    if (v.isNothing()) throw ScriptError(err::ObjectNotSet);
    if (v.isArray()) throw ScriptError(err::TypeMismatch);
    return v;
}

std::string radix(const Variant& v, int bitsPerDigit) {
    if (v.isEmpty()) return "0";
    const bool narrow = v.tag() == Variant::Tag::Integer || v.tag() == Variant::Tag::Byte ||
                        v.tag() == Variant::Tag::Boolean;
    const int32_t n = v.toLong();
    uint32_t u = narrow ? static_cast<uint16_t>(static_cast<int16_t>(n)) : static_cast<uint32_t>(n);
    if (v.tag() == Variant::Tag::Byte) u = static_cast<uint32_t>(n);
    std::string out;
    const uint32_t mask = (1u << bitsPerDigit) - 1;
    do {
        out.insert(out.begin(), "0123456789ABCDEF"[u & mask]);
        u >>= bitsPerDigit;
    } while (u != 0);
    return out;
}

// Rounds half away from zero at `digits` decimals (as the Format functions do).
double roundAway(double v, int digits) {
    const double scale = std::pow(10.0, digits);
    const double scaled = v * scale;
    double r = std::round(scaled);
    // Treat values a hair below .5 (binary representation) as .5.
    if (std::fabs(std::fabs(scaled - std::trunc(scaled)) - 0.5) <
        1e-9 * std::max(1.0, std::fabs(scaled)))
        r = std::trunc(scaled) + (scaled < 0 ? -1 : 1);
    return r / scale;
}

std::string formatNumber(double v, int digits, bool leadingDigit, bool parens, bool group) {
    if (digits < 0) digits = 2;
    if (digits > 99) throw ScriptError(err::InvalidCall);
    v = roundAway(v, digits);
    const bool negative = v < 0;
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", digits, std::fabs(v));
    std::string s = buf;
    const size_t dot = s.find('.');
    std::string whole = s.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : s.substr(dot);
    if (group && whole.size() > 3) {
        std::string g;
        const size_t first = whole.size() % 3 == 0 ? 3 : whole.size() % 3;
        g = whole.substr(0, first);
        for (size_t i = first; i < whole.size(); i += 3)
            g += "," + whole.substr(i, 3);
        whole = g;
    }
    if (!leadingDigit && whole == "0" && !frac.empty()) whole.clear();
    s = whole + frac;
    const bool zero = std::fabs(v) == 0;
    if (negative && !zero) s = parens ? "(" + s + ")" : "-" + s;
    return s;
}

bool flag(std::span<const Variant> a, size_t i, bool fallback) {
    if (i >= a.size() || a[i].isEmpty()) return fallback;
    const int32_t v = longArg(a[i]);
    if (v == -2) return fallback; // vbUseDefault
    return v != 0;
}

Variant formatted(std::span<const Variant> a, double scale, const char* suffix) {
    if (a[0].isNull()) throw ScriptError(err::TypeMismatch);
    const double v = a[0].toDouble() * scale;
    const int digits = a.size() > 1 && !a[1].isEmpty() ? longArg(a[1]) : -1;
    return Variant(formatNumber(v, digits, flag(a, 2, true), flag(a, 3, false), flag(a, 4, true)) +
                   suffix);
}

double toDate(const Variant& v) {
    if (v.tag() == Variant::Tag::Date) return v.rawDouble();
    if (v.isString()) {
        double serial = datetime::serialFromDate(2000, 1, 1);
        if (datetime::parseDate(v.rawString(), serial)) return serial;
        double d;
        if (parseNumber(v.rawString(), d)) return d;
        throw ScriptError(err::TypeMismatch);
    }
    return v.toDouble();
}

} // namespace

void addConversions(Engine& e) {
    e.addFunction(
        "CBool", [](auto a) { return Variant(convertible(a[0]).toBool()); }, 1, 1);
    e.addFunction(
        "CByte", [](auto a) { return Variant::byte(convertible(a[0]).toByte()); }, 1, 1);
    e.addFunction(
        "CInt", [](auto a) { return Variant::integer(convertible(a[0]).toInteger()); }, 1, 1);
    e.addFunction(
        "CLng", [](auto a) { return Variant(convertible(a[0]).toLong()); }, 1, 1);
    e.addFunction(
        "CSng", [](auto a) { return Variant::single(convertible(a[0]).toSingle()); }, 1, 1);
    e.addFunction(
        "CDbl", [](auto a) { return Variant(convertible(a[0]).toDouble()); }, 1, 1);
    e.addFunction(
        "CStr", [](auto a) { return Variant(convertible(a[0]).toString()); }, 1, 1);
    e.addFunction(
        "CDate",
        [](auto a) {
            const double serial = toDate(convertible(a[0]));
            if (!datetime::inRange(serial)) throw ScriptError(err::Overflow);
            return Variant::date(serial);
        },
        1, 1);
    e.addFunction(
        "Hex", [](auto a) { return a[0].isNull() ? Variant::null() : Variant(radix(a[0], 4)); }, 1,
        1);
    e.addFunction(
        "Oct", [](auto a) { return a[0].isNull() ? Variant::null() : Variant(radix(a[0], 3)); }, 1,
        1);
    e.addFunction(
        "FormatNumber", [](auto a) { return formatted(a, 1, ""); }, 1, 5);
    e.addFunction(
        "FormatPercent", [](auto a) { return formatted(a, 100, "%"); }, 1, 5);
    e.addFunction(
        "CCur",
        [](auto a) { return Variant::currency(currencyFromDouble(convertible(a[0]).toDouble())); },
        1, 1);
    // "$1,234.50"; a negative amount in parentheses unless told otherwise.
    e.addFunction(
        "FormatCurrency",
        [](auto a) {
            if (a[0].isNull()) throw ScriptError(err::TypeMismatch);
            const double v = a[0].toDouble();
            const int digits = a.size() > 1 && !a[1].isEmpty() ? longArg(a[1]) : -1;
            const bool parens = flag(a, 3, true);
            std::string s =
                formatNumber(std::fabs(v), digits, flag(a, 2, true), false, flag(a, 4, true));
            const bool negative = v < 0 && s.find_first_not_of("0.,") != std::string::npos;
            s = "$" + s;
            if (negative) s = parens ? "(" + s + ")" : "-" + s;
            return Variant(s);
        },
        1, 5);
}

} // namespace script::library
