// The main window: menu, status bar, the docked player, opening and exiting.
#include "mainform.h"

#include "aboutform.h"
#include "player/vplayerform.h"
#include "uikit/guarded.h"
#include "uikit/placement.h"
#include "uikit/waitcursor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <new>

namespace {
const QString kCaption = QStringLiteral("Проигрыватель видеофайлов MJPG");

// The main window's commands: each row its action's name, caption, hint
// and key (QKeySequence's portable text), its handler, its menu and the
// member that holds it. The menus list them in the table's order.
struct TMainCommandRow {
    const char* Name;
    const char* Caption; // UTF-8
    const char* Hint;
    const char* Key;
    void (TMainForm::*Handler)();
    QMenu* TMainForm::*Menu;
    bool SeparatorBefore;
    QAction* TMainForm::*Action;
};

using M = TMainForm;
// clang-format off
const TMainCommandRow MainCommands[] = {
    {"actFileOpen", "Открыть", "Открыть файл для просмотра", "Ctrl+O",
     &M::actFileOpenExecute, &M::mmFile, false, &M::actFileOpen},
    {"actFileExport", "Экспорт видео...", "Сохранить видеофрагмент в формате, который откроет любой проигрыватель",
     "Ctrl+E", &M::actFileExportExecute, &M::mmFile, false, &M::actFileExport},
    {"actFileVerify", "Проверить экспорт...", "Проверить подписи и контрольные суммы экспортированного видео", "",
     &M::actFileVerifyExecute, &M::mmFile, false, &M::actFileVerify},
    {"actExit", "Выход", "Завершить работу с программой", "Alt+F4",
     &M::actExitExecute, &M::mmFile, true, &M::actExit},
    {"actAbout", "О программе...", "Показать краткую информацию о программе", "",
     &M::actAboutExecute, &M::mmHelp, false, &M::actAbout},
};
// clang-format on

// The third panel: a label of a fixed size. Its width is set for the
// longest text; its height is the one the bar lays it out at, kept from
// then on. A label whose size cannot change does not ask its bar to lay out
// and repaint every panel again when its text changes (with every frame
// shown); only its own text is painted anew.
class TFixedSizeLabel : public QLabel {
public:
    // Plain text: a new frame's text is not searched for markup.
    explicit TFixedSizeLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        if (minimumHeight() != height() || maximumHeight() != height())
            setFixedHeight(height());
    }
};

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    Build();
}

TMainForm::TMainForm(const TArchiveSettings& archive, QWidget* parent) : QMainWindow(parent), FArchive(archive)
{
    Build();
}

void TMainForm::Build()
{
    createControls();
    FormCreate();
    // Last: its panels measure the first texts, whose fonts are being
    // loaded meanwhile (TWindowSetUpAhead, startup.h).
    createStatusBar();
}

TMainForm::~TMainForm()
{
    // The player goes with its Qt parent; the global reference must not outlive it.
    VPlayerForm = nullptr;
}

void TMainForm::createControls()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kCaption);
    resize(800, 600);
    CenterOnScreen(this);
    setAcceptDrops(true);

    pnlDock = new QWidget(this);
    pnlDock->setObjectName(QStringLiteral("pnlDock"));
    auto* dockLayout = new QVBoxLayout(pnlDock);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(pnlDock);

    QMenuBar* menu = menuBar();
    menu->setObjectName(QStringLiteral("MainMenu"));
    mmFile = menu->addMenu(QStringLiteral("Файл"));
    mmFile->setObjectName(QStringLiteral("mmFile"));
    mmHelp = menu->addMenu(QStringLiteral("?"));
    mmHelp->setObjectName(QStringLiteral("mmHelp"));
    for (const TMainCommandRow& row : MainCommands) {
        auto* action = new QAction(QString::fromUtf8(row.Caption), this);
        action->setObjectName(QLatin1String(row.Name));
        action->setToolTip(QString::fromUtf8(row.Hint));
        action->setStatusTip(action->toolTip());
        if (*row.Key)
            action->setShortcut(QKeySequence(QString::fromLatin1(row.Key), QKeySequence::PortableText));
        QMenu* into = this->*row.Menu;
        if (row.SeparatorBefore)
            into->addSeparator()->setObjectName(QStringLiteral("N1"));
        into->addAction(action);
        this->*row.Action = action;
        ConnectGuarded(action, &QAction::triggered, this, row.Handler);
    }

    OpenDialog.Title = QStringLiteral("Открыть видеофайл");
    OpenDialog.Filter = QStringLiteral("Видеофайлы MJPG|*.mjpg|Все файлы|*.*");
    OpenDialog.DefaultExt = QStringLiteral("mjpg");

    ConnectGuarded(mmFile, &QMenu::aboutToShow, this, &TMainForm::UpdateActions);
    ConnectGuarded(mmHelp, &QMenu::aboutToShow, this, &TMainForm::UpdateActions);
}

