// Playback rate: plays generated fragments offscreen through the player's own
// loop for about four seconds each and prints the shown frame rate against the
// rate recorded in the header, as "RATIO <name> <shown fps / FPS>".
#include "container/jpegpicture.h"
#include "container/mjpgimage.h"
#include "fixtures/fragmentbuilder.h"
#include "player/pictureview.h"
#include "player/vplayerform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Camera-like frames (the sample's moving picture), so that decoding costs
// about what a real frame costs.
std::unique_ptr<TMemoryStream> BuildFragment(int width, int height, int fps, int frames)
{
    fixture::TFragmentBuilder fragment({.Width = width, .Height = height, .FPS = fps, .Frames = frames});
    fragment.Pictures(frames, {.Width = width, .Height = height, .Quality = 85,
                               .Look = fixture::TFrameLook::Scene, .FPS = fps});
    return fragment.Stream();
}

// Notes the moment of every new frame; it runs once per pass of the loop
// (an event it posts to itself is delivered on the loop's next pump).
class TFrameClock : public QObject {
public:
    explicit TFrameClock(TVPlayerForm& form) : FForm(form) { Post(); }
    std::vector<TClock::time_point> Shown;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (FForm.FramePos.Index != FLastIndex) {
            FLastIndex = FForm.FramePos.Index;
            Shown.push_back(TClock::now());
        }
        Post();
        return true;
    }

private:
    void Post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
    TVPlayerForm& FForm;
    int FLastIndex = -2;
};

// Counts the paints of the picture control: the frames really reached the screen.
class TPaintCounter : public QObject {
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

double MeasureDecodeMs(const TMJPGImage& image)
{
    const int n = std::min(image.FrameCount(), 20);
    const auto start = TClock::now();
    for (int i = 0; i < n; ++i)
        DecodeFramePicture(*image.GetFrame(i));
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count() / n;
}

void Measure(const char* name, int width, int height, int fps)
{
    constexpr int Seconds = 4;
    auto stream = BuildFragment(width, height, fps, fps * Seconds + fps);
    TVPlayerForm form;
    form.resize(640, 534);
    form.show();
    QCoreApplication::processEvents();
    if (!form.LoadStream(stream.get())) {
        std::fprintf(stderr, "%s: the fragment did not load\n", name);
        return;
    }
    const double decodeMs = MeasureDecodeMs(*form.Image);
    const double frameKiB = static_cast<double>(stream->Size()) / form.Image->FrameCount() / 1024.0;

    TPaintCounter paints;
    form.imgVideo->installEventFilter(&paints);
    TFrameClock clock(form);
    QTimer::singleShot(Seconds * 1000, form.actStop, &QAction::trigger);
    form.actPlay->trigger();

    // The first entry is the frame shown before playback started.
    const size_t advances = clock.Shown.size() > 2 ? clock.Shown.size() - 2 : 0;
    if (advances == 0) {
        std::fprintf(stderr, "%s: nothing was shown\n", name);
        return;
    }
    const double seconds = std::chrono::duration<double>(clock.Shown.back() - clock.Shown[1]).count();
    const double shownFps = static_cast<double>(advances) / seconds;
    std::vector<double> periods;
    for (size_t i = 2; i < clock.Shown.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(clock.Shown[i] - clock.Shown[i - 1]).count());
    std::sort(periods.begin(), periods.end());
    std::printf("# %s: %zu frames in %.3f s, %.2f fps shown of %d, %.0f KiB and a bare decode of %.2f ms a frame, "
                "period median %.3f ms, max %.3f ms, %d paints\n",
                name, advances, seconds, shownFps, fps, frameKiB, decodeMs, periods[periods.size() / 2], periods.back(), paints.Paints);
    std::printf("RATIO %s %.4f\n", name, shownFps / fps);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Measure("playback_704x576_25", 704, 576, 25);
    Measure("playback_1920x1080_30", 1920, 1080, 30);
    return 0;
}
