// The read-ahead thread and its one file (see readahead.h).
#include "readahead.h"

#include <sys/stat.h>

#include <exception>
#include <mutex>
#include <thread>

namespace {

// What identifies the file and its content for the purpose: the same
// file, not replaced, truncated or written to since.
struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Changed{};

    static std::optional<TFileIdentity> Of(int fd)
    {
        struct stat st {};
        if (fstat(fd, &st) != 0)
            return std::nullopt;
        return TFileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    bool operator==(const TFileIdentity& other) const
    {
        return Device == other.Device && Inode == other.Inode && Size == other.Size &&
               Changed.tv_sec == other.Changed.tv_sec && Changed.tv_nsec == other.Changed.tv_nsec;
    }
};

struct TReadAhead {
    std::mutex Mutex;
    std::thread Thread;      // joined by the first Take, or at exit
    bool Started = false;    // guarded by Mutex
    bool Taken = false;      // guarded by Mutex
    // Written by the thread only, read after it was joined.
    std::optional<TFileIdentity> Identity;
    TSharedBytes Bytes;

    ~TReadAhead()
    {
        if (Thread.joinable())
            Thread.join();
    }

    void Read(const std::string& path)
    {
        try {
            TFileStream file(path, TFileMode::fmOpenRead);
            const std::optional<TFileIdentity> before = TFileIdentity::Of(file.Handle());
            TMemoryStream whole;
            whole.LoadFromStream(file);
            // A file written to while it was read gives nothing.
            if (before && TFileIdentity::Of(file.Handle()) == before) {
                Bytes = TSharedBytes::Take(whole);
                Identity = before;
            }
        } catch (const std::exception&) {
            // The caller reads the file itself and tells what fails.
        }
    }
};

TReadAhead& Instance()
{
    static TReadAhead instance;
    return instance;
}

} // namespace

namespace ReadAhead {

void Start(const std::string& path)
{
    TReadAhead& ahead = Instance();
    const std::lock_guard<std::mutex> lock(ahead.Mutex);
    if (ahead.Started)
        return;
    ahead.Started = true;
    try {
        ahead.Thread = std::thread([&ahead, path] { ahead.Read(path); });
    } catch (const std::exception&) {
        // No thread: the file is read when it is opened.
    }
}

std::optional<TSharedBytes> Take(int fd)
{
    TReadAhead& ahead = Instance();
    const std::lock_guard<std::mutex> lock(ahead.Mutex);
    if (!ahead.Started || ahead.Taken)
        return std::nullopt;
    ahead.Taken = true;
    if (ahead.Thread.joinable())
        ahead.Thread.join();
    TSharedBytes bytes = std::move(ahead.Bytes);
    ahead.Bytes = {};
    if (!ahead.Identity || TFileIdentity::Of(fd) != ahead.Identity)
        return std::nullopt;
    return bytes;
}

} // namespace ReadAhead
