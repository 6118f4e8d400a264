#include "script/operators.h"

#include "script/datetime.h"

#include <cctype>
#include <cmath>
#include <cstdint>

namespace script::ops {

namespace {

using Tag = Variant::Tag;

// Numeric ranks of the arithmetic operand types.
enum Rank : int {
    RankEmpty = 0,
    RankByte = 1,
    RankInteger = 2,
    RankLong = 3,
    RankCurrency = 4,
    RankSingle = 5,
    RankDouble = 6
};

int rankOf(const Variant& v) {
    switch (v.tag()) {
    case Tag::Empty:
        return RankEmpty;
    case Tag::Byte:
        return RankByte;
    case Tag::Boolean:
    case Tag::Integer:
        return RankInteger;
    case Tag::Long:
        return RankLong;
    case Tag::Currency:
        return RankCurrency;
    case Tag::Single:
        return RankSingle;
    default:
        return RankDouble; // Double, Date, String
    }
}

// Stores an integral result in the smallest type of at least `rank`.
void storeIntegral(long long r, int rank, Variant& out) {
    if (rank <= RankByte && r >= 0 && r <= 255)
        return out.setInt(Tag::Byte, static_cast<int32_t>(r));
    if (rank <= RankInteger && r >= -32768 && r <= 32767)
        return out.setInt(Tag::Integer, static_cast<int32_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return out.setInt(Tag::Long, static_cast<int32_t>(r));
    out.setDouble(Tag::Double, static_cast<double>(r));
}

// Unwraps objects to their default value; `holder` keeps the result alive.
const Variant& valueOf(const Variant& v, Variant& holder) {
    const Variant& d = v.deref();
    if (d.tag() != Tag::Object) return d;
    holder = d.defaultValue();
    return holder;
}

double numberOf(const Variant& v) {
    return v.toDouble();
}

int32_t roundedLong(const Variant& v) {
    return v.toLong();
}

void arithmetic(BinOp op, const Variant& a, const Variant& b, Variant& out) {
    if (a.isArray() || b.isArray()) throw ScriptError(err::TypeMismatch);
    if (a.isNull() || b.isNull()) return void(out = Variant::null());
    if (op == BinOp::Add && a.isString() && (b.isString() || b.isEmpty()))
        return void(out = Variant(a.rawString() + (b.isString() ? b.rawString() : std::string())));
    if (op == BinOp::Add && a.isEmpty() && b.isString()) return void(out = b);

    const bool aDate = a.tag() == Tag::Date, bDate = b.tag() == Tag::Date;
    int rank = std::max(rankOf(a), rankOf(b));
    if (rank == RankEmpty) rank = RankInteger;
    if (rank <= RankLong) {
        const long long x = a.isEmpty() ? 0 : a.rawInt();
        const long long y = b.isEmpty() ? 0 : b.rawInt();
        long long r = op == BinOp::Add ? x + y : op == BinOp::Sub ? x - y : x * y;
        // Booleans alone give Integer, not Boolean.
        return storeIntegral(r, rank, out);
    }
    const bool currency = a.tag() == Tag::Currency || b.tag() == Tag::Currency;
    if (rank == RankCurrency) {
        // Exact in 1/10000 units; a product is rescaled once.
        auto units = [](const Variant& v) -> long double {
            return v.tag() == Tag::Currency ? static_cast<long double>(v.rawCurrency())
                                            : static_cast<long double>(v.toDouble()) * 10000;
        };
        const long double x = units(a), y = units(b);
        const long double r = op == BinOp::Add   ? x + y
                              : op == BinOp::Sub ? x - y
                                                 : std::nearbyint(x * y / 10000);
        if (!(r >= -9.2233720368547758e18L && r < 9.2233720368547758e18L))
            throw ScriptError(err::Overflow);
        return void(out = Variant::currency(static_cast<int64_t>(r)));
    }
    const double x = numberOf(a), y = numberOf(b);
    double r = op == BinOp::Add ? x + y : op == BinOp::Sub ? x - y : x * y;
    if (std::isinf(r) && std::isfinite(x) && std::isfinite(y)) throw ScriptError(err::Overflow);
    if (currency) rank = RankDouble; // Currency and Single give Double
    if ((aDate || bDate) && op != BinOp::Mul && !(aDate && bDate && op == BinOp::Sub)) {
        if (!datetime::inRange(r)) throw ScriptError(err::Overflow);
        return out.setDouble(Tag::Date, r);
    }
    if (rank == RankSingle && a.tag() != Tag::Date && b.tag() != Tag::Date)
        return void(out = Variant::single(static_cast<float>(r)));
    out.setDouble(Tag::Double, r);
}

void divide(const Variant& a, const Variant& b, Variant& out) {
    if (a.isArray() || b.isArray()) throw ScriptError(err::TypeMismatch);
    if (a.isNull() || b.isNull()) return void(out = Variant::null());
    const double x = numberOf(a), y = numberOf(b);
    if (y == 0) throw ScriptError(err::DivisionByZero);
    const double r = x / y;
    if (std::isinf(r)) throw ScriptError(err::Overflow);
    out.setDouble(Tag::Double, r);
}

void integerDivide(BinOp op, const Variant& a, const Variant& b, Variant& out) {
    if (a.isArray() || b.isArray()) throw ScriptError(err::TypeMismatch);
    if (a.isNull() || b.isNull()) return void(out = Variant::null());
    int rank = std::max(rankOf(a), rankOf(b));
    if (rank == RankEmpty) rank = RankInteger;
    if (rank > RankLong) rank = RankLong;
    const long long x = roundedLong(a), y = roundedLong(b);
    if (y == 0) throw ScriptError(err::DivisionByZero);
    const long long r = op == BinOp::IntDiv ? x / y : x % y;
    storeIntegral(r, rank, out);
}

void power(const Variant& a, const Variant& b, Variant& out) {
    if (a.isArray() || b.isArray()) throw ScriptError(err::TypeMismatch);
    if (a.isNull() || b.isNull()) return void(out = Variant::null());
    const double x = numberOf(a), y = numberOf(b);
    const double r = std::pow(x, y);
    if (std::isnan(r)) throw ScriptError(err::InvalidCall);
    if (std::isinf(r)) throw ScriptError(x == 0 ? err::DivisionByZero : err::Overflow);
    out.setDouble(Tag::Double, r);
}

void concat(const Variant& a, const Variant& b, Variant& out) {
    if (a.isArray() || b.isArray()) throw ScriptError(err::TypeMismatch);
    if (a.isNull() && b.isNull()) return void(out = Variant::null());
    std::string s = a.isNull() ? std::string() : a.toString();
    if (!b.isNull()) {
        if (b.isString())
            s += b.rawString();
        else
            s += b.toString();
    }
    out = Variant(std::move(s));
}

// Logical operands: Boolean stays Boolean; otherwise an integer of a rank.
struct Logical {
    bool isBool = false;
    bool isNull = false;
    int rank = RankLong;
    int32_t value = 0;
};

Logical logicalOperand(const Variant& v) {
    Logical l;
    switch (v.tag()) {
    case Tag::Null:
        l.isNull = true;
        return l;
    case Tag::Empty:
        l.rank = RankLong;
        return l;
    case Tag::Boolean:
        l.isBool = true;
        l.rank = RankInteger;
        l.value = v.rawInt();
        return l;
    case Tag::Byte:
        l.rank = RankByte;
        break;
    case Tag::Integer:
        l.rank = RankInteger;
        break;
    case Tag::Long:
        l.rank = RankLong;
        break;
    case Tag::String:
        if (sameName(v.rawString(), "true") || sameName(v.rawString(), "false")) {
            l.isBool = true;
            l.rank = RankInteger;
            l.value = sameName(v.rawString(), "true") ? -1 : 0;
            return l;
        }
        l.rank = RankLong;
        l.value = v.toLong();
        return l;
    case Tag::Array:
        throw ScriptError(err::TypeMismatch);
    default:
        l.rank = RankLong;
        break;
    }
    l.value = v.toLong();
    return l;
}

void storeLogical(int32_t r, bool asBool, int rank, Variant& out) {
    if (asBool) return void(out = Variant(r != 0));
    if (rank == RankByte) return out.setInt(Tag::Byte, r & 0xff);
    if (rank == RankInteger) return out.setInt(Tag::Integer, static_cast<int16_t>(r));
    out.setInt(Tag::Long, r);
}

int32_t allOnes(const Logical& l) {
    return l.rank == RankByte ? 0xff : -1;
}

void logical(BinOp op, const Variant& a, const Variant& b, Variant& out) {
    const Logical x = logicalOperand(a), y = logicalOperand(b);
    if (x.isNull || y.isNull) {
        if (x.isNull && y.isNull) return void(out = Variant::null());
        const Logical& o = x.isNull ? y : x;
        switch (op) {
        case BinOp::And:
            if (o.value == 0) return storeLogical(0, o.isBool, o.rank, out);
            break;
        case BinOp::Or:
            if (o.value == allOnes(o)) return storeLogical(o.value, o.isBool, o.rank, out);
            break;
        case BinOp::Imp:
            if (y.isNull && x.value == 0) return storeLogical(allOnes(x), x.isBool, x.rank, out);
            if (x.isNull && y.value == allOnes(y))
                return storeLogical(y.value, y.isBool, y.rank, out);
            break;
        default:
            break;
        }
        return void(out = Variant::null());
    }
    const bool asBool = x.isBool && y.isBool;
    int rank = std::max(x.rank, y.rank);
    if (x.rank == RankByte && y.rank == RankByte)
        rank = RankByte;
    else if (rank == RankByte)
        rank = RankInteger;
    int32_t r = 0;
    switch (op) {
    case BinOp::And:
        r = x.value & y.value;
        break;
    case BinOp::Or:
        r = x.value | y.value;
        break;
    case BinOp::Xor:
        r = x.value ^ y.value;
        break;
    case BinOp::Eqv:
        r = ~(x.value ^ y.value);
        break;
    case BinOp::Imp:
        r = ~x.value | y.value;
        break;
    default:
        break;
    }
    storeLogical(r, asBool, rank, out);
}

int compareStrings(const std::string& a, const std::string& b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int compareNumbers(const Variant& a, const Variant& b) {
    if ((a.isIntegral() || a.isEmpty()) && (b.isIntegral() || b.isEmpty())) {
        const int32_t x = a.isEmpty() ? 0 : a.rawInt(), y = b.isEmpty() ? 0 : b.rawInt();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : x > y ? 1 : 0;
}

} // namespace

int compareText(std::string_view a, std::string_view b, int mode) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (mode == 1) {
            x = static_cast<unsigned char>(std::tolower(x));
            y = static_cast<unsigned char>(std::tolower(y));
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int compare(const Variant& ra, const Variant& rb, bool aLit, bool bLit) {
    Variant ha, hb;
    const Variant& a = valueOf(ra, ha);
    const Variant& b = valueOf(rb, hb);
    if (a.isArray() || b.isArray()) throw ScriptError(err::TypeMismatch);
    if (a.isNull() || b.isNull()) return kCompareNull;
    const bool as = a.isString(), bs = b.isString();
    if (as && bs) return compareStrings(a.rawString(), b.rawString());
    if (as && b.isEmpty()) return compareStrings(a.rawString(), std::string());
    if (bs && a.isEmpty()) return compareStrings(std::string(), b.rawString());
    if (!as && !bs) return compareNumbers(a, b);

    // A string meets a number.
    const Variant& s = as ? a : b;
    const Variant& n = as ? b : a;
    const bool sLit = as ? aLit : bLit, nLit = as ? bLit : aLit;
    int r;
    if (n.tag() == Tag::Boolean || n.tag() == Tag::Byte || (sLit && !nLit)) {
        r = compareStrings(s.rawString(), n.toString());
    } else if (nLit || sLit) {
        double d;
        if (!parseNumber(s.rawString(), d)) throw ScriptError(err::TypeMismatch);
        const double x = n.toDouble();
        r = d < x ? -1 : d > x ? 1 : 0;
    } else {
        r = 1; // a computed string is greater than any computed number
    }
    return as ? r : -r;
}

bool isTrue(const Variant& condition) {
    const Variant& c = condition.deref();
    switch (c.tag()) {
    case Tag::Boolean:
    case Tag::Integer:
    case Tag::Long:
    case Tag::Byte:
        return c.rawInt() != 0;
    case Tag::Null:
    case Tag::Empty:
        return false;
    default:
        return c.toBool();
    }
}

void binary(BinOp op, const Variant& ra, const Variant& rb, Variant& out, bool aLit, bool bLit) {
    if (op == BinOp::Is) {
        const Variant &a = ra.deref(), &b = rb.deref();
        if (!a.isObject() || !b.isObject()) throw ScriptError(err::ObjectRequired);
        return void(out = Variant(a.rawObject() == b.rawObject()));
    }
    if (op >= BinOp::Eq && op <= BinOp::Ge) {
        const int c = compare(ra, rb, aLit, bLit);
        if (c == kCompareNull) return void(out = Variant::null());
        bool r = false;
        switch (op) {
        case BinOp::Eq:
            r = c == 0;
            break;
        case BinOp::Ne:
            r = c != 0;
            break;
        case BinOp::Lt:
            r = c < 0;
            break;
        case BinOp::Gt:
            r = c > 0;
            break;
        case BinOp::Le:
            r = c <= 0;
            break;
        case BinOp::Ge:
            r = c >= 0;
            break;
        default:
            break;
        }
        return void(out = Variant(r));
    }
    Variant ha, hb;
    const Variant& a = valueOf(ra, ha);
    const Variant& b = valueOf(rb, hb);
    switch (op) {
    case BinOp::Add:
    case BinOp::Sub:
    case BinOp::Mul:
        return arithmetic(op, a, b, out);
    case BinOp::Div:
        return divide(a, b, out);
    case BinOp::IntDiv:
    case BinOp::Mod:
        return integerDivide(op, a, b, out);
    case BinOp::Pow:
        return power(a, b, out);
    case BinOp::Concat:
        return concat(a, b, out);
    default:
        return logical(op, a, b, out);
    }
}

void negate(const Variant& ra, Variant& out) {
    Variant h;
    const Variant& a = valueOf(ra, h);
    switch (a.tag()) {
    case Tag::Null:
        out = Variant::null();
        return;
    case Tag::Empty:
        out.setInt(Tag::Integer, 0);
        return;
    case Tag::Boolean:
    case Tag::Integer:
        return storeIntegral(-static_cast<long long>(a.rawInt()), RankInteger, out);
    case Tag::Byte:
        return storeIntegral(-static_cast<long long>(a.rawInt()), RankInteger, out);
    case Tag::Long:
        return storeIntegral(-static_cast<long long>(a.rawInt()), RankLong, out);
    case Tag::Single:
        out = Variant::single(-a.rawSingle());
        return;
    case Tag::Currency:
        out = Variant::currency(-a.rawCurrency());
        return;
    case Tag::Date:
        out.setDouble(Tag::Date, -a.rawDouble());
        return;
    case Tag::Array:
        throw ScriptError(err::TypeMismatch);
    default:
        out.setDouble(Tag::Double, -a.toDouble());
        return;
    }
}

void logicalNot(const Variant& ra, Variant& out) {
    Variant h;
    const Variant& a = valueOf(ra, h);
    if (a.isNull()) return void(out = Variant::null());
    const Logical l = logicalOperand(a);
    storeLogical(~l.value, l.isBool, l.rank, out);
}

} // namespace script::ops
