// What the program sets up before its first window: names, its title and
// Qt's Russian texts.
#pragma once

#include <QString>

extern const char ProgramName[];
extern const char ProgramTitle[]; // "Проигрыватель видеофайлов MJPG"

// Names the application, sets its title and loads Qt's Russian translation.
// Returns an empty text, or what went wrong with the translation (the
// program goes on with Qt's English texts).
QString SetUpApplication();
