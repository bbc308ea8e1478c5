// Calendar arithmetic and the text forms of TDateTime.
#include "datetime.h"

#include "errors.h"

#include <cmath>
#include <cstdio>

const TFormatSettings FormatSettings{};

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 01.01.0001 (proleptic Gregorian, day 1) to 30.12.1899.
constexpr int64_t kDelphiEpochOffset = 693594;

int64_t DaysFromCivil(int y, int m, int d)
{
    // Days since 01.01.0001 counting that day as 1.
    static const int cumulative[2][13] = {
        {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
        {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};
    const int64_t py = y - 1;
    return py * 365 + py / 4 - py / 100 + py / 400 + cumulative[IsLeapYear(y) ? 1 : 0][m] + d;
}

void CivilFromDays(int64_t days, int& y, int& m, int& d)
{
    // days counts 01.01.0001 as 1; inverse of DaysFromCivil.
    int64_t z = days - 1; // days since 01.01.0001, 0-based
    const int64_t n400 = z / 146097;
    z %= 146097;
    int64_t n100 = z / 36524;
    if (n100 == 4)
        n100 = 3;
    z -= n100 * 36524;
    const int64_t n4 = z / 1461;
    z %= 1461;
    int64_t n1 = z / 365;
    if (n1 == 4)
        n1 = 3;
    z -= n1 * 365;
    y = static_cast<int>(n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1);
    m = 1;
    while (z >= DaysInMonth(y, m)) {
        z -= DaysInMonth(y, m);
        ++m;
    }
    d = static_cast<int>(z) + 1;
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(DaysFromCivil(year, month, day) - kDelphiEpochOffset);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int ms, TDateTime& result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || ms < 0 || ms > 999)
        return false;
    result = static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + ms) / kMsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError("Неверная дата");
    return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int ms)
{
    TDateTime r = 0;
    if (!TryEncodeTime(hour, minute, second, ms, r))
        throw EConvertError("Неверное время");
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms)
{
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, minute, second, ms);
    // Before 30.12.1899 the fraction still counts forward from midnight.
    return date < 0 ? date - time : date + time;
}

