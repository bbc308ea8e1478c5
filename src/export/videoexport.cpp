// Stream copy of a fragment's JPEG frames into Matroska or AVI through
// libavformat (Matroska with a text track of the frames' own times),
// written to temporary files that take their names only when the export,
// its manifest and the manifest's signature are complete.
#include "videoexport.h"

#include "exportcues.h"
#include "mp4export.h"

#include "container/jpegpicture.h"
#include "container/mjpgimage.h"
#include "core/cp1251.h"
#include "core/datetime.h"
#include "core/hex.h"
#include "core/replacingfile.h"
#include "core/sha256.h"
#include "core/streams.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string LowerExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string Sha256OfFile(const std::string& path)
{
    try {
        return Sha256HexOfFile(path);
    } catch (const EStreamError& e) {
        throw EExportError(e.what());
    }
}

[[noreturn]] void FailWriting(const std::string& path, int error)
{
    throw EExportError("Ошибка записи в файл " + Quoted(path) + ". " + SystemErrorText(error));
}

// Where libavformat writes: the temporary file, with the system's reason of
// the first failed write kept for the message.
struct TSink {
    int Handle = -1;
    const std::function<long(int, const void*, unsigned long)>* Write = nullptr;
    int Error = 0;
    // An MP4's boxes of its own go in on the way, and its bytes are hashed.
    TOnvifStream* Onvif = nullptr;
};

