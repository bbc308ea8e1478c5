// A fragment larger than the memory the process may use: the load fails with
// the program's message and the path, and the next file opens as usual. The
// loader runs as a child process under a lowered address-space limit
// (prlimit --as), set a little above what it needs for a small fragment.
#include "fragmentfiles.h"
#include "hostilefragments.h"
#include "outsidetool.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 FrameBytes = 32 * MiB;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSanitizer = true;
#else
constexpr bool AddressSanitizer = false;
#endif

struct TRun {
    int ExitCode = -1;
    QStringList Lines;
    QString Errors;
};

TRun RunLoader(const QStringList& prefix, const QStringList& files)
{
    QProcess process;
    QStringList arguments = prefix;
    arguments << QStringLiteral(MJPG_LOADER_PATH) << files;
    const QString program = arguments.takeFirst();
    process.start(program, arguments);
    TRun run;
    if (!process.waitForFinished(120'000)) {
        process.kill();
        process.waitForFinished();
        run.Errors = QStringLiteral("the loader did not finish");
        return run;
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.Errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A fragment of `size` bytes or a little more, in parts of FrameBytes whose
// data are holes of the file: nothing to write, but every byte is read.
bool WriteSparseFragment(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::string head = hostile::Header(704, 576, 25, static_cast<int32_t>(size / FrameBytes + 1));
    while (file.size() < size) {
        head += hostile::PartHead(FrameBytes);
        if (file.write(head.data(), static_cast<qint64>(head.size())) != static_cast<qint64>(head.size()))
            return false;
        if (!file.seek(file.pos() + FrameBytes) || file.write("\r\n", 2) != 2)
            return false;
        head.clear();
    }
    return true;
}

} // namespace

TEST(MemoryLimit, AFragmentLargerThanTheProcessMayUseFailsWithTheMessage)
{
    if (AddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space for its shadow memory, so the "
                        "process cannot start under a lowered address-space limit";
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    REQUIRE_OUTSIDE_TOOL(!prlimit.isEmpty(), "prlimit (util-linux)");

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TFragmentPlan plan;
    plan.FPS = 25;
    plan.Frames.assign(3, true);
    const QString small = WriteFragmentFile(QStringLiteral("small.mjpg"), plan);

    // What the loader needs for a small fragment, without a limit.
    const TRun free = RunLoader({}, {small});
    ASSERT_EQ(free.ExitCode, 0) << free.Errors.toStdString();
    ASSERT_EQ(free.Lines.size(), 3) << free.Lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(free.Lines[1], QStringLiteral("loaded 3"));
    ASSERT_TRUE(free.Lines[2].startsWith(QStringLiteral("vmpeak ")));
    const qint64 peak = free.Lines[2].mid(7).toLongLong() * 1024;
    ASSERT_GT(peak, 0);

    // Room for the small fragment and the window's own needs, but not for
    // the big one, which is larger than the whole limit.
    const qint64 limit = peak + 512 * MiB;
    const QString big = folder.filePath(QStringLiteral("big.mjpg"));
    ASSERT_TRUE(WriteSparseFragment(big, limit + 2 * FrameBytes));
    ASSERT_GT(QFileInfo(big).size(), limit);

    const TRun limited =
        RunLoader({prlimit, QStringLiteral("--as=%1").arg(limit), QStringLiteral("--")}, {big, small});
    ASSERT_EQ(limited.ExitCode, 0) << limited.Errors.toStdString();
    const QStringList expected = {
        QStringLiteral("file: ") + big,
        QStringLiteral("message: Не могу загрузить данные из файла\\n\"") + big + QLatin1Char('"'),
        QStringLiteral("not loaded"),
        QStringLiteral("file: ") + small,
        QStringLiteral("loaded 3"),
    };
    ASSERT_GE(limited.Lines.size(), expected.size()) << limited.Lines.join(QLatin1Char('|')).toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(limited.Lines[i].toStdString(), expected[i].toStdString());
    EXPECT_EQ(limited.Lines.size(), expected.size() + 1); // and the peak
}
