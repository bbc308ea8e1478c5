// Reviewing a fragment: the preview above the slider, the frame's number and
// time, pictures decoded at the size the view shows them while snapshots
// keep the whole picture, neighbours decoded ahead of a step, and a held
// step key that never builds a queue.
#include "playerfixture.h"
#include "children.h"

#include "fixtures/fragmentbuilder.h"
#include "fixtures/framemaker.h"
#include "picture/displaypicture.h"
#include "player/framepicture.h"
#include "player/sliderpreview.h"
#include "pollwait.h"

#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>

namespace {

// `count` frames of 704 x 576 camera-like pictures at 25 fps from
// 15.05.2024 10:30:00; the frames listed in `empty` carry no picture.
std::unique_ptr<TMemoryStream> SceneFragment(int count, const std::vector<int>& empty = {})
{
    fixture::THeaderLines header;
    header.Begin = "15.05.2024 10:30:00";
    header.Width = 704;
    header.Height = 576;
    header.FPS = 25;
    header.Frames = count;
    fixture::TFragmentBuilder fragment(header);
    for (int i = 0; i < count; ++i) {
        const bool none = std::find(empty.begin(), empty.end(), i) != empty.end();
        fragment.Part(none ? std::string() : fixture::MakeFrame({.Index = i, .Width = 704, .Height = 576,
                                                                .Look = fixture::TFrameLook::Scene}));
    }
    return fragment.Stream();
}

void MoveOver(QSlider* slider, int x)
{
    const QPoint at(x, slider->height() / 2);
    QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
}

// The slider's x where a value lies: the first x whose value it is.
int XOfValue(QSlider* slider, int value)
{
    for (int x = 0; x < slider->width(); ++x)
        if (SliderValueAt(*slider, x) == value)
            return x;
    return -1;
}

// `count` frames of `width` x `height`, eight camera-like pictures over and
// over (each differs from its neighbours), at 25 fps from 15.05.2024 10:30:00.
std::unique_ptr<TMemoryStream> RepeatedFragment(int count, int width, int height)
{
    fixture::THeaderLines header;
    header.Begin = "15.05.2024 10:30:00";
    header.Width = width;
    header.Height = height;
    header.FPS = 25;
    header.Frames = count;
    std::vector<std::string> pictures;
    for (int i = 0; i < 8; ++i)
        pictures.push_back(fixture::MakeFrame({.Index = i * 5, .Width = width, .Height = height,
                                               .Look = fixture::TFrameLook::Scene}));
    fixture::TFragmentBuilder fragment(header);
    for (int i = 0; i < count; ++i)
        fragment.Part(pictures[static_cast<size_t>(i % 8)]);
    return fragment.Stream();
}

// What the preview of the frame must show: its picture decoded directly at
// the reduction the preview uses, scaled to the preview's width.
QImage ExpectedPreview(const TMJPGFrame& frame)
{
    int width = 0, height = 0;
    if (!ReadFramePictureSize(frame, width, height))
        return QImage();
    QImage picture = DecodeFrameImage(frame, std::max(2, ReductionFor(width, height, TSliderPreview::PictureWidth, 1)));
    if (picture.width() != TSliderPreview::PictureWidth)
        picture = picture.scaledToWidth(TSliderPreview::PictureWidth, Qt::SmoothTransformation);
    return picture.convertToFormat(QImage::Format_RGB32);
}

QImage Shown(const TSliderPreview& preview)
{
    return preview.lblPicture->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

// Runs the events until the preview's worker has nothing to do, then hands
// its last pictures over.
bool PreparedAll(const TSliderPreview& preview)
{
    const bool idle = PollUntil([&] {
        QCoreApplication::processEvents();
        return !preview.Preparing();
    });
    QCoreApplication::processEvents();
    return idle;
}

// The window's preview, its slider, and the frames the slider's pixels
// stand for.
struct TPreviewParts {
    TSliderPreview* Preview;
    QSlider* Slider;
    std::vector<int> Values;
};

TPreviewParts PreviewParts(TVPlayerForm& form)
{
    auto* slider = Child<QSlider>(form, "trbFramePosition");
    return {Child<TSliderPreview>(form, "FramePreview"), slider, SliderValuesAcross(*slider)};
}

class ReviewTest : public PlayerTest {
protected:
    void SetUp() override
    {
        Form.resize(800, 600);
        ASSERT_TRUE(ShowActive());
    }
};

} // namespace

TEST_F(ReviewTest, ThePreviewShowsTheFrameUnderThePointer)
{
    auto stream = SceneFragment(30, {12});
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    TSliderPreview* preview = Child<TSliderPreview>(Form, "FramePreview");
    QSlider* slider = Child<QSlider>(Form, "trbFramePosition");
    EXPECT_FALSE(preview->isVisible());
    // Only the frames the pointer comes to (previews prepared ahead have
    // tests of their own below).
    preview->SetPreparing(false);

    struct TRow {
        int Value;
        QString Text;
        bool Picture;
    } rows[] = {
        {17, QStringLiteral("Кадр 17 · 15.05.2024 10:30:00.680"), true},
        {29, QStringLiteral("Кадр 29 · 15.05.2024 10:30:01.160"), true},
        {12, QStringLiteral("Кадр 12 · 15.05.2024 10:30:00.480"), false},
        {0, QStringLiteral("Кадр 0 · 15.05.2024 10:30:00.000"), true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Value);
        const int x = XOfValue(slider, row.Value);
        ASSERT_GE(x, 0);
        MoveOver(slider, x);
        ASSERT_TRUE(preview->isVisible());
        EXPECT_EQ(preview->Index(), row.Value);
        EXPECT_EQ(preview->lblText->text(), row.Text);
        if (row.Picture) {
            ASSERT_FALSE(preview->lblPicture->pixmap().isNull());
            EXPECT_EQ(preview->lblPicture->pixmap().width(), TSliderPreview::PictureWidth);
            EXPECT_TRUE(preview->lblPicture->text().isEmpty());
        } else {
            EXPECT_TRUE(preview->lblPicture->pixmap().isNull());
            EXPECT_EQ(preview->lblPicture->text(), QStringLiteral("Нет изображения"));
        }
        // Above the slider, around the pointer.
        const QRect sliderOnScreen(slider->mapToGlobal(QPoint(0, 0)), slider->size());
        EXPECT_LE(preview->geometry().bottom(), sliderOnScreen.top());
        // It never moves the position.
        EXPECT_EQ(Form.FramePos.Index, 0);
        EXPECT_EQ(slider->value(), 0);
    }
    // Each frame was decoded once, into a small picture.
    EXPECT_GT(preview->CachedBytes(), 0u);
    EXPECT_LE(preview->CachedBytes(), 4u * TSliderPreview::PictureWidth * 200 * 4);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(slider, &leave);
    EXPECT_FALSE(preview->isVisible());
    EXPECT_EQ(preview->Index(), -1);

    // Another fragment: nothing of the last one is kept.
    Form.CloseFragment();
    EXPECT_EQ(preview->CachedBytes(), 0u);
    MoveOver(slider, XOfValue(slider, 0));
    EXPECT_FALSE(preview->isVisible());
}

TEST_F(ReviewTest, ThePreviewWorksWhilePlaying)
{
    auto stream = SceneFragment(20);
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    std::vector<int> seen;
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        if (pass == 3)
            MoveOver(Child<QSlider>(Form, "trbFramePosition"), XOfValue(Child<QSlider>(Form, "trbFramePosition"), 15));
        if (pass >= 3) {
            EXPECT_EQ(Child<TSliderPreview>(Form, "FramePreview")->Index(), 15);
        }
        seen.push_back(Form.FramePos.Index);
        if (pass == 6)
            Child(Form, "actStop")->trigger();
    });
    Form.SetSpeed(TPlaybackSpeed::Times16);
    Child(Form, "actPlay")->trigger();
    EXPECT_FALSE(observer.TimedOut);
    // Playback went its own way meanwhile.
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i], seen[i - 1]);
    Form.SetSpeed(TPlaybackSpeed::Normal);
}

