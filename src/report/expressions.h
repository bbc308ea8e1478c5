// Bracketed expressions in report texts: "[name]" becomes the text of the
// report variable of that name, or today's date or the time for the built-in
// names Date and Time.
#pragma once

#include "core/datetime.h"

#include <QChar>
#include <QString>

class TReport;

// A name the report does not know gives the empty text; a "[" without its
// "]" is kept as it stands.
QString ExpandExpressions(const QString& text, const TReport& report, TDateTime now,
                          QChar decimalSeparator = QLatin1Char(','));
