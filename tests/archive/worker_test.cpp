// The request workers against the archive server on loopback: what they
// send, what they report for every kind of answer, stopping, and their life
// (completion on the main thread, freeing themselves, WaitFor).
#include "archive/fragmentsaction.h"
#include "archive/listanswer.h"
#include "demoserverprocess.h"
#include "archivefixtures.h"
#include "core/cp1251.h"
#include "fixtures/loopback.h"
#include "http/base64.h"
#include "manager/fragment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace {

class WorkerTest : public ::testing::Test {
protected:
    fixture::TScratchFolder Folder;
    std::string Video12_3;

    void SetUp() override
    {
        Video12_3 = WriteSmallFragment(Folder.Path() / "12-3.mjpg");
        WriteSmallFragment(Folder.Path() / "7-2.mjpg",
                           {.Frames = 2, .Camera = "Gate", .Event = EncodeDateTime(2007, 11, 15, 10, 0, 0),
                            .PreAlarm = false});
    }
};

} // namespace

TEST_F(WorkerTest, SendsTheRequestTextsOverHttp10WithBasicAuthentication)
{
    TDemoServerProcess server(Folder.Path());
    const TDateTime nov15 = EncodeDateTime(2007, 11, 15, 8, 0, 0);
    const TDateTime jan1 = EncodeDateTime(2007, 1, 1, 0, 0, 0);
    struct TCase {
        std::unique_ptr<TFragmentsAction> Worker;
        const char* Line;
    };
    std::vector<TCase> cases;
    cases.push_back({ListWorker(server.Port()), "GET /list HTTP/1.0"});
    cases.push_back({ListWorker(server.Port(), 0, nov15), "GET /list?end=20071115080000 HTTP/1.0"});
    cases.push_back({ListWorker(server.Port(), jan1), "GET /list?begin=20070101000000 HTTP/1.0"});
    cases.push_back({ListWorker(server.Port(), jan1, nov15), "GET /list?begin=20070101000000&end=20071115080000 HTTP/1.0"});
    cases.push_back({VideoWorker(server.Port(), 12, 3), "GET /video?sn=12&issue=3 HTTP/1.0"});
    cases.back().Worker->UserName = Utf8ToCp1251("Оператор");
    cases.back().Worker->SetPassword(Utf8ToCp1251("пароль"));

    for (TCase& c : cases) {
        const TWorkerOutcome outcome = RunWorker(std::move(c.Worker));
        EXPECT_EQ(outcome.ResultCode, 200) << c.Line;
    }
    const std::vector<TLoggedRequest> logged = server.Requests();
    ASSERT_EQ(logged.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(logged[i].Line, cases[i].Line);
    // Empty credentials are sent too; others as their code page 1251 bytes.
    EXPECT_EQ(logged[0].Authorization, "Basic Og==");
    EXPECT_EQ(logged[4].Authorization, "Basic " + Base64Encode("\xce\xef\xe5\xf0\xe0\xf2\xee\xf0:\xef\xe0\xf0\xee\xeb\xfc"));
}

TEST_F(WorkerTest, ListAnswerBecomesOneFragmentPerLine)
{
    TDemoServerProcess server(Folder.Path());
    const TWorkerOutcome outcome = RunWorker(ListWorker(server.Port()));
    ASSERT_EQ(outcome.ResultCode, 200);
    EXPECT_EQ(outcome.ResponseText, "HTTP/1.1 200 OK");
    const std::vector<std::string> lines = SplitListAnswer(outcome.Body);
    ASSERT_EQ(lines.size(), 2u);
    const TFragment first(lines[0]), second(lines[1]);
    EXPECT_TRUE(first.Matches(12, 3));
    EXPECT_EQ(first.Camera, "\xc2\xf5\xee\xe4");
    EXPECT_EQ(first.EventTime, EncodeDateTime(2007, 11, 15, 9, 48, 12));
    EXPECT_EQ(first.BeginTime, EncodeDateTime(2007, 11, 15, 9, 47, 42));
    EXPECT_EQ(first.GetResolution(), "32x24");
    EXPECT_EQ(first.FPS, 5);
    EXPECT_EQ(first.Frames, 3);
    EXPECT_TRUE(first.PreAlarm);
    EXPECT_TRUE(second.Matches(7, 2));
    EXPECT_FALSE(second.PreAlarm);

    // The interval filters by event time.
    const TWorkerOutcome later = RunWorker(ListWorker(server.Port(), EncodeDateTime(2007, 11, 15, 9, 50, 0)));
    ASSERT_EQ(SplitListAnswer(later.Body).size(), 1u);
    EXPECT_TRUE(TFragment(SplitListAnswer(later.Body)[0]).Matches(7, 2));
}

TEST_F(WorkerTest, ALongListAnswerKeepsEveryLine)
{
    TDemoServerProcess server(Folder.Path(), {"--list-lines", "60"});
    const TWorkerOutcome outcome = RunWorker(ListWorker(server.Port()));
    ASSERT_EQ(outcome.ResultCode, 200);
    const std::vector<std::string> lines = SplitListAnswer(outcome.Body);
    ASSERT_EQ(lines.size(), 60u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const TFragment f(lines[i]);
        EXPECT_TRUE(f.Matches(static_cast<int32_t>(1000 + i), static_cast<int32_t>(i + 1))) << lines[i];
        EXPECT_NE(f.EventTime, 0) << lines[i];
        EXPECT_EQ(f.GetResolution(), "704x576");
    }
}

TEST_F(WorkerTest, VideoArrivesByteForBytePositionedAtItsStart)
{
    TDemoServerProcess server(Folder.Path());
    const TWorkerOutcome outcome = RunWorker(VideoWorker(server.Port(), 12, 3));
    EXPECT_EQ(outcome.ResultCode, 200);
    EXPECT_TRUE(outcome.Done);
    EXPECT_EQ(outcome.FinishedCalls, 1);
    EXPECT_TRUE(outcome.FinishedOnMainThread);
    EXPECT_TRUE(outcome.Body == Video12_3); // read from position 0
}

TEST_F(WorkerTest, StatusesBecomeResultCodes)
{
    const struct {
        std::vector<std::string> Options;
        int32_t SerialNumber;
        int Code;
        const char* StatusLine;
    } cases[] = {
        {{}, 99, 404, "HTTP/1.1 404 Not Found"},
        {{"--status", "500"}, 12, 500, "HTTP/1.1 500 Internal Server Error"},
        {{"--status", "400"}, 12, 400, "HTTP/1.1 400 Bad Request"},
        {{"--status", "203"}, 12, 203, "HTTP/1.1 203 Non-Authoritative Information"},
        {{"--user", "operator"}, 12, 401, "HTTP/1.1 401 Unauthorized"},
    };
    for (const auto& c : cases) {
        TDemoServerProcess server(Folder.Path(), c.Options, {{"MJPG_ARCHIVE_PASSWORD", "secret"}});
        const TWorkerOutcome outcome = RunWorker(VideoWorker(server.Port(), c.SerialNumber, 3));
        EXPECT_EQ(outcome.ResultCode, c.Code) << c.StatusLine;
        EXPECT_EQ(outcome.ResponseText, c.StatusLine);
        EXPECT_TRUE(outcome.Done);
    }
}

TEST_F(WorkerTest, RightCredentialsPassAuthentication)
{
    TDemoServerProcess server(Folder.Path(), {"--user", "оператор"}, {{"MJPG_ARCHIVE_PASSWORD", "пароль"}});
    auto worker = VideoWorker(server.Port(), 12, 3);
    worker->UserName = Utf8ToCp1251("оператор");
    worker->SetPassword(Utf8ToCp1251("пароль"));
    EXPECT_EQ(RunWorker(std::move(worker)).ResultCode, 200);
    auto wrong = VideoWorker(server.Port(), 12, 3);
    wrong->UserName = Utf8ToCp1251("оператор");
    wrong->SetPassword("parol");
    EXPECT_EQ(RunWorker(std::move(wrong)).ResultCode, 401);
}

TEST_F(WorkerTest, FailedTransfersEndWithMinus101AndAnEmptyBody)
{
    {
        const TWorkerOutcome closed = RunWorker(ListWorker(fixture::FreeLoopbackPort()));
        EXPECT_EQ(closed.ResultCode, -101);
        EXPECT_EQ(closed.ResponseText, "");
        EXPECT_TRUE(closed.HasBody);
        EXPECT_EQ(closed.Body, "");
        EXPECT_TRUE(closed.Done);
        EXPECT_NE(closed.FailureText, "");
    }
    {
        // The server closes the connection in the middle of the body.
        TDemoServerProcess server(Folder.Path(), {"--cut-body", "100"});
        const TWorkerOutcome cut = RunWorker(VideoWorker(server.Port(), 12, 3));
        EXPECT_EQ(cut.ResultCode, -101);
        EXPECT_EQ(cut.ResponseText, "HTTP/1.1 200 OK");
        EXPECT_EQ(cut.Body, "");
    }
}

TEST_F(WorkerTest, StoppedBeforeItStartsSendsNothingAndStillFinishes)
{
    TDemoServerProcess server(Folder.Path());
    auto worker = ListWorker(server.Port());
    worker->RequestStop();
    const TWorkerOutcome outcome = RunWorker(std::move(worker));
    EXPECT_EQ(outcome.ResultCode, -100);
    EXPECT_EQ(outcome.FinishedCalls, 1);
    EXPECT_TRUE(outcome.Done);
    EXPECT_FALSE(outcome.HasBody);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(WorkerTest, StopEndsAStalledTransferPromptly)
{
    // The server sends its status line and headers, then nothing for minutes.
    TDemoServerProcess stalled(Folder.Path(), {"--stall"});
    // It waits before answering at all.
    TDemoServerProcess slow(Folder.Path(), {"--delay", "600000"});
    const struct {
        const TDemoServerProcess& Server;
        const char* StatusLine;
    } cases[] = {{stalled, "HTTP/1.1 200 OK"}, {slow, ""}};
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const TWorkerOutcome outcome = RunWorkerStoppedOnceAsked(VideoWorker(c.Server.Port(), 12, 3), c.Server);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(outcome.ResultCode, -101);
        EXPECT_EQ(outcome.Body, "");
        // The stop comes as the server has the request: the stalled answer's
        // status line may or may not have arrived by then.
        if (!outcome.ResponseText.empty()) {
            EXPECT_EQ(outcome.ResponseText, c.StatusLine);
        }
        EXPECT_EQ(outcome.FinishedCalls, 1);
        EXPECT_LT(took, std::chrono::seconds(10)); // not the server's minutes
    }
}

namespace {

// A list worker that tells when it is destroyed.
class TObservedWorker : public TFragmentsGetList {
public:
    explicit TObservedWorker(bool& destroyed) : FDestroyed(destroyed) {}
    ~TObservedWorker() override
    {
        StopAndWait();
        FDestroyed = true;
    }

private:
    bool& FDestroyed;
};

} // namespace

TEST_F(WorkerTest, WaitForReturnsAfterTheWorkerFreedItself)
{
    TDemoServerProcess server(Folder.Path(), {"--delay", "200"});
    bool destroyed = false;
    bool destroyedDuringFinished = true;
    auto* worker = new TObservedWorker(destroyed);
    worker->Host = "127.0.0.1";
    worker->Port = server.Port();
    worker->FreeOnFinish = true;
    worker->OnFinished = [&](TWorkerThread*) { destroyedDuringFinished = destroyed; };
    worker->Start();
    const int exitCode = worker->WaitFor(); // the worker is gone after this
    EXPECT_EQ(exitCode, 200);
    EXPECT_FALSE(destroyedDuringFinished);
    EXPECT_TRUE(destroyed);
}

TEST_F(WorkerTest, ManyWorkersAtOnceEachFinishOnce)
{
    // As the manager keeps them: a set of live workers, each removing itself
    // in OnFinished; waiting for one serves the completion of the others.
    TDemoServerProcess server(Folder.Path(), {"--delay", "100"});
    constexpr int kWorkers = 8;
    int finished[kWorkers] = {};
    int codes[kWorkers] = {};
    std::set<TWorkerThread*> live;
    for (int i = 0; i < kWorkers; ++i) {
        auto worker = VideoWorker(server.Port(), i % 2 ? 12 : 7, i % 2 ? 3 : 2);
        worker->FreeOnFinish = true;
        worker->OnFinished = [&, i](TWorkerThread* sender) {
            ++finished[i];
            codes[i] = sender->ResultCode;
            live.erase(sender);
        };
        live.insert(worker.release());
    }
    for (TWorkerThread* w : std::set<TWorkerThread*>(live))
        w->Start();
    while (!live.empty())
        (*live.begin())->WaitFor();
    for (int i = 0; i < kWorkers; ++i) {
        EXPECT_EQ(finished[i], 1) << i;
        EXPECT_EQ(codes[i], 200) << i;
    }
}

TEST_F(WorkerTest, AWorkerNeverStartedIsDestroyedWithoutFinishing)
{
    int finished = 0;
    {
        auto worker = ListWorker(fixture::FreeLoopbackPort());
        worker->OnFinished = [&](TWorkerThread*) { ++finished; };
        EXPECT_TRUE(worker->Suspended());
    }
    EXPECT_EQ(finished, 0);
}

TEST_F(WorkerTest, DestroyingARunningWorkerStopsItFirst)
{
    // Destroyed while the transfer stalls (once the server has the
    // request, the first run), and at once, while its thread is starting.
    TDemoServerProcess server(Folder.Path(), {"--stall"});
    for (const bool stalled : {true, false, false, false}) {
        int finished = 0;
        auto worker = VideoWorker(server.Port(), 12, 3);
        worker->OnFinished = [&](TWorkerThread*) { ++finished; };
        worker->Start();
        EXPECT_FALSE(worker->Suspended());
        if (stalled) {
            ASSERT_TRUE(server.WaitForRequests(1));
        }
        worker.reset(); // stops and waits; its OnFinished is not run for an object being destroyed
        EXPECT_EQ(finished, 0);
    }
}

TEST(WorkerPassword, EmptyStaysEmptyAndOthersAreKeptScrambled)
{
    TFragmentsGetList worker;
    worker.SetPassword("");
    EXPECT_EQ(worker.Password, "");
    EXPECT_EQ(worker.GetPassword(), "");
    worker.SetPassword("secret");
    EXPECT_EQ(worker.Password[0], '#');
    EXPECT_EQ(worker.Password.find("secret"), std::string::npos);
    EXPECT_EQ(worker.GetPassword(), "secret");
}

TEST(WorkerUrl, PortAndQueryOfEachKind)
{
    TFragmentsGetList list;
    list.Host = "archive";
    EXPECT_EQ(list.GetUrl(), "http://archive:80/list");
    list.SerialNumber = 4;
    EXPECT_EQ(list.GetUrl(), "http://archive:80/list?sn=4");
    TFragmentsGetVideo video;
    video.Host = "archive";
    video.Port = 8080;
    video.SerialNumber = 7;
    video.Issue = 2;
    EXPECT_EQ(video.GetUrl(), "http://archive:8080/video?sn=7&issue=2");
    EXPECT_TRUE(video.Suspended());
    EXPECT_EQ(video.GetBody(), nullptr);
}
