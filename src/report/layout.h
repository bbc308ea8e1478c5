// The laid-out report: what a built page holds, in millimetres from the
// paper's top left corner, ready for the painter and the exports.
#pragma once

#include "reportmodel.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

struct TPreparedBand {
    QString Name;
    TBandKind Kind;
    QRectF Rect;
};

struct TPreparedText {
    QString Name;
    TBandKind Band;
    QRectF Rect; // the object's frame; the text sits inside the gaps
    QString Text;
    THorzAlign HAlign = THorzAlign::Left;
    bool WordWrap = true;
    TReportFont Font;
};

struct TPreparedPicture {
    QString Name;
    TBandKind Band;
    QRectF Rect; // where the picture is drawn, at its final size
    QImage Picture;
    QByteArray Jpeg; // the picture's own JPEG bytes, when it has them
};

struct TPreparedLine {
    QString Name;
    TBandKind Band;
    QPointF From, To;
    double Width = 0;
};

struct TPreparedPage {
    double Width = 0, Height = 0;
    TPageSettings Settings;
    std::vector<TPreparedBand> Bands;
    std::vector<TPreparedText> Texts;
    std::vector<TPreparedPicture> Pictures;
    std::vector<TPreparedLine> Lines;

    const TPreparedText* FindText(const QString& name) const;
    const TPreparedPicture* FindPicture(const QString& name) const;
    const TPreparedBand* FindBand(const QString& name) const;
    const TPreparedLine* FindLine(const QString& name) const;
};

class TPreparedReport {
public:
    QString Name;
    QString Author;
    std::vector<TPreparedPage> Pages;
};

// Lays out every page of the report: page header at the top of the printable
// area, the data bands below it in their order, the page footer at its foot.
// A picture that sizes itself keeps its own size when it fits; a larger one
// is scaled down, proportions kept, to its object's width and to the height
// that leaves the other data bands and the page footer on the page.
TPreparedReport LayOutReport(const TReport& report, TDateTime now);

// Millimetres of a picture shown at its own size (a pixel is 1/96 inch).
QSizeF PictureSizeMm(const QImage& picture);
