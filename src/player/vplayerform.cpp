// The player window's construction: controls, actions and their handlers,
// creation, showing, closing and destruction, and the open command.
#include "vplayerform.h"

#include "actionbutton.h"
#include "commandtable.h"
#include "container/mjpgimage.h"
#include "icons/playericons.h"
#include "manager/gui/vmanagerform.h"
#include "pausebox.h"
#include "pictureview.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"
#include "sliderpreview.h"
#include "uikit/guarded.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QShowEvent>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

TVPlayerForm* VPlayerForm = nullptr;

namespace {

constexpr int ToolButtonHeight = 23;

QToolBar* NewToolBar(QWidget* parent, const char* name, int minimumWidth)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(ToolButtonImageSize, ToolButtonImageSize));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setMinimumSize(minimumWidth, ToolButtonHeight);
    bar->setContentsMargins(0, 0, 0, 0);
    return bar;
}

} // namespace

TVPlayerForm::TVPlayerForm(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("Просмотр видеоархива"));
    resize(640, 534);
    createControls();
    createActions();
    createKeyboard();
    connectHandlers();
    frxReport = LoadFrameReportTemplate();
    FormCreate();
}

TVPlayerForm::~TVPlayerForm()
{
    Guarded([this] { FormDestroy(); });
    // The children outlive this body; none of them may reach a handler now.
    pnlVideo->removeEventFilter(this);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    if (VPlayerForm == this)
        VPlayerForm = nullptr;
}

void TVPlayerForm::createControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The video panel and, at its right, the dock of the fragment manager
    // with the splitter's handle between them (both hidden until docked).
    RightSplitter = new QSplitter(Qt::Horizontal, this);
    RightSplitter->setObjectName(QStringLiteral("RightSplitter"));
    RightSplitter->setHandleWidth(4);
    RightSplitter->setChildrenCollapsible(false);
    layout->addWidget(RightSplitter, 1);

    pnlVideo = new QWidget(RightSplitter);
    pnlVideo->setObjectName(QStringLiteral("pnlVideo"));
    pnlVideo->setAutoFillBackground(true);
    QPalette black = pnlVideo->palette();
    black.setColor(QPalette::Window, Qt::black);
    pnlVideo->setPalette(black);
    pnlVideo->setMinimumSize(1, 1);
    pnlVideo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    RightSplitter->addWidget(pnlVideo);

    pnlRightDock = new QWidget(RightSplitter);
    pnlRightDock->setObjectName(QStringLiteral("pnlRightDock"));
    pnlRightDock->setMinimumWidth(1);
    auto* dock = new QVBoxLayout(pnlRightDock); // the docked manager fills it
    dock->setContentsMargins(0, 0, 0, 0);
    RightSplitter->addWidget(pnlRightDock);
    RightSplitter->setStretchFactor(0, 1);
    RightSplitter->setStretchFactor(1, 0);
    pnlRightDock->hide();

    imgVideo = new TPictureView(pnlVideo);
    imgVideo->setObjectName(QStringLiteral("imgVideo"));
    imgVideo->setGeometry(0, 0, 632, 480);
    imgVideo->SetStretch(true);

    pbxPause = new TPauseBox(pnlVideo);
    pbxPause->setObjectName(QStringLiteral("pbxPause"));
    pbxPause->resize(PauseAnimationFrameSize, PauseAnimationFrameSize);

    // The cool bar: the slider band, then a row with the three tool bars.
    CoolBar = new QWidget(this);
    CoolBar->setObjectName(QStringLiteral("CoolBar"));
    auto* bands = new QVBoxLayout(CoolBar);
    bands->setContentsMargins(2, 2, 2, 2);
    bands->setSpacing(2);
    layout->addWidget(CoolBar, 0);

    trbFramePosition = new QSlider(Qt::Horizontal, CoolBar);
    trbFramePosition->setObjectName(QStringLiteral("trbFramePosition"));
    trbFramePosition->setPageStep(1);
    trbFramePosition->setSingleStep(1);
    trbFramePosition->setTickInterval(1);
    trbFramePosition->setTickPosition(QSlider::NoTicks);
    trbFramePosition->setMinimumWidth(200);
    trbFramePosition->setValue(0);
    bands->addWidget(trbFramePosition);
    FramePreview = new TSliderPreview(trbFramePosition, [this] { return Image.get(); }, this);

    FNeighbourTimer = new QTimer(this);
    FNeighbourTimer->setObjectName(QStringLiteral("NeighbourTimer"));
    FNeighbourTimer->setSingleShot(true);
    FNeighbourTimer->setInterval(0);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    tbrVideoActions = NewToolBar(CoolBar, "tbrVideoActions", 254);
    tbrView = NewToolBar(CoolBar, "tbrView", 85);
    tbrFile = NewToolBar(CoolBar, "tbrFile", 70);
    row->addWidget(tbrVideoActions);
    row->addWidget(tbrView);
    row->addWidget(tbrFile);
    row->addStretch(1);
    bands->addLayout(row);

    pmFrameZoom = new QMenu(this);
    pmFrameZoom->setObjectName(QStringLiteral("pmFrameZoom"));
    pmSpeed = new QMenu(this);
    pmSpeed->setObjectName(QStringLiteral("pmSpeed"));

    tmrStartWait = new QTimer(this);
    tmrStartWait->setObjectName(QStringLiteral("tmrStartWait"));
    tmrStartWait->setInterval(500);
    tmrPauseAnimation = new QTimer(this);
    tmrPauseAnimation->setObjectName(QStringLiteral("tmrPauseAnimation"));
    tmrPauseAnimation->setInterval(100);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(110);
    Timer1->setSingleShot(true);

    OpenDialog.Title = QStringLiteral("Открыть видеофрагмент");
    OpenDialog.Filter = QStringLiteral("Видео MJPG (*.mjpg)|*.mjpg|Все файлы|*.*");
    OpenDialog.DefaultExt = QStringLiteral("mjpg");
}

