// String functions. Positions are 1-based; one character is one byte.

#include "script/library.h"
#include "script/operators.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace script::library {

namespace {

std::string lowerText(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string upperText(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

// The compare mode argument: 0 binary, 1 text.
int compareMode(std::span<const Variant> a, size_t i) {
    if (i >= a.size() || a[i].isEmpty()) return 0;
    const int m = longArg(a[i]);
    require(m == 0 || m == 1);
    return m;
}

// Finds `what` in `in` from byte offset `from`; npos if absent.
size_t find(std::string_view in, std::string_view what, size_t from, int mode) {
    if (mode == 0) return in.find(what, from);
    return lowerText(in).find(lowerText(what), from);
}

size_t rfind(std::string_view in, std::string_view what, size_t from, int mode) {
    if (mode == 0) return in.rfind(what, from);
    return lowerText(in).rfind(lowerText(what), from);
}

std::string text(const Variant& v) {
    return v.isString() ? v.rawString() : v.toString();
}

size_t countArg(const Variant& v, size_t limit) {
    const int32_t n = longArg(v);
    require(n >= 0);
    if (static_cast<size_t>(n) > limit) throw ScriptError(err::OutOfStringSpace);
    return static_cast<size_t>(n);
}

Variant trimmed(const Variant& v, bool left, bool right) {
    if (v.isNull()) return Variant::null();
    std::string s = text(v);
    size_t b = 0, e = s.size();
    if (left)
        while (b < e && s[b] == ' ')
            ++b;
    if (right)
        while (e > b && s[e - 1] == ' ')
            --e;
    return Variant(s.substr(b, e - b));
}

Variant instr(std::span<const Variant> a) {
    size_t first = 0;
    int32_t start = 1;
    if (a.size() >= 3) {
        start = longArg(a[0]);
        first = 1;
        require(start >= 1);
    }
    const int mode = compareMode(a, first + 2);
    const Variant& s1 = a[first];
    const Variant& s2 = a[first + 1];
    if (s1.isNull() || s2.isNull()) return Variant::null();
    const std::string hay = text(s1), needle = text(s2);
    if (static_cast<size_t>(start) > hay.size()) return Variant(static_cast<int32_t>(0));
    if (needle.empty()) return Variant(start);
    const size_t pos = find(hay, needle, static_cast<size_t>(start - 1), mode);
    return Variant(static_cast<int32_t>(pos == std::string::npos ? 0 : pos + 1));
}

Variant instrRev(std::span<const Variant> a) {
    for (const Variant& v : a)
        notNull(v);
    const std::string hay = text(a[0]), needle = text(a[1]);
    int32_t start = a.size() > 2 ? longArg(a[2]) : -1;
    require(start == -1 || start >= 1);
    const int mode = compareMode(a, 3);
    if (start == -1) start = static_cast<int32_t>(hay.size());
    if (static_cast<size_t>(start) > hay.size()) return Variant(static_cast<int32_t>(0));
    if (needle.empty()) return Variant(start);
    if (needle.size() > static_cast<size_t>(start)) return Variant(static_cast<int32_t>(0));
    const size_t pos = rfind(hay, needle, static_cast<size_t>(start) - needle.size(), mode);
    return Variant(static_cast<int32_t>(pos == std::string::npos ? 0 : pos + 1));
}

Variant replace(std::span<const Variant> a, size_t maxBytes) {
    for (const Variant& v : a)
        notNull(v);
    const std::string s = text(a[0]), what = text(a[1]), with = text(a[2]);
    const int32_t start = a.size() > 3 ? longArg(a[3]) : 1;
    const int32_t count = a.size() > 4 ? longArg(a[4]) : -1;
    require(start >= 1 && count >= -1);
    const int mode = compareMode(a, 5);
    if (static_cast<size_t>(start) > s.size()) return Variant("");
    const std::string rest = s.substr(static_cast<size_t>(start - 1));
    if (what.empty() || count == 0) return Variant(rest);
    std::string out;
    size_t pos = 0;
    int32_t done = 0;
    while (count < 0 || done < count) {
        const size_t hit = find(rest, what, pos, mode);
        if (hit == std::string::npos) break;
        out.append(rest, pos, hit - pos);
        out += with;
        if (out.size() > maxBytes) throw ScriptError(err::OutOfStringSpace);
        pos = hit + what.size();
        ++done;
    }
    out.append(rest, pos, std::string::npos);
    return Variant(std::move(out));
}

Variant split(std::span<const Variant> a) {
    for (const Variant& v : a)
        notNull(v);
    const std::string s = text(a[0]);
    const std::string delim = a.size() > 1 ? text(a[1]) : " ";
    const int32_t count = a.size() > 2 ? longArg(a[2]) : -1;
    require(count >= -1);
    const int mode = compareMode(a, 3);
    std::vector<Variant> parts;
    if (s.empty() || count == 0) return Variant::array(std::move(parts));
    if (delim.empty()) {
        parts.emplace_back(s);
        return Variant::array(std::move(parts));
    }
    size_t pos = 0;
    while (true) {
        if (count > 0 && static_cast<int32_t>(parts.size()) == count - 1) break;
        const size_t hit = find(s, delim, pos, mode);
        if (hit == std::string::npos) break;
        parts.emplace_back(s.substr(pos, hit - pos));
        pos = hit + delim.size();
    }
    parts.emplace_back(s.substr(pos));
    return Variant::array(std::move(parts));
}

Variant join(std::span<const Variant> a, size_t maxBytes) {
    const Variant& arr = notNull(a[0]);
    if (arr.isObject()) throw ScriptError(err::NoSuchMember);
    if (!arr.isArray() || arr.rawArray().dimensions() > 1) throw ScriptError(err::TypeMismatch);
    const std::string delim = a.size() > 1 ? (a[1].isEmpty() ? "" : text(notNull(a[1]))) : " ";
    std::string out;
    bool firstItem = true;
    for (const Variant& item : arr.rawArray().items) {
        if (item.isNull() || item.isArray()) throw ScriptError(err::TypeMismatch);
        if (!firstItem) out += delim;
        out += text(item);
        if (out.size() > maxBytes) throw ScriptError(err::OutOfStringSpace);
        firstItem = false;
    }
    return Variant(std::move(out));
}

// Windows-1252's characters 0x80..0x9F in Unicode (0 = unassigned, kept as is).
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int32_t unicodeOf(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80]) return kCp1252High[c - 0x80];
    return c;
}

// The byte of a Unicode character in Windows-1252; '?' when it has none.
char byteOf(int32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == code || (kCp1252High[i] == 0 && code == 0x80 + i))
            return static_cast<char>(0x80 + i);
    return '?';
}

