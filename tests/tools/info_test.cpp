// mjpgtool info: the JSON object and the text for a person, for fragments
// packed by the tool and for fragments written byte by byte.
#include "toolfixtures.h"
#include "core/sha256.h"
#include "toolrunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace fixture;

namespace {

// Members in the order of the text, so the key order is checked too.
using TJson = nlohmann::ordered_json;

std::vector<std::string> KeysOf(const TJson& object)
{
    std::vector<std::string> keys;
    for (const auto& member : object.items())
        keys.push_back(member.key());
    return keys;
}

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
    EXPECT_NO_THROW(json = TJson::parse(r.Out)) << r.Out;
    EXPECT_EQ(KeysOf(json), kTopKeys);
    return {r.Status, json};
}

} // namespace

TEST(MjpgtoolInfo, JsonOfAPackedFragmentHoldsEveryValueAndEveryDigest)
{
    TScratchFolder dir;
    // The first picture sets the fragment's size; the others differ on purpose.
    const std::vector<std::string> jpegs = {MakeFrame({.Index = 1, .Width = 64, .Height = 48}), MakeFrame({.Index = 2, .Width = 32, .Height = 16}), MakeFrame({.Index = 3, .Width = 40, .Height = 40})};
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
    EXPECT_TRUE(json.at("valid").get<bool>());
    EXPECT_EQ(json.at("signature").get<std::string>(), "MJPG");
    EXPECT_EQ(json.at("version_major").get<int64_t>(), 1);
    EXPECT_EQ(json.at("version_minor").get<int64_t>(), 0);
    EXPECT_EQ(json.at("camera").get<std::string>(), "Камера \"Вход\" №2");
    EXPECT_EQ(json.at("event").get<std::string>(), "05.03.2007 14:02:09");
    EXPECT_EQ(json.at("begin").get<std::string>(), "05.03.2007 14:02:00");
    EXPECT_EQ(json.at("end").get<std::string>(), "05.03.2007 14:02:20");
    EXPECT_EQ(json.at("width").get<int64_t>(), 64);
    EXPECT_EQ(json.at("height").get<int64_t>(), 48);
    EXPECT_EQ(json.at("fps").get<int64_t>(), 12);
    EXPECT_EQ(json.at("frames").get<int64_t>(), 3);
    EXPECT_EQ(json.at("pre_alarm").is_boolean(), true);
    EXPECT_TRUE(json.at("pre_alarm").get<bool>());
    EXPECT_EQ(json.at("boundary").get<std::string>(), "xyzzy");
    EXPECT_EQ(json.at("frame_count").get<int64_t>(), 3);
    const TJson& frames = json.at("frame_list");
    ASSERT_EQ(frames.size(), jpegs.size());
    for (size_t i = 0; i < jpegs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(KeysOf(frames.at(i)), (std::vector<std::string>{"content_type", "content_length", "sha256"}));
        EXPECT_EQ(frames.at(i).at("content_type").get<std::string>(), "image/jpeg");
        EXPECT_EQ(frames.at(i).at("content_length").get<int64_t>(), static_cast<int64_t>(jpegs[i].size()));
        EXPECT_EQ(frames.at(i).at("sha256").get<std::string>(), Sha256Hex(jpegs[i]));
    }
}

