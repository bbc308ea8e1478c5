// SMTP over libcurl (opened on first use, http/curllibrary.h): envelope
// from the sender and recipients, the message built as MIME (text part and
// attachment) by curl_mime, headers encoded for non-ASCII text.
#include "mailsender.h"

#include "core/hex.h"
#include "http/base64.h"
#include "http/curllibrary.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <vector>

namespace {

struct TCurlDeleter {
    void operator()(CURL* c) const { Curl().easy_cleanup(c); }
    void operator()(curl_slist* l) const { Curl().slist_free_all(l); }
    void operator()(curl_mime* m) const { Curl().mime_free(m); }
};
template <class T>
using TCurlPtr = std::unique_ptr<T, TCurlDeleter>;

bool IsPlainAscii(const std::string& text)
{
    for (const char c : text)
        if (uint8_t(c) >= 0x80 || uint8_t(c) < 0x20)
            return false;
    return true;
}

// RFC 2231 form of a parameter value: UTF-8''%XX...
std::string PercentEncoded(const std::string& text)
{
    std::string out = "UTF-8''";
    for (const char ch : text) {
        const uint8_t c = uint8_t(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_')
            out += char(c);
        else {
            out += '%';
            AppendHex(out, c, THexCase::Upper);
        }
    }
    return out;
}

std::vector<std::string> Recipients(const std::string& list)
{
    std::vector<std::string> result;
    std::string current;
    auto flush = [&] {
        const size_t b = current.find_first_not_of(" \t");
        const size_t e = current.find_last_not_of(" \t");
        if (b != std::string::npos)
            result.push_back(current.substr(b, e - b + 1));
        current.clear();
    };
    for (const char c : list) {
        if (c == ',' || c == ';')
            flush();
        else
            current += c;
    }
    flush();
    return result;
}

// Envelope addresses are the part in angle brackets when a display name is given.
std::string EnvelopeAddress(const std::string& address)
{
    const size_t open = address.find('<');
    const size_t close = address.find('>', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos)
        return "<" + address.substr(open + 1, close - open - 1) + ">";
    return "<" + address + ">";
}

int Progress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

} // namespace

std::string EncodeHeaderWord(const std::string& text)
{
    return IsPlainAscii(text) ? text : "=?UTF-8?B?" + Base64Encode(text) + "?=";
}

namespace {

// The transfer itself; raises EHttpError when libcurl refuses a setting.
CURLcode Send(const TMailMessage& message, const std::vector<std::string>& to, const std::atomic<bool>& cancel,
              char (&errorBuffer)[CURL_ERROR_SIZE])
{
    TCurlPtr<CURL> curl(Curl().easy_init());
    if (!curl)
        throw EHttpError("libcurl не запускается");
    CURL* c = curl.get();
    const std::string url = "smtp://" + message.Server + ":" + std::to_string(message.Port);
    SetCurlOption(c, CURLOPT_ERRORBUFFER, errorBuffer, "CURLOPT_ERRORBUFFER");
    SetCurlOption(c, CURLOPT_URL, url.c_str(), "CURLOPT_URL");
    SetCurlOption(c, CURLOPT_MAIL_FROM, EnvelopeAddress(message.From).c_str(), "CURLOPT_MAIL_FROM");
    TCurlPtr<curl_slist> rcpt;
    for (const std::string& address : to)
        rcpt.reset(AppendCurlList(rcpt.release(), EnvelopeAddress(address)));
    SetCurlOption(c, CURLOPT_MAIL_RCPT, rcpt.get(), "CURLOPT_MAIL_RCPT");
    if (!message.User.empty()) {
        SetCurlOption(c, CURLOPT_USERNAME, message.User.c_str(), "CURLOPT_USERNAME");
        SetCurlOption(c, CURLOPT_PASSWORD, message.Password.c_str(), "CURLOPT_PASSWORD");
    }
    // Encryption when the server offers it; plain otherwise, as port 25 often is.
    SetCurlOption(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY), "CURLOPT_USE_SSL");
    SetCurlOption(c, CURLOPT_NOSIGNAL, 1L, "CURLOPT_NOSIGNAL");
    SetCurlOption(c, CURLOPT_CONNECTTIMEOUT, 30L, "CURLOPT_CONNECTTIMEOUT");
    SetCurlOption(c, CURLOPT_NOPROGRESS, 0L, "CURLOPT_NOPROGRESS");
    SetCurlOption(c, CURLOPT_XFERINFOFUNCTION, Progress, "CURLOPT_XFERINFOFUNCTION");
    SetCurlOption(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel), "CURLOPT_XFERINFODATA");

