// TVPlayerForm: the player window. It shows the fragment that its playback
// engine (player/engine, no widgets) holds and plays, applies what the
// engine reports to its actions, slider and picture, lays out and zooms the
// picture, and carries the commands of the tool bars. Its members are
// defined over several files, one concern each: vplayerform.cpp (controls,
// actions, the window's life), playback.cpp (the engine's wiring),
// videoview.cpp, loading.cpp, and the command files.
#pragma once

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

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QShortcut;
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

    TActionButton* tbnFirstFrame = nullptr;
    TActionButton* tbtnPriorFrame = nullptr;
    TActionButton* tbtnPlayBack = nullptr;
    TActionButton* tbtnPause = nullptr;
    TActionButton* tbtnStop = nullptr;
    TActionButton* tbtnPlay = nullptr;
    TActionButton* tbtnNextFrame = nullptr;
    TActionButton* tbtnLastFrame = nullptr;
    TActionButton* tbtnSaveFrame = nullptr;
    TActionButton* tbtnPrintReport = nullptr;
    TActionButton* tbtnResizeFrame = nullptr;
    QToolButton* tbtnZoomFragment = nullptr;
    // Drop-down button of the speed choices; its caption shows the speed.
    QToolButton* tbtnSpeed = nullptr;
    TActionButton* tbtnViewManager = nullptr;
    TActionButton* ToolButton4 = nullptr;
    TActionButton* tbtnOpenFile = nullptr;
    TActionButton* tbtnSaveFile = nullptr;
    TActionButton* tbtnCancelLoading = nullptr;

    QMenu* pmFrameZoom = nullptr;
    QMenu* pmSpeed = nullptr;
    QTimer* tmrStartWait = nullptr;
    QTimer* tmrPauseAnimation = nullptr;
    QTimer* Timer1 = nullptr;
    TFileDialogOptions OpenDialog;
    TFileDialogOptions SaveDialog; // configured afresh by each save command
    std::unique_ptr<TReport> frxReport; // the frame report's template

    // ---- Actions, built from the command table (commandtable.h) ----
    // The design's action list, in its order.
    std::vector<QAction*> ActionList;
    // Every command's action, indexed by TPlayerCommand: the design's list,
    // then the speed commands.
    std::vector<QAction*> CommandActions;
    QAction* actFirstFrame = nullptr;
    QAction* actPriorFrame = nullptr;
    QAction* actPlayBack = nullptr;
    QAction* actPause = nullptr;
    QAction* actStop = nullptr;
    QAction* actPlay = nullptr;
    QAction* actNextFrame = nullptr;
    QAction* actLastFrame = nullptr;
    QAction* actSaveFrame = nullptr;
    QAction* actOpenFile = nullptr;
    QAction* actSaveFile = nullptr;
    QAction* actPrintReport = nullptr;
    QAction* actStretch = nullptr;
    QAction* actNormalSize = nullptr;
    QAction* actShowManager = nullptr;
    QAction* actHideManager = nullptr;
    QAction* actShowDTInterval = nullptr;
    QAction* actZoom50 = nullptr;
    QAction* actZoom100 = nullptr;
    QAction* actZoom200 = nullptr;
    QAction* actZoomFree = nullptr;
    QAction* actCancelLoad = nullptr;
    QAction* actSpeedQuarter = nullptr;
    QAction* actSpeedHalf = nullptr;
    QAction* actSpeedNormal = nullptr; // Backspace
    QAction* actSpeedDouble = nullptr;
    QAction* actSpeed4 = nullptr;
    QAction* actSpeed8 = nullptr;
    QAction* actSpeed16 = nullptr;
    QAction* actSpeedUp = nullptr;   // "]"
    QAction* actSpeedDown = nullptr; // "["
    // Space: "Просмотр" or "Пауза", whichever fits (keyboard.cpp).
    QShortcut* PlayPauseShortcut = nullptr;

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
    // for whoever works on it beyond one call.
    const TPlayerSession& Session() const { return FSession; }
    void CloseFragment();
    // A fragment file from disk, as "Открыть" opens it: the manager's list
    // emptied and its requests stopped, then LoadFile.
    void OpenFragmentFile(const QString& path);
    // Writes the fragment without asking. A file that cannot be created
    // raises; a failed write is reported here and gives false.
    bool SaveFile(const QString& path);
    bool SaveFile(const QString& path, const TMJPGImage& image);

    // ---- Playback engine (playback.cpp) ----
    bool SeekFirstFrame();
    bool SeekLastFrame();
    bool SeekNextFrame();
    bool SeekPriorFrame();
    TMJPGFrame* StepForward(int32_t& index);
    TMJPGFrame* StepBackward(int32_t& index);
    void ShowFrame(TMJPGFrame* frame);
    void ClearPicture();
    // "Кадр N из M · <time>" of the current frame (frametext.h); empty
    // without a fragment. FrameShown() tells when it changes.
    QString FrameText() const;
    // Decodes the frame at `index` once the picture on screen has been
    // painted and the window is idle (the neighbour a further step shows).
    void PrepareNeighbourLater(int32_t index);
    // The decoded pictures at hand, as the view shows them.
    const TFramePictureCache& Pictures() const { return FPictures; }
    void InitTrackBar();
    void SetState(TPlayerState state);
    void SetLoading(bool loading);
    void UpdateActions();
    void UpdateCommonActions();
    void StartPlay();
    // The playback speed: x1 at creation, kept when another fragment is
    // opened; the check mark in the speed menu and the button's caption follow.
    TPlaybackSpeed Speed() const { return Engine.Speed(); }
    void SetSpeed(TPlaybackSpeed speed);

    // ---- View (videoview.cpp) ----
    void LayoutVideo(const TMJPGImage* image);
    void CenterPauseBox();
    void SetKeepProportions(bool keepProportions);
    void CheckCategoryAction(const QString& category, const QAction* action);

    // ---- Window events ----
    void FormCreate();
    void FormDestroy();
    void FormShow();
    bool FormCloseQuery();

    // ---- Command handlers ----
    void actFirstFrameExecute();
    void actPriorFrameExecute();
    void actNextFrameExecute();
    void actLastFrameExecute();
    void actPlayExecute();
    void PlayPauseShortcutActivated();
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
    void actOpenFileExecute();
    void actSpeedQuarterExecute();
    void actSpeedHalfExecute();
    void actSpeedNormalExecute();
    void actSpeedDoubleExecute();
    void actSpeed4Execute();
    void actSpeed8Execute();
    void actSpeed16Execute();
    void actSpeedUpExecute();
    void actSpeedDownExecute();
    // Snapshots and saving (snapshots.cpp), the frame report (framereport.cpp).
    void actSaveFrameExecute();
    void actSaveFileExecute();
    void actPrintReportExecute();
    // Archive functions: the interval and the manager's dock (archive.cpp),
    // waiting for a fragment and cancelling (archivewait.cpp), the
    // manager's events and the request messages (archiveevents.cpp).
    void SetManagerVisible(bool show);
    void ShowDock(QWidget* panel);
    void HideDock(QWidget* panel);
    void actShowManagerExecute();
    void actHideManagerExecute();
    void actShowDTIntervalExecute();
    void BeginWait();
    void EndWait();
    // Ends the wait for the pending fragment without playing it: the player
    // is left empty; `cancelled` marks the load as cancelled first.
    void AbandonPendingFragment(bool cancelled);
    void actCancelLoadExecute();
    void tmrStartWaitTimer();
    void tmrPauseAnimationTimer();
    void Timer1Timer();
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

    // ---- Fields ----
    // Other windows read State and set OrganizationName; everything else is
    // changed only by the window's own members. The engine's fields appear
    // here under their own names, read-only; only the engine assigns them.
    const std::unique_ptr<TMJPGImage>& Image = Engine.Image();
    const TFramePosition& FramePos = Engine.FramePos();
    int32_t SerialNumber = -1;
    int32_t Issue = -1;
    // The file the loaded fragment came from; empty for one from the archive.
    QString FileName;
    const TPlayerState& State = Engine.State();
    const TPlayerState& StateBeforePause = Engine.StateBeforePause();
    const std::unique_ptr<TChronometer>& Chronometer = Engine.Chronometer();
    TVManagerForm* Manager = nullptr;
    TDTIntervalForm* IntervalForm = nullptr;
    // The fragment the player waits for, by key (never a record's address).
    std::optional<TFragmentKey> PendingFragment;
    // The pending fragment whose video has arrived and waits to be played
    // (DeliverFragment), with its bytes; none again when the wait ends
    // otherwise.
    std::optional<TFragmentKey> DeliveredFragment;
    TSharedBytes DeliveredBytes;
    bool ManagerVisible = false;
    int32_t ManagerWidth = 230;
    bool KeepProportions = true;
    QString OrganizationName;
    QString EventInfoText;
    bool OpenFirstOnShow = false;
    TDateTime IntervalBegin = 0;
    TDateTime IntervalEnd = 0;
    bool FixedZoom = false;
    double ZoomFactor = 0.0;
    const bool& Loading = Engine.Loading();
    const bool& LoadCancelled = Engine.LoadCancelled();
    void SetLoadCancelled(bool cancelled) { Engine.SetLoadCancelled(cancelled); }

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
    // A held step key's repeat that came while the last step's picture was
    // not painted yet: dropped, so that a held key never builds a queue.
    bool SkipHeldStep(QObject* watched, QEvent* event) const;
    void PrepareNeighbourNow();
    // Decodes the current frame again when the view's new size asks for
    // another reduction than the picture on screen has.
    void ViewResized();
    friend class TPlayerEngineHost;

    void createControls();
    void createActions();
    void createKeyboard();
    void connectHandlers();
    QAction* NewAction(TPlayerCommand command);
    void createToolBars();
    // The button of a command group that shares a button name.
    QToolButton* NewDropDownButton(QToolBar* bar, const char* name, const std::vector<TPlayerCommand>& commands);
    // A load that failed: psEmpty, the picture cleared, the commands up to date.
    void EnterEmptyAfterFailedLoad();
    // Closes what is open, then opens the image read (kept with its bytes
    // and source); a read that fails leaves the player empty.
    bool OpenRead(const std::function<std::unique_ptr<TMJPGImage>()>& read, const TSharedBytes& bytes,
                  const TFragmentSource& source);
    // The fragment manager: created with its events wired to the archive
    // handlers, and freed with them unwired.
    void CreateManager();
    void DestroyManager();
    // Rests in the message loop until the manager's requests are done.
    void WaitForManager();

    std::unique_ptr<TSliderTrackBar> FTrackBar; // trbFramePosition as the engine sees it
    TFramePictureCache FPictures;
    QTimer* FNeighbourTimer = nullptr;
    int32_t FNeighbour = -1;     // the frame PrepareNeighbourLater asked for
    QSize FShownSize;            // the size the picture on screen was decoded for
};

// The one player window, set by the window that creates it.
extern TVPlayerForm* VPlayerForm;

// The number of the wait animation's next picture, one for the whole
// program; a wait goes on from where the last one left it.
extern int AnimationFrame;
