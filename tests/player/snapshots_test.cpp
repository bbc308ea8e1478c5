// Saving snapshots (the frame's own JPEG bytes, or a decoded bitmap) and
// fragments, with the dialog's settings, the proposed names and every
// message, including failed writes.
#include "playerfixture.h"
#include "children.h"

#include "capturedlog.h"
#include "failingclose.h"

#include "container/mjpgimage.h"
#include "core/cp1251.h"
#include "fixtures/fragmentbuilder.h"
#include "player/snapshotnames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

struct TSavedFragment {
    std::string Camera = Utf8ToCp1251("Вход 1");
    TDateTime Event = EncodeDateTime(2007, 11, 15, 14, 30, 5);
    int32_t Frames = 3; // header value, may differ from the parts
    int Parts = 3;
};

std::unique_ptr<TMemoryStream> BuildNamedFragment(const TSavedFragment& plan)
{
    fixture::TFragmentBuilder fragment({.First = "MJPG/1.3 Multipart JPEG stream",
                                        .Camera = plan.Camera,
                                        .Event = fixture::HeaderTime(plan.Event),
                                        .Begin = fixture::HeaderTime(plan.Event - 1.0 / 1440),
                                        .End = fixture::HeaderTime(plan.Event + 1.0 / 1440),
                                        .Width = 32,
                                        .Height = 24,
                                        .FPS = 25,
                                        .Frames = plan.Frames,
                                        .Boundary = "bnd"});
    for (int i = 0; i < plan.Parts; ++i)
        fragment.Part(fixture::MakeFrame(
            {.Width = 32, .Height = 24, .Colour = fixture::TRgb{static_cast<uint8_t>(40 * i), 200, 90}}));
    return fragment.Stream();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray FrameBytes(const TMJPGFrame* frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame->Bytes().Memory()), static_cast<qsizetype>(frame->Bytes().Size()));
}

class SnapshotTest : public PlayerTest {
protected:
    QTemporaryDir Dir;

    void LoadNamed(const TSavedFragment& plan = {})
    {
        auto stream = BuildNamedFragment(plan);
        ASSERT_TRUE(Form.LoadStream(stream.get()));
    }
    QString PathOf(const QString& name) const { return Dir.filePath(name); }
    void SaveFrameAs(const QString& path)
    {
        Dialogs.FileAnswers.push_back(path);
        Child(Form, "actSaveFrame")->trigger();
    }
    void SaveFragmentAs(const QString& path)
    {
        Dialogs.FileAnswers.push_back(path);
        Child(Form, "actSaveFile")->trigger();
    }
};

} // namespace

TEST_F(SnapshotTest, JpegSnapshotIsTheFramesOwnBytes)
{
    LoadNamed();
    Child(Form, "actNextFrame")->trigger();
    const QString path = PathOf(QStringLiteral("shot.jpg"));
    SaveFrameAs(path);

    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    const TFileDialogOptions& d = Dialogs.FileDialogs[0];
    EXPECT_EQ(d.Title, QStringLiteral("Сохранить снимок"));
    EXPECT_EQ(d.Filter, QStringLiteral("Windows Bitmap (*.bmp)|*.bmp|Файлы JPG (*.jpg)|*.jpg|Все файлы|*.*"));
    EXPECT_EQ(d.FilterIndex, 2);
    EXPECT_EQ(d.DefaultExt, QStringLiteral("jpg"));
    EXPECT_EQ(d.FileName, QStringLiteral("2007-11-15 14-30-05 Вход 1 Фрагмент №1"));

    EXPECT_EQ(ReadAll(path), FrameBytes(Form.FramePos.CurrentFrame));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Снимок успешно сохранен."));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Information);
    EXPECT_EQ(Dialogs.Messages[0].Title, QStringLiteral("Просмотр видеоархива"));
}

