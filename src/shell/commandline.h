// The player's command line: at most one fragment file to open at start-up,
// and the archive server to work with (which shows the archive commands).
#pragma once

#include "programinfo/options.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

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

// `arguments` as main gets them (the program first), read before the
// application starts and looks for a display; Qt's own options ("-style",
// "-platform", ...) are left for QApplication. Options, declared in
// kPlayerOptions (which also writes the help): --archive [http://|https://]HOST[:PORT]
// (an IPv6 address in brackets when a port follows; 443 for https without
// one), --user NAME, --limit N (with --archive only) and --cacert FILE
// (with an https address only); each as "--name value" or "--name=value".
TPlayerArguments ParsePlayerArguments(const std::vector<std::string>& arguments);
// The same for texts in the local encoding.
TPlayerArguments ParsePlayerArguments(const QStringList& arguments);

extern const TOptions kPlayerOptions;

extern const char PlayerUsage[];
