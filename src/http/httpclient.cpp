// THttpClient over libcurl's multi interface with one easy handle: the
// transfer loop waits in curl_multi_poll, which Abort wakes at once, so a
// stop ends even a transfer on which nothing arrives. libcurl is opened when
// the first client is made (curllibrary.h).
#include "httpclient.h"

#include "base64.h"
#include "curllibrary.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <dlfcn.h>
#include <strings.h>

#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

namespace {

struct TListDeleter {
    void operator()(curl_slist* list) const { Curl().slist_free_all(list); }
};
using TCurlList = std::unique_ptr<curl_slist, TListDeleter>;

// What the callbacks of one transfer share with Get.
struct TTransfer {
    CURL* Easy = nullptr;
    TStream* Body = nullptr;
    bool Reserved = false;
    int64_t Received = 0;
    int64_t MaxBodySize = 0;
    bool TooLarge = false;
    bool ShortWrite = false;
    std::exception_ptr WriteException;
    std::string StatusLine;
    const std::atomic<bool>* Abort = nullptr;
    std::string Authorities; // PEM: trusted besides the system's
    char ErrorText[CURL_ERROR_SIZE] = {};
};

// Each certificate of a PEM text, in order; stops at the first block that
// is not one. Leaves OpenSSL's error queue empty, so that libcurl does not
// take a parse error of ours for its own.
template <class F>
int ForEachCertificate(const std::string& pem, F&& take)
{
    int count = 0;
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    if (bio) {
        while (X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
            ++count;
            take(certificate);
            X509_free(certificate);
        }
        BIO_free(bio);
    }
    ERR_clear_error();
    return count;
}

// The store of a TLS context, from the libssl that libcurl brought: the
// program does not link libssl for this one call (a library fewer to load at
// every start). Null when that libssl is not loaded.
X509_STORE* CertificateStoreOf(SSL_CTX* context)
{
    using TGetCertStore = X509_STORE* (*)(const SSL_CTX*);
    static const TGetCertStore getCertStore = [] {
        const std::string file = "libssl.so." + std::to_string(OPENSSL_SHLIB_VERSION);
        void* ssl = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        return ssl ? reinterpret_cast<TGetCertStore>(dlsym(ssl, "SSL_CTX_get_cert_store")) : nullptr;
    }();
    return getCertStore ? getCertStore(context) : nullptr;
}

// libcurl's hook into OpenSSL's set-up of a connection: the extra
// authorities join the store that already holds the system's.
CURLcode AddAuthorities(CURL*, void* context, void* userdata)
{
    const auto& t = *static_cast<const TTransfer*>(userdata);
    X509_STORE* store = CertificateStoreOf(static_cast<SSL_CTX*>(context));
    if (!store)
        return CURLE_SSL_CACERT_BADFILE;
    // One already in the store (the same file given twice) is refused
    // harmlessly.
    ForEachCertificate(t.Authorities, [&](X509* certificate) { (void)X509_STORE_add_cert(store, certificate); });
    return CURLE_OK;
}

bool IsHttps(const std::string& url)
{
    return url.size() >= 8 && strncasecmp(url.c_str(), "https://", 8) == 0;
}

// What a failed TLS connection means, from libcurl's code and OpenSSL's
// verdict on the chain; none for a failure that is not about TLS.
std::optional<TTlsProblem> TlsProblemOf(CURLcode result, long verifyResult)
{
    switch (result) {
    case CURLE_PEER_FAILED_VERIFICATION:
        switch (verifyResult) {
        // libcurl checks the name itself once OpenSSL has accepted the chain;
        // when that check fails, the chain's verdict was never recorded and
        // reads as libcurl's initial "not OK" (1) or as OK.
        case X509_V_OK:
        case X509_V_ERR_UNSPECIFIED:
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return TTlsProblem::WrongName;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return TTlsProblem::Expired;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return TTlsProblem::UnknownAuthority;
        default:
            return TTlsProblem::BadCertificate;
        }
    case CURLE_SSL_CACERT_BADFILE:
        return TTlsProblem::AuthorityFile;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_USE_SSL_FAILED:
        return TTlsProblem::Handshake;
    default:
        return std::nullopt;
    }
}

} // namespace

