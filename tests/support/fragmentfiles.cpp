// The window tests' fragments, built with the fixture library.
#include "fragmentfiles.h"

#include "fixtures/files.h"
#include "fixtures/fragmentbuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

QString TestFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

} // namespace

std::string FragmentBytes(const TFragmentPlan& plan)
{
    const std::string time = plan.Time.empty() ? std::string(fixture::ZeroTime) : plan.Time;
    fixture::TFragmentBuilder fragment({.Camera = "1",
                                        .Event = time,
                                        .Begin = time,
                                        .End = time,
                                        .Width = plan.Width,
                                        .Height = plan.Height,
                                        .FPS = plan.FPS,
                                        .Frames = static_cast<int64_t>(plan.Frames.size())});
    for (size_t i = 0; i < plan.Frames.size(); ++i) {
        if (!plan.Frames[i])
            fragment.EmptyParts();
        else if (std::find(plan.Garbage.begin(), plan.Garbage.end(), int(i)) != plan.Garbage.end())
            fragment.Part(fixture::Garbage(100));
        else
            fragment.Part(fixture::MakeFrame({.Index = static_cast<int>(i), .Quality = 95}));
    }
    return fragment.Bytes();
}

std::unique_ptr<TMemoryStream> BuildFragment(const TFragmentPlan& plan)
{
    return fixture::StreamOf(FragmentBytes(plan));
}

QString WriteFragmentFile(const QString& name, const TFragmentPlan& plan)
{
    return WriteTextFile(name, FragmentBytes(plan));
}

QString WriteTextFile(const QString& name, const std::string& text)
{
    const QString path = QDir(TestFolder()).filePath(name);
    fixture::WriteFileBytes(QFile::encodeName(path).toStdString(), text);
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
    return fixture::FrameIndexOfRed(qRed(picture.pixel(picture.width() / 2, picture.height() / 2)));
}
