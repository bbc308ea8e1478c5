// TDateTime: days since 30.12.1899 00:00 as a double, the fraction being the
// time of day. Conversions to and from calendar values, and to and from text
// under the program's fixed regional conventions (FormatSettings).
#pragma once

#include <cstdint>
#include <string>

using TDateTime = double;

struct TDateTimeParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// The regional conventions the program uses everywhere, fixed in one place.
struct TFormatSettings {
    char DateSeparator = '.';
    char TimeSeparator = ':';
    const char* ShortDateFormat = "dd.mm.yyyy";
    const char* LongTimeFormat = "h:nn:ss";
};
extern const TFormatSettings FormatSettings;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Calendar values to TDateTime; the Try forms return false for values out of
// range (year 1..9999, month 1..12, day of that month, hour 0..23, minute and
// second 0..59, millisecond 0..999), the others raise EConvertError.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int ms, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int ms = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms = 0);

// TDateTime to calendar values, exact to the millisecond (the value is
// rounded to the nearest millisecond first).
TDateTimeParts DecodeDateTime(TDateTime value);

// Formats with Delphi-style tokens, case-insensitive: yyyy, yy, m, mm (month,
// or minutes right after an hour token), d, dd, h, hh, n, nn, s, ss, z, zzz;
// any other character is copied. "dd.mm.yyyy hh:nn:ss", "yyyy-mm-dd hh-nn-ss"
// and "YYYYMMDDHHnnSS" are the program's patterns.
std::string FormatDateTime(const std::string& pattern, TDateTime value);

// The user-interface form: a value below 1 gives the time alone (long time),
// a whole value the date alone (short date), anything else both.
std::string DateTimeToStr(TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);

// Reads a date "d.m.yyyy" (day and month of 1 or 2 digits, 4-digit year),
// optionally followed by blanks and a time "h:n" or "h:n:s", or a time alone;
// blanks around are allowed. Ranges are checked (29.02 only in leap years,
// hour 0..23). TryStrToDateTime returns false, StrToDateTime raises
// EConvertError naming the text.
bool TryStrToDateTime(const std::string& text, TDateTime& result);
TDateTime StrToDateTime(const std::string& text);

// The day part truncated toward zero (an interval end counts as set when this
// is not 0).
int64_t DateTimeDays(TDateTime value);
