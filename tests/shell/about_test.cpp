// The about box and the version information it reads from the executable.
#include "fakedialogs.h"
#include "modalprobe.h"
#include "shell/aboutform.h"
#include "shell/mainform.h"
#include "shell/shellexecute.h"
#include "shell/versioninfo.h"
#include "shell/versionresource.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

TEST(VersionInfoTest, TheExecutableCarriesTheProjectVersion)
{
    // This test program is linked with the same generated block as the player.
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    EXPECT_EQ(ReadFileVersionText(self), MJPG_PROJECT_VERSION);
    EXPECT_EQ(ReadFileVersionText(MJPG_PLAYER_PATH), MJPG_PROJECT_VERSION);
    EXPECT_EQ(std::string(MJPG_PROJECT_VERSION), "1.0.0.50");
}

TEST(VersionInfoTest, StepsOfTheLookup)
{
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const uint32_t size = GetFileVersionInfoSizeA(self);
    ASSERT_GT(size, 12u);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(self, size, block.data()));
    EXPECT_FALSE(GetFileVersionInfoA(self, size - 1, block.data())); // too small a block

    const void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* t = static_cast<const uint8_t*>(value);
    EXPECT_EQ(t[0] | t[1] << 8, 0x0419);
    EXPECT_EQ(t[2] | t[3] << 8, 1251);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\041904e3\\FileVersion", &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "1.0.0.50");
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
}

TEST(VersionInfoTest, FilesWithoutVersionInformation)
{
    EXPECT_EQ(GetFileVersionInfoSizeA("/bin/sh"), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA("/nonexistent/file"), 0u);
    EXPECT_EQ(ReadFileVersionText("/bin/sh"), "");
}

TEST(VersionInfoTest, OnlyTheFirstTranslationCounts)
{
    // A block whose first translation has no FileVersion gives nothing, even
    // when another translation has one.
    TVersionResource english;
    english.Language = 0x0409;
    english.CodePage = 1252;
    english.Strings = {{"ProductName", "x"}};
    std::vector<uint8_t> block = BuildVersionBlock(english);
    const void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", &value, &length));
}

TEST(AboutFormTest, ShowsTheVersionAndTheProductTexts)
{
    TAboutForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(form.lbVersion->text(), QStringLiteral("1.0.0.50"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Проигрыватель видеофайлов MJPG"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Версия:"));
    EXPECT_EQ(form.butClose->text(), QStringLiteral("Закрыть"));
}

// Every text of the box inside the box, whole, whatever the font: the box
// keeps the design's 415 x 264 while its texts fit and grows when they do not.
TEST(AboutFormTest, EveryTextFitsInsideTheBox)
{
    const QFont original = QApplication::font();
    struct TRow {
        const char* Font;
        int PointSize;
        bool DesignSize;
    } rows[] = {
        {"DejaVu Sans", 7, true},   // small enough for the design
        {"DejaVu Sans", 9, false},  // the platform's default: the copyright line needs more
        {"Liberation Serif", 11, false},
        {"DejaVu Sans", 16, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << row.Font << " " << row.PointSize);
        QApplication::setFont(QFont(QString::fromLatin1(row.Font), row.PointSize));
        TAboutForm form;
        form.show();
        if (row.DesignSize)
            EXPECT_EQ(form.size(), QSize(415, 264));
        else
            EXPECT_GE(form.width(), 415);
        EXPECT_GE(form.height(), 264);
        EXPECT_EQ(form.minimumSize(), form.maximumSize()); // fixed size
        const QRect box = form.rect();
        auto* group = form.findChild<QWidget*>(QStringLiteral("GroupBox1"));
        ASSERT_NE(group, nullptr);
        std::vector<QWidget*> parts{form.butClose};
        for (QLabel* label : form.findChildren<QLabel*>())
            if (label->objectName() != QStringLiteral("Image1"))
                parts.push_back(label);
        for (QWidget* part : parts) {
            SCOPED_TRACE(part->objectName().toStdString());
            const QRect placed(part->mapTo(&form, QPoint(0, 0)), part->size());
            EXPECT_GE(part->width(), part->sizeHint().width()); // not cut
            EXPECT_GE(part->height(), part->sizeHint().height());
            EXPECT_TRUE(box.contains(placed)) << "outside the box";
            if (part != form.butClose) {
                EXPECT_TRUE(QRect(group->mapTo(&form, QPoint(0, 0)), group->size()).contains(placed))
                    << "outside the frame";
            }
        }
        form.hide();
    }
    QApplication::setFont(original);
}

TEST(AboutFormTest, FixedSizeDialogWithTheSystemMenuAloneCentredOnTheScreen)
{
    TAboutForm form;
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint)); // only the hints below, not the platform's defaults
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    // Where the main window is does not matter: the box opens on the screen's centre.
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    TAboutForm owned(&owner);
    QTimer::singleShot(0, &owned, [&] {
        const QRect available = owned.screen()->availableGeometry();
        const QSize frame = owned.frameGeometry().size() - owned.size();
        EXPECT_LE(std::abs(owned.frameGeometry().center().x() - available.center().x()), frame.width() / 2 + 1);
        EXPECT_LE(std::abs(owned.frameGeometry().center().y() - available.center().y()), frame.height() / 2 + 1);
        owned.reject();
    });
    QTimer::singleShot(5000, &owned, [&] { owned.done(100); }); // a safety net, never expected
    EXPECT_EQ(owned.exec(), QDialog::Rejected);
}

TEST(AboutFormTest, LinksHandTheirTextsToTheDesktop)
{
    std::vector<QString> opened;
    SetShellExecuteHook([&](const QString& text) {
        opened.push_back(text);
        return true;
    });
    TAboutForm form;
    form.show();
    QTest::mouseClick(form.lbWeb, Qt::LeftButton);
    QTest::mouseClick(form.lbEMail, Qt::LeftButton);
    SetShellExecuteHook({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], form.lbWeb->text());
    EXPECT_EQ(opened[1], QStringLiteral("mailto:") + form.lbEMail->text() +
                             QStringLiteral("?subject=Программное обеспечение: Проигрыватель видеофайлов MJPG"));
}

TEST(AboutFormTest, EnterAndEscCloseTheDialog)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        TAboutForm form;
        QTimer::singleShot(0, &form, [&] { QTest::keyClick(&form, key); });
        QTimer::singleShot(5000, &form, [&] { form.done(100); }); // a safety net, never expected
        EXPECT_EQ(form.exec(), QDialog::Rejected) << key;
    }
}

// The main window's command shows the about box, made when first asked for
// (not at start), and the same box the next time.
TEST(AboutFormTest, TheMainWindowsCommandShowsTheBox)
{
    TMainForm main;
    EXPECT_EQ(main.findChild<TAboutForm*>(), nullptr);
    std::vector<TAboutForm*> shown;
    for (int time = 0; time < 2; ++time) {
        WhenModalIs<TAboutForm>([&](TAboutForm* form) {
            shown.push_back(form);
            EXPECT_EQ(form->parentWidget(), &main);
            EXPECT_EQ(form->windowTitle(), QStringLiteral("О программе"));
            EXPECT_FALSE(form->lbVersion->text().isEmpty());
            form->reject();
        });
        main.actAbout->trigger();
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], shown[1]);
}
