// The player's answers to the fragment manager's events: opening a fetched
// fragment, waiting for one being fetched, playing it when it arrives, and
// the messages of failed requests.
#include "vplayerform.h"

#include "archive/resultcodes.h"
#include "manager/fragment.h"
#include "manager/gui/vmanagerform.h"
#include "uikit/guarded.h"

#include <QMetaObject>

namespace {

TMsgIcon IconOf(TResultIcon icon)
{
    switch (icon) {
    case TResultIcon::Information:
        return TMsgIcon::Information;
    case TResultIcon::Warning:
        return TMsgIcon::Warning;
    case TResultIcon::Error:
        break;
    }
    return TMsgIcon::Error;
}

} // namespace

void TVPlayerForm::FragmentOpened(TVManagerForm*, TFragment* fragment)
{
    // One without video is fetched by the manager, which says so.
    if (fragment && !fragment->Data.Empty() && LoadFragment(fragment))
        StartPlay();
}

void TVPlayerForm::VideoRequested(TVManagerForm* sender, TFragment* fragment)
{
    // The player waits for one fragment at a time.
    if (!fragment || !sender || !FSession.Wait().Begin(sender->KeyOf(*fragment)))
        return;
    BeginWait();
}

void TVPlayerForm::VideoLoaded(TVManagerForm* sender, TFragment* fragment)
{
    // A video for another fragment (or another list's) stays in its record
    // and is not played.
    if (!fragment || !sender || !FSession.Wait().Deliver(sender->KeyOf(*fragment), fragment->Data))
        return;
    // Played after this completion has returned: by then the worker has
    // ended and freed its thread and whatever is left of its answer, so the
    // playback does not keep them. Until then the wait goes on and can
    // still be cancelled.
    QMetaObject::invokeMethod(this, [this] { Guarded([this] { DeliverFragment(); }); }, Qt::QueuedConnection);
}

void TVPlayerForm::DeliverFragment()
{
    // None when a cancel, a failure or a new list ended the wait meanwhile.
    const std::optional<TFragmentWait::TArrived> arrived = FSession.Wait().TakeDelivered();
    if (!arrived)
        return;
    // The bytes were taken when they arrived: the record may be gone.
    const bool loaded =
        LoadBytes(arrived->Bytes, TFragmentSource::Archive(arrived->Key.SerialNumber, arrived->Key.Issue));
    EndWait();
    if (loaded)
        StartPlay();
}

void TVPlayerForm::RequestFailed(TVManagerForm*, int code, const std::string& statusText)
{
    QString firstLine;
    if (FSession.Wait().Pending()) {
        firstLine = QString::fromUtf8(kVideoRequestFailed);
        AbandonPendingFragment(false);
    } else {
        firstLine = QString::fromUtf8(kListRequestFailed);
    }
    ReportRequestError(firstLine, code, statusText);
}

void TVPlayerForm::FragmentsClearing(TVManagerForm*)
{
    // A new list ends the wait as a cancel does (the record is named by
    // key and its bytes are shared: nothing here could be freed).
    if (!FSession.Wait().Pending())
        return;
    AbandonPendingFragment(true);
}

void TVPlayerForm::ReportRequestError(const QString& firstLine, int code, const std::string&)
{
    // The status text is not shown: the result code's own text says it.
    const int limit = Manager ? Manager->Settings().FragmentLimit : 50;
    const std::optional<TResultMessage> message = RequestErrorMessage(firstLine.toStdString(), code, limit);
    if (!message)
        return;
    Dialogs().Message(this, windowTitle(), QString::fromStdString(message->Text), IconOf(message->Icon), mbOK);
}
