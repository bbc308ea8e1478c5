// TFragment: one video fragment held by the archive server, made from one
// line of a list answer: its identity (serial number and fragment number,
// the "sn=" and "issue=" of its video request), its header values and, once
// fetched, its MJPG stream in Data. The line parser never fails.
#pragma once

#include "core/datetime.h"
#include "core/sharedbytes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TFragment {
public:
    // Every field at its default, Data empty.
    TFragment() = default;
    // From one list line: ten fields separated by "|" (SN, ISSUE, CAMERA,
    // EVENT, BEGIN, END, RESOLUTION "WxH", FPS, FRAMES, TYPE). Missing
    // fields keep their defaults, fields after the tenth are ignored, a
    // number that does not read gives 0, a date-time that does not read
    // stays 0, TYPE "pre" (exactly) is a pre-alarm fragment.
    explicit TFragment(const std::string& line);

    int32_t SerialNumber = 0;
    int32_t Issue = 0;
    TDateTime EventTime = 0;
    std::string Camera; // code page 1251, as the line holds it
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t FPS = 0;
    int32_t Frames = 0;
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    bool PreAlarm = false;
    // Empty until the video has been fetched: an empty Data is how the rest
    // of the program tells that the fragment still has to be fetched. The
    // body as the server sent it, one shared block: a player that opens
    // the fragment holds the same bytes, so a list that frees this record
    // frees nothing a reader still uses.
    TSharedBytes Data;

    // Width "x" Height, e.g. "704x576"; "0x0" without a resolution.
    std::string GetResolution() const;
    bool Matches(int32_t serialNumber, int32_t issue) const;
};

// A fragment named from outside the manager: its numbers and the list it
// belongs to (the manager's list generation). Holders keep this key, never a
// pointer to a record, and look the record up again when they need it.
struct TFragmentKey {
    int32_t SerialNumber = 0;
    int32_t Issue = 0;
    uint64_t Generation = 0;
    bool operator==(const TFragmentKey&) const = default;
};

// The fields of a list line as the parser cuts it (at most ten).
std::vector<std::string> SplitFragmentLine(const std::string& line);
