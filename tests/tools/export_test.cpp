// mjpgtool export: the files it writes (checked with ffprobe and
// sha256sum -c), its exit statuses and messages, and Ctrl+C in the middle
// of an export, which leaves no file.
#include "toolfixtures.h"
#include "toolrunner.h"

#include "../support/outsidetool.h"
#include "../support/shellcommand.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fixture;
namespace fs = std::filesystem;

namespace {

// A fragment of `count` frames of `size` bytes each (every frame different);
// frames whose index is in `empty` have no data.
void WriteFragment(const std::string& path, int count, size_t size = 0, std::vector<int> empty = {})
{
    THeaderLines header;
    header.FPS = 25;
    header.Frames = count;
    TFragmentBuilder builder(header);
    for (int i = 0; i < count; ++i) {
        if (std::find(empty.begin(), empty.end(), i) != empty.end())
            builder.EmptyParts(1);
        else if (size == 0)
            builder.Part(MakeFrame({.Index = i % 25}));
        else
            builder.Part(Garbage(size, static_cast<char>(i)));
    }
    builder.WriteFile(path);
}

} // namespace

TEST(MjpgtoolExport, WritesBothContainersWithAManifestThatChecks)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffprobe"), "ffprobe (Debian package ffmpeg)");
    REQUIRE_OUTSIDE_TOOL(HaveProgram("sha256sum"), "sha256sum (Debian package coreutils)");
    TScratchFolder dir;
    WriteFragment(dir / "in.mjpg", 10, 0, {4});
    for (const char* name : {"out.mkv", "out.avi"}) {
        const TToolResult r = RunTool({"export", dir / "in.mjpg", dir / name, "--from", "2", "--to", "8", "--manifest"});
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find("Экспортировано кадров с данными: 6 (кадры 2..8)"), std::string::npos) << r.Out;
        const auto [status, text] = RunShell("cd '" + dir.Path().string() + "' && sha256sum -c " + name + ".sha256");
        EXPECT_EQ(status, 0) << text;
        EXPECT_NE(text.find(std::string(name) + ": OK"), std::string::npos) << text;
        EXPECT_NE(text.find("in.mjpg: OK"), std::string::npos) << text;

        const auto [probeStatus, probe] =
            RunShell("ffprobe -v error -count_packets -select_streams v:0 -show_entries "
                     "stream=codec_name,avg_frame_rate,nb_frames,nb_read_packets -of default=noprint_wrappers=1 '" +
                     (dir / name) + "'");
        EXPECT_EQ(probeStatus, 0) << probe;
        EXPECT_NE(probe.find("codec_name=mjpeg\n"), std::string::npos) << probe;
        EXPECT_NE(probe.find("avg_frame_rate=25/1\n"), std::string::npos) << probe;
        // Six pictures; AVI keeps the empty frame's slot as a seventh frame.
        EXPECT_NE(probe.find("nb_read_packets=6\n"), std::string::npos) << probe;
        if (std::string(name) == "out.avi") {
            EXPECT_NE(probe.find("nb_frames=7\n"), std::string::npos) << probe;
        }
    }
    EXPECT_EQ(EntryNames(dir.Path()),
              (std::vector<std::string>{"in.mjpg", "out.avi", "out.avi.sha256", "out.mkv", "out.mkv.sha256"}));
}

