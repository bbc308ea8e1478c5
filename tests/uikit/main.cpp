// Runs the dialog tests in one QApplication with Qt's Russian translation
// installed the way the program installs it.
#include "qttranslationloaded.h"
#include "uikit/qttranslation.h"

#include <QApplication>

#include <gtest/gtest.h>

bool QtTranslationLoaded = false;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QtTranslationLoaded = InstallQtTranslation();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
