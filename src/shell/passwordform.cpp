#include "passwordform.h"

#include "archive/password.h"
#include "uikit/dialogs.h"
#include "uikit/placement.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPasswordForm::TPasswordForm(const QString& userName, const QString& server, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("PasswordForm"));
    setWindowTitle(QStringLiteral("Подключение к видеоархиву"));
    setModal(true);

    lbPrompt = new QLabel(QStringLiteral("Пароль пользователя «%1»\nна сервере %2:").arg(userName, server), this);
    lbPrompt->setObjectName(QStringLiteral("lbPrompt"));
    edPassword = new QLineEdit(this);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setMinimumWidth(240);
    lbPrompt->setBuddy(edPassword);

    btnOk = new QPushButton(QStringLiteral("Подключиться"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbPrompt);
    layout->addWidget(edPassword);
    layout->addLayout(buttons);
    // Room for the whole title in the bold face of title bars.
    layout->addItem(new QSpacerItem(TitleBarWidth(*this), 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edPassword->setFocus();
}

void TPasswordForm::accept()
{
    if (!CredentialToCp1251(edPassword->text().toStdString())) {
        Dialogs().Message(this, windowTitle(), QString::fromUtf8(kPasswordNotCp1251), TMsgIcon::Error, mbOK);
        edPassword->selectAll();
        edPassword->setFocus();
        return;
    }
    QDialog::accept();
}

std::string TPasswordForm::TakePassword()
{
    const std::string password = edPassword->text().toStdString();
    edPassword->clear();
    return password;
}

std::optional<std::string> AskArchivePassword(const QString& userName, const QString& server)
{
    TPasswordForm form(userName, server);
    form.adjustSize();
    CenterOnScreen(&form);
    const bool given = form.exec() == QDialog::Accepted;
    std::string password = form.TakePassword();
    if (!given)
        return std::nullopt;
    return password;
}
