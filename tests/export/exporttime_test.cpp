// The export's times: offsets as typed, wall-clock and UTC texts, the
// counts MP4 boxes keep, and the cues of frames with data.
#include "export/exporttime.h"

#include "container/mjpgimage.h"
#include "core/datetime.h"
#include "fixtures/fragmentbuilder.h"
#include "fixtures/framemaker.h"

#include <gtest/gtest.h>

using namespace fixture;

TEST(ExportTime, OffsetsAsTyped)
{
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"+03:00", 180}, {"-05:30", -330}, {"+00:00", 0}, {"-00:00", 0}, {"+14:00", 840}, {"-12:45", -765},
        {"+14:01", std::nullopt}, {"+15:00", std::nullopt}, {"+03:60", std::nullopt}, {"03:00", std::nullopt},
        {"+3:00", std::nullopt}, {"+03", std::nullopt}, {"+0300", std::nullopt}, {"+03:00 ", std::nullopt},
        {"", std::nullopt}, {"+a3:00", std::nullopt}, {"UTC+03:00", std::nullopt},
    };
    for (const auto& [text, minutes] : cases)
        EXPECT_EQ(ParseUtcOffset(text), minutes) << text;
    EXPECT_EQ(UtcOffsetText(180), "+03:00");
    EXPECT_EQ(UtcOffsetText(-330), "-05:30");
    EXPECT_EQ(UtcOffsetText(0), "+00:00");
}

TEST(ExportTime, WallClockAndUtc)
{
    const int64_t local = WallClockMilliseconds(EncodeDateTime(2024, 5, 15, 10, 30, 5, 40));
    EXPECT_EQ(local, 1715769005040); // 2024-05-15 10:30:05.040 read as UTC
    EXPECT_EQ(WallClockText(local), "15.05.2024 10:30:05.040");
    EXPECT_EQ(UtcMilliseconds(local, {}), std::nullopt);
    const TExportZone moscow{180, "test"};
    EXPECT_EQ(IsoUtcText(*UtcMilliseconds(local, moscow)), "2024-05-15T07:30:05.040000Z");
    // Across midnight and a year's end, both ways.
    const int64_t newYear = WallClockMilliseconds(EncodeDateTime(2024, 1, 1, 1, 0, 0));
    EXPECT_EQ(IsoUtcText(*UtcMilliseconds(newYear, moscow)), "2023-12-31T22:00:00.000000Z");
    EXPECT_EQ(IsoUtcText(*UtcMilliseconds(newYear, {-330, "test"})), "2024-01-01T06:30:00.000000Z");
    EXPECT_EQ(WallClockText(WallClockMilliseconds(EncodeDateTime(2000, 2, 29, 23, 59, 59, 999))),
              "29.02.2000 23:59:59.999");
    EXPECT_EQ(WallClockText(WallClockMilliseconds(EncodeDateTime(1899, 12, 30, 0, 0, 0))), "30.12.1899 00:00:00.000");

    // 1970-01-01 in the MP4 and FILETIME counts.
    EXPECT_EQ(Iso14496Seconds(0), 2082844800u);
    EXPECT_EQ(FileTimeUnits(0), 116444736000000000u);
    EXPECT_EQ(Iso14496Seconds(1715769005040), 2082844800u + 1715769005u);
    EXPECT_EQ(FileTimeUnits(1715769005040), 116444736000000000u + 17157690050400000u);

    EXPECT_EQ(ZoneLabel(moscow), "местное время регистратора, UTC+03:00");
    EXPECT_EQ(ZoneLabel({}), "местное время регистратора, часовой пояс не известен");
}

TEST(ExportTime, OneCuePerFrameWithDataUntilTheNextOne)
{
    THeaderLines header;
    header.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 1"; // "Камера 1" in code page 1251
    header.Begin = "15.05.2024 10:30:00";
    header.FPS = 3;
    const std::vector<bool> frames{true, true, false, false, true, false, true};
    header.Frames = static_cast<int64_t>(frames.size());
    TFragmentBuilder builder(header);
    for (const bool data : frames) {
        if (data)
            builder.Part(MakeFrame({.Index = 1}));
        else
            builder.EmptyParts(1);
    }
    const auto stream = builder.Stream();
    const TMJPGImage image(stream.get());
    ASSERT_TRUE(image.Header->IsValid());
    EXPECT_EQ(FrameCueText(*image.Header, 1), "15.05.2024 10:30:00.333 · кадр 1 · Камера 1");
    EXPECT_EQ(FrameCueText(*image.Header, 2), "15.05.2024 10:30:00.667 · кадр 2 · Камера 1");

    const std::vector<TFrameCue> cues = FrameCues(image, 1, 5);
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[0].Index, 1);
    EXPECT_EQ(cues[0].Start, 0);
    EXPECT_EQ(cues[0].Slots, 3); // frames 2 and 3 have no picture
    EXPECT_EQ(cues[0].Text, "15.05.2024 10:30:00.333 · кадр 1 · Камера 1");
    EXPECT_EQ(cues[1].Index, 4);
    EXPECT_EQ(cues[1].Start, 3);
    EXPECT_EQ(cues[1].Slots, 2); // to the end of the range
    EXPECT_EQ(cues[1].Text, "15.05.2024 10:30:01.333 · кадр 4 · Камера 1");
}
