// The fragments the archive server serves: the MJPG files of one folder.
// A file named "SN-ISSUE.mjpg" (two decimal numbers) has that serial number
// and fragment number; any other "*.mjpg" gets serial number 0 and fragment
// numbers from 1 up in name order. The folder is read at every request, so
// files can come and go while the server runs.
#pragma once

#include "core/datetime.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct TServedFragment {
    int32_t SerialNumber = 0;
    int32_t Issue = 0;
    std::filesystem::path Path;
    std::string Camera; // code page 1251
    TDateTime EventTime = 0;
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t FPS = 0;
    int32_t Frames = 0;
    bool PreAlarm = false;
};

// Every fragment of the folder with a valid header, ordered by event time
// (then serial number and fragment number).
std::vector<TServedFragment> ReadFragmentFolder(const std::filesystem::path& folder);

// The list line of a fragment: ten fields joined by "|", date-times in the
// regional form (dd.mm.yyyy h:nn:ss), "pre" or "post". A "|" or a line
// break in the camera name becomes a blank.
std::string ListLine(const TServedFragment& fragment);

// The interval and serial number a list request asks for; unset parts do
// not filter.
struct TListFilter {
    std::optional<TDateTime> Begin;
    std::optional<TDateTime> End;
    std::optional<int32_t> SerialNumber;

    bool Accepts(const TServedFragment& fragment) const;
};
