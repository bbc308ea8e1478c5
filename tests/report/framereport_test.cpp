// Filling the frame report from a fragment: the values of the template's
// objects and variables, fragments from a file and from an archive record,
// and templates that lack objects.
#include "reportfixtures.h"
#include "report/framereport.h"
#include "report/layout.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"

#include <gtest/gtest.h>

namespace {

struct TBuilt {
    std::unique_ptr<TReport> Report;
    const TPreparedPage* Page = nullptr;
    QString Text(const char* name) const
    {
        const TPreparedText* text = Page->FindText(QString::fromUtf8(name));
        return text ? text->Text : QStringLiteral("<missing>");
    }
};

TBuilt Build(const TFrameReportInput& input, std::unique_ptr<TReport> report = LoadFrameReportTemplate())
{
    TBuilt built{BuildFrameReport(input, std::move(report))};
    built.Page = &built.Report->Prepared()->Pages.front();
    return built;
}

TEST(FrameReport, FragmentFromFileAndFromArchiveRecord)
{
    struct TRow {
        const char* Case;
        int32_t SerialNumber, Issue;
        const char* EventInfo;
        const char* Issued;
    } rows[] = {
        {"file", -1, -1, "17.05.2023 14:03:09", ""},
        {"archive record", 17, 3, "17.05.2023 14:03:09 (17)", "3"},
        {"serial 0 is a number", 0, 0, "17.05.2023 14:03:09 (0)", "0"},
    };
    const TFragmentFixture fixture;
    const auto image = LoadFragment(fixture);
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Case);
        TFrameReportInput input = FrameReportInput(*image, 0);
        input.SerialNumber = row.SerialNumber;
        input.Issue = row.Issue;
        const TBuilt built = Build(input);
        EXPECT_EQ(built.Text("EventInfo"), QString::fromUtf8(row.EventInfo));
        EXPECT_EQ(built.Text("Issue"), QString::fromUtf8(row.Issued));
    }
}

