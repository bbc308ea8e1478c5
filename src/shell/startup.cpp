// Start-up settings of the application object.
#include "startup.h"

#include "uikit/apptitle.h"
#include "uikit/qttranslation.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <exception>

const char ProgramName[] = "mjpgplayer";
const char ProgramTitle[] = "Проигрыватель видеофайлов MJPG";

QString SetUpApplication()
{
    QCoreApplication::setApplicationName(QString::fromLatin1(ProgramName));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvanta"));
    // Qt's display name stays unset: the platform would append it to every
    // window title ("О программе — Проигрыватель видеофайлов MJPG").
    SetApplicationTitle(QString::fromUtf8(ProgramTitle));
    QString problem;
    InstallQtTranslation(&problem);
    return problem;
}

TFontConfigurationLoad::TFontConfigurationLoad()
{
    // fontconfig comes with Qt's GUI library, which calls FcInit itself when
    // it first needs a font; a set-up already done makes that call return at
    // once, and one still running is safe to meet (fontconfig's set-up is
    // thread-safe). Without fontconfig there is nothing to do ahead.
    using TFcInit = int (*)();
    const auto init = reinterpret_cast<TFcInit>(dlsym(RTLD_DEFAULT, "FcInit"));
    if (!init)
        return;
    try {
        FThread = std::thread(init);
    } catch (const std::exception&) {
        // No thread: the first text loads it.
    }
}

void TFontConfigurationLoad::Wait()
{
    if (FThread.joinable())
        FThread.join();
}
