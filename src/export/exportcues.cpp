#include "exportcues.h"

#include "videoexport.h"

#include "container/mjpgimage.h"
#include "core/cp1251.h"
#include "core/datetime.h"

#include <cmath>

namespace {

// Milliseconds since 30.12.1899 of the frame's local time.
int64_t FrameMilliseconds(const TMJPGImage& image, int32_t index)
{
    const TMJPGHeader& h = *image.Header;
    const int64_t begin = std::llround(h.BeginTime * 86400000.0);
    return begin + (h.FPS > 0 ? static_cast<int64_t>(index) * 1000 / h.FPS : 0);
}

} // namespace

std::string ExportCueText(const TMJPGImage& image, int32_t index)
{
    const TDateTime time = static_cast<double>(FrameMilliseconds(image, index)) / 86400000.0;
    return FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", time) + " · кадр " + std::to_string(index) + " · " +
           Cp1251ToUtf8(image.Header->Camera);
}

std::optional<uint64_t> ExportStartFileTime(const TMJPGImage& image, const TExportOptions& options, int32_t from)
{
    if (!options.UtcOffsetMinutes)
        return std::nullopt;
    const TMJPGHeader& h = *image.Header;
    // 1601-01-01 is 109205 days before 30.12.1899.
    const int64_t localMs = std::llround(h.BeginTime * 86400000.0) + 109205LL * 86400000LL;
    const int64_t utcMs = localMs - static_cast<int64_t>(*options.UtcOffsetMinutes) * 60000;
    if (utcMs < 0)
        return std::nullopt;
    return static_cast<uint64_t>(utcMs) * 10000 + static_cast<uint64_t>(from) * 10000000ULL / static_cast<uint64_t>(h.FPS);
}
