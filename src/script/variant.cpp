#include "script/variant.h"

#include "script/datetime.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace script {

// ---- Object -----------------------------------------------------------------

int Object::findMember(std::string_view) const {
    return -1;
}

Variant Object::invoke(int, Access, std::span<const Variant>) {
    throw ScriptError(err::NoSuchMember);
}

bool Object::enumerate(std::vector<Variant>&) {
    return false;
}

void Object::destroy() noexcept {
    // While an object is being destroyed, objects it releases wait in this
    // list instead of being destroyed inside its destructor.
    thread_local std::vector<Object*>* pending = nullptr;
    if (pending) {
        pending->push_back(this);
        return;
    }
    std::vector<Object*> list;
    pending = &list;
    Object* o = this;
    while (true) {
        o->lastReleased();
        if (list.empty()) break;
        o = list.back();
        list.pop_back();
    }
    pending = nullptr;
}

// ---- ArrayData --------------------------------------------------------------

long long ArrayData::offset(std::span<const int32_t> indices) const {
    if (indices.size() != counts.size()) return -1;
    long long pos = 0;
    long long stride = 1;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (indices[i] < 0 || indices[i] >= counts[i]) return -1;
        pos += indices[i] * stride;
        stride *= counts[i];
    }
    return pos;
}

// ---- Variant storage -----------------------------------------------------------

Variant::Variant(std::string_view s) : tag_(Tag::String) {
    u_.s = new StringData{1, std::string(s)};
}

Variant::Variant(std::string&& s) : tag_(Tag::String) {
    u_.s = new StringData{1, std::move(s)};
}

Variant::Variant(Object* o, int) noexcept : tag_(Tag::Object) {
    u_.o = o;
    if (o) o->addRef();
}

Variant Variant::array(std::vector<Variant> items) {
    Variant v;
    auto* a = new ArrayData;
    a->refs = 1;
    a->counts.push_back(static_cast<int32_t>(items.size()));
    a->items = std::move(items);
    v.tag_ = Tag::Array;
    v.u_.a = a;
    return v;
}

Variant Variant::array(std::span<const int32_t> upperBounds) {
    Variant v;
    auto* a = new ArrayData;
    a->refs = 1;
    size_t total = 1;
    for (int32_t ub : upperBounds) {
        const int32_t n = ub < 0 ? 0 : (ub == INT32_MAX ? INT32_MAX : ub + 1);
        a->counts.push_back(n);
        total *= static_cast<size_t>(n);
    }
    if (upperBounds.empty()) total = 0; // a dynamic array not yet dimensioned
    v.tag_ = Tag::Array;
    v.u_.a = a;
    a->items.resize(total);
    return v;
}

void Variant::copyFrom(const Variant& o) {
    const Variant& src = o.deref();
    tag_ = src.tag_;
    u_ = src.u_;
    switch (tag_) {
    case Tag::String:
        ++u_.s->refs;
        break;
    case Tag::Object:
        if (u_.o) u_.o->addRef();
        break;
    case Tag::Array:
        ++u_.a->refs;
        break;
    default:
        break;
    }
}

void Variant::releaseValue() noexcept {
    switch (tag_) {
    case Tag::String:
        if (--u_.s->refs == 0) delete u_.s;
        break;
    case Tag::Object:
        if (u_.o) u_.o->release();
        break;
    case Tag::Array:
        if (--u_.a->refs == 0) delete u_.a;
        break;
    default:
        break;
    }
    tag_ = Tag::Empty;
}

ArrayData& Variant::mutableArray() {
    if (u_.a->refs > 1) {
        auto* copy = new ArrayData;
        copy->refs = 1;
        copy->counts = u_.a->counts;
        copy->items = u_.a->items;
        --u_.a->refs;
        u_.a = copy;
    }
    return *u_.a;
}

std::string& Variant::mutableString() {
    if (u_.s->refs > 1) {
        auto* copy = new StringData{1, u_.s->text};
        --u_.s->refs;
        u_.s = copy;
    }
    return u_.s->text;
}

VarType Variant::type() const noexcept {
    switch (deref().tag_) {
    case Tag::Empty:
        return VarType::Empty;
    case Tag::Null:
        return VarType::Null;
    case Tag::Boolean:
        return VarType::Boolean;
    case Tag::Byte:
        return VarType::Byte;
    case Tag::Integer:
        return VarType::Integer;
    case Tag::Long:
        return VarType::Long;
    case Tag::Single:
        return VarType::Single;
    case Tag::Double:
        return VarType::Double;
    case Tag::Currency:
        return VarType::Currency;
    case Tag::Date:
        return VarType::Date;
    case Tag::String:
        return VarType::String;
    case Tag::Object:
        return VarType::Object;
    case Tag::Array:
        return VarType::Array;
    case Tag::Ref:
        break;
    }
    return VarType::Empty;
}

