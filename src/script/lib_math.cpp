// Mathematical functions, Rnd and Randomize.

#include "script/library.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>

namespace script::library {

namespace {

using Tag = Variant::Tag;

double number(const Variant& v) {
    return notNull(v).toDouble();
}

Variant real(double r) {
    if (!std::isfinite(r)) throw ScriptError(std::isnan(r) ? err::InvalidCall : err::Overflow);
    return Variant(r);
}

// Keeps Integer/Long subtypes (Booleans and Empty count as Integer), promoting
// on overflow; everything else becomes Double.
Variant sameKind(const Variant& v, double r) {
    switch (v.tag()) {
    case Tag::Empty:
    case Tag::Boolean:
    case Tag::Byte:
    case Tag::Integer:
        if (r >= -32768 && r <= 32767) return Variant::integer(static_cast<int16_t>(r));
        [[fallthrough]];
    case Tag::Long:
        if (r >= -2147483648.0 && r <= 2147483647.0) return Variant(static_cast<int32_t>(r));
        return Variant(r);
    case Tag::Single:
        return Variant::single(static_cast<float>(r));
    case Tag::Currency:
        return Variant::currency(currencyFromDouble(r));
    default:
        return Variant(r);
    }
}

// Round half to even at `digits` decimals, treating values within rounding
// noise of a half as exact halves.
double roundEven(double v, int digits) {
    const double scale = std::pow(10.0, digits);
    const double scaled = v * scale;
    const double floor = std::floor(scaled);
    const double diff = scaled - floor;
    double r;
    if (std::fabs(diff - 0.5) < 1e-9 * std::max(1.0, std::fabs(scaled)))
        r = std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
    else
        r = std::round(scaled);
    return r / scale;
}

// The generator of VB's Rnd: a 24-bit linear congruential sequence.
struct RandomState {
    uint32_t seed = 0x50000;
    uint32_t advance() {
        seed = (seed * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
        return seed;
    }
    float value() const { return static_cast<float>(seed) / 16777216.0f; }
};

} // namespace

void addMath(Engine& e) {
    e.addFunction(
        "RGB",
        [](auto a) {
            int32_t c[3];
            for (int i = 0; i < 3; ++i) {
                c[i] = longArg(a[static_cast<size_t>(i)]);
                require(c[i] >= 0);
                if (c[i] > 255) c[i] = 255;
            }
            return Variant(c[0] + c[1] * 256 + c[2] * 65536);
        },
        3, 3);
    e.addFunction(
        "Abs",
        [](auto a) {
            if (a[0].isNull()) return Variant::null();
            return sameKind(a[0], std::fabs(a[0].toDouble()));
        },
        1, 1);
    e.addFunction(
        "Atn", [](auto a) { return real(std::atan(number(a[0]))); }, 1, 1);
    e.addFunction(
        "Cos", [](auto a) { return real(std::cos(number(a[0]))); }, 1, 1);
    e.addFunction(
        "Sin", [](auto a) { return real(std::sin(number(a[0]))); }, 1, 1);
    e.addFunction(
        "Tan", [](auto a) { return real(std::tan(number(a[0]))); }, 1, 1);
    e.addFunction(
        "Exp", [](auto a) { return real(std::exp(number(a[0]))); }, 1, 1);
    e.addFunction(
        "Log",
        [](auto a) {
            const double x = number(a[0]);
            require(x > 0);
            return real(std::log(x));
        },
        1, 1);
    e.addFunction(
        "Sqr",
        [](auto a) {
            const double x = number(a[0]);
            require(x >= 0);
            return real(std::sqrt(x));
        },
        1, 1);
    e.addFunction(
        "Fix",
        [](auto a) {
            if (a[0].isNull()) return Variant::null();
            return sameKind(a[0], std::trunc(a[0].toDouble()));
        },
        1, 1);
    e.addFunction(
        "Int",
        [](auto a) {
            if (a[0].isNull()) return Variant::null();
            return sameKind(a[0], std::floor(a[0].toDouble()));
        },
        1, 1);
    e.addFunction(
        "Sgn",
        [](auto a) {
            const double x = number(a[0]);
            return Variant::integer(static_cast<int16_t>(x < 0 ? -1 : x > 0 ? 1 : 0));
        },
        1, 1);
    e.addFunction(
        "Round",
        [](auto a) {
            if (a[0].isNull()) return Variant::null();
            const int digits = a.size() > 1 ? longArg(a[1]) : 0;
            require(digits >= 0);
            const Variant& v = a[0];
            if (digits > 15) return Variant(v.toDouble());
            if (v.tag() == Tag::Boolean) return v;
            if (v.isIntegral() || v.isEmpty()) return sameKind(v, v.toDouble());
            const double r = roundEven(v.toDouble(), digits);
            if (v.tag() == Tag::Single) return Variant::single(static_cast<float>(r));
            return Variant(r);
        },
        1, 2);

    auto state = std::make_shared<RandomState>();
    e.addFunction(
        "Rnd",
        [state](auto a) {
            if (a.empty()) {
                state->advance();
                return Variant::single(state->value());
            }
            const float x = static_cast<float>(number(a[0]));
            if (x == 0) return Variant::single(state->value());
            if (x < 0) {
                uint32_t bits;
                std::memcpy(&bits, &x, sizeof bits);
                state->seed = (bits + (bits >> 24)) & 0xFFFFFFu;
            }
            state->advance();
            return Variant::single(state->value());
        },
        0, 1);
    e.addFunction(
        "Randomize",
        [state](auto a) {
            double x;
            if (!a.empty() && !a[0].isEmpty()) {
                x = number(a[0]);
            } else {
                using namespace std::chrono;
                x = static_cast<double>(
                        duration_cast<microseconds>(system_clock::now().time_since_epoch())
                            .count() %
                        86400000000LL) /
                    1e6;
            }
            uint64_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            uint32_t high = static_cast<uint32_t>(bits >> 32);
            high = ((high & 0xFFFF) ^ (high >> 16)) << 8;
            state->seed = (state->seed & 0xFF) | (high & 0xFFFF00u);
            return Variant();
        },
        0, 1);
}

} // namespace script::library
