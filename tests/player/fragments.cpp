// Building the test fragments with the container's own writer.
#include "fragments.h"

#include "container/mjpgimage.h"
#include "jpegencode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr int PictureSide = 16;
constexpr int ColourStep = 10;

QString TestFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

} // namespace

std::unique_ptr<TMemoryStream> BuildFragment(const TFragmentPlan& plan)
{
    TMJPGImage image(nullptr);
    TMJPGHeader& header = *image.Header;
    header.Signature = "MJPG";
    header.VersionMajor = 1;
    header.VersionMinor = 0;
    header.Camera = "1";
    header.Width = plan.Width;
    header.Height = plan.Height;
    header.FPS = plan.FPS;
    header.Frames = static_cast<int32_t>(plan.Frames.size());
    header.Boundary = "abcd";
    for (size_t i = 0; i < plan.Frames.size(); ++i) {
        auto frame = std::make_unique<TMJPGFrame>(nullptr, header.Boundary);
        frame->ContentType = "image/jpeg";
        if (plan.Frames[i]) {
            const bool garbage = std::find(plan.Garbage.begin(), plan.Garbage.end(), int(i)) != plan.Garbage.end();
            std::vector<uint8_t> bytes;
            if (garbage) {
                bytes.assign(100, 0x5A);
            } else {
                const auto level = static_cast<uint8_t>(ColourStep * i + ColourStep / 2);
                bytes = EncodeSolidJPEG(PictureSide, PictureSide, level, 128, static_cast<uint8_t>(255 - level), 95);
            }
            frame->Data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        }
        frame->ContentLength = static_cast<int32_t>(frame->Data->Size());
        image.FrameList.push_back(std::move(frame));
    }
    auto stream = std::make_unique<TMemoryStream>();
    image.SaveToStream(stream.get());
    stream->SetPosition(0);
    return stream;
}

QString WriteFragmentFile(const QString& name, const TFragmentPlan& plan)
{
    const QString path = QDir(TestFolder()).filePath(name);
    BuildFragment(plan)->SaveToFile(QFile::encodeName(path).toStdString());
    return path;
}

QString WriteTextFile(const QString& name, const std::string& text)
{
    const QString path = QDir(TestFolder()).filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.data(), static_cast<qint64>(text.size()));
    return path;
}

QString MissingPath(const QString& name)
{
    return QDir(TestFolder()).filePath(name);
}

int FrameOfPicture(const QImage& picture)
{
    if (picture.isNull())
        return -1;
    const int red = qRed(picture.pixel(picture.width() / 2, picture.height() / 2));
    // Frame i has red 10 i + 5: the JPEG error stays well inside the step.
    return red / ColourStep;
}
