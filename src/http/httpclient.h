// THttpClient: HTTP/1.0 GET requests over libcurl, as the archive client
// needs them, plain or inside TLS ("https://" URLs). Basic authentication
// goes with the first request, cookies are neither stored nor sent, no
// time-outs are set, proxies are not used. Over TLS the server's certificate
// chain and name are always verified (the system's authorities and CaFile);
// nothing is sent to a server that fails the check. The
// body is written block by block into a TStream; a write that stores fewer
// bytes than given ends the transfer as failed. A status outside 2xx is an
// answer like any other: the caller reads StatusCode and StatusLine.
#pragma once

#include "core/streams.h"
#include "http/curllibrary.h"

#include <atomic>
#include <cstdint>
#include <string>

typedef void CURL;
typedef void CURLM;

// Why a TLS connection was refused before any request went out.
enum class TTlsProblem {
    UnknownAuthority, // the chain leads to no trusted authority
    WrongName,        // the certificate is for another host name or address
    Expired,          // outside its validity period (expired or not yet valid)
    BadCertificate,   // any other check of the certificate failed
    Handshake,        // no TLS handshake came about (not a TLS server, no common protocol)
    AuthorityFile,    // the extra authority's file cannot be read or holds no certificate
};

class ETlsError : public EHttpError {
public:
    ETlsError(TTlsProblem problem, const std::string& text) : EHttpError(text), Problem(problem) {}
    TTlsProblem Problem;
};

// The certificates of a PEM file, as the PEM text; raises ETlsError
// (AuthorityFile) when the file cannot be read or holds no certificate.
std::string ReadAuthorityFile(const std::string& path);

// Why a transfer ended with libcurl's result `code` (a CURLcode), in
// Russian: a reason of its own for the common failures (no such host, no
// connection, a time-out, a connection reset, a refused TLS connection),
// otherwise a general one with libcurl's text and `errorText` (its error
// buffer, may be empty) in parentheses.
std::string CurlFailureReason(int code, const char* errorText);

class THttpClient {
public:
    // Opens libcurl when no client has yet. Raises ECurlUnavailable when
    // libcurl cannot be opened or set up, EHttpError when it gives no handle.
    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // Basic authentication: "Authorization: Basic " and the Base64 of
    // UserName ":" Password, sent as the bytes they are (code page 1251),
    // also when both are empty.
    std::string UserName;
    std::string Password;
    std::string UserAgent = DefaultUserAgent();

    // A PEM file of authorities trusted besides the system's (an authority
    // the site runs itself); empty for the system's alone. Used for https
    // URLs; read at every Get.
    std::string CaFile;

    // The largest body accepted; a longer answer fails the GET before it
    // exhausts memory. 2 GiB - 1: what a stream size of a fragment can hold.
    int64_t MaxBodySize = INT32_MAX;
    // How long the transfer loop rests when nothing happens; Abort wakes it
    // at once.
    int PollIntervalMs = 1000;

    // GET of the URL ("http://host:port/path?query" or "https://..."), the
    // body written into `body` from its current position. Raises EHttpError
    // when there is no connection, the transfer breaks or is aborted, a write
    // falls short or the body is too large, and ETlsError when the TLS
    // connection is refused; an exception a write raised is raised again.
    void Get(const std::string& url, TStream& body);

    // The status code of the last answer (the number after the protocol
    // version in its status line), -1 when none arrived; and that status
    // line without its line break. Valid after Get, whether it succeeded or
    // failed.
    int StatusCode() const { return FStatusCode; }
    const std::string& StatusLine() const { return FStatusLine; }

    // Ends a running Get (or the next one) as failed, within a fraction of a
    // second even when no byte arrives. May be called from any thread.
    void Abort();
    bool Aborted() const { return FAbort.load(); }

    // "mjpgplayer/<version>".
    static std::string DefaultUserAgent();

private:
    int RunTransfer(); // the CURLcode of the finished transfer

    CURL* FEasy = nullptr;
    CURLM* FMulti = nullptr;
    std::atomic<bool> FAbort{false};
    int FStatusCode = -1;
    std::string FStatusLine;
};
