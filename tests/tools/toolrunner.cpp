// Child processes through posix_spawn, output through files (no pipes that
// could fill up and stall the child).
#include "toolrunner.h"

#include "toolfixtures.h"

#include "../support/pollwait.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <system_error>

extern char** environ;

static TToolResult Spawn(const std::vector<std::string>& args, const std::string& stdoutPath, const TToolRun& run);

TToolResult RunTool(const std::vector<std::string>& args, const std::string& stdoutPath)
{
    return Spawn(args, stdoutPath, {});
}

TToolResult RunTool(const std::vector<std::string>& args, const TToolRun& run)
{
    return Spawn(args, {}, run);
}

TToolRun FailingCloseOf(const std::string& path)
{
    TToolRun run;
    run.Environment["LD_PRELOAD"] = FAILING_CLOSE_PRELOAD;
    run.Environment["MJPG_FAIL_CLOSE_OF"] = path;
    // A sanitized program wants its runtime first among the loaded libraries.
    const char* asan = std::getenv("ASAN_OPTIONS");
    run.Environment["ASAN_OPTIONS"] = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") +
                                      "verify_asan_link_order=0";
    return run;
}

static TToolResult Spawn(const std::vector<std::string>& args, const std::string& stdoutPath, const TToolRun& run)
{
    const fixture::TScratchFolder capture;
    const std::string outPath = stdoutPath.empty() ? capture / "stdout" : stdoutPath;
    const std::string errPath = capture / "stderr";

    std::vector<std::string> argvText{run.Program.empty() ? std::string(MJPGTOOL_PATH) : run.Program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (run.Environment.count(entry.substr(0, entry.find('='))) == 0)
            envText.push_back(entry);
    }
    for (const auto& [name, value] : run.Environment)
        envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int err = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0)
        throw std::system_error(err, std::generic_category(), "cannot start " + argvText[0]);
    TToolResult result;
    int wstatus = 0;
    bool exited = false;
    if (run.InterruptWhen) {
        // A program that ends first is not interrupted (nor waited for 20 s).
        PollUntil([&] {
            exited = waitpid(pid, &wstatus, WNOHANG) == pid;
            return exited || run.InterruptWhen();
        });
        if (!exited) {
            ::kill(pid, SIGINT);
            result.Interrupted = true;
        }
    }
    if (!run.EndWhenErrHas.empty()) {
        PollUntil([&] {
            exited = waitpid(pid, &wstatus, WNOHANG) == pid;
            return exited || fixture::ReadFileBytes(errPath).find(run.EndWhenErrHas) != std::string::npos;
        });
        if (!exited)
            ::kill(pid, SIGTERM);
    }
    while (!exited && waitpid(pid, &wstatus, 0) < 0)
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "waitpid");

    result.Status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    if (stdoutPath.empty())
        result.Out = fixture::ReadFileBytes(outPath);
    result.Err = fixture::ReadFileBytes(errPath);
    return result;
}