// While the pointer is over the slider the other frames' previews are
// prepared without further moves; prepared or not, each shows its own frame.
TEST_F(ReviewTest, PreparedPreviewsShowTheirOwnFrames)
{
    auto stream = SceneFragment(40, {25});
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    const auto [preview, slider, values] = PreviewParts(Form);
    ASSERT_EQ(values.size(), 40u);
    for (int x : {0, slider->width() / 3, slider->width() - 1})
        EXPECT_NE(std::find(values.begin(), values.end(), SliderValueAt(*slider, x)), values.end()) << x;

    // The frame under the pointer is decoded at once.
    EXPECT_FALSE(preview->Cached(30));
    MoveOver(slider, XOfValue(slider, 30));
    EXPECT_EQ(preview->Index(), 30);
    EXPECT_EQ(Shown(*preview), ExpectedPreview(*Form.Image->GetFrame(30)));
    ASSERT_TRUE(PreparedAll(*preview));
    for (int value : values)
        EXPECT_EQ(preview->Cached(value), value != 25) << value; // 25 has no picture to prepare
    EXPECT_LE(preview->CachedBytes(), TSliderPreview::MaxCacheBytes);

    struct TRow {
        int Value;
        QString Text;
    } rows[] = {
        {3, QStringLiteral("Кадр 3 · 15.05.2024 10:30:00.120")},
        {4, QStringLiteral("Кадр 4 · 15.05.2024 10:30:00.160")},
        {39, QStringLiteral("Кадр 39 · 15.05.2024 10:30:01.560")},
        {25, QStringLiteral("Кадр 25 · 15.05.2024 10:30:01.000")},
        {0, QStringLiteral("Кадр 0 · 15.05.2024 10:30:00.000")},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Value);
        MoveOver(slider, XOfValue(slider, row.Value));
        EXPECT_EQ(preview->Index(), row.Value);
        EXPECT_EQ(preview->lblText->text(), row.Text);
        const QImage expected = ExpectedPreview(*Form.Image->GetFrame(row.Value));
        if (expected.isNull()) {
            EXPECT_TRUE(preview->lblPicture->pixmap().isNull());
            EXPECT_EQ(preview->lblPicture->text(), QStringLiteral("Нет изображения"));
        } else {
            EXPECT_EQ(Shown(*preview), expected);
            // A neighbour's picture would not pass.
            EXPECT_NE(Shown(*preview), ExpectedPreview(*Form.Image->GetFrame(row.Value == 39 ? 38 : row.Value + 1)));
        }
        EXPECT_EQ(Form.FramePos.Index, 0);
    }
}

