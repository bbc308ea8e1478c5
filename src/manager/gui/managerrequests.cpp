// The manager's requests: the list of an interval, one prepared video
// worker per listed fragment, fetching and opening a fragment, the workers'
// completions on the GUI thread, and stopping workers.
#include "vmanagerform.h"

#include "archive/fragmentsaction.h"
#include "archive/listanswer.h"
#include "archive/password.h"
#include "archive/resultcodes.h"
#include "core/failures.h"
#include "manager/fragment.h"
#include "raiseevent.h"
#include "updatelock.h"

#include <QTreeWidget>

#include <exception>

namespace {

const char* const kFragmentLimitText = "Fragments limit exceeding.";

} // namespace

void TVManagerForm::SetUpWorker(TFragmentsAction& worker) const
{
    worker.Host = FSettings.Host;
    worker.Port = FSettings.Port;
    worker.Secure = FSettings.Secure;
    worker.CaFile = FSettings.CaFile;
    worker.UserName = FSettings.UserName;
    worker.SetPassword(UnscramblePassword(FSettings.Password));
}

void TVManagerForm::RequestList()
{
    RequestList(0, 0);
}

void TVManagerForm::RequestList(TDateTime begin, TDateTime end)
{
    StopAllRequests();
    std::unique_ptr<TFragmentsGetList> worker;
    try {
        worker = std::make_unique<TFragmentsGetList>();
    } catch (const std::exception&) {
        return;
    }
    SetUpWorker(*worker);
    worker->BeginTime = begin;
    worker->EndTime = end;
    worker->OnFinished = [this](TWorkerThread* sender) { ListRequestFinished(sender); };
    worker->FreeOnFinish = true;
    TFragmentsGetList* started = worker.release();
    Requests.insert(started);
    RequestState = rsListing;
    try {
        started->Start();
    } catch (...) {
        // No thread for it: no request runs, and none is waited for. The
        // user hears of it as of a video request that cannot start.
        const std::string reason = CurrentFailureText();
        NoteFailure("list request: starting its worker", reason);
        Requests.erase(started);
        delete started;
        if (Requests.empty())
            RequestState = rsIdle;
        RaiseEvent(FEvents.OnRequestError, this, static_cast<int>(rrNoResources), reason);
    }
}

bool TVManagerForm::StartWorker(TFragmentsAction* worker)
{
    std::string reason;
    try {
        worker->Start();
        return true;
    } catch (...) {
        reason = CurrentFailureText();
        NoteFailure("archive request: starting its worker", reason);
    }
    // A worker that could not start is still suspended: freed at once.
    Requests.erase(worker);
    if (auto* video = dynamic_cast<TFragmentsGetVideo*>(worker))
        FVideoTargets.erase(video);
    delete worker;
    if (Requests.empty())
        RequestState = rsIdle;
    RaiseEvent(FEvents.OnRequestError, this, static_cast<int>(rrNoResources), reason);
    return false;
}

TFragment* TVManagerForm::TakeVideoTarget(TFragmentsGetVideo* worker, bool& targeted)
{
    const auto found = FVideoTargets.find(worker);
    targeted = found != FVideoTargets.end();
    if (!targeted)
        return nullptr;
    TFragment* fragment = found->second;
    FVideoTargets.erase(found);
    return fragment;
}

bool TVManagerForm::RequestsRunning() const
{
    for (const TFragmentsAction* worker : Requests)
        if (!worker->Suspended())
            return true;
    return false;
}

void TVManagerForm::ListRequestFinished(TWorkerThread* sender)
{
    auto* worker = dynamic_cast<TFragmentsGetList*>(sender);
    if (!worker)
        return;
    RequestState = rsIdle;
    Clear();
    Requests.erase(worker);
    if (worker->ResultCode != rrOK) {
        if (worker->ResultCode == rrRequestFailed && !worker->StopRequested())
            NoteFailure("list request", worker->FailureText);
        RaiseEvent(FEvents.OnRequestError, this, worker->ResultCode, worker->ResponseText);
        return;
    }
    try {
        std::string_view text;
        if (TEnhMemoryStream* body = worker->GetBody()) {
            body->SetPosition(0);
            text = ListAnswerText(*body);
        }
        // Counted first, built only as far as shown: an answer of countless
        // empty lines costs no more than its own bytes.
        const size_t count = ForEachListLine(text, 0, nullptr);
        const size_t limit = FSettings.FragmentLimit > 0 ? static_cast<size_t>(FSettings.FragmentLimit) : 0;
        if (count > limit)
            RaiseEvent(FEvents.OnRequestError, this, static_cast<int>(rrFragmentLimit), std::string(kFragmentLimitText));
        const TUpdateLock lock(lvFragmentsList);
        size_t i = 0;
        ForEachListLine(text, limit, [&](std::string_view line) {
            auto owned = std::make_unique<TFragment>(std::string(line));
            TFragment* fragment = owned.get();
            QTreeWidgetItem* row = AddFragmentRow(std::move(owned));
            if (i++ == 0) {
                lvFragmentsList->setCurrentItem(row); // selects it: the pane shows it
                lvFragmentsList->scrollToItem(row);
            }
            TFragmentsGetVideo* video = PrepareVideoRequest(fragment->SerialNumber, fragment->Issue);
            if (!video)
                return;
            FVideoTargets[video] = fragment;
            if (FSettings.AutoLoadVideo) {
                RaiseEvent(FEvents.OnVideoRequest, this, fragment);
                RequestState = rsFetching;
                StartWorker(video);
            }
        });
    } catch (const std::exception&) {
        // The rows added so far stay.
        NoteCurrentFailure("list answer: filling the list");
    }
    AutoSizeListColumns();
}

