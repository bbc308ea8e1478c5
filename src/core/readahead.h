// Reading a file ahead, on a thread of its own, for a program that knows at
// its start which file it will open: the player given a fragment on its
// command line reads it while its windows are being built, and opening the
// fragment then takes the bytes already read instead of reading them again.
//
// Whoever takes the bytes has opened the file itself first: they are given
// only for the same file (device and inode), of the same size and time of
// last change as when it was read, and read whole without an error. Anything
// else (another file, a changed one, a failed read) gives nothing, and the
// caller reads the file as it would have without the read-ahead; so its
// errors are told as ever.
#pragma once

#include "sharedbytes.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class TFileReadAhead {
public:
    // What more the thread does with the bytes once read whole (before Take
    // can have them): the player reads the fragment and decodes its first
    // picture there.
    using TThen = std::function<void(const TSharedBytes&)>;

    // Starts reading the file (read at once when no thread can be had).
    explicit TFileReadAhead(const std::string& path, TThen then = {});
    ~TFileReadAhead() { Wait(); }
    TFileReadAhead(const TFileReadAhead&) = delete;
    TFileReadAhead& operator=(const TFileReadAhead&) = delete;

    // Until the read has ended.
    void Wait();
    // The bytes read when `fd` is an open descriptor of the same file,
    // unchanged since (waits for the read to end). Once: a later call gives
    // nothing, and the bytes are no longer held here.
    std::optional<TSharedBytes> Take(int fd);

private:
    struct TIdentity;
    void Read(const std::string& path, const TThen& then);

    std::mutex FMutex; // Wait and Take from any thread
    std::thread FThread;
    // Written by the read only, read once it has ended.
    std::shared_ptr<TIdentity> FIdentity;
    TSharedBytes FBytes;
};

// The program's one read-ahead.
namespace ReadAhead {

// Starts reading the file at `path` (then `then` with its bytes, on the
// same thread); a second call does nothing.
void Start(const std::string& path, TFileReadAhead::TThen then = {});
// TFileReadAhead::Take of the file started; nothing when none was.
std::optional<TSharedBytes> Take(int fd);

} // namespace ReadAhead
