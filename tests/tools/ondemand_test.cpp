// The libraries the programs open on first use: libavformat and its codecs
// with the export module, opened by the first command that exports or
// checks an export; libcurl and the thirty libraries it brings, opened by the
// first request to a server. The dynamic loader's own account of the files
// it opened tells which runs load which.
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "fixtures/files.h"
#include "toolrunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(LibrariesOnFirstUse, OnlyTheRunsThatNeedThemLoadThem)
{
    const fixture::TScratchFolder dir;
    const fixture::TScratchFolder out;
    WriteSmallFragment(dir.Path() / "12-3.mjpg");
    const std::string in = dir / "12-3.mjpg";
    TDemoServerProcess server(dir.Path());
    struct TCase {
        std::vector<std::string> Args;
        bool Export;
        bool Curl;
        std::string Program = {}; // the player, shown until its first picture is painted when given a fragment
        int Status = 0;
    };
    std::vector<TCase> cases = {
        {{"--version"}, false, false},
        {{"info", in}, false, false},
        {{"info", "--json", in}, false, false},
        {{"thumbnail", in, out / "in.png"}, false, false},
        {{"export", in, out / "out.mkv"}, true, false},
        {{"verify", out / "out.mkv"}, true, false, {}, 1}, // no manifest, no seal: nothing to check
        {{"archive", "list", server.HostPort()}, false, true},
        {{"archive", "fetch", server.HostPort(), "12", "3", out / "fetched.mjpg"}, false, true},
    };
#ifdef MJPGPLAYER_PATH
    cases.push_back({{"--version"}, false, false, MJPGPLAYER_PATH});
    cases.push_back({{in}, false, false, MJPGPLAYER_PATH});
#endif
    for (const TCase& c : cases) {
        TToolRun run{.Environment = {{"LD_DEBUG", "files"}}, .Program = c.Program};
        const bool window = !c.Program.empty() && c.Args[0] != "--version";
        if (window) {
            run.Environment["QT_QPA_PLATFORM"] = "offscreen";
            run.Environment["MJPG_REPORT_FIRST_PAINT"] = "1";
            run.EndWhenErrHas = "first picture painted";
        }
        const TToolResult r = RunTool(c.Args, run);
        const std::string what = (c.Program.empty() ? "mjpgtool " : c.Program + " ") + c.Args[0] +
                                 (c.Args.size() > 1 ? " " + c.Args[1] : std::string());
        ASSERT_NE(r.Err.find("file="), std::string::npos) << what << ": no account of the files opened";
        if (window)
            EXPECT_NE(r.Err.find("first picture painted"), std::string::npos) << what << ": no picture painted";
        else
            EXPECT_EQ(r.Status, c.Status) << what;
        EXPECT_EQ(r.Err.find("mjpgexport.so") != std::string::npos, c.Export) << what;
        EXPECT_EQ(r.Err.find("libavformat") != std::string::npos, c.Export) << what;
        EXPECT_EQ(r.Err.find("libcurl") != std::string::npos, c.Curl) << what;
    }
}
