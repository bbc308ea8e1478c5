// "Экспорт видео...": the loaded fragment, or frames of it, copied into
// Matroska or AVI without touching a picture, with a manifest on request.
//
// The export runs on a thread of its own over an image of its own: the
// player's session hands it the open fragment's frames as views of the same
// shared bytes, and the bytes the manifest names. Whatever the window does
// meanwhile (a list that replaces the manager's records, a fetch that opens
// another fragment), the export writes and hashes the bytes it was given.
#include "mainform.h"

#include "exportform.h"
#include "core/datetime.h"
#include "export/exportmodule.h"
#include "player/snapshotnames.h"
#include "player/vplayerform.h"
#include "uikit/failurelog.h"
#include "uikit/waitcursor.h"

#include "signingkeyprompt.h"

#include <QAction>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const QString kExportFilter =
    QStringLiteral("Видео Matroska (*.mkv)|*.mkv|Видео AVI (*.avi)|*.avi|Видео MP4, формат экспорта ONVIF (*.mp4)|*.mp4");
const QString kExtensions[] = {QStringLiteral("mkv"), QStringLiteral("avi"), QStringLiteral("mp4")};

bool HasFrameWithData(const TMJPGImage& image)
{
    for (const auto& frame : image.FrameList)
        if (frame && !frame->Bytes().Empty())
            return true;
    return false;
}

int64_t PictureBytes(const TMJPGImage& image, int32_t from, int32_t to)
{
    int64_t bytes = 0;
    for (int32_t i = from; i <= to; ++i)
        if (const TMJPGFrame* frame = image.GetFrame(i))
            bytes += frame->Bytes().Size();
    return bytes;
}

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// This computer's UTC offset in minutes at a wall-clock time (its zone's
// rules for that date, summer time included).
int LocalOffsetAt(TDateTime value)
{
    const TDateTimeParts p = DecodeDateTime(value);
    const QDateTime local(QDate(p.Year, p.Month, p.Day), QTime(p.Hour, p.Minute, p.Second));
    return local.isValid() ? local.offsetFromUtc() / 60 : QDateTime::currentDateTime().offsetFromUtc() / 60;
}

} // namespace

// What an export works on and how it ended; shared by the window and the
// export's thread. The thread writes Cancelled and Failure before Finished.
// After its last frame the thread waits for the window's word (Accepted or
// Cancel), so a cancel the window has seen is never outrun by the end.
struct TMainForm::TExportRun {
    std::unique_ptr<TMJPGImage> Image; // frames viewing the session's bytes
    TSharedBytes Source;               // the bytes the manifest names
    std::string Path;
    TExportOptions Options;
    std::atomic<int32_t> Done{0};
    std::atomic<int32_t> Total{-1};
    std::atomic<bool> Cancel{false};
    std::atomic<bool> Finished{false};
    bool Cancelled = false;
    std::exception_ptr Failure;
    std::thread Thread;
    std::mutex Mutex;
    std::condition_variable Word;
    bool Accepted = false; // guarded by Mutex
    QProgressDialog* Window = nullptr; // the progress window, when there is one

    void Decide(bool cancel)
    {
        {
            const std::lock_guard<std::mutex> lock(Mutex);
            if (cancel)
                Cancel = true;
            else
                Accepted = true;
        }
        Word.notify_all();
    }
    // On the window's thread, a few times a second while the export runs:
    // passes a cancel on, shows the progress, gives the word after the last
    // frame.
    void Serve()
    {
        const bool cancelled = Cancel.load() || (Window && Window->wasCanceled());
        if (cancelled)
            Decide(true);
        else if (Window)
            Window->setValue(Done.load());
        if (!cancelled && Total.load() >= 0 && Done.load() >= Total.load())
            Decide(false);
    }
    // Serves the export until it has finished, in an event loop of its own.
    void WaitUntilFinished()
    {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            Serve();
            if (Finished.load())
                loop.quit();
        });
        poll.start();
        if (!Finished.load())
            loop.exec();
    }
    // On the export's thread, after each frame: false stops the export.
    bool Progress(int32_t done, int32_t total)
    {
        Done.store(done);
        Total.store(total);
        if (done >= total) {
            std::unique_lock<std::mutex> lock(Mutex);
            Word.wait(lock, [this] { return Accepted || Cancel.load(); });
        }
        return !Cancel.load();
    }
    ~TExportRun()
    {
        if (Thread.joinable()) {
            Decide(true);
            Thread.join();
        }
    }
};

