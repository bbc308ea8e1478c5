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

int SliderValueAt(const QSlider& slider, int x)
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
    const int first = groove.x();
    const int span = groove.right() - handle.width() + 1 - first;
    return QStyle::sliderValueFromPosition(slider.minimum(), slider.maximum(), x - handle.width() / 2 - first,
                                           std::max(span, 1), option.upsideDown);
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

void TSliderPreview::Reset()
{
    FCache.clear();
    FIndex = -1;
    hide();
}

QImage TSliderPreview::Picture(TMJPGImage& image, int32_t index)
{
    if (const QImage* cached = FCache.object(index))
        return *cached;
    TMJPGFrame* frame = image.GetFrame(index);
    QImage picture;
    int width = 0, height = 0;
    if (frame && frame->HasData() && ReadFramePictureSize(*frame, width, height)) {
        try {
            // At most an eighth of the picture's pixels are decoded.
            const int reduction = std::max(2, ReductionFor(width, height, PictureWidth, 1));
            picture = DecodeFrameImage(*frame, reduction);
            if (picture.width() != PictureWidth)
                picture = picture.scaledToWidth(PictureWidth, Qt::SmoothTransformation);
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
        hide();
        return;
    }
    const int32_t index = std::clamp<int32_t>(SliderValueAt(*FSlider, x), 0, image->FrameCount() - 1);
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
            hide();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
