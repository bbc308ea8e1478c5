// The sweep's steps over one file.
#include "sweeprun.h"
#include "children.h"

#include "passobserver.h"
#include "player/pictureview.h"
#include "player/engine/playerstate.h"

#include "container/jpegpicture.h"
#include "container/mjpgimage.h"
#include "report/layout.h"
#include "report/pagepainter.h"
#include "report/reportmodel.h"
#include "report/reportpreview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// A file gets this long before the sweep stops its playback and fails it:
// far beyond what any step needs, so only a hang reaches it.
constexpr int FileBudgetMs = 120'000;

// Passes of the playback loop watched before the sweep stops it (a negative
// frame rate never advances, so the loop runs until stopped).
constexpr int PlayPasses = 40;

const QString LoadFailureText = QStringLiteral("Не могу загрузить данные из файла");
const QString SnapshotSavedText = QStringLiteral("Снимок успешно сохранен.");
const QString SnapshotFailedText = QStringLiteral("Не могу сохранить снимок!");

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

uint32_t Le32(const QByteArray& bytes, int at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

QString Printable(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return shown;
}

} // namespace

TSweep::TSweep(TVPlayerForm& form, TFakeDialogs& dialogs, QString scratchDir, QString goodFragment)
    : FForm(form), FDialogs(dialogs), FScratch(std::move(scratchDir)), FGood(std::move(goodFragment))
{
    SetReportPreviewHook([this](TReport& report, QWidget*) {
        ++FPreviews;
        // What the preview would show: the built page, painted.
        const TPreparedReport* prepared = report.Prepared();
        ASSERT_NE(prepared, nullptr);
        ASSERT_FALSE(prepared->Pages.empty());
        const QImage page = RenderPage(prepared->Pages.front(), 48);
        EXPECT_FALSE(page.isNull());
    });
    FForm.resize(640, 534);
    FForm.show();
}

TSweep::~TSweep()
{
    SetReportPreviewHook({});
}

template <class F>
void TSweep::Step(const char* name, int allowed, F&& action)
{
    SCOPED_TRACE(name);
    const size_t before = FDialogs.Messages.size();
    action();
    for (size_t i = before; i < FDialogs.Messages.size(); ++i)
        CheckMessage(FDialogs.Messages[i], allowed);
    EXPECT_FALSE(IsPlaying(FForm.State)) << "playback still running after the step";
}

void TSweep::CheckMessage(const TRecordedMessage& message, int allowed)
{
    EXPECT_EQ(message.Title, FForm.windowTitle());
    const QString loadFailure = LoadFailureText + QLatin1Char('\n') + QLatin1Char('"') + FPath + QLatin1Char('"');
    if ((allowed & AllowLoadFailure) && message.Text == loadFailure) {
        EXPECT_EQ(message.Icon, TMsgIcon::Error);
        return;
    }
    if ((allowed & AllowSnapshot) && message.Text == SnapshotSavedText) {
        EXPECT_EQ(message.Icon, TMsgIcon::Information);
        return;
    }
    if ((allowed & AllowSnapshot) && message.Text == SnapshotFailedText) {
        EXPECT_EQ(message.Icon, TMsgIcon::Error);
        return;
    }
    ADD_FAILURE() << "a message the window does not define here: \"" << Printable(message.Text).toStdString()
                  << "\"";
}

