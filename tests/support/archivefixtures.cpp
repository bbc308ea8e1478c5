#include "archivefixtures.h"

#include "fixtures/fragmentbuilder.h"

namespace fs = std::filesystem;

std::string WriteSmallFragment(const fs::path& path, const TSmallFragment& fragment)
{
    fixture::THeaderLines header;
    header.Camera = fragment.Camera;
    header.Event = fixture::HeaderTime(fragment.Event);
    header.Begin = fixture::HeaderTime(fragment.Event - 30 / 86400.0);
    header.End = fixture::HeaderTime(fragment.Event + 30 / 86400.0);
    header.Width = 32;
    header.Height = 24;
    header.FPS = 5;
    header.Frames = fragment.Frames;
    header.PreAlarm = fragment.PreAlarm;
    fixture::TFragmentBuilder builder(header);
    builder.Pictures(fragment.Frames, {.Width = 32, .Height = 24});
    builder.WriteFile(path.string());
    return builder.Bytes();
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

TWorkerOutcome RunWorkerStoppedOnceAsked(std::unique_ptr<TFragmentsAction> worker, const TDemoServerProcess& server)
{
    TWorkerOutcome outcome;
    Record(worker, outcome);
    TFragmentsAction* running = worker.release();
    const size_t before = server.Requests().size();
    running->Start();
    // Stopped once the server has its request.
    server.WaitForRequests(before + 1);
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
