// TVPlayerForm: the player window. It shows the fragment that its playback
// engine (player/engine, no widgets) holds and plays, applies what the
// engine reports to its actions, slider and picture, lays out and zooms the
// picture, and carries the commands of the tool bars. Its members are
// defined over several files, one concern each: vplayerform.cpp (controls,
// actions, the window's life), playback.cpp (the engine's wiring),
// videoview.cpp, loading.cpp, and the command files.
#pragma once

#include "commandtable.h"
#include "container/mjpgimage.h"
#include "core/datetime.h"
#include "enginehost.h"
#include "framepicture.h"
#include "manager/fragment.h"
#include "player/engine/playbackengine.h"
#include "session/playersession.h"
#include "slidertrackbar.h"
#include "uikit/dialogs.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QSlider;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class TActionButton;
class TDTIntervalForm;
class TFragment;
class TPauseBox;
class TPictureView;
class TReport;
class TSliderPreview;
class TStream;
class TVManagerForm;

// The player window's settings (Settings()).
struct TPlayerSettings {
    bool ManagerVisible = false;
    int32_t ManagerWidth = 230;
    bool KeepProportions = true;
    // Printed in the frame report when not empty.
    QString OrganizationName;
    // Open the first fragment of the list when the window is shown.
    bool OpenFirstOnShow = false;
    // The archive interval last chosen in the interval dialog.
    TDateTime IntervalBegin = 0;
    TDateTime IntervalEnd = 0;
    // A fixed zoom (ZoomFactor, 1.0 = 100 %) instead of fitting the panel.
    bool FixedZoom = false;
    double ZoomFactor = 0.0;
};

class TVPlayerForm : public QWidget {
    Q_OBJECT
    // First, so that the fields below can refer into the engine.
    TPlayerEngineHost FEngineHost{*this};
    TPlayerSession FSession{FEngineHost};
    TPlaybackEngine& Engine = FSession.Engine();

public:
    // The owner becomes the Qt parent; the player stays a window of its own
    // until the owner docks it (re-parents it into a panel).
    explicit TVPlayerForm(QWidget* owner = nullptr);
    ~TVPlayerForm() override;
    // The action of a command (its row in the command table).
    QAction* CommandAction(TPlayerCommand command) const { return CommandActions[static_cast<size_t>(command)]; }

    // ---- Loading (loading.cpp) ----
    // True when a fragment was loaded. False when the file holds no
    // fragment (silently) or cannot be read to its end (after the load-error
    // message; the reason goes to the failure log). A file that cannot be
    // opened is the one failure it raises (EFOpenError, with the system's
    // reason), and then it returns nothing: the fragment it closed is gone
    // and the commands know it.
    bool LoadFile(const QString& path);
    bool LoadStream(TStream* stream);
    // Loads a fetched archive fragment and remembers its serial number and
    // fragment number; null gives false and changes nothing.
    bool LoadFragment(TFragment* fragment);
    // Opens the fragment held in bytes (its frames view them), as fetched
    // from the archive record named by source.
    bool LoadBytes(const TSharedBytes& bytes, const TFragmentSource& source);
    // What is open: its bytes, where they came from, and images of its own
    // for whoever works on it beyond one call; the archive fragment the
    // window waits for (Session().Wait()).
    const TPlayerSession& Session() const { return FSession; }
    void CloseFragment();
    // A fragment file from disk, as "Открыть" opens it: the manager's list
    // emptied and its requests stopped, then LoadFile.
    void OpenFragmentFile(const QString& path);
    // Writes the fragment without asking. A file that cannot be created
    // raises; a failed write is reported here and gives false.
    bool SaveFile(const QString& path);
    // "Кадр N из M · <time>" of the current frame (frametext.h); empty
    // without a fragment. FrameShown() tells when it changes.
    QString FrameText() const;
    // The decoded pictures at hand, as the view shows them.
    const TFramePictureCache& Pictures() const { return FPictures; }
    // The playback speed: x1 at creation, kept when another fragment is
    // opened; the check mark in the speed menu and the button's caption follow.
    TPlaybackSpeed Speed() const { return Engine.Speed(); }
    void SetSpeed(TPlaybackSpeed speed);
    bool FormCloseQuery();
    // Archive functions: the interval and the manager's dock (archive.cpp),
    // waiting for a fragment and cancelling (archivewait.cpp), the
    // manager's events and the request messages (archiveevents.cpp).
    void SetManagerVisible(bool show);
    // A plain file player: no file band, no archive commands.
    void HideArchiveFunctions();
    // The fragment manager, made with its events wired to the archive
    // handlers when it is first asked for (the dock, the interval command,
    // the owner's archive settings).
    TVManagerForm* ManagerForm();

    // The window's settings: what the owner sets before showing it, and the
    // view's and the archive's choices the window keeps.
    TPlayerSettings& Settings() { return FSettings; }
    const TPlayerSettings& Settings() const { return FSettings; }

