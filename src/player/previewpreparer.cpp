// Slider previews decoded ahead of the pointer.
#include "previewpreparer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <utility>

void TPreviewPreparer::Start(std::vector<TJob> jobs, int32_t aim, size_t budget, TDecode decode,
                             std::function<void()> ready)
{
    Stop();
    std::sort(jobs.begin(), jobs.end(), [](const TJob& a, const TJob& b) { return a.Index < b.Index; });
    {
        std::lock_guard lock(FLock);
        FJobs = std::move(jobs);
        FTaken.assign(FJobs.size(), false);
        FLeft = FJobs.size();
        FAim = aim;
        FOnwards = true;
        FBudget = budget;
        FSpent = 0;
        FPaused = false;
        FFull = false;
        FWorking = false;
        FQuit = false;
        FPrepared.clear();
        FDecode = std::move(decode);
        FReady = std::move(ready);
    }
    FThread = std::thread([this] { Run(); });
}

void TPreviewPreparer::Aim(int32_t index)
{
    {
        std::lock_guard lock(FLock);
        if (index != FAim)
            FOnwards = index > FAim;
        FAim = index;
        FPaused = false;
    }
    FWake.notify_all();
}

void TPreviewPreparer::Pause()
{
    std::lock_guard lock(FLock);
    FPaused = true;
}

void TPreviewPreparer::Skip(int32_t index)
{
    std::lock_guard lock(FLock);
    const auto at = std::lower_bound(FJobs.begin(), FJobs.end(), index,
                                     [](const TJob& job, int32_t value) { return job.Index < value; });
    if (at != FJobs.end() && at->Index == index) {
        const size_t i = static_cast<size_t>(at - FJobs.begin());
        if (!FTaken[i]) {
            FTaken[i] = true;
            FJobs[i].Bytes = {};
            --FLeft;
        }
    }
}

std::vector<TPreviewPreparer::TPrepared> TPreviewPreparer::Take()
{
    std::lock_guard lock(FLock);
    return std::exchange(FPrepared, {});
}

bool TPreviewPreparer::Busy() const
{
    std::lock_guard lock(FLock);
    return FWorking || (FLeft > 0 && !FPaused && !FFull && !FQuit);
}

void TPreviewPreparer::Stop()
{
    if (FThread.joinable()) {
        {
            std::lock_guard lock(FLock);
            FQuit = true;
        }
        FWake.notify_all();
        FThread.join();
    }
    std::lock_guard lock(FLock);
    FJobs.clear();
    FTaken.clear();
    FLeft = 0;
    FPrepared.clear();
    FDecode = nullptr;
    FReady = nullptr;
}

ptrdiff_t TPreviewPreparer::Next() const
{
    if (FLeft == 0)
        return -1;
    // Outwards from the aim, nearest first; on the side the pointer last
    // went to, distances count half, so that a sweep along the slider finds
    // the frames before it ready.
    const auto at = std::lower_bound(FJobs.begin(), FJobs.end(), FAim,
                                     [](const TJob& job, int32_t value) { return job.Index < value; });
    ptrdiff_t up = at - FJobs.begin();
    ptrdiff_t down = up - 1;
    const auto count = static_cast<ptrdiff_t>(FJobs.size());
    while (up < count && FTaken[static_cast<size_t>(up)])
        ++up;
    while (down >= 0 && FTaken[static_cast<size_t>(down)])
        --down;
    if (up < count && down >= 0) {
        const int64_t above = int64_t{FJobs[static_cast<size_t>(up)].Index} - FAim;
        const int64_t below = int64_t{FAim} - FJobs[static_cast<size_t>(down)].Index;
        return (FOnwards ? above <= 2 * below : 2 * above < below) ? up : down;
    }
    if (up < count)
        return up;
    if (down >= 0)
        return down;
    return -1;
}

void TPreviewPreparer::Run()
{
    // Below the window's own thread: previews are a convenience, playback
    // is not. (Qt's thread priorities change nothing under Linux's default
    // scheduling policy; a thread's nice value does.)
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    std::unique_lock lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FQuit || (!FPaused && !FFull && FLeft > 0); });
        if (FQuit)
            return;
        const ptrdiff_t next = Next();
        if (next < 0) {
            FLeft = 0;
            continue;
        }
        const auto i = static_cast<size_t>(next);
        FTaken[i] = true;
        --FLeft;
        const int32_t index = FJobs[i].Index;
        const TSharedBytes bytes = std::exchange(FJobs[i].Bytes, {});
        FWorking = true;
        lock.unlock();
        QImage picture;
        try {
            picture = FDecode(bytes);
        } catch (...) {
            picture = QImage(); // left to the GUI thread, which reports it
        }
        lock.lock();
        FWorking = false;
        if (FQuit)
            return;
        if (picture.isNull())
            continue;
        const auto cost = static_cast<size_t>(picture.sizeInBytes());
        if (FSpent + cost > FBudget) {
            FFull = true;
            continue;
        }
        FSpent += cost;
        const bool first = FPrepared.empty();
        FPrepared.push_back({index, std::move(picture)});
        // Under the lock, so that once Busy() is false the last call has
        // been made (it only posts an event).
        if (first && FReady)
            FReady();
    }
}
