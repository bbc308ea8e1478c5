// The session that owns an open fragment: its bytes shared with whoever
// works on it, where they came from, and the playback commands it runs.
#include "enginefixture.h"
#include "session/playersession.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace {

TSharedBytes FragmentBytes(int frames)
{
    fixture::TFragmentBuilder fragment({.FPS = 25, .Frames = frames});
    for (int i = 0; i < frames; ++i)
        fragment.Part("picture " + std::to_string(i));
    return TSharedBytes::Take(*fragment.Stream());
}

class SessionTest : public testing::Test {
protected:
    TFakeHost Host;
    TFakeTrackBar Bar;
    TPlayerSession Session{Host};

    SessionTest()
    {
        Host.Engine = &Session.Engine();
        Bar.Engine = &Session.Engine();
        Session.Engine().Create(&Bar);
        Session.Engine().UpdateActions();
    }

    void Open(const TSharedBytes& bytes, TFragmentSource source)
    {
        Session.Open(TPlayerSession::ReadImage(bytes), bytes, std::move(source));
        Session.Engine().ShowLoaded();
    }
};

} // namespace

TEST_F(SessionTest, TheImageViewsTheBytesAndHoldersOutliveAClose)
{
    TSharedBytes bytes = FragmentBytes(3);
    Open(bytes, TFragmentSource::Archive(12, 3));
    const TMJPGImage& image = *Session.Engine().Image();
    ASSERT_EQ(image.FrameCount(), 3);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_TRUE(image.GetFrame(i)->Bytes().SharesBlockWith(bytes)) << i;
    EXPECT_TRUE(Session.Bytes().SharesBlockWith(bytes));
    EXPECT_TRUE(Session.Source().IsArchiveRecord());
    EXPECT_FALSE(Session.Source().IsFile());
    EXPECT_EQ(Session.Source().SerialNumber, 12);
    EXPECT_EQ(Session.Source().Issue, 3);

    // An export's own image and bytes: the record (here `bytes`) and the
    // session may both let go, the export's views stay whole.
    std::unique_ptr<TMJPGImage> shared = Session.SharedImage();
    TSharedBytes held = Session.Bytes();
    ASSERT_EQ(shared->FrameCount(), 3);
    EXPECT_EQ(shared->Header->FPS, 25);
    EXPECT_TRUE(shared->Header->IsValid());
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(shared->GetFrame(i)->Bytes().Memory(), image.GetFrame(i)->Bytes().Memory()) << "no copy";
        EXPECT_EQ(shared->GetFrame(i)->ContentType, image.GetFrame(i)->ContentType);
    }
    bytes = {};
    Session.Close();
    EXPECT_FALSE(Session.Engine().Image());
    EXPECT_TRUE(Session.Bytes().Empty());
    EXPECT_FALSE(Session.Source().IsArchiveRecord());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shared->GetFrame(2)->Bytes().Memory()),
                          static_cast<size_t>(shared->GetFrame(2)->Bytes().Size())),
              "picture 2");
    EXPECT_EQ(held.Holders(), 1 + 3) << "the held view and the shared image's three frames";
    EXPECT_FALSE(TPlayerSession(Host).SharedImage()) << "nothing open, nothing shared";
}

TEST_F(SessionTest, PlaybackCommandsGoToTheEngineAndOthersDoNot)
{
    Open(FragmentBytes(4), TFragmentSource::File("/tmp/a.mjpg"));
    EXPECT_TRUE(Session.Source().IsFile());
    struct TCase {
        TPlayerCommand Command;
        bool Runs;
        int32_t Index; // the current frame after it
    } const cases[] = {
        {TPlayerCommand::LastFrame, true, 3},  {TPlayerCommand::PriorFrame, true, 2},
        {TPlayerCommand::FirstFrame, true, 0}, {TPlayerCommand::NextFrame, true, 1},
        {TPlayerCommand::SaveFile, false, 1},  {TPlayerCommand::Zoom50, false, 1},
        {TPlayerCommand::SpeedUp, false, 1},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Session.Execute(c.Command), c.Runs) << "command " << static_cast<int>(c.Command);
        EXPECT_EQ(Session.Engine().FramePos().Index, c.Index) << "command " << static_cast<int>(c.Command);
    }
}

TEST_F(SessionTest, TheWaitIsForOneFragmentAndHandsOverOnlyItsVideo)
{
    const TFragmentKey first{12, 1, 1};
    const TFragmentKey second{12, 2, 1};
    const TFragmentKey firstOfNextList{12, 1, 2};
    const TSharedBytes video = FragmentBytes(2);
    TFragmentWait& wait = Session.Wait();
    EXPECT_FALSE(wait.Deliver(first, video)) << "nothing is waited for";
    EXPECT_FALSE(wait.TakeDelivered());

    ASSERT_TRUE(wait.Begin(first));
    EXPECT_FALSE(wait.Begin(second)) << "one at a time";
    EXPECT_EQ(wait.Pending(), first);
    EXPECT_FALSE(wait.Deliver(second, video));
    EXPECT_FALSE(wait.Deliver(firstOfNextList, video)) << "the same numbers in another list";
    EXPECT_FALSE(wait.Delivered());

    // Opening or closing a fragment meanwhile leaves the wait alone.
    Open(FragmentBytes(3), TFragmentSource::File("/tmp/a.mjpg"));
    Session.Close();
    ASSERT_TRUE(wait.Deliver(first, video));
    EXPECT_EQ(wait.Delivered(), first);
    EXPECT_EQ(video.Holders(), 2) << "the bytes are held from their arrival";
    const std::optional<TFragmentWait::TArrived> arrived = wait.TakeDelivered();
    ASSERT_TRUE(arrived);
    EXPECT_EQ(arrived->Key, first);
    EXPECT_EQ(arrived->Bytes.Memory(), video.Memory());
    EXPECT_FALSE(wait.Pending()) << "the wait is over";
    EXPECT_FALSE(wait.Delivered());
    EXPECT_FALSE(wait.TakeDelivered()) << "handed over once";
    EXPECT_TRUE(wait.Begin(second));
}

TEST_F(SessionTest, AnArrivedVideoIsNotHandedOverOnceTheWaitEnded)
{
    const TFragmentKey key{7, 3, 1};
    const TSharedBytes video = FragmentBytes(2);
    struct TCase {
        const char* Ending;
        std::function<void(TFragmentWait&)> End;
    } const cases[] = {
        {"cleared (a cancel, a failure, a new list)", [](TFragmentWait& wait) { wait.Clear(); }},
        {"cleared, then another wait", [](TFragmentWait& wait) { wait.Clear(); wait.Begin({7, 4, 1}); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ending);
        TPlayerSession session(Host);
        TFragmentWait& wait = session.Wait();
        ASSERT_TRUE(wait.Begin(key));
        ASSERT_TRUE(wait.Deliver(key, video));
        c.End(wait);
        EXPECT_FALSE(wait.Delivered());
        EXPECT_EQ(video.Holders(), 1) << "nothing arrived is kept";
        EXPECT_FALSE(wait.TakeDelivered());
    }
}
