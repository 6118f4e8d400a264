// Date and time functions.

#include "script/datetime.h"
#include "script/library.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace script::library {

namespace {

using datetime::Parts;

// Serials encode days before 1899-12-30 with a positive time fraction;
// "linear" time runs straight through zero and is what arithmetic needs.
double linear(double serial) {
    const double day = std::trunc(serial);
    return day + std::fabs(serial - day);
}

double fromLinear(double t) {
    const double day = std::floor(t);
    const double time = t - day;
    return day >= 0 ? day + time : day - time;
}

Variant dateResult(double serial) {
    if (!datetime::inRange(serial)) throw ScriptError(err::InvalidCall);
    return Variant::date(serial);
}

double today() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return datetime::serialFromDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

double dateArg(const Variant& v) {
    double serial;
    if (v.tag() == Variant::Tag::Date) {
        serial = v.rawDouble();
    } else if (v.isString()) {
        serial = today();
        if (!datetime::parseDate(v.rawString(), serial)) {
            if (!parseNumber(v.rawString(), serial)) throw ScriptError(err::TypeMismatch);
        }
    } else {
        serial = notNull(v).toDouble();
    }
    require(datetime::inRange(serial));
    return serial;
}

double nowSerial() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    Parts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return datetime::serialFromParts(p);
}

// Part accessors return Null for Null.
template <class F> NativeFunction part(F f) {
    return [f](std::span<const Variant> a) -> Variant {
        if (a[0].isNull()) return Variant::null();
        return Variant::integer(static_cast<int16_t>(f(datetime::partsFromSerial(dateArg(a[0])))));
    };
}

int yearArg(const Variant& v) {
    int y = longArg(v);
    if (y >= 0 && y < 30)
        y += 2000;
    else if (y >= 30 && y < 100)
        y += 1900;
    return y;
}

