#include "fragmentsaction.h"

#include "archive/password.h"
#include "archive/protocol.h"
#include "core/failures.h"
#include "archive/resultcodes.h"

#include <exception>

namespace {

int TlsResultCode(TTlsProblem problem)
{
    switch (problem) {
    case TTlsProblem::UnknownAuthority: return rrTlsUnknownAuthority;
    case TTlsProblem::WrongName: return rrTlsWrongName;
    case TTlsProblem::Expired: return rrTlsExpired;
    case TTlsProblem::BadCertificate: return rrTlsBadCertificate;
    case TTlsProblem::Handshake: return rrTlsHandshake;
    case TTlsProblem::AuthorityFile: return rrTlsAuthorityFile;
    }
    return rrTlsBadCertificate;
}

} // namespace

TFragmentsAction::TFragmentsAction()
{
    try {
        Client = std::make_unique<THttpClient>();
    } catch (const ECurlUnavailable& e) {
        // No client: Execute ends at once with rrNoHttpLibrary.
        HttpLibraryMissing = true;
        FailureText = e.what();
        NoteCurrentFailure("archive request: the HTTP client");
    } catch (const std::exception&) {
        // No client: Execute ends at once with -100.
        NoteCurrentFailure("archive request: the HTTP client");
    }
}

TFragmentsAction::~TFragmentsAction()
{
    StopAndWait();
}

void TFragmentsAction::SetPassword(const std::string& plain)
{
    Password = ScramblePassword(plain);
}

std::string TFragmentsAction::GetPassword() const
{
    return UnscramblePassword(Password);
}

std::string TFragmentsAction::GetUrl() const
{
    return ArchiveUrl(Host, Port, GetQuery(), Secure);
}

std::function<void()> TFragmentsAction::PrepareExecute()
{
    TRequest request{GetUrl(), UserName, GetPassword(), CaFile};
    return [this, request = std::move(request)] { Execute(request); };
}

void TFragmentsAction::PrepareClient(const TRequest& request)
{
    Client->UserName = request.UserName;
    Client->Password = request.Password;
    Client->CaFile = request.CaFile;
}

void TFragmentsAction::StopRequestedHook()
{
    // A transfer on which nothing arrives ends now rather than at its next block.
    if (Client)
        Client->Abort();
}

void TFragmentsAction::StopHandler(TStream*, const void*, int64_t, int64_t& result)
{
    if (StopRequested() && !Done)
        result = 0;
}

void TFragmentsAction::Execute(const TRequest& request)
{
    ResultCode = -100;
    if (StopRequested() || !Client) {
        if (!StopRequested() && HttpLibraryMissing)
            ResultCode = rrNoHttpLibrary;
        Done = true;
        return;
    }
    try {
        PrepareClient(request);
    } catch (...) {
        NoteCurrentFailure("archive request: preparing the HTTP client");
        return; // no request; Done stays false
    }
    try {
        Body = std::make_unique<TEnhMemoryStream>();
    } catch (...) {
        NoteCurrentFailure("archive request: the answer's buffer");
        Done = true;
        return;
    }
    auto handler = [this](TStream* sender, const void* buffer, int64_t count, int64_t& result) {
        StopHandler(sender, buffer, count, result);
    };
    Body->OnRead = handler;
    Body->OnWrite = handler;

    bool failed = false;
    int failure = rrRequestFailed;
    try {
        Client->Get(request.Url, *Body);
        Body->SetPosition(0);
        ResultCode = Client->StatusCode();
    } catch (const ETlsError& e) {
        failed = true;
        failure = TlsResultCode(e.Problem);
        FailureText = e.what();
    } catch (const std::exception& e) {
        failed = true;
        FailureText = e.what();
    } catch (...) {
        failed = true;
    }
    // Whether the GET succeeded or failed (empty when it never started).
    ResponseText = Client->StatusLine();
    if (failed) {
        ResultCode = failure;
        try {
            Body->Clear();
        } catch (...) {
        }
    }
    Done = true;
}

std::string TFragmentsGetList::GetQuery() const
{
    return ListQuery(BeginTime, EndTime, SerialNumber);
}

std::string TFragmentsGetVideo::GetQuery() const
{
    return VideoQuery(SerialNumber, Issue);
}
