// mjpgtool info: the JSON object and the text for a person, for fragments
// packed by the tool and for fragments written byte by byte.
#include "jsonparse.h"
#include "toolfixtures.h"
#include "toolrunner.h"

#include <gtest/gtest.h>

namespace {

const std::string kEmptySha256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

const std::vector<std::string> kTopKeys = {
    "valid", "signature", "version_major", "version_minor", "camera", "event", "begin", "end",
    "width", "height",    "fps",           "frames",        "pre_alarm", "boundary", "frame_count", "frame_list",
};

// info --json on the file: the status and the parsed object (the whole
// output must be that one object).
std::pair<int, TJson> InfoJson(const std::string& path)
{
    const TToolResult r = RunTool({"info", "--json", path});
    TJson json;
    EXPECT_NO_THROW(json = ParseJson(r.Out)) << r.Out;
    EXPECT_EQ(json.Keys(), kTopKeys);
    return {r.Status, json};
}

} // namespace

TEST(MjpgtoolInfo, JsonOfAPackedFragmentHoldsEveryValueAndEveryDigest)
{
    TTempDir dir;
    // The first picture sets the fragment's size; the others differ on purpose.
    const std::vector<std::string> jpegs = {MakeJpeg(64, 48, 1), MakeJpeg(32, 16, 2), MakeJpeg(40, 40, 3)};
    std::vector<std::string> args = {"pack",    "--camera", "Камера \"Вход\" №2", "--event", "05.03.2007 14:02:09",
                                     "--begin", "05.03.2007 14:02:00", "--end", "05.03.2007 14:02:20",
                                     "--fps",   "12",       "--pre",     "--boundary", "xyzzy",
                                     dir / "f.mjpg"};
    for (size_t i = 0; i < jpegs.size(); ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        WriteFileBytes(path, jpegs[i]);
        args.push_back(path);
    }
    ASSERT_EQ(RunTool(args).Status, 0);

    const auto [status, json] = InfoJson(dir / "f.mjpg");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(json["valid"].BoolValue);
    EXPECT_EQ(json["signature"].StringValue, "MJPG");
    EXPECT_EQ(json["version_major"].IntValue, 1);
    EXPECT_EQ(json["version_minor"].IntValue, 0);
    EXPECT_EQ(json["camera"].StringValue, "Камера \"Вход\" №2");
    EXPECT_EQ(json["event"].StringValue, "05.03.2007 14:02:09");
    EXPECT_EQ(json["begin"].StringValue, "05.03.2007 14:02:00");
    EXPECT_EQ(json["end"].StringValue, "05.03.2007 14:02:20");
    EXPECT_EQ(json["width"].IntValue, 64);
    EXPECT_EQ(json["height"].IntValue, 48);
    EXPECT_EQ(json["fps"].IntValue, 12);
    EXPECT_EQ(json["frames"].IntValue, 3);
    EXPECT_EQ(json["pre_alarm"].Kind, TJson::Bool);
    EXPECT_TRUE(json["pre_alarm"].BoolValue);
    EXPECT_EQ(json["boundary"].StringValue, "xyzzy");
    EXPECT_EQ(json["frame_count"].IntValue, 3);
    const TJson& frames = json["frame_list"];
    ASSERT_EQ(frames.Items.size(), jpegs.size());
    for (size_t i = 0; i < jpegs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].Keys(), (std::vector<std::string>{"content_type", "content_length", "sha256"}));
        EXPECT_EQ(frames[i]["content_type"].StringValue, "image/jpeg");
        EXPECT_EQ(frames[i]["content_length"].IntValue, static_cast<int64_t>(jpegs[i].size()));
        EXPECT_EQ(frames[i]["sha256"].StringValue, Sha256Of(jpegs[i]));
    }
}

TEST(MjpgtoolInfo, JsonListsFramesWithoutDataAsTheyWereRead)
{
    TTempDir dir;
    const std::string jpeg = MakeJpeg(16, 16, 4);
    THeaderText header;
    header.Boundary = "b";
    header.Frames = 7; // declared, not counted
    // A picture, a part of length 0, then a part cut short by the end of the file.
    const std::string truncated = "b\r\nContent-Type: image/jpeg\r\nContent-Length: 500\r\n\r\n" + jpeg.substr(0, 100);
    WriteFileBytes(dir / "f.mjpg", header.Text() + PartText("b", "image/jpeg", jpeg) +
                                       PartText("b", "image/png", "") + truncated);

    const auto [status, json] = InfoJson(dir / "f.mjpg");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(json["frames"].IntValue, 7);
    EXPECT_EQ(json["frame_count"].IntValue, 3);
    const TJson& frames = json["frame_list"];
    ASSERT_EQ(frames.Items.size(), 3u);
    EXPECT_EQ(frames[0]["content_length"].IntValue, static_cast<int64_t>(jpeg.size()));
    EXPECT_EQ(frames[0]["sha256"].StringValue, Sha256Of(jpeg));
    EXPECT_EQ(frames[1]["content_type"].StringValue, "image/png");
    EXPECT_EQ(frames[1]["content_length"].IntValue, 0);
    EXPECT_EQ(frames[1]["sha256"].StringValue, kEmptySha256);
    EXPECT_EQ(frames[2]["content_type"].StringValue, ""); // a part that failed is emptied
    EXPECT_EQ(frames[2]["content_length"].IntValue, 0);
    EXPECT_EQ(frames[2]["sha256"].StringValue, kEmptySha256);
}

