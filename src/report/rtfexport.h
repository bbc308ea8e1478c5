// The RTF export: texts and the picture of each page in positioned frames
// (the picture as its own JPEG bytes), the page header and footer written
// as the document's header and footer text.
#pragma once

#include "exportsettings.h"

#include <QByteArray>
#include <QString>

class TPreparedReport;

QByteArray ExportRtfBytes(const TPreparedReport& report, const TRtfExportSettings& settings);
// Raises EError when the file cannot be written.
void ExportRtf(const TPreparedReport& report, const QString& path, const TRtfExportSettings& settings);