TEST_F(SnapshotTest, TheExtensionChoosesTheFormatWhateverItsCase)
{
    LoadNamed();
    const QByteArray jpeg = FrameBytes(Form.FramePos.CurrentFrame);
    const struct {
        const char* name;
        bool bitmap;
    } cases[] = {{"kadr.Bmp", true}, {"kadr.BMP", true}, {"kadr.png", false}, {"kadr", false}, {"dir.bmp/kadr", false}};
    QDir(Dir.path()).mkdir(QStringLiteral("dir.bmp"));
    for (const auto& c : cases) {
        const QString path = PathOf(QString::fromUtf8(c.name));
        SaveFrameAs(path);
        const QByteArray written = ReadAll(path);
        if (c.bitmap) {
            EXPECT_TRUE(written.startsWith("BM")) << c.name;
            QImage image;
            ASSERT_TRUE(image.loadFromData(written, "BMP")) << c.name;
            EXPECT_EQ(image.size(), QSize(32, 24));
            // The decoded colour survives: frame 0 is (0, 200, 90).
            const QColor pixel = image.pixelColor(16, 12);
            EXPECT_NEAR(pixel.green(), 200, 6) << c.name;
            EXPECT_NEAR(pixel.blue(), 90, 6) << c.name;
        } else {
            EXPECT_EQ(written, jpeg) << c.name;
        }
    }
    for (const TRecordedMessage& m : Dialogs.Messages)
        EXPECT_EQ(m.Text, QStringLiteral("Снимок успешно сохранен."));
}

TEST_F(SnapshotTest, BitmapHeaderIsAStandardTwentyFourBitFile)
{
    LoadNamed();
    const QString path = PathOf(QStringLiteral("head.bmp"));
    SaveFrameAs(path);
    const QByteArray b = ReadAll(path);
    ASSERT_GE(b.size(), 54);
    auto u32 = [&](int at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
                                    uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24; };
    EXPECT_EQ(u32(2), uint32_t(b.size()));   // file size
    EXPECT_EQ(u32(10), 54u);                 // pixels right after the headers
    EXPECT_EQ(u32(18), 32u);                 // width
    EXPECT_EQ(u32(22), 24u);                 // height, bottom-up
    EXPECT_EQ(uint8_t(b[28]), 24);           // bits per pixel
    EXPECT_EQ(b.size(), 54 + 32 * 3 * 24);   // rows of 96 bytes, already aligned
}

TEST_F(SnapshotTest, FailedSnapshotWritesReportFailure)
{
    LoadNamed();
    const std::pair<QString, int> cases[] = {{QStringLiteral("/dev/full"), ENOSPC},
                                             {PathOf(QStringLiteral("missing/dir/shot.jpg")), ENOENT},
                                             {PathOf(QStringLiteral("missing/dir/shot.bmp")), ENOENT}};
    for (const auto& [path, reason] : cases) {
        Dialogs.Messages.clear();
        TCapturedLog log;
        SaveFrameAs(path);
        ASSERT_EQ(Dialogs.Messages.size(), 1u) << path.toStdString();
        EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Не могу сохранить снимок!"));
        EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
        // The message is fixed; what went wrong is kept in the log.
        EXPECT_TRUE(log.Has({path, QString::fromStdString(SystemErrorText(reason))})) << log.Lines.join('\n').toStdString();
    }
}

TEST_F(SnapshotTest, AFailedCloseFailsTheSave)
{
    // Every byte written, then the close reports the loss (a full quota, a
    // network file system): the save fails with its message, never success.
    LoadNamed();
    struct TCase {
        QString Name;
        bool Fragment;
        QString Message;
    };
    const TCase cases[] = {
        {QStringLiteral("shot.jpg"), false, QStringLiteral("Не могу сохранить снимок!")},
        {QStringLiteral("shot.bmp"), false, QStringLiteral("Не могу сохранить снимок!")},
        {QStringLiteral("clip.mjpg"), true, QStringLiteral("Не могу сохранить данные в файл\n\"%1\"")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name.toStdString());
        const QString path = PathOf(c.Name);
        Dialogs.Messages.clear();
        const int before = FailedCloses();
        TCapturedLog log;
        FailClosesOf(QFile::encodeName(path).toStdString());
        if (c.Fragment)
            SaveFragmentAs(path);
        else
            SaveFrameAs(path);
        FailClosesOf({});
        EXPECT_EQ(FailedCloses(), before + 1);
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text, c.Fragment ? c.Message.arg(path) : c.Message);
        EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
        EXPECT_TRUE(log.Has({path, QString::fromStdString(SystemErrorText(EIO))})) << log.Lines.join('\n').toStdString();
    }
    // The same saves with a close that succeeds.
    Dialogs.Messages.clear();
    SaveFrameAs(PathOf(QStringLiteral("shot.jpg")));
    SaveFragmentAs(PathOf(QStringLiteral("clip2.mjpg")));
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Information);
    EXPECT_EQ(Dialogs.Messages[1].Icon, TMsgIcon::Information);
}

