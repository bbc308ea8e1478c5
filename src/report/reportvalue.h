// TReportValue: the value of a report variable (text, integer, floating
// number or date-time) and the engine's default text for each kind.
#pragma once

#include "core/datetime.h"

#include <QString>
#include <cstdint>
#include <variant>

struct TDateTimeValue {
    TDateTime Value = 0;
    bool operator==(const TDateTimeValue&) const = default;
};

class TReportValue {
public:
    TReportValue() = default;
    TReportValue(const QString& text) : FValue(text) {}
    TReportValue(const char* text) : FValue(QString::fromUtf8(text)) {}
    TReportValue(int value) : FValue(static_cast<int64_t>(value)) {}
    TReportValue(int64_t value) : FValue(value) {}
    TReportValue(double value) : FValue(value) {}
    TReportValue(TDateTimeValue value) : FValue(value) {}

    static TReportValue DateTime(TDateTime value) { return TReportValue(TDateTimeValue{value}); }

    bool IsText() const { return std::holds_alternative<QString>(FValue); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(FValue); }
    bool IsFloat() const { return std::holds_alternative<double>(FValue); }
    bool IsDateTime() const { return std::holds_alternative<TDateTimeValue>(FValue); }

    // Date-times follow the user-interface rule (time alone below 1, date
    // alone for a whole value, else both); floating numbers use the given
    // decimal separator.
    QString ToText(QChar decimalSeparator = QLatin1Char(',')) const;

    bool operator==(const TReportValue& other) const = default;

private:
    std::variant<QString, int64_t, double, TDateTimeValue> FValue;
};
