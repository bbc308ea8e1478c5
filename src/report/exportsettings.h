// What the frame report's exports carry: default file names, document
// information and the options each export honours. PDF and HTML are written
// without outline and without background; the HTML page has the paper's
// fixed width.
#pragma once

#include <QString>

struct TPdfExportSettings {
    QString DefaultFileName;
    QString Title;
    QString Author;
    QString Subject;
    QString Creator;
};

struct THtmlExportSettings {
    QString DefaultFileName;
    bool Centered = false;
};

struct TRtfExportSettings {
    QString DefaultFileName;
    QString Creator;
    bool HeaderFooterAsText = true; // page header and footer become the document's header and footer
};

struct TMailExportDefaults {
    QString Subject;
    QString AttachmentName;
    int Port = 25;
};

// The product family's web address, in the PDF creator field.
inline const char* const ProductWebAddress = "https://www.orvanta.ru";

TPdfExportSettings FrameReportPdfSettings();
THtmlExportSettings FrameReportHtmlSettings();
TRtfExportSettings FrameReportRtfSettings();
TMailExportDefaults FrameReportMailDefaults();
