// "Экспорт видео..." in the main window: where it stands and when it is
// enabled, the real dialogs it shows (save dialog, export parameters,
// progress, messages) and what it writes.
#include "fakedialogs.h"
#include "fragmentfiles.h"
#include "modalprobe.h"
#include "outsidetool.h"
#include "shellcommand.h"
#include "overridecursor.h"
#include "passobserver.h"
#include "player/vplayerform.h"
#include "shell/exportform.h"
#include "shell/mainform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>

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
    EXPECT_TRUE(VPlayerForm->FileName.isEmpty());
}

TEST_F(ExportCommandTest, DisabledWhilePlaying)
{
    TFragmentPlan plan = Plan({true, true, true}, -1); // the loop spins until the test stops it
    Open(WriteFragmentFile(QStringLiteral("play.mjpg"), plan));
    std::vector<bool> seen;
    TPassObserver observer(VPlayerForm->actStop, [&](int pass) {
        seen.push_back(Form.actFileExport->isEnabled());
        if (pass == 2)
            VPlayerForm->actPause->trigger();
    });
    VPlayerForm->actPlay->trigger();
    observer.Finish();
    EXPECT_EQ(seen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(Form.actFileExport->isEnabled()); // paused
}

TEST_F(ExportCommandTest, RealDialogsFromTheMenuToTheSuccessMessage)
{
    const QString source = WriteFragmentFile(QStringLiteral("real.mjpg"), Plan({true, true, false, true, true}));
    Open(source);
    VPlayerForm->actNextFrame->trigger(); // frame 1 is at hand
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
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
        });
        Form.actFileExport->trigger();
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
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(out.filePath(QStringLiteral("b.mp4")));
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
    });
    Form.actFileExport->trigger();
    EXPECT_TRUE(signChecked);
    EXPECT_EQ(key, KeyFile("signer.key"));
    EXPECT_EQ(cert, KeyFile("signer.pem"));

    // "Проверить экспорт..." shows verify's lines: signed, the signer not vouched for.
    QString verdict;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModalIs<QFileDialog>([&](QFileDialog* dialog) {
        WhenModalIs<QMessageBox>([&](QMessageBox* box) {
            verdict = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Open)->click();
    });
    Form.actFileVerify->trigger();
    EXPECT_TRUE(verdict.startsWith(QStringLiteral("Экспорт не изменён, но доверенная цепочка сертификатов не найдена.")))
        << verdict.toStdString();
    EXPECT_TRUE(verdict.contains(QStringLiteral("\nПодпись MP4 1 из 1: CN=signer; отпечаток SHA-256 ")))
        << verdict.toStdString();
    EXPECT_TRUE(verdict.contains(QStringLiteral("\nКадры: контрольные суммы всех 3 совпадают"))) << verdict.toStdString();
    EXPECT_EQ(icon, QMessageBox::Warning);
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