std::string CurlFailureReason(int code, const char* errorText)
{
    const auto result = static_cast<CURLcode>(code);
    const char* reason = nullptr;
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
        reason = "адрес сервера по его имени не найден";
        break;
    case CURLE_COULDNT_CONNECT:
        reason = "не удаётся соединиться с сервером";
        break;
    case CURLE_OPERATION_TIMEDOUT:
        reason = "время ожидания истекло";
        break;
    case CURLE_RECV_ERROR:
        reason = "соединение разорвано при получении ответа";
        break;
    case CURLE_SEND_ERROR:
        reason = "соединение разорвано при отправке запроса";
        break;
    case CURLE_GOT_NOTHING:
        reason = "сервер закрыл соединение, ничего не ответив";
        break;
    case CURLE_PARTIAL_FILE:
        reason = "сервер закрыл соединение, не передав ответ целиком";
        break;
    case CURLE_WEIRD_SERVER_REPLY:
        reason = "ответ сервера не по протоколу HTTP";
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        reason = "сертификат сервера не прошёл проверку";
        break;
    case CURLE_SSL_CONNECT_ERROR:
        reason = "сервер не ответил как сервер TLS";
        break;
    case CURLE_SSL_CIPHER:
        reason = "у программы и сервера нет общего шифра";
        break;
    case CURLE_SSL_CACERT_BADFILE:
        reason = "удостоверяющие центры не читаются";
        break;
    case CURLE_SSL_CERTPROBLEM:
        reason = "ошибка в сертификате программы";
        break;
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
        reason = "модуль шифрования TLS не работает";
        break;
    case CURLE_USE_SSL_FAILED:
        reason = "сервер не поддерживает TLS";
        break;
    case CURLE_SSL_SHUTDOWN_FAILED:
        reason = "защищённое соединение закрыто с ошибкой";
        break;
    case CURLE_OUT_OF_MEMORY:
        reason = "недостаточно памяти";
        break;
    default:
        break;
    }
    if (reason)
        return reason;
    std::string text = std::string("ошибка передачи (") + Curl().easy_strerror(result);
    if (errorText && *errorText)
        text += std::string(": ") + errorText;
    return text + ")";
}

namespace {

size_t WriteBody(char* data, size_t size, size_t count, void* userdata)
{
    auto& t = *static_cast<TTransfer*>(userdata);
    const size_t n = size * count;
    if (t.Received + static_cast<int64_t>(n) > t.MaxBodySize) {
        t.TooLarge = true;
        return 0;
    }
    try {
        if (!t.Reserved) {
            // The announced length, before the first block: a body in memory
            // is then written into one block that never moves.
            t.Reserved = true;
            curl_off_t length = -1;
            if (Curl().easy_getinfo(t.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0 &&
                length <= t.MaxBodySize)
                t.Body->Reserve(length);
        }
        const int64_t written = t.Body->Write(data, static_cast<int64_t>(n));
        if (written != static_cast<int64_t>(n)) {
            t.ShortWrite = true;
            return 0;
        }
    } catch (...) {
        t.WriteException = std::current_exception();
        return 0;
    }
    t.Received += static_cast<int64_t>(n);
    return n;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* userdata)
{
    auto& t = *static_cast<TTransfer*>(userdata);
    const size_t n = size * count;
    std::string line(data, n);
    if (line.compare(0, 5, "HTTP/") == 0) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        t.StatusLine = line; // a later answer (after "100 Continue") replaces an earlier one
    }
    return n;
}

int Progress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TTransfer*>(userdata)->Abort->load() ? 1 : 0;
}

