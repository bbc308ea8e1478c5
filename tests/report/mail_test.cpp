// The e-mail export against a real SMTP server on loopback (aiosmtpd, saving
// what it receives into a maildir), its settings and its dialog.
#include "reportfixtures.h"
#include "fixtures/loopback.h"
#include "support/outsidetool.h"
#include "support/fakedialogs.h"
#include "report/exportsettings.h"
#include "report/framereport.h"
#include "report/layout.h"
#include "report/mailexport.h"
#include "report/reportmodel.h"
#include "report/rtfexport.h"
#include "report/templateloader.h"

#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QSpinBox>
#include <QThread>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

bool Accepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// One received message, taken apart by Python's own e-mail parser.
struct TReceived {
    QString Subject, To, From, Body, FileName, ContentType;
    QByteArray Attachment;
};

const char ParseScript[] = R"(
import base64, email, email.policy, json, sys
with open(sys.argv[1], 'rb') as f:
    m = email.message_from_binary_file(f, policy=email.policy.default)
body = m.get_body(preferencelist=('plain',))
att = next(m.iter_attachments())
print(json.dumps({'subject': str(m['subject']), 'to': str(m['to']), 'from': str(m['from']),
                  'body': body.get_content() if body else '', 'filename': att.get_filename(),
                  'type': att.get_content_type(),
                  'attachment': base64.b64encode(att.get_payload(decode=True)).decode()}))
)";

class SmtpTest : public testing::Test {
protected:
    void SetUp() override
    {
        int code = -1;
        RunTool(Python, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")}, &code);
        REQUIRE_OUTSIDE_TOOL(code == 0, "python3-aiosmtpd");
        ASSERT_TRUE(Dir.isValid());
        Port = fixture::FreeLoopbackPort();
        Server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Server.start(Python, {QStringLiteral("-m"), QStringLiteral("aiosmtpd"), QStringLiteral("-n"),
                              QStringLiteral("-l"), QStringLiteral("127.0.0.1:%1").arg(Port), QStringLiteral("-c"),
                              QStringLiteral("aiosmtpd.handlers.Mailbox"), MailDir()});
        ASSERT_TRUE(Server.waitForStarted(-1));
        // The server is up once it accepts; bounded, so a broken server fails the test.
        for (int attempt = 0; attempt < 400 && !Accepts(Port); ++attempt) {
            ASSERT_EQ(Server.state(), QProcess::Running) << "the SMTP server stopped";
            QThread::msleep(25);
        }
        ASSERT_TRUE(Accepts(Port)) << "the SMTP server does not accept connections";

        Report = LoadFrameReportTemplate();
        ASSERT_TRUE(FillFrameReport(*Report, FrameReportInput(*LoadFragment({}), 0)));
        Report->Build(Now);
    }

    void TearDown() override
    {
        if (Server.state() != QProcess::NotRunning) {
            Server.kill();
            Server.waitForFinished(-1);
        }
    }

    QString MailDir() const { return Dir.filePath(QStringLiteral("mail")); }

    std::vector<TReceived> Received() const
    {
        std::vector<TReceived> result;
        for (const QString& name : QDir(MailDir() + QStringLiteral("/new")).entryList(QDir::Files)) {
            int code = 0;
            const QString json = RunTool(Python, {QStringLiteral("-c"), QString::fromLatin1(ParseScript),
                                                  MailDir() + QStringLiteral("/new/") + name},
                                         &code);
            EXPECT_EQ(code, 0) << "the received message cannot be parsed";
            const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
            result.push_back({o.value(QLatin1String("subject")).toString(), o.value(QLatin1String("to")).toString(),
                              o.value(QLatin1String("from")).toString(), o.value(QLatin1String("body")).toString(),
                              o.value(QLatin1String("filename")).toString(), o.value(QLatin1String("type")).toString(),
                              QByteArray::fromBase64(o.value(QLatin1String("attachment")).toString().toLatin1())});
        }
        return result;
    }

    TMailExportSettings Settings(TAttachmentFormat format) const
    {
        TMailExportSettings s = LoadMailExportSettings();
        s.To = QStringLiteral("guard@example.test");
        s.From = QStringLiteral("player@example.test");
        s.Server = QStringLiteral("127.0.0.1");
        s.Port = Port;
        s.Message = QStringLiteral("Кадр из видеоархива во вложении.");
        s.Format = format;
        return s;
    }

    QTemporaryDir Dir;
    QProcess Server;
    int Port = 0;
    std::unique_ptr<TReport> Report;
};

TEST_F(SmtpTest, ReportArrivesWithSubjectRecipientAndAttachment)
{
    struct TRow {
        TAttachmentFormat Format;
        const char* FileName;
        const char* Type;
        const char* Starts;
    } rows[] = {
        {TAttachmentFormat::Pdf, "Информация из видеоархива.pdf", "application/pdf", "%PDF-"},
        {TAttachmentFormat::Html, "Информация из видеоархива.htm", "text/html", "<!DOCTYPE html>"},
        {TAttachmentFormat::Rtf, "Информация из видеоархива.rtf", "application/rtf", "{\\rtf1"},
    };
    TFakeDialogs dialogs;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.FileName);
        dialogs.Messages.clear();
        EXPECT_TRUE(SendReportByMail(*Report->Prepared(), Settings(row.Format), nullptr));
        ASSERT_EQ(dialogs.Messages.size(), 1u);
        EXPECT_EQ(dialogs.Messages.front().Icon, TMsgIcon::Information);
    }
    const std::vector<TReceived> received = Received();
    ASSERT_EQ(received.size(), std::size(rows));
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.FileName);
        const auto it = std::find_if(received.begin(), received.end(),
                                     [&](const TReceived& r) { return r.FileName == QString::fromUtf8(row.FileName); });
        ASSERT_NE(it, received.end());
        EXPECT_EQ(it->Subject, QStringLiteral("Информация из видеоархива"));
        EXPECT_EQ(it->To, QStringLiteral("guard@example.test"));
        EXPECT_EQ(it->From, QStringLiteral("player@example.test"));
        EXPECT_EQ(it->Body.trimmed(), QStringLiteral("Кадр из видеоархива во вложении."));
        EXPECT_EQ(it->ContentType, QString::fromLatin1(row.Type));
        EXPECT_TRUE(it->Attachment.startsWith(row.Starts));
        if (row.Format == TAttachmentFormat::Rtf) { // RTF carries no time stamp: the very export
            EXPECT_EQ(it->Attachment, ExportRtfBytes(*Report->Prepared(), FrameReportRtfSettings()));
        }
    }
}

