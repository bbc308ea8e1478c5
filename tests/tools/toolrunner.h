// Running the built mjpgtool (or another program of the package) as a child
// process and collecting its exit status and output.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

struct TToolResult {
    int Status = -1; // the exit status; -1 when the program did not exit normally
    std::string Out;
    std::string Err;
    bool Interrupted = false; // SIGINT was sent (TToolRun::InterruptWhen came to hold)
};

// Runs mjpgtool with the arguments. Standard output goes to stdoutPath when
// one is given (then Out stays empty), else it is collected.
TToolResult RunTool(const std::vector<std::string>& args, const std::string& stdoutPath = {});

struct TToolRun {
    std::map<std::string, std::string> Environment = {}; // added to (or replacing in) the test's own
    // Set: SIGINT to the program as soon as this holds (asked every few
    // milliseconds while the program runs, 20 s at the most).
    std::function<bool()> InterruptWhen = nullptr;
    // Not empty: SIGTERM to the program as soon as its standard error holds
    // this text, or after 20 s (a program that runs until it is ended, such
    // as the player).
    std::string EndWhenErrHas = {};
    std::string Program = {}; // another program of the package to run instead of mjpgtool
};
TToolResult RunTool(const std::vector<std::string>& args, const TToolRun& run);

// A run in which the program's close of `path` fails (EIO) after every
// write went through, as on a network file system or over a full quota.
TToolRun FailingCloseOf(const std::string& path);
