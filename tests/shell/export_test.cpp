// "Экспорт видео..." in the main window: where it stands and when it is
// enabled, the real dialogs it shows (save dialog, export parameters,
// progress, messages) and what it writes.
#include "archive/qtcompletion/guicompletion.h"
#include "children.h"
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "fakedialogs.h"
#include "fixtures/files.h"
#include "fragmentfiles.h"
#include "modalprobe.h"
#include "outsidetool.h"
#include "shellcommand.h"
#include "overridecursor.h"
#include "passobserver.h"
#include "manager/gui/vmanagerform.h"
#include "managerview.h"
#include "player/vplayerform.h"
#include "shell/exportform.h"
#include "shell/mainform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

TFragmentPlan Plan(std::vector<bool> frames, int fps = 25)
{
    TFragmentPlan plan;
    plan.FPS = fps;
    plan.Frames = std::move(frames);
    return plan;
}

QStringList FolderEntries(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Answers Qt's own file dialog: the path typed as the name, then `button`.
void ChooseFile(QFileDialog* dialog, const QString& path, QDialogButtonBox::StandardButton button)
{
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(button)->click();
}

class ExportCommandTest : public testing::Test {
protected:
    // The settings the dialog remembers, in a folder of the test's own, not the user's.
    static void SetUpTestSuite()
    {
        FSettings = new QTemporaryDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, FSettings->path());
    }
    static void TearDownTestSuite()
    {
        delete FSettings;
        FSettings = nullptr;
    }
    static QTemporaryDir* FSettings;

    TMainForm Form;

    void Open(const QString& path)
    {
        TFakeDialogs dialogs;
        dialogs.FileAnswers.push_back(path);
        Form.actFileOpen->trigger();
    }
};

// Answers the export parameters dialog: the range and the manifest.
void AnswerParameters(int from, int to, bool manifest, bool accept = true)
{
    WhenModalIs<TExportForm>([=](TExportForm* form) {
        form->edtFrom->setValue(from);
        form->edtTo->setValue(to);
        form->ckbManifest->setChecked(manifest);
        (accept ? form->btnOK : form->btnCancel)->click();
    });
}

QTemporaryDir* ExportCommandTest::FSettings = nullptr;

} // namespace

