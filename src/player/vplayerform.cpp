// The player window's construction: controls, actions and their handlers,
// creation, showing, closing and destruction, and the open command.
#include "vplayerform.h"

#include "actionbutton.h"
#include "container/mjpgimage.h"
#include "icons/playericons.h"
#include "manager/gui/vmanagerform.h"
#include "pausebox.h"
#include "pictureview.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"
#include "uikit/guarded.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QShowEvent>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

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

QAction* TVPlayerForm::NewAction(const char* name, const char* category, const QString& caption,
                                 const QString& hint, int imageIndex)
{
    auto* action = new QAction(this);
    action->setObjectName(QLatin1String(name));
    action->setProperty("category", QString::fromLatin1(category));
    action->setText(caption);
    action->setToolTip(hint);
    if (imageIndex >= 0)
        action->setIcon(ToolButtonIcon(imageIndex));
    addAction(action); // so that its short-cut works wherever the window is
    ActionList.push_back(action);
    return action;
}

void TVPlayerForm::createActions()
{
    actFirstFrame = NewAction("actFirstFrame", "Video", QStringLiteral("Начало"), QStringLiteral("Первый кадр"), 0);
    actPriorFrame = NewAction("actPriorFrame", "Video", QStringLiteral("Кадр назад"), QStringLiteral("Кадр назад"), 1);
    actPlayBack = NewAction("actPlayBack", "Video", QStringLiteral("Обратный просмотр"),
                            QStringLiteral("Проиграть назад"), 2);
    actPause = NewAction("actPause", "Video", QStringLiteral("Пауза"), QStringLiteral("Пауза"), 3);
    actStop = NewAction("actStop", "Video", QStringLiteral("Остановить"), QStringLiteral("Остановить"), 4);
    actPlay = NewAction("actPlay", "Video", QStringLiteral("Просмотр"), QStringLiteral("Проиграть"), 5);
    actNextFrame = NewAction("actNextFrame", "Video", QStringLiteral("Кадр вперед"), QStringLiteral("Кадр вперед"), 6);
    actLastFrame = NewAction("actLastFrame", "Video", QStringLiteral("Конец"), QStringLiteral("Последний кадр"), 7);
    actSaveFrame = NewAction("actSaveFrame", "Video", QStringLiteral("Снимок"), QStringLiteral("Сохранить кадр"), 8);
    actOpenFile = NewAction("actOpenFile", "File", QStringLiteral("Открыть"),
                            QStringLiteral("Загрузить видео из файла"), 9);
    actSaveFile = NewAction("actSaveFile", "File", QStringLiteral("Сохранить"),
                            QStringLiteral("Сохранить видео в файл"), 10);
    actPrintReport = NewAction("actPrintReport", "Video", QStringLiteral("Печать"), QStringLiteral("Печатать кадр"), 11);
    actStretch = NewAction("actStretch", "View", QStringLiteral("Растянуть"),
                           QStringLiteral("Растянуть до размеров окна"), 12);
    actNormalSize = NewAction("actNormalSize", "View", QStringLiteral("Исходный размер"),
                              QStringLiteral("Сохранять пропорции"), 13);
    actShowManager = NewAction("actShowManager", "View", QStringLiteral("Менеджер видеофрагментов"),
                               QStringLiteral("Показать менеджер видеофрагментов"), 14);
    actHideManager = NewAction("actHideManager", "View", QStringLiteral("Менеджер видеофрагментов"),
                               QStringLiteral("Скрыть менеджер видеофрагментов"), 14);
    actShowDTInterval = NewAction("actShowDTInterval", "View", QStringLiteral("Получить видеофрагменты"),
                                  QStringLiteral("Получить список видеофрагментов"), 15);
    actZoom50 = NewAction("actZoom50", "Zoom", QStringLiteral("50%"),
                          QStringLiteral("Уменьшить исходный размер в 2-а раза"), -1);
    actZoom100 = NewAction("actZoom100", "Zoom", QStringLiteral("100%"),
                           QStringLiteral("Исходный размер изображения"), -1);
    actZoom200 = NewAction("actZoom200", "Zoom", QStringLiteral("200%"),
                           QStringLiteral("Увеличить исходный размер в 2-а раза"), -1);
    actZoomFree = NewAction("actZoomFree", "Zoom", QStringLiteral("По размеру окна"),
                            QStringLiteral("Вписать видео в размеры окна"), -1);
    actCancelLoad = NewAction("actCancelLoad", "File", QStringLiteral("Отменить"),
                              QStringLiteral("Отменить загрузку видеофрагмента"), 16);
    actCancelLoad->setShortcut(QKeySequence(Qt::Key_Escape));
    actCancelLoad->setVisible(false);

    // The zoom choices carry a check mark that CheckCategoryAction sets.
    for (QAction* zoom : {actZoom50, actZoom100, actZoom200, actZoomFree})
        zoom->setCheckable(true);

    tbnFirstFrame = new TActionButton(tbrVideoActions, "tbnFirstFrame", actFirstFrame);
    tbtnPriorFrame = new TActionButton(tbrVideoActions, "tbtnPriorFrame", actPriorFrame);
    tbtnPlayBack = new TActionButton(tbrVideoActions, "tbtnPlayBack", actPlayBack);
    tbrVideoActions->addSeparator();
    tbtnPause = new TActionButton(tbrVideoActions, "tbtnPause", actPause);
    tbtnStop = new TActionButton(tbrVideoActions, "tbtnStop", actStop);
    tbrVideoActions->addSeparator();
    tbtnPlay = new TActionButton(tbrVideoActions, "tbtnPlay", actPlay);
    tbtnNextFrame = new TActionButton(tbrVideoActions, "tbtnNextFrame", actNextFrame);
    tbtnLastFrame = new TActionButton(tbrVideoActions, "tbtnLastFrame", actLastFrame);
    tbrVideoActions->addSeparator();
    tbtnSaveFrame = new TActionButton(tbrVideoActions, "tbtnSaveFrame", actSaveFrame);
    tbtnPrintReport = new TActionButton(tbrVideoActions, "tbtnPrintReport", actPrintReport);

    tbtnResizeFrame = new TActionButton(tbrView, "tbtnResizeFrame", actStretch);
    tbtnResizeFrame->SetButtonVisible(false);

    pmFrameZoom->addAction(actZoom50);
    pmFrameZoom->addAction(actZoom100);
    pmFrameZoom->addAction(actZoom200);
    pmFrameZoom->addSeparator()->setObjectName(QStringLiteral("N1"));
    pmFrameZoom->addAction(actZoomFree);
    tbtnZoomFragment = new QToolButton(tbrView);
    tbtnZoomFragment->setObjectName(QStringLiteral("tbtnZoomFragment"));
    tbtnZoomFragment->setAutoRaise(true);
    tbtnZoomFragment->setFocusPolicy(Qt::NoFocus);
    tbtnZoomFragment->setIconSize(tbrView->iconSize());
    tbtnZoomFragment->setIcon(ToolButtonIcon(12));
    tbtnZoomFragment->setMenu(pmFrameZoom);
    // A click beside the arrow does nothing; the arrow opens the menu.
    tbtnZoomFragment->setPopupMode(QToolButton::MenuButtonPopup);
    tbrView->addWidget(tbtnZoomFragment);
    tbtnViewManager = new TActionButton(tbrView, "tbtnViewManager", actShowManager);
    ToolButton4 = new TActionButton(tbrView, "ToolButton4", actShowDTInterval);

    tbtnOpenFile = new TActionButton(tbrFile, "tbtnOpenFile", actOpenFile);
    tbtnSaveFile = new TActionButton(tbrFile, "tbtnSaveFile", actSaveFile);
    tbtnCancelLoading = new TActionButton(tbrFile, "tbtnCancelLoading", actCancelLoad);
}