TDateTimeParts DecodeDateTime(TDateTime value)
{
    TDateTimeParts p;
    if (!std::isfinite(value) || std::fabs(value) > 3000000.0)
        return p;
    int64_t days = static_cast<int64_t>(std::trunc(value));
    int64_t ms = std::llround(std::fabs(value - static_cast<double>(days)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += value < 0 ? -1 : 1;
    }
    const int64_t civil = days + kDelphiEpochOffset;
    if (civil >= 1)
        CivilFromDays(civil, p.Year, p.Month, p.Day);
    p.Hour = static_cast<int>(ms / 3600000);
    p.Minute = static_cast<int>(ms / 60000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.MilliSecond = static_cast<int>(ms % 1000);
    return p;
}

int64_t DateTimeDays(TDateTime value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int64_t>(std::trunc(value));
}

std::string FormatDateTime(const std::string& pattern, TDateTime value)
{
    const TDateTimeParts p = DecodeDateTime(value);
    std::string out;
    bool afterHour = false;
    char buf[16];
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    for (size_t i = 0; i < pattern.size();) {
        const char c = lower(pattern[i]);
        size_t run = 1;
        while (i + run < pattern.size() && lower(pattern[i + run]) == c)
            ++run;
        switch (c) {
        case 'y':
            if (run <= 2)
                std::snprintf(buf, sizeof buf, "%02d", p.Year % 100);
            else
                std::snprintf(buf, sizeof buf, "%04d", p.Year);
            out += buf;
            afterHour = false;
            break;
        case 'm':
            run = std::min<size_t>(run, 2);
            std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", afterHour ? p.Minute : p.Month);
            out += buf;
            afterHour = false;
            break;
        case 'd':
            run = std::min<size_t>(run, 2);
            std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", p.Day);
            out += buf;
            afterHour = false;
            break;
        case 'h':
            run = std::min<size_t>(run, 2);
            std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", p.Hour);
            out += buf;
            afterHour = true;
            break;
        case 'n':
            run = std::min<size_t>(run, 2);
            std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", p.Minute);
            out += buf;
            afterHour = false;
            break;
        case 's':
            run = std::min<size_t>(run, 2);
            std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", p.Second);
            out += buf;
            afterHour = false;
            break;
        case 'z':
            if (run >= 3) {
                run = 3;
                std::snprintf(buf, sizeof buf, "%03d", p.MilliSecond);
            } else {
                run = 1;
                std::snprintf(buf, sizeof buf, "%d", p.MilliSecond);
            }
            out += buf;
            break;
        default:
            out.append(pattern, i, run);
            break;
        }
        i += run;
    }
    return out;
}

std::string DateToStr(TDateTime value)
{
    return FormatDateTime(FormatSettings.ShortDateFormat, value);
}

std::string TimeToStr(TDateTime value)
{
    return FormatDateTime(FormatSettings.LongTimeFormat, value);
}

std::string DateTimeToStr(TDateTime value)
{
    if (value < 1)
        return TimeToStr(value);
    if (value == std::trunc(value))
        return DateToStr(value);
    return DateToStr(value) + " " + TimeToStr(value);
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reads 1..maxDigits decimal digits at s[i]; false when none.
bool ReadNumber(const std::string& s, size_t& i, int maxDigits, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (digits == maxDigits)
            return false;
        value = value * 10 + (s[i] - '0');
        ++digits;
        ++i;
    }
    return digits > 0;
}

bool ParseTime(const std::string& s, size_t& i, TDateTime& time)
{
    int h = 0, n = 0, sec = 0, digits = 0;
    if (!ReadNumber(s, i, 2, h, digits))
        return false;
    if (i >= s.size() || s[i] != FormatSettings.TimeSeparator)
        return false;
    ++i;
    if (!ReadNumber(s, i, 2, n, digits))
        return false;
    if (i < s.size() && s[i] == FormatSettings.TimeSeparator) {
        ++i;
        if (!ReadNumber(s, i, 2, sec, digits))
            return false;
    }
    return TryEncodeTime(h, n, sec, 0, time);
}

bool ParseDate(const std::string& s, size_t& i, TDateTime& date)
{
    int d = 0, m = 0, y = 0, digits = 0;
    if (!ReadNumber(s, i, 2, d, digits))
        return false;
    if (i >= s.size() || s[i] != FormatSettings.DateSeparator)
        return false;
    ++i;
    if (!ReadNumber(s, i, 2, m, digits))
        return false;
    if (i >= s.size() || s[i] != FormatSettings.DateSeparator)
        return false;
    ++i;
    if (!ReadNumber(s, i, 4, y, digits) || digits != 4)
        return false;
    return TryEncodeDate(y, m, d, date);
}

} // namespace

bool TryStrToDateTime(const std::string& text, TDateTime& result)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    size_t end = text.size();
    while (end > i && IsBlank(text[end - 1]))
        --end;
    const std::string s = text.substr(i, end - i);
    if (s.empty())
        return false;

    size_t pos = 0;
    TDateTime date = 0, time = 0;
    // A time alone has its separator before any date separator.
    const size_t firstTimeSep = s.find(FormatSettings.TimeSeparator);
    const size_t firstDateSep = s.find(FormatSettings.DateSeparator);
    const bool timeAlone = firstDateSep == std::string::npos ||
                           (firstTimeSep != std::string::npos && firstTimeSep < firstDateSep);
    if (timeAlone) {
        if (!ParseTime(s, pos, time) || pos != s.size())
            return false;
        result = time;
        return true;
    }
    if (!ParseDate(s, pos, date))
        return false;
    if (pos != s.size()) {
        if (!IsBlank(s[pos]))
            return false;
        while (pos < s.size() && IsBlank(s[pos]))
            ++pos;
        if (!ParseTime(s, pos, time) || pos != s.size())
            return false;
    }
    result = date < 0 ? date - time : date + time;
    return true;
}

TDateTime StrToDateTime(const std::string& text)
{
    TDateTime r = 0;
    if (!TryStrToDateTime(text, r))
        throw EConvertError("\"" + text + "\" - неверное значение даты и времени");
    return r;
}
