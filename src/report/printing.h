// Printing a prepared report on the system's default printer.
#pragma once

class QWidget;
class TPreparedReport;

// Paints every page through the page painter. Without a default printer the
// user is told so through the dialog seam; returns whether it printed.
bool PrintReport(const TPreparedReport& report, QWidget* parent);
