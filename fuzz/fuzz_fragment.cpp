// Fuzz target: the fragment reader on arbitrary bytes, and the writer's round
// trip.
//
// Properties checked for every input, besides "no crash, no leak":
//
// 1. The line operation: TMJPGReader::ReadLine, stepping through the input,
//    gives the same lines and positions as the plain block rule (read up to
//    65535 bytes, count 65534 of them when all came, cut at the first CR LF
//    of the counted bytes read as a NUL-terminated text; a NUL ends the line
//    and the whole counted block is consumed).
//
// 2. The way a stream shows its bytes does not change what is read: the
//    image loaded from a TMemoryStream (bytes looked at in place), from a
//    stream that shows none (block reads), from one that shows a few bytes at
//    a time, and from a TFileStream over the same bytes are equal field by
//    field and byte by byte.
//
// 3. State: an invalid image has no frames and a cleared header (only the
//    wrong signature may be left, at most 1023 characters). In a valid one
//    every frame's ContentLength equals the size of its bytes and its Boundary
//    is the header's; the boundary is a word of at most 1023 characters; the
//    camera and content types carry no leading or trailing characters of
//    code 32 or less; the minor version is one digit.
//
// 4. Round trip: a valid image saved with SaveToStream into a TMemoryStream
//    and read back is valid, has the same number of frames and, frame by
//    frame, the same bytes and ContentLength; its header has the same
//    signature, versions, camera, the three date-times to the second, width,
//    height, FPS, Frames, alarm flag and boundary, and each frame the same
//    ContentType. Saving the re-read image gives the first save's bytes again.
//
// Why these survive: every value the reader keeps comes from one line, so it
// holds no CR LF pair and no NUL. The camera line is found first whatever
// else it holds, so a camera text with other keys in it reads back as the
// camera. The boundary was taken from a line holding none of the keys tried
// before "Content-Type:", and the written "...; boundary=" ends in "=", which
// no key contains, so the written line is again read as the content type and
// its first "=" is the one before the boundary. A boundary holding
// "Content-Type:" or "Content-Length:" makes the delimiter line set a value,
// but the part's own lines follow it and set the value last. A frame's
// content type line is tried for "Content-Type:" before "Content-Length:".
// The empty boundary is written as "--", never as an empty line. Date-times
// come only from text with a 4-digit year (1..9999) and whole seconds, which
// the fixed pattern writes and reads back exactly.
//
// Where the format does not let a value survive: the writer puts one blank
// after "Camera:" and "Content-Type:", and the reader finds a line's end only
// when its CR LF lies within the 65534 bytes it looks at, so it gets a line
// back whole only when it holds at most 65532 characters. A longer written
// line comes back cut, the rest following as a line that starts with the LF
// (which moves the key off the start of its line and shifts its value), or,
// at 65534 characters, followed by an empty line that ends the header or the
// part's text lines early. A camera of more than 65524 characters or a
// content type of more than 65518 can only come from a line the reader
// split (or one that ended its header or part early); such a value is
// written cut to that length and trimmed, which is what it reads back as.
// The saved bytes then read back to an image that saves to the same bytes.
#include "container/mjpgimage.h"
#include "container/mjpgreader.h"
#include "core/datetime.h"
#include "core/streams.h"
#include "fuzzcheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The longest values whose written lines the reader gets back whole.
constexpr size_t kLongestLine = TMJPGReader::MaxLineLength - 2;
constexpr size_t kLongestCamera = kLongestLine - 8;       // "Camera: "
constexpr size_t kLongestContentType = kLongestLine - 14; // "Content-Type: "

