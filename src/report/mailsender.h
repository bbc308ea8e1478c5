// Sending one message with one attachment through an SMTP server, over
// libcurl. Runs on any thread; a cancel flag ends a transfer at once.
#pragma once

#include <atomic>
#include <string>

struct TMailMessage {
    std::string Server;          // host name or address
    int Port = 25;
    std::string User;            // empty: no authentication
    std::string Password;
    std::string From;
    std::string To;              // one or more addresses, separated by , or ;
    std::string Subject;         // UTF-8
    std::string Body;            // UTF-8 plain text
    std::string AttachmentName;  // UTF-8 file name shown to the recipient
    std::string AttachmentType;  // MIME type
    std::string Attachment;      // the bytes
};

struct TMailResult {
    bool Ok = false;
    bool Cancelled = false;
    std::string Error; // the reason, when not Ok
};

// Sends the message; never raises. `cancel` is polled while the transfer runs.
TMailResult SendMail(const TMailMessage& message, const std::atomic<bool>& cancel);

// "=?UTF-8?B?...?=" for a header value that is not plain ASCII.
std::string EncodeHeaderWord(const std::string& text);
