// Laying out report pages: text expansion and measuring, band stacking,
// picture sizing.
#include "layout.h"

#include "expressions.h"
#include "textmetrics.h"

#include <algorithm>

namespace {

template <class T>
const T* FindNamed(const std::vector<T>& items, const QString& name)
{
    for (const T& item : items)
        if (item.Name == name)
            return &item;
    return nullptr;
}

// One band laid out at the top of its own coordinates, before it is placed.
struct TBandLayout {
    const TReportBand* Band = nullptr;
    double Height = 0;
    std::vector<TPreparedText> Texts;
    std::vector<TPreparedPicture> Pictures;
    std::vector<TPreparedLine> Lines;
    // Pictures still to be fitted into their objects (by index into Pictures).
    struct TPending {
        size_t Index;
        QRectF Object; // the object's frame within the band
        bool AutoSize, Center;
    };
    std::vector<TPending> PendingPictures;
    bool HasAutoPictures = false;
};

double ObjectWidth(const TReportObject& object, double bandWidth)
{
    return object.SpanBandWidth ? bandWidth : object.Width;
}

TPreparedText LayOutText(const TTextObject& object, const TReport& report, TDateTime now, double bandWidth)
{
    TPreparedText text;
    text.Name = object.Name;
    text.Band = TBandKind::MasterData;
    text.Text = object.AllowExpressions ? ExpandExpressions(object.Text, report, now, object.DecimalSeparator)
                                        : object.Text;
    text.HAlign = object.HAlign;
    text.WordWrap = object.WordWrap;
    text.Font = report.Font;
    double left = object.SpanBandWidth ? 0 : object.Left;
    double width = ObjectWidth(object, bandWidth);
    double height = object.Height;
    if (object.AutoWidth) {
        const double fitted = TextWidthMm(report.Font, text.Text) + 2 * TextGapX;
        // A right-aligned text keeps its right edge, a centred one its middle.
        if (object.HAlign == THorzAlign::Right)
            left += width - fitted;
        else if (object.HAlign == THorzAlign::Center)
            left += (width - fitted) / 2;
        width = fitted;
    }
    // Where the text is drawn: a text that never wraps runs past a frame
    // narrower than itself, on the side its alignment gives.
    double drawnLeft = left, drawnRight = left + width;
    if (!object.WordWrap) {
        const double needed = TextWidthMm(report.Font, text.Text) + 2 * TextGapX;
        if (needed > width) {
            if (object.HAlign == THorzAlign::Right)
                drawnLeft = drawnRight - needed;
            else if (object.HAlign == THorzAlign::Center)
                drawnLeft -= (needed - width) / 2;
            drawnRight = drawnLeft + needed;
        }
    }
    // Nothing runs past the band (the page's printable width): a text that
    // would is broken into lines inside it and its object grows to hold them.
    bool grows = object.GrowHeight && object.WordWrap;
    if (drawnLeft < -1e-9 || drawnRight > bandWidth + 1e-9) {
        left = std::max(0.0, std::min(left, drawnLeft));
        width = std::min(bandWidth, std::max(left + width, drawnRight)) - left;
        text.WordWrap = true;
        grows = true;
    }
    if (text.WordWrap)
        text.Text = BreakTextToWidth(report.Font, text.Text, width - 2 * TextGapX);
    if (grows) {
        const double needed = WrappedTextHeightMm(report.Font, text.Text, width - 2 * TextGapX) + 2 * TextGapY;
        height = std::max(height, needed);
    }
    text.Rect = QRectF(left, object.Top, width, height);
    return text;
}

TBandLayout LayOutBand(const TReportBand& band, const TReport& report, TDateTime now, double bandWidth)
{
    TBandLayout layout;
    layout.Band = &band;
    layout.Height = band.Height;

    // Objects below one that grew move down by its growth when they overlap
    // it horizontally, so a long text never runs over the lines under it.
    struct TGrowth {
        double Bottom, Left, Right, Delta;
    };
    std::vector<TGrowth> growths;
    auto shiftFor = [&](double top, double left, double right) {
        double shift = 0;
        for (const TGrowth& g : growths)
            if (top >= g.Bottom - 1e-6 && left < g.Right && right > g.Left)
                shift = std::max(shift, g.Delta);
        return shift;
    };

    std::vector<const TReportObject*> objects;
    for (const auto& object : band.Objects)
        objects.push_back(object.get());
    std::stable_sort(objects.begin(), objects.end(),
                     [](const TReportObject* a, const TReportObject* b) { return a->Top < b->Top; });

    for (const TReportObject* object : objects) {
        const double left = object->SpanBandWidth ? 0 : object->Left;
        const double width = ObjectWidth(*object, bandWidth);
        const double shift = shiftFor(object->Top, left, left + width);
        switch (object->Kind()) {
        case TObjectKind::Text: {
            TPreparedText text = LayOutText(static_cast<const TTextObject&>(*object), report, now, bandWidth);
            text.Band = band.Kind;
            const double delta = text.Rect.height() - object->Height;
            if (delta > 0)
                growths.push_back({object->Top + object->Height, text.Rect.left(), text.Rect.right(), delta + shift});
            text.Rect.translate(0, shift);
            // A band holds its texts that grew, whether it stretches or not.
            if (delta > 0 || shift > 0)
                layout.Height = std::max(layout.Height, text.Rect.bottom());
            layout.Texts.push_back(std::move(text));
            break;
        }
        case TObjectKind::Picture: {
            const auto& picture = static_cast<const TPictureObject&>(*object);
            const QRectF frame(left, object->Top + shift, width, object->Height);
            layout.PendingPictures.push_back({layout.Pictures.size(), frame, picture.AutoSize, picture.Center});
            layout.Pictures.push_back({object->Name, band.Kind, frame, picture.Picture(), picture.Jpeg()});
            if (picture.AutoSize && !picture.Picture().isNull()) {
                layout.HasAutoPictures = true;
                const double delta = PictureSizeMm(picture.Picture()).height() - object->Height;
                if (delta > 0)
                    growths.push_back({object->Top + object->Height, left, left + width, delta + shift});
            }
            break;
        }
        case TObjectKind::Line: {
            const double y = object->Top + shift;
            layout.Lines.push_back({object->Name, band.Kind, QPointF(left, y), QPointF(left + width, y),
                                    static_cast<const TLineObject&>(*object).LineWidth});
            break;
        }
        }
    }
    return layout;
}

double ContentBottom(const TBandLayout& layout)
{
    double bottom = 0;
    for (const auto& t : layout.Texts)
        bottom = std::max(bottom, t.Rect.bottom());
    for (const auto& p : layout.Pictures)
        bottom = std::max(bottom, p.Rect.bottom());
    for (const auto& l : layout.Lines)
        bottom = std::max(bottom, l.From.y());
    return bottom;
}

// Fits the band's pictures: a self-sizing one takes its own size, or less
// when the band may not grow that far; another is fitted into its object's
// frame. Proportions are kept. Then a stretching band grows to hold its
// objects.
void FitPictures(TBandLayout& layout, double maxBandHeight)
{
    for (const auto& pending : layout.PendingPictures) {
        TPreparedPicture& picture = layout.Pictures[pending.Index];
        if (picture.Picture.isNull())
            continue;
        const QRectF& frame = pending.Object;
        const QSizeF own = PictureSizeMm(picture.Picture);
        double scale;
        if (pending.AutoSize) {
            const double maxHeight = std::max(0.0, maxBandHeight - frame.top());
            scale = std::min({1.0, frame.width() / own.width(), maxHeight / own.height()});
        } else {
            scale = std::min(frame.width() / own.width(), frame.height() / own.height());
        }
        const QSizeF drawn(own.width() * scale, own.height() * scale);
        const double left = pending.Center ? frame.left() + (frame.width() - drawn.width()) / 2 : frame.left();
        const double top = pending.Center && !pending.AutoSize ? frame.top() + (frame.height() - drawn.height()) / 2
                                                                : frame.top();
        picture.Rect = QRectF(QPointF(left, top), drawn);
    }
    if (layout.Band->Stretch)
        layout.Height = std::max(layout.Band->Height, ContentBottom(layout));
}

int BandOrder(TBandKind kind)
{
    return static_cast<int>(kind);
}

void Place(TPreparedPage& page, TBandLayout& layout, double x, double y, double width)
{
    page.Bands.push_back({layout.Band->Name, layout.Band->Kind, QRectF(x, y, width, layout.Height)});
    for (auto& t : layout.Texts) {
        t.Rect.translate(x, y);
        page.Texts.push_back(std::move(t));
    }
    for (auto& p : layout.Pictures) {
        p.Rect.translate(x, y);
        if (!p.Picture.isNull() && p.Rect.height() > 0)
            page.Pictures.push_back(std::move(p));
    }
    for (auto& l : layout.Lines) {
        l.From += QPointF(x, y);
        l.To += QPointF(x, y);
        page.Lines.push_back(std::move(l));
    }
}

TPreparedPage LayOutPage(const TReportPage& page, const TReport& report, TDateTime now)
{
    const TPageSettings& s = page.Settings;
    TPreparedPage prepared;
    prepared.Width = s.Width();
    prepared.Height = s.Height();
    prepared.Settings = s;
    const double width = s.ContentWidth();

    std::vector<const TReportBand*> bands;
    for (const auto& band : page.Bands)
        bands.push_back(band.get());
    std::stable_sort(bands.begin(), bands.end(), [](const TReportBand* a, const TReportBand* b) {
        return BandOrder(a->Kind) != BandOrder(b->Kind) ? BandOrder(a->Kind) < BandOrder(b->Kind) : a->Top < b->Top;
    });

    std::vector<TBandLayout> headers, data, footers;
    for (const TReportBand* band : bands) {
        TBandLayout layout = LayOutBand(*band, report, now, width);
        if (band->Kind == TBandKind::PageHeader)
            headers.push_back(std::move(layout));
        else if (band->Kind == TBandKind::PageFooter)
            footers.push_back(std::move(layout));
        else
            data.push_back(std::move(layout));
    }

    double headerBottom = s.TopMargin;
    for (auto& layout : headers) {
        FitPictures(layout, layout.Band->Height);
        headerBottom += layout.Height;
    }
    double footerHeight = 0;
    for (auto& layout : footers) {
        FitPictures(layout, layout.Band->Height);
        footerHeight += layout.Height;
    }
    const double footerTop = s.Height() - s.BottomMargin - footerHeight;

    // Bands without self-sizing pictures first, so that a picture knows the
    // height the others leave it.
    double fixedHeight = 0;
    for (auto& layout : data)
        if (!layout.HasAutoPictures) {
            FitPictures(layout, layout.Band->Height);
            fixedHeight += layout.Height;
        }
    for (auto& layout : data)
        if (layout.HasAutoPictures) {
            FitPictures(layout, footerTop - headerBottom - fixedHeight);
            fixedHeight += layout.Height;
        }

    double y = s.TopMargin;
    for (auto& layout : headers) {
        Place(prepared, layout, s.LeftMargin, y, width);
        y += layout.Height;
    }
    for (auto& layout : data) {
        Place(prepared, layout, s.LeftMargin, y, width);
        y += layout.Height;
    }
    y = footerTop;
    for (auto& layout : footers) {
        Place(prepared, layout, s.LeftMargin, y, width);
        y += layout.Height;
    }
    return prepared;
}

} // namespace

const TPreparedText* TPreparedPage::FindText(const QString& name) const
{
    return FindNamed(Texts, name);
}

const TPreparedPicture* TPreparedPage::FindPicture(const QString& name) const
{
    return FindNamed(Pictures, name);
}

const TPreparedBand* TPreparedPage::FindBand(const QString& name) const
{
    return FindNamed(Bands, name);
}

const TPreparedLine* TPreparedPage::FindLine(const QString& name) const
{
    return FindNamed(Lines, name);
}

QSizeF PictureSizeMm(const QImage& picture)
{
    return QSizeF(picture.width() * 25.4 / 96, picture.height() * 25.4 / 96);
}

TPreparedReport LayOutReport(const TReport& report, TDateTime now)
{
    TPreparedReport prepared;
    prepared.Name = report.Name;
    prepared.Author = report.Author;
    for (const auto& page : report.Pages)
        prepared.Pages.push_back(LayOutPage(*page, report, now));
    return prepared;
}
