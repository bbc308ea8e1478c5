// Loading a fragment into the window (from a file or a stream) and closing it.
#include "vplayerform.h"

#include "container/mjpgimage.h"
#include "core/readahead.h"
#include "core/sharedbytes.h"
#include "core/streams.h"
#include "fragmentahead.h"
#include "manager/fragment.h"
#include "picture/displaypicture.h"
#include "sliderpreview.h"
#include "uikit/failurelog.h"

#include <QFile>

#include <optional>
#include <stdexcept>

namespace {

// A load that ends without a message: the stream is not an MJPG fragment.
class EAbortLoad : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace

void TVPlayerForm::CloseFragment()
{
    // A frame of the next fragment may reuse a freed frame's address.
    FPictures.Clear();
    FFrameAhead = nullptr;
    FPictureAhead = QImage();
    FNeighbour = -1;
    FramePreview->Reset();
    FSession.Close();
    emit FrameShown();
}

bool TVPlayerForm::LoadFile(const QString& path)
{
    CloseFragment();
    // Outside the handling below: a file that cannot be opened is reported
    // by whoever called (the standard error display at the handler's edge).
    // The fragment is gone by then, and so are the commands that act on it.
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(QFile::encodeName(path).toStdString(), TFileMode::fmOpenRead);
    } catch (...) {
        UpdateActions();
        throw;
    }
    // The whole file is read into one block, and the frames view it.
    std::unique_ptr<TMJPGImage> image;
    TSharedBytes bytes;
    bool silent = false;
    bool failed = false;
    try {
        // The program may have read the file ahead while its windows were
        // being built (a fragment named on its command line).
        if (std::optional<TSharedBytes> ahead = ReadAhead::Take(file->Handle())) {
            bytes = std::move(*ahead);
        } else {
            TMemoryStream whole;
            whole.LoadFromStream(*file);
            bytes = TSharedBytes::Take(whole);
        }
        image = ReadImage(bytes);
        if (!image->Header->IsValid())
            throw EAbortLoad("Bad MJPG stream!");
    } catch (const EAbortLoad&) {
        silent = true;
    } catch (...) {
        failed = true;
        LogCurrentFailure(QStringLiteral("Не могу загрузить данные из файла \"%1\"").arg(path));
    }
    file.reset(); // closed before the first frame is decoded
    if (silent || failed) {
        image.reset();
        bytes = {};
        if (failed) {
            Dialogs().Message(this, windowTitle(),
                              QStringLiteral("Не могу загрузить данные из файла") + QLatin1Char('\n') +
                                  QLatin1Char('"') + path + QLatin1Char('"'),
                              TMsgIcon::Error, mbOK);
        }
        EnterEmptyAfterFailedLoad();
        return false;
    }
    FSession.Open(std::move(image), std::move(bytes), TFragmentSource::File(QFile::encodeName(path).toStdString()));
    LayoutVideo(Image.get());
    Engine.ShowLoaded();
    return true;
}

bool TVPlayerForm::LoadStream(TStream* stream)
{
    // The frames copy their bytes out of the stream: the session keeps none.
    return OpenRead(
        [stream] {
            if (!stream)
                throw EAbortLoad("Bad stream pointer!");
            return std::make_unique<TMJPGImage>(stream);
        },
        {}, {});
}

bool TVPlayerForm::OpenRead(const std::function<std::unique_ptr<TMJPGImage>()>& read, const TSharedBytes& bytes,
                            const TFragmentSource& source)
{
    CloseFragment();
    try {
        std::unique_ptr<TMJPGImage> image = read();
        if (!image->Header->IsValid())
            throw EAbortLoad("Bad MJPG stream!");
        FSession.Open(std::move(image), bytes, source);
        LayoutVideo(Image.get());
        Engine.ShowLoaded();
        return true;
    } catch (const EAbortLoad&) {
        // Not a fragment: silent.
    } catch (...) {
        // The archive functions show their own messages.
        LogCurrentFailure(QStringLiteral("Не могу загрузить фрагмент из потока"));
    }
    EnterEmptyAfterFailedLoad();
    return false;
}

void TVPlayerForm::EnterEmptyAfterFailedLoad()
{
    Engine.EnterState(psEmpty);
    ClearPicture();
}

bool TVPlayerForm::LoadFragment(TFragment* fragment)
{
    if (!fragment)
        return false;
    return LoadBytes(fragment->Data, TFragmentSource::Archive(fragment->SerialNumber, fragment->Issue));
}

bool TVPlayerForm::LoadBytes(const TSharedBytes& bytes, const TFragmentSource& source)
{
    return OpenRead([this, &bytes] { return ReadImage(bytes); }, bytes, source);
}

std::unique_ptr<TMJPGImage> TVPlayerForm::ReadImage(const TSharedBytes& bytes)
{
    TFragmentAhead::TPrepared ahead = ProgramFragmentAhead().Take(bytes);
    if (!ahead.Image)
        return TPlayerSession::ReadImage(bytes);
    FFrameAhead = ahead.Frame;
    FPictureAhead = std::move(ahead.Picture);
    return std::move(ahead.Image);
}

void TVPlayerForm::KeepPictureAhead(const TMJPGFrame* frame, QSize shown)
{
    if (!FFrameAhead)
        return;
    if (frame == FFrameAhead && DisplayPictureLayout() == TPixelLayout::BGRX32 &&
        FPictures.Reduction(*frame, shown) == 1)
        FPictures.Keep(frame, 1, std::move(FPictureAhead));
    FFrameAhead = nullptr;
    FPictureAhead = QImage();
}
