// Building sample fragments through TMJPGImage, so they carry exactly the
// bytes the program's own writer produces.
#include "samplefragment.h"

#include "core/cp1251.h"
#include "jpegencode.h"
#include "samplepattern.h"

#include <algorithm>

TSampleOptions DefaultSampleOptions()
{
    TSampleOptions options;
    options.Camera = Utf8ToCp1251("Камера 1");
    SetSampleTimes(options, EncodeDateTime(2024, 5, 15, 10, 30, 0), options.FrameCount / options.FPS);
    return options;
}

void SetSampleTimes(TSampleOptions& options, TDateTime begin, int seconds)
{
    options.BeginTime = begin;
    options.EndTime = begin + seconds / 86400.0;
    options.EventTime = begin + (seconds / 2) / 86400.0;
}

std::vector<uint8_t> EncodeSampleFrame(const TSampleOptions& options, int index)
{
    const std::vector<uint8_t> rgb = RenderSampleFrame(options.Width, options.Height, index, options.FPS);
    return EncodeJPEG(rgb.data(), options.Width, options.Height, options.Quality);
}

void FillSampleHeader(TMJPGHeader& header, const TSampleOptions& options)
{
    header.Clear();
    header.Signature = "MJPG";
    header.VersionMajor = 1;
    header.VersionMinor = 0;
    header.Camera = options.Camera;
    header.EventTime = options.EventTime;
    header.BeginTime = options.BeginTime;
    header.EndTime = options.EndTime;
    header.Width = options.Width;
    header.Height = options.Height;
    header.FPS = options.FPS;
    header.Frames = options.FrameCount;
    header.PreAlarm = options.PreAlarm;
    header.Boundary = options.Boundary;
}

std::unique_ptr<TMJPGFrame> MakeJPEGFrame(const std::vector<uint8_t>& jpeg, const std::string& boundary)
{
    auto frame = std::make_unique<TMJPGFrame>(nullptr, boundary);
    frame->ContentType = "image/jpeg";
    frame->SetBytes(TSharedBytes::Copy(jpeg.data(), static_cast<int64_t>(jpeg.size())));
    frame->ContentLength = static_cast<int32_t>(jpeg.size());
    return frame;
}

std::unique_ptr<TMJPGImage> BuildSampleImage(const TSampleOptions& options)
{
    auto image = std::make_unique<TMJPGImage>(nullptr);
    FillSampleHeader(*image->Header, options);
    image->FrameList.reserve(static_cast<size_t>(std::max(0, options.FrameCount)));
    for (int i = 0; i < options.FrameCount; ++i)
        image->FrameList.push_back(MakeJPEGFrame(EncodeSampleFrame(options, i), options.Boundary));
    return image;
}
