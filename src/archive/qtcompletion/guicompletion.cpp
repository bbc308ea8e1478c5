#include "guicompletion.h"

#include "archive/workerthread.h"

#include <QMetaObject>
#include <QObject>

TGuiCompletion::TGuiCompletion() : FReceiver(std::make_unique<QObject>())
{
    QObject* receiver = FReceiver.get();
    SetSynchronizeWakeHook([receiver] {
        QMetaObject::invokeMethod(receiver, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    });
}

TGuiCompletion::~TGuiCompletion()
{
    // The hook runs under the hand-off's lock: once it is cleared no worker
    // posts to the receiver any more.
    SetSynchronizeWakeHook({});
}
