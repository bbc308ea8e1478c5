// The open fragment's owner: opening, closing, sharing and the playback commands.
#include "playersession.h"

std::unique_ptr<TMJPGImage> TPlayerSession::ReadImage(const TSharedBytes& bytes)
{
    TSharedBytesStream stream(bytes);
    return std::make_unique<TMJPGImage>(&stream);
}

void TPlayerSession::Open(std::unique_ptr<TMJPGImage> image, TSharedBytes bytes, TFragmentSource source)
{
    FEngine.SetImage(std::move(image));
    FBytes = std::move(bytes);
    FSource = std::move(source);
    ++FOpening;
}

void TPlayerSession::Close()
{
    FEngine.CloseImage();
    FBytes = {};
    FSource = {};
    ++FOpening;
}

std::unique_ptr<TMJPGImage> TPlayerSession::SharedImage() const
{
    const TMJPGImage* open = FEngine.Image().get();
    return open ? open->ShareFrames() : nullptr;
}

bool TPlayerSession::Execute(TPlayerCommand command)
{
    switch (command) {
    case TPlayerCommand::FirstFrame: FEngine.FirstFrame(); return true;
    case TPlayerCommand::PriorFrame: FEngine.PriorFrame(); return true;
    case TPlayerCommand::PlayBack: FEngine.PlayBack(); return true;
    case TPlayerCommand::Pause: FEngine.Pause(); return true;
    case TPlayerCommand::Stop: FEngine.Stop(); return true;
    case TPlayerCommand::Play: FEngine.Play(); return true;
    case TPlayerCommand::NextFrame: FEngine.NextFrame(); return true;
    case TPlayerCommand::LastFrame: FEngine.LastFrame(); return true;
    default: return false;
    }
}
