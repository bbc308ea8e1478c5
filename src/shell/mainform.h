// TMainForm: the program's main window. It hosts the player window as a
// plain file player, opens fragment files from its menu, shows the path of
// the last file chosen in its status bar and ends the program.
#pragma once

#include "archivesettings.h"
#include "uikit/dialogs.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class TAboutForm;
class TVPlayerForm;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // A plain file player.
    explicit TMainForm(QWidget* parent = nullptr);
    // With the player's archive functions shown and working with `archive`.
    explicit TMainForm(const TArchiveSettings& archive, QWidget* parent = nullptr);
    ~TMainForm() override;

    QWidget* pnlDock = nullptr;
    QLabel* StatusPanel0 = nullptr; // "Файл"
    QLabel* StatusPanel1 = nullptr; // the path of the last file chosen
    QLabel* StatusPanel2 = nullptr; // the player's frame on screen: "Кадр N из M · <time>"
    QMenu* mmFile = nullptr;
    QMenu* mmHelp = nullptr;
    QAction* actFileOpen = nullptr;
    QAction* actFileExport = nullptr; // "Экспорт видео..." (exportcommand.cpp)
    QAction* actFileVerify = nullptr; // "Проверить экспорт..." (verifycommand.cpp)
    QAction* actExit = nullptr;
    QAction* actAbout = nullptr;
    TFileDialogOptions OpenDialog;
    TFileDialogOptions ExportDialog;
    TFileDialogOptions VerifyDialog;
    // An export of more picture bytes than this shows a progress window with
    // a cancel button; a smaller one the wait cursor.
    int64_t ExportProgressBytes = 64LL << 20;

    // True once the program has been asked to end (actExitExecute).
    bool Terminated = false;
    // An export is being written (on a thread of its own).
    bool Exporting() const { return FExport != nullptr; }

    void FormCreate();
    bool FormCloseQuery();
    void actFileOpenExecute();
    // Opens a fragment file as if chosen in "Открыть": loads it into the
    // player and shows its path. Used by the menu, the command line and a
    // file dropped on the window.
    void OpenFile(const QString& path);
    // Opens the file given on the command line once the message loop runs
    // (nothing when the path is empty).
    void OpenAtStart(const QString& path);
    void actFileExportExecute();
    void actFileVerifyExecute();
    void actExitExecute();
    void actAboutExecute();
    // The update handlers: recomputed whenever the player's state changes
    // and before a menu opens.
    void actFileOpenUpdate();
    void actAboutUpdate();
    void actFileExportUpdate();
    void UpdateActions();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct TExportRun;
    // The export being written; it holds its image and source bytes itself.
    std::shared_ptr<TExportRun> FExport;
    // Runs the export on its own thread until it ends, serving events (and
    // its progress window, when it has one) meanwhile.
    void RunExport(TExportRun& run);
    // Asked when the program is to end during an export: cancels it or
    // lets it finish, as the user chooses, and waits for it.
    void EndExport();

    // Set: the program was started for the archive.
    std::optional<TArchiveSettings> FArchive;
    // The about box, made when it is first asked for (a child of this window).
    TAboutForm* FAboutForm = nullptr;

    // The controls, the player (FormCreate), then the status bar.
    void Build();
    void createControls();
    void createStatusBar();
    // The one local file a drag carries, when "Открыть" may take it now.
    QString DroppableFile(const QMimeData* data);
};
