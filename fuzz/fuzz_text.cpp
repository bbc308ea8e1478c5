// Fuzz target: the text conversions the header reader relies on.
//
// Properties checked for every input, taken as text:
//
// 1. TryStrToDateTime accepts exactly the forms a separate, plain reading
//    of them accepts: blanks (space, tab) around; "d.m.yyyy" with a day and
//    month of one or two digits and a four-digit year, optionally followed by
//    blanks and "h:n" or "h:n:s" (one or two digits each); or such a time
//    alone; with every field in range (years 1..9999, 29.02 only in leap
//    years, hours 0..23). The value it gives is that date and time to the
//    second (a time alone: 30.12.1899), and StrToDateTime agrees with it,
//    raising EConvertError where TryStrToDateTime refuses.
// 2. An accepted value written with "dd.mm.yyyy hh:nn:ss" reads back to the
//    same value to the second, and so does the user-interface form
//    (DateTimeToStr) of a value of 1 or more; below 1 that form is the time
//    alone by design.
// 3. MJPGIntValue equals a plain reading: leading spaces, an optional sign,
//    then only digits up to the end, within the 32-bit signed range; anything
//    else gives 0.
// 4. Code page 1251 to UTF-8 and back gives the same bytes, except 0x98,
//    which has no character and comes back as '?'. UTF-8 to code page 1251
//    never fails on malformed text.
// 5. The first eight bytes as a TDateTime: formatting never fails, and a
//    value from 01.01.0001 00:00:00 to 31.12.9999 23:59:59 is written as text
//    that reads back to the same text.
#include "container/mjpgreader.h"
#include "core/cp1251.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "fuzzcheck.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

const char* const kPattern = "dd.mm.yyyy hh:nn:ss";

struct TPlainDateTime {
    int Day = 30, Month = 12, Year = 1899;
    int Hour = 0, Minute = 0, Second = 0;
};

bool Digit(char c)
{
    return c >= '0' && c <= '9';
}

// Exactly 'min'..'max' digits at text[i] (no more follow).
std::optional<int> Number(const std::string& text, size_t& i, size_t min, size_t max)
{
    size_t n = 0;
    while (i + n < text.size() && Digit(text[i + n]))
        ++n;
    if (n < min || n > max)
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data() + i, text.data() + i + n, value);
    i += n;
    return value;
}

bool Expect(const std::string& text, size_t& i, char c)
{
    if (i < text.size() && text[i] == c) {
        ++i;
        return true;
    }
    return false;
}

bool PlainTime(const std::string& text, size_t& i, TPlainDateTime& v)
{
    auto h = Number(text, i, 1, 2);
    if (!h || !Expect(text, i, ':'))
        return false;
    auto n = Number(text, i, 1, 2);
    if (!n)
        return false;
    std::optional<int> s = 0;
    if (Expect(text, i, ':')) {
        s = Number(text, i, 1, 2);
        if (!s)
            return false;
    }
    v.Hour = *h;
    v.Minute = *n;
    v.Second = *s;
    return v.Hour <= 23 && v.Minute <= 59 && v.Second <= 59;
}

bool PlainDate(const std::string& text, size_t& i, TPlainDateTime& v)
{
    auto d = Number(text, i, 1, 2);
    if (!d || !Expect(text, i, '.'))
        return false;
    auto m = Number(text, i, 1, 2);
    if (!m || !Expect(text, i, '.'))
        return false;
    auto y = Number(text, i, 4, 4);
    if (!y)
        return false;
    v.Day = *d;
    v.Month = *m;
    v.Year = *y;
    static const int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (v.Year < 1 || v.Month < 1 || v.Month > 12 || v.Day < 1)
        return false;
    const bool leap = (v.Year % 4 == 0 && v.Year % 100 != 0) || v.Year % 400 == 0;
    return v.Day <= days[v.Month] + (v.Month == 2 && leap ? 1 : 0);
}

