#include "listanswer.h"

#include <limits>

size_t ForEachListLine(std::string_view text, size_t maxLines, const std::function<void(std::string_view)>& line)
{
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    size_t count = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        const std::string_view current =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (count < maxLines && line)
            line(current);
        ++count;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return count;
}

std::vector<std::string> SplitListAnswer(std::string_view text)
{
    std::vector<std::string> lines;
    ForEachListLine(text, std::numeric_limits<size_t>::max(),
                    [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::vector<std::string> ReadListAnswer(TStream& body)
{
    const int64_t left = body.Size() - body.Position();
    std::string text(left > 0 ? static_cast<size_t>(left) : 0, '\0');
    if (!text.empty())
        body.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    return SplitListAnswer(text);
}

std::string_view ListAnswerText(const TMemoryStream& body)
{
    const int64_t position = body.Position();
    if (!body.Memory() || position >= body.Size() || position < 0)
        return {};
    return {reinterpret_cast<const char*>(body.Memory()) + position, static_cast<size_t>(body.Size() - position)};
}
