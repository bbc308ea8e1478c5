// Replacing bracketed names in report texts by their values.
#include "expressions.h"

#include "reportmodel.h"

namespace {
QString ValueOf(const QString& name, const TReport& report, TDateTime now, QChar decimalSeparator)
{
    if (const TReportVariable* variable = report.FindVariable(name))
        return variable->Value.ToText(decimalSeparator);
    if (name.compare(QLatin1String("Date"), Qt::CaseInsensitive) == 0)
        return QString::fromStdString(DateToStr(now));
    if (name.compare(QLatin1String("Time"), Qt::CaseInsensitive) == 0)
        return QString::fromStdString(TimeToStr(now));
    return {};
}
} // namespace

QString ExpandExpressions(const QString& text, const TReport& report, TDateTime now, QChar decimalSeparator)
{
    QString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('['), pos);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0) {
            result += text.mid(pos);
            break;
        }
        result += text.mid(pos, open - pos);
        result += ValueOf(text.mid(open + 1, close - open - 1).trimmed(), report, now, decimalSeparator);
        pos = close + 1;
    }
    return result;
}
