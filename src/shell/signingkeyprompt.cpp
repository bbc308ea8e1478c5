#include "signingkeyprompt.h"

#include "uikit/dialogs.h"

#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QWidget>

std::shared_ptr<const TSigningKey> LoadSigningKey(QWidget* parent, const QString& keyPath, const QString& certPath)
{
    const QString title = parent ? parent->window()->windowTitle() : QString();
    auto fail = [&](const QString& reason) {
        Dialogs().Message(parent, title, QStringLiteral("Не могу подписать экспорт!") + QLatin1Char('\n') + reason,
                          TMsgIcon::Error, mbOK);
        return std::shared_ptr<const TSigningKey>();
    };
    if (keyPath.isEmpty() || certPath.isEmpty())
        return fail(QStringLiteral("Не указан файл ключа или сертификата."));
    std::string passphrase;
    QString prompt;
    for (;;) {
        try {
            auto key = TSigningKey::Load(QFile::encodeName(keyPath).toStdString(),
                                         QFile::encodeName(certPath).toStdString(), passphrase);
            passphrase.assign(passphrase.size(), '\0');
            return key;
        } catch (const ESigningPassphraseError&) {
            prompt = (passphrase.empty() ? QString() : QStringLiteral("Неверный пароль.\n")) +
                     QStringLiteral("Пароль ключа подписи \"%1\":").arg(keyPath);
            passphrase.assign(passphrase.size(), '\0');
        } catch (const ESigningError& e) {
            return fail(QString::fromStdString(e.what()));
        }
        QInputDialog dialog(parent);
        dialog.setObjectName(QStringLiteral("SignPassphraseDialog"));
        dialog.setWindowTitle(QStringLiteral("Пароль ключа подписи"));
        dialog.setLabelText(prompt);
        dialog.setTextEchoMode(QLineEdit::Password);
        dialog.setOkButtonText(QStringLiteral("Подписать"));
        dialog.setCancelButtonText(QStringLiteral("Отмена"));
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        passphrase = dialog.textValue().toStdString();
        dialog.setTextValue(QString());
    }
}
