// The workers' completion steps in a Qt program: run by the event loop on the
// GUI thread without anyone waiting, and served inside a wait that a
// completion handler itself starts.
#include "archive/fragmentsaction.h"
#include "archive/qtcompletion/guicompletion.h"
#include "archivefixtures.h"
#include "demoserverprocess.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class GuiCompletionTest : public ::testing::Test {
protected:
    fixture::TScratchFolder Folder;
    TGuiCompletion Completion;

    void SetUp() override { WriteSmallFragment(Folder.Path() / "12-3.mjpg"); }

    // Runs the event loop until `quit` is called or 30 s pass.
    static bool RunLoop(QEventLoop& loop)
    {
        bool timedOut = false;
        QTimer::singleShot(30000, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        loop.exec();
        return !timedOut;
    }
};

} // namespace

TEST_F(GuiCompletionTest, TheEventLoopRunsOnFinishedOnTheGuiThread)
{
    TDemoServerProcess server(Folder.Path());
    QEventLoop loop;
    bool onGuiThread = false;
    int code = 0;
    auto worker = VideoWorker(server.Port(), 12, 3);
    worker->FreeOnFinish = true;
    worker->OnFinished = [&](TWorkerThread* sender) {
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        code = sender->ResultCode;
        loop.quit();
    };
    worker.release()->Start();
    ASSERT_TRUE(RunLoop(loop));
    EXPECT_TRUE(onGuiThread);
    EXPECT_EQ(code, 200);
}

TEST_F(GuiCompletionTest, AHandlerThatStopsAndWaitsForAnotherWorkerDoesNotBlock)
{
    // As the manager's list handler does when it stops the video workers of
    // the old list: inside one completion, wait for another worker, whose
    // completion runs inside that wait.
    TDemoServerProcess server(Folder.Path());
    TDemoServerProcess stalled(Folder.Path(), {"--stall"});
    QEventLoop loop;
    std::vector<std::string> order;

    auto second = VideoWorker(stalled.Port(), 12, 3);
    second->FreeOnFinish = true;
    second->OnFinished = [&](TWorkerThread* sender) { order.push_back("second " + std::to_string(sender->ResultCode)); };
    TFragmentsAction* running = second.release();
    running->Start();
    // Its request is out before the first worker's handler stops it; stopped
    // earlier, it would end with -100, never having sent one.
    stalled.WaitForRequests(1);
    EXPECT_EQ(stalled.Requests().size(), 1u);

    auto first = ListWorker(server.Port());
    first->FreeOnFinish = true;
    first->OnFinished = [&](TWorkerThread* sender) {
        order.push_back("first " + std::to_string(sender->ResultCode));
        running->RequestStop();
        running->WaitFor();
        order.push_back("first done");
        loop.quit();
    };
    first.release()->Start();
    ASSERT_TRUE(RunLoop(loop));
    EXPECT_EQ(order, (std::vector<std::string>{"first 200", "second -101", "first done"}));
}

TEST_F(GuiCompletionTest, WaitForWithoutARunningLoopLeavesNothingBehind)
{
    TDemoServerProcess server(Folder.Path());
    int finished = 0;
    auto worker = ListWorker(server.Port());
    worker->FreeOnFinish = true;
    worker->OnFinished = [&](TWorkerThread*) { ++finished; };
    TFragmentsAction* running = worker.release();
    running->Start();
    running->WaitFor();
    EXPECT_EQ(finished, 1);
    // The call the worker posted finds nothing left to run.
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 1);
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
