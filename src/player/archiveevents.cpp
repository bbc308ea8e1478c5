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
    if (!fragment || !sender || PendingFragment)
        return;
    PendingFragment = sender->KeyOf(*fragment);
    BeginWait();
}

void TVPlayerForm::VideoLoaded(TVManagerForm* sender, TFragment* fragment)
{
    // A video for another fragment (or another list's) stays in its record
    // and is not played.
    if (!fragment || !sender || !PendingFragment || sender->KeyOf(*fragment) != *PendingFragment)
        return;
    // Played after this completion has returned: by then the worker has
    // ended and freed its thread and whatever is left of its answer, so the
    // playback does not keep them. Until then the wait goes on and can
    // still be cancelled.
    DeliveredFragment = PendingFragment;
    DeliveredBytes = fragment->Data;
    QMetaObject::invokeMethod(this, [this] { Guarded([this] { DeliverFragment(); }); }, Qt::QueuedConnection);
}

void TVPlayerForm::DeliverFragment()
{
    const std::optional<TFragmentKey> key = DeliveredFragment;
    const TSharedBytes bytes = std::move(DeliveredBytes);
    DeliveredFragment.reset();
    DeliveredBytes = {};
    // A cancel, a failure or a new list ended the wait meanwhile.
    if (!key || key != PendingFragment)
        return;
    PendingFragment.reset();
    // The bytes were taken when they arrived: the record may be gone.
    const bool loaded = LoadBytes(bytes, TFragmentSource::Archive(key->SerialNumber, key->Issue));
    EndWait();
    if (loaded)
        StartPlay();
}

void TVPlayerForm::RequestFailed(TVManagerForm*, int code, const std::string& statusText)
{
    QString firstLine;
    if (PendingFragment) {
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
    if (!PendingFragment)
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