// JScript's escape(): letters, digits and @*_+-./ stay; other characters
// become %XX, or %uXXXX beyond Latin-1.
std::string escape(std::string_view s) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || std::strchr("@*_+-./", c)) {
            out += static_cast<char>(c);
            continue;
        }
        const int32_t u = c ? unicodeOf(c) : 0;
        if (u > 0xFF) {
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(u >> shift) & 0xF];
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0xF];
        }
    }
    return out;
}

std::string unescape(std::string_view s) {
    auto hexValue = [&](size_t at, size_t n, int32_t& v) {
        if (at + n > s.size()) return false;
        v = 0;
        for (size_t i = at; i < at + n; ++i) {
            if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
            const int c = std::tolower(static_cast<unsigned char>(s[i]));
            v = v * 16 + (std::isdigit(c) ? c - '0' : c - 'a' + 10);
        }
        return true;
    };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        int32_t v;
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == 'u' && hexValue(i + 2, 4, v)) {
            out += byteOf(v);
            i += 5;
        } else if (s[i] == '%' && hexValue(i + 1, 2, v)) {
            out += static_cast<char>(v);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

Variant filter(std::span<const Variant> a) {
    const Variant& arr = notNull(a[0]);
    if (!arr.isArray() || arr.rawArray().dimensions() != 1) throw ScriptError(err::TypeMismatch);
    const std::string what = text(notNull(a[1]));
    const bool include = a.size() > 2 && !a[2].isEmpty() ? notNull(a[2]).toBool() : true;
    const int mode = compareMode(a, 3);
    std::vector<Variant> kept;
    for (const Variant& item : arr.rawArray().items) {
        if (item.isNull() || item.isArray() || item.isObject())
            throw ScriptError(err::TypeMismatch);
        const std::string s = text(item);
        if ((find(s, what, 0, mode) != std::string::npos) == include) kept.emplace_back(s);
    }
    return Variant::array(std::move(kept));
}

} // namespace

