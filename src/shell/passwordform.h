// TPasswordForm: the small modal dialog that asks for the archive user's
// password at start-up, when the environment does not give it. What is
// typed is never shown, and is read once: the dialog keeps nothing.
#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

class TPasswordForm : public QDialog {
    Q_OBJECT
public:
    TPasswordForm(const QString& userName, const QString& server, QWidget* parent = nullptr);

    QLabel* lbPrompt = nullptr;
    QLineEdit* edPassword = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // The password typed (UTF-8), emptied from the dialog as it is read.
    std::string TakePassword();

    // "Подключиться": a password with a character code page 1251 lacks is
    // refused with a message, and the dialog stays for another one.
    void accept() override;
};

// Shows the dialog; the password (one that code page 1251 can express), or
// none when the user cancelled.
std::optional<std::string> AskArchivePassword(const QString& userName, const QString& server);
