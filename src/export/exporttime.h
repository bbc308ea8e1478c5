// The times an export writes. A fragment's times are the recorder's local
// wall-clock time with no zone: they are written as they stand and labelled
// as local, and turned into UTC only with an offset the user gives (the
// command line, the export dialog). One place for the frame's own time and
// the text of its cue, so that every container shows the same.
#pragma once

#include "core/datetime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TMJPGFrame;
class TMJPGImage;
class TMJPGHeader;

// The recorder's zone as far as it is known.
struct TExportZone {
    // Minutes east of UTC (+180 for UTC+03:00); none when not known.
    std::optional<int> UtcOffsetMinutes;
    // Where the offset came from, for the manifest ("--utc-offset", ...).
    std::string Source;
};

// "+03:00", "-05:30", "+00:00".
std::string UtcOffsetText(int minutes);
// "±HH:MM" (hours 00..14, minutes 00..59) in minutes east of UTC; none for
// any other text.
std::optional<int> ParseUtcOffset(const std::string& text);

// Milliseconds since 1970-01-01 00:00 of a wall-clock time, read as it
// stands (no zone applied), exact to the millisecond.
int64_t WallClockMilliseconds(TDateTime value);
// "dd.mm.yyyy hh:nn:ss.zzz" of such milliseconds.
std::string WallClockText(int64_t milliseconds);
// The wall-clock time of frame `index`: the record's Begin plus index / FPS
// seconds, rounded to the millisecond. The header's FPS must be positive.
int64_t FrameWallClock(const TMJPGHeader& header, int32_t index);

// The UTC time (milliseconds since 1970-01-01 00:00 UTC) of a wall-clock
// time of the recorder; none when the zone is not known.
std::optional<int64_t> UtcMilliseconds(int64_t wallClock, const TExportZone& zone);
// "2024-05-15T07:30:05.000000Z".
std::string IsoUtcText(int64_t utcMilliseconds);
// The same instant as ISO/IEC 14496-12 counts it (whole seconds since
// 1904-01-01 00:00 UTC, for MP4 creation times and suep's ExportUnitTime),
// and as a Windows FILETIME (100 ns units since 1601-01-01 00:00 UTC, cstb).
uint64_t Iso14496Seconds(int64_t utcMilliseconds);
uint64_t FileTimeUnits(int64_t utcMilliseconds);

// How the export names its times: "местное время регистратора, UTC+03:00",
// or "..., часовой пояс не известен".
std::string ZoneLabel(const TExportZone& zone);

// One timed text per exported frame with data: the frame's wall-clock time,
// its index and the camera ("15.05.2024 10:30:00.040 · кадр 1 · Камера 1").
struct TFrameCue {
    int32_t Index = 0; // the frame's index in the fragment
    // In frame slots (1 / FPS seconds) from the first frame of the range:
    // where the cue starts, and how long it lasts (to the next frame with
    // data, or to the end of the range).
    int64_t Start = 0;
    int64_t Slots = 0;
    std::string Text;
};
std::string FrameCueText(const TMJPGHeader& header, int32_t index);
// A frame the export writes as a picture: one with data.
bool FrameHasData(const TMJPGFrame* frame);
// The cues of frames from..to (both included) of a fragment with a positive FPS.
std::vector<TFrameCue> FrameCues(const TMJPGImage& image, int32_t from, int32_t to);
