// mjpg-archive-demo-server: a small archive server that serves a folder of MJPG
// fragments over HTTP, for trying the player's archive functions and for the
// tests. See the usage text.
#include "archiveserver.h"
#include "helptext.h"

#include "core/cp1251.h"
#include "programinfo/programinfo.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

int Usage(const std::string& problem)
{
    std::cerr << "mjpg-archive-demo-server: " << problem << "\n" << kUsage;
    return 2;
}

bool ParseInt(const std::string& text, int64_t& value)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno)
        return false;
    value = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerHelpOrVersion(argc, argv, "mjpg-archive-demo-server", kUsage, 1); status >= 0)
        return status;
    TServerOptions options;
    std::string logPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](int64_t& out) {
            if (i + 1 >= argc || !ParseInt(argv[i + 1], out))
                return false;
            ++i;
            return true;
        };
        int64_t n = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--host" && i + 1 < argc) {
            options.Host = argv[++i];
        } else if (arg == "--port" && value(n) && n >= 0 && n <= 65535) {
            options.Port = static_cast<int>(n);
        } else if (arg == "--user" && i + 1 < argc) {
            options.User = Utf8ToCp1251(argv[++i]);
        } else if (arg == "--tls-cert" && i + 1 < argc) {
            options.TlsCert = argv[++i];
        } else if (arg == "--tls-key" && i + 1 < argc) {
            options.TlsKey = argv[++i];
        } else if (arg == "--log" && i + 1 < argc) {
            logPath = argv[++i];
        } else if (arg == "--delay" && value(n) && n >= 0) {
            options.DelayMs = static_cast<int>(n);
        } else if (arg == "--status" && value(n) && n >= 100 && n <= 999) {
            options.Status = static_cast<int>(n);
        } else if (arg == "--stall") {
            options.Stall = true;
        } else if (arg == "--cut-body" && value(n) && n >= 0) {
            options.CutBody = n;
        } else if (arg == "--list-lines" && value(n) && n >= 0 && n <= 1000000) {
            options.ListLines = static_cast<int>(n);
        } else if (arg == "--list-file" && i + 1 < argc) {
            options.ListFile = argv[++i];
        } else if (arg == "--only" && i + 1 < argc &&
                   (std::string(argv[i + 1]) == "list" || std::string(argv[i + 1]) == "video")) {
            options.Only = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage("bad option or value: " + arg);
        } else if (options.Folder.empty()) {
            options.Folder = arg;
        } else {
            return Usage("more than one folder given");
        }
    }
    if (options.Folder.empty())
        return Usage("no folder given");
    if (options.TlsCert.empty() != options.TlsKey.empty())
        return Usage("--tls-cert and --tls-key go together");
    if (!std::filesystem::is_directory(options.Folder))
        return Usage("not a folder: " + options.Folder.string());
    if (options.User) {
        const char* password = std::getenv("MJPG_ARCHIVE_PASSWORD");
        options.Password = Utf8ToCp1251(password ? password : "");
    }

    std::ofstream logFile;
    if (!logPath.empty()) {
        logFile.open(logPath, std::ios::app);
        if (!logFile) {
            std::cerr << "mjpg-archive-demo-server: cannot write the log " << logPath << ": " << std::strerror(errno) << "\n";
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