// Takes the easy handle out of the multi handle however Get ends.
class TAttached {
public:
    TAttached(CURLM* multi, CURL* easy) : FMulti(multi), FEasy(easy)
    {
        CheckCurl(Curl().multi_add_handle(multi, easy), "curl_multi_add_handle");
    }
    ~TAttached() { (void)Curl().multi_remove_handle(FMulti, FEasy); } // nothing to do about a failure here
    TAttached(const TAttached&) = delete;
    TAttached& operator=(const TAttached&) = delete;

private:
    CURLM* FMulti;
    CURL* FEasy;
};

} // namespace

std::string ReadAuthorityFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        throw ETlsError(TTlsProblem::AuthorityFile, "не открывается файл сертификата " + path);
    const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw ETlsError(TTlsProblem::AuthorityFile, "не читается файл сертификата " + path);
    if (ForEachCertificate(pem, [](X509*) {}) == 0)
        throw ETlsError(TTlsProblem::AuthorityFile, "в файле " + path + " нет сертификата в формате PEM");
    return pem;
}

std::string THttpClient::DefaultUserAgent()
{
    return "mjpgplayer/" MJPG_VERSION_TEXT;
}

THttpClient::THttpClient()
{
    InitCurlLibrary();
    FEasy = Curl().easy_init();
    FMulti = Curl().multi_init();
    if (!FEasy || !FMulti) {
        if (FEasy)
            Curl().easy_cleanup(FEasy);
        if (FMulti)
            Curl().multi_cleanup(FMulti);
        throw EHttpError("libcurl не создаёт соединение (нет памяти?)");
    }
}

THttpClient::~THttpClient()
{
    // A handle that cannot be cleaned up leaves nothing to do about it here.
    (void)Curl().multi_cleanup(FMulti);
    Curl().easy_cleanup(FEasy); // returns nothing
}

void THttpClient::Abort()
{
    FAbort.store(true);
    // A failed wake-up still leaves the poll to end within its interval.
    (void)Curl().multi_wakeup(FMulti);
}

