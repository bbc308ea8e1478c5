// The program started for the archive: the command line's options, the
// main window with the player's archive commands shown and the manager set
// up, and the password dialog as it really appears.
#include "archive/password.h"
#include "children.h"
#include "demoserverprocess.h"
#include "fixtures/files.h"
#include "core/cp1251.h"
#include "fakedialogs.h"
#include "manager/gui/vmanagerform.h"
#include "modalprobe.h"
#include "player/vplayerform.h"
#include "shell/commandline.h"
#include "shell/mainform.h"
#include "shell/passwordform.h"
#include "uikit/dialogs.h"

#include <QAction>
#include <QMessageBox>
#include <QProcess>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include "testauthority.h"

#include <gtest/gtest.h>

TEST(PlayerArguments, TheArchiveOptions)
{
    struct TRow {
        QStringList Arguments;
        bool Understood;
        bool Archive = false;
        QString Host = {};
        int Port = 80;
        QString User = {};
        int Limit = 50;
        QString File = {};
    } rows[] = {
        {{"--archive", "archive.local"}, true, true, "archive.local"},
        {{"--archive=10.0.0.7:8080", "--user", "Оператор", "--limit", "20"}, true, true, "10.0.0.7", 8080, "Оператор", 20},
        {{"a.mjpg", "--archive", "host:81", "--user=op"}, true, true, "host", 81, "op", 50, "a.mjpg"},
        {{"--archive", "[::1]:8080"}, true, true, "::1", 8080},
        {{"--archive", "::1"}, true, true, "::1"},
        {{"--archive", "[::1]"}, true, true, "::1"},
        {{"--archive"}, false},
        {{"--archive", "host:"}, false},
        {{"--archive", "host:0"}, false},
        {{"--archive", "host:65536"}, false},
        {{"--archive", "host:http"}, false},
        {{"--archive", ":80"}, false},
        {{"--archive", "[::1"}, false},
        {{"--archive", "user@host"}, false},
        {{"--archive", "host", "--limit", "0"}, false},
        {{"--archive", "host", "--limit", "many"}, false},
        {{"--user", "op"}, false},            // without --archive
        {{"--limit", "10"}, false},
        {{"--archive", "host", "--password", "x"}, false}, // never on the command line
        {{"--archive", "host", "a.mjpg", "b.mjpg"}, false},
        {{"a.mjpg"}, true, false, {}, 80, {}, 50, "a.mjpg"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        const TPlayerArguments parsed = ParsePlayerArguments(QStringList{QStringLiteral("mjpgplayer")} + row.Arguments);
        EXPECT_EQ(parsed.Problem.isEmpty(), row.Understood) << parsed.Problem.toStdString();
        if (!row.Understood)
            continue;
        EXPECT_EQ(parsed.File, row.File);
        ASSERT_EQ(parsed.Archive.has_value(), row.Archive);
        if (!row.Archive)
            continue;
        EXPECT_EQ(parsed.Archive->Host, row.Host);
        EXPECT_EQ(parsed.Archive->Port, row.Port);
        EXPECT_EQ(parsed.Archive->UserName, row.User);
        EXPECT_EQ(parsed.Archive->FragmentLimit, row.Limit);
    }
}

TEST(PlayerArguments, HttpsAddressesAndTheAuthorityToTrust)
{
    const fixture::TScratchFolder folder;
    const TTestAuthority authority(folder.Path(), "authority", "Archive Test Authority");
    const QString ca = QString::fromStdString(authority.CertFile().string());
    fixture::WriteFileBytes(folder / "empty.crt", "");
    struct TRow {
        QStringList Arguments;
        bool Understood;
        QString Host = {};
        int Port = 80;
        bool Secure = false;
        QString CaFile = {};
    } rows[] = {
        {{"--archive", "http://archive.local"}, true, "archive.local"},
        {{"--archive", "http://archive.local:8080"}, true, "archive.local", 8080},
        {{"--archive", "https://archive.local"}, true, "archive.local", 443, true},
        {{"--archive=https://[::1]:8443", "--cacert", ca}, true, "::1", 8443, true, ca},
        {{"--cacert=" + ca, "--archive", "https://10.0.0.7"}, true, "10.0.0.7", 443, true, ca},
        {{"--archive", "https://archive.local/"}, false},
        {{"--archive", "https://op@archive.local"}, false},
        {{"--archive", "ftp://archive.local"}, false},
        {{"--archive", "archive.local", "--cacert", ca}, false},        // plain: no certificate to check
        {{"--archive", "http://archive.local", "--cacert", ca}, false},
        {{"--cacert", ca}, false},                                      // without --archive
        {{"--archive", "https://archive.local", "--cacert", QString::fromStdString(folder / "none.crt")}, false},
        {{"--archive", "https://archive.local", "--cacert", QString::fromStdString(folder / "empty.crt")}, false},
        {{"--archive", "https://archive.local", "--insecure"}, false},  // no way to skip the check
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        const TPlayerArguments parsed = ParsePlayerArguments(QStringList{QStringLiteral("mjpgplayer")} + row.Arguments);
        EXPECT_EQ(parsed.Problem.isEmpty(), row.Understood) << parsed.Problem.toStdString();
        if (!row.Understood)
            continue;
        ASSERT_TRUE(parsed.Archive.has_value());
        EXPECT_EQ(parsed.Archive->Host, row.Host);
        EXPECT_EQ(parsed.Archive->Port, row.Port);
        EXPECT_EQ(parsed.Archive->Secure, row.Secure);
        EXPECT_EQ(parsed.Archive->CaFile, row.CaFile);
    }
}

TEST(ArchiveMode, TheArchiveCommandsAndTheirBandAreShownAndTheManagerIsSetUp)
{
    TFakeDialogs dialogs;
    TArchiveSettings settings;
    settings.Host = "archive.local";
    settings.Port = 8080;
    settings.UserName = Utf8ToCp1251("Оператор");
    settings.SetPassword("пароль");
    settings.FragmentLimit = 20;
    TMainForm form(settings);
    ASSERT_NE(VPlayerForm, nullptr);
    EXPECT_FALSE(Child<QToolBar>(*VPlayerForm, "tbrFile")->isHidden());
    for (QAction* action : {Child(*VPlayerForm, "actShowManager"), Child(*VPlayerForm, "actHideManager"), Child(*VPlayerForm, "actShowDTInterval")})
        EXPECT_TRUE(action->isVisible()) << action->objectName().toStdString();
    EXPECT_FALSE(Child(*VPlayerForm, "actCancelLoad")->isVisible()); // until a fetch runs
    EXPECT_FALSE(VPlayerForm->Settings().ManagerVisible);

    TVManagerForm* manager = VPlayerForm->Manager;
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->Settings().Host, "archive.local");
    EXPECT_EQ(manager->Settings().Port, 8080);
    EXPECT_EQ(manager->Settings().UserName, Utf8ToCp1251("Оператор"));
    EXPECT_EQ(manager->Settings().FragmentLimit, 20);
    EXPECT_FALSE(manager->Settings().Secure);
    EXPECT_EQ(manager->Settings().CaFile, "");
    // Not kept in plain view, and what the workers get is the password.
    EXPECT_EQ(manager->Settings().Password.substr(0, 1), "#");
    EXPECT_EQ(manager->Settings().Password.find(Utf8ToCp1251("пароль")), std::string::npos);
    EXPECT_EQ(UnscramblePassword(manager->Settings().Password), Utf8ToCp1251("пароль"));
}

