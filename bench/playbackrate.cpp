// bench_playback: plays generated fragments offscreen (or, with --x-session
// on, under Xvfb with openbox) through the player's own window and loop,
// forwards and backwards, and prints
//   RATIO playback_<size>_<fps>       the shown frame rate / the recorded one
//   RATIO playback_back_<size>_<fps>  the same, played backwards
//   RATIO play_cpu_vs_decode          the process CPU time per second of
//       playing 704 x 576 at 25 fps / the bare libjpeg-turbo decode CPU time of
//       those frames per second of the fragment (how much the player costs
//       beyond decoding; a busy loop gives about 1 / decode share)
//   RATIO play_cpu_vs_decode_zoom100  the same at 100 % (the picture painted
//       as it is decoded; fitted into the window it is scaled on every paint)
//   RATIO speed16_1080p30, speed16_back_1080p30   frames advanced per second
//       of wall time at x16, forwards and backwards / 16 * 30
//   RATIO speed16_cpu_1080p30         process CPU seconds per second while
//       playing 1080p forwards at x16 (frames passed over cost nothing)
//   RATIO speed_quarter_704x576_25    pictures shown per second at x1/4 /
//       6.25, and 0 unless every frame was shown
//   RATIO play_cpu_vs_mpv             with --x-session on and mpv installed:
//       the player's CPU per second playing 704 x 576 at 25 fps / mpv's
//       (--vo=x11 --no-audio) playing the same pictures, exported to
//       Matroska by the program's own export, in the same X session
// "--only play_cpu_vs_decode" measures that figure and its 100 % twin alone
// (the 704 x 576 playing and the bare decode), for quick comparisons of two
// builds.
// Each figure is the median over the repetitions. Frames are seen through
// the paints of the picture control (an event filter), which adds nothing to
// the loop's passes, so the loop runs as it does for a user.
#include "baredecoder.h"
#include "benchsupport.h"
#include "xsession.h"
#include "container/mjpgimage.h"
#include "export/videoexport.h"
#include "fixtures/fragmentbuilder.h"
#include "player/pictureview.h"
#include "player/vplayerform.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr int PlaySeconds = 4;

// Camera-like frames (the sample's moving picture), so that decoding costs
// about what a real frame costs; a second more than is played.
std::unique_ptr<TMemoryStream> BuildFragment(int width, int height, int fps)
{
    const int frames = fps * (PlaySeconds + 1);
    fixture::TFragmentBuilder fragment({.Width = width, .Height = height, .FPS = fps, .Frames = frames});
    fragment.Pictures(frames, {.Width = width, .Height = height, .Quality = 85,
                               .Look = fixture::TFrameLook::Scene, .FPS = fps});
    return fragment.Stream();
}

// Notes the moment of every paint of the picture control (a new frame) and
// where the position stood then.
class TPaintClock : public QObject {
public:
    explicit TPaintClock(const TVPlayerForm& form) : FForm(form) {}
    std::vector<std::pair<TClock::time_point, int32_t>> Paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Paints.emplace_back(TClock::now(), FForm.FramePos.Index);
        return QObject::eventFilter(watched, event);
    }

private:
    const TVPlayerForm& FForm;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct TPlayRun {
    double ShownFps = 0;
    double CpuPerSecond = 0; // process CPU seconds per second of playing
    double MedianPeriodMs = 0;
    double MaxPeriodMs = 0;
};

struct TPlayed {
    std::vector<std::pair<TClock::time_point, int32_t>> Paints; // while playing
    double CpuPerSecond = 0; // process CPU seconds per second of playing
};

// Plays for `seconds` from the first frame (forwards) or the last one
// (backwards), then stops.
TPlayed PlayFor(TVPlayerForm& form, bool backwards, double seconds)
{
    (backwards ? form.findChild<QAction*>(QStringLiteral("actLastFrame")) : form.findChild<QAction*>(QStringLiteral("actFirstFrame")))->trigger();
    QCoreApplication::processEvents(); // the paints of the step, before the clock runs
    TPaintClock clock(form);
    form.findChild<TPictureView*>(QStringLiteral("imgVideo"))->installEventFilter(&clock);
    QTimer::singleShot(static_cast<int>(seconds * 1000), form.findChild<QAction*>(QStringLiteral("actStop")), &QAction::trigger);
    const double cpuBefore = ProcessCpuSeconds();
    const auto started = TClock::now();
    (backwards ? form.findChild<QAction*>(QStringLiteral("actPlayBack")) : form.findChild<QAction*>(QStringLiteral("actPlay")))->trigger();
    const double wall = std::chrono::duration<double>(TClock::now() - started).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    form.findChild<TPictureView*>(QStringLiteral("imgVideo"))->removeEventFilter(&clock);
    if (!clock.Paints.empty())
        clock.Paints.pop_back(); // Stop's first frame
    return {std::move(clock.Paints), cpu / wall};
}

