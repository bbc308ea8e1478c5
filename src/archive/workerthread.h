// TWorkerThread: the thread base of the request workers. A worker is created
// suspended and runs its thread body on a thread of its own after Start. When
// the body returns, its completion step runs on the main thread while the
// worker thread waits: OnFinished, then, when FreeOnFinish is set, the
// worker destroys itself. A stop request is a flag the worker reads.
//
// The main thread runs completion steps wherever it serves them: in
// CheckSynchronize (a GUI calls it when the wake hook tells it that a step is
// queued; see guicompletion.h), and inside WaitFor, which keeps serving them
// while it waits, so a main thread waiting for a worker never blocks the
// worker's own completion.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

class TWorkerThread {
public:
    TWorkerThread();
    virtual ~TWorkerThread();
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    // Takes what the thread needs (PrepareExecute) and runs it on a new
    // thread; a worker that was started already stays as it is. Raises
    // std::system_error when no thread can be had (the worker then stays
    // suspended, and can be destroyed as one never started).
    void Start();
    // True from construction until Start.
    bool Suspended() const { return FSuspended; }

    // Sets the stop flag (nothing clears it); may be called from any thread.
    void RequestStop();
    bool StopRequested() const { return FStopRequested.load(); }

    // Waits until the worker has finished: its completion step has run and,
    // when it frees itself, it is gone. On the main thread the wait serves
    // queued completion steps of every worker. The wait rests on a state the
    // caller holds, so the object is never touched after it may have freed
    // itself: do not use the worker after WaitFor unless it does not free
    // itself. Returns the exit code (the ResultCode the worker ended with).
    // A worker never started is not waited for.
    int WaitFor();

    // The worker's result, also the thread's exit code.
    int ResultCode = 0;
    // The completion event, run on the main thread (Sender = the worker).
    std::function<void(TWorkerThread* sender)> OnFinished;
    // The worker destroys itself right after OnFinished has returned.
    bool FreeOnFinish = false;

protected:
    // Called by Start on the starting thread, before the new thread exists:
    // takes what the thread needs (the worker's settings as they are now)
    // and returns the thread body. The body runs on the new thread and calls
    // nothing virtual of the worker, so a worker being destroyed never has
    // its class change under a running thread.
    virtual std::function<void()> PrepareExecute() = 0;
    // Called by RequestStop after the flag is set (on the caller's thread),
    // for a worker that can end a wait of its own at once.
    virtual void StopRequestedHook() {}
    // A running worker is asked to stop and waited for (without OnFinished);
    // nothing happens for one never started or already finished. The base
    // of the request workers calls it first thing in its destructor, while
    // the members its thread body uses are still there; the destructor of
    // this class calls it too, for a body that uses no member of a derived
    // class.
    void StopAndWait();

private:
    struct TState;
    static void Run(TWorkerThread* self, std::shared_ptr<TState> state, std::function<void()> body);

    std::shared_ptr<TState> FState;
    std::thread FThread;
    bool FSuspended = true;
    std::atomic<bool> FStopRequested{false};
};

// For tests: when set, Start calls it first, before any thread is made; a
// hook that raises makes Start fail as a thread that cannot be had does.
void SetWorkerStartHook(std::function<void()> hook);

// How many completion steps wait for the main thread to run them.
size_t QueuedCompletions();

// True on the thread that runs completion steps: the one that started the
// program.
bool IsMainThread();

// Runs the queued completion steps of all workers, in the order they were
// queued, on the main thread; returns whether it ran any. Called from the
// main thread only.
bool CheckSynchronize();

// The function a worker calls (on its own thread) after queueing a
// completion step, so that an event loop on the main thread can run
// CheckSynchronize soon. Unset: only WaitFor serves completion steps.
void SetSynchronizeWakeHook(std::function<void()> wake);
