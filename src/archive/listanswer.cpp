#include "listanswer.h"

std::vector<std::string> SplitListAnswer(std::string_view text)
{
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
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
