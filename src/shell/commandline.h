// The player's command line: at most one fragment file to open at start-up.
#pragma once

#include <QString>
#include <QStringList>

struct TPlayerArguments {
    QString File;    // empty: start without a fragment
    QString Problem; // not empty: the arguments are not understood
};

// `arguments` as QCoreApplication gives them (the program first, Qt's own
// options already taken out).
TPlayerArguments ParsePlayerArguments(const QStringList& arguments);

extern const char PlayerUsage[];
