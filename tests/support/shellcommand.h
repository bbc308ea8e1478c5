// Outside programs that tests run through the shell (ffprobe, sha256sum),
// and the sorted names of a folder's entries, for checking what a command
// left behind.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

// Runs a shell command; its exit status (-1 when it did not exit normally)
// and its standard output.
inline std::pair<int, std::string> RunShell(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, out};
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// Whether the shell finds the program.
inline bool HaveProgram(const char* name)
{
    return RunShell(std::string("command -v ") + name + " >/dev/null 2>&1").first == 0;
}

// The names of the folder's entries, sorted.
inline std::vector<std::string> EntryNames(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