TEST_F(ExportCommandTest, StandsAfterOpenAndIsEnabledForAFragmentWithPictures)
{
    const QList<QAction*> items = Form.mmFile->actions();
    ASSERT_GE(items.size(), 4);
    EXPECT_EQ(items[0], Form.actFileOpen);
    EXPECT_EQ(items[1], Form.actFileExport);
    EXPECT_EQ(items[2], Form.actFileVerify);
    EXPECT_EQ(Form.actFileVerify->text(), QStringLiteral("Проверить экспорт..."));
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(Form.actFileExport->text(), QStringLiteral("Экспорт видео..."));
    EXPECT_EQ(Form.actFileExport->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(Form.actFileExport->toolTip(),
              QStringLiteral("Сохранить видеофрагмент в формате, который откроет любой проигрыватель"));
    EXPECT_EQ(Form.actFileExport->statusTip(), Form.actFileExport->toolTip());

    EXPECT_FALSE(Form.actFileExport->isEnabled()); // nothing loaded
    Open(WriteFragmentFile(QStringLiteral("nodata.mjpg"), Plan({false, false})));
    EXPECT_FALSE(Form.actFileExport->isEnabled());
    Open(WriteFragmentFile(QStringLiteral("some.mjpg"), Plan({false, true})));
    EXPECT_TRUE(Form.actFileExport->isEnabled());
    Open(WriteTextFile(QStringLiteral("text.mjpg"), "not a fragment"));
    EXPECT_FALSE(Form.actFileExport->isEnabled());

    // A fragment from the archive (loaded from memory) can be exported too.
    const auto stream = BuildFragment(Plan({true, true}));
    ASSERT_TRUE(VPlayerForm->LoadStream(stream.get()));
    Form.UpdateActions();
    EXPECT_TRUE(Form.actFileExport->isEnabled());
    EXPECT_TRUE(VPlayerForm->Session().Source().Path.empty());
}

TEST_F(ExportCommandTest, DisabledWhilePlaying)
{
    TFragmentPlan plan = Plan({true, true, true}, -1); // the loop spins until the test stops it
    Open(WriteFragmentFile(QStringLiteral("play.mjpg"), plan));
    std::vector<bool> seen;
    TPassObserver observer(Child(*VPlayerForm, "actStop"), [&](int pass) {
        seen.push_back(Form.actFileExport->isEnabled());
        if (pass == 2)
            Child(*VPlayerForm, "actPause")->trigger();
    });
    Child(*VPlayerForm, "actPlay")->trigger();
    observer.Finish();
    EXPECT_EQ(seen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(Form.actFileExport->isEnabled()); // paused
}

TEST_F(ExportCommandTest, RealDialogsFromTheMenuToTheSuccessMessage)
{
    const QString source = WriteFragmentFile(QStringLiteral("real.mjpg"), Plan({true, true, false, true, true}));
    Open(source);
    Child(*VPlayerForm, "actNextFrame")->trigger(); // frame 1 is at hand
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("Вход.avi"));

    QString title, proposed, parametersTitle, messageText, messageTitle;
    QStringList types;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int defaultFrom = -1, defaultTo = -1;
    bool defaultManifest = false;
    WhenModalIs<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        auto* typeList = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        for (int i = 0; typeList && i < typeList->count(); ++i)
            types << typeList->itemText(i);
        proposed = name ? name->text() : QString();
        // The parameters come next: whole fragment by default, the current frame at hand.
        WhenModalIs<TExportForm>([&](TExportForm* form) {
            parametersTitle = form->windowTitle();
            defaultFrom = form->edtFrom->value();
            defaultTo = form->edtTo->value();
            defaultManifest = form->ckbManifest->isChecked();
            form->btnFromCurrent->click();
            WhenModalIs<QMessageBox>([&](QMessageBox* box) {
                messageTitle = box->windowTitle();
                messageText = box->text();
                icon = box->icon();
                box->button(QMessageBox::Ok)->click();
            });
            form->btnOK->click();
        });
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (!name || !box || !box->button(QDialogButtonBox::Save)) {
            ADD_FAILURE() << "not Qt's own file dialog";
            dialog->reject();
            return;
        }
        name->setText(path);
        box->button(QDialogButtonBox::Save)->click();
    });
    Form.actFileExport->trigger();

    EXPECT_EQ(title, QStringLiteral("Экспорт видеофрагмента"));
    EXPECT_EQ(types, (QStringList{QStringLiteral("Видео Matroska (*.mkv)"), QStringLiteral("Видео AVI (*.avi)"),
                                  QStringLiteral("Видео MP4, формат экспорта ONVIF (*.mp4)")}));
    EXPECT_EQ(proposed, QStringLiteral("1899-12-30 00-00-00.mkv")) << proposed.toStdString();
    EXPECT_EQ(parametersTitle, QStringLiteral("Параметры экспорта"));
    EXPECT_EQ(defaultFrom, 0);
    EXPECT_EQ(defaultTo, 4);
    EXPECT_TRUE(defaultManifest);
    EXPECT_EQ(messageTitle, Form.windowTitle());
    EXPECT_EQ(messageText, QStringLiteral("Видеофрагмент экспортирован."));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(FolderEntries(out.path()), (QStringList{QStringLiteral("Вход.avi"), QStringLiteral("Вход.avi.sha256")}));
    // Frames 1..4: three pictures, and the manifest names the fragment's file.
    QFile manifest(path + QStringLiteral(".sha256"));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(manifest.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("  Вход.avi\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("real.mjpg\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("# frames 1..4 of 5, 25 fps, 3 with data\n"))) << text.toStdString();
}

