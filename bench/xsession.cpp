#include "xsession.h"

#include "benchsupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& added)
{
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& a : added)
            replaced = replaced || a.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            result.push_back(entry);
    }
    result.insert(result.end(), added.begin(), added.end());
    return result;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            posix_spawn_file_actions_t* actions)
{
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    std::vector<std::string> env = EnvironmentWith(environment);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argp[0], actions, nullptr, argp.data(), envp.data()) != 0)
        return -1;
    return pid;
}

void EndProcess(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    const auto until = TClock::now() + std::chrono::seconds(1);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (TClock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid = -1;
}

} // namespace

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= rest.size()) {
        const size_t end = rest.find(':', start);
        const std::string folder = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

bool HaveXSession()
{
    return OnPath("Xvfb") && OnPath("openbox");
}

TXSession::TXSession(int width, int height)
{
    char folder[] = "/tmp/mjpg-xsession.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return;
    }
    FFolder = folder;
    // Xvfb writes the display's number to the pipe once it takes clients.
    int fds[2];
    if (pipe(fds) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, (FFolder + "/xvfb.log").c_str(), O_WRONLY | O_CREAT, 0644);
    FServer = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                     std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp"},
                    {}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (FServer < 0 || number.empty()) {
        std::fprintf(stderr, "Xvfb did not start (see %s/xvfb.log)\n", FFolder.c_str());
        return;
    }
    const std::string display = ":" + number;
    // openbox runs its start-up command once it manages the screen.
    const std::string ready = FFolder + "/openbox-ready";
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, (FFolder + "/openbox.log").c_str(), O_WRONLY | O_CREAT, 0644);
    FManager = Spawn({"openbox", "--sm-disable", "--startup", "touch " + ready}, {"DISPLAY=" + display}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    const auto until = TClock::now() + std::chrono::seconds(20);
    while (access(ready.c_str(), F_OK) != 0 && TClock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (access(ready.c_str(), F_OK) != 0) {
        std::fprintf(stderr, "openbox did not start (see %s/openbox.log)\n", FFolder.c_str());
        return;
    }
    FDisplay = display;
}

TXSession::~TXSession()
{
    EndProcess(FManager);
    EndProcess(FServer);
    if (!FFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }
}

TStarted StartIn(const TXSession& session, const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment)
{
    TStarted started;
    int fds[2];
    if (pipe(fds) != 0)
        return started;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env = environment;
    env.push_back("DISPLAY=" + session.Display());
    env.push_back("QT_QPA_PLATFORM=xcb");
    started.Pid = Spawn(argv, env, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    started.Err = fds[0];
    return started;
}

bool WaitForLine(const TStarted& started, const std::string& prefix, std::string& line, double seconds)
{
    const auto until = TClock::now() + std::chrono::duration<double>(seconds);
    std::string text;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - TClock::now()).count();
        pollfd p{started.Err, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = read(started.Err, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        text.append(buffer, static_cast<size_t>(n));
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            if (text.compare(start, prefix.size(), prefix) == 0) {
                line = text.substr(start, end - start);
                return true;
            }
        }
        text.erase(0, start);
    }
}

void Stop(TStarted& started)
{
    EndProcess(started.Pid);
    if (started.Err >= 0)
        close(started.Err);
    started.Err = -1;
}

bool TakeXSessionOption(int& argc, char** argv, std::unique_ptr<TXSession>& session)
{
    if (TakeOption(argc, argv, "x-session") != "on")
        return true;
    session = std::make_unique<TXSession>();
    if (session->Display().empty())
        return false;
    setenv("DISPLAY", session->Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}
