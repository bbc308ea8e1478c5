// SMTP over libcurl: envelope from the sender and recipients, the message
// built as MIME (text part and attachment) by curl_mime, headers encoded
// for non-ASCII text.
#include "mailsender.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <vector>

namespace {

struct TCurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};
template <class T>
using TCurlPtr = std::unique_ptr<T, TCurlDeleter>;

const char Base64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(const std::string& bytes)
{
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        out += {Base64Chars[n >> 18], Base64Chars[(n >> 12) & 63], Base64Chars[(n >> 6) & 63], Base64Chars[n & 63]};
    }
    if (i + 1 == bytes.size()) {
        const unsigned n = uint8_t(bytes[i]) << 16;
        out += {Base64Chars[n >> 18], Base64Chars[(n >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const unsigned n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
        out += {Base64Chars[n >> 18], Base64Chars[(n >> 12) & 63], Base64Chars[(n >> 6) & 63], '='};
    }
    return out;
}

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
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "UTF-8''";
    for (const char ch : text) {
        const uint8_t c = uint8_t(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_')
            out += char(c);
        else
            out += {'%', hex[c >> 4], hex[c & 15]};
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
    return IsPlainAscii(text) ? text : "=?UTF-8?B?" + Base64(text) + "?=";
}

void InitMailTransport()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

TMailResult SendMail(const TMailMessage& message, const std::atomic<bool>& cancel)
{
    InitMailTransport();
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

    TCurlPtr<CURL> curl(curl_easy_init());
    if (!curl) {
        result.Error = "libcurl не запускается";
        return result;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const std::string url = "smtp://" + message.Server + ":" + std::to_string(message.Port);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_FROM, EnvelopeAddress(message.From).c_str());
    TCurlPtr<curl_slist> rcpt;
    for (const std::string& address : to)
        rcpt.reset(curl_slist_append(rcpt.release(), EnvelopeAddress(address).c_str()));
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_RCPT, rcpt.get());
    if (!message.User.empty()) {
        curl_easy_setopt(curl.get(), CURLOPT_USERNAME, message.User.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, message.Password.c_str());
    }
    // Encryption when the server offers it; plain otherwise, as port 25 often is.
    curl_easy_setopt(curl.get(), CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel));

    TCurlPtr<curl_slist> headers;
    auto addHeader = [&](const std::string& line) { headers.reset(curl_slist_append(headers.release(), line.c_str())); };
    addHeader("From: " + message.From);
    addHeader("To: " + message.To);
    addHeader("Subject: " + EncodeHeaderWord(message.Subject));
    addHeader("MIME-Version: 1.0");
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());

    TCurlPtr<curl_mime> mime(curl_mime_init(curl.get()));
    curl_mimepart* text = curl_mime_addpart(mime.get());
    curl_mime_data(text, message.Body.data(), message.Body.size());
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "base64");

    curl_mimepart* attachment = curl_mime_addpart(mime.get());
    curl_mime_data(attachment, message.Attachment.data(), message.Attachment.size());
    curl_mime_type(attachment, message.AttachmentType.empty() ? "application/octet-stream" : message.AttachmentType.c_str());
    curl_mime_encoder(attachment, "base64");
    // Both forms of a non-ASCII file name: RFC 2231 for readers that know it,
    // an encoded word for those that do not.
    TCurlPtr<curl_slist> partHeaders;
    partHeaders.reset(curl_slist_append(nullptr, ("Content-Disposition: attachment; filename=\"" +
                                                  EncodeHeaderWord(message.AttachmentName) + "\"; filename*=" +
                                                  PercentEncoded(message.AttachmentName))
                                                     .c_str()));
    curl_mime_headers(attachment, partHeaders.release(), 1);
    curl_easy_setopt(curl.get(), CURLOPT_MIMEPOST, mime.get());

    const CURLcode code = curl_easy_perform(curl.get());
    if (code == CURLE_OK) {
        result.Ok = true;
        return result;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && cancel.load()) {
        result.Cancelled = true;
        result.Error = "отправка прервана";
        return result;
    }
    result.Error = curl_easy_strerror(code);
    if (errorBuffer[0] && result.Error.find(errorBuffer) == std::string::npos)
        result.Error += std::string(" (") + errorBuffer + ")";
    return result;
}
