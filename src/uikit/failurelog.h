// What went wrong, kept where the program's message is a fixed text or there
// is no message at all: the reason goes to the diagnostic log (standard
// error, category "mjpgplayer.failures"), so it is not lost.
#pragma once

#include <QString>

// Logs "<what>: <the reason of the exception being handled>" as a warning.
// Call it inside a catch block.
void LogCurrentFailure(const QString& what);

// Points the failure sink of the layers without a window (core/failures.h)
// at this log.
void RouteFailuresToLog();