double SecondsBetween(TClock::time_point from, TClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// Plays for PlaySeconds at the recorded rate.
TPlayRun PlayOnce(TVPlayerForm& form, bool backwards)
{
    const TPlayed played = PlayFor(form, backwards, PlaySeconds);
    const auto& paints = played.Paints;
    TPlayRun run;
    run.CpuPerSecond = played.CpuPerSecond;
    if (paints.size() < 2)
        return run;
    run.ShownFps = static_cast<double>(paints.size() - 1) / SecondsBetween(paints.front().first, paints.back().first);
    std::vector<double> periods;
    for (size_t i = 1; i < paints.size(); ++i)
        periods.push_back(1000 * SecondsBetween(paints[i - 1].first, paints[i].first));
    run.MedianPeriodMs = Median(periods);
    run.MaxPeriodMs = *std::max_element(periods.begin(), periods.end());
    return run;
}

// Milliseconds of CPU a bare libjpeg-turbo decode takes per frame of the
// fragment (the median of several passes over its frames). CPU time, as the
// playing is measured: on a busy machine the wall clock would count the
// time other processes had the core.
double BareDecodeMs(const TMJPGImage& image)
{
    TBareDecoder decoder;
    std::vector<double> passes;
    for (int pass = 0; pass < 5; ++pass) {
        const double start = ProcessCpuSeconds();
        for (int i = 0; i < image.FrameCount(); ++i)
            decoder.Decode(image.GetFrame(i)->Bytes());
        passes.push_back(1000 * (ProcessCpuSeconds() - start) / image.FrameCount());
    }
    return Median(passes);
}

struct TSpeedRun {
    double FramesPerSecond = 0; // advanced on the slider per second of wall time
    double ShownPerSecond = 0;  // pictures
    double CpuPerSecond = 0;
    bool EveryFrame = true;     // consecutive pictures one frame apart
};

// Plays at `speed` for `seconds` from the first frame (or the last one,
// backwards), then stops.
TSpeedRun PlayAtSpeed(TVPlayerForm& form, TPlaybackSpeed speed, bool backwards, double seconds)
{
    form.SetSpeed(speed);
    const TPlayed played = PlayFor(form, backwards, seconds);
    form.SetSpeed(TPlaybackSpeed::Normal);
    const auto& paints = played.Paints;
    TSpeedRun run;
    run.CpuPerSecond = played.CpuPerSecond;
    if (paints.size() < 3)
        return run;
    const double span = SecondsBetween(paints.front().first, paints.back().first);
    run.FramesPerSecond = std::abs(paints.back().second - paints.front().second) / span;
    run.ShownPerSecond = static_cast<double>(paints.size() - 1) / span;
    for (size_t i = 1; i < paints.size(); ++i)
        run.EveryFrame = run.EveryFrame && std::abs(paints[i].second - paints[i - 1].second) == 1;
    return run;
}

// Shows a player window of the size the figures are taken at and loads the
// fragment into it; false (with a message) when it did not load.
bool ShowAndLoad(TVPlayerForm& form, TMemoryStream& stream, const std::string& name)
{
    form.resize(640, 534);
    form.show();
    QCoreApplication::processEvents();
    if (form.LoadStream(&stream))
        return true;
    std::fprintf(stderr, "%s: the fragment did not load\n", name.c_str());
    return false;
}

// A long 1080p fragment for x16: 30 camera-like pictures over and over.
std::unique_ptr<TMemoryStream> BuildLongFragment(int width, int height, int fps, int frames)
{
    std::vector<std::string> pictures;
    for (int i = 0; i < fps; ++i)
        pictures.push_back(fixture::MakeFrame({.Index = i, .Width = width, .Height = height, .Quality = 85,
                                               .Look = fixture::TFrameLook::Scene, .FPS = fps}));
    fixture::TFragmentBuilder fragment({.Width = width, .Height = height, .FPS = fps, .Frames = frames});
    for (int i = 0; i < frames; ++i)
        fragment.Part(pictures[static_cast<size_t>(i % fps)]);
    return fragment.Stream();
}

void MeasureSpeeds(int repetitions)
{
    constexpr double SpeedSeconds = 2.0;
    {
        // x16 at 30 fps: 480 frames a second, and a second to spare.
        auto stream = BuildLongFragment(1920, 1080, 30, static_cast<int>(480 * (SpeedSeconds + 1)));
        TVPlayerForm form;
        if (!ShowAndLoad(form, *stream, "speed16"))
            return;
        std::vector<double> forwards, backwards, cpu, shown;
        for (int i = 0; i < repetitions; ++i) {
            const TSpeedRun run = PlayAtSpeed(form, TPlaybackSpeed::Times16, false, SpeedSeconds);
            forwards.push_back(run.FramesPerSecond);
            cpu.push_back(run.CpuPerSecond);
            shown.push_back(run.ShownPerSecond);
            backwards.push_back(PlayAtSpeed(form, TPlaybackSpeed::Times16, true, SpeedSeconds).FramesPerSecond);
        }
        PrintDetail("speed16_1080p30: " + std::to_string(Median(forwards)) + " frames/s advanced forwards, " +
                    std::to_string(Median(backwards)) + " backwards, of 480; " + std::to_string(Median(shown)) +
                    " pictures/s; CPU " + std::to_string(Median(cpu)) + " s/s");
        PrintRatio("speed16_1080p30", Median(forwards) / 480);
        PrintRatio("speed16_back_1080p30", Median(backwards) / 480);
        PrintRatio("speed16_cpu_1080p30", Median(cpu));
    }
    {
        auto stream = BuildFragment(704, 576, 25);
        TVPlayerForm form;
        if (!ShowAndLoad(form, *stream, "speed_quarter"))
            return;
        std::vector<double> shown;
        bool everyFrame = true;
        for (int i = 0; i < repetitions; ++i) {
            const TSpeedRun run = PlayAtSpeed(form, TPlaybackSpeed::Quarter, false, PlaySeconds);
            shown.push_back(run.ShownPerSecond);
            everyFrame = everyFrame && run.EveryFrame;
        }
        PrintDetail("speed_quarter_704x576_25: " + std::to_string(Median(shown)) + " pictures/s of 6.25, " +
                    (everyFrame ? "every frame shown" : "FRAMES PASSED OVER"));
        PrintRatio("speed_quarter_704x576_25", everyFrame ? Median(shown) / 6.25 : 0.0);
    }
}

struct TMeasured {
    double ShownFps = 0;
    double CpuPerSecond = 0;
    double DecodeMs = 0;
};

// mpv's CPU seconds per second playing `path` in the session, over
// `seconds` after its first second; 0 when it could not be measured.
double MpvCpuPerSecond(const TXSession& session, const std::string& path, double seconds)
{
    TStarted mpv = StartIn(session, {"mpv", "--vo=x11", "--no-audio", "--loop-file=inf", "--really-quiet", path});
    if (mpv.Pid <= 0)
        return 0;
    auto cpuSeconds = [&] {
        std::ifstream stat("/proc/" + std::to_string(mpv.Pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const size_t end = text.rfind(')');
        if (end == std::string::npos)
            return -1.0;
        std::istringstream fields(text.substr(end + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                utime = std::stoull(field);
            if (i == 15)
                stime = std::stoull(field);
        }
        return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    };
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double before = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double after = cpuSeconds();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Stop(mpv);
    return before >= 0 && after > before ? (after - before) / wall : 0;
}

// Plays the fragment in the window as it opens (fitted into it), or at the
// zoom command named by `zoom`.
TMeasured Measure(const std::string& name, int width, int height, int fps, bool backwards, int repetitions,
                  const std::string& exportPath = {}, const char* zoom = nullptr)
{
    auto stream = BuildFragment(width, height, fps);
    TVPlayerForm form;
    TMeasured measured;
    if (!ShowAndLoad(form, *stream, name))
        return measured;
    if (zoom) {
        form.findChild<QAction*>(QLatin1String(zoom))->trigger();
        QCoreApplication::processEvents();
    }
    std::vector<double> shown, cpu, medianPeriods, maxPeriods;
    for (int i = 0; i < repetitions; ++i) {
        const TPlayRun run = PlayOnce(form, backwards);
        shown.push_back(run.ShownFps);
        cpu.push_back(run.CpuPerSecond);
        medianPeriods.push_back(run.MedianPeriodMs);
        maxPeriods.push_back(run.MaxPeriodMs);
    }
    measured = {Median(shown), Median(cpu), BareDecodeMs(*form.Image)};
    if (!exportPath.empty())
        ExportFragment(*form.Image, exportPath, TExportOptions{});
    PrintDetail(name + ": " + std::to_string(measured.ShownFps) + " fps shown of " + std::to_string(fps) +
                ", CPU " + std::to_string(measured.CpuPerSecond) + " s/s, bare decode " +
                std::to_string(measured.DecodeMs) + " ms a frame, period median " +
                std::to_string(Median(medianPeriods)) + " ms, max " + std::to_string(Median(maxPeriods)) + " ms");
    PrintRatio(name, measured.ShownFps / fps);
    return measured;
}

} // namespace

int main(int argc, char** argv)
{
    // "--x-session on": in an X session of its own (Xvfb with openbox), the
    // window drawn as on a desktop; offscreen otherwise.
    std::unique_ptr<TXSession> session;
    if (!TakeXSessionOption(argc, argv, session))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int repetitions = TakeRepetitions(argc, argv, "bench_playback");
    if (repetitions < 1)
        return 2;
    const std::string only = TakeOption(argc, argv, "only", "");
    if (!only.empty() && only != "play_cpu_vs_decode") {
        std::fprintf(stderr, "bench_playback: --only takes play_cpu_vs_decode\n");
        return 2;
    }
    const bool all = only.empty();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The same pictures for mpv, in Matroska.
    const bool againstMpv = all && session && OnPath("mpv");
    char folder[] = "/tmp/mjpg-bench-mpv.XXXXXX";
    const std::string exported = againstMpv && mkdtemp(folder) ? std::string(folder) + "/d1.mkv" : std::string();
    const TMeasured sd = Measure("playback_704x576_25", 704, 576, 25, false, repetitions, exported);
    if (!exported.empty()) {
        std::vector<double> mpv;
        for (int i = 0; i < repetitions; ++i)
            mpv.push_back(MpvCpuPerSecond(*session, exported, PlaySeconds));
        std::filesystem::remove_all(folder);
        const double m = Median(mpv);
        PrintDetail("play_cpu_vs_mpv: " + std::to_string(sd.CpuPerSecond) + " CPU s/s against mpv's " +
                    std::to_string(m));
        if (m > 0 && sd.CpuPerSecond > 0)
            PrintRatio("play_cpu_vs_mpv", sd.CpuPerSecond / m);
    }
    if (all) {
        Measure("playback_1920x1080_30", 1920, 1080, 30, false, repetitions);
        Measure("playback_back_1920x1080_30", 1920, 1080, 30, true, repetitions);
    }
    if (sd.DecodeMs <= 0 || sd.CpuPerSecond <= 0)
        return 1;
    const double decodePerSecond = sd.DecodeMs * 25 / 1000;
    PrintDetail("play_cpu_vs_decode: " + std::to_string(sd.CpuPerSecond) + " CPU s/s against " +
                std::to_string(decodePerSecond) + " s/s of bare decoding");
    PrintRatio("play_cpu_vs_decode", sd.CpuPerSecond / decodePerSecond);
    // The same at 100 %: the picture painted as decoded, without scaling.
    const TMeasured whole = Measure("playback_704x576_25_zoom100", 704, 576, 25, false, repetitions, {}, "actZoom100");
    if (whole.DecodeMs > 0 && whole.CpuPerSecond > 0) {
        const double wholeDecodePerSecond = whole.DecodeMs * 25 / 1000;
        PrintDetail("play_cpu_vs_decode_zoom100: " + std::to_string(whole.CpuPerSecond) + " CPU s/s against " +
                    std::to_string(wholeDecodePerSecond) + " s/s of bare decoding");
        PrintRatio("play_cpu_vs_decode_zoom100", whole.CpuPerSecond / wholeDecodePerSecond);
    }
    if (all)
        MeasureSpeeds(repetitions);
    return 0;
}