TEST(ArchiveMode, ALongPasswordIsKeptScrambledAndWhole)
{
    TArchiveSettings settings;
    // The second begins like the scrambled form, with "#" and hexadecimal digits.
    for (const std::string& longPassword : {std::string(200, 'p'), "#" + std::string(199, 'A')}) {
        settings.SetPassword(longPassword);
        EXPECT_EQ(settings.Password.find(longPassword), std::string::npos);
        EXPECT_EQ(UnscramblePassword(settings.Password), longPassword); // what the manager hands its workers
    }
    settings.SetPassword("");
    EXPECT_EQ(settings.Password, "");
}

TEST(ArchiveMode, AnHttpsArchiveReachesTheManager)
{
    TFakeDialogs dialogs;
    TArchiveSettings settings;
    settings.Host = "archive.local";
    settings.Port = 443;
    settings.Secure = true;
    settings.CaFile = "/etc/archive/ca.crt";
    TMainForm form(settings);
    ASSERT_NE(VPlayerForm, nullptr);
    EXPECT_TRUE(VPlayerForm->Manager->Settings().Secure);
    EXPECT_EQ(VPlayerForm->Manager->Settings().CaFile, "/etc/archive/ca.crt");
    EXPECT_EQ(VPlayerForm->Manager->Settings().Port, 443);
}

