// Opening, reading and creating the files the commands work on.
#include "fragmentfiles.h"

#include "core/errors.h"


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
