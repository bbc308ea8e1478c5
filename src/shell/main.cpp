// The entry point: the application, its title, the main window and the about
// box, then the message loop.
#include "aboutform.h"
#include "mainform.h"
#include "uikit/guarded.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>

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

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "mjpgplayer: нет графического дисплея (переменные DISPLAY и WAYLAND_DISPLAY не заданы).\n"
                     "Запустите программу в графическом сеансе или укажите QT_QPA_PLATFORM.\n");
        return 1;
    }
    QApplication app(argc, argv);
    try {
        QApplication::setApplicationName(QStringLiteral("mjpgplayer"));
        QApplication::setApplicationDisplayName(QStringLiteral("Проигрыватель видеофайлов MJPG"));
        QApplication::setOrganizationName(QStringLiteral("Orvanta"));
        TMainForm mainForm;
        TAboutForm aboutForm(&mainForm);
        AboutForm = &aboutForm;
        if (!mainForm.Terminated) {
            mainForm.show();
            app.exec();
        }
        AboutForm = nullptr;
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return 0;
}
