// mjpgtool extract: every frame's JPEG bytes into a file of its own.
#include "commands.h"
#include "commandline.h"
#include "fragmentfiles.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

int RunExtract(const TArguments& cl)
{
    if (cl.Positional.size() != 2)
        throw EUsageError("extract: нужны файл фрагмента и папка");
    const std::string& path = cl.Positional[0];
    const std::filesystem::path dir = cl.Positional[1];

    const auto image = LoadFragmentFile(path);
    if (!image->Header->IsValid()) {
        std::cerr << "mjpgtool: \"" << path << "\" не является фрагментом MJPG\n";
        return esInvalid;
    }

    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        throw EFCreateError("Не могу создать папку \"" + dir.string() + "\". " + ec.message());

    int written = 0;
    for (size_t i = 0; i < image->FrameList.size(); ++i) {
        const TSharedBytes& data = image->FrameList[i]->Bytes();
        if (data.Size() == 0)
            continue;
        char name[32];
        std::snprintf(name, sizeof name, "%06zu.jpg", i);
        TReplacingFile out((dir / name).string());
        out.Stream().WriteBuffer(data.Memory(), data.Size());
        out.Commit();
        ++written;
    }
    std::cout << "Записано кадров: " << written << " из " << image->FrameCount() << " в \"" << dir.string()
              << "\"\n";
    return esOk;
}