// A read-only stream over a block of bytes that shows at most 'window' bytes
// in place (none when 'window' is 0), so the line reader takes its block-read
// path or its short-view path.
class TWindowStream : public TStream {
public:
    TWindowStream(const uint8_t* data, int64_t size, int64_t window)
        : FData(data), FSize(size), FWindow(window)
    {
    }
    int64_t Read(void* buffer, int64_t count) override
    {
        if (count <= 0 || FPosition >= FSize)
            return 0;
        const int64_t n = std::min(count, FSize - FPosition);
        std::memcpy(buffer, FData + FPosition, static_cast<size_t>(n));
        FPosition += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                             : origin == TSeekOrigin::soCurrent ? FPosition
                                                                : FSize;
        FUZZ_CHECK(base + offset >= 0, "the reader seeks before the start of the stream");
        FPosition = base + offset;
        return FPosition;
    }
    int64_t Size() const override { return FSize; }
    void SetSize(int64_t) override { FUZZ_CHECK(false, "the reader resizes its source"); }
    TPeek Peek(int64_t maxCount) override
    {
        if (FWindow == 0 || FPosition >= FSize || maxCount <= 0)
            return {};
        return {FData + FPosition, std::min({maxCount, FWindow, FSize - FPosition})};
    }

private:
    const uint8_t* FData;
    int64_t FSize;
    int64_t FWindow;
    int64_t FPosition = 0;
};

// The line operation as the block rule states it.
std::string BlockRuleLine(const uint8_t* data, int64_t size, int64_t& position)
{
    const int64_t got = std::min<int64_t>(size - position, TMJPGReader::MaxLineLength + 1);
    const int64_t counted = std::min(got, TMJPGReader::MaxLineLength);
    const uint8_t* block = data + position;
    for (int64_t i = 0; i < counted; ++i) {
        if (block[i] == 0) {
            position += counted;
            return std::string(reinterpret_cast<const char*>(block), static_cast<size_t>(i));
        }
        if (block[i] == '\r' && i + 1 < counted && block[i + 1] == '\n') {
            position += i + 2;
            return std::string(reinterpret_cast<const char*>(block), static_cast<size_t>(i));
        }
    }
    position += counted;
    return std::string(reinterpret_cast<const char*>(block), static_cast<size_t>(counted));
}

void CheckLineRule(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    TMJPGReader reader;
    int64_t position = 0;
    for (;;) {
        const std::string expected = BlockRuleLine(data, static_cast<int64_t>(size), position);
        reader.ReadLine(&stream);
        FUZZ_CHECK(reader.Line == expected, "ReadLine gives the line of the block rule");
        FUZZ_CHECK(stream.Position() == position, "ReadLine leaves the stream where the block rule does");
        if (expected.empty() && position == static_cast<int64_t>(size))
            break;
    }
}

std::string Seconds(TDateTime value)
{
    return FormatDateTime("dd.mm.yyyy hh:nn:ss", value);
}

bool SameBytes(const TSharedBytes& a, const TSharedBytes& b)
{
    return a.Size() == b.Size() &&
           (a.Size() == 0 || std::memcmp(a.Memory(), b.Memory(), static_cast<size_t>(a.Size())) == 0);
}

// Property 2: two loads of the same bytes agree in everything.
void CheckSameImage(const TMJPGImage& a, const TMJPGImage& b)
{
    const TMJPGHeader& x = *a.Header;
    const TMJPGHeader& y = *b.Header;
    FUZZ_CHECK(x.Signature == y.Signature, "same signature from every stream");
    FUZZ_CHECK(x.VersionMajor == y.VersionMajor && x.VersionMinor == y.VersionMinor, "same version");
    FUZZ_CHECK(x.Camera == y.Camera, "same camera");
    FUZZ_CHECK(x.EventTime == y.EventTime && x.BeginTime == y.BeginTime && x.EndTime == y.EndTime,
               "same date-times");
    FUZZ_CHECK(x.Width == y.Width && x.Height == y.Height && x.FPS == y.FPS && x.Frames == y.Frames,
               "same numbers");
    FUZZ_CHECK(x.PreAlarm == y.PreAlarm, "same alarm flag");
    FUZZ_CHECK(x.Boundary == y.Boundary, "same boundary");
    FUZZ_CHECK(a.FrameCount() == b.FrameCount(), "same frame count from every stream");
    for (int32_t i = 0; i < a.FrameCount(); ++i) {
        const TMJPGFrame& f = *a.GetFrame(i);
        const TMJPGFrame& g = *b.GetFrame(i);
        FUZZ_CHECK(f.ContentType == g.ContentType, "same content type");
        FUZZ_CHECK(f.Boundary == g.Boundary, "same frame boundary");
        FUZZ_CHECK(f.ContentLength == g.ContentLength, "same content length");
        FUZZ_CHECK(SameBytes(f.Bytes(), g.Bytes()), "same frame data");
    }
}

