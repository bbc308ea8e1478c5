// pread and preadv of the test program, over the system's own (dlsym
// RTLD_NEXT), failing for the armed file.
#include "failingreads.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <sys/uio.h>
#include <unistd.h>

namespace {

struct TArmed {
    bool On = false;
    std::string Path;
    int64_t From = 0;
};

TArmed& Armed()
{
    static TArmed armed;
    return armed;
}

bool Fails(int fd, off_t offset, size_t count)
{
    const TArmed& armed = Armed();
    if (!armed.On || static_cast<int64_t>(offset) + static_cast<int64_t>(count) <= armed.From)
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 && std::string(target, static_cast<size_t>(n)) == armed.Path;
}

template <class F>
F Next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

TFailingReads::TFailingReads(const std::string& path, int64_t fromOffset)
{
    Armed() = {true, std::filesystem::canonical(path).string(), fromOffset};
}

TFailingReads::~TFailingReads()
{
    Armed().On = false;
}

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    using TPread = ssize_t (*)(int, void*, size_t, off_t);
    static const TPread system = Next<TPread>("pread");
    if (Fails(fd, offset, count)) {
        errno = EIO;
        return -1;
    }
    return system(fd, buffer, count, offset);
}

extern "C" ssize_t preadv(int fd, const iovec* parts, int partCount, off_t offset)
{
    using TPreadv = ssize_t (*)(int, const iovec*, int, off_t);
    static const TPreadv system = Next<TPreadv>("preadv");
    size_t count = 0;
    for (int i = 0; i < partCount; ++i)
        count += parts[i].iov_len;
    if (Fails(fd, offset, count)) {
        errno = EIO;
        return -1;
    }
    return system(fd, parts, partCount, offset);
}