TEST(MjpgtoolInfo, JsonEscapesAndConvertsEveryTextTakenFromTheFile)
{
    TTempDir dir;
    THeaderText header;
    // Code page 1251 bytes with a quote, a backslash, control characters and
    // 0x98, the one byte without a character.
    header.Camera = "\xCA\xE0\xEC\"\xE5\xF0\xE0\\ 1\x01\x1F\x7F" "x";
    header.Boundary = "\xE3\xF0\xE0\xED\xE8\xF6\xE0\\\"";
    WriteFileBytes(dir / "f.mjpg",
                   header.Text() + PartText("x", "image/\"jpeg\"\x98\x02\xB9", MakeJpeg(8, 8, 0)));

    const TToolResult r = RunTool({"info", "--json", dir / "f.mjpg"});
    EXPECT_EQ(r.Status, 0);
    // Control characters as \u00XX, never raw.
    EXPECT_NE(r.Out.find("\\u0001\\u001f"), std::string::npos) << r.Out;
    const TJson json = ParseJson(r.Out);
    EXPECT_EQ(json["camera"].StringValue, "Кам\"ера\\ 1\x01\x1F\x7Fx");
    EXPECT_EQ(json["boundary"].StringValue, "граница\\\"");
    EXPECT_EQ(json["frame_list"][0]["content_type"].StringValue, "image/\"jpeg\"\xEF\xBF\xBD\x02№");
}

TEST(MjpgtoolInfo, InvalidFragmentStillGivesItsJsonAndStatusOne)
{
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::string Signature; // UTF-8 as the JSON should carry it
    };
    THeaderText good;
    std::string badEvent = good.Text();
    badEvent.replace(badEvent.find("30.12.1899 00:00:00"), 19, "31.02.2007 10:00:00");
    const TCase cases[] = {
        {"lower-case signature",
         "mjpg/1.0 Multipart JPEG stream\r\n\r\n" + PartText("mjpgboundary", "image/jpeg", "abc"), "mjpg"},
        {"empty file", "", ""},
        {"date that does not exist clears the header", badEvent + PartText("mjpgboundary", "image/jpeg", "abc"), ""},
        {"signature bytes outside ASCII", "\xCF\xF0\x01MJPG/1.0\r\n\r\n", "П\xD1\x80\x01MJPG"},
    };
    TTempDir dir;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFileBytes(dir / "f.mjpg", c.Bytes);
        const auto [status, json] = InfoJson(dir / "f.mjpg");
        EXPECT_EQ(status, 1);
        EXPECT_EQ(json["valid"].Kind, TJson::Bool);
        EXPECT_FALSE(json["valid"].BoolValue);
        EXPECT_EQ(json["signature"].StringValue, c.Signature);
        EXPECT_EQ(json["frame_count"].IntValue, 0);
        EXPECT_TRUE(json["frame_list"].Items.empty());
    }
}

TEST(MjpgtoolInfo, TextShowsTheHeaderAndOneLinePerFrame)
{
    TTempDir dir;
    THeaderText header;
    header.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 7"; // "Камера 7"
    header.Width = 704;
    header.Height = 576;
    header.Event = "05.03.2007 14:02:09";
    const std::string jpeg = MakeJpeg(8, 8, 2);
    WriteFileBytes(dir / "f.mjpg", header.Text() + PartText("mjpgboundary", "image/jpeg", jpeg) +
                                       PartText("mjpgboundary", "image/jpeg", ""));

    const TToolResult r = RunTool({"info", dir / "f.mjpg"});
    EXPECT_EQ(r.Status, 0);
    for (const std::string& expected :
         {std::string("Камера 7"), std::string("05.03.2007 14:02:09"), std::string("704 × 576"),
          std::to_string(jpeg.size()) + "  image/jpeg", std::string("(нет данных)")})
        EXPECT_NE(r.Out.find(expected), std::string::npos) << expected << "\n" << r.Out;
}
