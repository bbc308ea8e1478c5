// mjpgtool: a command-line companion of the MJPG player. Dispatches to the
// commands and turns their errors into exit statuses and messages.
#include "commandline.h"
#include "commands.h"
#include "helptext.h"
#include "programinfo/programinfo.h"

#include "core/failures.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The words of a command's name ("archive list": two).
std::vector<std::string> Words(const char* name)
{
    std::vector<std::string> words;
    std::istringstream in(name);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

int Dispatch(int argc, char** argv)
{
    if (argc < 2)
        throw EUsageError("не указана команда");
    const std::vector<std::string> given(argv + 1, argv + argc);
    const std::string& name = given[0];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << UsageText();
        return esOk;
    }
    std::string subcommands; // of a command that takes one ("archive": "list или fetch")
    for (const TCommand& command : kCommands) {
        const std::vector<std::string> words = Words(command.Name);
        if (words[0] != name)
            continue;
        if (words.size() > 1)
            subcommands += (subcommands.empty() ? "" : " или ") + words[1];
        if (given.size() >= words.size() && std::equal(words.begin(), words.end(), given.begin()))
            return command.Run(ParseArguments(std::vector<std::string>(given.begin() + static_cast<std::ptrdiff_t>(words.size()), given.end()), command.Options));
    }
    if (subcommands.empty())
        throw EUsageError("неизвестная команда \"" + name + "\"");
    if (given.size() < 2)
        throw EUsageError(name + ": не указано, что делать (" + subcommands + ")");
    throw EUsageError(name + ": неизвестная команда \"" + given[1] + "\" (нужно " + subcommands + ")");
}

int Fail(int status, const char* message)
{
    std::cout.flush();
    std::cerr << "mjpgtool: " << message << '\n';
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerHelpOrVersion(argc, argv, "mjpgtool", UsageText().c_str(), esIOError); status >= 0)
        return status;
    // Why a request or its answer failed, besides the exit status.
    SetFailureSink(StderrFailureSink("mjpgtool"));
    int status;
    try {
        status = Dispatch(argc, argv);
    } catch (const EUsageError& e) {
        std::cerr << "mjpgtool: " << e.what() << "\n\n" << UsageText();
        return esUsage;
    } catch (const EStreamError& e) {
        return Fail(esIOError, e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        return Fail(esIOError, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(esIOError, "недостаточно памяти");
    } catch (const std::exception& e) {
        return Fail(esIOError, e.what());
    }
    // Output that never reached its file (a full disk, a closed pipe) is an
    // I/O error too, not a success.
    std::cout.flush();
    if (!std::cout)
        return Fail(esIOError, "ошибка записи в стандартный вывод");
    return status;
}
