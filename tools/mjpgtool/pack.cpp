// mjpgtool pack: a fragment made from JPEG files, written by the writer one
// frame at a time (only one picture is held in memory).
#include "commands.h"
#include "commandline.h"
#include "fragmentfiles.h"
#include "packoptions.h"

#include "container/jpegpicture.h"
#include "container/mjpgframe.h"

#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <system_error>

namespace {

// Creating the output would destroy an input before it is read.
void RefuseOutputAmongInputs(const std::string& out, const std::vector<std::string>& inputs)
{
    for (const std::string& in : inputs) {
        std::error_code ec;
        if (std::filesystem::equivalent(out, in, ec))
            throw EUsageError("выходной файл \"" + out + "\" совпадает с входным \"" + in + "\"");
    }
}

// The picture as a frame of the fragment, or null (after a message) when the
// file is not a JPEG picture a frame can hold.
std::unique_ptr<TMJPGFrame> LoadPicture(const std::string& path, const std::string& boundary, int& width,
                                        int& height)
{
    auto frame = std::make_unique<TMJPGFrame>(nullptr, boundary);
    TMemoryStream data;
    ReadWholeFile(path, data);
    frame->SetBytes(TSharedBytes::Take(data));
    if (frame->Bytes().Size() > std::numeric_limits<int32_t>::max()) {
        std::cerr << "mjpgtool: файл \"" << path << "\" слишком велик для кадра\n";
        return nullptr;
    }
    if (!ReadJPEGSize(frame->Bytes().Memory(), static_cast<size_t>(frame->Bytes().Size()), width, height)) {
        std::cerr << "mjpgtool: файл \"" << path << "\" не является изображением JPEG\n";
        return nullptr;
    }
    frame->ContentType = kFrameContentType;
    frame->HasData();
    return frame;
}

} // namespace

int RunPack(const TArguments& cl)
{
    if (cl.Positional.size() < 2)
        throw EUsageError("pack: нужны выходной файл и хотя бы один файл JPEG");
    const std::string& outPath = cl.Positional[0];
    const std::vector<std::string> inputs(cl.Positional.begin() + 1, cl.Positional.end());

    TMJPGHeader header;
    ApplyPackOptions(cl, header);
    if (inputs.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EUsageError("pack: слишком много файлов");
    header.Frames = static_cast<int32_t>(inputs.size());
    RefuseOutputAmongInputs(outPath, inputs);

    // The picture size of the fragment is that of its first picture.
    auto frame = LoadPicture(inputs[0], header.Boundary, header.Width, header.Height);
    if (!frame)
        return esInvalid;

    TReplacingFile out(outPath);
    header.WriteToStream(&out.Stream());
    for (size_t i = 0;;) {
        frame->WriteToStream(&out.Stream());
        if (++i == inputs.size())
            break;
        int width = 0, height = 0;
        frame = LoadPicture(inputs[i], header.Boundary, width, height);
        if (!frame)
            return esInvalid; // the unfinished output is removed
    }
    out.Commit();
    std::cout << "Записано кадров: " << inputs.size() << " в \"" << outPath << "\"\n";
    return esOk;
}