    // ---- Fields ----
    // Other windows read State; everything else is
    // changed only by the window's own members. The engine's fields appear
    // here under their own names, read-only; only the engine assigns them.
    const std::unique_ptr<TMJPGImage>& Image = Engine.Image();
    const TFramePosition& FramePos = Engine.FramePos();
    const TPlayerState& State = Engine.State();
    // The fragment manager once made, null before: it is made when it is
    // first needed (ManagerForm), which a plain file player never does.
    TVManagerForm* Manager = nullptr;
    const bool& Loading = Engine.Loading();

signals:
    // State or Loading changed: whatever follows the player's availability
    // (the main window's Open command) looks again.
    void StateChanged();
    // A frame was shown or the picture cleared: FrameText() may differ.
    void FrameShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TPlayerSettings FSettings;
    // The interval dialog while it is open.
    TDTIntervalForm* IntervalForm = nullptr;

    // Handlers of the open and cancel commands and of the archive timers.
    void actOpenFileExecute();
    void actCancelLoadExecute();
    void tmrStartWaitTimer();
    void tmrPauseAnimationTimer();
    void Timer1Timer();

    // ---- Controls (owned through Qt parents) ----
    QSplitter* RightSplitter = nullptr; // video panel | manager dock
    QWidget* pnlVideo = nullptr;
    TPictureView* imgVideo = nullptr;
    TPauseBox* pbxPause = nullptr;
    QWidget* pnlRightDock = nullptr;
    QWidget* CoolBar = nullptr;
    QSlider* trbFramePosition = nullptr;
    // The frame under the pointer, above the slider (sliderpreview.h).
    TSliderPreview* FramePreview = nullptr;
    QToolBar* tbrVideoActions = nullptr;
    QToolBar* tbrView = nullptr;
    QToolBar* tbrFile = nullptr;

    QToolButton* tbtnZoomFragment = nullptr;
    // Drop-down button of the speed choices; its caption shows the speed.
    QToolButton* tbtnSpeed = nullptr;

    QMenu* pmFrameZoom = nullptr;
    QMenu* pmSpeed = nullptr;
    QTimer* tmrStartWait = nullptr;
    QTimer* tmrPauseAnimation = nullptr;
    QTimer* Timer1 = nullptr;
    TFileDialogOptions OpenDialog;
    TFileDialogOptions SaveDialog; // configured afresh by each save command
    std::unique_ptr<TReport> frxReport; // the frame report's template

    // ---- Actions, built from the command table (commandtable.h) ----
    // Every command's action, indexed by TPlayerCommand: the design's list,
    // then the speed commands and Space.
    std::vector<QAction*> CommandActions;

    // ---- Playback engine (playback.cpp) ----
    bool SeekFirstFrame();
    bool SeekLastFrame();
    bool SeekNextFrame();
    bool SeekPriorFrame();
    TMJPGFrame* StepForward(int32_t& index);
    TMJPGFrame* StepBackward(int32_t& index);
    void ShowFrame(TMJPGFrame* frame);
    void ClearPicture();
    // Decodes the frame at `index` once the picture on screen has been
    // painted and the window is idle (the neighbour a further step shows).
    void PrepareNeighbourLater(int32_t index);
    void InitTrackBar();
    void SetState(TPlayerState state);
    void UpdateActions();
    void UpdateCommonActions();
    void StartPlay();

    // ---- View (videoview.cpp) ----
    void LayoutVideo(const TMJPGImage* image);
    void CenterPauseBox();
    void SetKeepProportions(bool keepProportions);

    // ---- Window events ----
    void FormCreate();
    void FormDestroy();
    void FormShow();

    // ---- Command handlers ----
    void actFirstFrameExecute();
    void actPriorFrameExecute();
    void actNextFrameExecute();
    void actLastFrameExecute();
    void actPlayExecute();
    // Space: "Просмотр" or "Пауза", whichever fits (keyboard.cpp).
    void actPlayPauseExecute();
    void actPlayBackExecute();
    void actPauseExecute();
    void actStopExecute();
    void trbFramePositionChange();
    void pnlVideoResize();
    void actZoom50Execute();
    void actZoom100Execute();
    void actZoom200Execute();
    void actZoomFreeExecute();
    void actStretchExecute();
    void actNormalSizeExecute();
    // Snapshots and saving (snapshots.cpp), the frame report (framereport.cpp).
    void actSaveFrameExecute();
    void actSaveFileExecute();
    // Writes image to path; a failed write is reported and gives false.
    bool SaveFile(const QString& path, const TMJPGImage& image);
    void actPrintReportExecute();
    void ShowDock(QWidget* panel);
    void HideDock(QWidget* panel);
    void actShowManagerExecute();
    void actHideManagerExecute();
    void actShowDTIntervalExecute();
    // The wait for a fetched fragment: the loading condition, the
    // animation after half a second, the cancel command (archivewait.cpp).
    void BeginWait();
    void EndWait();
    // Ends the wait for the pending fragment without playing it: the player
    // is left empty; `cancelled` marks the load as cancelled first.
    void AbandonPendingFragment(bool cancelled);
    void FragmentOpened(TVManagerForm* sender, TFragment* fragment);
    void VideoRequested(TVManagerForm* sender, TFragment* fragment);
    void VideoLoaded(TVManagerForm* sender, TFragment* fragment);
    void RequestFailed(TVManagerForm* sender, int code, const std::string& statusText);
    // The manager is about to free its fragments: a wait for one of them
    // ends as a cancel does.
    void FragmentsClearing(TVManagerForm* sender);
    // Loads and plays the fragment VideoLoaded handed over, once the worker's
    // completion has returned.
    void DeliverFragment();
    // The message for a failed request: its first line, the result code's
    // text and icon; nothing for -100 and -101.
    void ReportRequestError(const QString& firstLine, int code, const std::string& statusText);
    const std::unique_ptr<TChronometer>& Chronometer = Engine.Chronometer();
    QString EventInfoText;
    const bool& LoadCancelled = Engine.LoadCancelled();

