// Reading and writing the MJPG header.
#include "mjpgheader.h"

#include <cstring>

namespace {

bool IsWordSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The boundary from the text after "Content-Type:": skip blanks and the media
// type word, skip up to and including the next "=", skip blanks, take a word.
std::string BoundaryFrom(const std::string& value)
{
    size_t i = 0;
    const size_t n = value.size();
    while (i < n && IsWordSpace(value[i]))
        ++i;
    while (i < n && !IsWordSpace(value[i]))
        ++i;
    const size_t eq = value.find('=', i);
    if (eq == std::string::npos)
        return {};
    i = eq + 1;
    while (i < n && IsWordSpace(value[i]))
        ++i;
    size_t e = i;
    while (e < n && !IsWordSpace(value[e]) && e - i < TMJPGHeader::MaxWordLength)
        ++e;
    return value.substr(i, e - i);
}

enum class TKey { Camera, Event, Begin, End, Width, Height, FPS, Frames, Alarm, ContentType };

struct TKeyInfo {
    const char* text;
    size_t length;
    TKey key;
};

// Tried in this order; the first that occurs anywhere in the line decides.
constexpr TKeyInfo kKeys[] = {
    {"Camera:", 7, TKey::Camera},  {"Event:", 6, TKey::Event},   {"Begin:", 6, TKey::Begin},
    {"End:", 4, TKey::End},        {"Width:", 6, TKey::Width},   {"Height:", 7, TKey::Height},
    {"FPS:", 4, TKey::FPS},        {"Frames:", 7, TKey::Frames}, {"Alarm:", 6, TKey::Alarm},
    {"Content-Type:", 13, TKey::ContentType},
};

} // namespace

void TMJPGHeader::Clear()
{
    Signature.clear();
    VersionMajor = 0;
    VersionMinor = 0;
    Camera.clear();
    EventTime = 0;
    BeginTime = 0;
    EndTime = 0;
    Width = 0;
    Height = 0;
    FPS = 0;
    Frames = 0;
    PreAlarm = false;
    Boundary.clear();
}

void TMJPGHeader::ParseFirstLine()
{
    const size_t slash = Line.find('/');
    Signature = Line.substr(0, std::min(slash, MaxWordLength));
    if (slash == std::string::npos || Signature != "MJPG")
        return;
    // "1.3 Multipart JPEG stream": the integer part and the first digit after
    // the point; anything that is not a number leaves 0.0.
    size_t i = slash + 1;
    while (i < Line.size() && (Line[i] == ' ' || Line[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < Line.size() && (Line[i] == '-' || Line[i] == '+')) {
        negative = Line[i] == '-';
        ++i;
    }
    int64_t major = 0;
    size_t digits = 0;
    while (i < Line.size() && Line[i] >= '0' && Line[i] <= '9') {
        major = major * 10 + (Line[i] - '0');
        ++digits;
        ++i;
        if (major > INT32_MAX)
            return;
    }
    if (digits == 0)
        return;
    VersionMajor = static_cast<int32_t>(negative ? -major : major);
    if (i + 1 < Line.size() && Line[i] == '.' && Line[i + 1] >= '0' && Line[i + 1] <= '9')
        VersionMinor = Line[i + 1] - '0';
}

bool TMJPGHeader::ParseLine()
{
    for (const TKeyInfo& k : kKeys) {
        if (Line.find(k.text) == std::string::npos)
            continue;
        const std::string value = Line.substr(k.length);
        switch (k.key) {
        case TKey::Camera: Camera = TrimControlAndBlanks(value); break;
        case TKey::Event: return TryStrToDateTime(value, EventTime);
        case TKey::Begin: return TryStrToDateTime(value, BeginTime);
        case TKey::End: return TryStrToDateTime(value, EndTime);
        case TKey::Width: Width = MJPGIntValue(value); break;
        case TKey::Height: Height = MJPGIntValue(value); break;
        case TKey::FPS: FPS = MJPGIntValue(value); break;
        case TKey::Frames: Frames = MJPGIntValue(value); break;
        case TKey::Alarm: PreAlarm = TrimControlAndBlanks(value) == "Pre"; break;
        case TKey::ContentType: Boundary = BoundaryFrom(value); break;
        }
        return true;
    }
    return true;
}

void TMJPGHeader::ReadFromStream(TStream* stream)
{
    Clear();
    if (!stream)
        return;
    ReadLine(stream);
    ParseFirstLine();
    if (!IsValid())
        return;
    do {
        ReadLine(stream);
        if (!ParseLine()) {
            Clear();
            break;
        }
    } while (!Line.empty());
    std::string().swap(Line); // no 64 KiB buffer kept after a long line
}

std::string TMJPGHeader::ToText() const
{
    const char* pattern = "dd.mm.yyyy hh:nn:ss";
    std::string t;
    t.reserve(320 + Camera.size() + Boundary.size());
    t += Signature + "/" + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) +
         " Multipart JPEG stream\r\n";
    t += WholeLine("Camera: ", Camera) + "\r\n";
    t += "Event: " + FormatDateTime(pattern, EventTime) + "\r\n";
    t += "Begin: " + FormatDateTime(pattern, BeginTime) + "\r\n";
    t += "End: " + FormatDateTime(pattern, EndTime) + "\r\n";
    t += "Width: " + std::to_string(Width) + "\r\n";
    t += "Height: " + std::to_string(Height) + "\r\n";
    t += "FPS: " + std::to_string(FPS) + "\r\n";
    t += "Frames: " + std::to_string(Frames) + "\r\n";
    t += std::string("Alarm: ") + (PreAlarm ? "Pre" : "Post") + "\r\n";
    t += "Content-Type: multipart/x-mixed-replace; boundary=" + Boundary + "\r\n";
    t += "\r\n";
    return t;
}

void TMJPGHeader::WriteToStream(TStream* stream) const
{
    if (stream)
        stream->WriteString(ToText());
}

TDateTime FrameWallTime(const TMJPGHeader& header, int32_t index)
{
    if (header.FPS <= 0)
        return header.BeginTime;
    const int64_t ms = (static_cast<int64_t>(index) * 2000 / header.FPS + (index >= 0 ? 1 : -1)) / 2;
    return header.BeginTime + static_cast<double>(ms) / 86400000.0;
}
