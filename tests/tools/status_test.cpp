// mjpgtool's exit statuses: 1 for an invalid fragment or picture, 2 for a
// wrong command line, 3 for a file that cannot be read or written; and what
// each leaves behind (nothing half-written).
#include "toolfixtures.h"
#include "toolrunner.h"

#include <gtest/gtest.h>

using namespace fixture;

#include <filesystem>

namespace {

// "{d}" in an argument stands for the test's folder, which holds valid.mjpg,
// invalid.mjpg, a.jpg, b.jpg, not.jpg and a plain file named "file".
std::string Expand(std::string text, const TScratchFolder& dir)
{
    for (size_t at; (at = text.find("{d}")) != std::string::npos;)
        text.replace(at, 3, dir.Path().string());
    return text;
}

} // namespace

TEST(MjpgtoolStatus, EachFailureHasItsStatusMessageAndLeavesNoOutput)
{
    struct TCase {
        const char* Name;
        std::vector<std::string> Args;
        int Status;
        std::string ErrorNames;   // text stderr must hold ("{d}" expanded)
        std::string MustNotExist; // output the command must not leave behind
        std::string StdoutTo;     // where standard output goes (default: collected)
    };
    const char* const usage = "mjpgtool pack [";
    const TCase cases[] = {
        {"help", {"--help"}, 0, "", "", ""},
        {"no arguments", {}, 2, usage, "", ""},
        {"unknown command", {"play", "{d}/valid.mjpg"}, 2, usage, "", ""},
        {"info without a file", {"info", "--json"}, 2, usage, "", ""},
        {"info with two files", {"info", "{d}/valid.mjpg", "{d}/valid.mjpg"}, 2, usage, "", ""},
        {"unknown option", {"info", "--xml", "{d}/valid.mjpg"}, 2, "--xml", "", ""},
        {"extract without a folder", {"extract", "{d}/valid.mjpg"}, 2, usage, "", ""},
        {"rewrite without an output", {"rewrite", "{d}/valid.mjpg"}, 2, usage, "", ""},
        {"pack without pictures", {"pack", "{d}/out.mjpg"}, 2, usage, "{d}/out.mjpg", ""},
        {"pack option without its value", {"pack", "{d}/out.mjpg", "{d}/a.jpg", "--fps"}, 2, "--fps", "{d}/out.mjpg", ""},
        {"camera with LF", {"pack", "--camera", "a\nb", "{d}/out.mjpg", "{d}/a.jpg"}, 2, usage, "{d}/out.mjpg", ""},
        {"camera with CR", {"pack", "--camera", "a\rb", "{d}/out.mjpg", "{d}/a.jpg"}, 2, usage, "{d}/out.mjpg", ""},
        {"camera outside code page 1251", {"pack", "--camera", "東京", "{d}/out.mjpg", "{d}/a.jpg"}, 2, "1251", "{d}/out.mjpg", ""},
        {"date that does not exist", {"pack", "--event", "29.02.2007 10:00:00", "{d}/out.mjpg", "{d}/a.jpg"}, 2, "29.02.2007", "{d}/out.mjpg", ""},
        {"date that is no date", {"pack", "--begin", "yesterday", "{d}/out.mjpg", "{d}/a.jpg"}, 2, "yesterday", "{d}/out.mjpg", ""},
        {"fps zero", {"pack", "--fps", "0", "{d}/out.mjpg", "{d}/a.jpg"}, 2, "--fps", "{d}/out.mjpg", ""},
        {"fps with a blank after it", {"pack", "--fps", "25 ", "{d}/out.mjpg", "{d}/a.jpg"}, 2, "--fps", "{d}/out.mjpg", ""},
        {"boundary with a blank", {"pack", "--boundary", "a b", "{d}/out.mjpg", "{d}/a.jpg"}, 2, usage, "{d}/out.mjpg", ""},
        {"boundary the reader would take for a key", {"pack", "--boundary", "xFPS:1", "{d}/out.mjpg", "{d}/a.jpg"}, 2, "FPS:", "{d}/out.mjpg", ""},
        {"empty boundary", {"pack", "--boundary=", "{d}/out.mjpg", "{d}/a.jpg"}, 2, usage, "{d}/out.mjpg", ""},
        {"pack over one of its pictures", {"pack", "{d}/b.jpg", "{d}/a.jpg", "{d}/b.jpg"}, 2, "{d}/b.jpg", "", ""},
        {"info of an invalid fragment", {"info", "{d}/invalid.mjpg"}, 1, "", "", ""},
        {"extract of an invalid fragment", {"extract", "{d}/invalid.mjpg", "{d}/out"}, 1, "{d}/invalid.mjpg", "{d}/out", ""},
        {"rewrite of an invalid fragment", {"rewrite", "{d}/invalid.mjpg", "{d}/out.mjpg"}, 1, "{d}/invalid.mjpg", "{d}/out.mjpg", ""},
        {"pack of a file that is no JPEG", {"pack", "{d}/out.mjpg", "{d}/not.jpg"}, 1, "{d}/not.jpg", "{d}/out.mjpg", ""},
        {"pack of a later file that is no JPEG", {"pack", "{d}/out.mjpg", "{d}/a.jpg", "{d}/not.jpg"}, 1, "{d}/not.jpg", "{d}/out.mjpg", ""},
        {"info of a missing file", {"info", "--json", "{d}/missing.mjpg"}, 3, "{d}/missing.mjpg", "", ""},
        {"info of a folder", {"info", "{d}"}, 3, "{d}", "", ""},
        {"extract of a missing file", {"extract", "{d}/missing.mjpg", "{d}/out"}, 3, "{d}/missing.mjpg", "{d}/out", ""},
        {"extract into a plain file", {"extract", "{d}/valid.mjpg", "{d}/file"}, 3, "{d}/file", "", ""},
        {"rewrite of a missing file", {"rewrite", "{d}/missing.mjpg", "{d}/out.mjpg"}, 3, "{d}/missing.mjpg", "{d}/out.mjpg", ""},
        {"rewrite onto a full disk", {"rewrite", "{d}/valid.mjpg", "/dev/full"}, 3, "/dev/full", "", ""},
        {"rewrite into a missing folder", {"rewrite", "{d}/valid.mjpg", "{d}/no/out.mjpg"}, 3, "{d}/no/out.mjpg", "", ""},
        {"pack onto a full disk", {"pack", "/dev/full", "{d}/a.jpg"}, 3, "/dev/full", "", ""},
        {"pack of a missing picture", {"pack", "{d}/out.mjpg", "{d}/a.jpg", "{d}/missing.jpg"}, 3, "{d}/missing.jpg", "{d}/out.mjpg", ""},
        {"info printed onto a full disk", {"info", "--json", "{d}/valid.mjpg"}, 3, "", "", "/dev/full"},
    };

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScratchFolder dir;
        const std::string a = MakeFrame({.Index = 1, .Width = 16, .Height = 16});
        WriteFileBytes(dir / "a.jpg", a);
        WriteFileBytes(dir / "b.jpg", MakeFrame({.Index = 2, .Width = 16, .Height = 16}));
        WriteFileBytes(dir / "not.jpg", "GIF89a, not a JPEG picture");
        WriteFileBytes(dir / "file", "plain");
        WriteFileBytes(dir / "valid.mjpg", PackDefaults().Text() + PartText(a, "mjpgboundary", "image/jpeg"));
        WriteFileBytes(dir / "invalid.mjpg", "MJPEG/1.0 Multipart JPEG stream\r\n\r\n");

        std::vector<std::string> args;
        for (const std::string& arg : c.Args)
            args.push_back(Expand(arg, dir));
        const TToolResult r = RunTool(args, c.StdoutTo);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        if (c.Status != 0) {
            EXPECT_NE(r.Err, "");
        }
        if (c.Status == 2) {
            EXPECT_NE(r.Err.find(usage), std::string::npos) << "usage expected on stderr:\n" << r.Err;
        }
        EXPECT_NE(r.Err.find(Expand(c.ErrorNames, dir)), std::string::npos) << r.Err;
        if (!c.MustNotExist.empty()) {
            EXPECT_FALSE(std::filesystem::exists(Expand(c.MustNotExist, dir)));
        }
        // The inputs are never touched.
        EXPECT_EQ(ReadFileBytes(dir / "b.jpg"), MakeFrame({.Index = 2, .Width = 16, .Height = 16}));
    }
}

