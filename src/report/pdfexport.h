// The PDF export: the pages drawn by the page painter into a PDF writer
// (real text, embedded fonts), then the document information completed.
#pragma once

#include "exportsettings.h"

#include <QByteArray>
#include <QString>

class TPreparedReport;

// Raises EError when the file cannot be written.
void ExportPdf(const TPreparedReport& report, const QString& path, const TPdfExportSettings& settings);
QByteArray ExportPdfBytes(const TPreparedReport& report, const TPdfExportSettings& settings);
