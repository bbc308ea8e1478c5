#include "replacingfile.h"

#include "errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

// The process's file creation mask, read without changing it (umask(2)
// can only be read by setting it, which would race with other threads
// creating files).
mode_t CreationMask()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// A new hidden file ".NAME.XXXXXX" beside `path`; its descriptor, and its
// name in `created`. Returns -1 with errno set when the folder takes none.
int CreateBeside(const std::string& path, const char* kind, std::string& created)
{
    const fs::path p(path);
    std::string pattern = (fs::path(FolderOf(path)) / ("." + p.filename().string() + kind + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0)
        created = pattern;
    return fd;
}

[[noreturn]] void ThrowRenameFailure(const std::string& target, int error, const std::string& more = {})
{
    throw EWriteError("Не могу записать файл " + Quoted(target) + ". " + SystemErrorText(error) + more);
}

} // namespace

int SystemRename(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str());
}

TReplacingFile::TReplacingFile(const std::string& target) : FShown(target), FTarget(target)
{
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        FStream = std::make_unique<TFileStream>(target, TFileMode::fmCreate);
        return;
    }
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            FTarget = resolved.string();
    }
    const int fd = CreateBeside(FTarget, "", FTemporary);
    if (fd < 0)
        throw EFCreateError("Не могу создать файл в папке " + Quoted(FolderOf(FTarget)) + " для " + Quoted(target) +
                            ". " + SystemErrorText(errno));
    // The permissions of the file replaced, or of a new file: not mkstemp's 0600.
    ::fchmod(fd, exists && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : (0666 & ~CreationMask()));
    FStream = std::make_unique<TFileStream>(fd, target);
}

TReplacingFile::~TReplacingFile()
{
    FStream.reset();
    if (!FTemporary.empty())
        ::unlink(FTemporary.c_str());
}

void TReplacingFile::Close()
{
    FStream->Close();
}

void TReplacingFile::Commit(const TRenameFunction& rename)
{
    ReplaceFiles({this}, {}, rename);
}

void ReplaceFiles(const std::vector<TReplacingFile*>& files, const std::vector<std::string>& stale,
                  const TRenameFunction& given)
{
    const TRenameFunction rename = given ? given : TRenameFunction(SystemRename);
    for (TReplacingFile* file : files)
        file->Close();

    // The old files of the set, each to be moved aside under a reserved name.
    struct TOld {
        std::string Path;
        std::string Aside; // the reserved name (an empty file until the old one takes it)
        bool Moved = false;
    };
    std::vector<TOld> olds;
    auto addOld = [&](const std::string& path) {
        for (const TOld& old : olds)
            if (old.Path == path)
                return;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            olds.push_back({path, {}, false});
    };
    for (const TReplacingFile* file : files)
        if (!file->FTemporary.empty())
            addOld(file->FTarget);
    for (const std::string& path : stale)
        addOld(path);

    std::vector<const TReplacingFile*> placed;
    // Undoes what was done when a step fails: the new files placed are
    // removed, the old ones take their names back; the text names an old
    // file that could not be put back.
    auto undo = [&]() -> std::string {
        for (const TReplacingFile* file : placed)
            ::unlink(file->FTarget.c_str());
        std::string lost;
        for (TOld& old : olds) {
            if (old.Moved && rename(old.Aside, old.Path) != 0) {
                lost += "; прежний файл " + Quoted(old.Path) + " сохранён как " + Quoted(old.Aside);
                continue;
            }
            if (!old.Aside.empty())
                ::unlink(old.Aside.c_str());
        }
        return lost;
    };

    for (TOld& old : olds) {
        const int fd = CreateBeside(old.Path, ".old", old.Aside);
        if (fd < 0) {
            const int error = errno;
            ThrowRenameFailure(old.Path, error, undo());
        }
        ::close(fd);
        if (rename(old.Path, old.Aside) != 0) {
            const int error = errno;
            ThrowRenameFailure(old.Path, error, undo());
        }
        old.Moved = true;
    }
    for (TReplacingFile* file : files) {
        if (file->FTemporary.empty())
            continue;
        if (rename(file->FTemporary, file->FTarget) != 0) {
            const int error = errno;
            ThrowRenameFailure(file->FShown, error, undo());
        }
        placed.push_back(file);
    }
    for (TReplacingFile* file : files)
        file->FTemporary.clear();
    for (const TOld& old : olds)
        ::unlink(old.Aside.c_str());
}
