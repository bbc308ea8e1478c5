// Parsing a command's arguments into options and positional arguments.
#include "commandline.h"

#include <algorithm>

TCommandLine::TCommandLine(const std::vector<std::string>& args, std::initializer_list<TOptionSpec> options)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            Positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        const auto option = std::find_if(options.begin(), options.end(),
                                       [&](const TOptionSpec& o) { return name == o.Name; });
        if (option == options.end())
            throw EUsageError("неизвестный параметр \"" + arg + "\"");
        if (!option->TakesValue) {
            if (eq != std::string::npos)
                throw EUsageError("параметр \"--" + name + "\" не принимает значения");
            FValues[name].clear();
        } else if (eq != std::string::npos) {
            FValues[name] = arg.substr(eq + 1);
        } else {
            if (i + 1 >= args.size())
                throw EUsageError("для параметра \"" + arg + "\" не указано значение");
            FValues[name] = args[++i];
        }
    }
}

std::optional<std::string> TCommandLine::Value(const std::string& name) const
{
    const auto it = FValues.find(name);
    if (it == FValues.end())
        return std::nullopt;
    return it->second;
}