void TVPlayerForm::connectHandlers()
{
    using F = TVPlayerForm;
    const std::pair<QAction*, void (F::*)()> commands[] = {
        {actFirstFrame, &F::actFirstFrameExecute},
        {actPriorFrame, &F::actPriorFrameExecute},
        {actPlayBack, &F::actPlayBackExecute},
        {actPause, &F::actPauseExecute},
        {actStop, &F::actStopExecute},
        {actPlay, &F::actPlayExecute},
        {actNextFrame, &F::actNextFrameExecute},
        {actLastFrame, &F::actLastFrameExecute},
        {actSaveFrame, &F::actSaveFrameExecute},
        {actOpenFile, &F::actOpenFileExecute},
        {actSaveFile, &F::actSaveFileExecute},
        {actPrintReport, &F::actPrintReportExecute},
        {actStretch, &F::actStretchExecute},
        {actNormalSize, &F::actNormalSizeExecute},
        {actShowManager, &F::actShowManagerExecute},
        {actHideManager, &F::actHideManagerExecute},
        {actShowDTInterval, &F::actShowDTIntervalExecute},
        {actZoom50, &F::actZoom50Execute},
        {actZoom100, &F::actZoom100Execute},
        {actZoom200, &F::actZoom200Execute},
        {actZoomFree, &F::actZoomFreeExecute},
        {actCancelLoad, &F::actCancelLoadExecute},
    };
    for (const auto& [action, handler] : commands)
        ConnectGuarded(action, &QAction::triggered, this, handler);

    ConnectGuarded(trbFramePosition, &QSlider::valueChanged, this, &F::trbFramePositionChange);
    ConnectGuarded(tmrStartWait, &QTimer::timeout, this, &F::tmrStartWaitTimer);
    ConnectGuarded(tmrPauseAnimation, &QTimer::timeout, this, &F::tmrPauseAnimationTimer);
    ConnectGuarded(Timer1, &QTimer::timeout, this, &F::Timer1Timer);
    pnlVideo->installEventFilter(this);
}

bool TVPlayerForm::eventFilter(QObject* watched, QEvent* event)
{
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
    Engine.Image.reset();
    Engine.State = psEmpty;
    FTrackBar = std::make_unique<TSliderTrackBar>(trbFramePosition);
    FramePos.SetTrackBar(FTrackBar.get());
    FramePos.DisableTrackBar();
    Engine.StateBeforePause = psEmpty;
    Engine.Chronometer = std::make_unique<TChronometer>();
    ManagerVisible = false;
    CreateManager();
    ManagerWidth = 230;
    PendingFragment = nullptr;
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
    Engine.Loading = false;
    LoadCancelled = false;
    CenterPauseBox();
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
