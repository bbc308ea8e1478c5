// Exports read back with libavformat's demuxer: every packet is its frame's
// JPEG bytes at its frame's time, the metadata as written; ffprobe, mkvinfo
// and sha256sum check the files as outside tools see them; failures and cancels
// leave no file and an existing one untouched.
#include "export/isobmff.h"
#include "export/onvifmp4.h"
#include "export/videoexport.h"

#include "container/mjpgimage.h"
#include "export/exporttime.h"
#include "core/sha256.h"
#include "fixtures/files.h"
#include "fixtures/fragmentbuilder.h"
#include "fixtures/framemaker.h"

#include "../support/outsidetool.h"
#include "../support/shellcommand.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/adler32.h>
#include <libavutil/dict.h>
}

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace fixture;

namespace {

std::vector<bool> ManyFrames(int count)
{
    return std::vector<bool>(static_cast<size_t>(count), true);
}

// A fragment whose frames have data (true) or not (false), each picture
// distinct.
std::unique_ptr<TMJPGImage> Fragment(const std::vector<bool>& frames, int fps = 5, int width = 32, int height = 24)
{
    THeaderLines header;
    header.Camera = "\xC2\xF5\xEE\xE4 1"; // "Вход 1" in code page 1251
    header.FPS = fps;
    header.Width = width;
    header.Height = height;
    header.Frames = static_cast<int64_t>(frames.size());
    header.PreAlarm = true;
    TFragmentBuilder builder(header);
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i])
            builder.Part(MakeFrame({.Index = static_cast<int>(i % 25), .Width = 32, .Height = 24,
                                    .Quality = 50 + static_cast<int>(i / 25) % 40}));
        else
            builder.EmptyParts(1);
    }
    auto stream = builder.Stream();
    return std::make_unique<TMJPGImage>(stream.get());
}

std::string Bytes(const TMJPGFrame& frame)
{
    return {reinterpret_cast<const char*>(frame.Bytes().Memory()), static_cast<size_t>(frame.Bytes().Size())};
}

struct TPacket {
    std::string Data;
    double Time = 0; // seconds
    double Duration = 0;
};

struct TReadBack {
    std::vector<TPacket> Packets; // the pictures
    std::vector<TPacket> Cues;    // the text track's cues
    int Streams = 0;
    AVCodecID CueCodec = AV_CODEC_ID_NONE;
    bool CuesByDefault = false;
    double Duration = 0; // seconds
    AVCodecID Codec = AV_CODEC_ID_NONE;
    int Width = 0;
    int Height = 0;
    std::map<std::string, std::string> Metadata;
};

TReadBack ReadBack(const std::string& path)
{
    av_log_set_level(AV_LOG_ERROR);
    TReadBack result;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0)
        throw std::runtime_error("the demuxer cannot open " + path);
    avformat_find_stream_info(context, nullptr);
    const AVStream* stream = context->streams[0];
    const AVStream* cues = context->nb_streams > 1 ? context->streams[1] : nullptr;
    result.Streams = static_cast<int>(context->nb_streams);
    if (cues) {
        result.CueCodec = cues->codecpar->codec_id;
        result.CuesByDefault = (cues->disposition & AV_DISPOSITION_DEFAULT) != 0;
    }
    result.Codec = stream->codecpar->codec_id;
    result.Width = stream->codecpar->width;
    result.Height = stream->codecpar->height;
    result.Duration = context->duration / double(AV_TIME_BASE);
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(context->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)))
        result.Metadata[entry->key] = entry->value;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(context, packet) >= 0) {
        const AVStream* from = context->streams[packet->stream_index];
        const TPacket read{std::string(reinterpret_cast<const char*>(packet->data), packet->size),
                           packet->pts * av_q2d(from->time_base), packet->duration * av_q2d(from->time_base)};
        if (from == cues)
            result.Cues.push_back(read);
        else if (packet->size > 0) // an AVI's empty chunks keep slots of frames without data
            result.Packets.push_back(read);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&context);
    return result;
}

struct TCase {
    const char* Name;
    TExportContainer Container;
    std::vector<bool> Frames;
    int32_t From;
    int32_t To; // -1: the last
    int FPS;
};

// ctest's listing names a case by its name, not by its bytes.
void PrintTo(const TCase& c, std::ostream* out)
{
    *out << c.Name;
}

std::string Extension(TExportContainer container)
{
    return container == TExportContainer::Matroska ? ".mkv" : container == TExportContainer::Avi ? ".avi" : ".mp4";
}

class ExportCases : public testing::TestWithParam<TCase> {};

} // namespace

