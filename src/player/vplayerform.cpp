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
#include "positionslider.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"
#include "sliderpreview.h"
#include "uikit/guarded.h"

#include <QAction>
#include <QActionGroup>
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

    trbFramePosition = new TPositionSlider(CoolBar);
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

QAction* TVPlayerForm::NewAction(const TCommandRow& row)
{
    auto* action = new QAction(this);
    action->setObjectName(QLatin1String(row.Name));
    action->setProperty("category", QString::fromLatin1(row.Category));
    action->setText(QString::fromUtf8(row.Caption));
    action->setToolTip(QString::fromUtf8(row.Hint));
    if (row.Image >= 0)
        action->setIcon(ToolButtonIcon(row.Image));
    if (*row.Key)
        action->setShortcut(QKeySequence(QString::fromLatin1(row.Key), QKeySequence::PortableText));
    addAction(action); // so that its short-cut works wherever the window is
    return action;
}

void TVPlayerForm::createActions()
{
    // A choice is checked in its group (one at most); a choice chosen again
    // stays checked.
    FZoomChoices = new QActionGroup(this);
    FZoomChoices->setObjectName(QStringLiteral("ZoomChoices"));
    FSpeedChoices = new QActionGroup(this);
    FSpeedChoices->setObjectName(QStringLiteral("SpeedChoices"));
    for (size_t i = 0; i < PlayerCommandCount; ++i) {
        const TCommandRow& row = CommandTable[i];
        if (static_cast<size_t>(row.Id) != i)
            qFatal("The command table's row %zu is not its command's", i);
        QAction* action = NewAction(row);
        CommandActions.push_back(action);
        if (row.Choice != TCommandChoice::None) {
            action->setCheckable(true);
            (row.Choice == TCommandChoice::Zoom ? FZoomChoices : FSpeedChoices)->addAction(action);
        }
    }
    Action(TPlayerCommand::CancelLoad)->setVisible(false);
    createToolBars();
}

QAction* TVPlayerForm::ChoiceAction(TCommandChoice choice, int argument) const
{
    for (size_t i = 0; i < PlayerCommandCount; ++i) {
        if (CommandTable[i].Choice == choice && CommandTable[i].Argument == argument)
            return CommandActions[i];
    }
    return nullptr;
}

void TVPlayerForm::createToolBars()
{
    // Each bar's buttons in the order of their places; a choice's commands
    // make one drop-down button.
    struct TButton {
        int Place = 0;
        const TCommandRow* First = nullptr;
        std::vector<TPlayerCommand> Commands;
    };
    const std::pair<TCommandBar, QToolBar*> bars[] = {
        {TCommandBar::VideoActions, tbrVideoActions}, {TCommandBar::View, tbrView}, {TCommandBar::File, tbrFile}};
    for (const auto& [id, bar] : bars) {
        std::vector<TButton> buttons;
        for (size_t i = 0; i < PlayerCommandCount; ++i) {
            const TCommandRow& row = CommandTable[i];
            if (row.Bar != id)
                continue;
            auto same = buttons.end();
            if (row.Choice != TCommandChoice::None)
                same = std::find_if(buttons.begin(), buttons.end(),
                                    [&](const TButton& b) { return b.First->Choice == row.Choice; });
            if (same == buttons.end())
                same = buttons.insert(buttons.end(), {row.Place, &row, {}});
            same->Commands.push_back(row.Id);
        }
        std::stable_sort(buttons.begin(), buttons.end(),
                         [](const TButton& a, const TButton& b) { return a.Place < b.Place; });
        for (const TButton& button : buttons) {
            const TCommandRow& first = *button.First;
            if (first.Choice != TCommandChoice::None) {
                NewDropDownButton(bar, first.Choice, button.Commands);
                continue;
            }
            if (first.SeparatorBefore)
                bar->addSeparator();
            auto* single = new TActionButton(bar, first.Button, Action(first.Id));
            if (first.ButtonHidden)
                single->SetButtonVisible(false);
            FButtons[static_cast<size_t>(first.Id)] = single;
        }
    }
}

QToolButton* TVPlayerForm::NewDropDownButton(QToolBar* bar, TCommandChoice choice,
                                             const std::vector<TPlayerCommand>& commands)
{
    const bool zoom = choice == TCommandChoice::Zoom;
    QMenu* menu = zoom ? pmFrameZoom : pmSpeed;
    for (TPlayerCommand command : commands) {
        if (CommandRow(command).SeparatorBefore)
            menu->addSeparator()->setObjectName(QStringLiteral("N1"));
        menu->addAction(Action(command));
    }
    auto* button = new QToolButton(bar);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(bar->iconSize());
    button->setMenu(menu);
    if (zoom) {
        button->setObjectName(QStringLiteral("tbtnZoomFragment"));
        button->setIcon(ToolButtonIcon(12));
        // A click beside the arrow does nothing; the arrow opens the menu.
        button->setPopupMode(QToolButton::MenuButtonPopup);
        tbtnZoomFragment = button;
    } else {
        // The caption is the speed; a click anywhere opens the choices.
        button->setObjectName(QStringLiteral("tbtnSpeed"));
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
    for (size_t i = 0; i < PlayerCommandCount; ++i) {
        const TCommandRow& row = CommandTable[i];
        connect(CommandActions[i], &QAction::triggered, this,
                [this, &row] { Guarded([&] { (this->*row.Handler)(row.Argument); }); });
    }
    // The speed button is available with its choices.
    QAction* normalSpeed = Action(TPlayerCommand::SpeedNormal);
    tbtnSpeed->setEnabled(normalSpeed->isEnabled());
    connect(normalSpeed, &QAction::enabledChanged, tbtnSpeed, &QWidget::setEnabled);

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
    FSettings.ManagerVisible = false;
    FSettings.ManagerWidth = 230;
    FSession.Wait().Clear();
    FSettings.KeepProportions = true;
    FSettings.FixedZoom = false;
    FSettings.ZoomFactor = 0.0;
    Action(TPlayerCommand::ZoomFree)->setChecked(true);
    FSettings.OpenFirstOnShow = false;
    IntervalForm = nullptr;
    FSettings.IntervalBegin = 0;
    FSettings.IntervalEnd = 0;
    CenterPauseBox();
    SetSpeed(Engine.Speed());
    UpdateActions();
}

void TVPlayerForm::FormShow()
{
    if (FSettings.OpenFirstOnShow)
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
        Action(TPlayerCommand::CancelLoad)->trigger();
    if (IsPlaying(State))
        Action(TPlayerCommand::Stop)->trigger();
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
