// The frame report's template as stored, finding objects with their kind
// checked, setting variables, and bracketed expressions.
#include "reportfixtures.h"
#include "report/expressions.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"

#include <gtest/gtest.h>

namespace {

struct TObjectRow {
    const char* Name;
    TObjectKind Kind;
    const char* Band;
    double Left, Top, Width, Height;
    const char* Text;
};

// Every object of the template, with its place and text.
const TObjectRow TemplateObjects[] = {
    {"Line1", TObjectKind::Line, "PageHeader1", 0, 6, 190, 0, ""},
    {"Memo2", TObjectKind::Text, "PageHeader1", 163, 0, 27, 5, "[Date] [Time]"},
    {"Memo14", TObjectKind::Text, "PageHeader1", 0, 0, 125, 5,
     "Система контроля доступа и административного мониторинга Orvanta"},
    {"OrganizationName", TObjectKind::Text, "PageHeader1", 0, 7, 50, 5, ""},
    {"Line2", TObjectKind::Line, "PageFooter1", 0, 0, 190, 0, ""},
    {"Memo19", TObjectKind::Text, "PageFooter1", 146, 0, 44, 5, "Кадр № [frame] из [frames]"},
    {"Memo1", TObjectKind::Text, "PageFooter1", 0, 1, 49, 5, "Информация из видеоархива"},
    {"Frame", TObjectKind::Picture, "MasterData1", 0, 13, 190, 6, ""},
    {"Memo3", TObjectKind::Text, "DetailData1", 0, 7, 17, 5, "Событие:"},
    {"EventInfo", TObjectKind::Text, "DetailData1", 18, 7, 168, 5, ""},
    {"Memo5", TObjectKind::Text, "DetailData1", 0, 22, 42, 5, "Номер видеофрагмента:"},
    {"Issue", TObjectKind::Text, "DetailData1", 50, 22, 11, 5, ""},
    {"Memo6", TObjectKind::Text, "DetailData1", 0, 29, 14, 5, "Камера:"},
    {"CameraName", TObjectKind::Text, "DetailData1", 50, 29, 15, 5, ""},
    {"Memo7", TObjectKind::Text, "DetailData1", 0, 36, 43, 5, "Начало видеофрагмента:"},
    {"Memo15", TObjectKind::Text, "DetailData1", 50, 36, 11, 5, "[begin]"},
    {"Memo8", TObjectKind::Text, "DetailData1", 0, 43, 49, 5, "Окончание видеофрагмента:"},
    {"Memo16", TObjectKind::Text, "DetailData1", 50, 43, 9, 5, "[end]"},
    {"Memo9", TObjectKind::Text, "DetailData1", 0, 50, 33, 5, "Количество кадров:"},
    {"Memo17", TObjectKind::Text, "DetailData1", 50, 50, 14, 5, "[frames]"},
    {"Memo10", TObjectKind::Text, "DetailData1", 0, 57, 23, 5, "Номер кадра:"},
    {"Memo18", TObjectKind::Text, "DetailData1", 50, 57, 13, 5, "[frame]"},
    {"Memo4", TObjectKind::Text, "DetailData1", 0, 64, 45, 5, "Графическое разрешение:"},
    {"Resolution", TObjectKind::Text, "DetailData1", 50, 64, 13, 5, ""},
};

const TReportBand* BandOf(const TReport& report, const TReportObject* object)
{
    for (const auto& band : report.Pages.front()->Bands)
        for (const auto& o : band->Objects)
            if (o.get() == object)
                return band.get();
    return nullptr;
}

TEST(FrameReportTemplate, ReportPageAndVariables)
{
    const auto report = LoadFrameReportTemplate();
    EXPECT_EQ(report->Name, QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(report->Author, QStringLiteral("Orvanta"));
    EXPECT_EQ(report->PrinterName, QStringLiteral("По умолчанию"));

    const QStringList names = {"event", "begin", "end", "fps", "frames", "frame", "type"};
    ASSERT_EQ(report->Variables.size(), size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ(report->Variables[i].Name, names[i]);
        EXPECT_EQ(report->Variables[i].Category, QStringLiteral("FrameInfo"));
        EXPECT_EQ(report->Variables[i].Value, TReportValue(QString()));
    }

    ASSERT_EQ(report->Pages.size(), 1u);
    const TReportPage& page = *report->Pages.front();
    EXPECT_EQ(page.Name, QStringLiteral("Page1"));
    EXPECT_EQ(page.Settings.PaperCode, 9);
    EXPECT_EQ(page.Settings.Width(), 210);
    EXPECT_EQ(page.Settings.Height(), 297);
    EXPECT_EQ(page.Settings.ContentWidth(), 190);
    for (double margin : {page.Settings.LeftMargin, page.Settings.TopMargin, page.Settings.RightMargin,
                          page.Settings.BottomMargin})
        EXPECT_EQ(margin, 10);

    struct TBandRow {
        const char* Name;
        TBandKind Kind;
        double Top, Height;
        bool Stretch;
    } bands[] = {{"PageHeader1", TBandKind::PageHeader, 5, 12, false},
                 {"PageFooter1", TBandKind::PageFooter, 147, 6, false},
                 {"MasterData1", TBandKind::MasterData, 33, 19, true},
                 {"DetailData1", TBandKind::DetailData, 58, 73, false}};
    for (const TBandRow& row : bands) {
        SCOPED_TRACE(row.Name);
        const TReportBand* band = report->FindBand(QString::fromUtf8(row.Name));
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->Kind, row.Kind);
        EXPECT_EQ(band->Top, row.Top);
        EXPECT_EQ(band->Height, row.Height);
        EXPECT_EQ(band->Stretch, row.Stretch);
        EXPECT_EQ(band->RowCount, 1);
    }
    EXPECT_TRUE(report->FindBand(QStringLiteral("MasterData1"))->KeepTogether);
}

TEST(FrameReportTemplate, EveryObjectWithPlaceAndText)
{
    const auto report = LoadFrameReportTemplate();
    size_t count = 0;
    for (const auto& band : report->Pages.front()->Bands)
        count += band->Objects.size();
    EXPECT_EQ(count, std::size(TemplateObjects));
    for (const TObjectRow& row : TemplateObjects) {
        SCOPED_TRACE(row.Name);
        const TReportObject* object = report->FindObject(QString::fromUtf8(row.Name));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Kind(), row.Kind);
        EXPECT_EQ(BandOf(*report, object)->Name, QString::fromUtf8(row.Band));
        EXPECT_EQ(object->Left, row.Left);
        EXPECT_EQ(object->Top, row.Top);
        EXPECT_EQ(object->Width, row.Width);
        EXPECT_EQ(object->Height, row.Height);
        if (row.Kind == TObjectKind::Text) {
            EXPECT_EQ(static_cast<const TTextObject*>(object)->Text, QString::fromUtf8(row.Text));
        }
    }
}