TEST_F(ExportCommandTest, FailureShowsTheReasonAndLeavesNoFile)
{
    Open(WriteFragmentFile(QStringLiteral("fail.mjpg"), Plan({true, true})));
    QTemporaryDir out;
    TFakeDialogs dialogs;
    dialogs.FileAnswers.push_back(out.filePath(QStringLiteral("missing/a.mkv")));
    AnswerParameters(0, 1, true);
    Form.actFileExport->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    const TRecordedMessage& m = dialogs.Messages[0];
    EXPECT_EQ(m.Icon, TMsgIcon::Error);
    EXPECT_EQ(m.Title, Form.windowTitle());
    const QStringList lines = m.Text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << m.Text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Не могу экспортировать видеофрагмент!"));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Не могу создать файл в папке"))) << m.Text.toStdString();
    EXPECT_TRUE(FolderEntries(out.path()).isEmpty());
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].Title, QStringLiteral("Экспорт видеофрагмента"));
    EXPECT_EQ(dialogs.FileDialogs[0].Filter, QStringLiteral("Видео Matroska (*.mkv)|*.mkv|Видео AVI (*.avi)|*.avi|"
                                                            "Видео MP4, формат экспорта ONVIF (*.mp4)|*.mp4"));
}

// The fragment asked about is exported or none: one closed and another
// opened while the parameters are asked (the new image may even take the
// old one's address) is not exported under the first one's name.
TEST_F(ExportCommandTest, AFragmentReplacedWhileTheParametersAreAskedIsNotExported)
{
    Open(WriteFragmentFile(QStringLiteral("asked.mjpg"), Plan({true, true, true})));
    const QString other = WriteFragmentFile(QStringLiteral("other.mjpg"), Plan({true, true, true}));
    QTemporaryDir out;
    TFakeDialogs dialogs;
    dialogs.FileAnswers.push_back(out.filePath(QStringLiteral("a.mkv")));
    bool asked = false;
    WhenModalIs<TExportForm>([&](TExportForm* form) {
        asked = true;
        VPlayerForm->CloseFragment();
        ASSERT_TRUE(VPlayerForm->LoadFile(other));
        form->btnOK->click();
    });
    Form.actFileExport->trigger();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_TRUE(FolderEntries(out.path()).isEmpty());
}

TEST_F(ExportCommandTest, ShortExportUnderTheWaitCursorAndAskingBeforeReplacing)
{
    Open(WriteFragmentFile(QStringLiteral("short.mjpg"), Plan({true, true, true})));
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("a.mkv"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    TFakeDialogs dialogs;
    // No: the old file stays, nothing more is asked.
    dialogs.FileAnswers.push_back(path);
    dialogs.MessageAnswers.push_back(mrNo);
    Form.actFileExport->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Icon, TMsgIcon::Warning);
    EXPECT_TRUE(dialogs.Messages[0].Text.startsWith(QStringLiteral("Файл с таким именем уже существует!\n")));
    EXPECT_EQ(FolderEntries(out.path()), QStringList{QStringLiteral("a.mkv")});

    // Yes: replaced; the wait cursor is down again when the message comes.
    dialogs.FileAnswers.push_back(path);
    AnswerParameters(0, 2, false);
    Form.actFileExport->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 3u);
    EXPECT_EQ(dialogs.Messages[2].Text, QStringLiteral("Видеофрагмент экспортирован."));
    EXPECT_EQ(dialogs.Messages[2].Icon, TMsgIcon::Information);
    EXPECT_NE(dialogs.Messages[2].Cursor, Qt::WaitCursor);
    EXPECT_EQ(FolderEntries(out.path()), QStringList{QStringLiteral("a.mkv")});
    EXPECT_GT(QFileInfo(path).size(), 3);
}

