#include "protocol.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

bool TryParsePort(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int number = std::stoi(text);
    if (number < 1 || number > 65535)
        return false;
    port = number;
    return true;
}

} // namespace

std::string ArchiveUrl(const std::string& host, int port, const std::string& pathAndQuery, bool secure)
{
    const bool ipv6 = host.find(':') != std::string::npos && !(host.size() > 1 && host.front() == '[');
    const std::string hostPart = ipv6 ? "[" + host + "]" : host;
    return (secure ? "https://" : "http://") + hostPart + ":" + std::to_string(port) + "/" + pathAndQuery;
}

bool TryParseServerAddress(const std::string& text, std::string& host, int& port)
{
    std::string name = text;
    std::optional<std::string> portText;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        name = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                return false;
            portText = rest.substr(1);
        }
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        const size_t colon = text.find(':');
        name = text.substr(0, colon);
        portText = text.substr(colon + 1);
    }
    int number = port;
    if (name.empty() || name.find_first_of(" \t/?#@") != std::string::npos ||
        (portText && !TryParsePort(*portText, number)))
        return false;
    host = name;
    port = number;
    return true;
}

bool TryParseServerAddress(const std::string& text, std::string& host, int& port, bool& secure)
{
    auto hasScheme = [&](const std::string& scheme) {
        if (text.size() < scheme.size())
            return false;
        for (size_t i = 0; i < scheme.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i])
                return false;
        return true;
    };
    const bool tls = hasScheme("https://");
    const size_t schemeLength = tls ? 8 : hasScheme("http://") ? 7 : 0;
    int number = tls ? kDefaultTlsPort : port;
    if (!TryParseServerAddress(text.substr(schemeLength), host, number))
        return false;
    port = number;
    secure = tls;
    return true;
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