QAction* TVPlayerForm::NewAction(TPlayerCommand command)
{
    const TCommandRow& row = CommandRow(command);
    auto* action = new QAction(this);
    action->setObjectName(QLatin1String(ActionName(command)));
    action->setProperty("category", QString::fromLatin1(row.Category));
    action->setText(QString::fromUtf8(row.Caption));
    action->setToolTip(QString::fromUtf8(row.Hint));
    if (row.Image >= 0)
        action->setIcon(ToolButtonIcon(row.Image));
    if (*row.ShortCut)
        action->setShortcut(QKeySequence(QString::fromLatin1(row.ShortCut), QKeySequence::PortableText));
    addAction(action); // so that its short-cut works wherever the window is
    this->*row.Action = action;
    return action;
}

void TVPlayerForm::createActions()
{
    for (size_t i = 0; i < PlayerCommandCount; ++i) {
        QAction* action = NewAction(static_cast<TPlayerCommand>(i));
        CommandActions.push_back(action);
        if (i < DesignCommandCount)
            ActionList.push_back(action);
    }
    actCancelLoad->setVisible(false);

    // The zoom and speed choices carry a check mark that CheckCategoryAction sets.
    for (QAction* choice : CommandActions) {
        const QString category = choice->property("category").toString();
        if (category == QLatin1String("Zoom") || category == QLatin1String("Speed"))
            choice->setCheckable(true);
    }
    createToolBars();
}