TEST_P(ExportCases, PacketsAreTheFramesBytesAtTheirTimes)
{
    const TCase& c = GetParam();
    const auto image = Fragment(c.Frames, c.FPS);
    TScratchFolder dir;
    const std::string path = dir / (std::string("export") + Extension(c.Container));
    TExportOptions options;
    options.Container = c.Container;
    options.From = c.From;
    options.To = c.To;
    const TExportResult result = ExportFragment(*image, path, options);
    EXPECT_EQ(EntryNames(dir.Path()), std::vector<std::string>{fs::path(path).filename().string()});

    const int32_t to = c.To < 0 ? image->FrameCount() - 1 : c.To;
    std::vector<int32_t> withData;
    for (int32_t i = c.From; i <= to; ++i)
        if (c.Frames[i])
            withData.push_back(i);
    EXPECT_EQ(result.Packets, static_cast<int32_t>(withData.size()));
    EXPECT_EQ(result.Frames, to - c.From + 1);

    TReadBack back = ReadBack(path);
    EXPECT_EQ(back.Codec, AV_CODEC_ID_MJPEG);
    EXPECT_EQ(back.Width, 32);
    EXPECT_EQ(back.Height, 24);
    ASSERT_EQ(back.Packets.size(), withData.size());
    // Matroska keeps milliseconds, AVI the frame rate's own ticks, MP4 a
    // time scale the frame rate divides.
    const double tolerance = c.Container == TExportContainer::Matroska ? 0.0005 : 1e-9;
    // An MP4's timeline begins with its first picture (its start time, cstb, is that picture's).
    const int32_t origin = c.Container == TExportContainer::Mp4 ? withData.front() : c.From;
    for (size_t k = 0; k < withData.size(); ++k) {
        EXPECT_EQ(back.Packets[k].Data, Bytes(*image->GetFrame(withData[k]))) << "packet " << k;
        EXPECT_NEAR(back.Packets[k].Time, double(withData[k] - origin) / c.FPS, tolerance) << "packet " << k;
    }
    if (c.Container != TExportContainer::Mp4) { // fragments give libavformat no duration of the whole
        EXPECT_NEAR(back.Duration, double(to - c.From + 1) / c.FPS, 0.0015);
    }

    // Matroska: one cue per picture, at its time, until the next picture,
    // giving the frame's wall-clock time, index and camera. AVI: none.
    if (c.Container == TExportContainer::Matroska) {
        EXPECT_EQ(back.Streams, 2);
        EXPECT_EQ(back.CueCodec, AV_CODEC_ID_SUBRIP);
        EXPECT_TRUE(back.CuesByDefault);
        ASSERT_EQ(back.Cues.size(), withData.size());
        for (size_t k = 0; k < withData.size(); ++k) {
            const int32_t next = k + 1 < withData.size() ? withData[k + 1] : to + 1;
            EXPECT_EQ(back.Cues[k].Data, FrameCueText(*image->Header, withData[k])) << "cue " << k;
            EXPECT_NEAR(back.Cues[k].Time, double(withData[k] - c.From) / c.FPS, tolerance) << "cue " << k;
            EXPECT_NEAR(back.Cues[k].Duration, double(next - withData[k]) / c.FPS, 2 * tolerance) << "cue " << k;
        }
    } else if (c.Container == TExportContainer::Mp4) {
        // MP4: the same cues in mov_text (a 16-bit length, then the text),
        // on the timeline that starts at the first picture; the muxer adds
        // an empty sample after each.
        EXPECT_EQ(back.Streams, 2);
        EXPECT_EQ(back.CueCodec, AV_CODEC_ID_MOV_TEXT);
        std::vector<TPacket> cues;
        for (const TPacket& cue : back.Cues)
            if (cue.Data.size() > 2)
                cues.push_back(cue);
        ASSERT_EQ(cues.size(), withData.size());
        for (size_t k = 0; k < withData.size(); ++k) {
            EXPECT_EQ(cues[k].Data.substr(2), FrameCueText(*image->Header, withData[k])) << "cue " << k;
            EXPECT_NEAR(cues[k].Time, double(withData[k] - origin) / c.FPS, tolerance) << "cue " << k;
        }
    } else {
        EXPECT_EQ(back.Streams, 1);
        EXPECT_TRUE(back.Cues.empty());
    }

    EXPECT_EQ(back.Metadata["title"], "Вход 1 05.03.2007 14:02:09");
    const std::string comment = back.Metadata.count("comment") ? back.Metadata["comment"] : back.Metadata["COMMENT"];
    EXPECT_EQ(comment, "Камера: Вход 1; событие: 05.03.2007 14:02:09; запись: 05.03.2007 14:02:00 - "
                       "05.03.2007 14:02:20; тревога: pre; время: местное время регистратора, часовой пояс не известен");
    // No zone: no UTC field claims a time the recorder's clock does not give.
    EXPECT_EQ(back.Metadata.count("creation_time"), 0u) << back.Metadata["creation_time"];
    if (c.Container == TExportContainer::Avi) {
        EXPECT_EQ(back.Metadata["date"], "2007-03-05");
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothContainers, ExportCases,
    testing::Values(
        TCase{"MatroskaWhole", TExportContainer::Matroska, std::vector<bool>(12, true), 0, -1, 5},
        TCase{"AviWhole", TExportContainer::Avi, std::vector<bool>(12, true), 0, -1, 5},
        TCase{"MatroskaRange", TExportContainer::Matroska, std::vector<bool>(30, true), 7, 19, 25},
        TCase{"AviRange", TExportContainer::Avi, std::vector<bool>(30, true), 7, 19, 25},
        // Frames without data keep their time: at the start, inside, at the end.
        TCase{"MatroskaGaps", TExportContainer::Matroska, {false, true, true, false, false, true, false}, 0, -1, 3},
        TCase{"AviGaps", TExportContainer::Avi, {false, true, true, false, false, true, false}, 0, -1, 3},
        TCase{"MatroskaGapsInRange", TExportContainer::Matroska, {true, false, true, false, true, false}, 1, 3, 30},
        TCase{"AviGapsInRange", TExportContainer::Avi, {true, false, true, false, true, false}, 1, 3, 30},
        TCase{"Mp4Whole", TExportContainer::Mp4, std::vector<bool>(12, true), 0, -1, 5},
        TCase{"Mp4Range", TExportContainer::Mp4, std::vector<bool>(60, true), 7, 49, 25},
        TCase{"Mp4Gaps", TExportContainer::Mp4, {false, true, true, false, false, true, false}, 0, -1, 3}),
    [](const testing::TestParamInfo<TCase>& info) { return std::string(info.param.Name); });

// The MP4's own boxes as written: meta right after ftyp with hdlr, suep
// (unit, time, operator, the camera as the track's source) and cstb (the
// first exported frame's time in UTC, 100 ns since 1601), tfdt in every
// fragment; cstb only when the zone is known.
TEST(Export, Mp4HasTheSurveillanceBoxes)
{
    const auto image = Fragment(ManyFrames(60), 5);
    TScratchFolder dir;
    TExportOptions options;
    options.Container = TExportContainer::Mp4;
    options.From = 3;
    options.Operator = "Сидоров";
    options.UnitName = "unit";
    options.ExportTime = 1700000000;
    options.Zone.UtcOffsetMinutes = 180;
    ExportFragment(*image, dir / "a.mp4", options);
    const std::string file = ReadFileBytes(dir / "a.mp4");
    bool whole = false;
    const auto top = ChildBoxes(file, 0, file.size(), &whole);
    ASSERT_TRUE(whole);
    ASSERT_GE(top.size(), 4u);
    EXPECT_EQ(top[0].Type, "ftyp");
    ASSERT_EQ(top[1].Type, "meta");
    EXPECT_EQ(top[2].Type, "moov");
    const auto meta = ChildBoxes(file, top[1].PayloadOffset() + 4, top[1].End());
    ASSERT_EQ(meta.size(), 3u);
    EXPECT_EQ(meta[0].Type, "hdlr");
    EXPECT_EQ(meta[1].Type, "suep");
    EXPECT_EQ(meta[2].Type, "cstb");

    TBoxWriter suep;
    suep.U8(1); // version
    suep.Zeros(3);
    suep.String("unit");
    suep.String("");
    suep.String("");
    suep.U64(1700000000ULL + 2082844800ULL);
    suep.String("Сидоров");
    suep.U32(1);
    suep.U16(1);
    suep.String("Вход 1");
    suep.Zeros(3);
    EXPECT_EQ(file.substr(meta[1].PayloadOffset(), meta[1].Size - 8), suep.Data());

    TBoxWriter cstb;
    cstb.U32(1);
    cstb.U32(1);
    cstb.U64(128175661206000000ULL); // 05.03.2007 14:02:00 at UTC+3, plus 3 frames at 5 fps
    EXPECT_EQ(file.substr(meta[2].PayloadOffset(), meta[2].Size - 8), cstb.Data());

    size_t fragments = 0;
    for (const TBoxPlace& box : top) {
        if (box.Type != "moof")
            continue;
        ++fragments;
        for (const TBoxPlace& traf : ChildBoxes(file, box.PayloadOffset(), box.End()))
            if (traf.Type == "traf") {
                EXPECT_TRUE(FindBox(ChildBoxes(file, traf.PayloadOffset(), traf.End()), "tfdt")) << "fragment " << fragments;
            }
    }
    EXPECT_GE(fragments, 10u); // about one a second: 57 frames at 5 fps
    EXPECT_FALSE(FindBox(top, "mfra"));

    // Without a zone, no cstb.
    options.Zone.UtcOffsetMinutes.reset();
    ExportFragment(*image, dir / "b.mp4", options);
    const std::string plain = ReadFileBytes(dir / "b.mp4");
    const auto plainTop = ChildBoxes(plain, 0, plain.size());
    EXPECT_FALSE(FindBox(ChildBoxes(plain, plainTop[1].PayloadOffset() + 4, plainTop[1].End()), "cstb"));
}

// The seal's digest is computed on a thread of its own from copies of what
// is written: whatever the pieces, it is the digest of their bytes in order.
TEST(Export, BackgroundDigestIsThatOfTheBytesInOrder)
{
    const size_t mb = 1 << 20;
    const struct {
        const char* Name;
        std::vector<size_t> Pieces;
    } cases[] = {
        {"nothing", {}},
        {"one byte", {1}},
        {"pieces of a block", {7, mb - 8, 1, 5}},
        {"exactly one block", {mb}},
        {"many blocks in one piece", {20 * mb + 3}}, // more than are ever queued
        {"pieces across blocks", {mb - 1, 2, 3 * mb, 0, 17}},
    };
    for (const auto& c : cases) {
        std::string bytes;
        for (size_t piece : c.Pieces)
            for (size_t i = 0; i < piece; ++i)
                bytes += static_cast<char>((bytes.size() * 131 + bytes.size() / 977) & 0xFF);
        TBackgroundSha256 hash;
        size_t at = 0;
        for (size_t piece : c.Pieces) {
            hash.Add(bytes.data() + at, piece);
            at += piece;
        }
        TSha256 whole;
        whole.Add(bytes.data(), bytes.size());
        EXPECT_EQ(hash.Digest(), whole.Digest()) << c.Name;
    }
    // Abandoned with blocks still queued: it ends without a digest.
    TBackgroundSha256 abandoned;
    const std::string block(3 * mb + 5, 'x');
    abandoned.Add(block.data(), block.size());
}

TEST(Export, ContainerFollowsTheExtension)
{
    EXPECT_EQ(ContainerForPath("a/b.mkv"), TExportContainer::Matroska);
    EXPECT_EQ(ContainerForPath("b.MKV"), TExportContainer::Matroska);
    EXPECT_EQ(ContainerForPath("b.Avi"), TExportContainer::Avi);
    EXPECT_EQ(ContainerForPath("b.Mp4"), TExportContainer::Mp4);
    EXPECT_EQ(ContainerForPath("b.mov"), std::nullopt);
    EXPECT_EQ(ContainerForPath("mkv"), std::nullopt);
    EXPECT_EQ(ContainerForPath("dir.mkv/b"), std::nullopt);
}

TEST(Export, PictureSizeFromTheFirstPictureWhenTheHeaderHasNone)
{
    const auto image = Fragment({false, true, true}, 5, 0, 0);
    TScratchFolder dir;
    ExportFragment(*image, dir / "a.mkv", {});
    const TReadBack back = ReadBack(dir / "a.mkv");
    EXPECT_EQ(back.Width, 32);
    EXPECT_EQ(back.Height, 24);
}

TEST(Export, InputsThatCannotBeExportedLeaveNoFile)
{
    struct TBad {
        std::vector<bool> Frames;
        int32_t From, To;
        int FPS;
        const char* Message;
    };
    const TBad cases[] = {
        {{false, false, false}, 0, -1, 5, "нет ни одного кадра с данными"},
        {{true, false, false}, 1, 2, 5, "нет ни одного кадра с данными"},
        {{true, true}, 0, 2, 5, "вне фрагмента"},
        {{true, true}, -1, 1, 5, "вне фрагмента"},
        {{true, true}, 1, 0, 5, "после последнего"},
        {{true, true}, 0, 1, 0, "частота кадров"},
        {{}, 0, -1, 5, "нет кадров"},
    };
    for (const TBad& c : cases) {
        const auto image = Fragment(c.Frames, c.FPS);
        TScratchFolder dir;
        TExportOptions options;
        options.From = c.From;
        options.To = c.To;
        options.Manifest = true;
        try {
            ExportFragment(*image, dir / "a.mkv", options);
            ADD_FAILURE() << c.Message << ": no error";
        } catch (const EExportInputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
        EXPECT_TRUE(EntryNames(dir.Path()).empty()) << c.Message;
    }
}

namespace {

// A folder with a file "a.mkv" already in it, which must survive a failed export.
struct TFolderWithOldFile {
    explicit TFolderWithOldFile(const fs::path& dir) : Dir(dir) { WriteFileBytes((Dir / "a.mkv").string(), "old"); }
    void ExpectOnlyTheOldFile() const { ExpectOnlyOldFile(Dir); }
    static void ExpectOnlyOldFile(const fs::path& dir)
    {
        EXPECT_EQ(EntryNames(dir), std::vector<std::string>{"a.mkv"});
        EXPECT_EQ(ReadFileBytes((dir / "a.mkv").string()), "old");
    }
    fs::path Dir;
};

// A small tmpfs, for a disk that really fills up (needs root).
class TSmallDisk {
public:
    TSmallDisk(const fs::path& at, const char* options) : FPath(at)
    {
        fs::create_directories(at);
        FMounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0;
    }
    ~TSmallDisk()
    {
        if (FMounted)
            ::umount(FPath.c_str());
    }
    bool Mounted() const { return FMounted; }

private:
    fs::path FPath;
    bool FMounted = false;
};

} // namespace

TEST(Export, AFullDiskLeavesNoFileAndTheOldOneUntouched)
{
    const auto image = Fragment(ManyFrames(200), 25);
    for (const TExportContainer container : {TExportContainer::Matroska, TExportContainer::Avi}) {
        // Every write past the first 20000 bytes finds the disk full.
        TScratchFolder dir;
        const TFolderWithOldFile folder(dir.Path());
        TExportOptions options;
        options.Container = container;
        options.Manifest = true;
        long written = 0;
        options.Write = [&](int fd, const void* data, unsigned long size) -> long {
            if (written + static_cast<long>(size) > 20000) {
                errno = ENOSPC;
                return -1;
            }
            written += static_cast<long>(size);
            return ::write(fd, data, size);
        };
        try {
            ExportFragment(*image, dir / "a.mkv", options);
            ADD_FAILURE() << "no error";
        } catch (const EExportError& e) {
            EXPECT_NE(std::string(e.what()).find("a.mkv"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(SystemErrorText(ENOSPC)), std::string::npos) << e.what();
        }
        folder.ExpectOnlyTheOldFile();
    }
}

TEST(Export, ARealFullDiskLeavesNoFile)
{
    TScratchFolder dir;
    // 64 KiB of tmpfs; the export needs more than that.
    const TSmallDisk disk(dir.Path() / "disk", "size=64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root and the right to mount (the injected full disk above "
                        "runs everywhere)";
    const TFolderWithOldFile folder(dir.Path() / "disk");
    const auto image = Fragment(ManyFrames(200), 25);
    try {
        ExportFragment(*image, (dir.Path() / "disk" / "a.mkv").string(), {});
        ADD_FAILURE() << "no error";
    } catch (const EExportError& e) {
        EXPECT_NE(std::string(e.what()).find(SystemErrorText(ENOSPC)), std::string::npos) << e.what();
    }
    folder.ExpectOnlyTheOldFile();
}

TEST(Export, AnUnwritableFolderIsAClearError)
{
    TScratchFolder dir;
    const fs::path target = dir.Path() / "locked";
    // Root writes anywhere it may; a read-only tmpfs stops it too.
    const TSmallDisk disk(target, "size=64k");
    if (!disk.Mounted() && geteuid() == 0) {
        // Root without the right to mount writes anywhere else: /proc takes no files.
        const auto image = Fragment(ManyFrames(3));
        EXPECT_THROW(ExportFragment(*image, "/proc/a.mkv", {}), EExportError);
        EXPECT_FALSE(fs::exists("/proc/a.mkv"));
        return;
    }
    if (disk.Mounted()) {
        WriteFileBytes((target / "a.mkv").string(), "old");
        ASSERT_EQ(::mount("tmpfs", target.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
    } else {
        fs::create_directories(target);
        WriteFileBytes((target / "a.mkv").string(), "old");
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const auto image = Fragment(ManyFrames(3));
    try {
        ExportFragment(*image, (target / "a.mkv").string(), {});
        ADD_FAILURE() << "no error";
    } catch (const EExportError& e) {
        EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Не могу создать файл"), std::string::npos) << e.what();
    }
    TFolderWithOldFile::ExpectOnlyOldFile(target);
    if (disk.Mounted())
        ::mount("tmpfs", target.c_str(), "tmpfs", MS_REMOUNT, "size=64k");
    else
        fs::permissions(target, fs::perms::owner_all);
}

TEST(Export, CancelLeavesNoFileAndTheOldOneUntouched)
{
    const auto image = Fragment(ManyFrames(20));
    for (const bool manifest : {false, true}) {
        TScratchFolder dir;
        const TFolderWithOldFile folder(dir.Path());
        TExportOptions options;
        options.Manifest = manifest;
        int32_t seen = 0;
        options.Progress = [&](int32_t done, int32_t total) {
            EXPECT_EQ(total, 20);
            seen = done;
            return done < (manifest ? 20 : 5); // with a manifest: after the last frame
        };
        EXPECT_THROW(ExportFragment(*image, dir / "a.mkv", options), EExportCancelled);
        EXPECT_EQ(seen, manifest ? 20 : 5);
        folder.ExpectOnlyTheOldFile();
    }
}

TEST(Export, ReplacesAnExistingFileWhenComplete)
{
    TScratchFolder dir;
    WriteFileBytes(dir / "a.avi", "old");
    const auto image = Fragment(ManyFrames(4));
    TExportOptions options;
    options.Container = TExportContainer::Avi;
    ExportFragment(*image, dir / "a.avi", options);
    EXPECT_EQ(ReadBack(dir / "a.avi").Packets.size(), 4u);
    EXPECT_EQ(EntryNames(dir.Path()), std::vector<std::string>{"a.avi"});
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a.avi").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask); // not a temporary file's 0600
}

TEST(Export, ManifestIsCheckedBySha256sumAndFrameByFrame)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("sha256sum"), "sha256sum (Debian package coreutils)");
    TScratchFolder dir;
    const auto image = Fragment({true, false, true, true, false, true});
    // The fragment's own file, in a folder beside the export's.
    fs::create_directories(dir.Path() / "in");
    fs::create_directories(dir.Path() / "out");
    const std::string source = (dir.Path() / "in" / "fragment.mjpg").string();
    {
        TFileStream file(source, TFileMode::fmCreate);
        image->SaveToStream(&file);
    }
    TExportOptions options;
    options.Manifest = true;
    options.From = 1;
    options.To = 5;
    options.SourcePath = source;
    const std::string out = (dir.Path() / "out" / "Вход 1.mkv").string();
    const TExportResult result = ExportFragment(*image, out, options);
    EXPECT_EQ(result.ManifestPath, out + ".sha256");
    EXPECT_EQ(EntryNames(dir.Path() / "out"), (std::vector<std::string>{"Вход 1.mkv", "Вход 1.mkv.sha256"}));

    const auto [status, text] = RunShell("cd '" + (dir.Path() / "out").string() + "' && sha256sum -c 'Вход 1.mkv.sha256'");
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("Вход 1.mkv: OK"), std::string::npos) << text;
    EXPECT_NE(text.find("fragment.mjpg: OK"), std::string::npos) << text;

    const std::string manifest = ReadFileBytes(result.ManifestPath);
    std::istringstream lines(manifest);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, Sha256Hex(ReadFileBytes(out)) + "  Вход 1.mkv");
    std::getline(lines, line);
    EXPECT_EQ(line, Sha256Hex(ReadFileBytes(source)) + "  ../in/fragment.mjpg");
    std::getline(lines, line);
    EXPECT_EQ(line, "# times: the recorder's local time, UTC offset not known");
    std::getline(lines, line);
    EXPECT_EQ(line, "# frames 1..5 of 6, 5 fps, 3 with data");
    // Each with its wall-clock time: Begin 14:02:00 plus index / 5 s.
    for (const auto& [index, time] : {std::pair{2, "05.03.2007 14:02:00.400"}, std::pair{3, "05.03.2007 14:02:00.600"},
                                      std::pair{5, "05.03.2007 14:02:01.000"}}) {
        std::getline(lines, line);
        EXPECT_EQ(line, "# frame " + std::to_string(index) + " " + Sha256Hex(Bytes(*image->GetFrame(index))) + " " + time);
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;

    // A changed picture no longer matches.
    std::string changed = ReadFileBytes(out);
    changed[changed.size() / 2] ^= 1;
    WriteFileBytes(out, changed);
    EXPECT_NE(RunShell("cd '" + (dir.Path() / "out").string() + "' && sha256sum -c --quiet 'Вход 1.mkv.sha256' 2>&1").first, 0);

    // An MP4's digest, hashed while it is written, is the file's as well.
    options.Container = TExportContainer::Mp4;
    const std::string mp4 = (dir.Path() / "out" / "b.mp4").string();
    ExportFragment(*image, mp4, options);
    const std::string mp4Manifest = ReadFileBytes(mp4 + ".sha256");
    EXPECT_EQ(mp4Manifest.substr(0, mp4Manifest.find('\n')), Sha256Hex(ReadFileBytes(mp4)) + "  b.mp4");
}

TEST(Export, ManifestOfAFragmentWithoutAFile)
{
    TScratchFolder dir;
    const auto image = Fragment({true, true});
    const std::string fetched = "the fetched bytes";
    TExportOptions options;
    options.Manifest = true;
    options.SourceBytes = reinterpret_cast<const uint8_t*>(fetched.data());
    options.SourceSize = static_cast<int64_t>(fetched.size());
    ExportFragment(*image, dir / "a.mkv", options);
    const std::string manifest = ReadFileBytes(dir / "a.mkv.sha256");
    EXPECT_NE(manifest.find("\n# fragment (no file): sha256 " + Sha256Hex(fetched) + "\n"), std::string::npos) << manifest;
}

TEST(Export, FfprobeSeesMjpegAtTheFrameRateWithEveryFrame)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffprobe"), "ffprobe (Debian package ffmpeg)");
    const auto image = Fragment({true, true, false, true, true, true, true}, 25);
    for (const TExportContainer container : {TExportContainer::Matroska, TExportContainer::Avi}) {
        TScratchFolder dir;
        const std::string path = dir / ("a" + Extension(container));
        TExportOptions options;
        options.Container = container;
        ExportFragment(*image, path, options);
        const auto [status, text] =
            RunShell("ffprobe -v error -count_packets -select_streams v:0 -show_entries "
                     "stream=codec_name,avg_frame_rate,nb_frames,nb_read_packets,width,height -of default=noprint_wrappers=1 '" +
                     path + "'");
        ASSERT_EQ(status, 0) << text;
        EXPECT_NE(text.find("codec_name=mjpeg\n"), std::string::npos) << text;
        EXPECT_NE(text.find("width=32\nheight=24\n"), std::string::npos) << text;
        EXPECT_NE(text.find("avg_frame_rate=25/1\n"), std::string::npos) << text;
        EXPECT_NE(text.find("nb_read_packets=6\n"), std::string::npos) << text;
        if (container == TExportContainer::Avi) { // seven slots, the empty one kept
            EXPECT_NE(text.find("nb_frames=7\n"), std::string::npos) << text;
        }
    }
}

// mkvinfo reads Matroska with its own parser (libebml), not libavformat's:
// every frame with data is a block at its frame's time with its bytes.
TEST(Export, MkvinfoSeesEveryPictureAtItsTimeWithItsBytes)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("mkvinfo"), "mkvinfo (Debian package mkvtoolnix)");
    const std::vector<bool> frames{true, true, false, true, true, true, true};
    const auto image = Fragment(frames, 25);
    TScratchFolder dir;
    const std::string path = dir / "a.mkv";
    ExportFragment(*image, path, {});
    const auto [status, text] = RunShell("LC_ALL=C mkvinfo --summary '" + path + "' 2>&1");
    ASSERT_EQ(status, 0) << text;
    EXPECT_NE(text.find("codec ID: V_MJPEG"), std::string::npos) << text;
    EXPECT_NE(text.find("default duration: 40.000ms"), std::string::npos) << text;
    EXPECT_NE(text.find("pixel width: 32, pixel height: 24"), std::string::npos) << text;
    std::string expected;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!frames[i])
            continue;
        const TSharedBytes& data = image->GetFrame(static_cast<int32_t>(i))->Bytes();
        char line[160];
        std::snprintf(line, sizeof line, "frame, track 1, timestamp 00:00:00.%03d000000, size %lld, adler 0x%08x\n",
                      static_cast<int>(i) * 40, static_cast<long long>(data.Size()),
                      av_adler32_update(1, data.Memory(), static_cast<size_t>(data.Size())));
        expected += line;
    }
    std::string blocks;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (const size_t at = line.find("frame, track 1,"); at != std::string::npos)
            blocks += line.substr(at) + "\n";
    EXPECT_EQ(blocks, expected) << text;
}

