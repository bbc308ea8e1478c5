// libcurl's process-wide set-up, done once per program, and the checks every
// libcurl call goes through: a failing call raises EHttpError with libcurl's
// own text for the code.
#pragma once

#include "core/errors.h"

#include <curl/curl.h>

#include <string>

// A request that could not be carried out: no connection, a broken or
// stopped transfer, a refused write, or libcurl refusing a setting.
class EHttpError : public EError {
public:
    using EError::EError;
};

// curl_global_init, once per program whoever calls first (thread-safe). A
// program calls it before it starts any thread (the player in main,
// mjpgtool when an archive command starts); every user of libcurl calls it
// again, which costs nothing. Raises EHttpError when it failed.
void InitCurlLibrary();

// Raise EHttpError naming what was being done ("CURLOPT_URL") and libcurl's
// text for the code, when the code is not OK.
void CheckCurl(CURLcode code, const char* what);
void CheckCurl(CURLMcode code, const char* what);

// curl_easy_setopt, checked.
template <class T>
void SetCurlOption(CURL* curl, CURLoption option, T value, const char* name)
{
    CheckCurl(curl_easy_setopt(curl, option, value), name);
}

// Appends a line to a header list; raises EHttpError when libcurl cannot
// (the list given stays valid and owned by the caller in that case).
curl_slist* AppendCurlList(curl_slist* list, const std::string& line);
