// The e-mail export's dialog, settings and sending.
#include "mailexport.h"

#include "exportsettings.h"
#include "htmlexport.h"
#include "layout.h"
#include "pdfexport.h"
#include "rtfexport.h"
#include "uikit/apptitle.h"
#include "uikit/dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProgressDialog>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <memory>
#include <thread>

namespace {
const QString Group = QStringLiteral("ReportMailExport");
} // namespace

TMailExportSettings LoadMailExportSettings()
{
    const TMailExportDefaults defaults = FrameReportMailDefaults();
    TMailExportSettings s;
    QSettings store;
    store.beginGroup(Group);
    s.To = store.value(QStringLiteral("To")).toString();
    s.Subject = store.value(QStringLiteral("Subject"), defaults.Subject).toString();
    s.Message = store.value(QStringLiteral("Message")).toString();
    const int format = store.value(QStringLiteral("Format"), 0).toInt();
    s.Format = format >= 0 && format <= 2 ? static_cast<TAttachmentFormat>(format) : TAttachmentFormat::Pdf;
    s.AttachmentName = store.value(QStringLiteral("AttachmentName"), defaults.AttachmentName).toString();
    s.From = store.value(QStringLiteral("From")).toString();
    s.Server = store.value(QStringLiteral("Server")).toString();
    s.Port = store.value(QStringLiteral("Port"), defaults.Port).toInt();
    s.User = store.value(QStringLiteral("User")).toString();
    return s;
}

void SaveMailExportSettings(const TMailExportSettings& s)
{
    QSettings store;
    store.beginGroup(Group);
    store.setValue(QStringLiteral("To"), s.To);
    store.setValue(QStringLiteral("Subject"), s.Subject);
    store.setValue(QStringLiteral("Message"), s.Message);
    store.setValue(QStringLiteral("Format"), static_cast<int>(s.Format));
    store.setValue(QStringLiteral("AttachmentName"), s.AttachmentName);
    store.setValue(QStringLiteral("From"), s.From);
    store.setValue(QStringLiteral("Server"), s.Server);
    store.setValue(QStringLiteral("Port"), s.Port);
    store.setValue(QStringLiteral("User"), s.User);
    store.remove(QStringLiteral("Password"));
}

TMailExportDialog::TMailExportDialog(const TMailExportSettings& s, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MailExportDialog"));
    setWindowTitle(QStringLiteral("Отправка по электронной почте"));
    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    edtTo = named(new QLineEdit(s.To, this), "edtTo");
    edtSubject = named(new QLineEdit(s.Subject, this), "edtSubject");
    memMessage = named(new QPlainTextEdit(s.Message, this), "memMessage");
    cmbFormat = named(new QComboBox(this), "cmbFormat");
    cmbFormat->addItems({QStringLiteral("PDF"), QStringLiteral("HTML"), QStringLiteral("RTF")});
    cmbFormat->setCurrentIndex(static_cast<int>(s.Format));
    edtAttachmentName = named(new QLineEdit(s.AttachmentName, this), "edtAttachmentName");
    edtFrom = named(new QLineEdit(s.From, this), "edtFrom");
    edtServer = named(new QLineEdit(s.Server, this), "edtServer");
    spnPort = named(new QSpinBox(this), "spnPort");
    spnPort->setRange(1, 65535);
    spnPort->setValue(s.Port);
    edtUser = named(new QLineEdit(s.User, this), "edtUser");
    edtPassword = named(new QLineEdit(s.Password, this), "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Кому:"), edtTo);
    form->addRow(QStringLiteral("Тема:"), edtSubject);
    form->addRow(QStringLiteral("Сообщение:"), memMessage);
    form->addRow(QStringLiteral("Формат вложения:"), cmbFormat);
    form->addRow(QStringLiteral("Имя вложения:"), edtAttachmentName);
    form->addRow(QStringLiteral("От кого:"), edtFrom);
    form->addRow(QStringLiteral("Сервер SMTP:"), edtServer);
    form->addRow(QStringLiteral("Порт:"), spnPort);
    form->addRow(QStringLiteral("Пользователь:"), edtUser);
    form->addRow(QStringLiteral("Пароль:"), edtPassword);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Отправить"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TMailExportSettings TMailExportDialog::Settings() const
{
    TMailExportSettings s;
    s.To = edtTo->text().trimmed();
    s.Subject = edtSubject->text();
    s.Message = memMessage->toPlainText();
    s.Format = static_cast<TAttachmentFormat>(cmbFormat->currentIndex());
    s.AttachmentName = edtAttachmentName->text().trimmed();
    s.From = edtFrom->text().trimmed();
    s.Server = edtServer->text().trimmed();
    s.Port = spnPort->value();
    s.User = edtUser->text();
    s.Password = edtPassword->text();
    return s;
}

