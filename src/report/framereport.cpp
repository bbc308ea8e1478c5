// Filling the frame report's template.
#include "framereport.h"

#include "picture/displaypicture.h"
#include "container/mjpgimage.h"
#include "core/cp1251.h"
#include "reportmodel.h"

void LoadFramePicture(const TMJPGFrame& frame, TFrameReportInput& input)
{
    input.Picture = QImage();
    input.Jpeg.clear();
    try {
        // Decoded as the view decodes it (a palette on an 8-bit display).
        input.Picture = DecodeFrameImage(frame);
        input.Jpeg = QByteArray(reinterpret_cast<const char*>(frame.Bytes().Memory()),
                                static_cast<qsizetype>(frame.Bytes().Size()));
    } catch (const std::exception&) {
        // A frame that cannot be decoded leaves the report without a picture.
        input.Picture = QImage();
        input.Jpeg.clear();
    }
}

TFrameReportInput FrameReportInput(const TMJPGImage& image, int32_t frameIndex)
{
    TFrameReportInput input;
    const TMJPGHeader& header = *image.Header;
    input.EventTime = header.EventTime;
    input.BeginTime = header.BeginTime;
    input.EndTime = header.EndTime;
    input.FPS = header.FPS;
    input.Frames = header.Frames;
    input.PreAlarm = header.PreAlarm;
    input.Camera = header.Camera;
    input.Width = header.Width;
    input.Height = header.Height;
    input.FrameIndex = frameIndex;
    if (const TMJPGFrame* frame = image.GetFrame(frameIndex))
        LoadFramePicture(*frame, input);
    return input;
}

QString EventInfoOf(const TFrameReportInput& input)
{
    if (!input.EventInfoText.isEmpty())
        return input.EventInfoText;
    QString text = QString::fromStdString(DateTimeToStr(input.EventTime));
    if (input.SerialNumber >= 0)
        text += QStringLiteral(" (%1)").arg(input.SerialNumber);
    return text;
}

bool FillFrameReport(TReport& report, const TFrameReportInput& input)
{
    TPictureObject* frame = report.FindPicture(QStringLiteral("Frame"));
    if (!frame)
        return false;
    frame->SetPicture(input.Picture, input.Jpeg);

    if (TTextObject* text = report.FindText(QStringLiteral("EventInfo")))
        text->Text = EventInfoOf(input);
    if (TTextObject* text = report.FindText(QStringLiteral("OrganizationName")); text && !input.OrganizationName.isEmpty())
        text->Text = input.OrganizationName;
    if (TTextObject* text = report.FindText(QStringLiteral("Issue")))
        text->Text = input.Issue >= 0 ? QString::number(input.Issue) : QString();
    if (TTextObject* text = report.FindText(QStringLiteral("CameraName")))
        text->Text = QString::fromStdString(Cp1251ToUtf8(input.Camera));
    if (TTextObject* text = report.FindText(QStringLiteral("Resolution")))
        text->Text = QStringLiteral("%1x%2").arg(input.Width).arg(input.Height);

    report.SetVariable(QStringLiteral("begin"), TReportValue::DateTime(input.BeginTime));
    report.SetVariable(QStringLiteral("end"), TReportValue::DateTime(input.EndTime));
    report.SetVariable(QStringLiteral("fps"), TReportValue(input.FPS));
    report.SetVariable(QStringLiteral("frames"), TReportValue(input.Frames));
    report.SetVariable(QStringLiteral("frame"), TReportValue(input.FrameIndex));
    report.SetVariable(QStringLiteral("type"), TReportValue(input.PreAlarm ? "pre" : "post"));
    return true;
}