TEST(ArchiveMode, WithoutTheArchiveTheManagerKeepsItsDefaults)
{
    TFakeDialogs dialogs;
    TMainForm form;
    ASSERT_NE(VPlayerForm, nullptr);
    // A file player makes no manager until one is asked for.
    EXPECT_EQ(VPlayerForm->Manager, nullptr);
    TVManagerForm* manager = VPlayerForm->ManagerForm();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(VPlayerForm->Manager, manager);
    EXPECT_EQ(VPlayerForm->ManagerForm(), manager); // made once
    EXPECT_EQ(manager->Settings().Host, "");
    EXPECT_EQ(manager->Settings().Port, 80);
    EXPECT_EQ(manager->Settings().FragmentLimit, 50);
}

TEST(ArchiveMode, TheFilePlayersManagerIsMadeWhenFirstShown)
{
    TFakeDialogs dialogs;
    TMainForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_NE(VPlayerForm, nullptr);
    ASSERT_EQ(VPlayerForm->Manager, nullptr);
    // Docked at the player's right, as the archive's command shows it.
    VPlayerForm->SetManagerVisible(true);
    TVManagerForm* manager = VPlayerForm->Manager;
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(VPlayerForm->Settings().ManagerVisible);
    EXPECT_EQ(manager->parentWidget(), Child<QWidget>(*VPlayerForm, "pnlRightDock"));
    EXPECT_TRUE(manager->isVisible());
    EXPECT_EQ(Child<QWidget>(*VPlayerForm, "pnlRightDock")->width(), VPlayerForm->Settings().ManagerWidth);
    EXPECT_TRUE(Child<QWidget>(*manager, "lvFragmentsList")->isVisible());
    // Wired to the player's archive handlers, and working.
    EXPECT_TRUE(manager->Events().OnFragmentOpen);
    EXPECT_TRUE(manager->Events().OnVideoLoaded);
    EXPECT_TRUE(manager->Events().OnRequestError);
    manager->ClearAndStop();
    EXPECT_EQ(manager->FragmentCount(), 0u);
    VPlayerForm->SetManagerVisible(false);
    EXPECT_FALSE(manager->isVisible());
    EXPECT_EQ(VPlayerForm->Manager, manager);
}

