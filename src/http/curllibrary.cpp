// Opening libcurl on first use, and the checked calls.
#include "curllibrary.h"

#include <dlfcn.h>

namespace {

// The table, or why there is none.
struct TLoadedCurl {
    TCurlFunctions Functions;
    std::string Problem;
};

TLoadedCurl LoadCurl()
{
    TLoadedCurl loaded;
    const std::string prefix = std::string("Не могу загрузить библиотеку ") + kCurlLibraryFile + ": ";
    // Kept open for the rest of the process: its threads and handles may
    // live until the program ends.
    void* handle = dlopen(kCurlLibraryFile, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        loaded.Problem = prefix + (error ? error : "неизвестная ошибка");
        return loaded;
    }
    TCurlFunctions& f = loaded.Functions;
#define MJPG_CURL_RESOLVE(name)                                                                                        \
    f.name = reinterpret_cast<decltype(f.name)>(dlsym(handle, "curl_" #name));                                         \
    if (!f.name) {                                                                                                     \
        loaded.Problem = prefix + "в ней нет функции curl_" #name;                                                    \
        return loaded;                                                                                                 \
    }
    MJPG_CURL_FUNCTIONS(MJPG_CURL_RESOLVE)
#undef MJPG_CURL_RESOLVE
    const CURLcode result = f.global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK)
        loaded.Problem = std::string("libcurl не запускается: ") + f.easy_strerror(result);
    return loaded;
}

} // namespace

const TCurlFunctions& Curl()
{
    static const TLoadedCurl loaded = LoadCurl();
    if (!loaded.Problem.empty())
        throw ECurlUnavailable(loaded.Problem);
    return loaded.Functions;
}

void InitCurlLibrary()
{
    (void)Curl();
}

void CheckCurl(CURLcode code, const char* what)
{
    if (code != CURLE_OK)
        throw EHttpError(std::string("libcurl: ") + what + ": " + Curl().easy_strerror(code));
}

void CheckCurl(CURLMcode code, const char* what)
{
    if (code != CURLM_OK)
        throw EHttpError(std::string("libcurl: ") + what + ": " + Curl().multi_strerror(code));
}

curl_slist* AppendCurlList(curl_slist* list, const std::string& line)
{
    curl_slist* appended = Curl().slist_append(list, line.c_str());
    if (!appended)
        throw EHttpError("libcurl: curl_slist_append: не хватает памяти");
    return appended;
}
