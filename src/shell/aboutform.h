// TAboutForm: the modal "О программе" dialog with the product description,
// the version read from the executable's version information, the maker's
// data and the web and e-mail links.
#pragma once

#include <QDialog>

class QGroupBox;
class QFrame;
class QLabel;
class QPushButton;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* lbVersion = nullptr;
    QLabel* lbAutor = nullptr;
    QLabel* lbWeb = nullptr;
    QLabel* lbEMail = nullptr;
    QPushButton* butClose = nullptr;

    // The text the e-mail link hands to the desktop.
    QString MailToText() const;

    void OnWebClick();
    void OnEmailClick();

    // Opens centred on the screen, at the design's size or larger when its
    // texts need more room in the font in use.
    void setVisible(bool visible) override;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void FormCreate();
    void FitToTexts();
};
