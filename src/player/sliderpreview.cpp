// The preview above the position slider.
#include "sliderpreview.h"

#include "container/jpegpicture.h"
#include "container/mjpgimage.h"
#include "frametext.h"
#include "picture/displaypicture.h"
#include "uikit/failurelog.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace {

// Where the slider's values lie across it, worked out once for many x.
struct TSliderTrack {
    int Minimum = 0, Maximum = 0;
    int First = 0;      // x of the groove's start plus half the handle
    int Span = 1;       // pixels the handle's centre travels
    bool UpsideDown = false;

    explicit TSliderTrack(const QSlider& slider)
    {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = slider.sliderPosition();
        option.sliderValue = slider.value();
        option.singleStep = slider.singleStep();
        option.pageStep = slider.pageStep();
        option.upsideDown = slider.invertedAppearance() != (option.direction == Qt::RightToLeft);
        const QStyle* style = slider.style();
        const QRect groove = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &slider);
        const QRect handle = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
        Minimum = slider.minimum();
        Maximum = slider.maximum();
        First = groove.x() + handle.width() / 2;
        Span = std::max(groove.right() - handle.width() + 1 - groove.x(), 1);
        UpsideDown = option.upsideDown;
    }
    int ValueAt(int x) const { return QStyle::sliderValueFromPosition(Minimum, Maximum, x - First, Span, UpsideDown); }
};

// A frame's preview from its JPEG bytes: decoded at 1/2 to 1/8 of its size
// and scaled smoothly to PictureWidth; null when there are no bytes or no
// readable size. Any thread may call it. Raises EJPEGError.
QImage PreviewOf(const TSharedBytes& jpeg, TPixelLayout layout)
{
    const auto size = static_cast<size_t>(jpeg.Size());
    int width = 0, height = 0;
    if (jpeg.Empty() || !ReadJPEGSize(jpeg.Memory(), size, width, height))
        return QImage();
    // At most an eighth of the picture's pixels are decoded.
    const int reduction = std::max(2, ReductionFor(width, height, TSliderPreview::PictureWidth, 1));
    QImage picture = DecodeJPEGImage(jpeg.Memory(), size, layout, reduction);
    if (picture.width() != TSliderPreview::PictureWidth)
        picture = picture.scaledToWidth(TSliderPreview::PictureWidth, Qt::SmoothTransformation);
    return picture;
}

} // namespace

int SliderValueAt(const QSlider& slider, int x)
{
    return TSliderTrack(slider).ValueAt(x);
}

std::vector<int> SliderValuesAcross(const QSlider& slider)
{
    const TSliderTrack track(slider);
    std::vector<int> values;
    for (int x = 0; x < slider.width(); ++x) {
        const int value = track.ValueAt(x);
        if (values.empty() || values.back() != value) // the values only grow or only fall
            values.push_back(value);
    }
    return values;
}

