#include "failingclose.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

// Constant-initialized: the preload module sets it from a constructor that
// may run before the module's dynamic initializers.
std::mutex TargetLock;
char Target[PATH_MAX] = {}; // canonical path, empty for none
std::atomic<bool> HasTarget{false};
std::atomic<int> Failures{0};

using TClose = int (*)(int);

TClose RealClose()
{
    static std::atomic<TClose> next{nullptr};
    TClose found = next.load();
    if (!found) {
        found = reinterpret_cast<TClose>(dlsym(RTLD_NEXT, "close"));
        next.store(found);
    }
    return found;
}

bool IsTarget(int fd)
{
    if (!HasTarget.load())
        return false;
    char link[64];
    char path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    const std::lock_guard<std::mutex> lock(TargetLock);
    if (!HasTarget.load())
        return false;
    if (std::strcmp(Target, path) == 0)
        return true;
    // The file's temporary stand-in: ".NAME.XXXXXX" in the same folder,
    // which takes the name once complete.
    const char* slash = std::strrchr(Target, '/');
    if (!slash)
        return false;
    const size_t folder = static_cast<size_t>(slash - Target) + 1;
    const std::string hidden = std::string(Target, folder) + "." + (slash + 1) + ".";
    return std::strncmp(path, hidden.c_str(), hidden.size()) == 0 &&
           std::strchr(path + hidden.size(), '/') == nullptr;
}

std::string Canonical(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

// In a child process started with the preload module.
__attribute__((constructor)) void TargetFromEnvironment()
{
    if (const char* path = std::getenv("MJPG_FAIL_CLOSE_OF"); path && *path)
        FailClosesOf(path);
}

} // namespace

void FailClosesOf(const std::string& path)
{
    const std::string canonical = path.empty() ? std::string() : Canonical(path);
    const std::lock_guard<std::mutex> lock(TargetLock);
    std::snprintf(Target, sizeof Target, "%s", canonical.c_str());
    HasTarget.store(Target[0] != '\0');
}

int FailedCloses()
{
    return Failures.load();
}

extern "C" int close(int fd)
{
    const bool fail = IsTarget(fd);
    const int result = RealClose()(fd);
    if (!fail || result != 0)
        return result;
    Failures.fetch_add(1);
    errno = EIO;
    return -1;
}