TEST_F(SmtpTest, CancelledBeforeTheServerAnswers)
{
    TMailMessage message = MailMessageFor(*Report->Prepared(), Settings(TAttachmentFormat::Rtf));
    const std::atomic<bool> cancel{true};
    const TMailResult result = SendMail(message, cancel);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_TRUE(Received().empty());
}

TEST(MailExport, ClosedPortGivesAClearError)
{
    const int port = fixture::FreeLoopbackPort();
    TMailExportSettings s = LoadMailExportSettings();
    s.To = QStringLiteral("guard@example.test");
    s.From = QStringLiteral("player@example.test");
    s.Server = QStringLiteral("127.0.0.1");
    s.Port = port;
    s.Format = TAttachmentFormat::Rtf;
    const auto report = LoadFrameReportTemplate();
    report->Build();

    const TMailResult direct = SendMail(MailMessageFor(*report->Prepared(), s), std::atomic<bool>{false});
    EXPECT_FALSE(direct.Ok);
    EXPECT_FALSE(direct.Cancelled);
    EXPECT_TRUE(QString::fromStdString(direct.Error).contains(QStringLiteral("connect"), Qt::CaseInsensitive))
        << direct.Error;

    TFakeDialogs dialogs;
    EXPECT_FALSE(SendReportByMail(*report->Prepared(), s, nullptr));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    const TRecordedMessage& m = dialogs.Messages.front();
    EXPECT_EQ(m.Icon, TMsgIcon::Error);
    EXPECT_TRUE(m.Text.contains(QStringLiteral("Не удалось отправить письмо"))) << m.Text.toStdString();
    EXPECT_TRUE(m.Text.contains(QStringLiteral("127.0.0.1:%1").arg(port))) << m.Text.toStdString();
    EXPECT_TRUE(m.Text.contains(QString::fromStdString(direct.Error).section(QLatin1Char(' '), 0, 1)))
        << m.Text.toStdString();
}

