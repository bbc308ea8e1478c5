// TPreviewPreparer: decodes slider previews ahead of the pointer on a thread
// of its own, so that most moves over the slider find their picture ready.
//
// It is given the frames to prepare, each with a view of its JPEG bytes (the
// views hold the bytes: the fragment may be closed meanwhile), and decodes
// them one at a time, always the one whose index is nearest the frame the
// pointer is on now (ahead of the pointer's way, distances count half). It stops for good when every frame is done or when the
// next picture would take its pictures past the byte budget, and pauses
// while the pointer is away (the thread waits on a condition, using no CPU).
// The thread runs at a lowered priority (nice 10) so that it yields to the
// window's own thread, which plays. Stop() (also run by the destructor) ends
// and joins it and drops whatever it had not handed over.
//
// Pictures are handed over through Take(), under the preparer's lock; the
// `ready` callback given to Start runs on the worker's thread whenever a
// picture joins an empty hand-over list (the preview posts itself a queued
// call from it).
#pragma once

#include "core/sharedbytes.h"

#include <QImage>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TPreviewPreparer {
public:
    struct TJob {
        int32_t Index = -1;
        TSharedBytes Bytes;
    };
    struct TPrepared {
        int32_t Index = -1;
        QImage Picture;
    };
    // Makes a frame's preview from its JPEG bytes on the worker's thread;
    // raises on a picture it cannot decode (that frame is left to the GUI
    // thread, which reports the failure when the pointer comes to it).
    using TDecode = std::function<QImage(const TSharedBytes&)>;

    TPreviewPreparer() = default;
    TPreviewPreparer(const TPreviewPreparer&) = delete;
    TPreviewPreparer& operator=(const TPreviewPreparer&) = delete;
    ~TPreviewPreparer() { Stop(); }

    // Stops any earlier run, then prepares `jobs` nearest `aim` first, while
    // the pictures made stay within `budget` bytes (QImage::sizeInBytes).
    void Start(std::vector<TJob> jobs, int32_t aim, size_t budget, TDecode decode, std::function<void()> ready);
    // Since the last Start, until Stop.
    bool Started() const { return FThread.joinable(); }
    // The pointer is on frame `index`: go on from there (also after Pause).
    void Aim(int32_t index);
    // The pointer left: the worker idles after the picture in hand.
    void Pause();
    // The GUI thread is decoding this frame itself: not to be taken.
    void Skip(int32_t index);
    // The pictures made since the last call.
    std::vector<TPrepared> Take();
    // True while there is work left and the worker is not paused.
    bool Busy() const;
    // Ends the run and joins the thread; pictures not taken are dropped.
    void Stop();

private:
    void Run();
    // The untaken job nearest FAim, or -1 (under the lock).
    ptrdiff_t Next() const;

    mutable std::mutex FLock;
    std::condition_variable FWake;
    std::vector<TJob> FJobs; // by index, ascending
    std::vector<bool> FTaken;
    size_t FLeft = 0;
    int32_t FAim = 0;
    bool FOnwards = true; // the pointer last went towards higher indices
    size_t FBudget = 0;
    size_t FSpent = 0;
    bool FPaused = false;
    bool FFull = false; // the budget is spent
    bool FWorking = false; // a picture is being decoded
    bool FQuit = false;
    std::vector<TPrepared> FPrepared;
    TDecode FDecode;
    std::function<void()> FReady;
    std::thread FThread;
};
