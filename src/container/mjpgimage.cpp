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
    Header->ReadFromStream(stream);
    if (!Header->IsValid())
        return;
    while (stream->Position() < stream->Size())
        FrameList.push_back(std::make_unique<TMJPGFrame>(stream, Header->Boundary));
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
