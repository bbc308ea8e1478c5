// The manager's requests: the list of an interval, one prepared video
// worker per listed fragment, fetching and opening a fragment, the workers'
// completions on the GUI thread, and stopping workers.
#include "vmanagerform.h"

#include "archive/fragmentsaction.h"
#include "archive/listanswer.h"
#include "archive/password.h"
#include "archive/resultcodes.h"
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
    worker.Host = Host;
    worker.Port = Port;
    worker.Secure = Secure;
    worker.CaFile = CaFile;
    worker.UserName = UserName;
    worker.SetPassword(UnscramblePassword(Password));
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
        // No thread for it: no request runs, and none is waited for.
        Requests.erase(started);
        delete started;
        if (Requests.empty())
            RequestState = rsIdle;
        throw;
    }
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
        RaiseEvent(OnRequestError, this, worker->ResultCode, worker->ResponseText);
        return;
    }
    try {
        std::vector<std::string> lines;
        if (TStream* body = worker->GetBody()) {
            body->SetPosition(0);
            lines = ReadListAnswer(*body);
        }
        size_t count = lines.size();
        const size_t limit = FragmentLimit > 0 ? static_cast<size_t>(FragmentLimit) : 0;
        if (count > limit) {
            RaiseEvent(OnRequestError, this, static_cast<int>(rrFragmentLimit), std::string(kFragmentLimitText));
            count = limit;
        }
        const TUpdateLock lock(lvFragmentsList);
        for (size_t i = 0; i < count; ++i) {
            auto owned = std::make_unique<TFragment>(lines[i]);
            TFragment* fragment = owned.get();
            QTreeWidgetItem* row = AddFragmentRow(std::move(owned));
            if (i == 0) {
                lvFragmentsList->setCurrentItem(row); // selects it: the pane shows it
                lvFragmentsList->scrollToItem(row);
            }
            TFragmentsGetVideo* video = PrepareVideoRequest(fragment->SerialNumber, fragment->Issue);
            if (video && AutoLoadVideo) {
                RaiseEvent(OnVideoRequest, this, fragment);
                RequestState = rsFetching;
                video->Start();
            }
        }
    } catch (const std::exception&) {
        // The rows added so far stay.
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
    if (TFragmentsGetVideo* worker = FindVideoRequest(fragment.SerialNumber, fragment.Issue))
        return worker;
    return PrepareVideoRequest(fragment.SerialNumber, fragment.Issue);
}

void TVManagerForm::FetchFragment(TFragment* fragment, bool wait)
{
    if (!fragment)
        return;
    TFragmentsGetVideo* worker = VideoRequestFor(*fragment);
    if (!worker)
        return;
    RequestState = rsFetching;
    RaiseEvent(OnVideoRequest, this, fragment);
    worker->Start();
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
        if (OnFragmentOpen)
            OnFragmentOpen(this, fragment);
        // A fragment fetched before is played by the owner's open handler.
        if (!fragment || fragment->Data->Size() != 0)
            return;
        TFragmentsGetVideo* worker = VideoRequestFor(*fragment);
        if (!worker)
            return;
        if (OnVideoRequest)
            OnVideoRequest(this, fragment);
        worker->Start();
    } catch (const std::exception&) {
    }
}

void TVManagerForm::VideoRequestFinished(TWorkerThread* sender)
{
    auto* worker = dynamic_cast<TFragmentsGetVideo*>(sender);
    if (!worker)
        return;
    Requests.erase(worker);
    if (Requests.empty())
        RequestState = rsIdle;
    if (worker->ResultCode != rrOK) {
        RaiseEvent(OnRequestError, this, worker->ResultCode, worker->ResponseText);
        return;
    }
    // A fragment no longer listed is passed over.
    TFragment* fragment = FindFragment(worker->SerialNumber, worker->Issue);
    if (!fragment)
        return;
    try {
        if (TStream* body = worker->GetBody())
            fragment->Data->CopyFrom(*body, 0);
    } catch (const std::exception&) {
        return;
    }
    RaiseEvent(OnVideoLoaded, this, fragment);
}

void TVManagerForm::StopRequest(TFragmentsAction* worker)
{
    if (!worker)
        return;
    // Out of the set before the wait: a worker made during the wait (by a
    // completion handler) may take this one's address once it is gone.
    Requests.erase(worker);
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