TEST(FrameReportTemplate, TextSettings)
{
    const auto report = LoadFrameReportTemplate();
    struct TRow {
        const char* Name;
        bool Expressions, AutoWidth, WordWrap, Grow;
        THorzAlign Align;
    } rows[] = {
        {"Memo2", true, true, false, false, THorzAlign::Right},
        {"Memo14", false, true, false, false, THorzAlign::Left},
        {"OrganizationName", false, true, false, false, THorzAlign::Left},
        {"Memo19", true, true, false, false, THorzAlign::Right},
        {"Memo1", false, true, false, false, THorzAlign::Left},
        {"Memo3", true, false, false, false, THorzAlign::Left},
        {"EventInfo", false, false, true, true, THorzAlign::Left},
        {"Issue", false, true, false, false, THorzAlign::Left},
        {"CameraName", false, true, false, false, THorzAlign::Left},
        {"Memo15", true, true, false, false, THorzAlign::Left},
        {"Resolution", true, true, false, false, THorzAlign::Left},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TTextObject* text = report->FindText(QString::fromUtf8(row.Name));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->AllowExpressions, row.Expressions);
        EXPECT_EQ(text->AutoWidth, row.AutoWidth);
        EXPECT_EQ(text->WordWrap, row.WordWrap);
        EXPECT_EQ(text->GrowHeight, row.Grow);
        EXPECT_EQ(text->HAlign, row.Align);
    }
    EXPECT_EQ(report->FindText(QStringLiteral("CameraName"))->DecimalSeparator, QLatin1Char(','));
    const TPictureObject* frame = report->FindPicture(QStringLiteral("Frame"));
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->AutoSize);
    EXPECT_TRUE(frame->Center);
    EXPECT_TRUE(frame->SpanBandWidth);
    EXPECT_TRUE(report->FindLine(QStringLiteral("Line1"))->SpanBandWidth);
}

