#include "fragmentfolder.h"

#include "container/mjpgheader.h"
#include "container/mjpgreader.h"
#include "core/errors.h"
#include "core/streams.h"

#include <algorithm>
#include <cmath>
#include <regex>
#include <tuple>

namespace fs = std::filesystem;

namespace {

std::optional<TServedFragment> ReadHeader(const fs::path& path)
{
    try {
        TFileStream file(path.string(), TFileMode::fmOpenRead);
        TMJPGHeader header;
        header.ReadFromStream(&file);
        if (!header.IsValid())
            return std::nullopt;
        TServedFragment f;
        f.Path = path;
        f.Camera = header.Camera;
        f.EventTime = header.EventTime;
        f.BeginTime = header.BeginTime;
        f.EndTime = header.EndTime;
        f.Width = header.Width;
        f.Height = header.Height;
        f.FPS = header.FPS;
        f.Frames = header.Frames;
        f.PreAlarm = header.PreAlarm;
        return f;
    } catch (const EError&) {
        return std::nullopt; // unreadable: not served
    }
}

std::string Clean(std::string text)
{
    for (char& c : text)
        if (c == '|' || c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return text;
}

} // namespace

std::vector<TServedFragment> ReadFragmentFolder(const fs::path& folder)
{
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".mjpg")
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());

    static const std::regex identity(R"(([0-9]{1,9})-([0-9]{1,9}))");
    std::vector<TServedFragment> fragments;
    int32_t unnamed = 0;
    for (const fs::path& path : paths) {
        std::optional<TServedFragment> f = ReadHeader(path);
        if (!f)
            continue;
        std::smatch m;
        const std::string stem = path.stem().string();
        if (std::regex_match(stem, m, identity)) {
            f->SerialNumber = MJPGIntValue(m[1]);
            f->Issue = MJPGIntValue(m[2]);
        } else {
            f->SerialNumber = 0;
            f->Issue = ++unnamed;
        }
        fragments.push_back(std::move(*f));
    }
    std::stable_sort(fragments.begin(), fragments.end(), [](const TServedFragment& a, const TServedFragment& b) {
        return std::tie(a.EventTime, a.SerialNumber, a.Issue) < std::tie(b.EventTime, b.SerialNumber, b.Issue);
    });
    return fragments;
}

std::string ListLine(const TServedFragment& f)
{
    return std::to_string(f.SerialNumber) + "|" + std::to_string(f.Issue) + "|" + Clean(f.Camera) + "|" +
           DateTimeToStr(f.EventTime) + "|" + DateTimeToStr(f.BeginTime) + "|" + DateTimeToStr(f.EndTime) + "|" +
           std::to_string(f.Width) + "x" + std::to_string(f.Height) + "|" + std::to_string(f.FPS) + "|" +
           std::to_string(f.Frames) + "|" + (f.PreAlarm ? "pre" : "post");
}

bool TListFilter::Accepts(const TServedFragment& f) const
{
    // Whole seconds, so an event at the very second of an end is inside.
    auto seconds = [](TDateTime value) { return std::llround(value * 86400.0); };
    if (Begin && seconds(f.EventTime) < seconds(*Begin))
        return false;
    if (End && seconds(f.EventTime) > seconds(*End))
        return false;
    if (SerialNumber && f.SerialNumber != *SerialNumber)
        return false;
    return true;
}