void THttpClient::Get(const std::string& url, TStream& body)
{
    FStatusCode = -1;
    FStatusLine.clear();

    TTransfer t;
    t.Easy = FEasy;
    t.Body = &body;
    t.MaxBodySize = MaxBodySize;
    t.Abort = &FAbort;

    Curl().easy_reset(FEasy);
    TCurlList headers(AppendCurlList(nullptr, "Authorization: Basic " + Base64Encode(UserName + ":" + Password)));
    CURL* c = FEasy;
    SetCurlOption(c, CURLOPT_ERRORBUFFER, t.ErrorText, "CURLOPT_ERRORBUFFER");
    SetCurlOption(c, CURLOPT_URL, url.c_str(), "CURLOPT_URL");
    SetCurlOption(c, CURLOPT_HTTPGET, 1L, "CURLOPT_HTTPGET");
    SetCurlOption(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0), "CURLOPT_HTTP_VERSION");
    SetCurlOption(c, CURLOPT_HTTPHEADER, headers.get(), "CURLOPT_HTTPHEADER");
    SetCurlOption(c, CURLOPT_USERAGENT, UserAgent.c_str(), "CURLOPT_USERAGENT");
    // The archive server is reached directly, whatever proxy the
    // environment names.
    SetCurlOption(c, CURLOPT_PROXY, "", "CURLOPT_PROXY");
    SetCurlOption(c, CURLOPT_NOSIGNAL, 1L, "CURLOPT_NOSIGNAL");
    SetCurlOption(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(MaxBodySize), "CURLOPT_MAXFILESIZE_LARGE");
    // Fewer, larger blocks for fragments of hundreds of megabytes.
    SetCurlOption(c, CURLOPT_BUFFERSIZE, 256L * 1024, "CURLOPT_BUFFERSIZE");
    SetCurlOption(c, CURLOPT_WRITEFUNCTION, WriteBody, "CURLOPT_WRITEFUNCTION");
    SetCurlOption(c, CURLOPT_WRITEDATA, &t, "CURLOPT_WRITEDATA");
    SetCurlOption(c, CURLOPT_HEADERFUNCTION, ReadHeader, "CURLOPT_HEADERFUNCTION");
    SetCurlOption(c, CURLOPT_HEADERDATA, &t, "CURLOPT_HEADERDATA");
    SetCurlOption(c, CURLOPT_NOPROGRESS, 0L, "CURLOPT_NOPROGRESS");
    SetCurlOption(c, CURLOPT_XFERINFOFUNCTION, Progress, "CURLOPT_XFERINFOFUNCTION");
    SetCurlOption(c, CURLOPT_XFERINFODATA, &t, "CURLOPT_XFERINFODATA");
    // Over TLS: the chain against the trusted authorities and the name
    // against the certificate, always; a failed check ends the handshake
    // before any request is sent.
    SetCurlOption(c, CURLOPT_SSL_VERIFYPEER, 1L, "CURLOPT_SSL_VERIFYPEER");
    SetCurlOption(c, CURLOPT_SSL_VERIFYHOST, 2L, "CURLOPT_SSL_VERIFYHOST");
    const bool https = IsHttps(url);
    if (https && !CaFile.empty()) {
        t.Authorities = ReadAuthorityFile(CaFile);
        SetCurlOption(c, CURLOPT_SSL_CTX_FUNCTION, AddAuthorities, "CURLOPT_SSL_CTX_FUNCTION");
        SetCurlOption(c, CURLOPT_SSL_CTX_DATA, &t, "CURLOPT_SSL_CTX_DATA");
        // A store kept from an earlier transfer would hold this one's
        // additions; every connection builds its own.
        SetCurlOption(c, CURLOPT_CA_CACHE_TIMEOUT, 0L, "CURLOPT_CA_CACHE_TIMEOUT");
    }

    CURLcode result = CURLE_OK;
    {
        TAttached attached(FMulti, FEasy);
        result = static_cast<CURLcode>(RunTransfer());
    }
    FStatusLine = t.StatusLine;
    long code = 0;
    if (Curl().easy_getinfo(FEasy, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK && code > 0)
        FStatusCode = static_cast<int>(code);

    if (t.WriteException)
        std::rethrow_exception(t.WriteException);
    if (FAbort.load())
        throw EHttpError("запрос остановлен");
    if (t.TooLarge || result == CURLE_FILESIZE_EXCEEDED)
        throw EHttpError("ответ сервера больше " + std::to_string(MaxBodySize) + " байт");
    if (t.ShortWrite)
        throw EHttpError("ответ сервера не записывается целиком");
    if (result != CURLE_OK) {
        const std::string detail = CurlFailureReason(result, t.ErrorText);
        long verifyResult = X509_V_OK;
        if (https && Curl().easy_getinfo(FEasy, CURLINFO_SSL_VERIFYRESULT, &verifyResult) != CURLE_OK)
            verifyResult = X509_V_OK;
        if (const std::optional<TTlsProblem> problem = https ? TlsProblemOf(result, verifyResult) : std::nullopt)
            throw ETlsError(*problem, "защищённое соединение не установлено: " + detail);
        throw EHttpError("запрос не выполнен: " + detail);
    }
}

int THttpClient::RunTransfer()
{
    for (;;) {
        if (FAbort.load())
            return CURLE_ABORTED_BY_CALLBACK;
        int running = 0;
        CheckCurl(Curl().multi_perform(FMulti, &running), "curl_multi_perform");
        if (running == 0)
            break;
        CheckCurl(Curl().multi_poll(FMulti, nullptr, 0, PollIntervalMs, nullptr), "curl_multi_poll");
    }
    int left = 0;
    while (CURLMsg* message = Curl().multi_info_read(FMulti, &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == FEasy)
            return message->data.result;
    throw EHttpError("libcurl: передача закончилась без результата");
}
