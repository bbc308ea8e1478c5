// The HTTP client's own guarantees, against the archive server on loopback:
// a write that falls short, an answer too large, and Abort.
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "core/errors.h"
#include "http/curllibrary.h"
#include "http/httpclient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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
