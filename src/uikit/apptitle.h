// The application's title: the caption of the main window, the title of
// messages that no window owns and the subject of the about box's e-mail
// link. Kept apart from Qt's application display name, which the platform
// would append to the title of every window ("О программе — …").
#pragma once

#include <QString>

class QWidget;

void SetApplicationTitle(const QString& title);
// The title set at start-up; empty before.
QString ApplicationTitle();
// The title of a message shown over `parent`: the title of its window, or
// the application's title when no window owns the message.
QString MessageTitle(const QWidget* parent);