TEST(Export, ManifestOfANameSha256sumMustEscape)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("sha256sum"), "sha256sum (Debian package coreutils)");
    TScratchFolder dir;
    const auto image = Fragment({true, true});
    TExportOptions options;
    options.Manifest = true;
    ExportFragment(*image, dir / "a\\b\nc.mkv", options);
    const auto [status, text] = RunShell("cd '" + dir.Path().string() + "' && sha256sum -c *.sha256");
    EXPECT_EQ(status, 0) << text;
    EXPECT_EQ(ReadFileBytes(dir / "a\\b\nc.mkv.sha256").substr(0, 1), "\\");
}

// With the recorder's offset the UTC fields are the local times less the
// offset, whole values as mkvinfo (libebml) and ffprobe read them; without
// one there is none, and the texts say the times are local.
TEST(Export, UtcFieldsAreTheLocalTimesLessTheOffset)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("mkvinfo"), "mkvinfo (Debian package mkvtoolnix)");
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffprobe"), "ffprobe (Debian package ffmpeg)");
    struct TZoneCase {
        std::optional<int> Offset;
        const char* MkvinfoDate; // nullptr: no date
        const char* CreationTime;
        const char* Label;
    };
    // The event: 05.03.2007 14:02:09, local.
    const TZoneCase cases[] = {
        {180, "Date: 2007-03-05 11:02:09 UTC", "2007-03-05T11:02:09.000000Z", "UTC+03:00"},
        {-600, "Date: 2007-03-06 00:02:09 UTC", "2007-03-06T00:02:09.000000Z", "UTC-10:00"},
        {0, "Date: 2007-03-05 14:02:09 UTC", "2007-03-05T14:02:09.000000Z", "UTC+00:00"},
        {std::nullopt, nullptr, nullptr, "часовой пояс не известен"},
    };
    const auto image = Fragment({true, true, true});
    for (const TZoneCase& c : cases) {
        SCOPED_TRACE(c.Label);
        TScratchFolder dir;
        TExportOptions options;
        options.Zone = {c.Offset, "--utc-offset"};
        options.Manifest = true;
        ExportFragment(*image, dir / "a.mkv", options);

        const auto [status, info] = RunShell("LC_ALL=C mkvinfo '" + (dir / "a.mkv") + "' 2>&1");
        ASSERT_EQ(status, 0) << info;
        if (c.MkvinfoDate)
            EXPECT_NE(info.find(c.MkvinfoDate), std::string::npos) << info;
        else
            EXPECT_EQ(info.find("Date:"), std::string::npos) << info;

        const auto [probeStatus, probe] =
            RunShell("ffprobe -v error -show_entries format_tags=creation_time,comment -of default=noprint_wrappers=1 '" +
                     (dir / "a.mkv") + "'");
        ASSERT_EQ(probeStatus, 0) << probe;
        if (c.CreationTime)
            EXPECT_NE(probe.find(std::string("TAG:creation_time=") + c.CreationTime + "\n"), std::string::npos) << probe;
        else
            EXPECT_EQ(probe.find("creation_time"), std::string::npos) << probe;
        EXPECT_NE(probe.find(std::string("; время: местное время регистратора, ") + c.Label + "\n"), std::string::npos)
            << probe;

        const std::string manifest = ReadFileBytes(dir / "a.mkv.sha256");
        EXPECT_NE(manifest.find(c.Offset ? std::string("\n# times: the recorder's local time, ") + c.Label +
                                               " (--utc-offset)\n"
                                         : std::string("\n# times: the recorder's local time, UTC offset not known\n")),
                  std::string::npos)
            << manifest;
    }
}