void TVPlayerForm::createToolBars()
{
    // Each bar's buttons in the order of their places; commands that share
    // a button make one drop-down button.
    struct TButton {
        int Place = 0;
        const char* Name = nullptr;
        bool SeparatorBefore = false;
        bool Hidden = false;
        std::vector<TPlayerCommand> Commands;
    };
    const std::pair<TCommandBar, QToolBar*> bars[] = {
        {TCommandBar::VideoActions, tbrVideoActions}, {TCommandBar::View, tbrView}, {TCommandBar::File, tbrFile}};
    for (const auto& [id, bar] : bars) {
        std::vector<TButton> buttons;
        for (size_t i = 0; i < PlayerCommandCount; ++i) {
            const auto command = static_cast<TPlayerCommand>(i);
            const TCommandRow& row = CommandRow(command);
            if (row.Bar != id)
                continue;
            auto same = std::find_if(buttons.begin(), buttons.end(),
                                     [&](const TButton& b) { return std::strcmp(b.Name, row.Button) == 0; });
            if (same == buttons.end())
                same = buttons.insert(buttons.end(), {row.Place, row.Button, false, row.ButtonHidden, {}});
            if (same->Commands.empty())
                same->SeparatorBefore = row.SeparatorBefore;
            same->Commands.push_back(command);
        }
        std::stable_sort(buttons.begin(), buttons.end(),
                         [](const TButton& a, const TButton& b) { return a.Place < b.Place; });
        for (const TButton& button : buttons) {
            if (button.SeparatorBefore)
                bar->addSeparator();
            if (button.Commands.size() > 1) {
                NewDropDownButton(bar, button.Name, button.Commands);
                continue;
            }
            auto* single = new TActionButton(bar, button.Name, CommandActions[static_cast<size_t>(button.Commands[0])]);
            if (button.Hidden)
                single->SetButtonVisible(false);
        }
    }
    tbnFirstFrame = findChild<TActionButton*>(QStringLiteral("tbnFirstFrame"));
    tbtnPriorFrame = findChild<TActionButton*>(QStringLiteral("tbtnPriorFrame"));
    tbtnPlayBack = findChild<TActionButton*>(QStringLiteral("tbtnPlayBack"));
    tbtnPause = findChild<TActionButton*>(QStringLiteral("tbtnPause"));
    tbtnStop = findChild<TActionButton*>(QStringLiteral("tbtnStop"));
    tbtnPlay = findChild<TActionButton*>(QStringLiteral("tbtnPlay"));
    tbtnNextFrame = findChild<TActionButton*>(QStringLiteral("tbtnNextFrame"));
    tbtnLastFrame = findChild<TActionButton*>(QStringLiteral("tbtnLastFrame"));
    tbtnSaveFrame = findChild<TActionButton*>(QStringLiteral("tbtnSaveFrame"));
    tbtnPrintReport = findChild<TActionButton*>(QStringLiteral("tbtnPrintReport"));
    tbtnResizeFrame = findChild<TActionButton*>(QStringLiteral("tbtnResizeFrame"));
    tbtnViewManager = findChild<TActionButton*>(QStringLiteral("tbtnViewManager"));
    ToolButton4 = findChild<TActionButton*>(QStringLiteral("ToolButton4"));
    tbtnOpenFile = findChild<TActionButton*>(QStringLiteral("tbtnOpenFile"));
    tbtnSaveFile = findChild<TActionButton*>(QStringLiteral("tbtnSaveFile"));
    tbtnCancelLoading = findChild<TActionButton*>(QStringLiteral("tbtnCancelLoading"));
}

QToolButton* TVPlayerForm::NewDropDownButton(QToolBar* bar, const char* name,
                                             const std::vector<TPlayerCommand>& commands)
{
    const bool zoom = std::strcmp(name, "tbtnZoomFragment") == 0;
    QMenu* menu = zoom ? pmFrameZoom : pmSpeed;
    for (TPlayerCommand command : commands) {
        if (CommandRow(command).SeparatorBefore) {
            QAction* separator = menu->addSeparator();
            if (zoom)
                separator->setObjectName(QStringLiteral("N1"));
        }
        menu->addAction(CommandActions[static_cast<size_t>(command)]);
    }
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(bar->iconSize());
    button->setMenu(menu);
    if (zoom) {
        button->setIcon(ToolButtonIcon(12));
        // A click beside the arrow does nothing; the arrow opens the menu.
        button->setPopupMode(QToolButton::MenuButtonPopup);
        tbtnZoomFragment = button;
    } else {
        // The caption is the speed; a click anywhere opens the choices.
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setToolTip(QStringLiteral("Скорость воспроизведения"));
        button->setPopupMode(QToolButton::InstantPopup);
        tbtnSpeed = button;
    }
    bar->addWidget(button);
    return button;
}