TEST_F(ExportCommandTest, LongExportShowsProgressAndCancelLeavesNoFile)
{
    Open(WriteFragmentFile(QStringLiteral("long.mjpg"), Plan(std::vector<bool>(200, true))));
    Form.ExportProgressBytes = 0; // every export counts as long here
    QTemporaryDir out;
    TFakeDialogs dialogs;
    dialogs.FileAnswers.push_back(out.filePath(QStringLiteral("a.avi")));
    QString label, cancelCaption;
    int maximum = -1;
    AnswerParameters(0, 199, true);
    // Cancel as soon as the progress window is up.
    QString progressTitle;
    struct TCancelOnShow : QObject {
        QString* Title;
        QString* Label;
        QString* Cancel;
        int* Maximum;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* progress = qobject_cast<QProgressDialog*>(watched);
            if (progress && event->type() == QEvent::Show) {
                *Title = progress->windowTitle();
                *Label = progress->labelText();
                *Maximum = progress->maximum();
                if (auto* button = progress->findChild<QPushButton*>())
                    *Cancel = button->text();
                QMetaObject::invokeMethod(progress, &QProgressDialog::cancel, Qt::QueuedConnection);
            }
            return false;
        }
    } filter;
    filter.Title = &progressTitle;
    filter.Label = &label;
    filter.Cancel = &cancelCaption;
    filter.Maximum = &maximum;
    qApp->installEventFilter(&filter);
    Form.actFileExport->trigger();
    qApp->removeEventFilter(&filter);

    EXPECT_EQ(progressTitle, QStringLiteral("Экспорт видеофрагмента"));
    EXPECT_EQ(label, QStringLiteral("Экспорт видеофрагмента..."));
    EXPECT_EQ(cancelCaption, QStringLiteral("Отмена"));
    EXPECT_EQ(maximum, 200);
    EXPECT_TRUE(dialogs.Messages.empty()); // a cancel is not a failure
    EXPECT_TRUE(FolderEntries(out.path()).isEmpty());

    // Without a cancel the same export completes behind the progress window.
    dialogs.FileAnswers.push_back(out.filePath(QStringLiteral("a.avi")));
    AnswerParameters(0, 199, true);
    Form.actFileExport->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Видеофрагмент экспортирован."));
    EXPECT_EQ(FolderEntries(out.path()), (QStringList{QStringLiteral("a.avi"), QStringLiteral("a.avi.sha256")}));
}