    // A held step key's repeat that came while the last step's picture was
    // not painted yet: dropped, so that a held key never builds a queue.
    bool SkipHeldStep(QObject* watched, QEvent* event) const;
    void PrepareNeighbourNow();
    // Decodes the current frame again when the view's new size asks for
    // another reduction than the picture on screen has.
    void ViewResized();
    friend class TPlayerEngineHost;

    // The commands' rows, indexed by TPlayerCommand (commandtable.cpp).
    static const TCommandRow CommandTable[];
    static const TCommandRow& CommandRow(TPlayerCommand command);
    // A row's handler for a command that takes no argument.
    template <void (TVPlayerForm::*Handler)()>
    void Run(int /*argument*/)
    {
        (this->*Handler)();
    }
    // The zoom choices: percent of the picture's size, 0 to fit the window.
    void ChooseZoom(int percent);
    // The speed choices, by TPlaybackSpeed; a step faster (+1) or slower (-1).
    void ChooseSpeed(int speed);
    void StepSpeed(int step);
    QAction* Action(TPlayerCommand command) const { return CommandActions[static_cast<size_t>(command)]; }
    // The action of the choice whose row runs handler with argument.
    QAction* ChoiceAction(TCommandChoice choice, int argument) const;

    void createControls();
    void createActions();
    void connectHandlers();
    QAction* NewAction(const TCommandRow& row);
    void createToolBars();
    // The drop-down button of a choice, its menu listing the choices' actions.
    QToolButton* NewDropDownButton(QToolBar* bar, TCommandChoice choice, const std::vector<TPlayerCommand>& commands);
    // A load that failed: psEmpty, the picture cleared, the commands up to date.
    void EnterEmptyAfterFailedLoad();
    // Closes what is open, then opens the image read (kept with its bytes
    // and source); a read that fails leaves the player empty.
    bool OpenRead(const std::function<std::unique_ptr<TMJPGImage>()>& read, const TSharedBytes& bytes,
                  const TFragmentSource& source);
    // The image of the bytes: the one read ahead from these very bytes
    // (fragmentahead.h), whose first picture then waits for the view, or
    // read now.
    std::unique_ptr<TMJPGImage> ReadImage(const TSharedBytes& bytes);
    // The picture decoded ahead becomes the frame's when the view shows it
    // as it was decoded (no reduction, RGB32); it is offered once.
    void KeepPictureAhead(const TMJPGFrame* frame, QSize shown);
    // The fragment manager freed with its events unwired.
    void DestroyManager();
    // Rests in the message loop until the manager's requests are done.
    void WaitForManager();

    // The checkable groups of the zoom and the speed choices.
    QActionGroup* FZoomChoices = nullptr;
    QActionGroup* FSpeedChoices = nullptr;
    // The tool-bar button of each command that has one of its own.
    std::array<TActionButton*, PlayerCommandCount> FButtons{};
    TActionButton* Button(TPlayerCommand command) const { return FButtons[static_cast<size_t>(command)]; }
    std::unique_ptr<TSliderTrackBar> FTrackBar; // trbFramePosition as the engine sees it
    TFramePictureCache FPictures;
    const TMJPGFrame* FFrameAhead = nullptr; // the frame of FPictureAhead, of the open image
    QImage FPictureAhead;
    QTimer* FNeighbourTimer = nullptr;
    int32_t FNeighbour = -1;     // the frame PrepareNeighbourLater asked for
    QSize FShownSize;            // the size the picture on screen was decoded for
};

// The one player window, set by the window that creates it.
extern TVPlayerForm* VPlayerForm;

// The number of the wait animation's next picture, one for the whole
// program; a wait goes on from where the last one left it.
extern int AnimationFrame;