TEST(MjpgtoolStatus, AFailedCloseFailsTheWriteAndLeavesNothing)
{
    // Every byte written, then the close reports the loss: status 3 with the
    // file named, and no file that looks whole.
    const struct {
        const char* Name;
        std::vector<std::string> Args;
        std::string Failing;
    } cases[] = {
        {"rewrite", {"rewrite", "{d}/valid.mjpg", "{d}/out.mjpg"}, "{d}/out.mjpg"},
        {"pack", {"pack", "{d}/out.mjpg", "{d}/a.jpg"}, "{d}/out.mjpg"},
        {"extract", {"extract", "{d}/valid.mjpg", "{d}/out"}, "{d}/out/000000.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TScratchFolder dir;
        const std::string a = MakeFrame({.Index = 1, .Width = 16, .Height = 16});
        WriteFileBytes(dir / "a.jpg", a);
        WriteFileBytes(dir / "valid.mjpg", PackDefaults().Text() + PartText(a, "mjpgboundary", "image/jpeg"));
        std::vector<std::string> args;
        for (const std::string& arg : c.Args)
            args.push_back(Expand(arg, dir));
        const std::string failing = Expand(c.Failing, dir);
        const TToolResult r = RunTool(args, FailingCloseOf(failing));
        EXPECT_EQ(r.Status, 3) << r.Err;
        EXPECT_NE(r.Err.find(failing), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(failing));
        // Without the failure the same command writes the file.
        EXPECT_EQ(RunTool(args).Status, 0);
        EXPECT_TRUE(std::filesystem::exists(failing));
    }
}
