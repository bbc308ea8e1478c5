// Reading and writing one part of an MJPG stream.
#include "mjpgframe.h"

#include "core/errors.h"

#include <new>

TMJPGFrame::TMJPGFrame(TStream* stream, const std::string& boundary) : Boundary(boundary)
{
    ReadFromStream(stream);
}

void TMJPGFrame::Clear()
{
    ContentType.clear();
    ContentLength = 0;
    FBytes = {};
}

bool TMJPGFrame::HasData()
{
    ContentLength = static_cast<int32_t>(FBytes.Size());
    return !FBytes.Empty();
}

void TMJPGFrame::ReadFromStream(TStream* stream)
{
    Clear();
    if (!stream)
        return;
    try {
        ReadPart(*stream);
    } catch (const EOutOfMemory&) {
        // Running out of memory says nothing about the part: the load
        // cannot go on, so it ends with an error instead of empty frames.
        Clear();
        std::string().swap(Line);
        throw;
    } catch (const std::bad_alloc&) {
        Clear();
        std::string().swap(Line);
        throw;
    } catch (const EInOutError&) {
        // Nor does a failing disk: the rest of the fragment cannot be had.
        Clear();
        std::string().swap(Line);
        throw;
    } catch (...) {
        // Malformed or truncated data: the frame stays empty.
        Clear();
    }
    // The line buffer is not kept with the frame: a long text line in a part
    // would otherwise hold up to 64 KiB per frame for the life of the image.
    std::string().swap(Line);
}

void TMJPGFrame::ReadPart(TStream& stream)
{
    do {
        ReadLine(&stream);
        if (Line.find("Content-Type:") != std::string::npos)
            ContentType = TrimControlAndBlanks(Line.substr(13));
        else if (Line.find("Content-Length:") != std::string::npos)
            ContentLength = MJPGIntValue(Line.substr(15));
    } while (!Line.empty());

    const int64_t streamSize = stream.Size();
    if (ContentLength < 0) {
        // No data can be read; the next part starts after the empty line.
        Clear();
        return;
    }
    if (ContentLength >= streamSize) {
        // A length no part of this stream can have: the frame stays empty
        // and reading ends here.
        Clear();
        stream.Seek(0, TSeekOrigin::soEnd);
        return;
    }
    if (ContentLength > streamSize - stream.Position()) {
        // The data ends early: the frame stays empty and the stream is at
        // its end, as after a short copy (without allocating first).
        Clear();
        stream.Seek(0, TSeekOrigin::soEnd);
        return;
    }
    if (ContentLength > 0)
        FBytes = stream.ReadShared(ContentLength);
    // The CR LF after the data, with anything standing before it.
    ReadLine(&stream);
}

void TMJPGFrame::WriteToStream(TStream* stream) const
{
    if (!stream)
        return;
    // An empty boundary would write an empty delimiter line, which a reader
    // takes as the end of the part's text lines; "--" keeps the part readable.
    const std::string delimiter = Boundary.empty() ? std::string("--") : Boundary;
    stream->WriteString(delimiter + "\r\n" + WholeLine("Content-Type: ", ContentType) + "\r\nContent-Length: " +
                        std::to_string(ContentLength) + "\r\n\r\n");
    stream->WriteBuffer(FBytes.Memory(), FBytes.Size());
    stream->WriteBuffer("\r\n", 2);
}
