// Files written under a temporary name beside their target and given the
// target's name only when complete: a failed or cancelled write leaves
// neither a half-written file nor a changed old one.
#pragma once

#include "streams.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Renames a file as rename(2) does: 0, or -1 with errno set. Tests replace
// it to fail one rename of a set.
using TRenameFunction = std::function<int(const std::string& from, const std::string& to)>;
int SystemRename(const std::string& from, const std::string& to);

class TReplacingFile {
public:
    // Creates the temporary file: a hidden name beginning with ".NAME." in
    // the target's folder (a symbolic link's file is replaced, not the
    // link), with the permissions of the file it replaces, or those a new
    // file gets. A target that exists and is not a regular file (a device
    // such as /dev/full, a pipe) is written in place and never removed.
    // Raises EFCreateError naming the folder and the target.
    explicit TReplacingFile(const std::string& target);
    // Removes the temporary file unless it took the target's name.
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Writes go to the temporary file; failures name the target.
    TFileStream& Stream() { return *FStream; }
    const std::string& Target() const { return FShown; }
    // The temporary file's path; empty for a target written in place.
    const std::string& TemporaryPath() const { return FTemporary; }

    // Closes the file. Raises EWriteError naming the target when the system
    // reports a loss; the temporary file is then removed when this object is.
    void Close();
    // Closes the file and gives it the target's name, replacing the file
    // there. Raises EWriteError naming the target; the old file stays.
    void Commit(const TRenameFunction& rename = SystemRename);

private:
    friend void ReplaceFiles(const std::vector<TReplacingFile*>&, const std::vector<std::string>&,
                             const TRenameFunction&);

    std::string FShown;     // the target as asked
    std::string FTarget;    // the name the file takes: the target, a symbolic link resolved
    std::string FTemporary; // empty when written in place, or once renamed
    std::unique_ptr<TFileStream> FStream;
};

// Gives each file its target's name and removes the files named in `stale`
// (those of an earlier set that this one no longer has), as one step: the
// old files are first moved aside under temporary names, then the new ones
// take their names, then the old ones are removed. When a rename fails the
// new files already in place are removed and the old ones take their names
// back, so the folder holds the old set as it was; EWriteError names the
// file that failed (and an old file that could not be put back, with where
// it is). Closes the files first (a failed close raises as Close does).
void ReplaceFiles(const std::vector<TReplacingFile*>& files, const std::vector<std::string>& stale = {},
                  const TRenameFunction& rename = SystemRename);