void TMainForm::actFileExportUpdate()
{
    const TVPlayerForm* player = VPlayerForm;
    actFileExport->setEnabled(!FExport && player && !IsPlaying(player->State) && !player->Loading &&
                              player->Image && player->Image->Header->IsValid() && HasFrameWithData(*player->Image));
}

void TMainForm::actFileExportExecute()
{
    actFileExportUpdate();
    if (!actFileExport->isEnabled())
        return;
    TVPlayerForm* player = VPlayerForm;
    const TMJPGImage* asked = player->Image.get();
    // The dialogs are modal, but a fragment may still be replaced meanwhile
    // (a fetch that ends): the fragment asked about is exported, or none.
    // `asked` is only read while it is still the open one.
    const uint64_t opening = player->Session().Opening();
    auto stillLoaded = [&] { return player->Image && player->Session().Opening() == opening; };
    // The export's libraries are opened with the first export, not at start.
    try {
        ExportModule::Load();
    } catch (const EExportError& e) {
        LogCurrentFailure(QStringLiteral("Не могу экспортировать видеофрагмент"));
        Dialogs().Message(this, windowTitle(),
                          QStringLiteral("Не могу экспортировать видеофрагмент!") + QLatin1Char('\n') +
                              QString::fromStdString(e.what()),
                          TMsgIcon::Error, mbOK);
        return;
    }

    ExportDialog.Title = QStringLiteral("Экспорт видеофрагмента");
    ExportDialog.Filter = kExportFilter;
    if (ExportDialog.FilterIndex < 1 || ExportDialog.FilterIndex > 3)
        ExportDialog.FilterIndex = 1;
    ExportDialog.DefaultExt = kExtensions[ExportDialog.FilterIndex - 1];
    ExportDialog.FileName = DefaultFragmentName(*asked->Header);
    if (!Dialogs().SaveFileName(this, ExportDialog))
        return;
    QString path = ExportDialog.FileName;
    ExportDialog.InitialDir = QFileInfo(path).absolutePath();
    // A name typed with another extension gets the one of the type chosen.
    if (!ExportModule::ContainerForPath(NativePath(path)))
        path += QLatin1Char('.') + kExtensions[std::clamp(ExportDialog.FilterIndex, 1, 3) - 1];
    const TExportContainer container = *ExportModule::ContainerForPath(NativePath(path));

    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("Файл с таким именем уже существует!") + QLatin1Char('\n') +
                                 QStringLiteral("Перезаписать файл \"") + path + QStringLiteral("\"?");
        if (Dialogs().Message(this, windowTitle(), question, TMsgIcon::Warning, mbYes | mbNo) != mrYes)
            return;
    }

    if (!stillLoaded())
        return;
    TExportForm form(asked->FrameCount(), player->FramePos.CurrentFrame ? player->FramePos.Index : -1,
                     LocalOffsetAt(asked->Header->EventTime), this);
    if (form.exec() != QDialog::Accepted)
        return;
    if (!stillLoaded() || FExport)
        return;

    // From here on the export holds what it works on: its own image over
    // the session's bytes, and those bytes for the manifest.
    auto run = std::make_shared<TExportRun>();
    run->Image = player->Session().SharedImage();
    run->Path = NativePath(path);
    TExportOptions& options = run->Options;
    options.Container = container;
    options.From = form.From();
    options.To = form.To();
    options.Manifest = form.Manifest();
    options.Zone.UtcOffsetMinutes = form.UtcOffset();
    options.Zone.Source = form.ProposedOffset() ? "this computer's offset at the event's date, in the export dialog"
                                                : "chosen in the export dialog";
    options.Operator = form.Operator();
    if (form.Sign()) {
        // Matroska and AVI are signed through their manifest.
        if (container != TExportContainer::Mp4)
            options.Manifest = true;
        // The key is read and checked before anything is written.
        options.Signer = LoadSigningKey(this, form.SignKey(), form.SignCert());
        if (!options.Signer)
            return;
        if (!stillLoaded())
            return;
    }
    if (player->Session().Source().IsFile()) {
        options.SourcePath = player->Session().Source().Path;
    } else if (player->Session().Source().IsArchiveRecord() && !player->Session().Bytes().Empty()) {
        // A fragment fetched from the archive: the bytes the server sent.
        run->Source = player->Session().Bytes();
        options.SourceBytes = run->Source.Memory();
        options.SourceSize = run->Source.Size();
    }

    std::unique_ptr<QProgressDialog> progress;
    std::unique_ptr<TWaitCursor> wait;
    const int32_t last = options.To < 0 ? run->Image->FrameCount() - 1 : options.To;
    if (PictureBytes(*run->Image, options.From, last) > ExportProgressBytes) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Экспорт видеофрагмента..."),
                                                     QStringLiteral("Отмена"), 0, last - options.From + 1, this);
        progress->setObjectName(QStringLiteral("ExportProgress"));
        progress->setWindowTitle(QStringLiteral("Экспорт видеофрагмента"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        // Wide enough for its title in a title bar.
        progress->setMinimumWidth(TitleBarWidth(*progress));
    } else {
        wait = std::make_unique<TWaitCursor>();
    }

    run->Window = progress.get();
    FExport = run;
    UpdateActions();
    RunExport(*run);
    FExport.reset();
    progress.reset();
    wait.reset();
    UpdateActions();

    QString failure;
    if (run->Failure) {
        try {
            std::rethrow_exception(run->Failure);
        } catch (const std::exception& e) {
            failure = QString::fromStdString(e.what());
            LogCurrentFailure(QStringLiteral("Не могу экспортировать видеофрагмент в \"%1\"").arg(path));
        } catch (...) {
            failure = QStringLiteral("Неизвестная ошибка");
            LogCurrentFailure(QStringLiteral("Не могу экспортировать видеофрагмент в \"%1\"").arg(path));
        }
    }
    // A cancelled export left nothing; a program that is ending says nothing.
    if (run->Cancelled || Terminated)
        return;
    if (!failure.isEmpty()) {
        Dialogs().Message(this, windowTitle(),
                          QStringLiteral("Не могу экспортировать видеофрагмент!") + QLatin1Char('\n') + failure,
                          TMsgIcon::Error, mbOK);
        return;
    }
    Dialogs().Message(this, windowTitle(), QStringLiteral("Видеофрагмент экспортирован."), TMsgIcon::Information,
                      mbOK);
}