// The worker pauses when the pointer leaves with frames left, and goes on
// when it comes back.
TEST_F(ReviewTest, PreparingPausesWhileThePointerIsAway)
{
    auto stream = RepeatedFragment(200, 704, 576);
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    const auto [preview, slider, values] = PreviewParts(Form);
    ASSERT_EQ(values.size(), 200u);
    MoveOver(slider, XOfValue(slider, 100));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(slider, &leave);
    EXPECT_FALSE(preview->isVisible());
    ASSERT_TRUE(PreparedAll(*preview));
    const auto prepared = std::count_if(values.begin(), values.end(), [&](int v) { return preview->Cached(v); });
    EXPECT_LT(prepared, 200);
    EXPECT_TRUE(preview->Cached(100));

    MoveOver(slider, XOfValue(slider, 150));
    ASSERT_TRUE(PreparedAll(*preview));
    for (int value : values)
        EXPECT_TRUE(preview->Cached(value)) << value;
    EXPECT_EQ(preview->Index(), 150);
    EXPECT_EQ(Shown(*preview), ExpectedPreview(*Form.Image->GetFrame(150)));
}

// Another fragment opened while the worker is busy: nothing of the first
// one shows or stays, and the second's previews are its own.
TEST_F(ReviewTest, AnotherFragmentWhilePreparing)
{
    auto first = RepeatedFragment(200, 704, 576);
    ASSERT_TRUE(Form.LoadStream(first.get()));
    auto* preview = Child<TSliderPreview>(Form, "FramePreview");
    auto* slider = Child<QSlider>(Form, "trbFramePosition");
    MoveOver(slider, XOfValue(slider, 100));
    EXPECT_TRUE(preview->Preparing());

    auto second = RepeatedFragment(60, 320, 240);
    ASSERT_TRUE(Form.LoadStream(second.get()));
    first.reset();
    EXPECT_FALSE(preview->Preparing());
    EXPECT_FALSE(preview->isVisible());
    QCoreApplication::processEvents(); // whatever the first run had posted
    EXPECT_EQ(preview->CachedBytes(), 0u);

    MoveOver(slider, XOfValue(slider, 10));
    ASSERT_TRUE(PreparedAll(*preview));
    const size_t each = TSliderPreview::PictureWidth * 120 * 4;
    EXPECT_EQ(preview->CachedBytes(), 60 * each);
    for (int value : {10, 0, 59, 33}) {
        SCOPED_TRACE(value);
        MoveOver(slider, XOfValue(slider, value));
        EXPECT_EQ(preview->Index(), value);
        EXPECT_EQ(Shown(*preview), ExpectedPreview(*Form.Image->GetFrame(value)));
    }
    // Closed while preparing: the worker stops, the window lives on.
    Form.CloseFragment();
    EXPECT_FALSE(preview->Preparing());
    EXPECT_EQ(preview->CachedBytes(), 0u);
}

