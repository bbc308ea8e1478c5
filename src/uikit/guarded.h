// The application's standard display of errors raised in event handlers:
// every handler connected to a signal runs under Guarded, which catches the
// exception and shows its text, so nothing escapes into Qt's event loop.
#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <utility>

class QAction;

// A message box with the error's own text, titled with the application's
// title, with the error icon (through the dialog seam).
void ShowException(const QString& text);
void ShowException(const std::exception& error);

template <class F>
void Guarded(F&& handler)
{
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(QStringLiteral("Неизвестная ошибка"));
    }
}

// Connects a signal to a member handler through Guarded.
template <class Sender, class Signal, class Receiver, class Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](auto&&...) {
        Guarded([&] { (receiver->*handler)(); });
    });
}
