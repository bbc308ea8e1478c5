// The archive server (tools/mjpg-archive-demo-server) as a child process on a free
// loopback port, for the tests of the archive client: started with the
// options a test asks for, its request log read back, stopped at the end.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct TLoggedRequest {
    std::string Line;          // "GET /list HTTP/1.0"
    std::string Authorization; // the header's value, "(none)" when absent
};

class TDemoServerProcess {
public:
    // Serves `folder` with the extra options; `environment` is added to the
    // server's environment (e.g. MJPG_ARCHIVE_PASSWORD). Raises
    // std::runtime_error when the server does not start.
    explicit TDemoServerProcess(const std::filesystem::path& folder, const std::vector<std::string>& options = {},
                                   const std::map<std::string, std::string>& environment = {});
    ~TDemoServerProcess();
    TDemoServerProcess(const TDemoServerProcess&) = delete;
    TDemoServerProcess& operator=(const TDemoServerProcess&) = delete;

    int Port() const { return FPort; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(FPort); }
    // What the server logged so far, in order.
    std::vector<TLoggedRequest> Requests() const;
    // Waits until the server has logged at least `count` requests (20 s at
    // the most); whether it has.
    bool WaitForRequests(size_t count) const;

private:
    void Stop();

    int FPid = -1;
    int FPort = 0;
    std::filesystem::path FLog;
};