TSliderPreview::TSliderPreview(QSlider* slider, std::function<TMJPGImage*()> image, QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      FSlider(slider),
      FImage(std::move(image)),
      FCache(static_cast<qsizetype>(MaxCacheBytes))
{
    setObjectName(QStringLiteral("FramePreview"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(2);
    lblPicture = new QLabel(this);
    lblPicture->setObjectName(QStringLiteral("lblPreviewPicture"));
    lblPicture->setAlignment(Qt::AlignCenter);
    lblText = new QLabel(this);
    lblText->setObjectName(QStringLiteral("lblPreviewText"));
    lblText->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblPicture, 0, Qt::AlignHCenter);
    layout->addWidget(lblText);
    // Moves over the slider come without a button held.
    FSlider->setMouseTracking(true);
    FSlider->installEventFilter(this);
}

TSliderPreview::~TSliderPreview()
{
    FPreparer.Stop();
}

void TSliderPreview::Reset()
{
    FPreparer.Stop();
    FPreparedFor = nullptr;
    FCache.clear();
    FIndex = -1;
    hide();
}

void TSliderPreview::SetPreparing(bool on)
{
    FPreparing = on;
    if (!on) {
        FPreparer.Stop();
        FPreparedFor = nullptr;
    }
}

void TSliderPreview::Leave()
{
    FPreparer.Pause();
    hide();
}

void TSliderPreview::TakePrepared()
{
    for (TPreviewPreparer::TPrepared& prepared : FPreparer.Take())
        if (!FCache.contains(prepared.Index)) {
            const auto cost = std::max<qsizetype>(prepared.Picture.sizeInBytes(), 1);
            FCache.insert(prepared.Index, new QImage(std::move(prepared.Picture)), cost);
        }
}

void TSliderPreview::Prepare(TMJPGImage& image, int32_t index)
{
    if (!FPreparing)
        return;
    if (FPreparer.Started() && FPreparedFor == &image) {
        FPreparer.Aim(index);
        return;
    }
    // The frames the slider's pixels stand for, not cached yet, each with a
    // view of its bytes: the worker never reads the fragment itself.
    std::vector<TPreviewPreparer::TJob> jobs;
    for (const int value : SliderValuesAcross(*FSlider)) {
        const TMJPGFrame* frame = image.GetFrame(value);
        if (frame && !frame->Bytes().Empty() && !FCache.contains(value))
            jobs.push_back({value, frame->Bytes()});
    }
    const size_t cached = CachedBytes();
    const size_t budget = MaxCacheBytes > cached ? MaxCacheBytes - cached : 0;
    const TPixelLayout layout = DisplayPictureLayout();
    FPreparedFor = &image;
    FPreparer.Start(
        std::move(jobs), index, budget, [layout](const TSharedBytes& jpeg) { return PreviewOf(jpeg, layout); },
        [this] { QMetaObject::invokeMethod(this, &TSliderPreview::TakePrepared, Qt::QueuedConnection); });
}

QImage TSliderPreview::Picture(TMJPGImage& image, int32_t index)
{
    if (const QImage* cached = FCache.object(index))
        return *cached;
    FPreparer.Skip(index);
    TMJPGFrame* frame = image.GetFrame(index);
    QImage picture;
    if (frame && frame->HasData()) {
        try {
            picture = PreviewOf(frame->Bytes(), DisplayPictureLayout());
        } catch (const std::exception&) {
            LogCurrentFailure(QStringLiteral("Не могу декодировать кадр"));
            picture = QImage();
        }
    }
    FCache.insert(index, new QImage(picture), std::max<qsizetype>(picture.sizeInBytes(), 1));
    return picture;
}

void TSliderPreview::ShowAt(int x)
{
    TMJPGImage* image = FImage ? FImage() : nullptr;
    if (!image || image->FrameCount() <= 0) {
        Leave();
        return;
    }
    if (FPreparedFor && FPreparedFor != image)
        Reset(); // another fragment came without a reset: nothing of the last one is kept
    const int32_t index = std::clamp<int32_t>(SliderValueAt(*FSlider, x), 0, image->FrameCount() - 1);
    TakePrepared();
    if (index != FIndex || !isVisible()) {
        FIndex = index;
        const QImage picture = Picture(*image, index);
        if (picture.isNull()) {
            const int32_t w = image->Header->Width, h = image->Header->Height;
            lblPicture->setPixmap(QPixmap());
            lblPicture->setText(QStringLiteral("Нет изображения"));
            lblPicture->setFixedSize(PictureWidth, w > 0 && h > 0 ? std::clamp(PictureWidth * h / w, 40, 320) : 90);
        } else {
            lblPicture->setFixedSize(picture.size());
            lblPicture->setPixmap(QPixmap::fromImage(picture));
        }
        lblText->setText(FramePreviewText(*image, index));
        adjustSize();
    }
    PlaceAt(x);
    if (!isVisible())
        show();
    // After the frame under the pointer: it never waits for the worker.
    Prepare(*image, index);
}

void TSliderPreview::PlaceAt(int x)
{
    const QPoint top = FSlider->mapToGlobal(QPoint(x, 0));
    QPoint place(top.x() - width() / 2, top.y() - height() - 4);
    if (const QScreen* screen = FSlider->screen()) {
        const QRect area = screen->availableGeometry();
        place.setX(std::clamp(place.x(), area.left(), std::max(area.left(), area.right() - width() + 1)));
        place.setY(std::max(place.y(), area.top()));
    }
    move(place);
}

bool TSliderPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FSlider) {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::Enter: {
            // A failure here must not end the move's handling in the slider.
            try {
                const int x = event->type() == QEvent::MouseMove
                                  ? static_cast<QMouseEvent*>(event)->position().toPoint().x()
                                  : static_cast<QEnterEvent*>(event)->position().toPoint().x();
                ShowAt(x);
            } catch (...) {
                LogCurrentFailure(QStringLiteral("Не могу показать кадр"));
            }
            break;
        }
        case QEvent::Leave:
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
            Leave();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
