// Measuring report texts in millimetres, the same on every machine and
// device: fonts are measured unhinted on a high-resolution device.
#pragma once

#include "reportmodel.h"

#include <QFont>
#include <QString>

// The font a report object is drawn with, at its size in points.
QFont ReportQFont(const TReportFont& font);

// Inner gaps between a text object's frame and its text.
constexpr double TextGapX = 2 * 25.4 / 96;
constexpr double TextGapY = 1 * 25.4 / 96;

double TextWidthMm(const TReportFont& font, const QString& text);
// Height of the text broken into lines at word boundaries to fit the width.
double WrappedTextHeightMm(const TReportFont& font, const QString& text, double widthMm);
// The text with line breaks where it must break to fit the width: at word
// boundaries, or inside a word longer than a line. Blanks at a break go.
QString BreakTextToWidth(const TReportFont& font, const QString& text, double widthMm);