// While the export runs its window answers: Esc stops it and leaves
// nothing; closing the program asks whether to stop it or wait for it.
TEST_F(ExportCommandTest, EscOrClosingTheProgramDuringAnExport)
{
    Open(WriteFragmentFile(QStringLiteral("running.mjpg"), Plan(std::vector<bool>(200, true))));
    Form.ExportProgressBytes = 0;
    Form.show();
    const QString question = QStringLiteral("Экспорт видеофрагмента не закончен.\n"
                                            "Прервать экспорт? (\"Нет\" - дождаться его окончания)");
    struct TCase {
        const char* Name;
        bool Close;
        TModalResult Answer; // to the question, when closing
        bool Written;
    } const cases[] = {
        {"esc", false, mrNone, false},
        {"close, stop it", true, mrYes, false},
        {"close, wait for it", true, mrNo, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QTemporaryDir out;
        TFakeDialogs dialogs;
        dialogs.FileAnswers.push_back(out.filePath(QStringLiteral("a.mkv")));
        if (c.Close)
            dialogs.MessageAnswers.push_back(c.Answer);
        AnswerParameters(0, 199, true);
        struct TOnProgress : QObject {
            std::function<void(QProgressDialog*)> Shown;
            bool eventFilter(QObject* watched, QEvent* event) override
            {
                auto* progress = qobject_cast<QProgressDialog*>(watched);
                if (progress && event->type() == QEvent::Show && Shown) {
                    QMetaObject::invokeMethod(progress, [progress, shown = Shown] { shown(progress); },
                                              Qt::QueuedConnection);
                    Shown = nullptr;
                }
                return false;
            }
        } filter;
        filter.Shown = [&](QProgressDialog* progress) {
            if (c.Close)
                Form.close();
            else
                QTest::keyClick(progress, Qt::Key_Escape);
        };
        qApp->installEventFilter(&filter);
        Form.actFileExport->trigger();
        qApp->removeEventFilter(&filter);

        EXPECT_FALSE(Form.Exporting());
        if (c.Close) {
            ASSERT_EQ(dialogs.Messages.size(), 1u); // the question alone: an ending program says no more
            EXPECT_EQ(dialogs.Messages[0].Text, question);
            EXPECT_EQ(dialogs.Messages[0].Icon, TMsgIcon::Question);
            EXPECT_EQ(dialogs.Messages[0].Buttons, mbYes | mbNo);
            EXPECT_TRUE(Form.Terminated);
            EXPECT_FALSE(Form.isVisible());
        } else {
            EXPECT_TRUE(dialogs.Messages.empty());
            EXPECT_FALSE(Form.Terminated);
        }
        EXPECT_EQ(FolderEntries(out.path()),
                  c.Written ? (QStringList{QStringLiteral("a.mkv"), QStringLiteral("a.mkv.sha256")}) : QStringList{});
        Form.Terminated = false;
        Form.show();
    }
}

// A fetched fragment exported with its manifest while the answer of a new
// list arrives: the list replaces the manager's records during the export,
// and the manifest still names the bytes the server sent.
TEST(ArchiveExport, AListCompletingDuringTheExportOfAFetchedFragmentLeavesTheTrueDigest)
{
    TGuiCompletion completion;
    fixture::TScratchFolder folder;
    const std::string served = WriteSmallFragment(folder.Path() / "12-3.mjpg", {.Frames = 10});
    // List answers come a second late: time for the export to begin.
    TDemoServerProcess server(folder.Path(), {"--delay", "1000", "--only", "list"});
    TArchiveSettings settings;
    settings.Host = "127.0.0.1";
    settings.Port = server.Port();
    TMainForm form(settings);
    form.ExportProgressBytes = 0;
    TVPlayerForm& player = *VPlayerForm;
    TVManagerForm& manager = *player.Manager;
    manager.Settings().AutoLoadVideo = false;

    // Listed, fetched and opened, as a double click on its row does.
    manager.RequestList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.FragmentCount() == 1; }, 20000));
    FragmentList(manager)->setCurrentItem(FragmentList(manager)->topLevelItem(0));
    OpenSelected(manager);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.Image && player.Session().Source().SerialNumber == 12; }, 20000));
    Child(player, "actStop")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.actFileExport->isEnabled(); }, 20000));

    // Another fragment is listed by a request on its way when the export begins.
    WriteSmallFragment(folder.Path() / "12-4.mjpg", {.Frames = 5, .Event = EncodeDateTime(2007, 11, 15, 9, 50, 0)});
    const uint64_t generation = manager.ListGeneration();
    const size_t logged = server.Requests().size();
    manager.RequestList();
    ASSERT_TRUE(server.WaitForRequests(logged + 1));

    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("fetched.mkv"));
    TFakeDialogs dialogs;
    dialogs.FileAnswers.push_back(path);
    AnswerParameters(0, 9, true);
    // Once the progress window is up, the list's answer is let in while the
    // export runs: the record the export came from is freed.
    bool listedDuringExport = false;
    struct TOnProgress : QObject {
        std::function<void()> Shown;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (qobject_cast<QProgressDialog*>(watched) && event->type() == QEvent::Show && Shown) {
                QMetaObject::invokeMethod(watched, Shown, Qt::QueuedConnection);
                Shown = nullptr;
            }
            return false;
        }
    } filter;
    filter.Shown = [&] {
        listedDuringExport = QTest::qWaitFor(
            [&] { return manager.ListGeneration() != generation && manager.FragmentCount() == 2; }, 20000);
    };
    qApp->installEventFilter(&filter);
    form.actFileExport->trigger();
    qApp->removeEventFilter(&filter);

    EXPECT_TRUE(listedDuringExport);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Видеофрагмент экспортирован."));
    QFile manifest(path + QStringLiteral(".sha256"));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(served), QCryptographicHash::Sha256).toHex();
    const QByteArray text = manifest.readAll();
    EXPECT_TRUE(text.contains("# fragment (no file): sha256 " + digest + "\n")) << text.toStdString();
    // The player still shows the fragment it fetched.
    EXPECT_EQ(player.Session().Source().SerialNumber, 12);
    EXPECT_EQ(player.Session().Bytes().Size(), static_cast<int64_t>(served.size()));
}

