#include "script/datetime.h"

#include "script/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace script::datetime {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kEpochOffset = 25569; // 1899-12-30 .. 1970-01-01

const char* const kMonths[] = {"january",   "february", "march",    "april",
                               "may",       "june",     "july",     "august",
                               "september", "october",  "november", "december"};

int monthFromName(std::string_view word) {
    if (word.size() < 3) return 0;
    std::string w = lowerName(word);
    for (int i = 0; i < 12; ++i) {
        std::string_view full = kMonths[i];
        if (w.size() <= full.size() && full.substr(0, w.size()) == w) return i + 1;
    }
    return 0;
}

} // namespace

double serialFromDate(int year, int month, int day) {
    long long y = year;
    long long m0 = static_cast<long long>(month) - 1;
    y += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
    m0 = ((m0 % 12) + 12) % 12;
    const long long days = daysFromCivil(y, static_cast<unsigned>(m0 + 1), 1) + (day - 1);
    return static_cast<double>(days + kEpochOffset);
}

double serialFromTime(int hour, int minute, int second) {
    const double secs = hour * 3600.0 + minute * 60.0 + second;
    return secs / 86400.0;
}

Parts partsFromSerial(double serial) {
    // Keep the integer conversions below defined for any input.
    if (!(serial > -1e8)) serial = -1e8;
    if (serial > 1e8) serial = 1e8;
    Parts p;
    double dayPart = std::trunc(serial);
    double frac = std::fabs(serial - dayPart);
    long long secs = std::llround(frac * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        dayPart += serial < 0 ? -1 : 1;
    }
    civilFromDays(static_cast<long long>(dayPart) - kEpochOffset, p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

double serialFromParts(const Parts& p) {
    const double day = serialFromDate(p.year, p.month, p.day);
    const double time = serialFromTime(p.hour, p.minute, p.second);
    return day < 0 ? day - time : day + time;
}

int weekday(double serial) {
    if (!(serial > -1e8)) serial = -1e8;
    if (serial > 1e8) serial = 1e8;
    const long long d = static_cast<long long>(std::floor(serial));
    // Serial 0 (1899-12-30) was a Saturday (7).
    return static_cast<int>(((d + 6) % 7 + 7) % 7) + 1;
}

bool inRange(double serial) {
    return serial >= -657434.0 && serial < 2958466.0;
}

bool parseDate(std::string_view text, double& serial) {
    // Split into words: numbers, names and separators.
    struct Word {
        bool number;
        int value;
        std::string text;
        char sepAfter;
    };
    std::vector<Word> words;
    size_t i = 0;
    bool pm = false, am = false;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c) || c == ',') {
            if (!words.empty() && words.back().sepAfter == 0) words.back().sepAfter = ' ';
            ++i;
        } else if (std::isdigit(c)) {
            long long v = 0;
            size_t start = i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                v = v * 10 + (text[i] - '0');
                if (v > 100000) return false;
                ++i;
            }
            words.push_back(
                {true, static_cast<int>(v), std::string(text.substr(start, i - start)), 0});
        } else if (std::isalpha(c)) {
            size_t start = i;
            while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
                ++i;
            std::string w = lowerName(text.substr(start, i - start));
            if (w == "am" || w == "a") {
                am = true;
            } else if (w == "pm" || w == "p") {
                pm = true;
            } else {
                int m = monthFromName(w);
                if (m == 0) {
                    // Weekday names are allowed and ignored.
                    static const char* const days[] = {"sunday",   "monday", "tuesday", "wednesday",
                                                       "thursday", "friday", "saturday"};
                    bool isDay = false;
                    for (const char* d : days) {
                        std::string_view dv = d;
                        if (w.size() >= 3 && w.size() <= dv.size() && dv.substr(0, w.size()) == w)
                            isDay = true;
                    }
                    if (!isDay) return false;
                } else {
                    words.push_back({false, m, w, 0});
                }
            }
        } else if (c == '/' || c == '-' || c == ':' || c == '.') {
            if (words.empty() || words.back().sepAfter != 0) return false;
            words.back().sepAfter = static_cast<char>(c);
            ++i;
        } else {
            return false;
        }
    }
    if (words.empty()) return false;

    // Time: a run of numbers joined by ':' (h:mm or h:mm:ss); or a lone
    // number followed by AM/PM.
    int hour = 0, minute = 0, second = 0;
    bool haveTime = false;
    std::vector<Word> dateWords;
    for (size_t k = 0; k < words.size(); ++k) {
        if (words[k].number && words[k].sepAfter == ':' && k + 1 < words.size() &&
            words[k + 1].number) {
            hour = words[k].value;
            minute = words[k + 1].value;
            size_t next = k + 2;
            if (words[k + 1].sepAfter == ':' && k + 2 < words.size() && words[k + 2].number) {
                second = words[k + 2].value;
                next = k + 3;
            }
            if (haveTime) return false;
            haveTime = true;
            k = next - 1;
        } else {
            dateWords.push_back(words[k]);
        }
    }
    if (!haveTime && (am || pm) && !dateWords.empty() && dateWords.back().number &&
        dateWords.size() != 3) {
        hour = dateWords.back().value;
        dateWords.pop_back();
        haveTime = true;
    }
    if (am || pm) {
        if (!haveTime || hour > 12 || hour == 0) return false;
        if (pm && hour != 12) hour += 12;
        if (am && hour == 12) hour = 0;
    }
    if (hour > 23 || minute > 59 || second > 59) return false;

    double day = 0;
    if (!dateWords.empty()) {
        int y = 0, m = 0, d = 0;
        auto fixYear = [](const Word& w) {
            if (w.text.size() <= 2) return w.value < 30 ? 2000 + w.value : 1900 + w.value;
            return w.value;
        };
        if (dateWords.size() == 3) {
            const Word &a = dateWords[0], &b = dateWords[1], &c = dateWords[2];
            if (!a.number) { // Mon d yyyy
                m = a.value;
                d = b.value;
                y = fixYear(c);
                if (!b.number || !c.number) return false;
            } else if (!b.number) { // d Mon yyyy
                d = a.value;
                m = b.value;
                y = fixYear(c);
                if (!c.number) return false;
            } else if (!c.number) {
                return false;
            } else if (a.text.size() >= 3) { // yyyy-m-d
                y = a.value;
                m = b.value;
                d = c.value;
            } else { // m/d/yyyy
                m = a.value;
                d = b.value;
                y = fixYear(c);
            }
        } else if (dateWords.size() == 2) { // m/d (this year) or Mon yyyy
            const Word &a = dateWords[0], &b = dateWords[1];
            if (a.number && b.number) {
                m = a.value;
                d = b.value;
                y = partsFromSerial(std::floor(serial)).year; // caller seeds `serial` with today
            } else if (!a.number && b.number) {
                m = a.value;
                if (b.text.size() >= 3) {
                    y = b.value;
                    d = 1;
                } else {
                    d = b.value;
                    y = partsFromSerial(std::floor(serial)).year;
                }
            } else {
                d = a.value;
                m = b.value;
                y = partsFromSerial(std::floor(serial)).year;
            }
        } else {
            return false;
        }
        if (m < 1 || m > 12 || d < 1 || y < 100 || y > 9999) return false;
        static const int mdays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (d > mdays[m - 1]) return false;
        if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return false;
        day = serialFromDate(y, m, d);
    } else if (!haveTime) {
        return false;
    }
    const double time = serialFromTime(hour, minute, second);
    serial = day < 0 ? day - time : day + time;
    return true;
}

std::string formatDate(double serial) {
    const Parts p = partsFromSerial(serial);
    char buf[64];
    std::string out;
    const bool hasDate = std::trunc(serial) != 0;
    const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
    if (hasDate) {
        std::snprintf(buf, sizeof buf, "%d/%d/%d", p.month, p.day, p.year);
        out = buf;
    }
    if (hasTime || !hasDate) {
        const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, p.minute, p.second,
                      p.hour < 12 ? "AM" : "PM");
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

} // namespace script::datetime
