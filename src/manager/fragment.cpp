#include "fragment.h"

#include "container/mjpgreader.h"

namespace {

constexpr size_t kFieldCount = 10;

TDateTime DateTimeOrZero(const std::string& text)
{
    TDateTime value = 0;
    return TryStrToDateTime(text, value) ? value : 0;
}

} // namespace

std::vector<std::string> SplitFragmentLine(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (start < line.size() && fields.size() < kFieldCount) {
        const size_t bar = line.find('|', start);
        if (bar == std::string::npos) {
            fields.push_back(line.substr(start));
            break;
        }
        fields.push_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    return fields;
}

TFragment::TFragment(const std::string& line)
{
    if (line.empty())
        return;
    std::vector<std::string> field = SplitFragmentLine(line);
    field.resize(kFieldCount);

    std::string widthText, heightText;
    if (const size_t x = field[6].find('x'); x != std::string::npos) {
        widthText = field[6].substr(0, x);
        heightText = field[6].substr(x + 1);
    }
    SerialNumber = MJPGIntValue(field[0]);
    Issue = MJPGIntValue(field[1]);
    Width = MJPGIntValue(widthText);
    Height = MJPGIntValue(heightText);
    FPS = MJPGIntValue(field[7]);
    Frames = MJPGIntValue(field[8]);
    Camera = field[2];
    PreAlarm = field[9] == "pre";
    EventTime = DateTimeOrZero(field[3]);
    BeginTime = DateTimeOrZero(field[4]);
    EndTime = DateTimeOrZero(field[5]);
}

std::string TFragment::GetResolution() const
{
    return std::to_string(Width) + "x" + std::to_string(Height);
}

bool TFragment::Matches(int32_t serialNumber, int32_t issue) const
{
    return SerialNumber == serialNumber && Issue == issue;
}