void TSweep::Run(const QString& path, TExpectLoad expect)
{
    FPath = path;
    // Named before anything runs, so that a test killed by its time limit
    // shows which file it was on.
    std::fprintf(stderr, "sweep: %s\n", QFile::encodeName(path).constData());
    std::fflush(stderr);

    FBudgetExceeded = false;
    QTimer budget;
    budget.setSingleShot(true);
    QObject::connect(&budget, &QTimer::timeout, [this] {
        FBudgetExceeded = true;
        Child(FForm, "actStop")->trigger();
    });
    budget.start(FileBudgetMs);

    FDialogs.Messages.clear();
    Step("open", AllowLoadFailure, [&] { Open(path); });
    switch (expect) {
    case TExpectLoad::Loads:
        ASSERT_TRUE(FForm.Image) << "the fragment did not load";
        EXPECT_EQ(FDialogs.Messages.size(), 0u);
        break;
    case TExpectLoad::Silent:
        EXPECT_FALSE(FForm.Image);
        EXPECT_EQ(FDialogs.Messages.size(), 0u);
        break;
    case TExpectLoad::Any:
        break;
    }

    Step("play", AllowNone, [&] { Play(Child(FForm, "actPlay"), PlayPasses); });
    Step("play back", AllowNone, [&] {
        Child(FForm, "actLastFrame")->trigger();
        Play(Child(FForm, "actPlayBack"), PlayPasses);
    });
    Step("pause and resume", AllowNone, [&] { PauseAndResume(); });
    Step("step", AllowNone, [&] { StepCommands(); });
    Step("drag the slider", AllowNone, [&] { DragSlider(); });
    Step("zoom", AllowNone, [&] { Zoom(); });
    Step("snapshot as BMP", AllowSnapshot, [&] { Snapshot("bmp"); });
    Step("snapshot as JPEG", AllowSnapshot, [&] { Snapshot("jpg"); });
    Step("report", AllowNone, [&] { Report(); });
    EXPECT_FALSE(FBudgetExceeded) << "the file took longer than its budget of " << FileBudgetMs << " ms";
    budget.stop();

    // The window goes on: a good fragment loads and shows its first frame.
    Step("open a good fragment after it", AllowNone, [&] {
        FDialogs.FileAnswers.push_back(FGood);
        Child(FForm, "actOpenFile")->trigger();
        ASSERT_TRUE(FForm.Image);
        EXPECT_EQ(FForm.State, psStopped);
        EXPECT_EQ(FForm.FramePos.Index, 0);
        EXPECT_FALSE(Child<TPictureView>(FForm, "imgVideo")->Picture().isNull());
        Play(Child(FForm, "actPlay"), PlayPasses);
        EXPECT_EQ(FForm.FramePos.Index, FForm.Image->FrameCount() - 1) << "the good fragment did not play through";
    });
}

void TSweep::Open(const QString& path)
{
    FDialogs.FileAnswers.push_back(path);
    ASSERT_TRUE(Child(FForm, "actOpenFile")->isEnabled());
    Child(FForm, "actOpenFile")->trigger();
    EXPECT_TRUE(FDialogs.FileAnswers.empty());
    if (!FForm.Image) {
        EXPECT_EQ(FForm.State, psEmpty);
    }
}

void TSweep::Play(QAction* command, int passes)
{
    if (!command->isEnabled()) {
        command->trigger(); // ignored, as a click on a disabled button
        return;
    }
    TPassObserver observer(Child(FForm, "actStop"), [&](int pass) {
        // The slider, painting and the other commands run inside the loop.
        if (pass == 2)
            FForm.grab();
        if (pass == 3)
            Child(FForm, "actNextFrame")->trigger();
        if (pass >= passes || FBudgetExceeded)
            Child(FForm, "actStop")->trigger();
    });
    command->trigger();
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut) << "playback did not stop";
}

void TSweep::PauseAndResume()
{
    if (!Child(FForm, "actPlay")->isEnabled())
        return;
    Child(FForm, "actFirstFrame")->trigger();
    bool paused = false;
    {
        TPassObserver observer(Child(FForm, "actStop"), [&](int pass) {
            if (pass == 2) {
                Child(FForm, "actPause")->trigger();
                paused = FForm.State == psPaused;
            }
        });
        Child(FForm, "actPlay")->trigger();
        observer.Finish();
        EXPECT_FALSE(observer.TimedOut);
    }
    if (!paused)
        return; // the fragment ended before the second pass
    EXPECT_EQ(FForm.State, psPaused);
    TPassObserver observer(Child(FForm, "actStop"), [&](int pass) {
        if (pass >= 3 || FBudgetExceeded)
            Child(FForm, "actStop")->trigger();
    });
    Child(FForm, "actPause")->trigger(); // resumes the direction paused
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut);
}

void TSweep::StepCommands()
{
    QAction* const sequence[] = {
        Child(FForm, "actFirstFrame"), Child(FForm, "actNextFrame"), Child(FForm, "actNextFrame"), Child(FForm, "actNextFrame"), Child(FForm, "actPriorFrame"),
        Child(FForm, "actLastFrame"),  Child(FForm, "actPriorFrame"), Child(FForm, "actNextFrame"), Child(FForm, "actNextFrame"), Child(FForm, "actFirstFrame"),
        Child(FForm, "actPriorFrame"),
    };
    for (QAction* action : sequence) {
        action->trigger();
        if (FForm.Image) {
            EXPECT_TRUE(FForm.FramePos.Index >= -1 && FForm.FramePos.Index <= FForm.Image->FrameCount())
                << "position " << FForm.FramePos.Index << " outside the fragment";
        }
    }
}

