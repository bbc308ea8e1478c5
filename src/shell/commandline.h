// The player's command line: at most one fragment file to open at start-up,
// and the archive server to work with (which shows the archive commands).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct TArchiveArguments {
    QString Host;
    int Port = 80;
    bool Secure = false; // https://
    QString CaFile;      // --cacert: an authority trusted besides the system's
    QString UserName; // empty: the server asks for no one
    int FragmentLimit = 50;
};

struct TPlayerArguments {
    QString File;    // empty: start without a fragment
    QString Problem; // not empty: the arguments are not understood
    std::optional<TArchiveArguments> Archive;
};

// `arguments` as QCoreApplication gives them (the program first, Qt's own
// options already taken out). Options: --archive [http://|https://]HOST[:PORT]
// (an IPv6 address in brackets when a port follows; 443 for https without
// one), --user NAME, --limit N (with --archive only) and --cacert FILE
// (with an https address only); each as "--name value" or "--name=value".
TPlayerArguments ParsePlayerArguments(const QStringList& arguments);

extern const char PlayerUsage[];
