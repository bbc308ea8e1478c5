#include "protocol.h"

#include <cctype>

std::string ArchiveUrl(const std::string& host, int port, const std::string& pathAndQuery)
{
    const bool ipv6 = host.find(':') != std::string::npos && !(host.size() > 1 && host.front() == '[');
    const std::string hostPart = ipv6 ? "[" + host + "]" : host;
    return "http://" + hostPart + ":" + std::to_string(port) + "/" + pathAndQuery;
}

bool IsIntervalEndSet(TDateTime value)
{
    return DateTimeDays(value) != 0;
}

std::string ArchiveTimeText(TDateTime value)
{
    return FormatDateTime("YYYYMMDDHHnnSS", value);
}

bool TryParseArchiveTime(const std::string& text, TDateTime& value)
{
    if (text.size() != 14)
        return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    auto number = [&](size_t at, size_t length) { return std::stoi(text.substr(at, length)); };
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(number(0, 4), number(4, 2), number(6, 2), date) ||
        !TryEncodeTime(number(8, 2), number(10, 2), number(12, 2), 0, time))
        return false;
    value = date >= 0 ? date + time : date - time;
    return true;
}

std::string ListQuery(TDateTime begin, TDateTime end, int32_t serialNumber)
{
    std::string parameters;
    auto add = [&](const std::string& parameter) {
        if (!parameters.empty())
            parameters += "&";
        parameters += parameter;
    };
    if (IsIntervalEndSet(begin))
        add("begin=" + ArchiveTimeText(begin));
    if (IsIntervalEndSet(end))
        add("end=" + ArchiveTimeText(end));
    if (serialNumber >= 0)
        add("sn=" + std::to_string(serialNumber));
    return parameters.empty() ? "list" : "list?" + parameters;
}

std::string VideoQuery(int32_t serialNumber, int32_t issue)
{
    return "video?sn=" + std::to_string(serialNumber) + "&issue=" + std::to_string(issue);
}
