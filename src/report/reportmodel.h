// The report template: a report with its variables, pages with margins,
// bands of one row each, and the text, picture and line objects on them.
// Lengths are millimetres; object tops are relative to their band.
#pragma once

#include "reportvalue.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

enum class TObjectKind { Text, Picture, Line };

enum class THorzAlign { Left, Center, Right };

class TReportObject {
public:
    virtual ~TReportObject() = default;
    TReportObject() = default;
    TReportObject(const TReportObject&) = delete;
    TReportObject& operator=(const TReportObject&) = delete;

    virtual TObjectKind Kind() const = 0;

    QString Name;
    double Left = 0, Top = 0, Width = 0, Height = 0;
    bool SpanBandWidth = false; // the object takes its band's whole width
};

class TTextObject : public TReportObject {
public:
    TObjectKind Kind() const override { return TObjectKind::Text; }

    QString Text;
    bool AllowExpressions = true; // [name] is replaced by a variable's value
    bool AutoWidth = false;       // the object widens or narrows to its text
    bool WordWrap = true;         // off: the text stays on one line
    bool GrowHeight = false;      // the object grows to hold its wrapped text
    THorzAlign HAlign = THorzAlign::Left;
    QChar DecimalSeparator = QLatin1Char(',');
};

class TPictureObject : public TReportObject {
public:
    TObjectKind Kind() const override { return TObjectKind::Picture; }

    // The picture and, when it came from a JPEG file, those very bytes, so
    // that exports that can hold JPEG keep the original.
    void SetPicture(const QImage& picture, const QByteArray& jpeg = {});
    void ClearPicture() { SetPicture({}); }
    const QImage& Picture() const { return FPicture; }
    const QByteArray& Jpeg() const { return FJpeg; }

    bool AutoSize = false; // takes the picture's own size (1 pixel = 1/96 inch)
    bool Center = false;   // the picture is drawn centred in the object

private:
    QImage FPicture;
    QByteArray FJpeg;
};

class TLineObject : public TReportObject {
public:
    TObjectKind Kind() const override { return TObjectKind::Line; }

    double LineWidth = 25.4 / 96; // one screen pixel
};

// Bands in the order they are placed on a page.
enum class TBandKind { PageHeader, MasterData, DetailData, PageFooter };

class TReportBand {
public:
    QString Name;
    TBandKind Kind = TBandKind::MasterData;
    double Top = 0, Height = 0; // Top: the band's place in the design only
    bool Stretch = false;       // grows to hold its objects
    bool KeepTogether = false;
    int RowCount = 1;
    std::vector<std::unique_ptr<TReportObject>> Objects;
};

struct TPageSettings {
    int PaperCode = 9; // A4
    double PaperWidth = 210, PaperHeight = 297;
    bool Landscape = false;
    double LeftMargin = 10, TopMargin = 10, RightMargin = 10, BottomMargin = 10;

    double Width() const { return Landscape ? PaperHeight : PaperWidth; }
    double Height() const { return Landscape ? PaperWidth : PaperHeight; }
    double ContentWidth() const { return Width() - LeftMargin - RightMargin; }
};

class TReportPage {
public:
    QString Name;
    TPageSettings Settings;
    std::vector<std::unique_ptr<TReportBand>> Bands;
};

struct TReportVariable {
    QString Name;
    QString Category;
    TReportValue Value;
};

struct TReportFont {
    QString Family = QStringLiteral("Arial");
    double PointSize = 10;
};

class TPreparedReport;

class TReport {
public:
    TReport();
    ~TReport();
    TReport(const TReport&) = delete;
    TReport& operator=(const TReport&) = delete;

    QString Name;
    QString Author;
    QString PrinterName; // "По умолчанию": the system's default printer
    TReportFont Font;
    std::vector<std::unique_ptr<TReportPage>> Pages;
    std::vector<TReportVariable> Variables;

    // Objects are searched by name over every band of every page.
    TReportObject* FindObject(const QString& name) const;
    // The named object when it is of the expected kind, else null.
    TTextObject* FindText(const QString& name) const;
    TPictureObject* FindPicture(const QString& name) const;
    TLineObject* FindLine(const QString& name) const;
    TReportBand* FindBand(const QString& name) const;

    const TReportVariable* FindVariable(const QString& name) const;
    // Sets the named variable; one the report does not hold is added.
    void SetVariable(const QString& name, const TReportValue& value);

    // Lays the report out anew, dropping any earlier result. `now` gives the
    // built-in Date and Time.
    void Build(TDateTime now);
    void Build(); // at the current time
    const TPreparedReport* Prepared() const { return FPrepared.get(); }
    void ClearPrepared();

private:
    std::unique_ptr<TPreparedReport> FPrepared;
};

// The current local time as a TDateTime.
TDateTime CurrentDateTime();