// "Часовой пояс записи" proposes this computer's offset at the event's date
// (summer time included); what is chosen reaches the file and the manifest.
TEST_F(ExportCommandTest, TheRecordersZoneDefaultsToThisComputersOffsetAtTheEventsDate)
{
    const QByteArray savedZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Moscow"); // +04:00 in the summer of 2010, +03:00 in its winter
    tzset();
    struct TZoneCase {
        const char* Time;
        QString Proposed;
        int Choice;   // the offset chosen; 1: the proposal left as it is
        bool Unknown; // "Не известен" chosen
        std::string TimesLine;
    };
    const TZoneCase cases[] = {
        {"15.07.2010 12:00:00", QStringLiteral("UTC+04:00"), 1, false,
         "# times: the recorder's local time, UTC+04:00 (this computer's offset at the event's date, in the export dialog)"},
        {"15.01.2010 12:00:00", QStringLiteral("UTC+03:00"), 1, false,
         "# times: the recorder's local time, UTC+03:00 (this computer's offset at the event's date, in the export dialog)"},
        {"15.01.2010 12:00:00", QStringLiteral("UTC+03:00"), -300, false,
         "# times: the recorder's local time, UTC-05:00 (chosen in the export dialog)"},
        {"15.01.2010 12:00:00", QStringLiteral("UTC+03:00"), 0, true,
         "# times: the recorder's local time, UTC offset not known"},
    };
    for (const TZoneCase& c : cases) {
        SCOPED_TRACE(c.Time);
        TFragmentPlan plan = Plan({true, true});
        plan.Time = c.Time;
        Open(WriteFragmentFile(QStringLiteral("zone.mjpg"), plan));
        QTemporaryDir out;
        TFakeDialogs dialogs;
        dialogs.FileAnswers.push_back(out.filePath(QStringLiteral("a.mkv")));
        QString proposed, label;
        WhenModalIs<TExportForm>([&](TExportForm* form) {
            proposed = form->cmbTimeZone->currentText();
            for (QLabel* l : form->findChildren<QLabel*>())
                if (l->buddy() == form->cmbTimeZone)
                    label = l->text();
            if (c.Unknown)
                form->cmbTimeZone->setCurrentIndex(0);
            else if (c.Choice != 1)
                form->cmbTimeZone->setCurrentIndex(form->cmbTimeZone->findData(c.Choice));
            form->btnOK->click();
        });
        Form.actFileExport->trigger();
        EXPECT_EQ(label, QStringLiteral("Часовой пояс записи:"));
        EXPECT_EQ(proposed, c.Proposed);
        QFile manifest(out.filePath(QStringLiteral("a.mkv.sha256")));
        ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
        EXPECT_TRUE(manifest.readAll().toStdString().find("\n" + c.TimesLine + "\n") != std::string::npos)
            << c.TimesLine;
    }
    if (savedZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedZone);
    tzset();
}

namespace {

class SignedExportCommandTest : public ExportCommandTest {
protected:
    void SetUp() override
    {
        REQUIRE_OUTSIDE_TOOL(HaveProgram("openssl"), "openssl (Debian package openssl)");
        const std::string d = "'" + Keys.path().toStdString() + "'";
        for (const char* command :
             {"openssl req -x509 -newkey rsa:2048 -keyout signer.key -passout pass:secret -out signer.pem -days 2 "
              "-subj /CN=signer",
              "openssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.pem -days 2 -subj /CN=other"}) {
            const auto [status, text] = RunShell("cd " + d + " && " + std::string(command) + " 2>&1");
            ASSERT_EQ(status, 0) << text;
        }
    }
    QString KeyFile(const char* name) const { return Keys.filePath(QString::fromLatin1(name)); }

    // Exports the loaded fragment to `path` through the real dialogs, the
    // parameters dialog signing with the key and certificate; `answer`
    // handles what comes after it.
    void ExportSigned(const QString& path, const QString& key, const QString& cert, std::function<void()> answer)
    {
        WhenModalIs<QFileDialog>([=](QFileDialog* dialog) {
            WhenModalIs<TExportForm>([=](TExportForm* form) {
                form->ckbSign->setChecked(true);
                form->edtSignKey->setText(key);
                form->edtSignCert->setText(cert);
                form->edtOperator->setText(QStringLiteral("Петров"));
                answer();
                form->btnOK->click();
            });
            ChooseFile(dialog, path, QDialogButtonBox::Save);
        });
        Form.actFileExport->trigger();
    }

