// mjpgtool archive end to end against the archive server on loopback: the
// requests it sends, its output, every result's message and exit status,
// credentials, and Ctrl+C in the middle of a transfer.
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "fixtures/files.h"
#include "fixtures/loopback.h"
#include "http/base64.h"
#include "toolrunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>

namespace {

class ArchiveTool : public ::testing::Test {
protected:
    fixture::TScratchFolder Folder;
    fixture::TScratchFolder Out;
    std::string Video12_3;

    void SetUp() override
    {
        Video12_3 = WriteSmallFragment(Folder.Path() / "12-3.mjpg");
        WriteSmallFragment(Folder.Path() / "7-2.mjpg", {.Frames = 2,
                                                        .Camera = "Gate|1",
                                                        .Event = EncodeDateTime(2007, 11, 15, 10, 0, 0),
                                                        .PreAlarm = false});
    }
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

} // namespace

TEST_F(ArchiveTool, ListSendsTheWorkersRequestsAndPrintsOneLinePerFragment)
{
    TDemoServerProcess server(Folder.Path());
    const struct {
        std::vector<std::string> Options;
        const char* RequestLine;
        size_t Fragments;
    } cases[] = {
        {{}, "GET /list HTTP/1.0", 2},
        {{"--end", "15.11.2007 09:50:00"}, "GET /list?end=20071115095000 HTTP/1.0", 1},
        {{"--begin", "01.01.2007 00:00:00", "--end", "15.11.2007 9:50"},
         "GET /list?begin=20070101000000&end=20071115095000 HTTP/1.0", 1},
        {{"--sn", "7"}, "GET /list?sn=7 HTTP/1.0", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"archive", "list", server.HostPort()};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const TToolResult r = RunTool(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(Lines(r.Out).size(), c.Fragments) << r.Out;
        ASSERT_FALSE(server.Requests().empty());
        EXPECT_EQ(server.Requests().back().Line, c.RequestLine);
        EXPECT_EQ(server.Requests().back().Authorization, "Basic Og==");
    }
    const std::vector<std::string> lines = Lines(RunTool({"archive", "list", server.HostPort()}).Out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "12\t3\t15.11.2007 09:48:12\tВход\t15.11.2007 09:47:42\t15.11.2007 09:48:42\t32x24\t5\t3\tpre");
    EXPECT_EQ(lines[1], "7\t2\t15.11.2007 10:00:00\tGate 1\t15.11.2007 09:59:30\t15.11.2007 10:00:30\t32x24\t5\t2\tpost");
}

TEST_F(ArchiveTool, ListAsJsonHoldsEveryFragmentField)
{
    TDemoServerProcess server(Folder.Path());
    const TToolResult r = RunTool({"archive", "list", server.HostPort(), "--json"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const nlohmann::json list = nlohmann::json::parse(r.Out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], nlohmann::json::parse(R"({
        "serial_number": 12, "issue": 3, "event": "15.11.2007 09:48:12", "camera": "Вход",
        "width": 32, "height": 24, "fps": 5, "frames": 3,
        "begin": "15.11.2007 09:47:42", "end": "15.11.2007 09:48:42", "pre_alarm": true})"));
    EXPECT_EQ(list[1]["serial_number"], 7);
    EXPECT_EQ(list[1]["pre_alarm"], false);
}

TEST_F(ArchiveTool, AFetchWhoseFileFailsToCloseFailsAndLeavesNoFile)
{
    TDemoServerProcess server(Folder.Path());
    const std::string path = Out / "fragment.mjpg";
    const TToolResult r = RunTool({"archive", "fetch", server.HostPort(), "12", "3", path}, FailingCloseOf(path));
    EXPECT_EQ(r.Status, 3) << r.Err;
    EXPECT_NE(r.Err.find(path), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out.find("Сохранено"), std::string::npos) << r.Out;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ArchiveTool, FetchSavesTheVideoByteForByteAndCountsItsFrames)
{
    TDemoServerProcess server(Folder.Path());
    const std::string path = Out / "fragment.mjpg";
    const TToolResult r = RunTool({"archive", "fetch", server.HostPort(), "12", "3", path});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(fixture::ReadFileBytes(path) == Video12_3);
    EXPECT_NE(r.Out.find("кадров: 3"), std::string::npos) << r.Out;
    EXPECT_EQ(server.Requests().back().Line, "GET /video?sn=12&issue=3 HTTP/1.0");
}

TEST_F(ArchiveTool, EveryResultHasItsMessageAndExitStatus)
{
    const struct {
        std::vector<std::string> ServerOptions;
        int32_t SerialNumber;
        int Status;
        const char* Message;
    } cases[] = {
        {{}, 99, 12, "Ничего не найдено по запросу."},
        {{"--status", "400"}, 12, 10, "Неверный синтаксис запроса или некорректные значения параметров."},
        {{"--user", "operator"}, 12, 11, "Требуется аутентификация пользователя или указаны неверные имя пользователя/пароль."},
        {{"--status", "408"}, 12, 13, "Таймаут при выполнении запроса."},
        {{"--status", "500"}, 12, 14, "Серверу не удалось выполнить запрос."},
        {{"--status", "203"}, 12, 15, "Сервер недоступен."},
        {{"--cut-body", "100"}, 12, 16, "запрос не выполнен"},
    };
    for (const auto& c : cases) {
        TDemoServerProcess server(Folder.Path(), c.ServerOptions);
        const std::string path = Out / "fragment.mjpg";
        const TToolResult r =
            RunTool({"archive", "fetch", server.HostPort(), std::to_string(c.SerialNumber), "3", path});
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_NE(r.Err.find("Не могу загрузить видеофрагмент!\n"), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(path)) << c.Message;
    }
    const TToolResult closed =
        RunTool({"archive", "list", "127.0.0.1:" + std::to_string(fixture::FreeLoopbackPort())});
    EXPECT_EQ(closed.Status, 16);
    EXPECT_NE(closed.Err.find("Не могу загрузить список видеофрагментов!\n"), std::string::npos) << closed.Err;
}

TEST_F(ArchiveTool, CredentialsComeFromTheOptionAndTheEnvironmentOnly)
{
    TDemoServerProcess server(Folder.Path(), {"--user", "оператор"}, {{"MJPG_ARCHIVE_PASSWORD", "пароль-42"}});
    const TToolResult r = RunTool({"archive", "list", server.HostPort(), "--user", "оператор"},
                                  TToolRun{.Environment = {{"MJPG_ARCHIVE_PASSWORD", "пароль-42"}}});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 2u);
    // Sent as code page 1251 bytes, like every text of the system.
    EXPECT_EQ(server.Requests().back().Authorization,
              "Basic " + Base64Encode("\xee\xef\xe5\xf0\xe0\xf2\xee\xf0:\xef\xe0\xf0\xee\xeb\xfc-42"));

    const TToolResult wrong = RunTool({"archive", "list", server.HostPort(), "--user", "оператор"},
                                      TToolRun{.Environment = {{"MJPG_ARCHIVE_PASSWORD", "другой"}}});
    EXPECT_EQ(wrong.Status, 11);
    for (const TToolResult* result : {&r, &wrong})
        EXPECT_EQ((result->Out + result->Err).find("пароль-42"), std::string::npos);
    // There is no option for it.
    EXPECT_EQ(RunTool({"archive", "list", server.HostPort(), "--password", "x"}).Status, 2);
}

TEST_F(ArchiveTool, CredentialsOutsideCodePage1251AreRefusedBeforeAnyRequest)
{
    // Sent as "?", different passwords would become the same bytes.
    TDemoServerProcess server(Folder.Path());
    const struct {
        std::vector<std::string> Args;
        std::string Password;
        const char* Message;
    } cases[] = {
        {{"archive", "list", server.HostPort(), "--user", "ä"}, "", "Имя пользователя"},
        {{"archive", "list", server.HostPort(), "--user", "操作员"}, "пароль", "Имя пользователя"},
        {{"archive", "fetch", server.HostPort(), "12", "3", Out / "f.mjpg", "--user", "opä"}, "", "Имя пользователя"},
        {{"archive", "list", server.HostPort(), "--user", "оператор"}, "密码", "Пароль"},
        {{"archive", "list", server.HostPort()}, "ä", "Пароль"},
        {{"archive", "fetch", server.HostPort(), "12", "3", Out / "f.mjpg"}, "x\xff", "Пароль"}, // no UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.back() + " / " + c.Password);
        const TToolResult r = RunTool(c.Args, TToolRun{.Environment = {{"MJPG_ARCHIVE_PASSWORD", c.Password}}});
        EXPECT_EQ(r.Status, 2) << r.Err;
        EXPECT_NE(r.Err.find(std::string(c.Message) + " содержит символы, которых нет в кодовой странице 1251"),
                  std::string::npos)
            << r.Err;
        EXPECT_FALSE(std::filesystem::exists(Out / "f.mjpg"));
    }
    // The first request the server sees is the one made after them.
    EXPECT_EQ(RunTool({"archive", "list", server.HostPort()}).Status, 0);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Authorization, "Basic Og==");
}

TEST_F(ArchiveTool, APasswordOfAnyLengthIsSentWhole)
{
    const std::string password = "#" + std::string(199, 'A'); // longer than 127 characters
    TDemoServerProcess server(Folder.Path(), {"--user", "op"}, {{"MJPG_ARCHIVE_PASSWORD", password}});
    const TToolResult r = RunTool({"archive", "list", server.HostPort(), "--user", "op"},
                                  TToolRun{.Environment = {{"MJPG_ARCHIVE_PASSWORD", password}}});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(server.Requests().back().Authorization, "Basic " + Base64Encode("op:" + password));
}

TEST_F(ArchiveTool, CtrlCStopsAStalledFetchAndLeavesNoFile)
{
    TDemoServerProcess server(Folder.Path(), {"--stall"});
    const std::string path = Out / "fragment.mjpg";
    const auto start = std::chrono::steady_clock::now();
    const TToolResult r =
        // Ctrl+C once the tool's request is at the server: its watch is set
        // up by then.
        RunTool({"archive", "fetch", server.HostPort(), "12", "3", path},
                TToolRun{.Environment = {}, .InterruptWhen = [&] { return !server.Requests().empty(); }});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)); // not the server's minutes
    EXPECT_EQ(r.Status, 130) << r.Err;
    EXPECT_NE(r.Err.find("прервано"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ArchiveTool, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"archive"},
        {"archive", "delete", "host"},
        {"archive", "list"},
        {"archive", "list", "host:0"},
        {"archive", "list", "host:70000"},
        {"archive", "list", "host:http"},
        {"archive", "list", "host", "--begin", "yesterday"},
        {"archive", "list", "host", "--begin", "12:00:00"}, // a time alone is no interval end
        {"archive", "list", "host", "--sn", "-1"},
        {"archive", "fetch", "host", "12", "3"},
        {"archive", "fetch", "host", "x", "3", "out.mjpg"},
    };
    for (const auto& args : cases) {
        const TToolResult r = RunTool(args);
        EXPECT_EQ(r.Status, 2) << args.back() << ": " << r.Err;
    }
}
