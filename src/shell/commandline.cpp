// Reading the player's command line.
#include "commandline.h"

#include "archive/protocol.h"
#include "http/httpclient.h"

#include <QFile>

#include <exception>
#include <string>

const char PlayerUsage[] = "использование: mjpgplayer [ФАЙЛ.mjpg]\n"
                           "       mjpgplayer --archive [https://]ХОСТ[:ПОРТ] [--cacert ФАЙЛ] [--user ИМЯ] [--limit N] [ФАЙЛ.mjpg]\n"
                           "Адрес https:// - то же по TLS (порт 443, если не указан): сертификат сервера\n"
                           "проверяется всегда; --cacert добавляет к системным свой центр сертификации (PEM).\n"
                           "Пароль пользователя берётся из переменной MJPG_ARCHIVE_PASSWORD, "
                           "а если она не задана, запрашивается при запуске.\n";

namespace {

bool ParseNumber(const QString& text, int lowest, int highest, int& value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < lowest || number > highest || text.startsWith(QLatin1Char('+')))
        return false;
    value = number;
    return true;
}

} // namespace

TPlayerArguments ParsePlayerArguments(const QStringList& arguments)
{
    TPlayerArguments result;
    QStringList files;
    TArchiveArguments archive;
    bool archiveGiven = false;
    bool userGiven = false;
    bool limitGiven = false;
    bool caGiven = false;
    bool options = true;
    const QStringList given = arguments.mid(1);
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QString& argument = given[i];
        if (!options || !argument.startsWith(QLatin1Char('-'))) {
            files << argument;
            continue;
        }
        if (argument == QStringLiteral("--")) {
            options = false; // a file name may now begin with a dash
            continue;
        }
        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype equals = argument.indexOf(QLatin1Char('=')); equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        const bool known = name == QStringLiteral("--archive") || name == QStringLiteral("--user") ||
                           name == QStringLiteral("--limit") || name == QStringLiteral("--cacert");
        if (!known) {
            result.Problem = QStringLiteral("неизвестный параметр %1").arg(argument);
            return result;
        }
        if (!value) {
            if (i + 1 >= given.size()) {
                result.Problem = QStringLiteral("для параметра %1 не задано значение").arg(name);
                return result;
            }
            value = given[++i];
        }
        if (name == QStringLiteral("--archive")) {
            archiveGiven = true;
            std::string host;
            if (!TryParseServerAddress(value->toStdString(), host, archive.Port, archive.Secure)) {
                result.Problem =
                    QStringLiteral("неверный адрес сервера %1 (нужно [https://]ХОСТ или [https://]ХОСТ:ПОРТ)").arg(*value);
                return result;
            }
            archive.Host = QString::fromStdString(host);
        } else if (name == QStringLiteral("--cacert")) {
            caGiven = true;
            archive.CaFile = *value;
            try {
                (void)ReadAuthorityFile(QFile::encodeName(*value).toStdString());
            } catch (const std::exception& e) {
                result.Problem = QStringLiteral("--cacert: %1").arg(QString::fromStdString(e.what()));
                return result;
            }
        } else if (name == QStringLiteral("--user")) {
            userGiven = true;
            archive.UserName = *value;
        } else {
            limitGiven = true;
            if (!ParseNumber(*value, 1, 1000000, archive.FragmentLimit)) {
                result.Problem = QStringLiteral("неверное число фрагментов %1").arg(*value);
                return result;
            }
        }
    }
    if ((userGiven || limitGiven) && !archiveGiven) {
        result.Problem = QStringLiteral("параметры --user и --limit задаются вместе с --archive");
        return result;
    }
    if (caGiven && !(archiveGiven && archive.Secure)) {
        result.Problem = QStringLiteral("параметр --cacert задаётся вместе с адресом --archive https://...");
        return result;
    }
    if (files.size() > 1) {
        result.Problem = QStringLiteral("можно открыть только один файл");
        return result;
    }
    if (!files.isEmpty())
        result.File = files.first();
    if (archiveGiven)
        result.Archive = archive;
    return result;
}