// The time track as outside readers see it: mkvinfo's track and blocks,
// ffprobe's stream, and the cues' texts as ffmpeg writes them out.
TEST(Export, OutsideToolsSeeTheFramesTimes)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("mkvinfo"), "mkvinfo (Debian package mkvtoolnix)");
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffprobe"), "ffprobe (Debian package ffmpeg)");
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffmpeg"), "ffmpeg (Debian package ffmpeg)");
    const auto image = Fragment({true, false, true, true}, 25);
    TScratchFolder dir;
    ExportFragment(*image, dir / "a.mkv", {});

    const auto [status, info] = RunShell("LC_ALL=C.UTF-8 mkvinfo '" + (dir / "a.mkv") + "' 2>&1");
    ASSERT_EQ(status, 0) << info;
    // Both tracks shown by default (a flag left out is 1).
    EXPECT_EQ(info.find("\"Default track\" flag: 0"), std::string::npos) << info;
    EXPECT_NE(info.find("Track type: subtitles"), std::string::npos) << info;
    EXPECT_NE(info.find("Codec ID: S_TEXT/UTF8"), std::string::npos) << info;
    EXPECT_NE(info.find("Name: Время кадров"), std::string::npos) << info;
    const auto [summaryStatus, summary] = RunShell("LC_ALL=C mkvinfo --summary '" + (dir / "a.mkv") + "' 2>&1");
    ASSERT_EQ(summaryStatus, 0) << summary;
    for (const char* block : {"track 2, timestamp 00:00:00.000000000, duration 00:00:00.080000000",
                              "track 2, timestamp 00:00:00.080000000, duration 00:00:00.040000000",
                              "track 2, timestamp 00:00:00.120000000, duration 00:00:00.040000000"})
        EXPECT_NE(summary.find(block), std::string::npos) << block << "\n" << summary;

    const auto [probeStatus, probe] =
        RunShell("ffprobe -v error -count_packets -select_streams s:0 -show_entries "
                 "stream=codec_name,nb_read_packets:stream_disposition=default -of default=noprint_wrappers=1 '" +
                 (dir / "a.mkv") + "'");
    ASSERT_EQ(probeStatus, 0) << probe;
    EXPECT_NE(probe.find("codec_name=subrip\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("nb_read_packets=3\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("DISPOSITION:default=1\n"), std::string::npos) << probe;

    const auto [srtStatus, srt] = RunShell("ffmpeg -v error -i '" + (dir / "a.mkv") + "' -map 0:s:0 -f srt -");
    ASSERT_EQ(srtStatus, 0) << srt;
    EXPECT_EQ(srt, "1\n00:00:00,000 --> 00:00:00,080\n05.03.2007 14:02:00.000 · кадр 0 · Вход 1\n\n"
                   "2\n00:00:00,080 --> 00:00:00,120\n05.03.2007 14:02:00.080 · кадр 2 · Вход 1\n\n"
                   "3\n00:00:00,120 --> 00:00:00,160\n05.03.2007 14:02:00.120 · кадр 3 · Вход 1\n\n");
}