std::optional<TPlainDateTime> PlainDateTime(const std::string& text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t b = 0, e = text.size();
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    const std::string s = text.substr(b, e - b);
    TPlainDateTime v;
    size_t i = 0;
    if (PlainTime(s, i, v) && i == s.size())
        return v;
    v = TPlainDateTime{};
    i = 0;
    if (!PlainDate(s, i, v))
        return std::nullopt;
    if (i == s.size())
        return v;
    if (!blank(s[i]))
        return std::nullopt;
    while (i < s.size() && blank(s[i]))
        ++i;
    if (PlainTime(s, i, v) && i == s.size())
        return v;
    return std::nullopt;
}

std::string Text(const TPlainDateTime& v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", v.Day, v.Month, v.Year, v.Hour, v.Minute,
                  v.Second);
    return buf;
}

void CheckDateTime(const std::string& text)
{
    TDateTime value = 12345.678; // must be replaced on success
    const bool accepted = TryStrToDateTime(text, value);
    const std::optional<TPlainDateTime> plain = PlainDateTime(text);
    FUZZ_CHECK(accepted == plain.has_value(), "TryStrToDateTime accepts exactly the date-time forms");

    bool raised = false;
    TDateTime strict = 0;
    try {
        strict = StrToDateTime(text);
    } catch (const EConvertError&) {
        raised = true;
    }
    FUZZ_CHECK(raised == !accepted, "StrToDateTime raises exactly where TryStrToDateTime refuses");
    if (!accepted)
        return;
    FUZZ_CHECK(strict == value, "StrToDateTime gives TryStrToDateTime's value");

    const std::string written = FormatDateTime(kPattern, value);
    FUZZ_CHECK(written == Text(*plain), "the value is the date and time the text gives");
    TDateTime back = 0;
    FUZZ_CHECK(TryStrToDateTime(written, back), "the written form reads back");
    FUZZ_CHECK(FormatDateTime(kPattern, back) == written, "the written form reads back to the second");

    if (value >= 1) {
        const std::string shown = DateTimeToStr(value);
        TDateTime fromShown = 0;
        FUZZ_CHECK(TryStrToDateTime(shown, fromShown), "the user-interface form reads back");
        FUZZ_CHECK(FormatDateTime(kPattern, fromShown) == written, "the user-interface form keeps the value");
    }
}

int32_t PlainInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return 0;
    for (size_t k = i; k < text.size(); ++k)
        if (!Digit(text[k]))
            return 0;
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
    if (ec != std::errc{} || end != text.data() + text.size())
        return 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    if (magnitude > static_cast<uint64_t>(limit))
        return 0;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
}

void CheckCp1251(const std::string& text)
{
    std::string expected = text;
    for (char& c : expected)
        if (static_cast<unsigned char>(c) == 0x98)
            c = '?';
    FUZZ_CHECK(Utf8ToCp1251(Cp1251ToUtf8(text)) == expected, "code page 1251 survives UTF-8 and back");
    const std::string narrowed = Utf8ToCp1251(text);
    FUZZ_CHECK(narrowed.size() <= text.size(), "UTF-8 to code page 1251 gives at most one byte a byte");
}

void CheckValue(const uint8_t* data)
{
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    const std::string written = FormatDateTime(kPattern, value);
    FormatDateTime("yyyy-mm-dd hh-nn-ss", value);
    FormatDateTime("YYYYMMDDHHnnSS", value);
    DateTimeToStr(value);
    constexpr double first = -693593 - 86399.0 / 86400; // 01.01.0001 23:59:59
    constexpr double last = 2958465 + 86399.0 / 86400;  // 31.12.9999 23:59:59
    if (!(value >= first && value <= last))
        return;
    TDateTime back = 0;
    FUZZ_CHECK(TryStrToDateTime(written, back), "a value within the years 1..9999 is written readably");
    FUZZ_CHECK(FormatDateTime(kPattern, back) == written, "a written value reads back to the same text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckDateTime(text);
    FUZZ_CHECK(MJPGIntValue(text) == PlainInt(text), "MJPGIntValue reads integers plainly");
    CheckCp1251(text);
    if (size >= sizeof(double))
        CheckValue(data);
    return 0;
}
