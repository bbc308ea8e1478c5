#include "archiverequest.h"

#include "commandline.h"
#include "texts.h"

#include "archive/password.h"
#include "archive/protocol.h"
#include "archive/resultcodes.h"

#include <atomic>
#include <functional>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <thread>

namespace {

std::atomic<bool> gInterrupted{false};

} // namespace

TServerAddress ParseServerAddress(const std::string& text)
{
    TServerAddress address;
    if (!TryParseServerAddress(text, address.Host, address.Port, address.Secure))
        throw EUsageError("неверный адрес сервера \"" + text + "\"");
    return address;
}

void SetConnection(TFragmentsAction& worker, const TServerAddress& address, const std::string& userUtf8,
                   const std::optional<std::string>& caFile)
{
    if (caFile && !address.Secure)
        throw EUsageError("--cacert задаётся только с адресом https://");
    worker.Host = address.Host;
    worker.Port = address.Port;
    worker.Secure = address.Secure;
    worker.CaFile = caFile.value_or("");
    // Refused before any request: a character code page 1251 lacks would go
    // out as "?".
    const std::optional<std::string> user = CredentialToCp1251(userUtf8);
    if (!user)
        throw EUsageError(kUserNameNotCp1251);
    const char* passwordUtf8 = std::getenv("MJPG_ARCHIVE_PASSWORD");
    const std::optional<std::string> password = CredentialToCp1251(passwordUtf8 ? passwordUtf8 : "");
    if (!password)
        throw EUsageError(kPasswordNotCp1251);
    worker.UserName = *user;
    worker.SetPassword(*password);
    if (!address.Secure && passwordUtf8 && *passwordUtf8)
        std::cerr << "mjpgtool: внимание: пароль передаётся по сети незашифрованным; "
                     "защищённое соединение даёт адрес https://\n";
}

TInterruptWatch::TInterruptWatch(std::function<void()> onInterrupt) : FOnInterrupt(std::move(onInterrupt))
{
    gInterrupted = false;
    sigemptyset(&FSignals);
    sigaddset(&FSignals, SIGINT);
    sigaddset(&FSignals, SIGTERM);
    sigaddset(&FSignals, SIGUSR1);
    // Blocked before any worker thread starts, so the workers inherit the mask.
    pthread_sigmask(SIG_BLOCK, &FSignals, &FOldMask);
    FThread = std::thread([this] { Watch(); });
}

TInterruptWatch::~TInterruptWatch()
{
    pthread_kill(FThread.native_handle(), SIGUSR1);
    FThread.join();
    pthread_sigmask(SIG_SETMASK, &FOldMask, nullptr);
}

void TInterruptWatch::Watch()
{
    for (;;) {
        int signal = 0;
        if (sigwait(&FSignals, &signal) != 0 || signal == SIGUSR1)
            return;
        gInterrupted = true;
        FOnInterrupt();
    }
}

bool Interrupted()
{
    return gInterrupted.load();
}

void RunRequest(TFragmentsAction& worker)
{
    worker.Start();
    worker.WaitFor();
}

int ReportFailure(const TFragmentsAction& worker, const char* firstLine)
{
    const int code = worker.ResultCode;
    std::cout.flush();
    if (Interrupted()) {
        std::cerr << "mjpgtool: прервано\n";
        return esInterrupted;
    }
    if (code == rrNoRequest) {
        std::cerr << "mjpgtool: " << firstLine << "\nзапрос не отправлен\n";
        return esNoRequest;
    }
    if (IsTlsResult(code)) {
        const auto message = RequestErrorMessage(firstLine, code, 0);
        std::cerr << "mjpgtool: " << (message ? message->Text : std::string(firstLine)) << '\n'
                  << worker.FailureText << '\n';
        return esTlsFailed;
    }
    if (code == rrRequestFailed) {
        std::cerr << "mjpgtool: " << firstLine << '\n' << worker.FailureText << '\n';
        return esRequestFailed;
    }
    const auto message = RequestErrorMessage(firstLine, code, 0);
    std::cerr << "mjpgtool: " << (message ? message->Text : std::string(firstLine));
    if (!worker.ResponseText.empty())
        std::cerr << " (" << Printable(worker.ResponseText) << ")";
    std::cerr << '\n';
    switch (code) {
    case 400: return esBadRequest;
    case 401: return esUnauthorized;
    case 404: return esNotFound;
    case 408: return esTimeout;
    case 500: return esServerFailed;
    default: return esServerUnavailable;
    }
}
