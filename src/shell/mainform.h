// TMainForm: the program's main window. It hosts the player window as a
// plain file player, opens fragment files from its menu, shows the path of
// the last file chosen in its status bar and ends the program.
#pragma once

#include "uikit/dialogs.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;
class TVPlayerForm;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    QWidget* pnlDock = nullptr;
    QLabel* StatusPanel0 = nullptr; // "Файл"
    QLabel* StatusPanel1 = nullptr; // the path of the last file chosen
    QMenu* mmFile = nullptr;
    QMenu* mmHelp = nullptr;
    QAction* actFileOpen = nullptr;
    QAction* actExit = nullptr;
    QAction* actAbout = nullptr;
    TFileDialogOptions OpenDialog;

    // True once the program has been asked to end (actExitExecute).
    bool Terminated = false;

    void FormCreate();
    bool FormCloseQuery();
    void actFileOpenExecute();
    void actExitExecute();
    void actAboutExecute();
    // The update handlers: recomputed whenever the player's state changes
    // and before a menu opens.
    void actFileOpenUpdate();
    void actAboutUpdate();
    void UpdateActions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
};
