// Showing errors that reached an event handler's boundary.
#include "guarded.h"

#include "dialogs.h"

#include <QGuiApplication>

void ShowException(const QString& text)
{
    Dialogs().Message(nullptr, QGuiApplication::applicationDisplayName(), text, TMsgIcon::Error, mbOK);
}

void ShowException(const std::exception& error)
{
    ShowException(QString::fromUtf8(error.what()));
}