TEST(MailExport, MissingAddressesAreReportedWithoutSending)
{
    const std::atomic<bool> cancel{false};
    struct TRow {
        const char* To;
        const char* From;
        const char* Server;
        const char* Reason;
    } rows[] = {
        {"", "a@b.test", "127.0.0.1", "получателя"},
        {" ; ", "a@b.test", "127.0.0.1", "получателя"},
        {"c@d.test", "", "127.0.0.1", "отправителя"},
        {"c@d.test", "a@b.test", "", "сервер"},
    };
    for (const TRow& row : rows) {
        TMailMessage m;
        m.To = row.To;
        m.From = row.From;
        m.Server = row.Server;
        const TMailResult result = SendMail(m, cancel);
        EXPECT_FALSE(result.Ok);
        EXPECT_NE(result.Error.find(row.Reason), std::string::npos) << result.Error;
    }
}

TEST(MailExport, SettingsKeptExceptThePassword)
{
    QSettings().remove(QStringLiteral("ReportMailExport"));
    const TMailExportSettings defaults = LoadMailExportSettings();
    EXPECT_EQ(defaults.Subject, QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(defaults.AttachmentName, QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(defaults.Port, 25);
    EXPECT_EQ(defaults.Format, TAttachmentFormat::Pdf);

    TMailExportSettings s = defaults;
    s.To = QStringLiteral("guard@example.test");
    s.Subject = QStringLiteral("Тема");
    s.Message = QStringLiteral("Текст\nв две строки");
    s.Format = TAttachmentFormat::Html;
    s.AttachmentName = QStringLiteral("кадр");
    s.From = QStringLiteral("player@example.test");
    s.Server = QStringLiteral("mail.example.test");
    s.Port = 2525;
    s.User = QStringLiteral("operator");
    s.Password = QStringLiteral("secret-word");
    SaveMailExportSettings(s);

    const TMailExportSettings back = LoadMailExportSettings();
    EXPECT_EQ(back.To, s.To);
    EXPECT_EQ(back.Subject, s.Subject);
    EXPECT_EQ(back.Message, s.Message);
    EXPECT_EQ(back.Format, s.Format);
    EXPECT_EQ(back.AttachmentName, s.AttachmentName);
    EXPECT_EQ(back.From, s.From);
    EXPECT_EQ(back.Server, s.Server);
    EXPECT_EQ(back.Port, s.Port);
    EXPECT_EQ(back.User, s.User);
    EXPECT_TRUE(back.Password.isEmpty());
    QSettings store;
    store.sync();
    QFile file(store.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("secret-word"));
    QSettings().remove(QStringLiteral("ReportMailExport"));
}

TEST(MailExport, DialogShowsAndReturnsEveryField)
{
    TMailExportSettings s;
    s.To = QStringLiteral("guard@example.test");
    s.Subject = QStringLiteral("Информация из видеоархива");
    s.Format = TAttachmentFormat::Rtf;
    s.AttachmentName = QStringLiteral("Информация из видеоархива");
    s.Port = 25;
    TMailExportDialog dialog(s);
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("edtSubject"))->text(), s.Subject);
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("cmbFormat"))->currentText(), QStringLiteral("RTF"));
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("spnPort"))->value(), 25);
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("edtPassword"));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    password->setText(QStringLiteral("pw"));
    dialog.findChild<QLineEdit*>(QStringLiteral("edtServer"))->setText(QStringLiteral(" smtp.example.test "));
    dialog.findChild<QComboBox*>(QStringLiteral("cmbFormat"))->setCurrentIndex(1);
    const TMailExportSettings back = dialog.Settings();
    EXPECT_EQ(back.To, s.To);
    EXPECT_EQ(back.Password, QStringLiteral("pw"));
    EXPECT_EQ(back.Server, QStringLiteral("smtp.example.test"));
    EXPECT_EQ(back.Format, TAttachmentFormat::Html);
    EXPECT_EQ(back.AttachmentName, s.AttachmentName);
}

TEST(MailExport, HeaderWordsAreEncodedOnlyWhenNeeded)
{
    EXPECT_EQ(EncodeHeaderWord("Report"), "Report");
    EXPECT_EQ(EncodeHeaderWord("Кадр"), "=?UTF-8?B?0JrQsNC00YA=?=");
}

} // namespace
