// mjpg-archive-demo-server: a small archive server that serves a folder of MJPG
// fragments over HTTP, for trying the player's archive functions and for the
// tests. See the usage text.
#include "archiveserver.h"
#include "helptext.h"

#include "core/cp1251.h"
#include "programinfo/options.h"
#include "programinfo/programinfo.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

int Usage(const std::string& problem)
{
    std::cerr << "mjpg-archive-demo-server: " << problem << "\n" << UsageText();
    return 2;
}

// The options of the command line, or none when "-h" asks for the help;
// raises EUsageError.
std::optional<TServerOptions> ParseOptions(int argc, char** argv, std::string& logPath)
{
    const TParsedArguments args = ParseArguments(argc, argv, kOptions);
    if (args.Has("help"))
        return std::nullopt;
    TServerOptions options;
    if (args.Positional.empty())
        throw EUsageError("не указана папка");
    if (args.Positional.size() > 1)
        throw EUsageError("можно указать только одну папку");
    options.Folder = args.Positional[0];
    options.Host = args.Value("host").value_or(options.Host);
    options.Port = static_cast<int>(args.Number("port").value_or(0));
    if (const auto user = args.Value("user"))
        options.User = Utf8ToCp1251(*user);
    options.TlsCert = args.Value("tls-cert").value_or("");
    options.TlsKey = args.Value("tls-key").value_or("");
    logPath = args.Value("log").value_or("");
    options.DelayMs = static_cast<int>(args.Number("delay").value_or(0));
    if (const auto status = args.Number("status"))
        options.Status = static_cast<int>(*status);
    options.Stall = args.Has("stall");
    options.CutBody = args.Number("cut-body");
    if (const auto lines = args.Number("list-lines"))
        options.ListLines = static_cast<int>(*lines);
    options.ListFile = args.Value("list-file").value_or("");
    if (const auto only = args.Value("only")) {
        if (*only != "list" && *only != "video")
            throw EUsageError("значение параметра \"--only\" должно быть list или video: \"" + *only + "\"");
        options.Only = *only;
    }
    if (options.TlsCert.empty() != options.TlsKey.empty())
        throw EUsageError("параметры --tls-cert и --tls-key задаются вместе");
    if (!std::filesystem::is_directory(options.Folder))
        throw EUsageError("не папка: " + options.Folder.string());
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerHelpOrVersion(argc, argv, "mjpg-archive-demo-server", UsageText().c_str(), 1); status >= 0)
        return status;
    TServerOptions options;
    std::string logPath;
    try {
        const std::optional<TServerOptions> parsed = ParseOptions(argc, argv, logPath);
        if (!parsed) {
            std::cout << UsageText();
            return 0;
        }
        options = *parsed;
    } catch (const EUsageError& e) {
        return Usage(e.what());
    }
    if (options.User) {
        const char* password = std::getenv("MJPG_ARCHIVE_PASSWORD");
        options.Password = Utf8ToCp1251(password ? password : "");
    }

    std::ofstream logFile;
    if (!logPath.empty()) {
        logFile.open(logPath, std::ios::app);
        if (!logFile) {
            std::cerr << "mjpg-archive-demo-server: не удаётся писать журнал " << logPath << ": " << std::strerror(errno) << "\n";
            return 3;
        }
    }

    // SIGINT and SIGTERM end the server cleanly: one thread waits for them,
    // the others never see them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        TArchiveServer server(options, logPath.empty() ? std::cerr : logFile);
        const int port = server.Bind();
        std::cout << "listening on " << (options.TlsCert.empty() ? "http" : "https") << "://" << options.Host << ":" << port << "/" << std::endl;
        std::thread signalWaiter([&] {
            int signal = 0;
            sigwait(&signals, &signal);
            server.Stop();
        });
        server.Run();
        // Run also ends when listening fails; wake the waiter then.
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
        signalWaiter.join();
    } catch (const std::exception& e) {
        std::cerr << "mjpg-archive-demo-server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