    // "Проверить экспорт..." through its real dialogs: the export chosen
    // with "..." in the file dialog, `ca` typed as the authorities' file;
    // the message's text and icon.
    std::pair<QString, QMessageBox::Icon> Verify(const QString& path, const QString& ca)
    {
        QString verdict;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModalIs<TVerifyForm>([&](TVerifyForm* form) {
            WhenModalIs<QFileDialog>([&](QFileDialog* dialog) {
                ChooseFile(dialog, path, QDialogButtonBox::Open);
            });
            form->edtExport->clear();
            EXPECT_FALSE(form->btnOK->isEnabled());
            form->btnExport->click();
            EXPECT_EQ(form->edtExport->text(), path);
            form->edtCaFile->setText(ca);
            WhenModalIs<QMessageBox>([&](QMessageBox* box) {
                verdict = box->text();
                icon = box->icon();
                box->button(QMessageBox::Ok)->click();
            });
            form->btnOK->click();
        });
        Form.actFileVerify->trigger();
        return {verdict, icon};
    }

    QTemporaryDir Keys;
};

} // namespace

TEST_F(SignedExportCommandTest, SignedMp4WithThePasswordDialogAndTheChoiceRemembered)
{
    Open(WriteFragmentFile(QStringLiteral("signed.mjpg"), Plan({true, true, false, true})));
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("Вход.mp4"));
    QString prompt, retryPrompt, message;
    ExportSigned(path, KeyFile("signer.key"), KeyFile("signer.pem"), [&] {
        // A wrong password first: the dialog comes again and says so.
        WhenModalIs<QInputDialog>([&](QInputDialog* dialog) {
            prompt = dialog->labelText();
            EXPECT_EQ(dialog->textEchoMode(), QLineEdit::Password);
            dialog->setTextValue(QStringLiteral("wrong"));
            WhenModalIs<QInputDialog>([&](QInputDialog* again) {
                retryPrompt = again->labelText();
                again->setTextValue(QStringLiteral("secret"));
                WhenModalIs<QMessageBox>([&](QMessageBox* box) {
                    message = box->text();
                    box->button(QMessageBox::Ok)->click();
                });
                again->accept();
            });
            dialog->accept();
        });
    });
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("Пароль ключа подписи \""))) << prompt.toStdString();
    EXPECT_TRUE(retryPrompt.startsWith(QStringLiteral("Неверный пароль."))) << retryPrompt.toStdString();
    EXPECT_EQ(message, QStringLiteral("Видеофрагмент экспортирован."));
    EXPECT_EQ(FolderEntries(out.path()),
              (QStringList{QStringLiteral("Вход.mp4"), QStringLiteral("Вход.mp4.sha256"),
                           QStringLiteral("Вход.mp4.sha256.p7s")}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.mid(4, 4), "ftyp");
    EXPECT_TRUE(bytes.contains(QStringLiteral("Петров").toUtf8() + '\0'));
    EXPECT_TRUE(bytes.contains("sibo"));

    // The next export's dialog comes with the same choice.
    bool signChecked = false;
    QString key, cert;
    WhenModalIs<QFileDialog>([&](QFileDialog* dialog) {
        WhenModalIs<TExportForm>([&](TExportForm* form) {
            signChecked = form->ckbSign->isChecked();
            key = form->edtSignKey->text();
            cert = form->edtSignCert->text();
            form->btnCancel->click();
        });
        ChooseFile(dialog, out.filePath(QStringLiteral("b.mp4")), QDialogButtonBox::Save);
    });
    Form.actFileExport->trigger();
    EXPECT_TRUE(signChecked);
    EXPECT_EQ(key, KeyFile("signer.key"));
    EXPECT_EQ(cert, KeyFile("signer.pem"));

    // "Проверить экспорт..." shows verify's lines: signed, the signer not vouched for.
    const auto [verdict, icon] = Verify(path, QString());
    EXPECT_TRUE(verdict.startsWith(QStringLiteral("Экспорт не изменён, но доверенная цепочка сертификатов не найдена.")))
        << verdict.toStdString();
    EXPECT_TRUE(verdict.contains(QStringLiteral("\nПодпись MP4 1 из 1: CN=signer; отпечаток SHA-256 ")))
        << verdict.toStdString();
    EXPECT_TRUE(verdict.contains(QStringLiteral("\nКадры: контрольные суммы всех 3 совпадают"))) << verdict.toStdString();
    EXPECT_EQ(icon, QMessageBox::Warning);

    // With the signer's certificate as the trusted authority the chain holds.
    const auto [trusted, trustedIcon] = Verify(path, KeyFile("signer.pem"));
    EXPECT_TRUE(trusted.startsWith(QStringLiteral("Экспорт не изменён, подписи верны."))) << trusted.toStdString();
    EXPECT_EQ(trustedIcon, QMessageBox::Information);

    // The authorities' file is remembered, and the export checked last is proposed.
    QString ca, proposed;
    WhenModalIs<TVerifyForm>([&](TVerifyForm* form) {
        ca = form->edtCaFile->text();
        proposed = form->edtExport->text();
        form->btnCancel->click();
    });
    Form.actFileVerify->trigger();
    EXPECT_EQ(ca, KeyFile("signer.pem"));
    EXPECT_EQ(proposed, path);
}

