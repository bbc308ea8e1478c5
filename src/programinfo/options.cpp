// Reading a command line through a program's table of options.
#include "options.h"

#include <algorithm>
#include <charconv>

namespace {

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string RangeText(int64_t lowest, int64_t highest)
{
    if (highest == std::numeric_limits<int32_t>::max() || highest == std::numeric_limits<int64_t>::max())
        return "целое число не меньше " + std::to_string(lowest);
    return "целое число от " + std::to_string(lowest) + " до " + std::to_string(highest);
}

const TOption* FindLong(TOptions options, std::string_view name)
{
    const auto it = std::find_if(options.begin(), options.end(), [&](const TOption& o) { return name == o.Name; });
    return it == options.end() ? nullptr : &*it;
}

const TOption* FindShort(TOptions options, char name)
{
    const auto it = std::find_if(options.begin(), options.end(), [&](const TOption& o) { return o.Short && o.Short == name; });
    return it == options.end() ? nullptr : &*it;
}

// The width of a UTF-8 text in characters.
size_t Width(std::string_view text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Label(const TOption& option)
{
    std::string label = "--" + std::string(option.Name);
    if (option.Value)
        label += std::string(" ") + option.Value;
    if (option.Short) {
        label += std::string(", -") + option.Short;
        if (option.Value)
            label += std::string(" ") + option.Value;
    }
    return label;
}

} // namespace

std::optional<std::string> TParsedArguments::Value(std::string_view name) const
{
    const auto it = FValues.find(name);
    if (it == FValues.end())
        return std::nullopt;
    return it->second;
}

std::optional<int64_t> TParsedArguments::Number(std::string_view name) const
{
    const auto text = Value(name);
    if (!text)
        return std::nullopt;
    return ParseWholeNumber(*text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
}

std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t lowest, int64_t highest)
{
    if (text.empty() || (text[0] == '-' && lowest >= 0))
        return std::nullopt;
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

int64_t WholeNumberOrUsageError(std::string_view text, int64_t lowest, int64_t highest, const char* invalid)
{
    if (const auto value = ParseWholeNumber(text, lowest, highest))
        return *value;
    throw EUsageError(std::string(invalid) + " " + Quoted(text) + " (нужно " + RangeText(lowest, highest) + ")");
}

TParsedArguments ParseArguments(const std::vector<std::string>& args, TOptions options)
{
    TParsedArguments result;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            result.Positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const TOption* option = nullptr;
        std::optional<std::string> value;
        std::string given = arg; // the option as the message names it
        if (arg[1] == '-') {
            const size_t eq = arg.find('=');
            const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            option = FindLong(options, name);
            given = "--" + name;
            if (eq != std::string::npos)
                value = arg.substr(eq + 1);
        } else if (arg.size() == 2) {
            option = FindShort(options, arg[1]);
        }
        if (!option)
            throw EUsageError("неизвестный параметр " + Quoted(arg));
        if (!option->Value) {
            if (value)
                throw EUsageError("параметр " + Quoted(given) + " не принимает значения");
            result.FValues[option->Name].clear();
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size())
                throw EUsageError("для параметра " + Quoted(given) + " не указано значение");
            value = args[++i];
        }
        if (option->Number && !ParseWholeNumber(*value, option->Lowest, option->Highest)) {
            const std::string invalid = option->Invalid ? option->Invalid : "неверное число";
            throw EUsageError(invalid + " " + Quoted(*value) + " в параметре " + given + " (нужно " +
                              RangeText(option->Lowest, option->Highest) + ")");
        }
        result.FValues[option->Name] = *value;
    }
    return result;
}

TParsedArguments ParseArguments(int argc, char** argv, TOptions options)
{
    return ParseArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc), options);
}

std::string OptionsHelp(TOptions options, int indent)
{
    size_t column = 0;
    for (const TOption& option : options)
        column = std::max(column, Width(Label(option)));
    column += 2;
    const std::string margin(static_cast<size_t>(indent), ' ');
    std::string text;
    for (const TOption& option : options) {
        if (option.Heading)
            text += std::string(option.Heading) + "\n";
        const std::string label = Label(option);
        text += margin + label;
        std::string_view help = option.Help;
        for (bool first = true;; first = false) {
            const size_t end = help.find('\n');
            const std::string_view line = help.substr(0, end);
            if (!first)
                text += margin;
            if (!line.empty())
                text += std::string(first ? column - Width(label) : column, ' ') + std::string(line);
            text += '\n';
            if (end == std::string_view::npos)
                break;
            help.remove_prefix(end + 1);
        }
    }
    return text;
}