// ---- names --------------------------------------------------------------------

bool sameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string lowerName(std::string_view name) {
    std::string s(name);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// ---- number text ------------------------------------------------------------------

bool parseNumber(std::string_view t, double& out) {
    size_t i = 0, n = t.size();
    auto blank = [&](size_t k) { return k < n && (t[k] == ' ' || t[k] == '\t'); };
    while (blank(i))
        ++i;
    while (n > i && (t[n - 1] == ' ' || t[n - 1] == '\t'))
        --n;
    if (i >= n) return false;
    if (t[i] == '&' && i + 1 < n) {
        const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(t[i + 1])));
        const int base = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
        if (base == 0) return false;
        size_t k = i + 2;
        if (k >= n) return false;
        unsigned long long v = 0;
        int digits = 0;
        for (; k < n; ++k) {
            const int c = std::tolower(static_cast<unsigned char>(t[k]));
            int d = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
            if (d >= base) return false;
            v = v * base + d;
            if (v > 0xffffffffULL) return false;
            ++digits;
        }
        (void)digits;
        // 16-bit values wrap as Integers, larger ones as Longs.
        if (v <= 0xffff)
            out = static_cast<int16_t>(static_cast<uint16_t>(v));
        else
            out = static_cast<int32_t>(static_cast<uint32_t>(v));
        return true;
    }
    std::string buf;
    buf.reserve(n - i);
    size_t k = i;
    if (t[k] == '+' || t[k] == '-') buf += t[k++];
    bool digits = false, point = false;
    for (; k < n; ++k) {
        const char c = t[k];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            buf += c;
            digits = true;
        } else if (c == ',' && !point && digits) {
            continue; // thousands separator
        } else if (c == '.' && !point) {
            buf += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (k < n && (t[k] == 'e' || t[k] == 'E' || t[k] == 'd' || t[k] == 'D')) {
        buf += 'e';
        ++k;
        if (k < n && (t[k] == '+' || t[k] == '-')) buf += t[k++];
        bool expDigits = false;
        while (k < n && std::isdigit(static_cast<unsigned char>(t[k]))) {
            buf += t[k++];
            expDigits = true;
        }
        if (!expDigits) return false;
    }
    if (k != n) return false;
    char* end = nullptr;
    const double v = std::strtod(buf.c_str(), &end);
    if (std::isinf(v)) return false;
    out = v;
    return true;
}

static std::string formatGeneral(double v, int precision) {
    if (v == 0) return "0"; // also -0
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", precision, v);
    return buf;
}

std::string formatDouble(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "1.#INF" : "-1.#INF";
    return formatGeneral(v, 15);
}

std::string formatSingle(float v) {
    return formatGeneral(v, 7);
}

std::string formatCurrency(int64_t c) {
    const bool negative = c < 0;
    const uint64_t u = negative ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
    std::string s = std::to_string(u / 10000);
    uint64_t frac = u % 10000;
    if (frac) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%04u", static_cast<unsigned>(frac));
        std::string f = buf;
        while (f.back() == '0')
            f.pop_back();
        s += f;
    }
    return negative ? "-" + s : s;
}

int64_t currencyFromDouble(double v) {
    const double scaled = std::nearbyint(v * 10000.0);
    if (!(scaled >= -9.2233720368547758e18 && scaled < 9.2233720368547758e18))
        throw ScriptError(err::Overflow);
    return static_cast<int64_t>(scaled);
}

// ---- conversions ----------------------------------------------------------------

namespace {

[[noreturn]] void typeMismatch() {
    throw ScriptError(err::TypeMismatch);
}

double roundHalfEven(double v) {
    return std::nearbyint(v);
} // default FE_TONEAREST

bool stringToBool(const std::string& s) {
    if (sameName(s, "true") || sameName(s, "#true#")) return true;
    if (sameName(s, "false") || sameName(s, "#false#")) return false;
    double d;
    if (parseNumber(s, d)) return d != 0;
    typeMismatch();
}

double stringToDouble(const std::string& s) {
    double d;
    if (parseNumber(s, d)) return d;
    typeMismatch();
}

} // namespace

Variant Variant::defaultValue() const {
    const Variant& v = deref();
    if (v.tag_ != Tag::Object) return v;
    if (!v.u_.o) throw ScriptError(err::ObjectNotSet);
    Ref<Object> keep(v.u_.o);
    Variant r = keep->invoke(Object::kDefaultMember, Access::Get, {});
    if (r.tag_ == Tag::Object) throw ScriptError(err::TypeMismatch);
    return r;
}

