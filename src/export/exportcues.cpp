#include "exportcues.h"

#include "exporttime.h"
#include "videoexport.h"

#include "container/mjpgimage.h"

std::optional<uint64_t> ExportStartFileTime(const TMJPGImage& image, const TExportOptions& options, int32_t from)
{
    const std::optional<int64_t> utc = UtcMilliseconds(FrameWallClock(*image.Header, from), options.Zone);
    if (!utc)
        return std::nullopt;
    return FileTimeUnits(*utc);
}
