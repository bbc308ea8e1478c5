// mjpgtool archive over https against the archive server speaking TLS on
// loopback, with an authority the test makes: the same requests and bytes
// as over plain HTTP, every refused connection with its exit status and
// reason and nothing sent, the warning about a password over plain HTTP, and
// Ctrl+C during a stalled transfer.
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "fixtures/files.h"
#include "http/base64.h"
#include "testauthority.h"
#include "toolrunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>

namespace {

const char* const kPasswordWarning = "пароль передаётся по сети незашифрованным";

class ArchiveToolTls : public ::testing::Test {
protected:
    fixture::TScratchFolder Folder;
    fixture::TScratchFolder Out;
    fixture::TScratchFolder Certificates;
    TTestAuthority Authority{Certificates.Path(), "authority", "Archive Test Authority"};
    std::string Video12_3;

    void SetUp() override
    {
        Video12_3 = WriteSmallFragment(Folder.Path() / "12-3.mjpg");
        WriteSmallFragment(Folder.Path() / "7-2.mjpg", {.Frames = 2});
    }

    std::vector<std::string> Tls(const std::string& stem = "server", std::vector<std::string> more = {},
                                 const std::vector<std::string>& names = {"127.0.0.1"})
    {
        std::vector<std::string> options = TTestAuthority::ServerOptions(Authority.Issue(stem, names));
        options.insert(options.end(), more.begin(), more.end());
        return options;
    }

    static std::string Https(const TDemoServerProcess& server) { return "https://" + server.HostPort(); }
    std::string CaFile() const { return Authority.CertFile().string(); }
};

} // namespace

TEST_F(ArchiveToolTls, ListAndFetchOverHttpsSendTheSameRequestsAndBytes)
{
    TDemoServerProcess server(Folder.Path(), Tls("server", {"--user", "оператор"}),
                                 {{"MJPG_ARCHIVE_PASSWORD", "пароль-42"}});
    const TToolRun run{.Environment = {{"MJPG_ARCHIVE_PASSWORD", "пароль-42"}}};
    const std::string authorization =
        "Basic " + Base64Encode("\xee\xef\xe5\xf0\xe0\xf2\xee\xf0:\xef\xe0\xf0\xee\xeb\xfc-42");

    const TToolResult list = RunTool({"archive", "list", Https(server), "--user", "оператор", "--cacert", CaFile(),
                                      "--end", "15.11.2007 09:50:00"},
                                     run);
    EXPECT_EQ(list.Status, 0) << list.Err;
    EXPECT_NE(list.Out.find("12\t3\t15.11.2007 09:48:12\t"), std::string::npos) << list.Out;
    EXPECT_NE(list.Out.find("7\t2\t15.11.2007 09:48:12\t"), std::string::npos) << list.Out;
    EXPECT_EQ(list.Err, ""); // no warning: the password is encrypted
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests().back().Line, "GET /list?end=20071115095000 HTTP/1.0");
    EXPECT_EQ(server.Requests().back().Authorization, authorization);

    const std::string path = Out / "fragment.mjpg";
    const TToolResult fetch =
        RunTool({"archive", "fetch", Https(server), "12", "3", path, "--user", "оператор", "--cacert", CaFile()}, run);
    ASSERT_EQ(fetch.Status, 0) << fetch.Err;
    EXPECT_TRUE(fixture::ReadFileBytes(path) == Video12_3);
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests().back().Line, "GET /video?sn=12&issue=3 HTTP/1.0");
    EXPECT_EQ(server.Requests().back().Authorization, authorization);
}

