// libcurl, opened when first needed: the archive client and the e-mail
// sender are the only users, and libcurl brings some thirty libraries of its
// own (TLS, Kerberos, LDAP, SSH, RTMP) that a program which never reaches a
// server need not load at its start. The functions the program calls are
// resolved once into one table, typed from libcurl's own header; then
// libcurl's process-wide set-up runs. A failing libcurl call raises
// EHttpError with libcurl's own text for the code.
#pragma once

#include "core/errors.h"

#include <curl/curl.h>

#include <string>

// A request that could not be carried out: no connection, a broken or
// stopped transfer, a refused write, libcurl refusing a setting, or libcurl
// missing.
class EHttpError : public EError {
public:
    using EError::EError;
};

// libcurl itself cannot be had: not installed, not the library expected, or
// its set-up failed.
class ECurlUnavailable : public EHttpError {
public:
    using EHttpError::EHttpError;
};

// The library opened, by its name in the system's library path.
inline constexpr const char* kCurlLibraryFile = "libcurl.so.4";

// Each function of libcurl the program calls, by its name without "curl_".
#define MJPG_CURL_FUNCTIONS(X)                                                                                         \
    X(global_init)                                                                                                     \
    X(easy_init)                                                                                                       \
    X(easy_cleanup)                                                                                                    \
    X(easy_reset)                                                                                                      \
    X(easy_setopt)                                                                                                     \
    X(easy_getinfo)                                                                                                    \
    X(easy_perform)                                                                                                    \
    X(easy_strerror)                                                                                                   \
    X(multi_init)                                                                                                      \
    X(multi_cleanup)                                                                                                   \
    X(multi_add_handle)                                                                                                \
    X(multi_remove_handle)                                                                                             \
    X(multi_perform)                                                                                                   \
    X(multi_poll)                                                                                                      \
    X(multi_wakeup)                                                                                                    \
    X(multi_info_read)                                                                                                 \
    X(multi_strerror)                                                                                                  \
    X(slist_append)                                                                                                    \
    X(slist_free_all)                                                                                                  \
    X(mime_init)                                                                                                       \
    X(mime_free)                                                                                                       \
    X(mime_addpart)                                                                                                    \
    X(mime_data)                                                                                                       \
    X(mime_type)                                                                                                       \
    X(mime_encoder)                                                                                                    \
    X(mime_headers)

struct TCurlFunctions {
#define MJPG_CURL_MEMBER(name) decltype(&curl_##name) name = nullptr;
    MJPG_CURL_FUNCTIONS(MJPG_CURL_MEMBER)
#undef MJPG_CURL_MEMBER
};

// libcurl opened, its functions resolved and curl_global_init done, once
// per program whoever calls first (thread-safe; libcurl's set-up is itself
// thread-safe since 7.84). Raises ECurlUnavailable saying why when libcurl
// cannot be opened, lacks a function or fails its set-up, and the same again
// at every later call.
const TCurlFunctions& Curl();

// Curl(), for a program that wants libcurl set up before it starts a thread
// of its own (mjpgtool's archive commands); raises as Curl() does.
void InitCurlLibrary();

// Raise EHttpError naming what was being done ("CURLOPT_URL") and libcurl's
// text for the code, when the code is not OK.
void CheckCurl(CURLcode code, const char* what);
void CheckCurl(CURLMcode code, const char* what);

// curl_easy_setopt, checked.
template <class T>
void SetCurlOption(CURL* curl, CURLoption option, T value, const char* name)
{
    CheckCurl(Curl().easy_setopt(curl, option, value), name);
}

// Appends a line to a header list; raises EHttpError when libcurl cannot
// (the list given stays valid and owned by the caller in that case).
curl_slist* AppendCurlList(curl_slist* list, const std::string& line);
