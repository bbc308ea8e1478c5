// What an MP4 export adds to the stream copy the other containers share:
// fragmenting options for libavformat's mp4 muxer, the ONVIF file-level
// meta for the fragment, and a mov_text track with one cue per picture.
#pragma once

#include "onvifmp4.h"

#include <cstdint>
#include <string>

struct AVDictionary;
struct AVFormatContext;
struct AVStream;
class TMJPGImage;
struct TExportOptions;

// Fragments of about a second, each with tfdt and data offsets counted from
// its moof, the moov written empty first and no random-access index at the
// end (the meta box after ftyp moves everything by its size, and an mfra
// counts absolute offsets).
void SetMp4MuxerOptions(AVDictionary** options);

// "mjpgplayer VERSION on HOSTNAME".
std::string ExportUnitName();

// The login name of the user running the program (the default operator).
std::string LoginName();

// The meta box of an export of the frames from `from` on; its start time
// is that of the first frame with data (where an MP4's timeline begins).
TOnvifMeta ExportMeta(const TMJPGImage& image, const TExportOptions& options, int32_t from);

// A mov_text stream for the cues (a plain style, no font size of its own).
AVStream* AddCueStream(AVFormatContext* context, int fps);
// A mov_text sample: the text's length (16 bits) and the text.
std::string CueSample(const std::string& text);