bool IsWordSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool Trimmed(const std::string& text)
{
    return text.empty() || (static_cast<unsigned char>(text.front()) > 32 &&
                            static_cast<unsigned char>(text.back()) > 32);
}

// Property 3.
void CheckState(const TMJPGImage& image, size_t size)
{
    const TMJPGHeader& h = *image.Header;
    FUZZ_CHECK(h.Signature.size() <= TMJPGHeader::MaxWordLength, "the signature is at most 1023 characters");
    if (!h.IsValid()) {
        FUZZ_CHECK(image.FrameCount() == 0, "an invalid image has no frames");
        FUZZ_CHECK(h.VersionMajor == 0 && h.VersionMinor == 0 && h.Camera.empty() && h.EventTime == 0 &&
                       h.BeginTime == 0 && h.EndTime == 0 && h.Width == 0 && h.Height == 0 && h.FPS == 0 &&
                       h.Frames == 0 && !h.PreAlarm && h.Boundary.empty(),
                   "an invalid header is cleared");
        return;
    }
    FUZZ_CHECK(h.VersionMinor >= 0 && h.VersionMinor <= 9, "the minor version is one digit");
    FUZZ_CHECK(Trimmed(h.Camera), "the camera is trimmed");
    FUZZ_CHECK(h.Boundary.size() <= TMJPGHeader::MaxWordLength, "the boundary is at most 1023 characters");
    FUZZ_CHECK(std::none_of(h.Boundary.begin(), h.Boundary.end(), IsWordSpace), "the boundary is one word");
    FUZZ_CHECK(h.Boundary.find('\0') == std::string::npos && h.Camera.find('\0') == std::string::npos,
               "no NUL in a value read from a line");
    FUZZ_CHECK(static_cast<size_t>(image.FrameCount()) <= size, "every part takes at least one byte");
    int64_t total = 0;
    for (int32_t i = 0; i < image.FrameCount(); ++i) {
        const TMJPGFrame* frame = image.GetFrame(i);
        FUZZ_CHECK(frame != nullptr, "every frame in the list exists");
        FUZZ_CHECK(frame->ContentLength == frame->Bytes().Size(), "ContentLength equals the size of Data");
        FUZZ_CHECK(frame->Boundary == h.Boundary, "a frame keeps the header's boundary");
        FUZZ_CHECK(Trimmed(frame->ContentType), "the content type is trimmed");
        total += frame->Bytes().Size();
    }
    FUZZ_CHECK(total <= static_cast<int64_t>(size), "frames hold no more bytes than the stream");
    FUZZ_CHECK(image.GetFrame(-1) == nullptr && image.GetFrame(image.FrameCount()) == nullptr,
               "GetFrame out of range gives null");
}

std::string Cut(const std::string& text, size_t length)
{
    return text.size() > length ? TrimControlAndBlanks(text.substr(0, length)) : text;
}

