// Loading fragments from files and streams, and what a failed load leaves.
#include "playerfixture.h"
#include "children.h"

#include "capturedlog.h"
#include "failingreads.h"

#include "manager/fragment.h"
#include "uikit/apptitle.h"

#include "core/errors.h"
#include "core/streams.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

TEST_F(PlayerTest, LoadFileShowsTheFirstPicture)
{
    const QString path = WriteFragmentFile(QStringLiteral("first.mjpg"), Frames({false, true, true}));
    ASSERT_TRUE(Form.LoadFile(path));
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 1);
    EXPECT_EQ(ShownFrame(), 1);
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->minimum(), 0);
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->maximum(), 2);
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->value(), 1);
    EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(Form.Session().Source().SerialNumber, -1);
    EXPECT_EQ(Form.Session().Source().Issue, -1);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(PlayerTest, TextFileIsRejectedSilently)
{
    ASSERT_TRUE(Load(Frames(3)));
    const QString path = WriteTextFile(QStringLiteral("notes.txt"), "Camera 3 was moved on Monday.\r\n");
    Dialogs.FileAnswers.push_back(path);
    Child(Form, "actOpenFile")->trigger();
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Form.Image, nullptr);
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_EQ(ShownFrame(), -1);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(Enabled(), (std::set<std::string>{"actOpenFile", "actShowDTInterval", "actShowManager", "actHideManager",
                                                "actZoom50", "actZoom100", "actZoom200", "actZoomFree"}));
}

TEST_F(PlayerTest, MissingFileReachesTheStandardErrorDisplay)
{
    ASSERT_TRUE(Load(Frames(3)));
    Child(Form, "actNextFrame")->trigger();
    const QString path = MissingPath(QStringLiteral("gone.mjpg"));
    Dialogs.FileAnswers.push_back(path);
    Child(Form, "actOpenFile")->trigger();

    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    const TRecordedMessage& message = Dialogs.Messages[0];
    EXPECT_EQ(message.Icon, TMsgIcon::Error);
    EXPECT_EQ(message.Title, ApplicationTitle());
    EXPECT_TRUE(message.Text.contains(path)) << message.Text.toStdString();
    EXPECT_TRUE(message.Text.contains(QString::fromStdString(SystemErrorText(ENOENT)))) << message.Text.toStdString();
    // The fragment is closed, its last picture stays and the state is as it was.
    EXPECT_EQ(Form.Image, nullptr);
    EXPECT_EQ(ShownFrame(), 1);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
}

TEST_F(PlayerTest, AFileThatCannotBeOpenedLeavesNoFrameCommandEnabled)
{
    ASSERT_TRUE(Load(Frames(3)));
    Child(Form, "actNextFrame")->trigger();
    Dialogs.FileAnswers.push_back(MissingPath(QStringLiteral("vanished.mjpg")));
    Child(Form, "actOpenFile")->trigger();
    // The previous fragment is closed: nothing may act on it any more.
    EXPECT_EQ(Enabled(), (std::set<std::string>{"actOpenFile", "actShowDTInterval", "actShowManager", "actHideManager",
                                                "actZoom50", "actZoom100", "actZoom200", "actZoomFree"}));
}

// A file the system fails to read while it loads (a failing disk, not the
// end of the file): wherever the failure strikes, the load ends with the
// load-error message and nothing of the file is kept.
TEST_F(PlayerTest, AReadErrorWhileLoadingEndsWithTheLoadError)
{
    const QString path = WriteFragmentFile(QStringLiteral("failing.mjpg"), Frames(6));
    const int64_t size = QFileInfo(path).size();
    for (const int64_t from : {int64_t{0}, int64_t{40}, size / 2, size - 10}) {
        SCOPED_TRACE(from);
        ASSERT_TRUE(Load(Frames(3)));
        Dialogs.Messages.clear();
        TCapturedLog log;
        bool loaded = true;
        {
            const TFailingReads failing(QFile::encodeName(path).toStdString(), from);
            loaded = Form.LoadFile(path);
        }
        EXPECT_FALSE(loaded);
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Не могу загрузить данные из файла\n\"") + path + '"');
        EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
        EXPECT_EQ(Form.Image, nullptr);
        EXPECT_EQ(Form.State, psEmpty);
        EXPECT_EQ(ShownFrame(), -1);
        EXPECT_TRUE(log.Has({path, QString::fromStdString(SystemErrorText(EIO))})) << log.Lines.join('\n').toStdString();
    }
    // The same file loads whole once the disk reads again.
    EXPECT_TRUE(Form.LoadFile(path));
    EXPECT_EQ(Form.Image->FrameCount(), 6);
}

