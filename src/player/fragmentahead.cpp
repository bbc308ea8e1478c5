// The image and first picture of a fragment read ahead (see fragmentahead.h).
#include "fragmentahead.h"

#include "picture/displaypicture.h"
#include "session/playersession.h"

#include <exception>

void TFragmentAhead::Prepare(const TSharedBytes& bytes)
{
    TPrepared prepared;
    try {
        prepared.Image = TPlayerSession::ReadImage(bytes);
    } catch (const std::exception&) {
        return; // read again when opened, and its failure told then
    }
    if (!prepared.Image->Header->IsValid())
        return;
    for (int32_t i = 0; i < prepared.Image->FrameCount(); ++i) {
        TMJPGFrame* frame = prepared.Image->GetFrame(i);
        if (frame && frame->HasData()) {
            try {
                prepared.Picture = DecodeFrameImage(*frame, TPixelLayout::BGRX32, 1);
                prepared.Frame = frame;
            } catch (const std::exception&) {
                // Decoded again when shown, and its failure told then.
            }
            break;
        }
    }
    const std::lock_guard<std::mutex> lock(FMutex);
    FBytes = bytes;
    FPrepared = std::move(prepared);
}

TFragmentAhead::TPrepared TFragmentAhead::Take(const TSharedBytes& bytes)
{
    const std::lock_guard<std::mutex> lock(FMutex);
    if (!FPrepared.Image || !bytes.SharesBlockWith(FBytes) || bytes.Memory() != FBytes.Memory() ||
        bytes.Size() != FBytes.Size())
        return {};
    TPrepared taken = std::move(FPrepared);
    FPrepared = {};
    FBytes = {};
    return taken;
}

QImage TFragmentAhead::PreparedPicture()
{
    const std::lock_guard<std::mutex> lock(FMutex);
    return FPrepared.Picture;
}

TFragmentAhead& ProgramFragmentAhead()
{
    // Never freed: the reading thread may still be preparing when the
    // program's statics go at its end.
    static TFragmentAhead* const ahead = new TFragmentAhead;
    return *ahead;
}