void TMainForm::RunExport(TExportRun& run)
{
    TExportRun* shared = &run;
    run.Options.Progress = [shared](int32_t done, int32_t total) { return shared->Progress(done, total); };
    try {
        run.Thread = std::thread([shared] {
            try {
                ExportModule::ExportFragment(*shared->Image, shared->Path, shared->Options);
            } catch (const EExportCancelled&) {
                shared->Cancelled = true;
            } catch (...) {
                shared->Failure = std::current_exception();
            }
            shared->Finished.store(true);
        });
    } catch (...) {
        // No thread for it: the export is not made, and the user hears why.
        run.Failure = std::current_exception();
        return;
    }
    if (run.Window) {
        // "Отмена", Esc, or the window closed any other way.
        QObject::connect(run.Window, &QProgressDialog::canceled, run.Window, [shared] { shared->Decide(true); });
        QObject::connect(run.Window, &QDialog::rejected, run.Window, [shared] { shared->Decide(true); });
        run.Window->setValue(0); // shows it
    }
    // The window keeps serving events; the export's end is looked for a few
    // times a second, and the progress shown with it.
    run.WaitUntilFinished();
    // A loop ended by the program's quit: the export is stopped here.
    if (!run.Finished.load())
        run.Decide(true);
    run.Thread.join();
}

void TMainForm::EndExport()
{
    const std::shared_ptr<TExportRun> run = FExport;
    if (!run || !run->Thread.joinable() || run->Finished.load())
        return;
    const QString question = QStringLiteral("Экспорт видеофрагмента не закончен.") + QLatin1Char('\n') +
                             QStringLiteral("Прервать экспорт? (\"Нет\" - дождаться его окончания)");
    if (Dialogs().Message(this, windowTitle(), question, TMsgIcon::Question, mbYes | mbNo) == mrYes)
        run->Decide(true);
    run->WaitUntilFinished();
}