TFragmentsGetVideo* TVManagerForm::PrepareVideoRequest(int32_t serialNumber, int32_t issue)
{
    std::unique_ptr<TFragmentsGetVideo> worker;
    try {
        worker = std::make_unique<TFragmentsGetVideo>();
    } catch (const std::exception&) {
        return nullptr;
    }
    SetUpWorker(*worker);
    worker->SerialNumber = serialNumber;
    worker->Issue = issue;
    worker->OnFinished = [this](TWorkerThread* sender) { VideoRequestFinished(sender); };
    worker->FreeOnFinish = true;
    TFragmentsGetVideo* prepared = worker.release();
    Requests.insert(prepared);
    return prepared;
}

TFragmentsGetVideo* TVManagerForm::FindVideoRequest(int32_t serialNumber, int32_t issue) const
{
    for (TFragmentsAction* worker : Requests) {
        auto* video = dynamic_cast<TFragmentsGetVideo*>(worker);
        if (video && video->SerialNumber == serialNumber && video->Issue == issue)
            return video;
    }
    return nullptr;
}

TFragmentsGetVideo* TVManagerForm::VideoRequestFor(const TFragment& fragment)
{
    // The worker prepared for this very fragment, else one for the same
    // numbers that fetches for no listed fragment in particular.
    for (const auto& [worker, target] : FVideoTargets)
        if (target == &fragment)
            return const_cast<TFragmentsGetVideo*>(worker);
    for (TFragmentsAction* worker : Requests) {
        auto* video = dynamic_cast<TFragmentsGetVideo*>(worker);
        if (video && fragment.Matches(video->SerialNumber, video->Issue) && FVideoTargets.count(video) == 0)
            return video;
    }
    TFragmentsGetVideo* prepared = PrepareVideoRequest(fragment.SerialNumber, fragment.Issue);
    if (prepared)
        FVideoTargets[prepared] = const_cast<TFragment*>(&fragment);
    return prepared;
}

void TVManagerForm::FetchFragment(TFragment* fragment, bool wait)
{
    if (!fragment)
        return;
    TFragmentsGetVideo* worker = VideoRequestFor(*fragment);
    if (!worker)
        return;
    RequestState = rsFetching;
    RaiseEvent(FEvents.OnVideoRequest, this, fragment);
    if (!StartWorker(worker))
        return;
    if (wait)
        worker->WaitFor();
}

void TVManagerForm::OpenSelected()
{
    try {
        QTreeWidgetItem* row = SelectedRow();
        if (!row)
            return;
        TFragment* fragment = FragmentOf(row);
        const bool fetched = fragment && !fragment->Data.Empty();
        const uint64_t generation = FListGeneration;
        if (FEvents.OnFragmentOpen)
            FEvents.OnFragmentOpen(this, fragment);
        // A fragment fetched before is played by the owner's open handler.
        if (!fragment || fetched)
            return;
        // The handler may have run the event loop (a playback) while a new
        // list replaced the fragments: this one is gone, nothing to fetch.
        if (generation != FListGeneration)
            return;
        TFragmentsGetVideo* worker = VideoRequestFor(*fragment);
        if (!worker)
            return;
        if (FEvents.OnVideoRequest)
            FEvents.OnVideoRequest(this, fragment);
        StartWorker(worker);
    } catch (const std::exception&) {
        NoteCurrentFailure("opening a fragment");
    }
}

void TVManagerForm::VideoRequestFinished(TWorkerThread* sender)
{
    auto* worker = dynamic_cast<TFragmentsGetVideo*>(sender);
    if (!worker)
        return;
    bool targeted = false;
    TFragment* target = TakeVideoTarget(worker, targeted);
    Requests.erase(worker);
    if (Requests.empty())
        RequestState = rsIdle;
    if (worker->ResultCode != rrOK) {
        if (worker->ResultCode == rrRequestFailed && !worker->StopRequested())
            NoteFailure("video request", worker->FailureText);
        RaiseEvent(FEvents.OnRequestError, this, worker->ResultCode, worker->ResponseText);
        return;
    }
    // The body goes to the fragment this request fetched for. When a new
    // list has replaced that one, to the new list's first record of the
    // same fragment; a fragment no longer listed is passed over.
    TFragment* fragment = targeted && target ? target : FindFragment(worker->SerialNumber, worker->Issue);
    if (!fragment)
        return;
    // Taken over, not copied, and only into an empty Data: a fragment
    // fetched before keeps its video.
    if (TEnhMemoryStream* body = worker->GetBody(); body && fragment->Data.Empty())
        fragment->Data = TSharedBytes::Take(*body);
    RaiseEvent(FEvents.OnVideoLoaded, this, fragment);
}

void TVManagerForm::StopRequest(TFragmentsAction* worker)
{
    if (!worker)
        return;
    // Out of the set before the wait: a worker made during the wait (by a
    // completion handler) may take this one's address once it is gone.
    Requests.erase(worker);
    if (auto* video = dynamic_cast<TFragmentsGetVideo*>(worker); video && worker->Suspended())
        FVideoTargets.erase(video);
    if (worker->Suspended()) {
        delete worker; // never started: no request, no event
    } else {
        worker->RequestStop();
        worker->WaitFor(); // serves completions; the worker frees itself
    }
    if (Requests.empty())
        RequestState = rsIdle;
}

void TVManagerForm::StopAllRequests()
{
    // Completion handlers that run during a wait remove their own entries
    // (and may add new ones): take one worker at a time until none is left.
    while (!Requests.empty())
        StopRequest(*Requests.begin());
    RequestState = rsIdle;
}

void TVManagerForm::ClearAndStop()
{
    Clear();
    StopAllRequests();
}
