// The HTTP client over TLS against the archive server on loopback, with an
// authority the test makes: what goes through, every refusal with its
// reason and nothing in the server's log, and a stop during a stalled
// transfer.
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "fixtures/files.h"
#include "http/httpclient.h"
#include "testauthority.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace {

class TlsClientTest : public ::testing::Test {
protected:
    fixture::TScratchFolder Folder;
    fixture::TScratchFolder Certificates;
    TTestAuthority Authority{Certificates.Path(), "authority", "Archive Test Authority"};
    TTestAuthority Stranger{Certificates.Path(), "stranger", "Someone Else's Authority"};
    std::string Video;

    void SetUp() override { Video = WriteSmallFragment(Folder.Path() / "1-1.mjpg", {.Frames = 20}); }

    std::vector<std::string> Serve(const TServerCertificate& certificate, std::vector<std::string> more = {})
    {
        std::vector<std::string> options = TTestAuthority::ServerOptions(certificate);
        options.insert(options.end(), more.begin(), more.end());
        return options;
    }

    static std::string Https(const TDemoServerProcess& server, const std::string& pathAndQuery,
                             const std::string& host = "127.0.0.1")
    {
        return "https://" + host + ":" + std::to_string(server.Port()) + "/" + pathAndQuery;
    }
};

} // namespace

TEST_F(TlsClientTest, AGetOverTlsSendsTheSameRequestAndGetsTheBodyWhole)
{
    TDemoServerProcess server(Folder.Path(), Serve(Authority.Issue("server", {"127.0.0.1", "localhost"})));
    for (const char* host : {"127.0.0.1", "localhost"}) {
        THttpClient client;
        client.CaFile = Authority.CertFile().string();
        TMemoryStream body;
        client.Get(Https(server, "video?sn=1&issue=1", host), body);
        EXPECT_EQ(client.StatusCode(), 200);
        std::string bytes(static_cast<size_t>(body.Size()), '\0');
        body.SetPosition(0);
        body.Read(bytes.data(), body.Size());
        EXPECT_TRUE(bytes == Video) << host;
        ASSERT_FALSE(server.Requests().empty());
        EXPECT_EQ(server.Requests().back().Line, "GET /video?sn=1&issue=1 HTTP/1.0");
        EXPECT_EQ(server.Requests().back().Authorization, "Basic Og==");
    }
}

TEST_F(TlsClientTest, EveryRefusedConnectionSaysWhyAndSendsNothing)
{
    const fixture::TScratchFolder scratch;
    fixture::WriteFileBytes(scratch / "notpem.crt", "no certificate here\n");
    const struct {
        const char* What;
        std::optional<TServerCertificate> Certificate; // none: a plain server
        std::string CaFile;
        TTlsProblem Problem;
    } cases[] = {
        {"an unknown authority", Stranger.Issue("stranger-server", {"127.0.0.1"}), Authority.CertFile().string(),
         TTlsProblem::UnknownAuthority},
        {"the system's authorities alone", Authority.Issue("server", {"127.0.0.1"}), "",
         TTlsProblem::UnknownAuthority},
        {"another name", Authority.Issue("other-name", {"archive.example", "10.1.2.3"}),
         Authority.CertFile().string(), TTlsProblem::WrongName},
        {"an expired certificate", Authority.Issue("expired", {"127.0.0.1"}, -30, -1), Authority.CertFile().string(),
         TTlsProblem::Expired},
        {"a certificate not valid yet", Authority.Issue("future", {"127.0.0.1"}, 2, 30),
         Authority.CertFile().string(), TTlsProblem::Expired},
        {"TLS to a plain port", std::nullopt, Authority.CertFile().string(), TTlsProblem::Handshake},
        {"an authority file that is not there", Authority.Issue("server", {"127.0.0.1"}), scratch / "none.crt",
         TTlsProblem::AuthorityFile},
        {"an authority file without a certificate", Authority.Issue("server", {"127.0.0.1"}), scratch / "notpem.crt",
         TTlsProblem::AuthorityFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TDemoServerProcess server(Folder.Path(), c.Certificate ? Serve(*c.Certificate) : std::vector<std::string>{});
        THttpClient client;
        client.CaFile = c.CaFile;
        TMemoryStream body;
        try {
            client.Get(Https(server, "list"), body);
            ADD_FAILURE() << "the GET went through";
        } catch (const ETlsError& e) {
            EXPECT_EQ(static_cast<int>(e.Problem), static_cast<int>(c.Problem)) << e.what();
        }
        EXPECT_EQ(client.StatusCode(), -1);
        EXPECT_EQ(body.Size(), 0);
        EXPECT_TRUE(server.Requests().empty());
    }
}

TEST_F(TlsClientTest, PlainHttpToATlsPortFailsWithoutARequest)
{
    TDemoServerProcess server(Folder.Path(), Serve(Authority.Issue("server", {"127.0.0.1"})));
    THttpClient client;
    client.CaFile = Authority.CertFile().string(); // not used: the address is plain
    TMemoryStream body;
    try {
        client.Get("http://" + server.HostPort() + "/list", body);
        ADD_FAILURE() << "the GET went through";
    } catch (const ETlsError& e) {
        ADD_FAILURE() << "a plain request failed as TLS: " << e.what();
    } catch (const EHttpError&) {
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(TlsClientTest, AbortEndsAStalledTransferOverTls)
{
    TDemoServerProcess server(Folder.Path(), Serve(Authority.Issue("server", {"127.0.0.1"}), {"--stall"}));
    THttpClient client;
    client.CaFile = Authority.CertFile().string();
    TMemoryStream body;
    std::thread stopper([&] {
        // Once the request is in, headers have come and nothing more will.
        server.WaitForRequests(1);
        client.Abort();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Get(Https(server, "video?sn=1&issue=1"), body), EHttpError);
    const auto took = std::chrono::steady_clock::now() - start;
    stopper.join();
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_LT(took, std::chrono::seconds(15)); // not the server's ten minutes
    EXPECT_TRUE(client.Aborted());
}

TEST_F(TlsClientTest, TheServerRefusesToStartWithACertificateItCannotUse)
{
    const fixture::TScratchFolder scratch;
    fixture::WriteFileBytes(scratch / "notpem.crt", "no certificate here\n");
    const TServerCertificate good = Authority.Issue("server", {"127.0.0.1"});
    const TServerCertificate other = Authority.Issue("other", {"127.0.0.1"});
    const std::vector<std::vector<std::string>> cases = {
        {"--tls-cert", scratch / "notpem.crt", "--tls-key", good.Key.string()},
        {"--tls-cert", good.Cert.string(), "--tls-key", other.Key.string()}, // a key of another certificate
        {"--tls-cert", good.Cert.string()},                                  // no key
    };
    for (const auto& options : cases)
        EXPECT_THROW(TDemoServerProcess(Folder.Path(), options), std::runtime_error) << options[1];
    EXPECT_NO_THROW(TDemoServerProcess(Folder.Path(), TTestAuthority::ServerOptions(good)));
}
