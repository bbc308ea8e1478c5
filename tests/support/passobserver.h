// Watching the playback loop pass by pass: the observer posts an event to
// itself and posts the next one while handling it. Qt delivers events posted
// during a round of delivery only in the next round, so the callback runs
// exactly once on every pass of the loop (each pass pumps the queue once).
// A safety timer stops playback if a test's own stop never comes.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <functional>

class TPassObserver : public QObject {
public:
    // onPass gets the number of the pass, from 1.
    TPassObserver(QAction* stop, std::function<void(int pass)> onPass)
        : FOnPass(std::move(onPass))
    {
        FSafety.setSingleShot(true);
        FSafety.setInterval(10000);
        QObject::connect(&FSafety, &QTimer::timeout, stop, [this, stop] {
            TimedOut = true;
            FActive = false;
            stop->trigger();
        });
        FSafety.start();
        Post();
    }

    // No more callbacks.
    void Finish() { FActive = false; }

    int Passes = 0;
    bool TimedOut = false;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != PassEvent)
            return QObject::event(event);
        if (FActive) {
            ++Passes;
            Post();
            FOnPass(Passes);
        }
        return true;
    }

private:
    static constexpr QEvent::Type PassEvent = QEvent::User;
    void Post() { QCoreApplication::postEvent(this, new QEvent(PassEvent)); }

    std::function<void(int)> FOnPass;
    QTimer FSafety;
    bool FActive = true;
};
