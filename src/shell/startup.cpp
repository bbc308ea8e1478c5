// Start-up settings of the application object.
#include "startup.h"

#include "uikit/apptitle.h"
#include "uikit/qttranslation.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImageReader>

#include <dlfcn.h>

#include <exception>
#include <utility>

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

TStartUpThread::TStartUpThread(std::function<void()> work)
{
    if (!work)
        return;
    try {
        FThread = std::thread(std::move(work));
    } catch (const std::exception&) {
        // No thread: whoever needs it first does it.
    }
}

void TStartUpThread::Wait()
{
    if (FThread.joinable())
        FThread.join();
}

namespace {

// fontconfig comes with Qt's GUI library, which calls FcInit itself when it
// first needs a font; a set-up already done makes that call return at once,
// and one still running is safe to meet (fontconfig's set-up is
// thread-safe). Without fontconfig there is nothing to do ahead.
std::function<void()> FontConfigurationSetUp()
{
    using TFcInit = int (*)();
    const auto init = reinterpret_cast<TFcInit>(dlsym(RTLD_DEFAULT, "FcInit"));
    if (!init)
        return {};
    return [init] { init(); };
}

void SetUpWindowsAhead()
{
    // Qt's font database and image readers lock what they share, and keep
    // it for every thread; what a thread keeps of its own (its font
    // engines) goes with it. A reader asks the plugins about a format before
    // its own readers.
    QBuffer nothing;
    nothing.open(QIODevice::ReadOnly);
    QImageReader(&nothing, "png").canRead();
    QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("Файл 0123456789"));
}

} // namespace

TFontConfigurationLoad::TFontConfigurationLoad() : TStartUpThread(FontConfigurationSetUp()) {}

TWindowSetUpAhead::TWindowSetUpAhead() : TStartUpThread(SetUpWindowsAhead) {}