    TCurlPtr<curl_slist> headers;
    auto addHeader = [&](const std::string& line) { headers.reset(AppendCurlList(headers.release(), line)); };
    addHeader("From: " + message.From);
    addHeader("To: " + message.To);
    addHeader("Subject: " + EncodeHeaderWord(message.Subject));
    addHeader("MIME-Version: 1.0");
    SetCurlOption(c, CURLOPT_HTTPHEADER, headers.get(), "CURLOPT_HTTPHEADER");

    TCurlPtr<curl_mime> mime(Curl().mime_init(c));
    if (!mime)
        throw EHttpError("libcurl: curl_mime_init: не хватает памяти");
    auto addPart = [&] {
        curl_mimepart* part = Curl().mime_addpart(mime.get());
        if (!part)
            throw EHttpError("libcurl: curl_mime_addpart: не хватает памяти");
        return part;
    };
    curl_mimepart* text = addPart();
    CheckCurl(Curl().mime_data(text, message.Body.data(), message.Body.size()), "curl_mime_data");
    CheckCurl(Curl().mime_type(text, "text/plain; charset=UTF-8"), "curl_mime_type");
    CheckCurl(Curl().mime_encoder(text, "base64"), "curl_mime_encoder");

    curl_mimepart* attachment = addPart();
    CheckCurl(Curl().mime_data(attachment, message.Attachment.data(), message.Attachment.size()), "curl_mime_data");
    CheckCurl(Curl().mime_type(attachment, message.AttachmentType.empty() ? "application/octet-stream"
                                                                       : message.AttachmentType.c_str()),
              "curl_mime_type");
    CheckCurl(Curl().mime_encoder(attachment, "base64"), "curl_mime_encoder");
    // Both forms of a non-ASCII file name: RFC 2231 for readers that know it,
    // an encoded word for those that do not.
    TCurlPtr<curl_slist> partHeaders(AppendCurlList(nullptr, "Content-Disposition: attachment; filename=\"" +
                                                                   EncodeHeaderWord(message.AttachmentName) +
                                                                   "\"; filename*=" +
                                                                   PercentEncoded(message.AttachmentName)));
    // With take_ownership 1 the part frees the list, also when the call fails.
    CheckCurl(Curl().mime_headers(attachment, partHeaders.release(), 1), "curl_mime_headers");
    SetCurlOption(c, CURLOPT_MIMEPOST, mime.get(), "CURLOPT_MIMEPOST");

    return Curl().easy_perform(c);
}

} // namespace

TMailResult SendMail(const TMailMessage& message, const std::atomic<bool>& cancel)
{
    TMailResult result;
    const std::vector<std::string> to = Recipients(message.To);
    if (to.empty()) {
        result.Error = "не указан адрес получателя";
        return result;
    }
    if (message.Server.empty()) {
        result.Error = "не указан сервер SMTP";
        return result;
    }
    if (message.From.empty()) {
        result.Error = "не указан адрес отправителя";
        return result;
    }

    char errorBuffer[CURL_ERROR_SIZE] = {};
    CURLcode code = CURLE_OK;
    try {
        InitCurlLibrary();
        code = Send(message, to, cancel, errorBuffer);
    } catch (const std::exception& e) {
        result.Error = e.what();
        return result;
    }
    if (code == CURLE_OK) {
        result.Ok = true;
        return result;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && cancel.load()) {
        result.Cancelled = true;
        result.Error = "отправка прервана";
        return result;
    }
    result.Error = Curl().easy_strerror(code);
    if (errorBuffer[0] && result.Error.find(errorBuffer) == std::string::npos)
        result.Error += std::string(" (") + errorBuffer + ")";
    return result;
}
