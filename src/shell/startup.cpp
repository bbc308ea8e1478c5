// Start-up settings of the application object.
#include "startup.h"

#include "uikit/apptitle.h"
#include "uikit/qttranslation.h"

#include <QCoreApplication>

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
