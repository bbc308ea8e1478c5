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

#include <optional>
#include <string>

namespace ReadAhead {

// Starts reading the file at `path` on a thread of its own. One file per
// program; a second call does nothing.
void Start(const std::string& path);

// The bytes read ahead when `fd` is an open descriptor of the file read
// ahead, unchanged since (waits for the read to end). Once: a later call
// gives nothing, and the bytes are no longer held here.
std::optional<TSharedBytes> Take(int fd);

} // namespace ReadAhead
