// mjpgtool: a command-line companion of the MJPG player. Dispatches to the
// commands and turns their errors into exit statuses and messages.
#include "commandline.h"
#include "commands.h"
#include "helptext.h"
#include "programinfo/programinfo.h"

#include "core/failures.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>

namespace {

struct TCommand {
    const char* Name;
    int (*Run)(const TArguments&);
};

constexpr TCommand kCommands[] = {
    {"info", RunInfo},
    {"extract", RunExtract},
    {"pack", RunPack},
    {"rewrite", RunRewrite},
    {"archive", RunArchive},
    {"export", RunExport},
    {"verify", RunVerify},
    {"sign", RunSign},
};

int Dispatch(int argc, char** argv)
{
    if (argc < 2)
        throw EUsageError("не указана команда");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << kUsage;
        return esOk;
    }
    const TArguments args(argv + 2, argv + argc);
    for (const TCommand& command : kCommands)
        if (name == command.Name)
            return command.Run(args);
    throw EUsageError("неизвестная команда \"" + name + "\"");
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
    if (const int status = AnswerHelpOrVersion(argc, argv, "mjpgtool", kUsage, esIOError); status >= 0)
        return status;
    // Why a request or its answer failed, besides the exit status.
    SetFailureSink(StderrFailureSink("mjpgtool"));
    int status;
    try {
        status = Dispatch(argc, argv);
    } catch (const EUsageError& e) {
        std::cerr << "mjpgtool: " << e.what() << "\n\n" << kUsage;
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
