// libcurl's once-per-program set-up and the checked calls.
#include "curllibrary.h"

#include <mutex>

void InitCurlLibrary()
{
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (result != CURLE_OK)
        throw EHttpError(std::string("libcurl не запускается: ") + curl_easy_strerror(result));
}

void CheckCurl(CURLcode code, const char* what)
{
    if (code != CURLE_OK)
        throw EHttpError(std::string("libcurl: ") + what + ": " + curl_easy_strerror(code));
}

void CheckCurl(CURLMcode code, const char* what)
{
    if (code != CURLM_OK)
        throw EHttpError(std::string("libcurl: ") + what + ": " + curl_multi_strerror(code));
}

curl_slist* AppendCurlList(curl_slist* list, const std::string& line)
{
    curl_slist* appended = curl_slist_append(list, line.c_str());
    if (!appended)
        throw EHttpError("libcurl: curl_slist_append: не хватает памяти");
    return appended;
}