Variant addMonths(double serial, long long months) {
    Parts p = datetime::partsFromSerial(serial);
    long long total = static_cast<long long>(p.year) * 12 + (p.month - 1) + months;
    if (total < 100 * 12 || total >= 10000 * 12) throw ScriptError(err::InvalidCall);
    p.year = static_cast<int>(total / 12);
    p.month = static_cast<int>(total % 12) + 1;
    static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int last = mdays[p.month - 1];
    if (p.month == 2 && ((p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0)) last = 29;
    if (p.day > last) p.day = last;
    return dateResult(datetime::serialFromParts(p));
}

std::string intervalArg(const Variant& v) {
    const std::string s = lowerName(notNull(v).toString());
    static const char* const known[] = {"yyyy", "q", "m", "y", "d", "w", "ww", "h", "n", "s"};
    for (const char* k : known)
        if (s == k) return s;
    throw ScriptError(err::InvalidCall);
}

Variant dateAdd(std::span<const Variant> a) {
    const std::string iv = intervalArg(a[0]);
    if (a[2].isNull()) return Variant::null();
    const long long n = longArg(a[1]);
    const double serial = dateArg(a[2]);
    if (iv == "yyyy") return addMonths(serial, n * 12);
    if (iv == "q") return addMonths(serial, n * 3);
    if (iv == "m") return addMonths(serial, n);
    double seconds = 0;
    if (iv == "y" || iv == "d" || iv == "w")
        seconds = n * 86400.0;
    else if (iv == "ww")
        seconds = n * 7 * 86400.0;
    else if (iv == "h")
        seconds = n * 3600.0;
    else if (iv == "n")
        seconds = n * 60.0;
    else
        seconds = static_cast<double>(n);
    return dateResult(fromLinear(linear(serial) + seconds / 86400.0));
}

Variant dateDiff(std::span<const Variant> a) {
    const std::string iv = intervalArg(a[0]);
    if (a[1].isNull() || a[2].isNull()) return Variant::null();
    const double s1 = dateArg(a[1]), s2 = dateArg(a[2]);
    int firstDay = 1;
    if (a.size() > 3 && !a[3].isEmpty()) {
        firstDay = longArg(a[3]);
        require(firstDay >= 0 && firstDay <= 7);
        if (firstDay == 0) firstDay = 1;
    }
    const Parts p1 = datetime::partsFromSerial(s1), p2 = datetime::partsFromSerial(s2);
    const double l1 = linear(s1), l2 = linear(s2);
    long long r = 0;
    if (iv == "yyyy")
        r = p2.year - p1.year;
    else if (iv == "q")
        r = (p2.year * 4LL + (p2.month - 1) / 3) - (p1.year * 4LL + (p1.month - 1) / 3);
    else if (iv == "m")
        r = (p2.year * 12LL + p2.month) - (p1.year * 12LL + p1.month);
    else if (iv == "y" || iv == "d")
        r = static_cast<long long>(std::floor(l2) - std::floor(l1));
    else if (iv == "w")
        r = static_cast<long long>(std::floor(l2) - std::floor(l1)) / 7;
    else if (iv == "ww") {
        // Week boundaries (days that are `firstDay`) passed between the dates.
        auto weekStart = [firstDay](double l) {
            const double day = std::floor(l);
            const int wd = datetime::weekday(day);
            return day - ((wd - firstDay + 7) % 7);
        };
        r = static_cast<long long>(weekStart(l2) - weekStart(l1)) / 7;
    } else {
        const double unit = iv == "h" ? 24.0 : iv == "n" ? 1440.0 : 86400.0;
        r = static_cast<long long>(std::floor(l2 * unit + 1e-6) - std::floor(l1 * unit + 1e-6));
    }
    if (r < INT32_MIN || r > INT32_MAX) throw ScriptError(err::Overflow);
    return Variant(static_cast<int32_t>(r));
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

int firstDayArg(std::span<const Variant> a, size_t i) {
    int first = i < a.size() && !a[i].isEmpty() ? longArg(a[i]) : 1;
    require(first >= 0 && first <= 7);
    return first == 0 ? 1 : first;
}

// United States English forms: "Friday, May 31, 2019", "5/31/2019",
// "1:45:00 PM", "13:45".
Variant formatDateTime(std::span<const Variant> a) {
    if (a[0].isNull()) return Variant::null();
    const double serial = dateArg(a[0]);
    const int format = a.size() > 1 && !a[1].isEmpty() ? longArg(a[1]) : 0;
    require(format >= 0 && format <= 4);
    const Parts p = datetime::partsFromSerial(serial);
    char buf[96];
    switch (format) {
    case 1:
        std::snprintf(buf, sizeof buf, "%s, %s %d, %d",
                      kDayNames[datetime::weekday(std::floor(linear(serial))) - 1],
                      kMonthNames[p.month - 1], p.day, p.year);
        break;
    case 2:
        std::snprintf(buf, sizeof buf, "%d/%d/%d", p.month, p.day, p.year);
        break;
    case 3:
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", p.hour % 12 == 0 ? 12 : p.hour % 12,
                      p.minute, p.second, p.hour < 12 ? "AM" : "PM");
        break;
    case 4:
        std::snprintf(buf, sizeof buf, "%02d:%02d", p.hour, p.minute);
        break;
    default:
        return Variant(datetime::formatDate(serial));
    }
    return Variant(std::string(buf));
}

// The week of the year: week 1 holds January 1st (vbFirstJan1), or is the
// first with four days of the year (vbFirstFourDays), or the first whole one
// (vbFirstFullWeek).
int weekOfYear(double day, int year, int firstDay, int firstWeek) {
    auto weekOneStart = [&](int y) {
        const double jan1 = datetime::serialFromDate(y, 1, 1);
        const int offset = (datetime::weekday(jan1) - firstDay + 7) % 7;
        if (firstWeek == 2 && offset > 3) return jan1 - offset + 7;
        if (firstWeek == 3 && offset > 0) return jan1 - offset + 7;
        return jan1 - offset;
    };
    double start = weekOneStart(year);
    if (day < start) start = weekOneStart(year - 1);
    return static_cast<int>((day - start) / 7) + 1;
}

Variant datePart(std::span<const Variant> a) {
    const std::string iv = intervalArg(a[0]);
    if (a[1].isNull()) return Variant::null();
    const double serial = dateArg(a[1]);
    const int firstDay = firstDayArg(a, 2);
    int firstWeek = a.size() > 3 && !a[3].isEmpty() ? longArg(a[3]) : 1;
    require(firstWeek >= 0 && firstWeek <= 3);
    if (firstWeek == 0) firstWeek = 1;
    const Parts p = datetime::partsFromSerial(serial);
    const double day = std::floor(linear(serial));
    int r = 0;
    if (iv == "yyyy")
        r = p.year;
    else if (iv == "q")
        r = (p.month - 1) / 3 + 1;
    else if (iv == "m")
        r = p.month;
    else if (iv == "y")
        r = static_cast<int>(day - datetime::serialFromDate(p.year, 1, 1)) + 1;
    else if (iv == "d")
        r = p.day;
    else if (iv == "w")
        r = (datetime::weekday(day) - firstDay + 7) % 7 + 1;
    else if (iv == "ww")
        r = weekOfYear(day, p.year, firstDay, firstWeek);
    else if (iv == "h")
        r = p.hour;
    else if (iv == "n")
        r = p.minute;
    else
        r = p.second;
    return Variant(static_cast<int32_t>(r));
}

} // namespace

