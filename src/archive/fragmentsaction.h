// The request workers: TFragmentsAction runs one GET of the archive server on
// a thread of its own and collects the answer body in memory;
// TFragmentsGetList asks for the fragments of an interval, TFragmentsGetVideo
// for the MJPG stream of one fragment. The fragment manager creates them,
// sets the connection settings, OnFinished and FreeOnFinish, starts, stops
// and waits for them; in OnFinished it reads ResultCode, ResponseText and
// GetBody.
#pragma once

#include "archive/enhmemorystream.h"
#include "archive/workerthread.h"
#include "core/datetime.h"
#include "http/httpclient.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TFragmentsAction : public TWorkerThread {
public:
    // Suspended, with a new HTTP client (none when libcurl cannot give one:
    // the worker then ends without a request, with rrNoHttpLibrary when
    // libcurl itself cannot be loaded).
    TFragmentsAction();
    // Stops a running request and waits for it first: the thread body uses
    // Client and Body until it ends.
    ~TFragmentsAction() override;

    std::string Host;
    int Port = 80;
    // The same protocol inside TLS ("https://"), the server's certificate
    // verified against the system's authorities and CaFile (PEM, may be empty).
    bool Secure = false;
    std::string CaFile;
    std::string UserName; // code page 1251
    std::string Password; // scrambled (SetPassword)
    int32_t SerialNumber = -1;
    // The status line of the last answer; set whether the GET succeeded or failed.
    std::string ResponseText;
    // Set as the last step of Execute.
    bool Done = false;
    // Why the GET failed (result -101 or a TLS failure) or why libcurl
    // cannot be loaded, for a log or a command line; the windows show
    // nothing of it.
    std::string FailureText;

    void SetPassword(const std::string& plain);
    std::string GetPassword() const;
    // The answer body, positioned at 0 after a successful GET; null before
    // Execute made it.
    TEnhMemoryStream* GetBody() const { return Body.get(); }

    // The path-and-query of the request.
    virtual std::string GetQuery() const = 0;
    // "http://" (or "https://") Host ":" Port "/" GetQuery().
    std::string GetUrl() const;

protected:
    // What the thread needs, taken when the worker starts.
    struct TRequest {
        std::string Url;
        std::string UserName;
        std::string Password; // plain
        std::string CaFile;   // an extra trusted authority (https)
    };
    std::function<void()> PrepareExecute() override;
    void StopRequestedHook() override;
    // The thread body: one GET into Body.
    void Execute(const TRequest& request);
    // Puts the settings into Client.
    void PrepareClient(const TRequest& request);

    std::unique_ptr<TEnhMemoryStream> Body;
    std::unique_ptr<THttpClient> Client;

private:
    // The client could not be made because libcurl cannot be loaded.
    bool HttpLibraryMissing = false;
    // Makes every read and write of Body report 0 bytes once a stop is
    // requested, until Done.
    void StopHandler(TStream* sender, const void* buffer, int64_t count, int64_t& result);
};

// The concrete workers only say what they ask for: their query is taken
// when they start, and their base stops a running request when they are
// destroyed.
class TFragmentsGetList : public TFragmentsAction {
public:
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    std::string GetQuery() const override;
};

class TFragmentsGetVideo : public TFragmentsAction {
public:
    int32_t Issue = -1;
    std::string GetQuery() const override;
};
