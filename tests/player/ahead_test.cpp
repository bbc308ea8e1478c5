// A fragment made ready on the thread that read it ahead: its image and the
// picture of its first frame with data are taken only for the very bytes
// they were made from, once, and the picture is shown only where the view
// would have decoded it the same way; otherwise it is decoded as ever.
#include "playerfixture.h"

#include "fixtures/fragmentbuilder.h"
#include "fixtures/framemaker.h"
#include "picture/displaypicture.h"
#include "player/fragmentahead.h"

#include <QImage>

namespace {

struct TDisplayDepth {
    explicit TDisplayDepth(int depth) { SetDisplayDepthOverride(depth); }
    ~TDisplayDepth() { SetDisplayDepthOverride(0); }
};

// A fragment whose first part has no picture, then two scene frames.
TSharedBytes FragmentBytesOf(int width, int height)
{
    fixture::THeaderLines header;
    header.Frames = 3;
    fixture::TFragmentBuilder builder(header);
    builder.EmptyParts(1).Pictures(2, {.Index = 3, .Width = width, .Height = height, .Look = fixture::TFrameLook::Scene});
    return TSharedBytes::Copy(builder.Bytes().data(), static_cast<int64_t>(builder.Bytes().size()));
}

} // namespace

TEST(FragmentAhead, TakenOnceAndForTheVeryBytesOnly)
{
    const TDisplayDepth depth(32);
    const TSharedBytes bytes = FragmentBytesOf(96, 72);
    TFragmentAhead ahead;
    ahead.Prepare(bytes);
    // The same content in another block, and a part of the same block.
    EXPECT_FALSE(ahead.Take(TSharedBytes::Copy(bytes.Memory(), bytes.Size())).Image);
    EXPECT_FALSE(ahead.Take(bytes.Slice(0, bytes.Size() - 1)).Image);

    TFragmentAhead::TPrepared taken = ahead.Take(bytes);
    ASSERT_TRUE(taken.Image);
    EXPECT_EQ(taken.Image->FrameCount(), 3);
    EXPECT_EQ(taken.Frame, taken.Image->GetFrame(1)); // the first with a picture
    ASSERT_FALSE(taken.Picture.isNull());
    const QImage decoded = DecodeFrameImage(*taken.Image->GetFrame(1));
    EXPECT_EQ(taken.Picture.format(), decoded.format());
    EXPECT_EQ(taken.Picture, decoded);
    EXPECT_FALSE(ahead.Take(bytes).Image); // once

    const std::string notAFragment = "not a fragment";
    const TSharedBytes other = TSharedBytes::Copy(notAFragment.data(), static_cast<int64_t>(notAFragment.size()));
    ahead.Prepare(other);
    EXPECT_FALSE(ahead.Take(other).Image);
}

class FragmentAheadTest : public PlayerTest {
protected:
    // Opens the bytes as fetched ones, after they were made ready ahead;
    // the picture made ahead in `ahead`.
    void OpenPrepared(const TSharedBytes& bytes, QImage& ahead)
    {
        ProgramFragmentAhead().Prepare(bytes);
        ahead = ProgramFragmentAhead().PreparedPicture();
        ASSERT_FALSE(ahead.isNull());
        ASSERT_TRUE(Form.LoadBytes(bytes, TFragmentSource::Archive(1, 1)));
        // The window took what was made ready.
        EXPECT_FALSE(ProgramFragmentAhead().Take(bytes).Image);
    }
    QImage Shown() const { return Child<TPictureView>(Form, "imgVideo")->Picture(); }
};

TEST_F(FragmentAheadTest, TheFirstPictureMadeAheadIsTheOneDecodedForTheView)
{
    const TDisplayDepth depth(32);
    for (const bool shownWindow : {false, true}) {
        SCOPED_TRACE(shownWindow ? "shown window" : "hidden window");
        if (shownWindow) {
            ASSERT_TRUE(ShowActive());
        }
        const TSharedBytes bytes = FragmentBytesOf(320, 240);
        QImage ahead;
        OpenPrepared(bytes, ahead);
        const QImage shown = Shown();
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown.cacheKey(), ahead.cacheKey()); // the very picture, not decoded again
        EXPECT_EQ(shown.size(), QSize(320, 240));
        EXPECT_EQ(shown, DecodeFrameImage(*Form.Image->GetFrame(1)));
    }
}

TEST_F(FragmentAheadTest, AViewThatReducesOrAPaletteDisplayDecodesAsEver)
{
    struct TRow {
        const char* Case;
        int Width, Height;
        int Depth;
        QSize Shown;
        QImage::Format Format;
    } rows[] = {
        // Fitted into a view of half its size or less: decoded reduced.
        {"reduced", 1600, 1200, 32, QSize(800, 600), QImage::Format_RGB32},
        {"8-bit display", 320, 240, 8, QSize(320, 240), QImage::Format_Indexed8},
    };
    ASSERT_TRUE(ShowActive());
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Case);
        const TDisplayDepth depth(row.Depth);
        const TSharedBytes bytes = FragmentBytesOf(row.Width, row.Height);
        QImage ahead;
        OpenPrepared(bytes, ahead);
        const QImage shown = Shown();
        ASSERT_FALSE(shown.isNull());
        EXPECT_NE(shown.cacheKey(), ahead.cacheKey());
        EXPECT_EQ(shown.size(), row.Shown);
        EXPECT_EQ(shown.format(), row.Format);
        const TMJPGFrame& frame = *Form.Image->GetFrame(1);
        const QSize view = Child<TPictureView>(Form, "imgVideo")->ShownSize();
        EXPECT_EQ(shown, DecodeFrameImage(frame, Form.Pictures().Reduction(frame, view)));
    }
}

// A file read again after it changed is other bytes: what was made from
// the bytes read first stays untaken, and the file's own frames are shown.
TEST_F(FragmentAheadTest, OtherBytesAreReadAndDecodedAsEver)
{
    const TDisplayDepth depth(32);
    const TSharedBytes first = FragmentBytesOf(96, 72);
    ProgramFragmentAhead().Prepare(first);
    const QString path = WriteFragmentFile(QStringLiteral("changed.mjpg"), Frames(4));
    ASSERT_TRUE(Form.LoadFile(path));
    EXPECT_EQ(Form.Image->FrameCount(), 4);
    EXPECT_EQ(ShownFrame(), 0);
    EXPECT_TRUE(ProgramFragmentAhead().Take(first).Image);
}