void TSweep::DragSlider()
{
    QSlider* slider = Child<QSlider>(FForm, "trbFramePosition");
    const int top = slider->maximum();
    const int targets[] = {top, top / 2, 0, top, 1, top - 1, top / 3, 0};
    for (int target : targets) {
        if (!slider->isEnabled())
            break;
        slider->setSliderDown(true);
        slider->setSliderPosition(target);
        QApplication::processEvents();
        slider->setSliderDown(false);
        if (FForm.Image) {
            EXPECT_TRUE(FForm.FramePos.Index >= -1 && FForm.FramePos.Index <= FForm.Image->FrameCount());
        }
    }
    // The keyboard's way: a page at a time from the end.
    if (slider->isEnabled()) {
        slider->triggerAction(QAbstractSlider::SliderToMaximum);
        slider->triggerAction(QAbstractSlider::SliderPageStepSub);
        slider->triggerAction(QAbstractSlider::SliderToMinimum);
    }
    Child(FForm, "actFirstFrame")->trigger();
}

void TSweep::Zoom()
{
    QAction* const modes[] = {Child(FForm, "actZoom50"),   Child(FForm, "actZoom100"),  Child(FForm, "actZoom200"), Child(FForm, "actZoomFree"),
                              Child(FForm, "actStretch"),  Child(FForm, "actZoom200"),  Child(FForm, "actNormalSize"), Child(FForm, "actZoom50"),
                              Child(FForm, "actZoomFree")};
    const QSize sizes[] = {{640, 534}, {1, 1}, {1600, 1200}};
    for (const QSize& size : sizes) {
        FForm.resize(size);
        for (QAction* mode : modes) {
            mode->trigger();
            FForm.grab(); // paints the picture as laid out
        }
    }
    FForm.resize(640, 534);
    Child(FForm, "actZoomFree")->trigger();
    if (Child(FForm, "actNormalSize")->isEnabled())
        Child(FForm, "actNormalSize")->trigger();
}

void TSweep::Snapshot(const char* extension)
{
    const QString target = QDir(FScratch).filePath(QStringLiteral("snapshot.") + QLatin1String(extension));
    QFile::remove(target);
    const size_t before = FDialogs.Messages.size();
    const bool available = Child(FForm, "actSaveFrame")->isEnabled();
    FDialogs.FileAnswers.push_back(target);
    Child(FForm, "actSaveFrame")->trigger();
    if (!available) {
        EXPECT_EQ(FDialogs.FileAnswers.size(), 1u);
        FDialogs.FileAnswers.clear();
        EXPECT_EQ(FDialogs.Messages.size(), before);
        return;
    }
    ASSERT_EQ(FDialogs.Messages.size(), before + 1) << "one message after a snapshot";
    const TRecordedMessage& message = FDialogs.Messages.back();
    const TMJPGFrame* frame = FForm.FramePos.CurrentFrame;
    ASSERT_NE(frame, nullptr);
    const bool bitmap = QLatin1String(extension) == QLatin1String("bmp");

    if (message.Text == SnapshotFailedText) {
        // Only a picture that cannot be decoded may fail, and only as a bitmap.
        EXPECT_TRUE(bitmap) << "the JPEG snapshot failed";
        if (bitmap) {
            EXPECT_THROW(DecodeFramePicture(*frame, TPixelLayout::BGR24), EJPEGError)
                << "the bitmap snapshot failed on a picture that decodes";
        }
        QFile::remove(target);
        return;
    }
    if (message.Text != SnapshotSavedText)
        return; // reported by the step

    const QByteArray saved = FileBytes(target);
    if (!bitmap) {
        // The frame's own bytes, unchanged.
        EXPECT_EQ(saved, QByteArray(reinterpret_cast<const char*>(frame->Bytes().Memory()),
                                    static_cast<qsizetype>(frame->Bytes().Size())));
    } else {
        // A whole bitmap of the picture's size.
        int width = 0, height = 0;
        ASSERT_TRUE(ReadJPEGSize(frame->Bytes().Memory(), static_cast<size_t>(frame->Bytes().Size()), width, height));
        ASSERT_GE(saved.size(), 54);
        EXPECT_EQ(saved.left(2), QByteArray("BM"));
        EXPECT_EQ(Le32(saved, 2), static_cast<uint32_t>(saved.size()));
        EXPECT_EQ(Le32(saved, 18), static_cast<uint32_t>(width));
        EXPECT_EQ(Le32(saved, 22), static_cast<uint32_t>(height));
    }
    QFile::remove(target);
}

void TSweep::Report()
{
    const bool available = Child(FForm, "actPrintReport")->isEnabled();
    const int before = FPreviews;
    Child(FForm, "actPrintReport")->trigger();
    EXPECT_EQ(FPreviews, before + (available ? 1 : 0)) << "the report was not built and shown";
}