// With more frames than the cache holds, the worker fills it nearest the
// pointer first and stops at its bound; moves further on still show their
// frames within it.
TEST_F(ReviewTest, PreparedPreviewsStayWithinTheBound)
{
    auto stream = RepeatedFragment(600, 64, 48);
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    const auto [preview, slider, values] = PreviewParts(Form);
    const size_t each = TSliderPreview::PictureWidth * 120 * 4;
    ASSERT_GT(values.size() * each, TSliderPreview::MaxCacheBytes + 20 * each);
    MoveOver(slider, XOfValue(slider, values.front()));
    ASSERT_TRUE(PreparedAll(*preview));
    EXPECT_LE(preview->CachedBytes(), TSliderPreview::MaxCacheBytes);
    EXPECT_GT(preview->CachedBytes() + each, TSliderPreview::MaxCacheBytes);
    EXPECT_TRUE(preview->Cached(values[values.size() / 3]));
    EXPECT_FALSE(preview->Cached(values.back()));
    for (size_t i : {values.size() - 1, values.size() - 10, size_t{1}}) {
        MoveOver(slider, XOfValue(slider, values[i]));
        EXPECT_EQ(preview->Index(), values[i]);
        EXPECT_EQ(Shown(*preview), ExpectedPreview(*Form.Image->GetFrame(values[i])));
        EXPECT_LE(preview->CachedBytes(), TSliderPreview::MaxCacheBytes);
    }
    EXPECT_FALSE(preview->Preparing());
}

TEST_F(ReviewTest, TheFrameTextFollowsTheFrameShown)
{
    EXPECT_TRUE(Form.FrameText().isEmpty());
    std::vector<QString> texts;
    const QObject listener; // declared after texts: disconnects before texts go
    QObject::connect(&Form, &TVPlayerForm::FrameShown, &listener, [&] { texts.push_back(Form.FrameText()); });
    auto stream = SceneFragment(30);
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    EXPECT_EQ(Form.FrameText(), QStringLiteral("Кадр 0 из 30 · 15.05.2024 10:30:00.000"));
    Child(Form, "actNextFrame")->trigger();
    Child(Form, "actLastFrame")->trigger();
    EXPECT_EQ(Form.FrameText(), QStringLiteral("Кадр 29 из 30 · 15.05.2024 10:30:01.160"));
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[texts.size() - 2], QStringLiteral("Кадр 1 из 30 · 15.05.2024 10:30:00.040"));
    Form.CloseFragment();
    EXPECT_TRUE(Form.FrameText().isEmpty());
    EXPECT_TRUE(texts.back().isEmpty());
}

// The slider on screen shows the position of every frame stepped to: what
// the window shows after each step is what a full repaint of the slider
// draws, over a fragment long enough for several frames to a pixel.
TEST_F(ReviewTest, TheSliderOnScreenFollowsEveryFrame)
{
    Form.resize(320, 400);
    ASSERT_TRUE(Load(Frames(1000)));
    auto* slider = Child<QSlider>(Form, "trbFramePosition");
    auto onScreen = [&] {
        QCoreApplication::processEvents(); // the paints due
        const QPoint at = slider->mapTo(&Form, QPoint(0, 0));
        return Form.screen()->grabWindow(Form.winId(), at.x(), at.y(), slider->width(), slider->height()).toImage();
    };
    QImage previous = onScreen();
    int moves = 0;
    for (int i = 1; i <= 40; ++i) {
        Child(Form, "actNextFrame")->trigger();
        ASSERT_EQ(slider->value(), i);
        const QImage shown = onScreen();
        slider->repaint();
        EXPECT_EQ(shown, onScreen()) << "after step " << i;
        moves += shown != previous;
        previous = shown;
    }
    EXPECT_GT(moves, 0); // the handle went along
    // Any value set from outside shows too, forwards and backwards.
    for (int value : {999, 500, 499, 0}) {
        slider->setValue(value);
        const QImage shown = onScreen();
        slider->repaint();
        EXPECT_EQ(shown, onScreen()) << "at " << value;
    }
}