TEST_F(ArchiveToolTls, ARefusedConnectionEndsWithItsOwnStatusAndReasonAndSendsNothing)
{
    TTestAuthority stranger(Certificates.Path(), "stranger", "Someone Else's Authority");
    const struct {
        const char* What;
        std::optional<TServerCertificate> Certificate; // none: a plain server
        std::vector<std::string> CaOption;
        const char* Reason;
    } cases[] = {
        {"unknown authority", stranger.Issue("s", {"127.0.0.1"}), {"--cacert", CaFile()},
         "Сертификат сервера выдан неизвестным центром сертификации."},
        {"without --cacert", Authority.Issue("a", {"127.0.0.1"}), {},
         "Сертификат сервера выдан неизвестным центром сертификации."},
        {"another name", Authority.Issue("n", {"archive.example"}), {"--cacert", CaFile()},
         "Сертификат сервера выдан на другое имя."},
        {"expired", Authority.Issue("e", {"127.0.0.1"}, -30, -1), {"--cacert", CaFile()},
         "Срок действия сертификата сервера истёк или ещё не начался."},
        {"TLS to a plain port", std::nullopt, {"--cacert", CaFile()},
         "Не удалось установить защищённое соединение с сервером."},
        {"an unreadable --cacert", Authority.Issue("a2", {"127.0.0.1"}), {"--cacert", Out / "missing.crt"},
         "Не удалось прочитать сертификаты центров сертификации."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TDemoServerProcess server(Folder.Path(),
                                     c.Certificate ? TTestAuthority::ServerOptions(*c.Certificate)
                                                   : std::vector<std::string>{});
        const std::string path = Out / "fragment.mjpg";
        std::vector<std::string> args = {"archive", "fetch", Https(server), "12", "3", path};
        args.insert(args.end(), c.CaOption.begin(), c.CaOption.end());
        const TToolResult fetch = RunTool(args, TToolRun{.Environment = {{"MJPG_ARCHIVE_PASSWORD", "secret"}}});
        EXPECT_EQ(fetch.Status, 18) << fetch.Err;
        EXPECT_NE(fetch.Err.find(std::string("Не могу загрузить видеофрагмент!\n") + c.Reason), std::string::npos)
            << fetch.Err;
        EXPECT_EQ(fetch.Err.find(kPasswordWarning), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(path));

        args = {"archive", "list", Https(server)};
        args.insert(args.end(), c.CaOption.begin(), c.CaOption.end());
        const TToolResult list = RunTool(args);
        EXPECT_EQ(list.Status, 18) << list.Err;
        EXPECT_NE(list.Err.find(std::string("Не могу загрузить список видеофрагментов!\n") + c.Reason),
                  std::string::npos)
            << list.Err;
        EXPECT_EQ(list.Out, "");
        EXPECT_TRUE(server.Requests().empty());
    }
}

TEST_F(ArchiveToolTls, PlainHttpToATlsPortIsAFailedRequestThatSendsNothing)
{
    TDemoServerProcess server(Folder.Path(), Tls());
    for (const std::string& address : {server.HostPort(), "http://" + server.HostPort()}) {
        const TToolResult r = RunTool({"archive", "list", address});
        EXPECT_EQ(r.Status, 16) << r.Err;
        EXPECT_NE(r.Err.find("Не могу загрузить список видеофрагментов!\n"), std::string::npos) << r.Err;
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(ArchiveToolTls, APasswordOverPlainHttpIsWarnedAboutOnce)
{
    TDemoServerProcess plain(Folder.Path(), {"--user", "op"}, {{"MJPG_ARCHIVE_PASSWORD", "secret"}});
    const TToolRun withPassword{.Environment = {{"MJPG_ARCHIVE_PASSWORD", "secret"}}};
    for (const std::string& address : {plain.HostPort(), "http://" + plain.HostPort()}) {
        const TToolResult r = RunTool({"archive", "list", address, "--user", "op"}, withPassword);
        EXPECT_EQ(r.Status, 0) << r.Err;
        const size_t at = r.Err.find(kPasswordWarning);
        ASSERT_NE(at, std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find(kPasswordWarning, at + 1), std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find("secret"), std::string::npos);
    }
    // No password, nothing to warn about.
    const TToolResult none = RunTool({"archive", "list", plain.HostPort()},
                                     TToolRun{.Environment = {{"MJPG_ARCHIVE_PASSWORD", ""}}});
    EXPECT_EQ(none.Err.find(kPasswordWarning), std::string::npos) << none.Err;
}

TEST_F(ArchiveToolTls, CtrlCStopsAStalledFetchOverTlsAndLeavesNoFile)
{
    TDemoServerProcess server(Folder.Path(), Tls("server", {"--stall"}));
    const std::string path = Out / "fragment.mjpg";
    const auto start = std::chrono::steady_clock::now();
    const TToolResult r = RunTool({"archive", "fetch", Https(server), "12", "3", path, "--cacert", CaFile()},
                                  TToolRun{.Environment = {}, .InterruptWhen = [&] { return !server.Requests().empty(); }});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)); // not the server's minutes
    EXPECT_EQ(r.Status, 130) << r.Err;
    EXPECT_NE(r.Err.find("прервано"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(server.Requests().size(), 1u); // the request was in when it stalled
}

TEST_F(ArchiveToolTls, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"archive", "list", "https://host/list"},
        {"archive", "list", "https://user@host"},
        {"archive", "list", "ftp://host"},
        {"archive", "list", "host", "--cacert", "ca.crt"}, // a plain address has no certificate to check
        {"archive", "list", "http://host", "--cacert", "ca.crt"},
        {"archive", "fetch", "host", "12", "3", "out.mjpg", "--cacert", "ca.crt"},
        {"archive", "list", "https://host", "--insecure"}, // no way to skip the check
        {"archive", "list", "https://host", "-k"},
    };
    for (const auto& args : cases) {
        const TToolResult r = RunTool(args);
        EXPECT_EQ(r.Status, 2) << args.back() << ": " << r.Err;
    }
}