TEST_F(SnapshotTest, ProposedNames)
{
    TSavedFragment noEvent;
    noEvent.Event = 0;
    noEvent.Camera = Utf8ToCp1251("Cam/1\\x");
    LoadNamed(noEvent);
    SaveFrameAs(QString()); // cancelled: nothing written, nothing said
    SaveFragmentAs(QString());
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_EQ(Dialogs.FileDialogs[0].FileName, QStringLiteral("1899-12-30 00-00-00 Cam_1_x Фрагмент №0"));
    EXPECT_EQ(Dialogs.FileDialogs[1].FileName, QStringLiteral("1899-12-30 00-00-00"));
    EXPECT_TRUE(Dialogs.Messages.empty());

    // Characters that cannot stand in a file name.
    EXPECT_EQ(SnapshotFileNamePart(QStringLiteral("a/b\\c\nd") + QChar(0) + QStringLiteral("e")),
              QStringLiteral("a_b_c_d_e"));
    const struct {
        const char* path;
        const char* extension;
    } extensions[] = {{"/x/kadr.Bmp", ".BMP"}, {"/x.y/kadr", ""}, {"kadr.", "."}, {"a.b.jpg", ".JPG"}, {"c:kadr", ""}};
    for (const auto& e : extensions)
        EXPECT_EQ(UpperExtension(QString::fromUtf8(e.path)), QString::fromUtf8(e.extension)) << e.path;
}

TEST_F(SnapshotTest, SavingAFragmentAsksBeforeReplacing)
{
    LoadNamed();
    const QString path = PathOf(QStringLiteral("old.mjpg"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    Dialogs.MessageAnswers.push_back(mrNo);
    SaveFragmentAs(path);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Файл с таким именем уже существует!\nПерезаписать файл \"") +
                                            path + QStringLiteral("\"?"));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, mbYes | mbNo);
    EXPECT_EQ(ReadAll(path), QByteArray("old contents"));

    const TFileDialogOptions& d = Dialogs.FileDialogs[0];
    EXPECT_EQ(d.Title, QStringLiteral("Сохранить видеофрагмент"));
    EXPECT_EQ(d.Filter, QStringLiteral("Файлы MJPG (*.mjpg)|*.mjpg|Все файлы|*.*"));
    EXPECT_EQ(d.FilterIndex, 1);
    EXPECT_EQ(d.DefaultExt, QStringLiteral("mjpg"));
    EXPECT_EQ(d.FileName, QStringLiteral("2007-11-15 14-30-05"));

    Dialogs.Messages.clear();
    Dialogs.MessageAnswers.push_back(mrYes);
    SaveFragmentAs(path);
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[1].Text, QStringLiteral("Видеофрагмент успешно сохранен."));
    EXPECT_EQ(Dialogs.Messages[1].Icon, TMsgIcon::Information);
    auto original = BuildNamedFragment({});
    EXPECT_EQ(ReadAll(path), QByteArray(reinterpret_cast<const char*>(original->Memory()),
                                        static_cast<qsizetype>(original->Size())));
}

