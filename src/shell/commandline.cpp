// Reading the player's command line.
#include "commandline.h"

const char PlayerUsage[] = "использование: mjpgplayer [ФАЙЛ.mjpg]\n";

TPlayerArguments ParsePlayerArguments(const QStringList& arguments)
{
    TPlayerArguments result;
    QStringList files;
    bool options = true;
    for (const QString& argument : arguments.mid(1)) {
        if (options && argument == QStringLiteral("--")) {
            options = false; // a file name may now begin with a dash
        } else if (options && argument.startsWith(QLatin1Char('-'))) {
            result.Problem = QStringLiteral("неизвестный параметр %1").arg(argument);
            return result;
        } else {
            files << argument;
        }
    }
    if (files.size() > 1)
        result.Problem = QStringLiteral("можно открыть только один файл");
    else if (!files.isEmpty())
        result.File = files.first();
    return result;
}
