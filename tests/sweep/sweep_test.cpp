// The bad-input sweep: every crafted hostile fragment, then every input the
// fragment fuzzer kept (its corpus and its regression cases, looked up when
// the test runs), each opened and worked through in the player window.
#include "fakedialogs.h"
#include "children.h"
#include "fragmentfiles.h"
#include "hostilefragments.h"
#include "sweeprun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TFragmentPlan GoodPlan()
{
    TFragmentPlan plan;
    plan.FPS = 2000;
    plan.Frames.assign(5, true);
    return plan;
}

QString WriteBytes(const QString& path, const std::string& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                                                 static_cast<qint64>(bytes.size()))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

class SweepTest : public testing::Test {
protected:
    TFakeDialogs Dialogs;
    TVPlayerForm Form;
    QTemporaryDir Scratch;
    QString Good = WriteFragmentFile(QStringLiteral("good.mjpg"), GoodPlan());
};

class CraftedSweep : public SweepTest, public testing::WithParamInterface<THostileCase> {};

} // namespace

TEST_P(CraftedSweep, WorksThroughTheWindow)
{
    const THostileCase& hostile = GetParam();
    ASSERT_TRUE(Scratch.isValid());
    const QString path = WriteBytes(Scratch.filePath(QString::fromLatin1(hostile.Name) + QStringLiteral(".mjpg")),
                                    hostile.Make());
    TSweep sweep(Form, Dialogs, Scratch.path(), Good);
    // A fragment is open when the hostile one comes, as in real use.
    Dialogs.FileAnswers.push_back(Good);
    Child(Form, "actOpenFile")->trigger();
    ASSERT_TRUE(Form.Image);
    sweep.Run(path, hostile.Load == THostileLoad::Loads ? TExpectLoad::Loads : TExpectLoad::Silent);
}

INSTANTIATE_TEST_SUITE_P(Hostile, CraftedSweep, testing::ValuesIn(HostileCases()),
                         [](const testing::TestParamInfo<THostileCase>& info) {
                             std::string name = info.param.Name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The fragment fuzzer's inputs: whatever folders of them exist now. Their
// loading may end either way; the rest of the sweep holds for all of them.
TEST_F(SweepTest, FuzzerInputs)
{
    QStringList files;
    for (const char* kind : {"corpus", "regressions"}) {
        const QDir folder(QStringLiteral(MJPG_FUZZ_DIR "/") + QLatin1String(kind));
        for (const QString& target : folder.entryList({QStringLiteral("*fragment*")}, QDir::Dirs))
            for (QDirIterator it(folder.filePath(target), QDir::Files); it.hasNext();)
                files << it.next();
    }
    if (files.isEmpty())
        GTEST_SKIP() << "no fragment inputs under " MJPG_FUZZ_DIR "/{corpus,regressions}";
    files.sort();
    ASSERT_TRUE(Scratch.isValid());
    TSweep sweep(Form, Dialogs, Scratch.path(), Good);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        sweep.Run(file, TExpectLoad::Any);
    }
}