TEST_F(SnapshotTest, SavedFragmentOpensAgainWithTheSameFramesAndHeader)
{
    TSavedFragment plan;
    plan.Frames = 7; // declared count differs from the parts and is kept
    LoadNamed(plan);
    const QString path = PathOf(QStringLiteral("again.mjpg"));
    ASSERT_TRUE(Form.SaveFile(path));
    TVPlayerForm other;
    ASSERT_TRUE(other.LoadFile(path));
    ASSERT_EQ(other.Image->FrameCount(), Form.Image->FrameCount());
    for (int32_t i = 0; i < Form.Image->FrameCount(); ++i)
        EXPECT_EQ(FrameBytes(other.Image->GetFrame(i)), FrameBytes(Form.Image->GetFrame(i)));
    EXPECT_EQ(other.Image->Header->ToText(), Form.Image->Header->ToText());
    EXPECT_EQ(other.Image->Header->Frames, 7);
}

// A fragment replaced while the save dialog is up (a fetch that ends):
// the frame and the fragment asked about are the ones written.
TEST_F(SnapshotTest, WhatIsSavedIsWhatWasAskedAboutEvenWhenReplacedDuringTheDialog)
{
    LoadNamed();
    Child(Form, "actNextFrame")->trigger();
    const QByteArray askedFrame = FrameBytes(Form.FramePos.CurrentFrame);
    auto asked = BuildNamedFragment({});
    const QByteArray askedFragment(reinterpret_cast<const char*>(asked->Memory()), static_cast<qsizetype>(asked->Size()));
    TSavedFragment otherPlan;
    otherPlan.Camera = Utf8ToCp1251("Выход 2");
    otherPlan.Parts = 5;
    otherPlan.Frames = 5;
    Dialogs.WhileAsking = [&] {
        Form.CloseFragment();
        auto other = BuildNamedFragment(otherPlan);
        ASSERT_TRUE(Form.LoadStream(other.get()));
        Child(Form, "actNextFrame")->trigger();
        Child(Form, "actNextFrame")->trigger(); // a picture of another colour
    };
    const QString shot = PathOf(QStringLiteral("asked.jpg"));
    SaveFrameAs(shot);
    EXPECT_EQ(ReadAll(shot), askedFrame);
    EXPECT_NE(FrameBytes(Form.FramePos.CurrentFrame), askedFrame);

    Form.CloseFragment();
    LoadNamed();
    const QString fragment = PathOf(QStringLiteral("asked.mjpg"));
    SaveFragmentAs(fragment);
    EXPECT_EQ(ReadAll(fragment), askedFragment);
    Dialogs.WhileAsking = nullptr;
}

TEST_F(SnapshotTest, FragmentWithoutFramesIsSavedAsItsHeader)
{
    TSavedFragment empty;
    empty.Parts = 0;
    empty.Frames = 0;
    LoadNamed(empty);
    EXPECT_FALSE(Child(Form, "actSaveFrame")->isEnabled());
    const QString path = PathOf(QStringLiteral("empty.mjpg"));
    SaveFragmentAs(path);
    EXPECT_EQ(ReadAll(path), QByteArray::fromStdString(Form.Image->Header->ToText()));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Видеофрагмент успешно сохранен."));
}

TEST_F(SnapshotTest, FailedFragmentWritesReportFailure)
{
    LoadNamed();
    // A full disk: the write fails, the failure is reported, never the success.
    Dialogs.MessageAnswers.push_back(mrYes); // /dev/full exists: replace it
    TCapturedLog log;
    SaveFragmentAs(QStringLiteral("/dev/full"));
    EXPECT_TRUE(log.Has({QStringLiteral("/dev/full"), QString::fromStdString(SystemErrorText(ENOSPC))}))
        << log.Lines.join('\n').toStdString();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[1].Text, QStringLiteral("Не могу сохранить данные в файл\n\"/dev/full\""));
    EXPECT_EQ(Dialogs.Messages[1].Icon, TMsgIcon::Error);
    EXPECT_FALSE(Form.SaveFile(QStringLiteral("/dev/full")));

    // A file that cannot be created: the standard error display, no message of the command.
    Dialogs.Messages.clear();
    SaveFragmentAs(PathOf(QStringLiteral("no/such/dir/x.mjpg")));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("No such file or directory")));
    EXPECT_FALSE(Dialogs.Messages[0].Text.contains(QStringLiteral("успешно")));
}
