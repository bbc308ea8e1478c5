// Runs the window tests inside one QApplication on the offscreen platform.
#include "uikit/apptitle.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // ctest sets the platform; a run by hand gets the same one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Tests close windows; that must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    SetApplicationTitle(QStringLiteral("Проигрыватель видеофайлов MJPG"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