TEST_F(SignedExportCommandTest, TheKeyAndCertificateAreChosenInOpenDialogs)
{
    Open(WriteFragmentFile(QStringLiteral("browse.mjpg"), Plan({true})));
    QTemporaryDir out;
    QString key, cert, keyTitle, certFolder;
    // The key lies in a folder no dialog has been in yet.
    QTemporaryDir keyFolder;
    const QString otherKey = keyFolder.filePath(QStringLiteral("other.key"));
    ASSERT_TRUE(QFile::copy(KeyFile("other.key"), otherKey));
    bool enabledUnsigned = true;
    WhenModalIs<QFileDialog>([&](QFileDialog* dialog) {
        WhenModalIs<TExportForm>([&](TExportForm* form) {
            form->ckbSign->setChecked(false);
            enabledUnsigned = form->btnSignKey->isEnabled() || form->btnSignCert->isEnabled();
            form->ckbSign->setChecked(true);
            form->edtSignCert->clear();
            for (QPushButton* button : {form->btnSignKey, form->btnSignCert}) {
                const QString chosen = button == form->btnSignKey ? otherKey : KeyFile("other.pem");
                WhenModalIs<QFileDialog>([&, chosen](QFileDialog* open) {
                    if (button == form->btnSignKey)
                        keyTitle = open->windowTitle();
                    else
                        certFolder = open->directory().absolutePath();
                    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
                    ChooseFile(open, chosen, QDialogButtonBox::Open);
                });
                button->click();
            }
            key = form->edtSignKey->text();
            cert = form->edtSignCert->text();
            form->btnCancel->click();
        });
        ChooseFile(dialog, out.filePath(QStringLiteral("a.mp4")), QDialogButtonBox::Save);
    });
    Form.actFileExport->trigger();
    EXPECT_FALSE(enabledUnsigned);
    EXPECT_EQ(keyTitle, QStringLiteral("Ключ подписи"));
    EXPECT_EQ(key, otherKey);
    EXPECT_EQ(cert, KeyFile("other.pem"));
    // With no certificate named yet, its dialog opens where the key lies.
    EXPECT_EQ(certFolder, keyFolder.path());
    EXPECT_TRUE(FolderEntries(out.path()).isEmpty());
}

TEST_F(SignedExportCommandTest, AKeyThatCannotSignIsToldBeforeAnythingIsWritten)
{
    Open(WriteFragmentFile(QStringLiteral("mismatch.mjpg"), Plan({true, true})));
    QTemporaryDir out;
    QString message;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ExportSigned(out.filePath(QStringLiteral("a.mkv")), KeyFile("other.key"), KeyFile("signer.pem"), [&] {
        WhenModalIs<QMessageBox>([&](QMessageBox* box) {
            message = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
    });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Не могу подписать экспорт!\nКлюч \""))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("не соответствует сертификату"))) << message.toStdString();
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(FolderEntries(out.path()).isEmpty());
}
