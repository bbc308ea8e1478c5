// The frame report: fills the frame report's template with one frame of a
// fragment (its picture, event, camera, interval, frame number and size).
#pragma once

#include "core/datetime.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

class TReport;
class TMJPGFrame;
class TMJPGImage;

struct TFrameReportInput {
    // The current frame's picture (null when it could not be decoded) and the
    // JPEG bytes it came from.
    QImage Picture;
    QByteArray Jpeg;

    // From the fragment's header.
    TDateTime EventTime = 0;
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    int32_t FPS = 0;
    int32_t Frames = 0; // as declared by the recorder
    bool PreAlarm = false;
    std::string Camera; // code page 1251
    int32_t Width = 0;
    int32_t Height = 0;

    int32_t FrameIndex = 0;

    // From the player window.
    int32_t SerialNumber = -1; // -1: not from an archive record
    int32_t Issue = -1;
    QString OrganizationName;
    QString EventInfoText;
};

// The frame's picture decoded from its JPEG data with the bytes kept;
// a picture that cannot be decoded gives a null image, silently.
void LoadFramePicture(const TMJPGFrame& frame, TFrameReportInput& input);

// The header values, the frame index and the picture of the image's frame at
// the index; the window's values stay at their defaults.
TFrameReportInput FrameReportInput(const TMJPGImage& image, int32_t frameIndex);

// The text of "EventInfo": EventInfoText when set, else the event time (the
// user-interface form), with " (serial)" for an archive record.
QString EventInfoOf(const TFrameReportInput& input);

// Writes the frame into the report's template: the picture of "Frame", the
// texts of "EventInfo", "OrganizationName" (only when one is given), "Issue",
// "CameraName" and "Resolution" (each skipped when the template lacks it or
// it is not a text), then the variables begin, end, fps, frames, frame and
// type, in that order, adding missing ones. Returns false, changing nothing,
// when the template has no picture object "Frame": then no report is to be
// built.
bool FillFrameReport(TReport& report, const TFrameReportInput& input);
