// Showing errors that reached an event handler's boundary.
#include "guarded.h"

#include "apptitle.h"
#include "dialogs.h"

void ShowException(const QString& text)
{
    Dialogs().Message(nullptr, ApplicationTitle(), text, TMsgIcon::Error, mbOK);
}

void ShowException(const std::exception& error)
{
    ShowException(QString::fromUtf8(error.what()));
}