bool Variant::toBool() const {
    const Variant& v = deref();
    switch (v.tag_) {
    case Tag::Empty:
        return false;
    case Tag::Null:
        throw ScriptError(err::InvalidUseOfNull);
    case Tag::Boolean:
    case Tag::Byte:
    case Tag::Integer:
    case Tag::Long:
        return v.u_.l != 0;
    case Tag::Single:
        return v.u_.f != 0;
    case Tag::Double:
    case Tag::Date:
        return v.u_.d != 0;
    case Tag::Currency:
        return v.u_.c != 0;
    case Tag::String:
        return stringToBool(v.u_.s->text);
    case Tag::Object:
        return v.defaultValue().toBool();
    default:
        typeMismatch();
    }
}

double Variant::toDouble() const {
    const Variant& v = deref();
    switch (v.tag_) {
    case Tag::Empty:
        return 0;
    case Tag::Null:
        throw ScriptError(err::InvalidUseOfNull);
    case Tag::Boolean:
    case Tag::Byte:
    case Tag::Integer:
    case Tag::Long:
        return v.u_.l;
    case Tag::Single:
        return v.u_.f;
    case Tag::Double:
    case Tag::Date:
        return v.u_.d;
    case Tag::Currency:
        return static_cast<double>(v.u_.c) / 10000.0;
    case Tag::String:
        return stringToDouble(v.u_.s->text);
    case Tag::Object:
        return v.defaultValue().toDouble();
    default:
        typeMismatch();
    }
}

int32_t Variant::toLong() const {
    const Variant& v = deref();
    if (v.tag_ >= Tag::Boolean && v.tag_ <= Tag::Long) return v.u_.l;
    if (v.tag_ == Tag::Empty) return 0;
    const double d = roundHalfEven(v.toDouble());
    if (!(d >= -2147483648.0 && d <= 2147483647.0)) throw ScriptError(err::Overflow);
    return static_cast<int32_t>(d);
}

int16_t Variant::toInteger() const {
    const Variant& v = deref();
    double d;
    if (v.tag_ >= Tag::Boolean && v.tag_ <= Tag::Long)
        d = v.u_.l;
    else
        d = roundHalfEven(v.toDouble());
    if (!(d >= -32768.0 && d <= 32767.0)) throw ScriptError(err::Overflow);
    return static_cast<int16_t>(d);
}

uint8_t Variant::toByte() const {
    const Variant& v = deref();
    double d;
    if (v.tag_ >= Tag::Boolean && v.tag_ <= Tag::Long)
        d = v.u_.l;
    else
        d = roundHalfEven(v.toDouble());
    if (v.tag_ == Tag::Boolean) d = v.u_.l ? 255 : 0;
    if (!(d >= 0.0 && d <= 255.0)) throw ScriptError(err::Overflow);
    return static_cast<uint8_t>(d);
}

float Variant::toSingle() const {
    const double d = toDouble();
    if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
        throw ScriptError(err::Overflow);
    return static_cast<float>(d);
}

std::string Variant::toString() const {
    const Variant& v = deref();
    switch (v.tag_) {
    case Tag::Empty:
        return {};
    case Tag::Null:
        throw ScriptError(err::InvalidUseOfNull);
    case Tag::Boolean:
        return v.u_.l ? "True" : "False";
    case Tag::Byte:
    case Tag::Integer:
    case Tag::Long:
        return std::to_string(v.u_.l);
    case Tag::Single:
        return formatSingle(v.u_.f);
    case Tag::Double:
        return formatDouble(v.u_.d);
    case Tag::Currency:
        return formatCurrency(v.u_.c);
    case Tag::Date:
        return datetime::formatDate(v.u_.d);
    case Tag::String:
        return v.u_.s->text;
    case Tag::Object:
        return v.defaultValue().toString();
    default:
        typeMismatch();
    }
}

Ref<Object> Variant::toObject() const {
    const Variant& v = deref();
    if (v.tag_ != Tag::Object) throw ScriptError(err::ObjectRequired);
    return Ref<Object>(v.u_.o);
}

std::string typeName(const Variant& value) {
    const Variant& v = value.deref();
    switch (v.tag()) {
    case Variant::Tag::Empty:
        return "Empty";
    case Variant::Tag::Null:
        return "Null";
    case Variant::Tag::Boolean:
        return "Boolean";
    case Variant::Tag::Byte:
        return "Byte";
    case Variant::Tag::Integer:
        return "Integer";
    case Variant::Tag::Long:
        return "Long";
    case Variant::Tag::Single:
        return "Single";
    case Variant::Tag::Double:
        return "Double";
    case Variant::Tag::Currency:
        return "Currency";
    case Variant::Tag::Date:
        return "Date";
    case Variant::Tag::String:
        return "String";
    case Variant::Tag::Object:
        return v.rawObject() ? v.rawObject()->typeName() : "Nothing";
    case Variant::Tag::Array:
        return "Variant()";
    case Variant::Tag::Ref:
        break;
    }
    return "Unknown";
}

} // namespace script
