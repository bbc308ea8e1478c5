// Runs the request workers' completion steps from the Qt event loop: while
// a TGuiCompletion lives, a worker that queues its step posts a call of
// CheckSynchronize to the main thread's event loop (nested loops included),
// so OnFinished runs on the GUI thread without anyone waiting for it.
// Create one after the application object and before any worker starts;
// it must be destroyed before the application object.
#pragma once

#include <memory>

class QObject;

class TGuiCompletion {
public:
    TGuiCompletion();
    ~TGuiCompletion();
    TGuiCompletion(const TGuiCompletion&) = delete;
    TGuiCompletion& operator=(const TGuiCompletion&) = delete;

private:
    std::unique_ptr<QObject> FReceiver; // lives on the GUI thread; the posted calls are its
};
