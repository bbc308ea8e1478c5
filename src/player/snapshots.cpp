// Saving the current frame as a snapshot (the frame's own JPEG bytes, or a
// decoded Windows bitmap) and the whole fragment as an MJPG file.
#include "vplayerform.h"

#include "snapshotnames.h"

#include "container/bitmapfile.h"
#include "container/mjpgimage.h"
#include "core/replacingfile.h"
#include "picture/displaypicture.h"
#include "uikit/failurelog.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

void TVPlayerForm::actSaveFrameExecute()
{
    if (!Image || !FramePos.CurrentFrame)
        return;
    // The save dialog lets events run, and a fetch ending meanwhile may
    // replace the fragment: the snapshot keeps its own image over the
    // session's bytes, so the frame asked for is the frame saved.
    const std::unique_ptr<TMJPGImage> held = Session().SharedImage();
    const TMJPGFrame* frame = held ? held->GetFrame(FramePos.Index) : nullptr;
    if (!frame)
        return;
    SaveDialog.Title = QStringLiteral("Сохранить снимок");
    SaveDialog.Filter = QStringLiteral("Windows Bitmap (*.bmp)|*.bmp|Файлы JPG (*.jpg)|*.jpg|Все файлы|*.*");
    SaveDialog.FilterIndex = 2;
    SaveDialog.DefaultExt = QStringLiteral("jpg");
    SaveDialog.FileName = DefaultSnapshotName(*held->Header, FramePos.Index);
    if (!Dialogs().SaveFileName(this, SaveDialog))
        return;
    const QString path = SaveDialog.FileName;
    SaveDialog.InitialDir = QFileInfo(path).absolutePath();

    try {
        if (UpperExtension(path) == QLatin1String(".BMP")) {
            // The picture the view shows: 24-bit colour, or 8-bit on a palette display.
            const TDecodedPicture picture = DecodeDisplayPicture(*frame);
            TReplacingFile file(NativePath(path));
            WriteBitmapFile(file.Stream(), picture);
            file.Commit();
        } else {
            TReplacingFile file(NativePath(path));
            file.Stream().WriteBuffer(frame->Bytes().Memory(), frame->Bytes().Size());
            file.Commit();
        }
    } catch (...) {
        LogCurrentFailure(QStringLiteral("Не могу сохранить снимок \"%1\"").arg(path));
        Dialogs().Message(this, windowTitle(), QStringLiteral("Не могу сохранить снимок!"), TMsgIcon::Error, mbOK);
        return;
    }
    Dialogs().Message(this, windowTitle(), QStringLiteral("Снимок успешно сохранен."), TMsgIcon::Information, mbOK);
}

void TVPlayerForm::actSaveFileExecute()
{
    // Its own image over the session's bytes: the fragment asked about is
    // the one saved, whatever the player opens while the dialogs are up.
    const std::unique_ptr<TMJPGImage> held = Session().SharedImage();
    if (!held)
        return;
    SaveDialog.Title = QStringLiteral("Сохранить видеофрагмент");
    SaveDialog.Filter = QStringLiteral("Файлы MJPG (*.mjpg)|*.mjpg|Все файлы|*.*");
    SaveDialog.FilterIndex = 1;
    SaveDialog.DefaultExt = QStringLiteral("mjpg");
    SaveDialog.FileName = DefaultFragmentName(*held->Header);
    if (!Dialogs().SaveFileName(this, SaveDialog))
        return;
    const QString path = SaveDialog.FileName;
    SaveDialog.InitialDir = QFileInfo(path).absolutePath();
    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("Файл с таким именем уже существует!") + QLatin1Char('\n') +
                                 QStringLiteral("Перезаписать файл \"") + path + QStringLiteral("\"?");
        if (Dialogs().Message(this, windowTitle(), question, TMsgIcon::Warning, mbYes | mbNo) != mrYes)
            return;
    }
    if (SaveFile(path, *held))
        Dialogs().Message(this, windowTitle(), QStringLiteral("Видеофрагмент успешно сохранен."),
                          TMsgIcon::Information, mbOK);
}

bool TVPlayerForm::SaveFile(const QString& path)
{
    return Image && SaveFile(path, *Image);
}

bool TVPlayerForm::SaveFile(const QString& path, const TMJPGImage& image)
{
    // Outside the handling below: a file that cannot be created is reported
    // by the standard error display at the handler's edge.
    TReplacingFile file(NativePath(path));
    try {
        image.SaveToStream(&file.Stream());
        file.Commit(); // a failed close loses what was written
    } catch (...) {
        LogCurrentFailure(QStringLiteral("Не могу сохранить данные в файл \"%1\"").arg(path));
        Dialogs().Message(this, windowTitle(),
                          QStringLiteral("Не могу сохранить данные в файл") + QLatin1Char('\n') + QLatin1Char('"') +
                              path + QLatin1Char('"'),
                          TMsgIcon::Error, mbOK);
        return false;
    }
    return true;
}
