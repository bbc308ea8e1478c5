// Files as the commands use them: a fragment loaded whole, an input file read
// into memory, and an output file that is removed again when the command
// does not finish writing it.
#pragma once

#include "container/mjpgimage.h"
#include "core/streams.h"

#include <memory>
#include <string>

// Loads the fragment file whole (valid or not). Raises EStreamError naming
// the file when it cannot be opened or read.
std::unique_ptr<TMJPGImage> LoadFragmentFile(const std::string& path);

// The whole file in memory. Raises EStreamError naming the file.
void ReadWholeFile(const std::string& path, TMemoryStream& data);

// A created file that is deleted again unless Commit is called, so that a
// failed write never leaves a truncated fragment that looks whole. Only
// regular files are deleted (never a device such as /dev/full).
class TOutputFile {
public:
    // Raises EFCreateError naming the file.
    explicit TOutputFile(const std::string& path);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    TStream& Stream() { return *FStream; }
    // Closes the file and keeps it. Raises EWriteError naming the file when
    // the close fails; the file is then removed like an unfinished one.
    void Commit();

private:
    std::string FPath;
    std::unique_ptr<TFileStream> FStream;
};

// The bytes written to a temporary file in the same folder, which then takes
// the file's name: the file appears whole or not at all. Raises EFCreateError
// naming the file.
void WriteFileWhole(const std::string& path, const std::string& bytes);
