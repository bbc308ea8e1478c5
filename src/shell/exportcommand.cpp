// "Экспорт видео...": the loaded fragment, or frames of it, copied into
// Matroska or AVI without touching a picture, with a manifest on request.
#include "mainform.h"

#include "exportform.h"
#include "export/videoexport.h"
#include "manager/fragment.h"
#include "manager/gui/vmanagerform.h"
#include "player/snapshotnames.h"
#include "player/vplayerform.h"
#include "uikit/failurelog.h"
#include "uikit/waitcursor.h"

#include "signingkeyprompt.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>
#include <memory>

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

} // namespace

void TMainForm::actFileExportUpdate()
{
    const TVPlayerForm* player = VPlayerForm;
    actFileExport->setEnabled(player && !IsPlaying(player->State) && !player->Loading && player->Image &&
                              player->Image->Header->IsValid() && HasFrameWithData(*player->Image));
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
    auto stillLoaded = [&] { return player->Image && player->Image.get() == asked; };

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
    if (!ContainerForPath(NativePath(path)))
        path += QLatin1Char('.') + kExtensions[std::clamp(ExportDialog.FilterIndex, 1, 3) - 1];
    const TExportContainer container = *ContainerForPath(NativePath(path));

    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("Файл с таким именем уже существует!") + QLatin1Char('\n') +
                                 QStringLiteral("Перезаписать файл \"") + path + QStringLiteral("\"?");
        if (Dialogs().Message(this, windowTitle(), question, TMsgIcon::Warning, mbYes | mbNo) != mrYes)
            return;
    }

    if (!stillLoaded())
        return;
    TExportForm form(asked->FrameCount(), player->FramePos.CurrentFrame ? player->FramePos.Index : -1, this);
    if (form.exec() != QDialog::Accepted)
        return;
    if (!stillLoaded())
        return;
    const TMJPGImage& image = *player->Image;

    TExportOptions options;
    options.Container = container;
    options.From = form.From();
    options.To = form.To();
    options.Manifest = form.Manifest();
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
    if (!player->FileName.isEmpty()) {
        options.SourcePath = NativePath(player->FileName);
    } else if (player->Manager) {
        // A fragment fetched from the archive: the bytes the server sent.
        for (const auto& fragment : player->Manager->Fragments)
            if (fragment && fragment->Matches(player->SerialNumber, player->Issue) && fragment->Data->Size() > 0) {
                options.SourceBytes = fragment->Data->Memory();
                options.SourceSize = fragment->Data->Size();
                break;
            }
    }

    std::unique_ptr<QProgressDialog> progress;
    std::unique_ptr<TWaitCursor> wait;
    if (PictureBytes(image, options.From, options.To) > ExportProgressBytes) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Экспорт видеофрагмента..."),
                                                     QStringLiteral("Отмена"), 0, options.To - options.From + 1,
                                                     this);
        progress->setObjectName(QStringLiteral("ExportProgress"));
        progress->setWindowTitle(QStringLiteral("Экспорт видеофрагмента"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        // Wide enough for its title in a title bar.
        progress->setMinimumWidth(TitleBarWidth(*progress));
        progress->setValue(0);
        options.Progress = [&](int32_t done, int32_t) {
            progress->setValue(done); // a modal progress window lets events in
            return !progress->wasCanceled();
        };
    } else {
        wait = std::make_unique<TWaitCursor>();
    }

    QString failure;
    bool cancelled = false;
    try {
        ExportFragment(image, NativePath(path), options);
    } catch (const EExportCancelled&) {
        cancelled = true;
    } catch (const std::exception& e) {
        failure = QString::fromStdString(e.what());
        LogCurrentFailure(QStringLiteral("Не могу экспортировать видеофрагмент в \"%1\"").arg(path));
    }
    progress.reset();
    wait.reset();
    if (cancelled)
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
