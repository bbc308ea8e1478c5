// bench_review: reviewing 1080p footage in the player's own window
// (offscreen unless QT_QPA_PLATFORM says otherwise, or in an X session of
// its own with --x-session on), against a bare
// libjpeg-turbo decode of the same frames timed in the same run:
//   RATIO preview_vs_decode_1080p         median time from a pointer move over
//       the slider to the preview's picture painted / one full decode
//   RATIO preview_p95_vs_decode_1080p     the same, 95th percentile
//   RATIO preview_sweep_vs_decode_1080p   the same median with the pointer
//       sweeping along the slider from one frame to the next, as a user
//       searching slowly does (previews are prepared nearest the pointer)
//   RATIO step_forward_vs_decode_1080p    95th percentile of the time from a
//       step to its picture painted (at 100 %, steps 40 ms apart as a held
//       key repeats) / one full decode
//   RATIO step_back_vs_decode_1080p       the same backwards
//   RATIO play_cpu_fit_half_vs_full       process CPU per picture shown playing
//       1080p at 25 fps fitted into a 640-pixel-wide window / the same at 100 %
//       (per picture: a shared machine that cannot keep pace shows fewer)
// Also shown: the bytes of decoded pictures the window keeps after the steps.
#include "baredecoder.h"
#include "benchsupport.h"
#include "xsession.h"
#include "container/mjpgimage.h"
#include "fixtures/fragmentbuilder.h"
#include "player/framepicture.h"
#include "player/pictureview.h"
#include "player/sliderpreview.h"
#include "player/vplayerform.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::time_point from, TClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// 1080p camera-like frames: `distinct` pictures over and over.
std::unique_ptr<TMemoryStream> BuildFragment(int frames, int distinct, int fps)
{
    std::vector<std::string> pictures;
    for (int i = 0; i < distinct; ++i)
        pictures.push_back(fixture::MakeFrame({.Index = i, .Width = 1920, .Height = 1080, .Quality = 85,
                                               .Look = fixture::TFrameLook::Scene, .FPS = fps}));
    fixture::TFragmentBuilder fragment({.Width = 1920, .Height = 1080, .FPS = fps, .Frames = frames});
    for (int i = 0; i < frames; ++i)
        fragment.Part(pictures[static_cast<size_t>(i % distinct)]);
    return fragment.Stream();
}

// Notes when a widget paints.
class TPaintWatch : public QObject {
public:
    bool Painted = false;
    TClock::time_point At;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !Painted) {
            Painted = true;
            At = TClock::now();
        }
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until `watch` saw a paint (at most two seconds).
bool WaitForPaint(const TPaintWatch& watch)
{
    const auto until = TClock::now() + std::chrono::seconds(2);
    while (!watch.Painted && TClock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return watch.Painted;
}

void RunEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

// Milliseconds of a bare full decode of each distinct picture, median.
double BareDecodeMs(const TMJPGImage& image, int distinct)
{
    TBareDecoder decoder;
    std::vector<double> times;
    for (int pass = 0; pass < 5; ++pass)
        for (int i = 0; i < distinct; ++i) {
            const auto start = TClock::now();
            decoder.Decode(image.GetFrame(i)->Bytes());
            times.push_back(Ms(start, TClock::now()));
        }
    return Percentile(times, 0.5);
}

std::vector<double> StepTimes(TVPlayerForm& form, QAction* step, int steps)
{
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        TPaintWatch watch;
        form.findChild<TPictureView*>(QStringLiteral("imgVideo"))->installEventFilter(&watch);
        const auto start = TClock::now();
        step->trigger();
        const bool painted = WaitForPaint(watch);
        form.findChild<TPictureView*>(QStringLiteral("imgVideo"))->removeEventFilter(&watch);
        if (painted)
            times.push_back(Ms(start, watch.At));
        RunEventsFor(40); // the next repeat of a held key
    }
    return times;
}

// Moves to `moves` frames not previewed before: at random, or, sweeping,
// one after another from a random frame on.
std::vector<double> PreviewTimes(TVPlayerForm& form, int frames, int moves, bool sweep = false)
{
    QSlider* slider = form.findChild<QSlider*>(QStringLiteral("trbFramePosition"));
    std::vector<int> xs;
    std::vector<bool> seen(static_cast<size_t>(frames), false);
    for (int x = 0; x < slider->width(); ++x) {
        const int value = SliderValueAt(*slider, x);
        if (value >= 0 && value < frames && !seen[static_cast<size_t>(value)]) {
            seen[static_cast<size_t>(value)] = true;
            xs.push_back(x);
        }
    }
    if (sweep) {
        const size_t start = std::mt19937(7)() % (xs.size() > static_cast<size_t>(moves) ? xs.size() - static_cast<size_t>(moves) : 1);
        xs.erase(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(start));
    } else {
        std::shuffle(xs.begin(), xs.end(), std::mt19937(7));
    }
    if (xs.size() > static_cast<size_t>(moves))
        xs.resize(static_cast<size_t>(moves));
    std::vector<double> times;
    for (int x : xs) {
        TPaintWatch watch;
        form.findChild<TSliderPreview*>(QStringLiteral("FramePreview"))->lblPicture->installEventFilter(&watch);
        const QPoint at(x, slider->height() / 2);
        const auto start = TClock::now();
        QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
        const bool painted = WaitForPaint(watch);
        form.findChild<TSliderPreview*>(QStringLiteral("FramePreview"))->lblPicture->removeEventFilter(&watch);
        if (painted)
            times.push_back(Ms(start, watch.At));
        RunEventsFor(10);
    }
    return times;
}

