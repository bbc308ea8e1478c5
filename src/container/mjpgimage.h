// TMJPGImage: a whole MJPG fragment in memory, its header and every frame.
#pragma once

#include "mjpgframe.h"
#include "mjpgheader.h"

#include <cstdint>
#include <memory>
#include <vector>

class TMJPGImage {
public:
    std::vector<std::unique_ptr<TMJPGFrame>> FrameList;
    std::unique_ptr<TMJPGHeader> Header = std::make_unique<TMJPGHeader>();

    // Loads the fragment from the stream's current position (null: empty).
    // The image keeps no reference to the stream.
    explicit TMJPGImage(TStream* stream);
    TMJPGImage(const TMJPGImage&) = delete;
    TMJPGImage& operator=(const TMJPGImage&) = delete;

    void Clear();
    // Reads the header and, when it is valid, every part up to the end of
    // the stream. Never raises for malformed data. Running out of memory
    // ends the load: the image is left empty and EOutOfMemory (or
    // std::bad_alloc) is raised, so a fragment too large for the process
    // fails as a whole instead of loading as empty frames.
    void LoadFromStream(TStream* stream);
    int32_t FrameCount() const { return static_cast<int32_t>(FrameList.size()); }
    // The frame at the index, or null when out of range.
    TMJPGFrame* GetFrame(int32_t index) const;
    // Writes the header and every frame; returns the number of frames.
    // Raises EWriteError when a write falls short, so a save never loses
    // frames silently.
    int32_t SaveToStream(TStream* stream) const;
    // A second image with this one's header and frames, each frame a view of
    // the same bytes: no picture is copied. Raises std::bad_alloc.
    std::unique_ptr<TMJPGImage> ShareFrames() const;
};
