// One pass of the bad-input sweep over one file: open it in the player
// window, play, play back, pause and resume, step, drag the slider, zoom in
// every mode, save a snapshot as BMP and as JPEG, build the frame report,
// then open a good fragment to show that the window goes on working. Every
// message the window shows is checked against the ones it defines for the
// step that showed it. Failures are reported through GoogleTest.
#pragma once

#include "fakedialogs.h"
#include "player/vplayerform.h"

#include <QString>

#include <optional>

class TReport;

enum class TExpectLoad { Loads, Silent, Any };

class TSweep {
public:
    // The window and the dialogs stay the caller's; snapshots go to
    // `scratchDir`, and `goodFragment` is a file that must load afterwards.
    TSweep(TVPlayerForm& form, TFakeDialogs& dialogs, QString scratchDir, QString goodFragment);
    ~TSweep();
    TSweep(const TSweep&) = delete;
    TSweep& operator=(const TSweep&) = delete;

    void Run(const QString& path, TExpectLoad expect);

private:
    enum TAllowed { AllowNone = 0, AllowLoadFailure = 1, AllowSnapshot = 2 };

    // Runs the action and checks every message it raised.
    template <class F>
    void Step(const char* name, int allowed, F&& action);
    void CheckMessage(const TRecordedMessage& message, int allowed);

    void Open(const QString& path);
    void Play(QAction* command, int passes);
    void PauseAndResume();
    void StepCommands();
    void DragSlider();
    void Zoom();
    void Snapshot(const char* extension);
    void Report();

    TVPlayerForm& FForm;
    TFakeDialogs& FDialogs;
    QString FScratch;
    QString FGood;
    QString FPath;
    bool FBudgetExceeded = false;
    int FPreviews = 0;
};
