// The JSON form of report templates: lengths in millimetres, object tops
// relative to their band.
#include "templateloader.h"

#include "core/errors.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

[[noreturn]] void Fail(const QString& what)
{
    throw EError(QStringLiteral("Неверный шаблон отчёта: %1").arg(what).toStdString());
}

TBandKind BandKind(const QString& kind)
{
    if (kind == QLatin1String("pageHeader"))
        return TBandKind::PageHeader;
    if (kind == QLatin1String("pageFooter"))
        return TBandKind::PageFooter;
    if (kind == QLatin1String("masterData"))
        return TBandKind::MasterData;
    if (kind == QLatin1String("detailData"))
        return TBandKind::DetailData;
    Fail(QStringLiteral("неизвестный вид полосы \"%1\"").arg(kind));
}

THorzAlign Align(const QString& align)
{
    if (align.isEmpty() || align == QLatin1String("left"))
        return THorzAlign::Left;
    if (align == QLatin1String("right"))
        return THorzAlign::Right;
    if (align == QLatin1String("center"))
        return THorzAlign::Center;
    Fail(QStringLiteral("неизвестное выравнивание \"%1\"").arg(align));
}

std::unique_ptr<TReportObject> ReadObject(const QJsonObject& json)
{
    const QString kind = json.value(QLatin1String("kind")).toString();
    std::unique_ptr<TReportObject> object;
    if (kind == QLatin1String("text")) {
        auto text = std::make_unique<TTextObject>();
        text->Text = json.value(QLatin1String("text")).toString();
        text->AllowExpressions = json.value(QLatin1String("expressions")).toBool(true);
        text->AutoWidth = json.value(QLatin1String("autoWidth")).toBool(false);
        text->WordWrap = json.value(QLatin1String("wordWrap")).toBool(true);
        text->GrowHeight = json.value(QLatin1String("growHeight")).toBool(false);
        text->HAlign = Align(json.value(QLatin1String("align")).toString());
        const QString separator = json.value(QLatin1String("decimalSeparator")).toString(QStringLiteral(","));
        if (separator.size() != 1)
            Fail(QStringLiteral("десятичный разделитель \"%1\"").arg(separator));
        text->DecimalSeparator = separator.at(0);
        object = std::move(text);
    } else if (kind == QLatin1String("picture")) {
        auto picture = std::make_unique<TPictureObject>();
        picture->AutoSize = json.value(QLatin1String("autoSize")).toBool(false);
        picture->Center = json.value(QLatin1String("center")).toBool(false);
        object = std::move(picture);
    } else if (kind == QLatin1String("line")) {
        object = std::make_unique<TLineObject>();
    } else {
        Fail(QStringLiteral("неизвестный вид объекта \"%1\"").arg(kind));
    }
    object->Name = json.value(QLatin1String("name")).toString();
    object->Left = json.value(QLatin1String("left")).toDouble();
    object->Top = json.value(QLatin1String("top")).toDouble();
    object->Width = json.value(QLatin1String("width")).toDouble();
    object->Height = json.value(QLatin1String("height")).toDouble();
    object->SpanBandWidth = json.value(QLatin1String("spanBandWidth")).toBool(false);
    return object;
}

std::unique_ptr<TReportBand> ReadBand(const QJsonObject& json)
{
    auto band = std::make_unique<TReportBand>();
    band->Name = json.value(QLatin1String("name")).toString();
    band->Kind = BandKind(json.value(QLatin1String("kind")).toString());
    band->Top = json.value(QLatin1String("top")).toDouble();
    band->Height = json.value(QLatin1String("height")).toDouble();
    band->Stretch = json.value(QLatin1String("stretch")).toBool(false);
    band->KeepTogether = json.value(QLatin1String("keepTogether")).toBool(false);
    band->RowCount = json.value(QLatin1String("rowCount")).toInt(1);
    for (const QJsonValue& object : json.value(QLatin1String("objects")).toArray())
        band->Objects.push_back(ReadObject(object.toObject()));
    return band;
}

std::unique_ptr<TReportPage> ReadPage(const QJsonObject& json)
{
    auto page = std::make_unique<TReportPage>();
    page->Name = json.value(QLatin1String("name")).toString();
    TPageSettings& s = page->Settings;
    const QJsonObject paper = json.value(QLatin1String("paper")).toObject();
    s.PaperCode = paper.value(QLatin1String("code")).toInt(s.PaperCode);
    s.PaperWidth = paper.value(QLatin1String("width")).toDouble(s.PaperWidth);
    s.PaperHeight = paper.value(QLatin1String("height")).toDouble(s.PaperHeight);
    s.Landscape = paper.value(QLatin1String("orientation")).toString() == QLatin1String("landscape");
    const QJsonObject margins = json.value(QLatin1String("margins")).toObject();
    s.LeftMargin = margins.value(QLatin1String("left")).toDouble(s.LeftMargin);
    s.TopMargin = margins.value(QLatin1String("top")).toDouble(s.TopMargin);
    s.RightMargin = margins.value(QLatin1String("right")).toDouble(s.RightMargin);
    s.BottomMargin = margins.value(QLatin1String("bottom")).toDouble(s.BottomMargin);
    for (const QJsonValue& band : json.value(QLatin1String("bands")).toArray())
        page->Bands.push_back(ReadBand(band.toObject()));
    return page;
}

} // namespace

std::unique_ptr<TReport> ReadReportTemplate(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        Fail(error.errorString());
    if (!document.isObject())
        Fail(QStringLiteral("нет описания отчёта"));
    const QJsonObject root = document.object();

    auto report = std::make_unique<TReport>();
    report->Name = root.value(QLatin1String("name")).toString();
    report->Author = root.value(QLatin1String("author")).toString();
    report->PrinterName = root.value(QLatin1String("printer")).toString();
    const QJsonObject font = root.value(QLatin1String("font")).toObject();
    report->Font.Family = font.value(QLatin1String("family")).toString(report->Font.Family);
    report->Font.PointSize = font.value(QLatin1String("size")).toDouble(report->Font.PointSize);
    for (const QJsonValue& category : root.value(QLatin1String("variables")).toArray()) {
        const QString name = category.toObject().value(QLatin1String("category")).toString();
        for (const QJsonValue& variable : category.toObject().value(QLatin1String("names")).toArray())
            report->Variables.push_back({variable.toString(), name, TReportValue(QString())});
    }
    for (const QJsonValue& page : root.value(QLatin1String("pages")).toArray())
        report->Pages.push_back(ReadPage(page.toObject()));
    return report;
}

std::unique_ptr<TReport> LoadReportTemplate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EError(QStringLiteral("Не удаётся открыть шаблон отчёта %1: %2").arg(path, file.errorString()).toStdString());
    return ReadReportTemplate(file.readAll());
}

// The resource lives in a static library, whose registration the linker
// would drop unless something refers to it.
static void InitReportResources()
{
    Q_INIT_RESOURCE(report);
}

std::unique_ptr<TReport> LoadFrameReportTemplate()
{
    InitReportResources();
    return LoadReportTemplate(QString::fromLatin1(FrameReportTemplatePath));
}
