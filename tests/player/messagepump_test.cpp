// The playback loop on the real Qt message queue: a rest ends when a message
// arrives and lasts the time asked for otherwise, and the engine over
// this pump shows every frame with data in order, one interval apart at the
// least.
#include "player/engine/playbackengine.h"
#include "player/messagepump.h"

#include "fixtures/fragmentbuilder.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

class TCountingObject : public QObject {
public:
    int Events = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++Events;
        return true;
    }
};

// Shows nothing; notes when each frame would be shown. The loop's messages
// go through the real pump.
class TTimedHost : public TPlaybackHost {
public:
    explicit TTimedHost(TMessagePump::TRestTimer timer) : Pump(timer) {}

    TPlaybackEngine* Engine = nullptr;
    std::vector<int32_t> Shown;
    std::vector<TClock::time_point> ShownAt;
    int Passes = 0;

    void ShowFrame(TMJPGFrame* frame) override
    {
        for (int32_t i = 0; frame && i < Engine->Image()->FrameCount(); ++i)
            if (Engine->Image()->GetFrame(i) == frame)
                Shown.push_back(i);
        ShownAt.push_back(TClock::now());
    }
    void PrepareFrame(TMJPGFrame*) override {}
    void ApplyAvailability(const TCommandAvailability&) override {}
    void Execute(TPlayerCommand) override {}
    void StateChanged() override {}
    void ProcessMessages() override
    {
        ++Passes;
        Pump.ProcessOnce();
    }
    void WaitForMessages(uint32_t mks) override { Pump.Wait(mks); }

    TMessagePump Pump;
};

} // namespace

// Each rest test runs on both timers that can end a rest.
class MessagePumpRestTest : public testing::TestWithParam<TMessagePump::TRestTimer> {};

INSTANTIATE_TEST_SUITE_P(Timers, MessagePumpRestTest,
                         testing::Values(TMessagePump::TRestTimer::Kernel, TMessagePump::TRestTimer::Dispatcher),
                         [](const auto& info) {
                             return info.param == TMessagePump::TRestTimer::Kernel ? "Kernel" : "Dispatcher";
                         });

TEST_P(MessagePumpRestTest, ARestEndsWhenAMessageArrives)
{
    TMessagePump pump(GetParam());
    TCountingObject target;
    QTimer::singleShot(30, &target, [&] { QCoreApplication::postEvent(&target, new QEvent(QEvent::User)); });
    const auto start = TClock::now();
    // Asked to rest ten seconds, it comes back with the message (or with
    // the timer that posts it, then at once with the message).
    while (target.Events == 0 && MsSince(start) < 5000)
        pump.Wait(10'000'000);
    EXPECT_EQ(target.Events, 1);
    EXPECT_LT(MsSince(start), 5000);
}

TEST_P(MessagePumpRestTest, WithNothingToDoARestLastsAboutTheTimeAsked)
{
    TMessagePump pump(GetParam());
    pump.ProcessOnce();
    for (const uint32_t mks : {1500u, 25000u}) {
        const auto start = TClock::now();
        pump.Wait(mks);
        // The long rest wakes a little early on purpose (at most the short
        // rest's length), to sleep the rest of the way precisely.
        EXPECT_GE(MsSince(start), (mks - std::min(mks, TMessagePump::ShortRestMks)) / 1000.0) << mks;
    }
}

TEST_P(MessagePumpRestTest, ARestThatNothingInterruptsLastsTheWholeTime)
{
    TMessagePump pump(GetParam());
    pump.ProcessOnce();
    for (const uint32_t mks : {2500u, 25000u, 41000u}) {
        const auto start = TClock::now();
        pump.Wait(mks);
        EXPECT_GE(MsSince(start), mks / 1000.0) << mks;
    }
}

TEST_P(MessagePumpRestTest, PlaybackOverThePumpKeepsTheIntervalAndTheOrder)
{
    constexpr int Fps = 50;
    fixture::TFragmentBuilder fragment({.FPS = Fps, .Frames = 12});
    for (int i = 0; i < 12; ++i)
        fragment.Part(i % 4 == 2 ? "" : "picture");
    TTimedHost host(GetParam());
    TPlaybackEngine engine(host);
    host.Engine = &engine;
    engine.CreateChronometer();
    engine.SetImage(std::make_unique<TMJPGImage>(fragment.Stream().get()));
    engine.ShowLoaded();
    host.Shown.clear();
    host.ShownAt.clear();

    engine.Play();
    EXPECT_EQ(host.Shown, (std::vector<int32_t>{1, 3, 4, 5, 7, 8, 9, 11}));
    for (size_t i = 1; i < host.ShownAt.size(); ++i) {
        const double ms = std::chrono::duration<double, std::milli>(host.ShownAt[i] - host.ShownAt[i - 1]).count();
        EXPECT_GE(ms, 1000.0 / Fps) << "before frame " << host.Shown[i];
    }
    // Resting, not spinning: a few passes a frame.
    EXPECT_LE(host.Passes, 4 * static_cast<int>(host.Shown.size() + 1));
    // A rest that nothing interrupts ends at the frame's due time, so the
    // loop passes about once a frame, not once more to sleep the last stretch.
    EXPECT_LE(host.Passes, static_cast<int>(host.Shown.size()) + 4);
    EXPECT_EQ(engine.State(), psStopped);
}