namespace {

// An earlier export's set in a folder: a.mkv, and its manifest and signature when asked.
void WriteOldSet(const fs::path& dir, bool manifest, bool signature)
{
    WriteFileBytes((dir / "a.mkv").string(), "old video");
    if (manifest)
        WriteFileBytes((dir / "a.mkv.sha256").string(), "old manifest");
    if (signature)
        WriteFileBytes((dir / "a.mkv.sha256.p7s").string(), "old signature");
}

std::map<std::string, std::string> FolderContents(const fs::path& dir)
{
    std::map<std::string, std::string> contents;
    for (const std::string& name : EntryNames(dir))
        contents[name] = ReadFileBytes((dir / name).string());
    return contents;
}

} // namespace

// An export replaces the whole set of an earlier one of the same name: its
// manifest and signature are replaced, or removed when this export has none.
TEST(Export, NothingOfAnEarlierExportStays)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("sha256sum"), "sha256sum (Debian package coreutils)");
    const auto image = Fragment({true, true, true});
    struct TSetCase {
        const char* Name;
        bool Manifest, Sign;
        std::vector<std::string> Left;
    };
    const TSetCase cases[] = {
        {"no manifest", false, false, {"a.mkv"}},
        {"manifest", true, false, {"a.mkv", "a.mkv.sha256"}},
        {"signed manifest", true, true, {"a.mkv", "a.mkv.sha256", "a.mkv.sha256.p7s"}},
    };
    for (const TSetCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScratchFolder dir;
        WriteOldSet(dir.Path(), true, true);
        TExportOptions options;
        options.Manifest = c.Manifest;
        std::string signedText;
        if (c.Sign)
            options.SignManifest = [&](const std::string& text) {
                signedText = text;
                return std::string("signature");
            };
        const TExportResult result = ExportFragment(*image, dir / "a.mkv", options);
        EXPECT_EQ(EntryNames(dir.Path()), c.Left);
        EXPECT_EQ(ReadBack(dir / "a.mkv").Packets.size(), 3u);
        EXPECT_EQ(result.SignaturePath, c.Sign ? dir / "a.mkv.sha256.p7s" : std::string());
        if (c.Manifest) {
            const auto [status, text] = RunShell("cd '" + dir.Path().string() + "' && sha256sum -c a.mkv.sha256");
            EXPECT_EQ(status, 0) << text;
        }
        if (c.Sign) {
            EXPECT_EQ(signedText, ReadFileBytes(dir / "a.mkv.sha256"));
            EXPECT_EQ(ReadFileBytes(dir / "a.mkv.sha256.p7s"), "signature");
        }
    }
}