// Shown at half its size or less, a picture is decoded reduced; the snapshot
// and the saved bytes stay whole.
TEST_F(ReviewTest, ReducedPicturesOnScreenWholeOnesSaved)
{
    QTemporaryDir dir;
    auto stream = SceneFragment(3);
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    struct TRow {
        QAction* Zoom;
        int Width;
    } rows[] = {{Child(Form, "actZoom100"), 704}, {Child(Form, "actZoom50"), 352}, {Child(Form, "actZoom200"), 704}, {Child(Form, "actZoom50"), 352}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Zoom->objectName().toStdString());
        row.Zoom->trigger();
        EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->Picture().width(), row.Width);
        Child(Form, "actNextFrame")->trigger();
        EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->Picture().width(), row.Width);
        Child(Form, "actPriorFrame")->trigger();
    }
    ASSERT_EQ(Child<TPictureView>(Form, "imgVideo")->Picture().width(), 352);
    const QString bmp = dir.filePath(QStringLiteral("a.bmp"));
    Dialogs.FileAnswers.push_back(bmp);
    Child(Form, "actSaveFrame")->trigger();
    EXPECT_EQ(QImage(bmp).size(), QSize(704, 576));
    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    Dialogs.FileAnswers.push_back(jpg);
    Child(Form, "actSaveFrame")->trigger();
    QFile saved(jpg);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const std::string expected =
        fixture::MakeFrame({.Index = 0, .Width = 704, .Height = 576, .Look = fixture::TFrameLook::Scene});
    EXPECT_EQ(saved.readAll().toStdString(), expected);
    // Drawn at their own size, pictures are whole again.
    Child(Form, "actStretch")->trigger();
    Child(Form, "actNormalSize")->trigger();
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->Picture().width(), 704);
}

// Each frame's reduction follows its own picture's size, also when frames of
// one fragment differ in size and are decoded one after another.
TEST_F(ReviewTest, EachFrameIsReducedForItsOwnSize)
{
    fixture::THeaderLines header;
    header.Width = 704;
    header.Height = 576;
    header.FPS = 25;
    header.Frames = 4;
    fixture::TFragmentBuilder fragment(header);
    for (int i = 0; i < 4; ++i) {
        const int scale = i % 2 ? 2 : 1;
        fragment.Part(fixture::MakeFrame({.Index = i, .Width = 704 * scale, .Height = 576 * scale}));
    }
    auto stream = fragment.Stream();
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    Child(Form, "actZoom50")->trigger();
    auto* view = Child<TPictureView>(Form, "imgVideo");
    EXPECT_EQ(view->Picture().size(), QSize(352, 288));
    for (const char* step : {"actNextFrame", "actNextFrame", "actNextFrame", "actPriorFrame", "actPriorFrame"}) {
        Child(Form, step)->trigger();
        QCoreApplication::processEvents(); // the neighbour decoded after the paint
        EXPECT_EQ(view->Picture().size(), QSize(352, 288)) << step << " to frame " << Form.FramePos.Index;
    }
}

// After a step the frame a further step shows is decoded once the step's
// picture is painted; the decoded pictures stay within their bound.
TEST_F(ReviewTest, AStepDecodesItsNeighbourAfterThePaint)
{
    auto stream = SceneFragment(10, {3});
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    Child(Form, "actZoom100")->trigger();
    auto neighbourReady = [&](int index) {
        return QTest::qWaitFor([&] { return Form.Pictures().Holds(Form.Image->GetFrame(index), Child<TPictureView>(Form, "imgVideo")->ShownSize()); });
    };
    Child(Form, "actNextFrame")->trigger(); // 1
    EXPECT_TRUE(neighbourReady(2));
    Child(Form, "actNextFrame")->trigger(); // 2
    EXPECT_TRUE(neighbourReady(4)); // 3 has no picture
    Child(Form, "actNextFrame")->trigger(); // 4
    EXPECT_TRUE(neighbourReady(5));
    Child(Form, "actPriorFrame")->trigger(); // 2
    EXPECT_TRUE(neighbourReady(1));
    EXPECT_LE(Form.Pictures().Bytes(), TFramePictureCache::MaxBytes);
    // Five pictures were decoded on the way; beyond the one on screen and
    // its two neighbours, the ones left behind are not kept.
    EXPECT_LE(Form.Pictures().Count(), 3u);
}

