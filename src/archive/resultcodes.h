// What a request's result means to the user: the result codes besides the
// HTTP statuses, and the message and icon of each (none for a request that
// was never sent or failed on the way).
#pragma once

#include <optional>
#include <string>

enum TRequestResult : int {
    rrOK = 200,
    rrNoRequest = -100,      // the worker ended without sending its request
    rrRequestFailed = -101,  // the GET failed: no connection, a broken or stopped transfer
    rrFragmentLimit = -200,  // the list answer had more lines than the manager takes
    rrNoResources = -102,    // no thread or memory for the request or its answer
    rrNoHttpLibrary = -103,  // libcurl cannot be loaded: no request can be sent
    // An https request refused before it was sent: the TLS connection failed.
    rrTlsUnknownAuthority = -110, // the certificate comes from no trusted authority
    rrTlsWrongName = -111,        // the certificate is for another name
    rrTlsExpired = -112,          // the certificate is outside its validity period
    rrTlsBadCertificate = -113,   // another check of the certificate failed
    rrTlsHandshake = -114,        // no TLS handshake (not a TLS server, no common protocol)
    rrTlsAuthorityFile = -115,    // the trusted authorities cannot be read
};

// Whether the code is one of the TLS failures above.
bool IsTlsResult(int code);

enum class TResultIcon { Error, Information, Warning };

struct TResultMessage {
    std::string Text; // UTF-8
    TResultIcon Icon = TResultIcon::Error;
};

// The first line that names the failed request.
extern const char* const kVideoRequestFailed; // "Не могу загрузить видеофрагмент!"
extern const char* const kListRequestFailed;  // "Не могу загрузить список видеофрагментов!"

// The row of the result table for a code: its own text and icon; "Сервер
// недоступен." for a code without a row; nothing for -100 and -101 (and for
// -200, whose text names the limit: FragmentLimitMessage). A TLS failure's
// row names its reason.
std::optional<TResultMessage> ResultRow(int code);

// The warning for a list answer cut at `limit` fragments.
TResultMessage FragmentLimitMessage(int limit);

// The whole message the user sees for a failed request: nothing for -100 and
// -101; the limit warning alone for -200; otherwise the first line, a line
// feed (when the first line is not empty) and the row's text.
std::optional<TResultMessage> RequestErrorMessage(const std::string& firstLine, int code, int fragmentLimit);