void addDates(Engine& e) {
    e.addFunction(
        "FormatDateTime", [](auto a) { return formatDateTime(a); }, 1, 2);
    e.addFunction(
        "DatePart", [](auto a) { return datePart(a); }, 2, 4);
    e.addFunction(
        "WeekdayName",
        [](auto a) {
            const int wd = longArg(a[0]);
            require(wd >= 1 && wd <= 7);
            const int first = firstDayArg(a, 2);
            std::string s = kDayNames[(wd - 1 + first - 1) % 7];
            if (a.size() > 1 && !a[1].isEmpty() && a[1].toBool()) s = s.substr(0, 3);
            return Variant(s);
        },
        1, 3);
    e.addFunction(
        "Now", [](auto) { return Variant::date(nowSerial()); }, 0, 0);
    e.addFunction(
        "Date", [](auto) { return Variant::date(std::floor(nowSerial())); }, 0, 0);
    e.addFunction(
        "Time", [](auto) { return Variant::date(nowSerial() - std::floor(nowSerial())); }, 0, 0);
    e.addFunction(
        "Timer",
        [](auto) {
            using namespace std::chrono;
            const auto now = system_clock::now();
            const std::time_t t = system_clock::to_time_t(now);
            std::tm tm{};
            localtime_r(&t, &tm);
            const double frac =
                duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000 / 1e6;
            const double secs = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + frac;
            return Variant::single(static_cast<float>(std::floor(secs * 100) / 100));
        },
        0, 0);
    e.addFunction("Year", part([](const Parts& p) { return p.year; }), 1, 1);
    e.addFunction("Month", part([](const Parts& p) { return p.month; }), 1, 1);
    e.addFunction("Day", part([](const Parts& p) { return p.day; }), 1, 1);
    e.addFunction("Hour", part([](const Parts& p) { return p.hour; }), 1, 1);
    e.addFunction("Minute", part([](const Parts& p) { return p.minute; }), 1, 1);
    e.addFunction("Second", part([](const Parts& p) { return p.second; }), 1, 1);
    e.addFunction(
        "Weekday",
        [](auto a) {
            if (a[0].isNull()) return Variant::null();
            int first = a.size() > 1 && !a[1].isEmpty() ? longArg(a[1]) : 1;
            require(first >= 0 && first <= 7);
            if (first == 0) first = 1;
            const int wd = datetime::weekday(std::floor(linear(dateArg(a[0]))));
            return Variant::integer(static_cast<int16_t>((wd - first + 7) % 7 + 1));
        },
        1, 2);
    e.addFunction(
        "MonthName",
        [](auto a) {
            const int m = longArg(a[0]);
            require(m >= 1 && m <= 12);
            std::string s = kMonthNames[m - 1];
            if (a.size() > 1 && !a[1].isEmpty() && a[1].toBool()) s = s.substr(0, 3);
            return Variant(s);
        },
        1, 2);
    e.addFunction(
        "DateSerial",
        [](auto a) {
            const int y = yearArg(a[0]);
            const int32_t m = longArg(a[1]), d = longArg(a[2]);
            require(y >= -10000 && y <= 20000 && std::abs(m) < 1000000 && std::abs(d) < 10000000);
            return dateResult(datetime::serialFromDate(y, m, d));
        },
        3, 3);
    e.addFunction(
        "TimeSerial",
        [](auto a) {
            const double secs = static_cast<double>(longArg(a[0])) * 3600.0 +
                                static_cast<double>(longArg(a[1])) * 60.0 + longArg(a[2]);
            return dateResult(fromLinear(secs / 86400.0));
        },
        3, 3);
    e.addFunction(
        "DateValue", [](auto a) { return dateResult(std::trunc(dateArg(notNull(a[0])))); }, 1, 1);
    e.addFunction(
        "TimeValue",
        [](auto a) {
            const double s = dateArg(notNull(a[0]));
            return Variant::date(std::fabs(s - std::trunc(s)));
        },
        1, 1);
    e.addFunction(
        "DateAdd", [](auto a) { return dateAdd(a); }, 3, 3);
    e.addFunction(
        "DateDiff", [](auto a) { return dateDiff(a); }, 3, 5);
}

} // namespace script::library
