// The engine's default text of a variable's value.
#include "reportvalue.h"

QString TReportValue::ToText(QChar decimalSeparator) const
{
    if (const auto* text = std::get_if<QString>(&FValue))
        return *text;
    if (const auto* integer = std::get_if<int64_t>(&FValue))
        return QString::number(*integer);
    if (const auto* number = std::get_if<double>(&FValue)) {
        QString t = QString::number(*number, 'g', 15);
        return t.replace(QLatin1Char('.'), decimalSeparator);
    }
    return QString::fromStdString(DateTimeToStr(std::get<TDateTimeValue>(FValue).Value));
}