TEST(FindObject, KindIsChecked)
{
    const auto report = LoadFrameReportTemplate();
    EXPECT_NE(report->FindPicture(QStringLiteral("Frame")), nullptr);
    EXPECT_EQ(report->FindText(QStringLiteral("Frame")), nullptr);
    EXPECT_EQ(report->FindPicture(QStringLiteral("EventInfo")), nullptr);
    EXPECT_EQ(report->FindText(QStringLiteral("Line1")), nullptr);
    EXPECT_EQ(report->FindText(QStringLiteral("NoSuchObject")), nullptr);
    EXPECT_EQ(report->FindObject(QStringLiteral("eventinfo")), nullptr); // names are exact
}

TEST(SetVariable, ReplacesOrAdds)
{
    const auto report = LoadFrameReportTemplate();
    const size_t before = report->Variables.size();
    report->SetVariable(QStringLiteral("frames"), TReportValue(42));
    EXPECT_EQ(report->Variables.size(), before);
    EXPECT_EQ(report->FindVariable(QStringLiteral("frames"))->Value, TReportValue(42));
    EXPECT_EQ(report->FindVariable(QStringLiteral("frames"))->Category, QStringLiteral("FrameInfo"));

    report->SetVariable(QStringLiteral("extra"), TReportValue("x"));
    ASSERT_EQ(report->Variables.size(), before + 1);
    EXPECT_EQ(report->Variables.back().Name, QStringLiteral("extra"));
    EXPECT_EQ(report->Variables.back().Value, TReportValue("x"));
}

TEST(ReportValue, DefaultTexts)
{
    struct TRow {
        TReportValue Value;
        const char* Text;
    } rows[] = {
        {TReportValue(QString()), ""},
        {TReportValue("post"), "post"},
        {TReportValue(-17), "-17"},
        {TReportValue(2.5), "2,5"},
        {TReportValue::DateTime(EncodeDateTime(2023, 5, 17, 14, 3, 9)), "17.05.2023 14:03:09"},
        {TReportValue::DateTime(EncodeDate(2023, 5, 17)), "17.05.2023"},
        {TReportValue::DateTime(EncodeTime(9, 5, 0)), "9:05:00"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(row.Value.ToText(), QString::fromUtf8(row.Text)) << row.Text;
}

TEST(Expressions, NamesDateAndTime)
{
    TReport report;
    report.SetVariable(QStringLiteral("frame"), TReportValue(7));
    report.SetVariable(QStringLiteral("frames"), TReportValue(250));
    report.SetVariable(QStringLiteral("ratio"), TReportValue(1.5));
    const TDateTime now = EncodeDateTime(2024, 2, 29, 8, 7, 6);
    struct TRow {
        const char* Text;
        const char* Expected;
    } rows[] = {
        {"Кадр № [frame] из [frames]", "Кадр № 7 из 250"},
        {"[Date] [Time]", "29.02.2024 8:07:06"},
        {"[ frame ]", "7"},
        {"[unknown]!", "!"},
        {"no brackets", "no brackets"},
        {"open [frame", "open [frame"},
        {"[frame][frames]", "7250"},
        {"[ratio]", "1;5"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(ExpandExpressions(QString::fromUtf8(row.Text), report, now, QLatin1Char(';')),
                  QString::fromUtf8(row.Expected))
            << row.Text;
}

TEST(TemplateReader, RejectsWhatIsNotATemplate)
{
    for (const char* text : {"", "[1, 2]", "{\"pages\": [{\"bands\": [{\"kind\": \"side\"}]}]}",
                             "{\"pages\": [{\"bands\": [{\"kind\": \"masterData\", \"objects\": [{\"kind\": \"chart\"}]}]}]}"})
        EXPECT_THROW(ReadReportTemplate(QByteArray(text)), std::exception) << text;
}

} // namespace
