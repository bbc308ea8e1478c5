// The archive server: "list" and "video" over HTTP (or HTTP inside TLS) on
// one address, basic authentication, a request log, and the misbehaviours
// tests ask for.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

struct TServerOptions {
    std::filesystem::path Folder;
    std::string Host = "127.0.0.1";
    int Port = 0;                    // 0: a free port
    std::optional<std::string> User; // set: requests must authenticate as User with Password
    std::string Password;            // code page 1251 like the user name
    // Both set: TLS with this certificate (PEM, the chain after it) and its
    // private key (PEM).
    std::filesystem::path TlsCert;
    std::filesystem::path TlsKey;
    // Misbehaviours for tests.
    int DelayMs = 0;                 // wait before answering
    std::optional<int> Status;       // answer every authenticated request with this status
    bool Stall = false;              // send status and headers, then nothing until the server stops
    std::optional<int64_t> CutBody;  // send only this many bytes of a video body, then close
    std::optional<int> ListLines;    // answer "list" with this many generated lines
    std::filesystem::path ListFile;  // set: answer "list" with this file's bytes as they are
    // Set: the delay, status, stall and cut apply only to requests of this
    // path ("list" or "video"); the others are answered as usual.
    std::optional<std::string> Only;
};

class TArchiveServer {
public:
    // Logs every request (its request line and Authorization header) to
    // `log`. Raises std::runtime_error when the TLS certificate or key
    // cannot be used.
    TArchiveServer(const TServerOptions& options, std::ostream& log);
    ~TArchiveServer();

    // Binds; returns the port. Raises std::runtime_error when it cannot.
    int Bind();
    // Serves until Stop.
    void Run();
    // From any thread: ends Run and every stalled answer.
    void Stop();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
