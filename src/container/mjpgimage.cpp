// Loading and saving a whole fragment.
#include "mjpgimage.h"

TMJPGImage::TMJPGImage(TStream* stream)
{
    LoadFromStream(stream);
}

void TMJPGImage::Clear()
{
    Header->Clear();
    FrameList.clear();
}

void TMJPGImage::LoadFromStream(TStream* stream)
{
    Clear();
    if (!stream)
        return;
    try {
        Header->ReadFromStream(stream);
        if (!Header->IsValid())
            return;
        while (stream->Position() < stream->Size()) {
            const int64_t before = stream->Position();
            auto frame = std::make_unique<TMJPGFrame>(stream, Header->Boundary);
            // A read that fails is the end of the data at that point:
            // a part read that took no byte means the stream gives no more, and
            // asking again would append empty frames for ever.
            if (stream->Position() == before)
                break;
            FrameList.push_back(std::move(frame));
        }
    } catch (...) {
        // Running out of memory, a file the system cannot read (the parts
        // keep every other error to themselves) or a stream failing outside
        // a part: what was read so far goes, giving the memory back before
        // anyone reports it.
        Clear();
        FrameList.shrink_to_fit();
        throw;
    }
}

TMJPGFrame* TMJPGImage::GetFrame(int32_t index) const
{
    if (index < 0 || index >= FrameCount())
        return nullptr;
    return FrameList[static_cast<size_t>(index)].get();
}

int32_t TMJPGImage::SaveToStream(TStream* stream) const
{
    if (!stream)
        return 0;
    Header->WriteToStream(stream);
    for (const auto& frame : FrameList)
        if (frame)
            frame->WriteToStream(stream);
    return FrameCount();
}

std::unique_ptr<TMJPGImage> TMJPGImage::ShareFrames() const
{
    auto image = std::make_unique<TMJPGImage>(nullptr);
    const TMJPGHeader& from = *Header;
    TMJPGHeader& to = *image->Header;
    to.Signature = from.Signature;
    to.VersionMajor = from.VersionMajor;
    to.VersionMinor = from.VersionMinor;
    to.Camera = from.Camera;
    to.EventTime = from.EventTime;
    to.BeginTime = from.BeginTime;
    to.EndTime = from.EndTime;
    to.Width = from.Width;
    to.Height = from.Height;
    to.FPS = from.FPS;
    to.Frames = from.Frames;
    to.PreAlarm = from.PreAlarm;
    to.Boundary = from.Boundary;
    image->FrameList.reserve(FrameList.size());
    for (const auto& frame : FrameList) {
        if (!frame) {
            image->FrameList.push_back(nullptr);
            continue;
        }
        auto copy = std::make_unique<TMJPGFrame>(nullptr, frame->Boundary);
        copy->ContentType = frame->ContentType;
        copy->ContentLength = frame->ContentLength;
        copy->SetBytes(frame->Bytes());
        image->FrameList.push_back(std::move(copy));
    }
    return image;
}
