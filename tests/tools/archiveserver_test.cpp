// mjpg-archive-demo-server's command line: its usage errors, in Russian, with status 2
// and the help after them.
#include "toolrunner.h"

#include "fixtures/files.h"

#include <gtest/gtest.h>

using namespace fixture;

TEST(ArchiveServerCommandLine, EachWrongCommandLineSaysWhatIsWrong)
{
    const TScratchFolder dir;
    WriteFileBytes(dir / "file", "plain");
    const std::string folder = dir.Path().string();
    const std::string help = "Использование: mjpg-archive-demo-server [параметры] ПАПКА\n";
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } rows[] = {
        {{}, "mjpg-archive-demo-server: не указана папка\n"},
        {{folder, folder}, "mjpg-archive-demo-server: можно указать только одну папку\n"},
        {{"--port", "65536", folder}, "mjpg-archive-demo-server: неверный порт \"65536\" в параметре --port (нужно целое число от 0 до 65535)\n"},
        {{"--port", "http", folder}, "mjpg-archive-demo-server: неверный порт \"http\" в параметре --port (нужно целое число от 0 до 65535)\n"},
        {{"--status", "99", folder}, "mjpg-archive-demo-server: неверный код ответа \"99\" в параметре --status (нужно целое число от 100 до 999)\n"},
        {{"--bogus", folder}, "mjpg-archive-demo-server: неизвестный параметр \"--bogus\"\n"},
        {{folder, "--log"}, "mjpg-archive-demo-server: для параметра \"--log\" не указано значение\n"},
        {{"--stall=1", folder}, "mjpg-archive-demo-server: параметр \"--stall\" не принимает значения\n"},
        {{"--only", "all", folder}, "mjpg-archive-demo-server: значение параметра \"--only\" должно быть list или video: \"all\"\n"},
        {{"--tls-cert", "c.pem", folder}, "mjpg-archive-demo-server: параметры --tls-cert и --tls-key задаются вместе\n"},
        {{folder + "/file"}, "mjpg-archive-demo-server: не папка: " + folder + "/file\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Message);
        const TToolResult r = RunTool(row.Args, TToolRun{.Program = ARCHIVE_SERVER_PATH});
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err.substr(0, row.Message.size()), row.Message);
        EXPECT_EQ(r.Err.substr(row.Message.size(), help.size()), help);
    }
    // -h, as --help: the help on standard output.
    const TToolResult r = RunTool({"-h"}, TToolRun{.Program = ARCHIVE_SERVER_PATH});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out.substr(0, help.size()), help);
    EXPECT_NE(r.Out.find("Для тестов:\n  --delay MS"), std::string::npos) << r.Out;
}

TEST(ArchiveServerCommandLine, ALogThatCannotBeWrittenEndsWithStatus3InRussian)
{
    const TScratchFolder dir;
    const std::string log = dir / "no/log";
    const TToolResult r = RunTool({"--log", log, dir.Path().string()}, TToolRun{.Program = ARCHIVE_SERVER_PATH});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err.rfind("mjpg-archive-demo-server: не удаётся писать журнал " + log + ": ", 0), 0u) << r.Err;
}
