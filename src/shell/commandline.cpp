// Reading the player's command line.
#include "commandline.h"

#include "archive/protocol.h"
#include "http/httpclient.h"

#include <QFile>

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

const char PlayerUsage[] = "использование: mjpgplayer [ФАЙЛ.mjpg]\n"
                           "       mjpgplayer --archive [https://]ХОСТ[:ПОРТ] [--cacert ФАЙЛ] [--user ИМЯ] [--limit N] [ФАЙЛ.mjpg]\n"
                           "Адрес https:// - то же по TLS (порт 443, если не указан): сертификат сервера\n"
                           "проверяется всегда; --cacert добавляет к системным свой центр сертификации (PEM).\n"
                           "Пароль пользователя берётся из переменной MJPG_ARCHIVE_PASSWORD, "
                           "а если она не задана, запрашивается при запуске.\n";

namespace {

constexpr TOption kOptionTable[] = {
    {.Name = "archive", .Value = "АДРЕС",
     .Help = "сервер архива: ХОСТ[:ПОРТ] или http://ХОСТ[:ПОРТ] (HTTP, порт 80),\n"
             "https://ХОСТ[:ПОРТ] (тот же протокол внутри TLS, порт 443;\n"
             "сертификат сервера проверяется всегда); адрес IPv6 - в квадратных\n"
             "скобках"},
    {.Name = "user", .Value = "ИМЯ", .Help = "имя пользователя архива (вместе с --archive)"},
    {.Name = "limit", .Value = "N",
     .Help = "сколько фрагментов может быть в одном ответе сервера\n"
             "(вместе с --archive, по умолчанию 50)",
     .Number = true, .Lowest = 1, .Highest = 1000000, .Invalid = "неверное число фрагментов"},
    {.Name = "cacert", .Value = "ФАЙЛ", .Help = "ещё один удостоверяющий центр (PEM) для адреса https://"},
    {.Name = "help", .Help = "показать эту справку и выйти"},
    {.Name = "version", .Help = "показать версию и выйти"},
};

// Qt's own options, which QApplication takes out of the command line: with
// one dash or two, those of the first list with a value ("-style fusion",
// "-style=fusion").
constexpr std::string_view kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowtitle", "qwindowicon",
    "style",    "stylesheet",         "session",       "display", "geometry",       "title",        "name",
    "visual",   "qmljsdebugger"};
constexpr std::string_view kQtSwitches[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

std::vector<std::string> WithoutQtOptions(const std::vector<std::string>& args)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::string_view name = arg;
        if (name.starts_with("--"))
            name.remove_prefix(2);
        else if (name.starts_with("-"))
            name.remove_prefix(1);
        else {
            rest.push_back(arg);
            continue;
        }
        const size_t equals = name.find('=');
        const std::string_view bare = name.substr(0, equals);
        const auto in = [&](const auto& list) { return std::find(std::begin(list), std::end(list), bare) != std::end(list); };
        if (in(kQtSwitches) && equals == std::string_view::npos)
            continue;
        if (in(kQtOptionsWithValue)) {
            if (equals == std::string_view::npos)
                ++i; // its value
            continue;
        }
        rest.push_back(arg);
    }
    return rest;
}

} // namespace

const TOptions kPlayerOptions = kOptionTable;

TPlayerArguments ParsePlayerArguments(const QStringList& arguments)
{
    std::vector<std::string> args;
    for (const QString& argument : arguments)
        args.push_back(argument.toLocal8Bit().toStdString());
    return ParsePlayerArguments(args);
}

TPlayerArguments ParsePlayerArguments(const std::vector<std::string>& arguments)
{
    TPlayerArguments result;
    const std::vector<std::string> given =
        WithoutQtOptions(std::vector<std::string>(arguments.begin() + std::min<std::ptrdiff_t>(1, std::ssize(arguments)), arguments.end()));
    TParsedArguments parsed;
    try {
        parsed = ParseArguments(given, kPlayerOptions);
    } catch (const EUsageError& e) {
        result.Problem = QString::fromUtf8(e.what());
        return result;
    }
    const auto text = [&](const char* name) { return QString::fromLocal8Bit(parsed.Value(name).value_or("")); };
    if (parsed.Has("help") || parsed.Has("version")) {
        // Answered before the command line is read; anywhere else they are out of place.
        result.Problem = QStringLiteral("параметры --help и --version задаются первыми");
        return result;
    }
    TArchiveArguments archive;
    const bool archiveGiven = parsed.Has("archive");
    if (archiveGiven) {
        std::string host;
        if (!TryParseServerAddress(*parsed.Value("archive"), host, archive.Port, archive.Secure)) {
            result.Problem =
                QStringLiteral("неверный адрес сервера %1 (нужно [https://]ХОСТ или [https://]ХОСТ:ПОРТ)").arg(text("archive"));
            return result;
        }
        archive.Host = QString::fromStdString(host);
    }
    if (const auto ca = parsed.Value("cacert")) {
        archive.CaFile = QFile::decodeName(ca->c_str());
        try {
            (void)ReadAuthorityFile(*ca);
        } catch (const std::exception& e) {
            result.Problem = QStringLiteral("--cacert: %1").arg(QString::fromStdString(e.what()));
            return result;
        }
    }
    archive.UserName = text("user");
    archive.FragmentLimit = static_cast<int>(parsed.Number("limit").value_or(archive.FragmentLimit));
    if ((parsed.Has("user") || parsed.Has("limit")) && !archiveGiven) {
        result.Problem = QStringLiteral("параметры --user и --limit задаются вместе с --archive");
        return result;
    }
    if (parsed.Has("cacert") && !(archiveGiven && archive.Secure)) {
        result.Problem = QStringLiteral("параметр --cacert задаётся вместе с адресом --archive https://...");
        return result;
    }
    if (parsed.Positional.size() > 1) {
        result.Problem = QStringLiteral("можно открыть только один файл");
        return result;
    }
    if (!parsed.Positional.empty())
        result.File = QFile::decodeName(parsed.Positional.front().c_str());
    if (archiveGiven)
        result.Archive = archive;
    return result;
}