void TMainForm::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setFixedHeight(19);
    bar->setSizeGripEnabled(true);
    StatusPanel0 = new QLabel(QStringLiteral("Файл"), bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setAlignment(Qt::AlignCenter);
    StatusPanel0->setFixedWidth(50);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1, 1);
    // Wide enough for the longest text, so that a new frame's text never
    // lays the bar out again.
    StatusPanel2 = new TFixedSizeLabel(bar);
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    StatusPanel2->setFixedWidth(
        StatusPanel2->fontMetrics().horizontalAdvance(QStringLiteral("Кадр 00000000 из 00000000 · 00.00.0000 00:00:00.000")) + 8);
    bar->addWidget(StatusPanel2);

    // The third panel follows the frame on screen.
    // The label, not the window: the player closes its fragment (and says so)
    // while the main window's children are freed.
    if (VPlayerForm)
        connect(VPlayerForm, &TVPlayerForm::FrameShown, StatusPanel2,
                [panel = StatusPanel2, player = VPlayerForm] { panel->setText(player->FrameText()); });
}

void TMainForm::FormCreate()
{
    TVPlayerForm* player = nullptr;
    try {
        player = new TVPlayerForm(pnlDock);
    } catch (const std::bad_alloc&) {
        player = nullptr;
    }
    VPlayerForm = player;
    if (!player) {
        Dialogs().Message(this, windowTitle(), QStringLiteral("Недостаточно памяти!"), TMsgIcon::Error, mbOK);
        Terminated = true;
        QCoreApplication::quit();
        return;
    }
    if (FArchive) {
        // For the archive: its commands and the band with the cancel button stay.
        ApplyArchiveSettings(*FArchive, *player->ManagerForm());
    } else {
        player->HideArchiveFunctions();
    }
    player->SetManagerVisible(false);
    player->Settings().OrganizationName = QStringLiteral("ОАО НПП \"Веларин\"");

    player->setWindowFlags(Qt::Widget);
    pnlDock->layout()->addWidget(player);
    player->show();

    ConnectGuarded(player, &TVPlayerForm::StateChanged, this, &TMainForm::UpdateActions);
    UpdateActions();
}

void TMainForm::actFileOpenUpdate()
{
    actFileOpen->setEnabled(VPlayerForm && !IsPlaying(VPlayerForm->State));
}

void TMainForm::actAboutUpdate()
{
    actAbout->setEnabled(!VPlayerForm || !IsPlaying(VPlayerForm->State));
}

void TMainForm::UpdateActions()
{
    actFileOpenUpdate();
    actAboutUpdate();
    actFileExportUpdate();
}

void TMainForm::actFileOpenExecute()
{
    if (!Dialogs().OpenFileName(this, OpenDialog))
        return;
    OpenFile(OpenDialog.FileName);
}

void TMainForm::OpenFile(const QString& path)
{
    {
        const TWaitCursor wait;
        // An open error escapes LoadFile and this handler; the path then
        // stays out of the status bar.
        VPlayerForm->OpenFragmentFile(path);
    }
    StatusPanel1->setText(path);
    // A fragment that follows another in the same state changes no state.
    UpdateActions();
}

QString TMainForm::DroppableFile(const QMimeData* data)
{
    actFileOpenUpdate();
    if (!actFileOpen->isEnabled() || !data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().first();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppableFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    // Playback may have started since the drag entered.
    if (!DroppableFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString path = DroppableFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that the program the file came from
    // does not wait while the fragment loads.
    QTimer::singleShot(0, this, [this, path] { Guarded([&] { OpenFile(path); }); });
}

void TMainForm::OpenAtStart(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QTimer::singleShot(0, this, [this, absolute] { Guarded([&] { OpenFile(absolute); }); });
}

void TMainForm::actExitExecute()
{
    // An export being written is finished or cancelled first.
    EndExport();
    // The player stops playing and ends what it waits for from the archive.
    if (VPlayerForm)
        VPlayerForm->FormCloseQuery();
    Terminated = true;
    // The message loop ends once a running playback loop (which sees the
    // stop) has returned to it.
    QCoreApplication::quit();
}

void TMainForm::actAboutExecute()
{
    // Made on first use rather than at start; kept for the next time.
    if (!FAboutForm)
        FAboutForm = new TAboutForm(this);
    FAboutForm->exec();
}

bool TMainForm::FormCloseQuery()
{
    actExit->trigger();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool allowed = true;
    Guarded([&] { allowed = FormCloseQuery(); });
    if (allowed)
        event->accept();
    else
        event->ignore();
}
