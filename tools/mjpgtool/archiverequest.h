// What both archive commands share: the server address, the credentials,
// running one request worker on the command line (Ctrl+C stops it), and
// turning its result into a message and an exit status.
#pragma once

#include "archive/fragmentsaction.h"

#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <thread>

struct TServerAddress {
    std::string Host;
    int Port = 80;
    bool Secure = false; // https://
};

// TryParseServerAddress (archive/protocol.h); a port not given is 80, or
// 443 for https. Raises EUsageError.
TServerAddress ParseServerAddress(const std::string& text);

// Puts address, user name (UTF-8 from the command line, sent as code page
// 1251) and the password from MJPG_ARCHIVE_PASSWORD into the worker. Raises
// EUsageError when either holds a character code page 1251 lacks. The extra
// trusted authority (--cacert, https only; EUsageError with a plain address)
// goes in too; a password over plain HTTP is warned about on standard error.
void SetConnection(TFragmentsAction& worker, const TServerAddress& address, const std::string& userUtf8,
                   const std::optional<std::string>& caFile);

// While it lives, SIGINT and SIGTERM do not end the process: one thread
// waits for them and calls onInterrupt (a command stops its request there
// and keeps no partial output). SIGUSR1 is taken for ending that thread.
class TInterruptWatch {
public:
    explicit TInterruptWatch(std::function<void()> onInterrupt);
    ~TInterruptWatch();
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

private:
    void Watch();

    std::function<void()> FOnInterrupt;
    sigset_t FSignals;
    sigset_t FOldMask;
    std::thread FThread;
};
// Whether the last watch saw SIGINT or SIGTERM.
bool Interrupted();

// Starts the worker and waits for it on this thread.
void RunRequest(TFragmentsAction& worker);

// For a result other than 200: prints what went wrong (the first line names
// the request) and returns the exit status of that result.
int ReportFailure(const TFragmentsAction& worker, const char* firstLine);