// Repeats of a held Right key that come before the last step's picture is
// painted are dropped; single presses never are.
TEST_F(ReviewTest, AHeldKeyNeverBuildsAQueue)
{
    ASSERT_TRUE(Load(Frames(20)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Child<TPictureView>(Form, "imgVideo")->Painted(); }));
    QTest::keyPress(&Form, Qt::Key_Right);
    EXPECT_EQ(Form.FramePos.Index, 1);
    // No paint between these repeats: only the first of them is a step.
    for (int i = 0; i < 5; ++i)
        QTest::simulateEvent(&Form, true, Qt::Key_Right, Qt::NoModifier, QString(), true);
    EXPECT_EQ(Form.FramePos.Index, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Child<TPictureView>(Form, "imgVideo")->Painted(); }));
    QTest::simulateEvent(&Form, true, Qt::Key_Right, Qt::NoModifier, QString(), true);
    EXPECT_EQ(Form.FramePos.Index, 2);
    QTest::keyRelease(&Form, Qt::Key_Right);
    // Presses of their own are all steps, painted or not.
    QTest::keyClick(&Form, Qt::Key_Right);
    QTest::keyClick(&Form, Qt::Key_Right);
    EXPECT_EQ(Form.FramePos.Index, 4);
    EXPECT_EQ(ShownFrame(), 4);
}

// A full cache decodes the next picture into the pixels of the one used
// least recently, unless something still shares that picture: playback
// allocates no picture buffer per frame, and a picture held elsewhere (the
// one on screen) is never written over.
TEST_F(ReviewTest, AFullCacheDecodesIntoTheOldestPicturesPixels)
{
    fixture::TFragmentBuilder fragment({.Width = 1920, .Height = 1080, .FPS = 25, .Frames = 5});
    for (int i = 0; i < 5; ++i)
        fragment.Part(fixture::MakeFrame({.Index = i, .Width = 1920, .Height = 1080, .Look = fixture::TFrameLook::Scene}));
    auto stream = fragment.Stream();
    ASSERT_TRUE(Form.LoadStream(stream.get()));
    std::vector<const TMJPGFrame*> frames;
    for (int i = 0; i < 5; ++i)
        frames.push_back(Form.Image->GetFrame(i));
    const QSize whole;
    TFramePictureCache cache;
    std::vector<const uchar*> pixels;
    QImage kept; // the first picture, as a view would hold it
    for (int i = 0; i < 3; ++i) {
        cache.Prepare(frames[i], whole);
        QImage picture;
        ASSERT_TRUE(cache.Take(frames[i], whole, picture));
        pixels.push_back(picture.constBits());
        if (i == 0)
            kept = picture;
    }
    ASSERT_EQ(cache.Bytes(), TFramePictureCache::MaxBytes); // three 1080p pictures: full

    // The oldest picture is still held: the next one gets pixels of its own.
    cache.Prepare(frames[3], whole);
    QImage third;
    ASSERT_TRUE(cache.Take(frames[3], whole, third));
    EXPECT_NE(third.constBits(), pixels[0]);
    EXPECT_EQ(third, DecodeFrameImage(*frames[3]));
    EXPECT_EQ(kept, DecodeFrameImage(*frames[0]));
    third = QImage();

    // Now the oldest is the second frame's, shared by nothing.
    cache.Prepare(frames[4], whole);
    QImage fourth;
    ASSERT_TRUE(cache.Take(frames[4], whole, fourth));
    EXPECT_EQ(fourth.constBits(), pixels[1]);
    EXPECT_EQ(fourth, DecodeFrameImage(*frames[4]));
    EXPECT_LE(cache.Bytes(), TFramePictureCache::MaxBytes);
}
