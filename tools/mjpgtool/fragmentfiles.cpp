// Opening, reading and creating the files the commands work on.
#include "fragmentfiles.h"

#include "core/errors.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

// Stream errors raised after a file was opened do not always name it; the
// user must learn which file failed.
[[noreturn]] void RethrowNamingFile(const std::string& path, const EStreamError& e)
{
    const std::string text = e.what();
    if (text.find(path) != std::string::npos)
        throw;
    throw EStreamError("Ошибка чтения файла \"" + path + "\". " + text);
}

} // namespace

std::unique_ptr<TMJPGImage> LoadFragmentFile(const std::string& path)
{
    TFileStream file(path, TFileMode::fmOpenRead);
    try {
        return std::make_unique<TMJPGImage>(&file);
    } catch (const EStreamError& e) {
        RethrowNamingFile(path, e);
    }
}

void ReadWholeFile(const std::string& path, TMemoryStream& data)
{
    TFileStream file(path, TFileMode::fmOpenRead);
    try {
        data.LoadFromStream(file);
    } catch (const EStreamError& e) {
        RethrowNamingFile(path, e);
    }
}

TOutputFile::TOutputFile(const std::string& path)
    : FPath(path), FStream(std::make_unique<TFileStream>(path, TFileMode::fmCreate))
{
}

TOutputFile::~TOutputFile()
{
    if (!FStream)
        return;
    FStream.reset();
    std::error_code ec;
    if (std::filesystem::is_regular_file(FPath, ec))
        std::filesystem::remove(FPath, ec);
}

void TOutputFile::Commit()
{
    // A failed close raises with the stream still held: the file is removed.
    FStream->Close();
    FStream.reset();
}

void WriteFileWhole(const std::string& path, const std::string& bytes)
{
    const std::filesystem::path target(path);
    const std::filesystem::path temporary =
        target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".tmp");
    try {
        TOutputFile out(temporary.string());
        out.Stream().WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        out.Commit();
    } catch (const EStreamError& e) {
        throw EFCreateError("Не могу записать файл \"" + path + "\". " + e.what());
    }
    std::error_code ec;
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw EFCreateError("Не могу записать файл \"" + path + "\". " + ec.message());
    }
}
