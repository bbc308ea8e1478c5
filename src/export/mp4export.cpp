#include "mp4export.h"

#include "exportcues.h"
#include "videoexport.h"

#include "container/mjpgframe.h"
#include "container/mjpgimage.h"
#include "core/cp1251.h"
#include "programinfo/programinfo.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <ctime>
#include <unistd.h>

void SetMp4MuxerOptions(AVDictionary** options)
{
    av_dict_set(options, "movflags", "empty_moov+default_base_moof+skip_trailer", 0);
    av_dict_set(options, "frag_duration", "1000000", 0);
}

std::string ExportUnitName()
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        std::strcpy(host, "?");
    return std::string("mjpgplayer ") + ProgramVersion() + " on " + host;
}

std::string LoginName()
{
    if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_name)
        return user->pw_name;
    if (const char* name = std::getenv("USER"))
        return name;
    return {};
}

TOnvifMeta ExportMeta(const TMJPGImage& image, const TExportOptions& options, int32_t from)
{
    TSurveillanceExport info;
    info.UnitName = options.UnitName.empty() ? ExportUnitName() : options.UnitName;
    info.ExportTime = options.ExportTime ? options.ExportTime : static_cast<int64_t>(std::time(nullptr));
    info.Operator = options.Operator;
    info.TrackId = 1;
    info.SourceName = Cp1251ToUtf8(image.Header->Camera);
    // The muxer starts the track's timeline at its first picture: frames
    // without data before it have no time in the file.
    int32_t first = from;
    while (first < image.FrameCount() - 1 && !(image.GetFrame(first) && !image.GetFrame(first)->Bytes().Empty()))
        ++first;
    info.StartTime = ExportStartFileTime(image, options, first);
    return OnvifMetaBox(info, options.Signer.get());
}

AVStream* AddCueStream(AVFormatContext* context, int fps)
{
    AVStream* stream = avformat_new_stream(context, nullptr);
    if (!stream)
        return nullptr;
    // The sample description of a plain text: no display flags, centred at
    // the bottom, transparent background, one style (white, font 1), and
    // a font table naming font 1.
    static const uint8_t kDescription[] = {
        0, 0, 0, 0,             // display flags
        1, 0xFF,                // horizontal, vertical justification
        0, 0, 0, 0,             // background colour
        0, 0, 0, 0, 0, 0, 0, 0, // text box
        0, 0, 0, 0,             // style: first, last character
        0, 1,                   // font id
        0,                      // face
        0x12,                   // size
        0xFF, 0xFF, 0xFF, 0xFF, // colour
        0, 0, 0, 0x12, 'f', 't', 'a', 'b', 0, 1, 0, 1, 5, 'S', 'e', 'r', 'i', 'f',
    };
    stream->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
    stream->codecpar->codec_id = AV_CODEC_ID_MOV_TEXT;
    stream->codecpar->extradata = static_cast<uint8_t*>(av_mallocz(sizeof kDescription + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!stream->codecpar->extradata)
        return nullptr;
    std::memcpy(stream->codecpar->extradata, kDescription, sizeof kDescription);
    stream->codecpar->extradata_size = sizeof kDescription;
    stream->time_base = AVRational{1, fps};
    return stream;
}

std::string CueSample(const std::string& text)
{
    const size_t size = std::min<size_t>(text.size(), 0xFFFF);
    std::string sample;
    sample += static_cast<char>(size >> 8);
    sample += static_cast<char>(size & 0xFF);
    sample.append(text, 0, size);
    return sample;
}
