#include "archivefixtures.h"

#include "samplefragment.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

TScratchFolder::TScratchFolder()
{
    char name[] = "/tmp/archive-test.XXXXXX";
    if (!::mkdtemp(name))
        throw std::runtime_error("cannot make a scratch folder");
    FPath = name;
}

TScratchFolder::~TScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
}

std::string WriteSmallFragment(const fs::path& path, const TSmallFragment& fragment)
{
    TSampleOptions options;
    options.Width = 32;
    options.Height = 24;
    options.FPS = 5;
    options.FrameCount = fragment.Frames;
    options.Quality = 50;
    options.Camera = fragment.Camera;
    options.PreAlarm = fragment.PreAlarm;
    SetSampleTimes(options, fragment.Event - 30 / 86400.0, 60);
    const auto image = BuildSampleImage(options);
    TMemoryStream bytes;
    image->SaveToStream(&bytes);
    bytes.SaveToFile(path.string());
    return std::string(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size()));
}

namespace {

void Record(std::unique_ptr<TFragmentsAction>& worker, TWorkerOutcome& outcome)
{
    worker->FreeOnFinish = true;
    worker->OnFinished = [&outcome](TWorkerThread* sender) {
        auto* w = static_cast<TFragmentsAction*>(sender);
        ++outcome.FinishedCalls;
        outcome.FinishedOnMainThread = IsMainThread();
        outcome.ResultCode = w->ResultCode;
        outcome.ResponseText = w->ResponseText;
        outcome.Done = w->Done;
        outcome.FailureText = w->FailureText;
        if (TEnhMemoryStream* body = w->GetBody()) {
            outcome.HasBody = true;
            const int64_t left = body->Size() - body->Position();
            outcome.Body.resize(static_cast<size_t>(left));
            if (left > 0)
                body->ReadBuffer(outcome.Body.data(), left);
        }
    };
}

} // namespace

TWorkerOutcome RunWorker(std::unique_ptr<TFragmentsAction> worker)
{
    TWorkerOutcome outcome;
    Record(worker, outcome);
    TFragmentsAction* running = worker.release(); // it frees itself
    running->Start();
    running->WaitFor();
    return outcome;
}

TWorkerOutcome RunWorkerStoppedAfter(std::unique_ptr<TFragmentsAction> worker, int stopAfterMs)
{
    TWorkerOutcome outcome;
    Record(worker, outcome);
    TFragmentsAction* running = worker.release();
    running->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
    // Still running: its completion step can only run on this thread, in WaitFor.
    running->RequestStop();
    running->WaitFor();
    return outcome;
}

std::unique_ptr<TFragmentsGetList> ListWorker(int port, TDateTime begin, TDateTime end)
{
    auto worker = std::make_unique<TFragmentsGetList>();
    worker->Host = "127.0.0.1";
    worker->Port = port;
    worker->BeginTime = begin;
    worker->EndTime = end;
    return worker;
}

std::unique_ptr<TFragmentsGetVideo> VideoWorker(int port, int32_t serialNumber, int32_t issue)
{
    auto worker = std::make_unique<TFragmentsGetVideo>();
    worker->Host = "127.0.0.1";
    worker->Port = port;
    worker->SerialNumber = serialNumber;
    worker->Issue = issue;
    return worker;
}