TEST(PasswordDialog, AsksWithoutShowingWhatIsTyped)
{
    struct TCase {
        const char* Name;
        bool Accept;
        std::optional<std::string> Result;
    };
    const TCase cases[] = {
        {"Подключиться", true, std::string("пароль 1")},
        {"Отмена", false, std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        bool looked = false;
        WhenModalIs<TPasswordForm>([&](TPasswordForm* form) {
            looked = true;
            EXPECT_EQ(form->windowTitle(), QStringLiteral("Подключение к видеоархиву"));
            EXPECT_EQ(form->lbPrompt->text(), QStringLiteral("Пароль пользователя «Оператор»\nна сервере archive:8080:"));
            EXPECT_EQ(form->edPassword->echoMode(), QLineEdit::Password);
            EXPECT_EQ(form->focusWidget(), form->edPassword);
            EXPECT_EQ(form->btnOk->text(), QStringLiteral("Подключиться"));
            EXPECT_EQ(form->btnCancel->text(), QStringLiteral("Отмена"));
            QFont bold = form->font();
            bold.setBold(true); // title bars' face: the whole title fits beside the bar's buttons
            EXPECT_GE(form->width(), QFontMetrics(bold).horizontalAdvance(form->windowTitle()) + TitleBarRoom);
            for (const QChar c : QStringLiteral("пароль 1")) // typed key by key, Cyrillic included
                QTest::sendKeyEvent(QTest::Click, form->edPassword, Qt::Key_unknown, QString(c), Qt::NoModifier);
            EXPECT_FALSE(form->edPassword->displayText().contains(QStringLiteral("пароль")));
            if (c.Accept)
                QTest::keyClick(form->edPassword, Qt::Key_Return); // the default button
            else
                form->btnCancel->click();
        });
        EXPECT_EQ(AskArchivePassword(QStringLiteral("Оператор"), QStringLiteral("archive:8080")), c.Result);
        EXPECT_TRUE(looked);
    }
}

TEST(ArchiveMode, AUserNameOrPasswordOutsideCodePage1251IsRefused)
{
    TArchiveSettings settings;
    ASSERT_TRUE(settings.SetUserName("оператор"));
    ASSERT_TRUE(settings.SetPassword("пароль"));
    const std::string password = settings.Password;
    for (const std::string text : {"ä", "密码", "op\xff", "\xef\xbf\xbd"}) { // the last: U+FFFD
        SCOPED_TRACE(text);
        EXPECT_FALSE(settings.SetUserName(text));
        EXPECT_FALSE(settings.SetPassword(text));
        EXPECT_EQ(settings.UserName, Utf8ToCp1251("оператор")); // nothing set
        EXPECT_EQ(settings.Password, password);
    }
}

TEST(ArchiveMode, TheProgramRefusesSuchCredentialsBeforeAnyRequest)
{
    fixture::TScratchFolder folder;
    TDemoServerProcess server(folder.Path());
    const struct {
        QStringList Arguments;
        QString Password; // null: not in the environment
        QString Message;
    } cases[] = {
        {{"--user", "ä"}, "пароль", "Имя пользователя содержит символы, которых нет в кодовой странице 1251"},
        {{"--user", "操作员"}, {}, "Имя пользователя содержит символы, которых нет в кодовой странице 1251"},
        {{"--user", "оператор"}, "密码", "Пароль содержит символы, которых нет в кодовой странице 1251"},
        {{}, "ä", "Пароль содержит символы, которых нет в кодовой странице 1251"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.Arguments.join(' ') + " / " + c.Password).toStdString());
        QProcess player;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("MJPG_ARCHIVE_PASSWORD"));
        if (!c.Password.isNull())
            environment.insert(QStringLiteral("MJPG_ARCHIVE_PASSWORD"), c.Password);
        player.setProcessEnvironment(environment);
        player.start(QStringLiteral(MJPG_PLAYER_PATH),
                     QStringList{"--archive", QString::fromStdString(server.HostPort())} + c.Arguments);
        ASSERT_TRUE(player.waitForFinished(60000));
        EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(player.exitCode(), 2);
        const QString errors = QString::fromLocal8Bit(player.readAllStandardError());
        EXPECT_TRUE(errors.contains(c.Message)) << errors.toStdString();
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST(PasswordDialog, RefusesAPasswordOutsideCodePage1251AndAsksAgain)
{
    bool refused = false;
    WhenModalIs<TPasswordForm>([&](TPasswordForm* form) {
        for (const QChar c : QStringLiteral("密码"))
            QTest::sendKeyEvent(QTest::Click, form->edPassword, Qt::Key_unknown, QString(c), Qt::NoModifier);
        WhenModalIs<QMessageBox>([&](QMessageBox* message) {
            refused = true;
            EXPECT_EQ(message->windowTitle(), QStringLiteral("Подключение к видеоархиву"));
            EXPECT_EQ(message->text(), QString::fromUtf8(kPasswordNotCp1251));
            EXPECT_EQ(message->icon(), QMessageBox::Critical);
            message->button(QMessageBox::Ok)->click();
        });
        QTest::keyClick(form->edPassword, Qt::Key_Return);
        EXPECT_TRUE(refused);
        EXPECT_TRUE(form->isVisible()); // asks again, with what was typed selected
        EXPECT_EQ(form->edPassword->selectedText(), QStringLiteral("密码"));
        for (const QChar c : QStringLiteral("пароль"))
            QTest::sendKeyEvent(QTest::Click, form->edPassword, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(form->edPassword, Qt::Key_Return);
    });
    EXPECT_EQ(AskArchivePassword(QStringLiteral("Оператор"), QStringLiteral("archive:8080")), std::string("пароль"));
    EXPECT_TRUE(refused);
}