bool SinkWriteAll(TSink* sink, const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const long n = (sink->Write && *sink->Write)
                           ? (*sink->Write)(sink->Handle, data + done, static_cast<unsigned long>(size - done))
                           : static_cast<long>(::write(sink->Handle, data + done, size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            sink->Error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

int SinkWrite(void* opaque, uint8_t* data, int size)
{
    auto* sink = static_cast<TSink*>(opaque);
    if (sink->Error)
        return AVERROR(sink->Error);
    const bool written =
        sink->Onvif ? sink->Onvif->Write(data, static_cast<size_t>(size),
                                         [sink](const uint8_t* d, size_t n) { return SinkWriteAll(sink, d, n); })
                    : SinkWriteAll(sink, data, static_cast<size_t>(size));
    return written ? size : AVERROR(sink->Error);
}

int64_t SinkSeek(void* opaque, int64_t offset, int whence)
{
    auto* sink = static_cast<TSink*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        if (::fstat(sink->Handle, &st) != 0)
            return AVERROR(errno);
        return st.st_size;
    }
    const off_t at = ::lseek(sink->Handle, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct TFormatDeleter {
    void operator()(AVFormatContext* context) const
    {
        if (!context)
            return;
        if (context->pb) {
            av_freep(&context->pb->buffer);
            avio_context_free(&context->pb);
        }
        avformat_free_context(context);
    }
};

struct TPacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

std::string TimeText(TDateTime value)
{
    return FormatDateTime("dd.mm.yyyy hh:nn:ss", value);
}

void SetMetadata(AVDictionary** dict, const char* key, const std::string& value)
{
    if (av_dict_set(dict, key, value.c_str(), 0) < 0)
        throw EExportError("Недостаточно памяти");
}

// A line "sha256sum -c" reads: a name holding a backslash or a line feed is
// written escaped, the line then opening with a backslash.
std::string ChecksumLine(const std::string& digest, const std::string& name)
{
    if (name.find_first_of("\\\n") == std::string::npos)
        return digest + "  " + name + "\n";
    std::string escaped;
    for (const char c : name)
        escaped += c == '\\' ? std::string("\\\\") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return "\\" + digest + "  " + escaped + "\n";
}

// The manifest: the digests of the export and of the fragment as
// "sha256sum -c" reads them, then comments: the times' zone, the range, and
// one line per exported frame with its digest and its wall-clock time.
std::string ManifestText(const std::string& exportName, const std::string& exportDigest,
                         const TExportOptions& options, const std::string& manifestDir,
                         const std::vector<std::pair<int32_t, std::string>>& frames, const TMJPGImage& image,
                         int32_t from, int32_t to, const TExportZone& zone)
{
    std::string text = ChecksumLine(exportDigest, exportName);
    if (!options.SourcePath.empty()) {
        // Named relative to the manifest's folder when it can be, so that
        // "sha256sum -c" run there finds the fragment too.
        std::error_code ec;
        const fs::path source = fs::absolute(options.SourcePath, ec);
        fs::path shown = source;
        if (!ec) {
            const fs::path relative = source.lexically_relative(fs::absolute(manifestDir, ec));
            if (!ec && !relative.empty())
                shown = relative;
        }
        text += ChecksumLine(Sha256OfFile(options.SourcePath), shown.string());
    } else if (options.SourceBytes) {
        text += "# fragment (no file): sha256 " +
                Sha256Hex(options.SourceBytes, static_cast<size_t>(options.SourceSize)) + "\n";
    }
    const TMJPGHeader& h = *image.Header;
    text += "# times: the recorder's local time, " +
            (zone.UtcOffsetMinutes ? "UTC" + UtcOffsetText(*zone.UtcOffsetMinutes) +
                                         (zone.Source.empty() ? std::string() : " (" + zone.Source + ")")
                                   : std::string("UTC offset not known")) +
            "\n";
    text += "# frames " + std::to_string(from) + ".." + std::to_string(to) + " of " +
            std::to_string(image.FrameCount()) + ", " + std::to_string(h.FPS) + " fps, " +
            std::to_string(frames.size()) + " with data\n";
    for (const auto& [index, digest] : frames)
        text += "# frame " + std::to_string(index) + " " + digest + " " + WallClockText(FrameWallClock(h, index)) + "\n";
    return text;
}

} // namespace

std::optional<TExportContainer> ContainerForPath(const std::string& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == ".mkv")
        return TExportContainer::Matroska;
    if (ext == ".avi")
        return TExportContainer::Avi;
    if (ext == ".mp4")
        return TExportContainer::Mp4;
    return std::nullopt;
}

std::string ManifestPathFor(const std::string& path)
{
    return path + ".sha256";
}

std::string SignaturePathFor(const std::string& path)
{
    return ManifestPathFor(path) + ".p7s";
}

const char* const kFrameTimeTrackTitle = "Время кадров";

std::string ExportTitle(const TMJPGImage& image)
{
    return Cp1251ToUtf8(image.Header->Camera) + " " + TimeText(image.Header->EventTime);
}

std::string ExportComment(const TMJPGImage& image, const TExportZone& zone)
{
    const TMJPGHeader& h = *image.Header;
    return "Камера: " + Cp1251ToUtf8(h.Camera) + "; событие: " + TimeText(h.EventTime) + "; запись: " +
           TimeText(h.BeginTime) + " - " + TimeText(h.EndTime) + "; тревога: " + (h.PreAlarm ? "pre" : "post") +
           "; время: " + ZoneLabel(zone);
}

std::optional<std::string> ExportCreationTime(const TMJPGImage& image, const TExportZone& zone)
{
    const auto utc = UtcMilliseconds(WallClockMilliseconds(image.Header->EventTime), zone);
    if (!utc)
        return std::nullopt;
    return IsoUtcText(*utc);
}

void CheckExportRange(const TMJPGImage& image, int32_t from, int32_t to)
{
    if (!image.Header->IsValid())
        throw EExportInputError("Это не фрагмент MJPG");
    const int32_t count = image.FrameCount();
    if (count == 0)
        throw EExportInputError("Во фрагменте нет кадров");
    if (from < 0 || from >= count || to < 0 || to >= count)
        throw EExportInputError("Кадры " + std::to_string(from) + ".." + std::to_string(to) +
                                " вне фрагмента (кадры 0.." + std::to_string(count - 1) + ")");
    if (from > to)
        throw EExportInputError("Первый кадр " + std::to_string(from) + " после последнего " + std::to_string(to));
    if (image.Header->FPS <= 0)
        throw EExportInputError("Во фрагменте не указана частота кадров (FPS: " +
                                std::to_string(image.Header->FPS) + ")");
    for (int32_t i = from; i <= to; ++i)
        if (FrameHasData(image.GetFrame(i)))
            return;
    throw EExportInputError(from == 0 && to == count - 1 ? "Во фрагменте нет ни одного кадра с данными"
                                                         : "В выбранных кадрах нет ни одного кадра с данными");
}

namespace {

TExportResult WriteExport(const TMJPGImage& image, const std::string& path, const TExportOptions& options)
{
    const int32_t from = options.From;
    const int32_t to = options.To < 0 ? image.FrameCount() - 1 : options.To;
    CheckExportRange(image, from, to);
    const TMJPGHeader& header = *image.Header;
    const int fps = header.FPS;

    int width = header.Width;
    int height = header.Height;
    if (width <= 0 || height <= 0) {
        // The header gives none: the first picture's own size.
        for (int32_t i = from; i <= to; ++i) {
            const TMJPGFrame* frame = image.GetFrame(i);
            if (FrameHasData(frame)) {
                int w = 0, h = 0;
                if (ReadJPEGSize(frame->Bytes().Memory(), static_cast<size_t>(frame->Bytes().Size()), w, h)) {
                    width = w;
                    height = h;
                }
                break;
            }
        }
    }

    TExportResult result;
    result.Frames = to - from + 1;
    TReplacingFile file(path);
    TSink sink;
    sink.Handle = file.Stream().Handle();
    sink.Write = &options.Write;

    const bool mp4 = options.Container == TExportContainer::Mp4;
    const char* muxer = options.Container == TExportContainer::Matroska ? "matroska" : mp4 ? "mp4" : "avi";
    // An MP4 is written in one pass from start to end (fragments), its own
    // boxes going in on the way; it is hashed meanwhile for its seal.
    std::optional<TOnvifStream> onvif;
    if (mp4) {
        onvif.emplace(ExportMeta(image, options, from), options.Signer != nullptr || options.Manifest);
        sink.Onvif = &*onvif;
    }
    std::unique_ptr<AVFormatContext, TFormatDeleter> context;
    {
        AVFormatContext* raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, muxer, nullptr) < 0 || !raw)
            throw EExportError(std::string("Формат ") + muxer + " недоступен");
        context.reset(raw);
    }
    constexpr int kBufferSize = 1 << 20;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (!buffer)
        throw EExportError("Недостаточно памяти");
    context->pb = avio_alloc_context(buffer, kBufferSize, 1, &sink, nullptr, SinkWrite, mp4 ? nullptr : SinkSeek);
    if (!context->pb) {
        av_free(buffer);
        throw EExportError("Недостаточно памяти");
    }
    context->flags |= AVFMT_FLAG_CUSTOM_IO;

    AVStream* stream = avformat_new_stream(context.get(), nullptr);
    if (!stream)
        throw EExportError("Недостаточно памяти");
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_MJPEG;
    stream->codecpar->width = width;
    stream->codecpar->height = height;
    stream->codecpar->bits_per_coded_sample = 24;
    stream->time_base = AVRational{1, fps};
    stream->avg_frame_rate = AVRational{fps, 1};
    stream->r_frame_rate = AVRational{fps, 1};
    stream->disposition = AV_DISPOSITION_DEFAULT;

    // The frames' own times: a text track of one cue per picture.
    AVStream* times = nullptr;
    if (options.Container == TExportContainer::Matroska) {
        times = avformat_new_stream(context.get(), nullptr);
        if (!times)
            throw EExportError("Недостаточно памяти");
        times->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        times->codecpar->codec_id = AV_CODEC_ID_SUBRIP; // S_TEXT/UTF8
        times->time_base = AVRational{1, 1000};
        // Shown without being asked: the time a picture was taken is what
        // the export is watched for, and the elapsed time a player shows
        // says nothing of it.
        times->disposition = AV_DISPOSITION_DEFAULT;
        SetMetadata(&times->metadata, "title", kFrameTimeTrackTitle);
        SetMetadata(&times->metadata, "language", "rus");
    }
    // An MP4's cues: the same times in a mov_text track.
    AVStream* mp4Cues = nullptr;
    if (mp4 && !(mp4Cues = AddCueStream(context.get(), fps)))
        throw EExportError("Недостаточно памяти");

    SetMetadata(&context->metadata, "title", ExportTitle(image));
    SetMetadata(&context->metadata, "comment", ExportComment(image, options.Zone));
    if (const auto created = ExportCreationTime(image, options.Zone))
        SetMetadata(&context->metadata, "creation_time", *created);
    if (options.Container == TExportContainer::Avi) // AVI keeps a date (ICRD), not a time
        SetMetadata(&context->metadata, "date", FormatDateTime("yyyy-mm-dd", header.EventTime));

    auto check = [&](int code) {
        if (code >= 0)
            return;
        if (sink.Error)
            FailWriting(path, sink.Error);
        throw EExportError("Ошибка записи в файл " + Quoted(path) + ". " + AvErrorText(code));
    };
    // Matroska's CRC-32 elements cost a pass over every byte and prove
    // nothing the manifest's digests do not.
    AVDictionary* muxerOptions = nullptr;
    if (options.Container == TExportContainer::Matroska)
        SetMetadata(&muxerOptions, "write_crc32", "0");
    if (mp4)
        SetMp4MuxerOptions(&muxerOptions);
    const int opened = avformat_write_header(context.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    check(opened);

    // Frame i of the range stands at (i - from) / FPS seconds, in whatever
    // time base the container keeps.
    const AVRational frameBase{1, fps};
    auto slotTime = [&](int64_t slot) { return av_rescale_q(slot, frameBase, stream->time_base); };
    // One cue per frame with data, in Matroska's text track or the MP4's
    // mov_text track (whose samples carry their text's length first).
    AVStream* const cueStream = times ? times : mp4Cues;
    std::vector<TFrameCue> cues;
    size_t nextCue = 0;
    if (cueStream)
        cues = FrameCues(image, from, to);
    const bool avi = options.Container == TExportContainer::Avi;

    std::unique_ptr<AVPacket, TPacketDeleter> packet(av_packet_alloc());
    if (!packet)
        throw EExportError("Недостаточно памяти");
    std::vector<std::pair<int32_t, std::string>> digests;
    for (int32_t i = from; i <= to; ++i) {
        const TMJPGFrame* frame = image.GetFrame(i);
        const bool hasData = FrameHasData(frame);
        // AVI keeps the slot of a frame without data as an empty chunk (a
        // dropped frame); Matroska shows the picture before it longer.
        if (hasData || avi) {
            int32_t next = i + 1;
            if (!avi)
                while (next <= to && !FrameHasData(image.GetFrame(next)))
                    ++next;
            av_packet_unref(packet.get());
            if (hasData) {
                // The muxer only reads a packet without a buffer of its own.
                packet->data = const_cast<uint8_t*>(frame->Bytes().Memory());
                packet->size = static_cast<int>(frame->Bytes().Size());
            }
            packet->stream_index = stream->index;
            packet->pts = packet->dts = slotTime(i - from);
            packet->duration = slotTime(next - from) - packet->pts;
            packet->flags = AV_PKT_FLAG_KEY;
            check(av_write_frame(context.get(), packet.get()));
            packet->data = nullptr;
            packet->size = 0;
            if (cueStream && nextCue < cues.size() && cues[nextCue].Index == i) {
                const TFrameCue& cue = cues[nextCue++];
                const std::string sample = cueStream == mp4Cues ? CueSample(cue.Text) : cue.Text;
                av_packet_unref(packet.get());
                packet->data = reinterpret_cast<uint8_t*>(const_cast<char*>(sample.data()));
                packet->size = static_cast<int>(sample.size());
                packet->stream_index = cueStream->index;
                packet->pts = packet->dts = av_rescale_q(cue.Start, frameBase, cueStream->time_base);
                packet->duration = av_rescale_q(cue.Start + cue.Slots, frameBase, cueStream->time_base) - packet->pts;
                packet->flags = AV_PKT_FLAG_KEY;
                check(av_write_frame(context.get(), packet.get()));
                packet->data = nullptr;
                packet->size = 0;
            }
            if (hasData) {
                ++result.Packets;
                if (options.Manifest)
                    digests.emplace_back(
                        i, Sha256Hex(frame->Bytes().Memory(), static_cast<size_t>(frame->Bytes().Size())));
            }
        }
        if (options.Progress && !options.Progress(i - from + 1, result.Frames))
            throw EExportCancelled("Экспорт отменён");
    }
    check(av_write_trailer(context.get()));
    avio_flush(context->pb);
    check(context->pb->error);
    if (sink.Error)
        FailWriting(path, sink.Error);
    // An unsigned MP4's digest, hashed on the way, is the file's: the
    // manifest names it without reading the file again.
    std::string writtenDigest;
    if (onvif) {
        if (!onvif->Complete())
            throw EExportError("Ошибка записи в файл " + Quoted(path) + ": формат MP4 не записал блок ftyp");
        if (options.Manifest && !options.Signer) {
            const std::string digest = onvif->Digest();
            writtenDigest = HexText(digest.data(), digest.size());
        }
        if (options.Signer) {
            const std::string signature = options.Signer->SignDigest(onvif->Digest());
            if (::pwrite(file.Stream().Handle(), signature.data(), signature.size(),
                         static_cast<off_t>(onvif->SignatureFileOffset())) != static_cast<ssize_t>(signature.size()))
                FailWriting(path, errno);
        }
    }
    file.Close();

    const std::string manifestPath = ManifestPathFor(path);
    const std::string signaturePath = SignaturePathFor(path);
    if (!options.Manifest) {
        // An earlier export's manifest and signature would describe another file.
        ReplaceFiles({&file}, {manifestPath, signaturePath}, options.Rename);
        return result;
    }
    TReplacingFile manifest(manifestPath);
    const std::string dir = fs::path(path).has_parent_path() ? fs::path(path).parent_path().string() : ".";
    const std::string written = file.TemporaryPath().empty() ? path : file.TemporaryPath();
    const std::string text = ManifestText(fs::path(path).filename().string(),
                                          writtenDigest.empty() ? Sha256OfFile(written) : writtenDigest, options, dir,
                                          digests, image, from, to, options.Zone);
    auto writeAll = [&](TReplacingFile& target, const std::string& bytes) {
        TSink sink;
        sink.Handle = target.Stream().Handle();
        sink.Write = &options.Write;
        if (SinkWrite(&sink, reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())),
                      static_cast<int>(bytes.size())) < 0)
            FailWriting(target.Target(), sink.Error);
        target.Close();
    };
    writeAll(manifest, text);
    std::unique_ptr<TReplacingFile> signature;
    if (options.SignManifest || options.Signer) {
        const std::string bytes = options.SignManifest ? options.SignManifest(text) : options.Signer->DetachedCms(text);
        signature = std::make_unique<TReplacingFile>(signaturePath);
        writeAll(*signature, bytes);
    }
    if (options.Progress && !options.Progress(result.Frames, result.Frames))
        throw EExportCancelled("Экспорт отменён");
    // All take their names, or none does and the earlier files stay.
    if (signature)
        ReplaceFiles({&file, &manifest, signature.get()}, {}, options.Rename);
    else
        ReplaceFiles({&file, &manifest}, {signaturePath}, options.Rename);
    result.ManifestPath = manifestPath;
    if (signature)
        result.SignaturePath = signaturePath;
    return result;
}

} // namespace

TExportResult ExportFragment(const TMJPGImage& image, const std::string& path, const TExportOptions& options)
{
    try {
        return WriteExport(image, path, options);
    } catch (const EStreamError& e) {
        // Creating, closing or renaming a file: the system's reason, as any
        // other failure while the export is written.
        throw EExportError(e.what());
    }
}
