// TFragment: one video fragment held by the archive server, with its
// identity, its header values and, once fetched, its MJPG stream. The list
// line parser comes with the fragment manager; the player needs the record
// to load a fetched fragment.
#pragma once

#include "core/datetime.h"
#include "core/streams.h"

#include <cstdint>
#include <memory>
#include <string>

class TFragment {
public:
    int32_t SerialNumber = 0;
    int32_t Issue = 0;
    TDateTime EventTime = 0;
    std::string Camera; // code page 1251
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t FPS = 0;
    int32_t Frames = 0;
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    bool PreAlarm = false;
    // Empty until the video has been fetched.
    std::unique_ptr<TMemoryStream> Data = std::make_unique<TMemoryStream>();
};
