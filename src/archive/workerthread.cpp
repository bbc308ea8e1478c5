// The hand-off between worker threads and the main thread: one queue of
// completion steps under one mutex. A worker queues its step and sleeps until
// the main thread has run it; the main thread runs steps in CheckSynchronize
// and while it waits in WaitFor.
#include "workerthread.h"

#include "core/failures.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

struct TWorkerThread::TState {
    // Shared by the worker thread and its waiters; guarded by the queue's mutex.
    bool Finished = false;
    int ExitCode = 0;
    // Main thread only.
    bool Destroying = false;        // the destructor is waiting: no OnFinished, no self-freeing
    bool Deleted = false;           // the object is gone
    bool CompletionRunning = false; // the completion step is on the main thread's stack
};

namespace {

struct TStep {
    std::function<void()> Call;
    bool Done = false;
};

struct TSynchronizer {
    std::mutex Mutex;
    std::condition_variable MainWake; // a step was queued or a worker finished
    std::condition_variable StepDone; // the main thread finished a step
    std::deque<TStep*> Queue;
    std::function<void()> Wake;
};

// Never destroyed: a worker thread still returning while the program exits
// finds it intact.
TSynchronizer& Sync()
{
    static TSynchronizer* sync = new TSynchronizer;
    return *sync;
}

const std::thread::id kMainThread = std::this_thread::get_id();

// Set and called on the main thread only.
std::function<void()>& StartHook()
{
    static std::function<void()> hook;
    return hook;
}

// Runs the call on the main thread and returns when it has run there.
void Synchronize(std::function<void()> call)
{
    if (IsMainThread()) {
        call();
        return;
    }
    TSynchronizer& s = Sync();
    TStep step{std::move(call)};
    std::unique_lock lock(s.Mutex);
    s.Queue.push_back(&step);
    // Under the lock, so a hook that is being removed is never called after.
    // The hook only posts a message; it never takes this lock.
    if (s.Wake)
        s.Wake();
    s.MainWake.notify_all();
    s.StepDone.wait(lock, [&] { return step.Done; });
}

} // namespace

bool IsMainThread()
{
    return std::this_thread::get_id() == kMainThread;
}

size_t QueuedCompletions()
{
    std::lock_guard lock(Sync().Mutex);
    return Sync().Queue.size();
}

void SetWorkerStartHook(std::function<void()> hook)
{
    StartHook() = std::move(hook);
}

void SetSynchronizeWakeHook(std::function<void()> wake)
{
    std::lock_guard lock(Sync().Mutex);
    Sync().Wake = std::move(wake);
}

bool CheckSynchronize()
{
    TSynchronizer& s = Sync();
    bool ran = false;
    for (;;) {
        TStep* step = nullptr;
        {
            std::lock_guard lock(s.Mutex);
            if (s.Queue.empty())
                break;
            step = s.Queue.front();
            s.Queue.pop_front();
        }
        // One step at a time: a step may wait for another worker and so run
        // further steps inside this call.
        step->Call();
        {
            std::lock_guard lock(s.Mutex);
            step->Done = true;
        }
        s.StepDone.notify_all();
        ran = true;
    }
    return ran;
}

TWorkerThread::TWorkerThread() : FState(std::make_shared<TState>())
{
}

TWorkerThread::~TWorkerThread()
{
    FState->Deleted = true;
    if (!FThread.joinable())
        return;
    if (FState->CompletionRunning) {
        // Freed by its own completion step: the thread only returns now.
        FThread.detach();
        return;
    }
    StopAndWait();
    FThread.join();
}

void TWorkerThread::Start()
{
    if (!FSuspended)
        return;
    if (StartHook())
        StartHook()();
    std::function<void()> body = PrepareExecute();
    FThread = std::thread(Run, this, FState, std::move(body));
    FSuspended = false;
}

void TWorkerThread::RequestStop()
{
    FStopRequested.store(true);
    StopRequestedHook();
}

void TWorkerThread::StopAndWait()
{
    if (FSuspended || FState->CompletionRunning)
        return;
    {
        std::lock_guard lock(Sync().Mutex);
        if (FState->Finished)
            return;
    }
    FState->Destroying = true;
    RequestStop();
    WaitFor();
}

int TWorkerThread::WaitFor()
{
    const std::shared_ptr<TState> state = FState; // from here on only the state
    if (FSuspended)
        return ResultCode;
    TSynchronizer& s = Sync();
    if (!IsMainThread()) {
        std::unique_lock lock(s.Mutex);
        s.MainWake.wait(lock, [&] { return state->Finished; });
        return state->ExitCode;
    }
    if (state->CompletionRunning)
        return ResultCode; // asked from inside its own OnFinished: it is finishing now
    for (;;) {
        CheckSynchronize();
        std::unique_lock lock(s.Mutex);
        s.MainWake.wait(lock, [&] { return state->Finished || !s.Queue.empty(); });
        if (state->Finished)
            return state->ExitCode;
    }
}

void TWorkerThread::Run(TWorkerThread* self, std::shared_ptr<TState> state, std::function<void()> body)
{
    try {
        body();
    } catch (...) {
        // The body reports through ResultCode; a failure that escapes it
        // still ends in the completion step.
        NoteCurrentFailure("request worker");
    }
    body = nullptr; // what it took is freed on this thread, before the completion
    int exitCode = 0;
    Synchronize([self, &state, &exitCode] {
        exitCode = self->ResultCode;
        if (state->Destroying)
            return;
        state->CompletionRunning = true;
        try {
            if (self->OnFinished)
                self->OnFinished(self);
        } catch (...) {
            // The completion handlers catch their own failures; one that
            // escapes must not keep the worker alive or its waiters waiting.
            NoteCurrentFailure("request worker's completion");
        }
        if (!state->Deleted && self->FreeOnFinish)
            delete self;
        state->CompletionRunning = false;
    });
    {
        std::lock_guard lock(Sync().Mutex);
        state->ExitCode = exitCode;
        state->Finished = true;
    }
    Sync().MainWake.notify_all();
}