TEST(MjpgtoolInfo, JsonListsFramesWithoutDataAsTheyWereRead)
{
    TScratchFolder dir;
    const std::string jpeg = MakeFrame({.Index = 4, .Width = 16, .Height = 16});
    THeaderLines header = PackDefaults();
    header.Boundary = "b";
    header.Frames = 7; // declared, not counted
    // A picture, a part of length 0, then a part cut short by the end of the file.
    const std::string truncated = "b\r\nContent-Type: image/jpeg\r\nContent-Length: 500\r\n\r\n" + jpeg.substr(0, 100);
    WriteFileBytes(dir / "f.mjpg", header.Text() + PartText(jpeg, "b", "image/jpeg") +
                                       PartText("", "b", "image/png") + truncated);

    const auto [status, json] = InfoJson(dir / "f.mjpg");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(json.at("frames").get<int64_t>(), 7);
    EXPECT_EQ(json.at("frame_count").get<int64_t>(), 3);
    const TJson& frames = json.at("frame_list");
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames.at(0).at("content_length").get<int64_t>(), static_cast<int64_t>(jpeg.size()));
    EXPECT_EQ(frames.at(0).at("sha256").get<std::string>(), Sha256Hex(jpeg));
    EXPECT_EQ(frames.at(1).at("content_type").get<std::string>(), "image/png");
    EXPECT_EQ(frames.at(1).at("content_length").get<int64_t>(), 0);
    EXPECT_EQ(frames.at(1).at("sha256").get<std::string>(), kEmptySha256);
    EXPECT_EQ(frames.at(2).at("content_type").get<std::string>(), ""); // a part that failed is emptied
    EXPECT_EQ(frames.at(2).at("content_length").get<int64_t>(), 0);
    EXPECT_EQ(frames.at(2).at("sha256").get<std::string>(), kEmptySha256);
}

TEST(MjpgtoolInfo, JsonEscapesAndConvertsEveryTextTakenFromTheFile)
{
    TScratchFolder dir;
    THeaderLines header = PackDefaults();
    // Code page 1251 bytes with a quote, a backslash, control characters and
    // 0x98, the one byte without a character.
    header.Camera = "\xCA\xE0\xEC\"\xE5\xF0\xE0\\ 1\x01\x1F\x7F" "x";
    header.Boundary = "\xE3\xF0\xE0\xED\xE8\xF6\xE0\\\"";
    WriteFileBytes(dir / "f.mjpg",
                   header.Text() + PartText(MakeFrame({.Index = 0, .Width = 8, .Height = 8}), "x", "image/\"jpeg\"\x98\x02\xB9"));

    const TToolResult r = RunTool({"info", "--json", dir / "f.mjpg"});
    EXPECT_EQ(r.Status, 0);
    // Control characters as \u00XX, never raw.
    EXPECT_NE(r.Out.find("\\u0001\\u001f"), std::string::npos) << r.Out;
    const TJson json = TJson::parse(r.Out);
    EXPECT_EQ(json.at("camera").get<std::string>(), "Кам\"ера\\ 1\x01\x1F\x7Fx");
    EXPECT_EQ(json.at("boundary").get<std::string>(), "граница\\\"");
    EXPECT_EQ(json.at("frame_list").at(0).at("content_type").get<std::string>(), "image/\"jpeg\"\xEF\xBF\xBD\x02№");
}

TEST(MjpgtoolInfo, InvalidFragmentStillGivesItsJsonAndStatusOne)
{
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::string Signature; // UTF-8 as the JSON should carry it
    };
    THeaderLines good = PackDefaults();
    std::string badEvent = good.Text();
    badEvent.replace(badEvent.find("30.12.1899 00:00:00"), 19, "31.02.2007 10:00:00");
    const TCase cases[] = {
        {"lower-case signature",
         "mjpg/1.0 Multipart JPEG stream\r\n\r\n" + PartText("abc", "mjpgboundary", "image/jpeg"), "mjpg"},
        {"empty file", "", ""},
        {"date that does not exist clears the header", badEvent + PartText("abc", "mjpgboundary", "image/jpeg"), ""},
        {"signature bytes outside ASCII", "\xCF\xF0\x01MJPG/1.0\r\n\r\n", "П\xD1\x80\x01MJPG"},
    };
    TScratchFolder dir;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFileBytes(dir / "f.mjpg", c.Bytes);
        const auto [status, json] = InfoJson(dir / "f.mjpg");
        EXPECT_EQ(status, 1);
        EXPECT_EQ(json.at("valid").is_boolean(), true);
        EXPECT_FALSE(json.at("valid").get<bool>());
        EXPECT_EQ(json.at("signature").get<std::string>(), c.Signature);
        EXPECT_EQ(json.at("frame_count").get<int64_t>(), 0);
        EXPECT_TRUE(json.at("frame_list").empty());
    }
}