// Counts the paints of a widget.
class TPaintCount : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return QObject::eventFilter(watched, event);
    }
};

// Process CPU seconds per picture painted while playing at x1 for `seconds`:
// per picture, so that a machine too busy to keep pace compares alike.
double PlayCpuPerPicture(TVPlayerForm& form, double seconds)
{
    form.findChild<QAction*>(QStringLiteral("actFirstFrame"))->trigger();
    RunEventsFor(50);
    TPaintCount count;
    form.findChild<TPictureView*>(QStringLiteral("imgVideo"))->installEventFilter(&count);
    QTimer::singleShot(static_cast<int>(seconds * 1000), form.findChild<QAction*>(QStringLiteral("actStop")), &QAction::trigger);
    const double cpuBefore = ProcessCpuSeconds();
    form.findChild<QAction*>(QStringLiteral("actPlay"))->trigger();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    form.findChild<TPictureView*>(QStringLiteral("imgVideo"))->removeEventFilter(&count);
    return count.Paints > 0 ? cpu / count.Paints : 0;
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
    const int repetitions = TakeRepetitions(argc, argv, "bench_review");
    if (repetitions < 1)
        return 2;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    constexpr int Distinct = 25, Frames = 300, Fps = 25;
    auto stream = BuildFragment(Frames, Distinct, Fps);
    TVPlayerForm form;
    form.resize(1000, 700);
    form.show();
    QCoreApplication::processEvents();
    if (!form.LoadStream(stream.get())) {
        std::fprintf(stderr, "bench_review: the fragment did not load\n");
        return 1;
    }
    std::vector<double> decode, preview, previewP95, sweep, forward, back, half, full;
    size_t keptBytes = 0;
    for (int r = 0; r < repetitions; ++r) {
        decode.push_back(BareDecodeMs(*form.Image, Distinct));
        // Every move to a frame not previewed yet.
        form.findChild<TSliderPreview*>(QStringLiteral("FramePreview"))->Reset();
        const std::vector<double> moves = PreviewTimes(form, Frames, 60);
        form.findChild<TSliderPreview*>(QStringLiteral("FramePreview"))->Reset();
        preview.push_back(Percentile(moves, 0.5));
        previewP95.push_back(Percentile(moves, 0.95));
        sweep.push_back(Percentile(PreviewTimes(form, Frames, 60, true), 0.5));
        form.findChild<TSliderPreview*>(QStringLiteral("FramePreview"))->Reset();

        form.findChild<QAction*>(QStringLiteral("actZoom100"))->trigger();
        form.findChild<QAction*>(QStringLiteral("actFirstFrame"))->trigger();
        RunEventsFor(50);
        forward.push_back(Percentile(StepTimes(form, form.findChild<QAction*>(QStringLiteral("actNextFrame")), 40), 0.95));
        back.push_back(Percentile(StepTimes(form, form.findChild<QAction*>(QStringLiteral("actPriorFrame")), 40), 0.95));
        keptBytes = std::max(keptBytes, form.Pictures().Bytes());

        full.push_back(PlayCpuPerPicture(form, 3));
        form.resize(640, 534);
        form.findChild<QAction*>(QStringLiteral("actZoomFree"))->trigger();
        RunEventsFor(50);
        half.push_back(PlayCpuPerPicture(form, 3));
        form.resize(1000, 700);
        RunEventsFor(50);
        if (r == repetitions - 1) {
            const double d = Percentile(decode, 0.5);
            PrintDetail("bare full 1080p decode " + std::to_string(d) + " ms; preview median " +
                        std::to_string(Percentile(preview, 0.5)) + " ms, p95 " +
                        std::to_string(Percentile(previewP95, 0.5)) + " ms, sweeping " +
                        std::to_string(Percentile(sweep, 0.5)) + " ms; step p95 forward " +
                        std::to_string(Percentile(forward, 0.5)) + " ms, back " +
                        std::to_string(Percentile(back, 0.5)) + " ms; decoded pictures kept " +
                        std::to_string(keptBytes) + " bytes (bound " +
                        std::to_string(TFramePictureCache::MaxBytes) + "); play CPU fitted " +
                        std::to_string(1000 * Percentile(half, 0.5)) + " ms a picture, 100 % " +
                        std::to_string(1000 * Percentile(full, 0.5)) + " ms a picture");
            PrintRatio("preview_vs_decode_1080p", Percentile(preview, 0.5) / d);
            PrintRatio("preview_p95_vs_decode_1080p", Percentile(previewP95, 0.5) / d);
            PrintRatio("preview_sweep_vs_decode_1080p", Percentile(sweep, 0.5) / d);
            PrintRatio("step_forward_vs_decode_1080p", Percentile(forward, 0.5) / d);
            PrintRatio("step_back_vs_decode_1080p", Percentile(back, 0.5) / d);
            PrintRatio("play_cpu_fit_half_vs_full", Percentile(half, 0.5) / Percentile(full, 0.5));
        }
    }
    return 0;
}
