#include "demoserverprocess.h"

#include "pollwait.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Reads the first line the child prints ("listening on http://HOST:PORT/").
std::string FirstLine(int fd, std::chrono::seconds limit)
{
    std::string line;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, static_cast<size_t>(n));
    }
    return line.substr(0, line.find('\n'));
}

} // namespace

TDemoServerProcess::TDemoServerProcess(const std::filesystem::path& folder,
                                             const std::vector<std::string>& options,
                                             const std::map<std::string, std::string>& environment)
{
    char logTemplate[] = "/tmp/mjpg-archive-demo-server-log.XXXXXX";
    const int logFd = ::mkstemp(logTemplate);
    if (logFd < 0)
        throw std::runtime_error("cannot make a log file");
    ::close(logFd);
    FLog = logTemplate;

    std::vector<std::string> args = {DEMO_SERVER_PATH, "--port", "0", "--log", FLog.string()};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(folder.string());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (environment.count(entry.substr(0, entry.find('='))) == 0)
            env.push_back(entry);
    }
    for (const auto& [name, value] : environment)
        env.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2];
    if (::pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        throw std::runtime_error(std::string("cannot start the archive server: ") + std::strerror(rc));
    }
    FPid = pid;
    const std::string line = FirstLine(out[0], std::chrono::seconds(20));
    ::close(out[0]);
    const size_t colon = line.rfind(':');
    FPort = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    if (FPort <= 0) {
        Stop();
        throw std::runtime_error("the archive server did not start: \"" + line + "\"");
    }
}

TDemoServerProcess::~TDemoServerProcess()
{
    Stop();
}

void TDemoServerProcess::Stop()
{
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        int status = 0;
        if (PollUntil([&] { return ::waitpid(FPid, &status, WNOHANG) == FPid; }, std::chrono::seconds(5)))
            FPid = -1;
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, &status, 0);
            FPid = -1;
        }
    }
    if (!FLog.empty()) {
        std::error_code ignored;
        std::filesystem::remove(FLog, ignored);
        FLog.clear();
    }
}

std::vector<TLoggedRequest> TDemoServerProcess::Requests() const
{
    std::vector<TLoggedRequest> requests;
    std::ifstream log(FLog);
    std::string line;
    while (std::getline(log, line)) {
        if (line.rfind("request: ", 0) == 0)
            requests.push_back({line.substr(9), {}});
        else if (line.rfind("authorization: ", 0) == 0 && !requests.empty())
            requests.back().Authorization = line.substr(15);
    }
    return requests;
}

bool TDemoServerProcess::WaitForRequests(size_t count) const
{
    return PollUntil([&] { return Requests().size() >= count; });
}
