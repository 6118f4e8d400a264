#pragma once
// Date arithmetic on VBScript date serials: days since 1899-12-30, the
// fraction is the time of day. For negative serials the integer part is the
// day and the fraction's absolute value the time (as OLE dates do).
// Texts use the English (United States) forms: "1/2/2003 4:05:06 AM".

#include <string>
#include <string_view>

namespace script::datetime {

struct Parts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// DateSerial semantics: months and days outside their range roll over.
double serialFromDate(int year, int month, int day);
double serialFromTime(int hour, int minute, int second);
Parts partsFromSerial(double serial);
// Builds a serial from parts (the time is added with the sign of the day).
double serialFromParts(const Parts& p);
// Day of the week, 1 = Sunday.
int weekday(double serial);

// Accepts m/d/yyyy, yyyy-m-d, "d Mon yyyy", "Mon d, yyyy", each optionally
// followed by h:mm[:ss] [AM|PM], or a time alone.
bool parseDate(std::string_view text, double& serial);
// General date format: date only when the time is midnight, time only when
// the serial is within day 0.
std::string formatDate(double serial);

// Valid VBScript date range (years 100..9999).
bool inRange(double serial);

} // namespace script::datetime