TEST(MjpgtoolExport, FailuresHaveTheirStatusAndLeaveNoFile)
{
    struct TCase {
        const char* Name;
        std::vector<std::string> Args; // "{d}" stands for the folder
        int Status;
        std::string Error;
    };
    const TCase cases[] = {
        {"unknown extension", {"{d}/in.mjpg", "{d}/out.mov"}, 2, "не известен"},
        {"no output", {"{d}/in.mjpg"}, 2, "нужны файл фрагмента"},
        {"range past the end", {"{d}/in.mjpg", "{d}/out.mkv", "--to", "5"}, 2, "вне фрагмента"},
        {"range turned round", {"{d}/in.mjpg", "{d}/out.mkv", "--from", "3", "--to", "1"}, 2, "вне фрагмента"},
        {"not a number", {"{d}/in.mjpg", "{d}/out.mkv", "--from", "x"}, 2, "неверный номер кадра"},
        {"offset without a sign", {"{d}/in.mjpg", "{d}/out.mkv", "--utc-offset", "03:00"}, 2, "неверное смещение"},
        {"offset past +14:00", {"{d}/in.mjpg", "{d}/out.mkv", "--utc-offset", "+15:00"}, 2, "неверное смещение"},
        {"no frame with data", {"{d}/empty.mjpg", "{d}/out.mkv", "--manifest"}, 1, "нет ни одного кадра с данными"},
        {"range without data", {"{d}/in.mjpg", "{d}/out.avi", "--from", "4", "--to", "4"}, 1,
         "нет ни одного кадра с данными"},
        {"not a fragment", {"{d}/not.mjpg", "{d}/out.mkv"}, 1, "не является фрагментом"},
        {"missing input", {"{d}/none.mjpg", "{d}/out.mkv"}, 3, "none.mjpg"},
        {"no such folder", {"{d}/in.mjpg", "{d}/no/out.mkv"}, 3, "Не могу создать файл в папке"},
    };
    for (const TCase& c : cases) {
        TScratchFolder dir;
        WriteFragment(dir / "in.mjpg", 5, 0, {4});
        WriteFragment(dir / "empty.mjpg", 3, 0, {0, 1, 2});
        WriteFileBytes(dir / "not.mjpg", "not a fragment");
        std::vector<std::string> args{"export"};
        for (std::string arg : c.Args) {
            if (arg.rfind("{d}", 0) == 0)
                arg = dir.Path().string() + arg.substr(3);
            args.push_back(arg);
        }
        const TToolResult r = RunTool(args);
        EXPECT_EQ(r.Status, c.Status) << c.Name << ": " << r.Err;
        EXPECT_NE(r.Err.find(c.Error), std::string::npos) << c.Name << ": " << r.Err;
        EXPECT_EQ(EntryNames(dir.Path()), (std::vector<std::string>{"empty.mjpg", "in.mjpg", "not.mjpg"})) << c.Name;
    }
}

TEST(MjpgtoolExport, CtrlCLeavesNoFileAndTheOldOneUntouched)
{
    TScratchFolder dir;
    // 60 MB of pictures: the export is still writing when the test sees its
    // temporary file and presses Ctrl+C.
    WriteFragment(dir / "in.mjpg", 1500, 40000);
    WriteFileBytes(dir / "out.mkv", "old");

    // Ctrl+C once the temporary file (a name other than the two there) is in the folder.
    const TToolResult r = RunTool({"export", dir / "in.mjpg", dir / "out.mkv", "--manifest"},
                                  TToolRun{.InterruptWhen = [&] { return EntryNames(dir.Path()).size() > 2; }});
    ASSERT_TRUE(r.Interrupted) << "the export ended before it could be interrupted";
    EXPECT_EQ(r.Status, 130) << r.Err;
    EXPECT_EQ(EntryNames(dir.Path()), (std::vector<std::string>{"in.mjpg", "out.mkv"}));
    EXPECT_EQ(ReadFileBytes(dir / "out.mkv"), "old");
}

TEST(MjpgtoolExport, UtcOffsetTurnsTheLocalTimesIntoUtc)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffprobe"), "ffprobe (Debian package ffmpeg)");
    TScratchFolder dir;
    WriteFragment(dir / "in.mjpg", 3); // event 05.03.2007 14:02:09, the recorder's clock
    const TToolResult r =
        RunTool({"export", dir / "in.mjpg", dir / "out.mkv", "--utc-offset", "+03:00", "--manifest"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto [status, probe] = RunShell("ffprobe -v error -show_entries format_tags=creation_time -of "
                                          "default=noprint_wrappers=1 '" + (dir / "out.mkv") + "'");
    ASSERT_EQ(status, 0) << probe;
    EXPECT_EQ(probe, "TAG:creation_time=2007-03-05T11:02:09.000000Z\n");
    const std::string manifest = ReadFileBytes(dir / "out.mkv.sha256");
    EXPECT_NE(manifest.find("\n# times: the recorder's local time, UTC+03:00 (--utc-offset)\n"), std::string::npos)
        << manifest;
}
