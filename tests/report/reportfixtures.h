// Fixtures of the report tests: fragments made from generated JPEG frames,
// the frame report's template, and the frame report built from a fragment.
#pragma once

#include "container/mjpgimage.h"
#include "core/datetime.h"
#include "report/framereport.h"
#include "report/templateloader.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

struct TFragmentFixture {
    std::string Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 1"; // "Камера 1" in code page 1251
    TDateTime EventTime = EncodeDateTime(2023, 5, 17, 14, 3, 9);
    TDateTime BeginTime = EncodeDateTime(2023, 5, 17, 14, 2, 59);
    TDateTime EndTime = EncodeDateTime(2023, 5, 17, 14, 3, 19);
    int Width = 64, Height = 48;
    int FPS = 12;
    int Frames = 250; // declared; differs from the frames actually written
    int FrameCount = 3;
    bool PreAlarm = true;
};

// The fragment as the bytes of an MJPG file.
std::string FragmentBytes(const TFragmentFixture& fixture);
// The fragment read back from those bytes, as the player opens a file.
std::unique_ptr<TMJPGImage> LoadFragment(const TFragmentFixture& fixture);
void WriteFragmentFile(const TFragmentFixture& fixture, const QString& path);

// The time the report tests build their reports at; the page prints it.
inline const TDateTime Now = EncodeDateTime(2024, 3, 1, 12, 0, 0);

// Fills the report (the frame report's template unless another is given)
// from `input` and builds it at Now. A template that does not take the
// frame fails the test; the report is built all the same.
std::unique_ptr<TReport> BuildFrameReport(const TFrameReportInput& input,
                                          std::unique_ptr<TReport> report = LoadFrameReportTemplate());

// The frame report's template text from the resource, for variants.
QByteArray FrameReportTemplateJson();
// The template with the named objects taken out.
QByteArray TemplateWithout(const std::vector<QString>& objectNames);

// Runs a program and returns its standard output (empty when it is missing);
// its error output goes to `errors` when given.
QString RunTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr,
                QString* errors = nullptr);
bool HaveTool(const QString& program);