// Whatever rename fails, the folder holds the earlier set as it was, for
// every shape of the earlier and the new set.
TEST(Export, AFailedRenameLeavesTheEarlierSet)
{
    const auto image = Fragment({true, true, true});
    for (const bool oldManifest : {false, true})
        for (const bool oldSignature : {false, true})
            for (const bool manifest : {false, true})
                for (const bool sign : {false, true}) {
                    if (sign && !manifest)
                        continue;
                    SCOPED_TRACE(std::string("old manifest ") + (oldManifest ? "yes" : "no") + ", old signature " +
                                 (oldSignature ? "yes" : "no") + ", manifest " + (manifest ? "yes" : "no") +
                                 ", signed " + (sign ? "yes" : "no"));
                    auto exportWith = [&](const fs::path& dir, int failAt) {
                        TExportOptions options;
                        options.Manifest = manifest;
                        if (sign)
                            options.SignManifest = [](const std::string&) { return std::string("signature"); };
                        int calls = 0;
                        options.Rename = [&](const std::string& from, const std::string& to) {
                            if (++calls == failAt) {
                                errno = EIO;
                                return -1;
                            }
                            return SystemRename(from, to);
                        };
                        ExportFragment(*image, (dir / "a.mkv").string(), options);
                        return calls;
                    };
                    int renames = 0;
                    {
                        TScratchFolder dir;
                        WriteOldSet(dir.Path(), oldManifest, oldSignature);
                        renames = exportWith(dir.Path(), 0);
                    }
                    ASSERT_GE(renames, 2); // the old video aside, the new one in
                    for (int failAt = 1; failAt <= renames; ++failAt) {
                        SCOPED_TRACE("rename " + std::to_string(failAt) + " of " + std::to_string(renames) + " fails");
                        TScratchFolder dir;
                        WriteOldSet(dir.Path(), oldManifest, oldSignature);
                        const auto before = FolderContents(dir.Path());
                        try {
                            exportWith(dir.Path(), failAt);
                            ADD_FAILURE() << "no error";
                        } catch (const EExportError& e) {
                            EXPECT_NE(std::string(e.what()).find(SystemErrorText(EIO)), std::string::npos) << e.what();
                        }
                        EXPECT_EQ(FolderContents(dir.Path()), before);
                    }
                }
}
