// Reading report templates from JSON: the frame report's template is a
// resource of the program, and tests load variants of it from text.
#pragma once

#include "reportmodel.h"

#include <QByteArray>
#include <QString>
#include <memory>

// Raises EError naming what is wrong when the text is not a template.
std::unique_ptr<TReport> ReadReportTemplate(const QByteArray& json);
std::unique_ptr<TReport> LoadReportTemplate(const QString& path);

// The resource path of the frame report's template.
inline const char* const FrameReportTemplatePath = ":/report/framereport.json";
std::unique_ptr<TReport> LoadFrameReportTemplate();
