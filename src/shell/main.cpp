// The entry point: the application, its title and the main window, then the
// message loop.
#include "archive/password.h"
#include "archive/qtcompletion/guicompletion.h"
#include "commandline.h"
#include "core/cp1251.h"
#include "core/readahead.h"
#include "helptext.h"
#include "mainform.h"
#include "passwordform.h"
#include "player/fragmentahead.h"
#include "player/icons/playericons.h"
#include "programinfo/programinfo.h"
#include "startup.h"
#include "uikit/failurelog.h"
#include "uikit/guarded.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

// Qt aborts with a terse message when no display can be had; say it plainly.
bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// The archive settings of the command line, with the password from the
// environment or, when that does not give one, asked for; none when the
// user cancelled, or when the user name or the environment's password
// cannot be sent (then `problem` says why).
std::optional<TArchiveSettings> ArchiveSettings(const TArchiveArguments& arguments, QString& problem)
{
    TArchiveSettings settings;
    settings.Host = arguments.Host.toStdString();
    settings.Port = arguments.Port;
    settings.Secure = arguments.Secure;
    settings.CaFile = QFile::encodeName(arguments.CaFile).toStdString();
    if (!settings.SetUserName(arguments.UserName.toStdString())) {
        problem = QString::fromUtf8(kUserNameNotCp1251);
        return std::nullopt;
    }
    settings.FragmentLimit = arguments.FragmentLimit;
    if (qEnvironmentVariableIsSet("MJPG_ARCHIVE_PASSWORD")) {
        if (!settings.SetPassword(qgetenv("MJPG_ARCHIVE_PASSWORD").toStdString())) {
            problem = QStringLiteral("MJPG_ARCHIVE_PASSWORD: ") + QString::fromUtf8(kPasswordNotCp1251);
            return std::nullopt;
        }
    } else if (!arguments.UserName.isEmpty()) {
        const QString hostPort = arguments.Host.contains(QLatin1Char(':'))
                                     ? QStringLiteral("[%1]:%2").arg(arguments.Host).arg(arguments.Port)
                                     : QStringLiteral("%1:%2").arg(arguments.Host).arg(arguments.Port);
        const QString server = arguments.Secure ? QStringLiteral("https://") + hostPort : hostPort;
        // The dialog takes only a password that can be sent.
        const std::optional<std::string> password = AskArchivePassword(arguments.UserName, server);
        if (!password)
            return std::nullopt;
        settings.SetPassword(*password);
    }
    return settings;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerHelpOrVersion(argc, argv, ProgramName, PlayerHelp().c_str(), 1); status >= 0)
        return status;
    // A wrong command line is told as such, with or without a display.
    const TPlayerArguments arguments = ParsePlayerArguments(std::vector<std::string>(argv, argv + argc));
    if (!arguments.Problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n%s", ProgramName, arguments.Problem.toLocal8Bit().constData(), PlayerUsage);
        return 2;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "mjpgplayer: нет графического дисплея (переменные DISPLAY и WAYLAND_DISPLAY не заданы).\n"
                     "Запустите программу в графическом сеансе или укажите QT_QPA_PLATFORM.\n");
        return 1;
    }
    // The fragment to open is read on a thread of its own, and its first
    // picture decoded there, while the application and its windows are set
    // up; not for the archive, whose password may still be asked for (and
    // the program ended there).
    if (!arguments.File.isEmpty() && !arguments.Archive)
        ReadAhead::Start(QFile::encodeName(arguments.File).toStdString(),
                         [](const TSharedBytes& bytes) { ProgramFragmentAhead().Prepare(bytes); });
    TFontConfigurationLoad fonts;
    QApplication app(argc, argv);
    // The fonts of the first texts and the image readers' plugins are loaded,
    // and the tool buttons' pictures rendered, beside the building of the
    // windows.
    TWindowSetUpAhead windowSetUp;
    TToolButtonIconsAhead icons;
    // The reasons the archive client, the manager and the engine note go to
    // the failure log.
    RouteFailuresToLog();
    // The archive request workers finish on this thread, from its event loop.
    TGuiCompletion workerCompletion;
    try {
        const QString problem = SetUpApplication();
        fonts.Wait();
        if (!problem.isEmpty())
            std::fprintf(stderr, "%s: %s\n", ProgramName, problem.toLocal8Bit().constData());
        std::optional<TArchiveSettings> archive;
        if (arguments.Archive) {
            QString refused;
            archive = ArchiveSettings(*arguments.Archive, refused);
            if (!archive && !refused.isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", ProgramName, refused.toLocal8Bit().constData());
                return 2;
            }
            if (!archive)
                return 0; // no password given: nothing to connect to
        }
        TMainForm mainForm = archive ? TMainForm(*archive) : TMainForm();
        if (!mainForm.Terminated) {
            mainForm.show();
            mainForm.OpenAtStart(arguments.File);
            app.exec();
        }
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return 0;
}
