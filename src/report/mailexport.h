// The e-mail export: its dialog (recipient, subject, message, attachment
// format and name, sender, SMTP server, port, user, password), the settings
// kept between uses, and sending the report on a worker thread behind a
// cancellable progress window.
#pragma once

#include "mailsender.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class TPreparedReport;

enum class TAttachmentFormat { Pdf = 0, Html = 1, Rtf = 2 };

struct TMailExportSettings {
    QString To;
    QString Subject;
    QString Message;
    TAttachmentFormat Format = TAttachmentFormat::Pdf;
    QString AttachmentName;
    QString From;
    QString Server;
    int Port = 25;
    QString User;
    QString Password; // never stored
};

// The defaults of the frame report's e-mail export overlaid by what the
// settings store kept from the last use (everything but the password).
TMailExportSettings LoadMailExportSettings();
void SaveMailExportSettings(const TMailExportSettings& settings);

class TMailExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit TMailExportDialog(const TMailExportSettings& settings, QWidget* parent = nullptr);
    TMailExportSettings Settings() const;

private:
    QLineEdit* edtTo;
    QLineEdit* edtSubject;
    QPlainTextEdit* memMessage;
    QComboBox* cmbFormat;
    QLineEdit* edtAttachmentName;
    QLineEdit* edtFrom;
    QLineEdit* edtServer;
    QSpinBox* spnPort;
    QLineEdit* edtUser;
    QLineEdit* edtPassword;
};

// The attachment file: name with its format's extension, MIME type, bytes.
TMailMessage MailMessageFor(const TPreparedReport& report, const TMailExportSettings& settings);

// Sends the report on a worker thread while a progress window with a cancel
// button is shown; the caller's event loop keeps running. The outcome is told
// through the dialog seam (a failure with its reason). Returns whether the
// message went out.
bool SendReportByMail(const TPreparedReport& report, const TMailExportSettings& settings, QWidget* parent);

// The whole command: the dialog, the settings kept, the sending.
void MailReport(const TPreparedReport& report, QWidget* parent);
