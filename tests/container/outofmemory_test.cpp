// Running out of memory while a fragment loads ends the load with the error
// (the image left empty), where malformed or unreadable data only empties the
// frame and loading goes on.
#include "container/mjpgimage.h"
#include "core/errors.h"
#include "fixtures/fragmentbuilder.h"
#include "teststreams.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

using namespace fixture;

namespace {

// Raises the given error when asked for exactly `failCount` bytes: the read
// of one part's data, which goes straight into the memory the frame has
// just taken for it (where a real shortage of memory strikes).
class TRaisingReadStream : public TNoPeekStream {
public:
    TRaisingReadStream(std::string bytes, int64_t failCount, std::function<void()> raise)
        : TNoPeekStream(std::move(bytes)), FFailCount(failCount), FRaise(std::move(raise))
    {
    }
    int64_t Read(void* buffer, int64_t count) override
    {
        if (count == FFailCount)
            FRaise();
        return TNoPeekStream::Read(buffer, count);
    }

private:
    int64_t FFailCount;
    std::function<void()> FRaise;
};

std::vector<int64_t> FrameSizes(const TMJPGImage& image)
{
    std::vector<int64_t> sizes;
    for (int32_t i = 0; i < image.FrameCount(); ++i)
        sizes.push_back(image.GetFrame(i)->Bytes().Size());
    return sizes;
}

enum class TOutcome { FrameEmptied, LoadEndsWithOutOfMemory, LoadEndsWithBadAlloc };

struct TRaiseCase {
    const char* name;
    std::function<void()> raise;
    TOutcome outcome;
};

} // namespace

TEST(OutOfMemory, MemoryErrorsEndTheLoadOtherErrorsEmptyTheFrame)
{
    // The second part's data (57 bytes) is where the error strikes. It holds
    // no line break, so after an emptied frame the reader takes it as a text
    // line and finds the third part as usual.
    const std::string bytes =
        HeaderText() + PartText(NoisyData(100, 'A')) + PartText(std::string(57, 'B')) + PartText(std::string(30, 'C'));
    const TRaiseCase cases[] = {
        {"read error", [] { throw EReadError("read failed"); }, TOutcome::FrameEmptied},
        {"stream error", [] { throw EStreamError("bad position"); }, TOutcome::FrameEmptied},
        {"other error", [] { throw std::runtime_error("whatever"); }, TOutcome::FrameEmptied},
        {"EOutOfMemory", [] { throw EOutOfMemory("Недостаточно памяти!"); }, TOutcome::LoadEndsWithOutOfMemory},
        {"std::bad_alloc", [] { throw std::bad_alloc(); }, TOutcome::LoadEndsWithBadAlloc},
    };
    for (const TRaiseCase& c : cases) {
        SCOPED_TRACE(c.name);
        TMJPGImage image(nullptr);
        // A fragment loaded before: a failing load must not leave it behind.
        TMemoryStream previous;
        LoadBytes(previous, HeaderText() + PartText(NoisyData(10, 'Z')));
        image.LoadFromStream(&previous);
        ASSERT_EQ(image.FrameCount(), 1);

        TRaisingReadStream stream(bytes, 57, c.raise);
        switch (c.outcome) {
        case TOutcome::FrameEmptied:
            ASSERT_NO_THROW(image.LoadFromStream(&stream));
            EXPECT_TRUE(image.Header->IsValid());
            // Loading went on after the emptied frame.
            EXPECT_EQ(FrameSizes(image), (std::vector<int64_t>{100, 0, 30}));
            EXPECT_EQ(image.GetFrame(1)->ContentLength, 0);
            break;
        case TOutcome::LoadEndsWithOutOfMemory:
            EXPECT_THROW(image.LoadFromStream(&stream), EOutOfMemory);
            EXPECT_EQ(image.FrameCount(), 0);
            EXPECT_FALSE(image.Header->IsValid());
            break;
        case TOutcome::LoadEndsWithBadAlloc:
            EXPECT_THROW(image.LoadFromStream(&stream), std::bad_alloc);
            EXPECT_EQ(image.FrameCount(), 0);
            EXPECT_FALSE(image.Header->IsValid());
            break;
        }
    }
}

// The constructor loads too: the error leaves it, so no half-read image
// exists.
TEST(OutOfMemory, ConstructorRaises)
{
    const std::string bytes = HeaderText() + PartText(NoisyData(100, 'A')) + PartText(NoisyData(57, 'B'));
    TRaisingReadStream stream(bytes, 57, [] { throw EOutOfMemory("Недостаточно памяти!"); });
    EXPECT_THROW(TMJPGImage image(&stream), EOutOfMemory);
}

// A part read on its own: the frame is left empty and the error goes on.
TEST(OutOfMemory, FrameReadLeavesTheFrameEmptyAndRaises)
{
    const std::string bytes = PartText(NoisyData(57, 'B'));
    TRaisingReadStream stream(bytes, 57, [] { throw std::bad_alloc(); });
    TMJPGFrame frame(nullptr, "abcd");
    EXPECT_THROW(frame.ReadFromStream(&stream), std::bad_alloc);
    EXPECT_EQ(frame.Bytes().Size(), 0);
    EXPECT_EQ(frame.ContentLength, 0);
    EXPECT_TRUE(frame.ContentType.empty());
    EXPECT_EQ(frame.Boundary, "abcd");
}
