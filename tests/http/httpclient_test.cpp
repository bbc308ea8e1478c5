// The HTTP client's own guarantees, against the archive server on loopback:
// a write that falls short, an answer too large, Abort, and the reasons of
// failed transfers.
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "core/errors.h"
#include "http/curllibrary.h"
#include "http/httpclient.h"
#include "fixtures/loopback.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <curl/curl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// A stream that stores at most `Room` bytes.
class TSmallStream : public TMemoryStream {
public:
    int64_t Room = 0;
    int64_t Write(const void* buffer, int64_t count) override
    {
        return TMemoryStream::Write(buffer, std::min(count, std::max<int64_t>(Room - Size(), 0)));
    }
};

class HttpClientTest : public ::testing::Test {
protected:
    fixture::TScratchFolder Folder;
    std::string Video;
    void SetUp() override { Video = WriteSmallFragment(Folder.Path() / "1-1.mjpg", {.Frames = 20}); }
};

} // namespace

TEST_F(HttpClientTest, AWriteThatStoresLessFailsTheGet)
{
    TDemoServerProcess server(Folder.Path());
    THttpClient client;
    TSmallStream body;
    body.Room = 1000;
    EXPECT_THROW(client.Get("http://" + server.HostPort() + "/video?sn=1&issue=1", body), EHttpError);
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_EQ(client.StatusLine(), "HTTP/1.1 200 OK");
}

TEST_F(HttpClientTest, ABodyLargerThanTheLimitFailsTheGet)
{
    TDemoServerProcess server(Folder.Path());
    THttpClient client;
    client.MaxBodySize = static_cast<int64_t>(Video.size()) - 1;
    TMemoryStream body;
    try {
        client.Get("http://" + server.HostPort() + "/video?sn=1&issue=1", body);
        ADD_FAILURE() << "the GET succeeded";
    } catch (const EHttpError& e) {
        EXPECT_NE(std::string(e.what()).find(std::to_string(Video.size() - 1)), std::string::npos) << e.what();
    }
    EXPECT_LT(body.Size(), static_cast<int64_t>(Video.size()));

    client.MaxBodySize = static_cast<int64_t>(Video.size());
    TMemoryStream whole;
    client.Get("http://" + server.HostPort() + "/video?sn=1&issue=1", whole);
    EXPECT_EQ(whole.Size(), static_cast<int64_t>(Video.size()));
}

TEST_F(HttpClientTest, AbortFromAnotherThreadEndsAGetOnWhichNothingArrives)
{
    TDemoServerProcess server(Folder.Path(), {"--delay", "600000"});
    THttpClient client;
    // A minute between polls: only the wake-up of Abort ends the GET soon.
    client.PollIntervalMs = 60000;
    TMemoryStream body;
    std::chrono::steady_clock::time_point aborted;
    std::thread stopper([&] {
        // Once the request is out and the client rests in its poll.
        server.WaitForRequests(1);
        aborted = std::chrono::steady_clock::now();
        client.Abort();
    });
    EXPECT_THROW(client.Get("http://" + server.HostPort() + "/list", body), EHttpError);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - aborted, std::chrono::seconds(30));
    EXPECT_EQ(client.StatusCode(), -1);
    EXPECT_EQ(client.StatusLine(), "");
    EXPECT_TRUE(client.Aborted());
    // An aborted client stays aborted: the next GET fails at once.
    EXPECT_THROW(client.Get("http://" + server.HostPort() + "/list", body), EHttpError);
}

TEST(HttpClient, SendsTheProgramsUserAgent)
{
    EXPECT_EQ(THttpClient::DefaultUserAgent(), "mjpgplayer/1.0.0.50");
}

TEST(HttpClient, EachCommonFailureHasARussianReasonAndTheRestKeepLibcurlsWords)
{
    const struct {
        CURLcode Code;
        const char* Reason;
    } rows[] = {
        {CURLE_COULDNT_RESOLVE_HOST, "адрес сервера по его имени не найден"},
        {CURLE_COULDNT_CONNECT, "не удаётся соединиться с сервером"},
        {CURLE_OPERATION_TIMEDOUT, "время ожидания истекло"},
        {CURLE_RECV_ERROR, "соединение разорвано при получении ответа"},
        {CURLE_SEND_ERROR, "соединение разорвано при отправке запроса"},
        {CURLE_GOT_NOTHING, "сервер закрыл соединение, ничего не ответив"},
        {CURLE_PEER_FAILED_VERIFICATION, "сертификат сервера не прошёл проверку"},
        {CURLE_SSL_CONNECT_ERROR, "сервер не ответил как сервер TLS"},
        {CURLE_SSL_CIPHER, "у программы и сервера нет общего шифра"},
        {CURLE_SSL_SHUTDOWN_FAILED, "защищённое соединение закрыто с ошибкой"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Curl().easy_strerror(row.Code));
        // libcurl's English words are left out where the reason is its own.
        EXPECT_EQ(CurlFailureReason(row.Code, "Failed to do it"), row.Reason);
    }
    EXPECT_EQ(CurlFailureReason(CURLE_TOO_MANY_REDIRECTS, "Maximum (0) redirects followed"),
              std::string("ошибка передачи (") + Curl().easy_strerror(CURLE_TOO_MANY_REDIRECTS) +
                  ": Maximum (0) redirects followed)");
    EXPECT_EQ(CurlFailureReason(CURLE_TOO_MANY_REDIRECTS, ""),
              std::string("ошибка передачи (") + Curl().easy_strerror(CURLE_TOO_MANY_REDIRECTS) + ")");
}

namespace {

// A loopback server that accepts one connection, reads until the request's
// headers have come, and resets the connection (RST, not an orderly close).
class TResettingServer {
public:
    TResettingServer()
    {
        FListener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(FListener, 1) != 0 ||
            ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::system_error(errno, std::generic_category(), "loopback listener");
        Port = ntohs(address.sin_port);
        FThread = std::thread([this] { Serve(); });
    }
    ~TResettingServer()
    {
        ::shutdown(FListener, SHUT_RDWR);
        FThread.join();
        ::close(FListener);
    }
    int Port = 0;

private:
    void Serve()
    {
        const int connection = ::accept(FListener, nullptr, nullptr);
        if (connection < 0)
            return;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<size_t>(got));
        }
        const linger reset{1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(connection);
    }
    int FListener = -1;
    std::thread FThread;
};

std::string FailureOfGet(const std::string& url)
{
    THttpClient client;
    TMemoryStream body;
    try {
        client.Get(url, body);
    } catch (const EHttpError& e) {
        return e.what();
    }
    return "the GET succeeded";
}

} // namespace

TEST(HttpClient, ARefusedConnectionAndAResetOneSayWhyInRussian)
{
    InitCurlLibrary();
    EXPECT_EQ(FailureOfGet("http://127.0.0.1:" + std::to_string(fixture::FreeLoopbackPort()) + "/list"),
              "запрос не выполнен: не удаётся соединиться с сервером");
    const TResettingServer server;
    EXPECT_EQ(FailureOfGet("http://127.0.0.1:" + std::to_string(server.Port) + "/list"),
              "запрос не выполнен: соединение разорвано при получении ответа");
}