TEST(FrameReport, TextsOfTheFirstFrame)
{
    TFragmentFixture fixture;
    fixture.Width = 80;
    fixture.Height = 60;
    const auto image = LoadFragment(fixture);
    ASSERT_EQ(image->FrameCount(), 3);
    TFrameReportInput input = FrameReportInput(*image, 0);
    input.OrganizationName = QStringLiteral("ОАО НПП \"Веларин\"");
    const TBuilt built = Build(input);

    struct TRow {
        const char* Name;
        const char* Text;
    } rows[] = {
        {"Memo19", "Кадр № 0 из 250"}, // the header's Frames, not the 3 frames of the file
        {"Memo17", "250"},
        {"Memo18", "0"},
        {"Memo15", "17.05.2023 14:02:59"},
        {"Memo16", "17.05.2023 14:03:19"},
        {"CameraName", "Камера 1"},
        {"Resolution", "80x60"},
        {"OrganizationName", "ОАО НПП \"Веларин\""},
        {"Memo2", "01.03.2024 12:00:00"},
        {"Memo14", "Система контроля доступа и административного мониторинга Orvanta"},
        {"Memo1", "Информация из видеоархива"},
        {"Memo3", "Событие:"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(built.Text(row.Name), QString::fromUtf8(row.Text)) << row.Name;

    const TPreparedPicture* frame = built.Page->FindPicture(QStringLiteral("Frame"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Picture.size(), QSize(80, 60));
    EXPECT_EQ(frame->Jpeg.size(), image->GetFrame(0)->Bytes().Size());
}

TEST(FrameReport, VariablesSetInOrderWithTheirKinds)
{
    TFragmentFixture fixture;
    fixture.PreAlarm = false;
    const auto image = LoadFragment(fixture);
    const auto report = LoadFrameReportTemplate();
    report->Variables.clear(); // missing ones are added, in the order they are set
    ASSERT_TRUE(FillFrameReport(*report, FrameReportInput(*image, 2)));
    const QStringList order = {"begin", "end", "fps", "frames", "frame", "type"};
    ASSERT_EQ(report->Variables.size(), size_t(order.size()));
    for (qsizetype i = 0; i < order.size(); ++i)
        EXPECT_EQ(report->Variables[i].Name, order[i]);
    EXPECT_EQ(report->FindVariable(QStringLiteral("begin"))->Value, TReportValue::DateTime(fixture.BeginTime));
    EXPECT_EQ(report->FindVariable(QStringLiteral("end"))->Value, TReportValue::DateTime(fixture.EndTime));
    EXPECT_EQ(report->FindVariable(QStringLiteral("fps"))->Value, TReportValue(12));
    EXPECT_EQ(report->FindVariable(QStringLiteral("frames"))->Value, TReportValue(250));
    EXPECT_EQ(report->FindVariable(QStringLiteral("frame"))->Value, TReportValue(2));
    EXPECT_EQ(report->FindVariable(QStringLiteral("type"))->Value, TReportValue("post"));

    ASSERT_TRUE(FillFrameReport(*report, [&] {
        TFrameReportInput input = FrameReportInput(*image, 0);
        input.PreAlarm = true;
        return input;
    }()));
    EXPECT_EQ(report->FindVariable(QStringLiteral("type"))->Value, TReportValue("pre"));
    EXPECT_EQ(report->FindVariable(QStringLiteral("event")), nullptr); // never set
}

TEST(FrameReport, EventTimeAsText)
{
    struct TRow {
        TDateTime Event;
        const char* Text;
    } rows[] = {
        {EncodeDate(2023, 5, 17), "17.05.2023"},            // midnight: the date alone
        {EncodeDateTime(2023, 5, 17, 0, 0, 1), "17.05.2023 0:00:01"},
        {EncodeTime(7, 30, 0), "7:30:00"},                  // below 1: the time alone
        {0, "0:00:00"},
    };
    for (const TRow& row : rows) {
        TFrameReportInput input;
        input.EventTime = row.Event;
        EXPECT_EQ(EventInfoOf(input), QString::fromUtf8(row.Text)) << row.Text;
    }
    TFrameReportInput withText;
    withText.EventTime = EncodeDate(2023, 5, 17);
    withText.SerialNumber = 17;
    withText.EventInfoText = QStringLiteral("Проход по карте 0042");
    EXPECT_EQ(EventInfoOf(withText), QStringLiteral("Проход по карте 0042"));

    TFragmentFixture fixture;
    fixture.EventTime = EncodeDate(2023, 5, 17);
    const TBuilt built = Build(FrameReportInput(*LoadFragment(fixture), 0));
    EXPECT_EQ(built.Text("EventInfo"), QStringLiteral("17.05.2023"));
}

TEST(FrameReport, TemplateWithoutFrameBuildsNothing)
{
    const auto report = ReadReportTemplate(TemplateWithout({QStringLiteral("Frame")}));
    const QString before = report->FindText(QStringLiteral("EventInfo"))->Text;
    TFrameReportInput input = FrameReportInput(*LoadFragment({}), 0);
    input.Issue = 3;
    EXPECT_FALSE(FillFrameReport(*report, input));
    EXPECT_EQ(report->FindText(QStringLiteral("EventInfo"))->Text, before);
    EXPECT_EQ(report->FindText(QStringLiteral("Issue"))->Text, QString());
    EXPECT_EQ(report->FindVariable(QStringLiteral("frames"))->Value, TReportValue(QString()));
    EXPECT_EQ(report->Prepared(), nullptr);
}

TEST(FrameReport, FrameOfAnotherKindCountsAsMissing)
{
    QByteArray json = FrameReportTemplateJson();
    json.replace("\"name\": \"Frame\", \"kind\": \"picture\"", "\"name\": \"Frame\", \"kind\": \"text\"");
    const auto report = ReadReportTemplate(json);
    ASSERT_NE(report->FindText(QStringLiteral("Frame")), nullptr);
    EXPECT_FALSE(FillFrameReport(*report, FrameReportInput(*LoadFragment({}), 0)));
}

TEST(FrameReport, MissingTextObjectsAreSkipped)
{
    const std::vector<QString> missing = {QStringLiteral("EventInfo"), QStringLiteral("OrganizationName"),
                                          QStringLiteral("Issue"), QStringLiteral("CameraName"),
                                          QStringLiteral("Resolution"), QStringLiteral("Memo19")};
    TFrameReportInput input = FrameReportInput(*LoadFragment({}), 1);
    input.OrganizationName = QStringLiteral("Организация");
    input.Issue = 3;
    const TBuilt built = Build(input, ReadReportTemplate(TemplateWithout(missing)));
    for (const QString& name : missing)
        EXPECT_EQ(built.Page->FindText(name), nullptr) << name.toStdString();
    EXPECT_EQ(built.Text("Memo18"), QStringLiteral("1"));
    EXPECT_NE(built.Page->FindPicture(QStringLiteral("Frame")), nullptr);
}

TEST(FrameReport, OrganizationNameStaysWhenNoneIsGiven)
{
    const auto report = LoadFrameReportTemplate();
    TFrameReportInput input = FrameReportInput(*LoadFragment({}), 0);
    input.OrganizationName = QStringLiteral("Первая");
    ASSERT_TRUE(FillFrameReport(*report, input));
    input.OrganizationName.clear();
    ASSERT_TRUE(FillFrameReport(*report, input));
    EXPECT_EQ(report->FindText(QStringLiteral("OrganizationName"))->Text, QStringLiteral("Первая"));
}

TEST(FrameReport, PictureThatCannotBeDecodedLeavesTheReportWithout)
{
    const auto image = LoadFragment({});
    const auto report = LoadFrameReportTemplate();
    ASSERT_TRUE(FillFrameReport(*report, FrameReportInput(*image, 0)));
    ASSERT_FALSE(report->FindPicture(QStringLiteral("Frame"))->Picture().isNull());

    TMJPGFrame& frame = *image->GetFrame(1);
    const std::string garbage = "\xFF\xD8 not a picture";
    frame.SetBytes(TSharedBytes::Copy(garbage.data(), static_cast<int64_t>(garbage.size())));
    const TFrameReportInput broken = FrameReportInput(*image, 1);
    EXPECT_TRUE(broken.Picture.isNull());
    EXPECT_TRUE(broken.Jpeg.isEmpty());
    ASSERT_TRUE(FillFrameReport(*report, broken)); // the earlier picture does not stay
    report->Build(Now);
    EXPECT_EQ(report->Prepared()->Pages.front().FindPicture(QStringLiteral("Frame")), nullptr);
    EXPECT_EQ(report->Prepared()->Pages.front().FindText(QStringLiteral("Memo18"))->Text, QStringLiteral("1"));
}

} // namespace