void addStrings(Engine& e) {
    const size_t maxBytes = e.limits().maxStringBytes;
    e.addFunction(
        "Len",
        [](auto a) {
            if (a[0].isNull()) return Variant::null();
            return Variant(static_cast<int32_t>(text(a[0]).size()));
        },
        1, 1);
    e.addFunction(
        "Left",
        [](auto a) {
            const int32_t n = longArg(a[1]);
            require(n >= 0);
            if (a[0].isNull()) return Variant::null();
            const std::string s = text(a[0]);
            return Variant(s.substr(0, static_cast<size_t>(n)));
        },
        2, 2);
    e.addFunction(
        "Right",
        [](auto a) {
            const int32_t n = longArg(a[1]);
            require(n >= 0);
            if (a[0].isNull()) return Variant::null();
            const std::string s = text(a[0]);
            const size_t k = std::min(s.size(), static_cast<size_t>(n));
            return Variant(s.substr(s.size() - k));
        },
        2, 2);
    e.addFunction(
        "Mid",
        [](auto a) {
            const int32_t start = longArg(a[1]);
            require(start >= 1);
            int32_t len = -1;
            if (a.size() > 2) {
                len = longArg(a[2]);
                require(len >= 0);
            }
            if (a[0].isNull()) return Variant::null();
            const std::string s = text(a[0]);
            if (static_cast<size_t>(start) > s.size()) return Variant("");
            return Variant(s.substr(static_cast<size_t>(start - 1),
                                    len < 0 ? std::string::npos : static_cast<size_t>(len)));
        },
        2, 3);
    e.addFunction(
        "InStr", [](auto a) { return instr(a); }, 2, 4);
    e.addFunction(
        "InStrRev", [](auto a) { return instrRev(a); }, 2, 4);
    e.addFunction(
        "Replace", [maxBytes](auto a) { return replace(a, maxBytes); }, 3, 6);
    e.addFunction(
        "Split", [](auto a) { return split(a); }, 1, 4);
    e.addFunction(
        "Join", [maxBytes](auto a) { return join(a, maxBytes); }, 1, 2);
    e.addFunction(
        "Trim", [](auto a) { return trimmed(a[0], true, true); }, 1, 1);
    e.addFunction(
        "LTrim", [](auto a) { return trimmed(a[0], true, false); }, 1, 1);
    e.addFunction(
        "RTrim", [](auto a) { return trimmed(a[0], false, true); }, 1, 1);
    e.addFunction(
        "UCase",
        [](auto a) { return a[0].isNull() ? Variant::null() : Variant(upperText(text(a[0]))); }, 1,
        1);
    e.addFunction(
        "LCase",
        [](auto a) { return a[0].isNull() ? Variant::null() : Variant(lowerText(text(a[0]))); }, 1,
        1);
    e.addFunction(
        "Space", [maxBytes](auto a) { return Variant(std::string(countArg(a[0], maxBytes), ' ')); },
        1, 1);
    e.addFunction(
        "String",
        [maxBytes](auto a) {
            const size_t n = countArg(a[0], maxBytes);
            const Variant& c = notNull(a[1]);
            char ch;
            if (c.isString()) {
                require(!c.rawString().empty());
                ch = c.rawString()[0];
            } else {
                ch = static_cast<char>(c.toLong() & 0xff);
            }
            return Variant(std::string(n, ch));
        },
        2, 2);
    e.addFunction(
        "StrComp",
        [](auto a) {
            const int mode = compareMode(a, 2);
            if (a[0].isNull() || a[1].isNull()) return Variant::null();
            return Variant::integer(
                static_cast<int16_t>(ops::compareText(text(a[0]), text(a[1]), mode)));
        },
        2, 3);
    e.addFunction(
        "StrReverse",
        [](auto a) {
            std::string s = text(notNull(a[0]));
            std::reverse(s.begin(), s.end());
            return Variant(std::move(s));
        },
        1, 1);
    auto asc = [](auto a) {
        const std::string s = text(notNull(a[0]));
        require(!s.empty());
        return Variant::integer(static_cast<int16_t>(static_cast<unsigned char>(s[0])));
    };
    e.addFunction("Asc", asc, 1, 1);
    e.addFunction(
        "AscW",
        [](auto a) {
            const std::string s = text(notNull(a[0]));
            require(!s.empty());
            return Variant::integer(
                static_cast<int16_t>(unicodeOf(static_cast<unsigned char>(s[0]))));
        },
        1, 1);
    e.addFunction(
        "Chr",
        [](auto a) {
            const int32_t n = longArg(a[0]);
            require(n >= 0 && n <= 255);
            return Variant(std::string(1, static_cast<char>(n)));
        },
        1, 1);
    // Strings hold Windows-1252 bytes: a character outside it becomes "?".
    e.addFunction(
        "ChrW",
        [](auto a) {
            int32_t n = longArg(a[0]);
            require(n >= -32768 && n <= 65535);
            if (n < 0) n += 65536;
            return Variant(std::string(1, byteOf(n)));
        },
        1, 1);
    e.addFunction(
        "Filter", [](auto a) { return filter(a); }, 2, 4);
    e.addFunction(
        "Escape",
        [](auto a) { return a[0].isNull() ? Variant::null() : Variant(escape(text(a[0]))); }, 1, 1);
    e.addFunction(
        "Unescape",
        [](auto a) { return a[0].isNull() ? Variant::null() : Variant(unescape(text(a[0]))); }, 1,
        1);
}

} // namespace script::library
