// The HTML export: one fixed-width page per report page, every object
// placed where the preview shows it, the picture embedded in the file.
#pragma once

#include "exportsettings.h"

#include <QByteArray>
#include <QString>

class TPreparedReport;

QByteArray ExportHtmlBytes(const TPreparedReport& report, const THtmlExportSettings& settings);
// Raises EError when the file cannot be written.
void ExportHtml(const TPreparedReport& report, const QString& path, const THtmlExportSettings& settings);
