// The read-ahead thread and its file (see readahead.h).
#include "readahead.h"

#include <sys/stat.h>

#include <exception>
#include <memory>

// What identifies the file and its content for the purpose: the same file,
// not replaced, truncated or written to since.
struct TFileReadAhead::TIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Changed{};

    static std::optional<TIdentity> Of(int fd)
    {
        struct stat st {};
        if (fstat(fd, &st) != 0)
            return std::nullopt;
        return TIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    bool operator==(const TIdentity& other) const
    {
        return Device == other.Device && Inode == other.Inode && Size == other.Size &&
               Changed.tv_sec == other.Changed.tv_sec && Changed.tv_nsec == other.Changed.tv_nsec;
    }
};

TFileReadAhead::TFileReadAhead(const std::string& path, TThen then)
{
    try {
        FThread = std::thread([this, path, then = std::move(then)] { Read(path, then); });
    } catch (const std::exception&) {
        Read(path, then);
    }
}

void TFileReadAhead::Read(const std::string& path, const TThen& then)
{
    try {
        TFileStream file(path, TFileMode::fmOpenRead);
        const std::optional<TIdentity> before = TIdentity::Of(file.Handle());
        TMemoryStream whole;
        whole.LoadFromStream(file);
        // A file written to while it was read gives nothing.
        if (before && TIdentity::Of(file.Handle()) == before) {
            FBytes = TSharedBytes::Take(whole);
            FIdentity = std::make_shared<TIdentity>(*before);
        }
    } catch (const std::exception&) {
        // Whoever opens the file reads it and tells what fails.
    }
    if (!then || !FIdentity)
        return;
    try {
        then(FBytes);
    } catch (const std::exception&) {
        // The bytes stay; whoever takes them does the rest itself.
    }
}

void TFileReadAhead::Wait()
{
    const std::lock_guard<std::mutex> lock(FMutex);
    if (FThread.joinable())
        FThread.join();
}

std::optional<TSharedBytes> TFileReadAhead::Take(int fd)
{
    Wait();
    const std::lock_guard<std::mutex> lock(FMutex);
    TSharedBytes bytes = std::move(FBytes);
    FBytes = {};
    const std::shared_ptr<TIdentity> identity = std::move(FIdentity);
    FIdentity.reset();
    if (!identity || TIdentity::Of(fd) != *identity)
        return std::nullopt;
    return bytes;
}

namespace {

std::mutex ProgramMutex;
std::unique_ptr<TFileReadAhead> ProgramReadAhead; // guarded by ProgramMutex; freed at exit (waits)

} // namespace

namespace ReadAhead {

void Start(const std::string& path, TFileReadAhead::TThen then)
{
    const std::lock_guard<std::mutex> lock(ProgramMutex);
    if (!ProgramReadAhead)
        ProgramReadAhead = std::make_unique<TFileReadAhead>(path, std::move(then));
}

std::optional<TSharedBytes> Take(int fd)
{
    const std::lock_guard<std::mutex> lock(ProgramMutex);
    return ProgramReadAhead ? ProgramReadAhead->Take(fd) : std::nullopt;
}

} // namespace ReadAhead