TMailMessage MailMessageFor(const TPreparedReport& report, const TMailExportSettings& s)
{
    TMailMessage m;
    m.Server = s.Server.toStdString();
    m.Port = s.Port;
    m.User = s.User.toStdString();
    m.Password = s.Password.toStdString();
    m.From = s.From.toStdString();
    m.To = s.To.toStdString();
    m.Subject = s.Subject.toStdString();
    m.Body = s.Message.toStdString();
    QString name = s.AttachmentName.isEmpty() ? report.Name : s.AttachmentName;
    QByteArray bytes;
    switch (s.Format) {
    case TAttachmentFormat::Pdf:
        bytes = ExportPdfBytes(report, FrameReportPdfSettings());
        name += QStringLiteral(".pdf");
        m.AttachmentType = "application/pdf";
        break;
    case TAttachmentFormat::Html:
        bytes = ExportHtmlBytes(report, FrameReportHtmlSettings());
        name += QStringLiteral(".htm");
        m.AttachmentType = "text/html; charset=UTF-8";
        break;
    case TAttachmentFormat::Rtf:
        bytes = ExportRtfBytes(report, FrameReportRtfSettings());
        name += QStringLiteral(".rtf");
        m.AttachmentType = "application/rtf";
        break;
    }
    m.AttachmentName = name.toStdString();
    m.Attachment = bytes.toStdString();
    return m;
}

bool SendReportByMail(const TPreparedReport& report, const TMailExportSettings& settings, QWidget* parent)
{
    const TMailMessage message = MailMessageFor(report, settings);

    // The worker owns nothing of the window; what it shares with the GUI
    // thread lives as long as either side needs it.
    struct TShared {
        std::atomic<bool> Cancel{false};
        TMailResult Result;
    };
    auto shared = std::make_shared<TShared>();

    QProgressDialog progress(QStringLiteral("Отправка письма на сервер %1...").arg(settings.Server),
                             QStringLiteral("Отмена"), 0, 0, parent);
    progress.setObjectName(QStringLiteral("MailProgress"));
    progress.setWindowTitle(MessageTitle(parent));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QObject::connect(&progress, &QProgressDialog::canceled, [shared] { shared->Cancel = true; });
    progress.show();

    QEventLoop loop;
    std::thread worker([shared, message, &loop] {
        shared->Result = SendMail(message, shared->Cancel);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    progress.hide();

    const TMailResult& result = shared->Result;
    if (result.Ok) {
        Dialogs().Message(parent, MessageTitle(parent), QStringLiteral("Письмо отправлено: %1.").arg(settings.To),
                          TMsgIcon::Information, mbOK);
        return true;
    }
    if (result.Cancelled)
        return false;
    Dialogs().Message(parent, MessageTitle(parent),
                      QStringLiteral("Не удалось отправить письмо через сервер %1:%2.\n%3")
                          .arg(settings.Server)
                          .arg(settings.Port)
                          .arg(QString::fromStdString(result.Error)),
                      TMsgIcon::Error, mbOK);
    return false;
}

void MailReport(const TPreparedReport& report, QWidget* parent)
{
    TMailExportDialog dialog(LoadMailExportSettings(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TMailExportSettings settings = dialog.Settings();
    SaveMailExportSettings(settings);
    SendReportByMail(report, settings, parent);
}