// Property 4 for one saved-and-read-back pair.
void CheckRoundTrip(const TMJPGImage& saved, const TMJPGImage& read)
{
    const TMJPGHeader& x = *saved.Header;
    const TMJPGHeader& y = *read.Header;
    FUZZ_CHECK(y.IsValid(), "a saved image reads back valid");
    FUZZ_CHECK(y.Signature == x.Signature, "the signature survives");
    FUZZ_CHECK(y.VersionMajor == x.VersionMajor && y.VersionMinor == x.VersionMinor, "the version survives");
    FUZZ_CHECK(y.Camera == Cut(x.Camera, kLongestCamera), "the camera survives (cut only past a line)");
    FUZZ_CHECK(Seconds(y.EventTime) == Seconds(x.EventTime), "the event time survives to the second");
    FUZZ_CHECK(Seconds(y.BeginTime) == Seconds(x.BeginTime), "the begin time survives to the second");
    FUZZ_CHECK(Seconds(y.EndTime) == Seconds(x.EndTime), "the end time survives to the second");
    FUZZ_CHECK(y.Width == x.Width && y.Height == x.Height, "the picture size survives");
    FUZZ_CHECK(y.FPS == x.FPS && y.Frames == x.Frames, "FPS and Frames survive");
    FUZZ_CHECK(y.PreAlarm == x.PreAlarm, "the alarm flag survives");
    FUZZ_CHECK(y.Boundary == x.Boundary, "the boundary survives");
    FUZZ_CHECK(read.FrameCount() == saved.FrameCount(), "the frame count survives");
    for (int32_t i = 0; i < saved.FrameCount(); ++i) {
        const TMJPGFrame& f = *saved.GetFrame(i);
        const TMJPGFrame& g = *read.GetFrame(i);
        FUZZ_CHECK(g.ContentLength == f.ContentLength, "the content length survives");
        FUZZ_CHECK(SameBytes(g.Bytes(), f.Bytes()), "the frame's bytes survive");
        FUZZ_CHECK(g.ContentType == Cut(f.ContentType, kLongestContentType),
                   "the content type survives (cut only past a line)");
    }
}

std::unique_ptr<TMJPGImage> LoadFrom(TMemoryStream& bytes)
{
    bytes.SetPosition(0);
    return std::make_unique<TMJPGImage>(&bytes);
}

// The same bytes through a file stream: a memory-backed file, so no disk.
std::unique_ptr<TMJPGImage> LoadThroughFile(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("fuzz_fragment", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0, "a memory file can be made");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        FUZZ_CHECK(n > 0, "the memory file takes the input");
        done += static_cast<size_t>(n);
    }
    std::unique_ptr<TMJPGImage> image;
    {
        TFileStream file("/proc/self/fd/" + std::to_string(fd), TFileMode::fmOpenRead);
        image = std::make_unique<TMJPGImage>(&file);
    }
    ::close(fd);
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckLineRule(data, size);

    TMemoryStream source;
    source.WriteBuffer(data, static_cast<int64_t>(size));
    const std::unique_ptr<TMJPGImage> image = LoadFrom(source);
    CheckState(*image, size);

    {
        TWindowStream plain(data, static_cast<int64_t>(size), 0);
        CheckSameImage(*image, TMJPGImage(&plain));
        // A view of a few bytes, varied with the input so every fill size
        // the reader asks for meets a short view somewhere.
        const int64_t window = 1 + static_cast<int64_t>((size * 7919) % 20000);
        TWindowStream narrow(data, static_cast<int64_t>(size), window);
        CheckSameImage(*image, TMJPGImage(&narrow));
        CheckSameImage(*image, *LoadThroughFile(data, size));
    }

    if (!image->Header->IsValid())
        return 0;

    TMemoryStream first;
    FUZZ_CHECK(image->SaveToStream(&first) == image->FrameCount(), "SaveToStream returns the frame count");
    const std::unique_ptr<TMJPGImage> again = LoadFrom(first);
    CheckRoundTrip(*image, *again);

    TMemoryStream second;
    again->SaveToStream(&second);
    FUZZ_CHECK(SameBytes(first, second), "a second save gives the first save's bytes");
    return 0;
}
