// The application's title: the caption of the main window, the title of
// messages that no window owns and the subject of the about box's e-mail
// link. Kept apart from Qt's application display name, which the platform
// would append to the title of every window ("О программе — …").
#pragma once

#include <QString>

void SetApplicationTitle(const QString& title);
// The title set at start-up; empty before.
QString ApplicationTitle();