TEST_F(PlayerTest, LoadFileRaisesTheOpenErrorToItsCaller)
{
    EXPECT_THROW(Form.LoadFile(MissingPath(QStringLiteral("absent.mjpg"))), EFOpenError);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(PlayerTest, SecondFragmentWhilePaused)
{
    ASSERT_TRUE(Load(Frames(6)));
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        if (pass == 2)
            Child(Form, "actPause")->trigger();
    });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    ASSERT_EQ(Form.State, psPaused);

    TFragmentPlan second = Frames({false, false, true, true});
    second.Width = 320;
    ASSERT_TRUE(Form.LoadFile(WriteFragmentFile(QStringLiteral("second.mjpg"), second)));
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.Image->Header->Width, 320);
    EXPECT_EQ(Form.Image->FrameCount(), 4);
    EXPECT_EQ(Form.FramePos.Index, 2);
    EXPECT_EQ(ShownFrame(), 2);
    EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(Form.FramePos.DisableCount, 0);
    EXPECT_TRUE(Child(Form, "actPlay")->isEnabled());
    EXPECT_FALSE(Child(Form, "actPause")->isEnabled());
}

TEST_F(PlayerTest, LoadStreamFailuresAreSilent)
{
    struct Case {
        const char* What;
        std::function<std::unique_ptr<TMemoryStream>()> Stream;
    };
    const Case cases[] = {
        {"null stream", [] { return std::unique_ptr<TMemoryStream>(); }},
        {"empty stream", [] { return std::make_unique<TMemoryStream>(); }},
        {"wrong signature",
         [] {
             auto s = std::make_unique<TMemoryStream>();
             s->WriteString("MJPX/1.0 Multipart JPEG stream\r\n\r\n");
             s->SetPosition(0);
             return s;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(Load(Frames(2)));
        auto stream = c.Stream();
        EXPECT_FALSE(Form.LoadStream(stream.get()));
        EXPECT_EQ(Form.State, psEmpty);
        EXPECT_EQ(Form.Image, nullptr);
        EXPECT_EQ(ShownFrame(), -1);
        EXPECT_TRUE(Dialogs.Messages.empty());
    }
}

TEST_F(PlayerTest, LoadStreamReadsFromTheCurrentPosition)
{
    auto fragment = BuildFragment(Frames(2));
    TMemoryStream stream;
    stream.WriteString("leading bytes");
    const int64_t start = stream.Position();
    stream.CopyFrom(*fragment, 0);
    stream.SetPosition(start);
    EXPECT_TRUE(Form.LoadStream(&stream));
    EXPECT_EQ(Form.Image->FrameCount(), 2);
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST_F(PlayerTest, CloseFragmentKeepsStateAndPicture)
{
    ASSERT_TRUE(Load(Frames(3)));
    Child(Form, "actNextFrame")->trigger();
    Form.CloseFragment();
    EXPECT_EQ(Form.Image, nullptr);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(ShownFrame(), 1);
    EXPECT_EQ(Form.FramePos.Index, -1);
    EXPECT_EQ(Form.FramePos.DisableCount, 0);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
}

TEST_F(PlayerTest, SecondFragmentWhileStoppedBringsTheCommandsUpToDate)
{
    // At the end of the first fragment Next and Last are unavailable; the
    // second fragment starts at its first frame, so they must come back
    // although the state stays psStopped.
    ASSERT_TRUE(Load(Frames(2)));
    Child(Form, "actLastFrame")->trigger();
    ASSERT_FALSE(Child(Form, "actNextFrame")->isEnabled());
    ASSERT_EQ(Form.State, psStopped);
    ASSERT_TRUE(Load(Frames(4)));
    EXPECT_EQ(Form.FramePos.Index, 0);
    EXPECT_TRUE(Child(Form, "actNextFrame")->isEnabled());
    EXPECT_TRUE(Child(Form, "actLastFrame")->isEnabled());
    EXPECT_FALSE(Child(Form, "actFirstFrame")->isEnabled());
    EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
}

TEST_F(PlayerTest, LoadFragmentRemembersTheArchiveRecordUntilTheNextLoad)
{
    EXPECT_FALSE(Form.LoadFragment(nullptr));

    TFragment fragment;
    fragment.SerialNumber = 17;
    fragment.Issue = 3;
    fragment.Data = TSharedBytes::Take(*BuildFragment(Frames(3)));
    ASSERT_TRUE(Form.LoadFragment(&fragment));
    EXPECT_EQ(Form.Session().Source().SerialNumber, 17);
    EXPECT_EQ(Form.Session().Source().Issue, 3);
    EXPECT_EQ(Form.Image->FrameCount(), 3);

    // A null record changes nothing; a later file load forgets the record.
    EXPECT_FALSE(Form.LoadFragment(nullptr));
    EXPECT_EQ(Form.Session().Source().SerialNumber, 17);
    ASSERT_TRUE(Form.LoadFile(WriteFragmentFile(QStringLiteral("after.mjpg"), Frames(2))));
    EXPECT_EQ(Form.Session().Source().SerialNumber, -1);
    EXPECT_EQ(Form.Session().Source().Issue, -1);

    // A record whose stream is not a fragment: false, and the numbers stay -1.
    TFragment broken;
    broken.SerialNumber = 5;
    broken.Data = TSharedBytes::Copy("not a fragment", 14);
    EXPECT_FALSE(Form.LoadFragment(&broken));
    EXPECT_EQ(Form.Session().Source().SerialNumber, -1);
}
