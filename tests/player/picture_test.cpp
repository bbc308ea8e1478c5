// One decode procedure for every consumer of a frame's picture: the view,
// the bitmap snapshot and the report picture come out alike, in 24-bit
// colour or, on a display of 8 bits per pixel, on a palette of 236 colours;
// four-colour (CMYK) frames among them.
#include "playerfixture.h"
#include "children.h"

#include "fixtures/fragmentbuilder.h"
#include "jpegencode.h"
#include "picture/displaypicture.h"
#include "report/reportmodel.h"
#include "report/reportpreview.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

namespace {

// A display depth for the length of a test.
struct TDisplayDepth {
    explicit TDisplayDepth(int depth) { SetDisplayDepthOverride(depth); }
    ~TDisplayDepth() { SetDisplayDepthOverride(0); }
};

std::string SceneFrame()
{
    return fixture::MakeFrame({.Index = 7, .Width = 96, .Height = 72, .Look = fixture::TFrameLook::Scene});
}

// Stripes of four inks, stored the way Adobe's programs store them.
std::string CmykFrame()
{
    const int w = 64, h = 48;
    const uint8_t inks[4][4] = {{0, 255, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 128}, {0, 0, 0, 0}};
    std::vector<uint8_t> cmyk(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                cmyk[(static_cast<size_t>(y) * w + x) * 4 + c] = uint8_t(255 - inks[x * 4 / w][c]);
    const std::vector<uint8_t> jpeg = EncodeCMYKJPEG(cmyk.data(), w, h, TCMYKStorage::AdobeCMYK);
    return std::string(jpeg.begin(), jpeg.end());
}

std::unique_ptr<TMemoryStream> FragmentOf(const std::string& jpeg)
{
    fixture::THeaderLines header;
    header.Frames = 1;
    return fixture::TFragmentBuilder(header).Part(jpeg).Stream();
}

int BitmapBitsPerPixel(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = file.read(30);
    return head.size() == 30 ? uchar(head[28]) | uchar(head[29]) << 8 : -1;
}

class FramePictureTest : public PlayerTest {
protected:
    QTemporaryDir Dir;
};

} // namespace

TEST_F(FramePictureTest, ViewSnapshotAndReportDecodeAlike)
{
    struct TRow {
        const char* Case;
        std::string Jpeg;
        int Depth;
        QImage::Format Format;
        int BitmapBits;
    } rows[] = {
        {"colour display", SceneFrame(), 32, QImage::Format_RGB32, 24},
        {"8-bit display", SceneFrame(), 8, QImage::Format_Indexed8, 8},
        {"CMYK frame, colour display", CmykFrame(), 32, QImage::Format_RGB32, 24},
        {"CMYK frame, 8-bit display", CmykFrame(), 8, QImage::Format_Indexed8, 8},
    };
    QImage reported;
    std::vector<const QCursor*> cursors;
    SetReportPreviewHook([&](TReport& report, QWidget*) {
        reported = report.FindPicture(QStringLiteral("Frame"))->Picture();
        // The report is built; the preview waits for the user with the arrow.
        cursors.push_back(QGuiApplication::overrideCursor());
    });
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Case);
        const TDisplayDepth depth(row.Depth);
        auto stream = FragmentOf(row.Jpeg);
        ASSERT_TRUE(Form.LoadStream(stream.get()));

        const QImage shown = Child<TPictureView>(Form, "imgVideo")->Picture();
        ASSERT_FALSE(shown.isNull()) << "the view shows no picture";
        EXPECT_EQ(shown.format(), row.Format);
        if (row.Format == QImage::Format_Indexed8) {
            EXPECT_LE(shown.colorCount(), 236);
        }

        const QString path = Dir.filePath(QStringLiteral("%1.bmp").arg(row.Depth));
        Dialogs.FileAnswers.push_back(path);
        Child(Form, "actSaveFrame")->trigger();
        EXPECT_EQ(BitmapBitsPerPixel(path), row.BitmapBits);
        const QImage saved(path);
        ASSERT_FALSE(saved.isNull());

        reported = QImage();
        Child(Form, "actPrintReport")->trigger();
        ASSERT_FALSE(reported.isNull()) << "the report has no picture";
        EXPECT_EQ(reported.format(), row.Format);

        // The same pixels everywhere.
        const QImage expected = shown.convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), expected);
        EXPECT_EQ(reported.convertToFormat(QImage::Format_RGB32), expected);
    }
    SetReportPreviewHook({});
    for (const QCursor* cursor : cursors)
        EXPECT_EQ(cursor, nullptr);
}
