// The player's command line as the program reads it: before it looks for a
// display, and with Qt's own options left for Qt.
#include "shell/commandline.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

struct TRun {
    int Code = -1;
    QString Errors;
};

// The player run without any display.
TRun RunWithoutDisplay(const QStringList& arguments)
{
    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    player.setProcessEnvironment(environment);
    player.start(QStringLiteral(MJPG_PLAYER_PATH), arguments);
    if (!player.waitForFinished(60000) || player.exitStatus() != QProcess::NormalExit)
        return {};
    return {player.exitCode(), QString::fromLocal8Bit(player.readAllStandardError())};
}

} // namespace

TEST(PlayerCommandLine, AWrongCommandLineIsToldAsSuchEvenWithoutADisplay)
{
    const QString usage = QStringLiteral("использование: mjpgplayer [ФАЙЛ.mjpg]\n");
    const struct {
        QStringList Arguments;
        int Code;
        QString Errors; // the start of standard error
    } rows[] = {
        {{"--bogus"}, 2, "mjpgplayer: неизвестный параметр \"--bogus\"\n" + usage},
        {{"-bogus", "a.mjpg"}, 2, "mjpgplayer: неизвестный параметр \"-bogus\"\n" + usage},
        {{"--archive"}, 2, "mjpgplayer: для параметра \"--archive\" не указано значение\n" + usage},
        {{"--archive", "host", "--limit", "0"}, 2,
         "mjpgplayer: неверное число фрагментов \"0\" в параметре --limit (нужно целое число от 1 до 1000000)\n" + usage},
        {{"a.mjpg", "b.mjpg"}, 2, "mjpgplayer: можно открыть только один файл\n" + usage},
        // Understood: only then is the display missed.
        {{"a.mjpg"}, 1, "mjpgplayer: нет графического дисплея"},
        {{"-style", "fusion", "a.mjpg"}, 1, "mjpgplayer: нет графического дисплея"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        const TRun run = RunWithoutDisplay(row.Arguments);
        EXPECT_EQ(run.Code, row.Code);
        EXPECT_TRUE(run.Errors.startsWith(row.Errors)) << run.Errors.toStdString();
    }
}

TEST(PlayerArguments, QtsOwnOptionsAreLeftForQt)
{
    const struct {
        QStringList Arguments;
        bool Understood;
        QString File = {};
    } rows[] = {
        {{"-style", "fusion", "a.mjpg"}, true, "a.mjpg"},
        {{"a.mjpg", "-style=fusion"}, true, "a.mjpg"},
        {{"--platform", "offscreen", "-reverse"}, true},
        {{"-qwindowgeometry", "640x480+0+0", "a.mjpg"}, true, "a.mjpg"},
        {{"-reverse=1"}, false}, // a switch takes no value
        {{"-styles", "x"}, false},
        {{"--", "-style"}, true, "-style"}, // after "--" a file name
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        const TPlayerArguments parsed = ParsePlayerArguments(QStringList{QStringLiteral("mjpgplayer")} + row.Arguments);
        EXPECT_EQ(parsed.Problem.isEmpty(), row.Understood) << parsed.Problem.toStdString();
        if (row.Understood) {
            EXPECT_EQ(parsed.File, row.File);
        }
    }
}
