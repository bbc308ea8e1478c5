#include "exporttime.h"

#include "container/mjpgimage.h"
#include "core/cp1251.h"

#include <cstdio>

namespace {

constexpr int64_t kMsPerDay = 86400000;

// 1970-01-01 as a TDateTime (days since 30.12.1899).
constexpr int64_t kUnixEpochDays = 25569;

struct TCivil {
    int64_t Year;
    int Month, Day, Hour, Minute, Second, MilliSecond;
};

TCivil Civil(int64_t milliseconds)
{
    int64_t days = milliseconds / kMsPerDay;
    int64_t rest = milliseconds % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    TCivil c{};
    const TDateTimeParts date = DecodeDateTime(static_cast<TDateTime>(days + kUnixEpochDays));
    c.Year = date.Year;
    c.Month = date.Month;
    c.Day = date.Day;
    c.Hour = static_cast<int>(rest / 3600000);
    c.Minute = static_cast<int>(rest / 60000 % 60);
    c.Second = static_cast<int>(rest / 1000 % 60);
    c.MilliSecond = static_cast<int>(rest % 1000);
    return c;
}

} // namespace

std::string UtcOffsetText(int minutes)
{
    const int magnitude = minutes < 0 ? -minutes : minutes;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::optional<int> ParseUtcOffset(const std::string& text)
{
    auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' || !digit(1) || !digit(2) ||
        !digit(4) || !digit(5))
        return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    if (hours > 14 || minutes > 59 || (hours == 14 && minutes > 0))
        return std::nullopt;
    const int offset = hours * 60 + minutes;
    return text[0] == '-' ? -offset : offset;
}

int64_t WallClockMilliseconds(TDateTime value)
{
    const TDateTimeParts p = DecodeDateTime(value);
    const int64_t days = static_cast<int64_t>(EncodeDate(p.Year, p.Month, p.Day)) - kUnixEpochDays;
    return days * kMsPerDay + p.Hour * 3600000LL + p.Minute * 60000LL + p.Second * 1000LL + p.MilliSecond;
}

std::string WallClockText(int64_t milliseconds)
{
    const TCivil c = Civil(milliseconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02d.%02d.%04lld %02d:%02d:%02d.%03d", c.Day, c.Month,
                  static_cast<long long>(c.Year), c.Hour, c.Minute, c.Second, c.MilliSecond);
    return text;
}

int64_t FrameWallClock(const TMJPGHeader& header, int32_t index)
{
    const int64_t fps = header.FPS;
    return WallClockMilliseconds(header.BeginTime) + (int64_t(index) * 1000 + fps / 2) / fps;
}

std::optional<int64_t> UtcMilliseconds(int64_t wallClock, const TExportZone& zone)
{
    if (!zone.UtcOffsetMinutes)
        return std::nullopt;
    return wallClock - int64_t(*zone.UtcOffsetMinutes) * 60000;
}

std::string IsoUtcText(int64_t utcMilliseconds)
{
    const TCivil c = Civil(utcMilliseconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%03d000Z", static_cast<long long>(c.Year),
                  c.Month, c.Day, c.Hour, c.Minute, c.Second, c.MilliSecond);
    return text;
}

uint64_t Iso14496Seconds(int64_t utcMilliseconds)
{
    // 1904-01-01 is 24107 days before 1970-01-01.
    const int64_t ms = utcMilliseconds + 24107LL * kMsPerDay;
    return ms <= 0 ? 0 : static_cast<uint64_t>(ms / 1000);
}

uint64_t FileTimeUnits(int64_t utcMilliseconds)
{
    // 1601-01-01 is 134774 days before 1970-01-01.
    const int64_t ms = utcMilliseconds + 134774LL * kMsPerDay;
    return ms <= 0 ? 0 : static_cast<uint64_t>(ms) * 10000;
}

std::string ZoneLabel(const TExportZone& zone)
{
    return "местное время регистратора, " +
           (zone.UtcOffsetMinutes ? "UTC" + UtcOffsetText(*zone.UtcOffsetMinutes) : std::string("часовой пояс не известен"));
}

std::string FrameCueText(const TMJPGHeader& header, int32_t index)
{
    return WallClockText(FrameWallClock(header, index)) + " · кадр " + std::to_string(index) + " · " +
           Cp1251ToUtf8(header.Camera);
}

bool FrameHasData(const TMJPGFrame* frame)
{
    return frame && !frame->Bytes().Empty();
}

std::vector<TFrameCue> FrameCues(const TMJPGImage& image, int32_t from, int32_t to)
{
    auto hasData = [&](int32_t i) { return FrameHasData(image.GetFrame(i)); };
    std::vector<TFrameCue> cues;
    for (int32_t i = from; i <= to; ++i) {
        if (!hasData(i))
            continue;
        int32_t next = i + 1;
        while (next <= to && !hasData(next))
            ++next;
        cues.push_back({i, i - from, next - i, FrameCueText(*image.Header, i)});
    }
    return cues;
}
