// Whole fragments built from generated frames with the project's own writer:
// the sample a new user opens, and the fixtures of tests and benchmarks.
#pragma once

#include "container/mjpgframe.h"
#include "container/mjpgimage.h"
#include "core/datetime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSampleOptions {
    int Width = 704;
    int Height = 576;
    int FPS = 25;
    int FrameCount = 250;
    int Quality = 80;
    std::string Camera;        // code page 1251
    TDateTime EventTime = 0;
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    bool PreAlarm = false;
    std::string Boundary = "mjpgsample";
};

// The shipped sample: ten seconds of 704 x 576 at 25 frames per second from
// "Камера 1", recorded 15.05.2024 10:30:00 to 10:30:10, event at 10:30:05.
TSampleOptions DefaultSampleOptions();

// Begin at 'begin', end 'seconds' later, the event in the middle (whole seconds).
void SetSampleTimes(TSampleOptions& options, TDateTime begin, int seconds);

// The JPEG bytes of sample frame 'index' at the options' size and quality.
std::vector<uint8_t> EncodeSampleFrame(const TSampleOptions& options, int index);

// The header a fragment with these options carries (version 1.0, Frames set
// to the frame count).
void FillSampleHeader(TMJPGHeader& header, const TSampleOptions& options);

// A frame holding the given JPEG bytes, as a part of type "image/jpeg".
std::unique_ptr<TMJPGFrame> MakeJPEGFrame(const std::vector<uint8_t>& jpeg, const std::string& boundary);

// The whole fragment in memory: header and FrameCount rendered frames.
std::unique_ptr<TMJPGImage> BuildSampleImage(const TSampleOptions& options);