void TVPlayerForm::connectHandlers()
{
    using F = TVPlayerForm;
    for (size_t i = 0; i < PlayerCommandCount; ++i)
        ConnectGuarded(CommandActions[i], &QAction::triggered, this, CommandRow(static_cast<TPlayerCommand>(i)).Handler);
    // The speed button is available with its choices.
    tbtnSpeed->setEnabled(actSpeedNormal->isEnabled());
    connect(actSpeedNormal, &QAction::enabledChanged, tbtnSpeed, &QWidget::setEnabled);

    ConnectGuarded(trbFramePosition, &QSlider::valueChanged, this, &F::trbFramePositionChange);
    ConnectGuarded(tmrStartWait, &QTimer::timeout, this, &F::tmrStartWaitTimer);
    ConnectGuarded(tmrPauseAnimation, &QTimer::timeout, this, &F::tmrPauseAnimationTimer);
    ConnectGuarded(Timer1, &QTimer::timeout, this, &F::Timer1Timer);
    pnlVideo->installEventFilter(this);
    imgVideo->installEventFilter(this);
    ConnectGuarded(FNeighbourTimer, &QTimer::timeout, this, &F::PrepareNeighbourNow);
    connect(imgVideo, &TPictureView::PicturePainted, this, [this] {
        if (FNeighbour >= 0)
            FNeighbourTimer->start();
    });
    // Held step keys are looked at before their shortcuts fire.
    qApp->installEventFilter(this);
}

bool TVPlayerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (SkipHeldStep(watched, event))
        return true;
    if (watched == imgVideo && event->type() == QEvent::Resize)
        Guarded([this] { ViewResized(); });
    if (watched == pnlVideo && event->type() == QEvent::Resize) {
        Guarded([this] {
            // Children aligned to the panel follow it before its own handler runs.
            if (imgVideo->AlignClient())
                imgVideo->setGeometry(pnlVideo->rect());
            pnlVideoResize();
        });
    }
    return QWidget::eventFilter(watched, event);
}

void TVPlayerForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TVPlayerForm::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    Guarded([&] { canClose = FormCloseQuery(); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TVPlayerForm::FormCreate()
{
    // No fragment, psEmpty, the slider bound and disabled, the chronometer,
    // no download.
    FTrackBar = std::make_unique<TSliderTrackBar>(trbFramePosition);
    Engine.Create(FTrackBar.get());
    ManagerVisible = false;
    CreateManager();
    ManagerWidth = 230;
    PendingFragment.reset();
    SerialNumber = -1;
    Issue = -1;
    KeepProportions = true;
    FixedZoom = false;
    ZoomFactor = 0.0;
    CheckCategoryAction(QStringLiteral("Zoom"), actZoomFree);
    OpenFirstOnShow = false;
    IntervalForm = nullptr;
    IntervalBegin = 0;
    IntervalEnd = 0;
    CenterPauseBox();
    SetSpeed(Engine.Speed());
    UpdateActions();
}

void TVPlayerForm::FormShow()
{
    if (OpenFirstOnShow)
        Timer1->start();
    else
        Timer1->stop();
}

bool TVPlayerForm::FormCloseQuery()
{
    // A list request being waited for ends now, so that the wait returns.
    if (IntervalForm && Manager)
        Manager->ClearAndStop();
    if (Loading)
        actCancelLoad->trigger();
    if (IsPlaying(State))
        actStop->trigger();
    return true;
}

void TVPlayerForm::FormDestroy()
{
    CloseFragment();
    DestroyManager();
}

void TVPlayerForm::actOpenFileExecute()
{
    TFileDialogOptions options = OpenDialog;
    if (!Dialogs().OpenFileName(this, options))
        return;
    OpenFragmentFile(options.FileName);
}

void TVPlayerForm::OpenFragmentFile(const QString& path)
{
    if (Manager)
        Manager->ClearAndStop();
    LoadFile(path);
}