TEST(MjpgtoolInfo, TextShowsTheHeaderAndOneLinePerFrame)
{
    TScratchFolder dir;
    THeaderLines header = PackDefaults();
    header.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 7"; // "Камера 7"
    header.Width = 704;
    header.Height = 576;
    header.Event = "05.03.2007 14:02:09";
    const std::string jpeg = MakeFrame({.Index = 2, .Width = 8, .Height = 8});
    WriteFileBytes(dir / "f.mjpg", header.Text() + PartText(jpeg, "mjpgboundary", "image/jpeg") +
                                       PartText("", "mjpgboundary", "image/jpeg"));

    const TToolResult r = RunTool({"info", dir / "f.mjpg"});
    EXPECT_EQ(r.Status, 0);
    for (const std::string& expected :
         {std::string("Камера 7"), std::string("05.03.2007 14:02:09"), std::string("704 × 576"),
          std::to_string(jpeg.size()) + "  image/jpeg", std::string("(нет данных)")})
        EXPECT_NE(r.Out.find(expected), std::string::npos) << expected << "\n" << r.Out;
}

// The JSON text itself, byte for byte: layout, key order, the escapes of
// quotes, backslashes and every control character, an empty list.
TEST(MjpgtoolInfo, JsonTextIsExactlyTheToolsForm)
{
    TScratchFolder dir;
    THeaderLines header = PackDefaults();
    header.Camera = "\xCA\"\\\x01\t\x1F\x7F" "b\x0C\x08" "c";
    header.Boundary = "b";
    WriteFileBytes(dir / "f.mjpg", header.Text() + PartText("abc", "b", "image/jpeg") + PartText("", "b", "x\ty"));
    WriteFileBytes(dir / "empty.mjpg", PackDefaults().Text());

    const std::string frames =
        "  \"frame_count\": 2,\n"
        "  \"frame_list\": [\n"
        "    {\n"
        "      \"content_type\": \"image/jpeg\",\n"
        "      \"content_length\": 3,\n"
        "      \"sha256\": \"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"\n"
        "    },\n"
        "    {\n"
        "      \"content_type\": \"x\\u0009y\",\n"
        "      \"content_length\": 0,\n"
        "      \"sha256\": \"" + kEmptySha256 + "\"\n"
        "    }\n"
        "  ]\n"
        "}\n";
    auto head = [](const std::string& camera, const std::string& boundary, int frames) {
        return "{\n"
               "  \"valid\": true,\n"
               "  \"signature\": \"MJPG\",\n"
               "  \"version_major\": 1,\n"
               "  \"version_minor\": 0,\n"
               "  \"camera\": \"" + camera + "\",\n"
               "  \"event\": \"30.12.1899 00:00:00\",\n"
               "  \"begin\": \"30.12.1899 00:00:00\",\n"
               "  \"end\": \"30.12.1899 00:00:00\",\n"
               "  \"width\": 0,\n"
               "  \"height\": 0,\n"
               "  \"fps\": 25,\n"
               "  \"frames\": " + std::to_string(frames) + ",\n"
               "  \"pre_alarm\": false,\n"
               "  \"boundary\": \"" + boundary + "\",\n";
    };
    EXPECT_EQ(RunTool({"info", "--json", dir / "f.mjpg"}).Out,
              head("К\\\"\\\\\\u0001\\u0009\\u001f\\u007fb\\u000c\\u0008c", "b", 0) + frames);
    EXPECT_EQ(RunTool({"info", "--json", dir / "empty.mjpg"}).Out,
              head("", "mjpgboundary", 0) + "  \"frame_count\": 0,\n  \"frame_list\": []\n}\n");
}
