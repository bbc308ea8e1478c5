// The archive server over cpp-httplib. Every request passes one handler:
// it is logged, delayed when asked, authenticated, then answered by path.
#include "archiveserver.h"

#include "archive/protocol.h"
#include "container/mjpgreader.h"
#include "core/cp1251.h"
#include "core/datetime.h"
#include "fragmentfolder.h"
#include "http/base64.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <stdexcept>

namespace {

const char* const kBinary = "application/octet-stream";
const char* const kText = "text/plain; charset=windows-1251";

// "sn" style parameters: present and a decimal integer.
std::optional<int32_t> IntParam(const httplib::Request& req, const char* name)
{
    if (!req.has_param(name))
        return std::nullopt;
    const std::string text = req.get_param_value(name);
    if (text.empty() || text.find_first_not_of("0123456789-") != std::string::npos)
        return std::nullopt;
    const int32_t value = MJPGIntValue(text);
    if (value == 0 && text != "0")
        return std::nullopt;
    return value;
}

// A generated list line for the tests that need many.
std::string GeneratedLine(int i)
{
    TServedFragment f;
    f.SerialNumber = 1000 + i;
    f.Issue = i + 1;
    f.Camera = Utf8ToCp1251("Камера ") + std::to_string(i % 8 + 1);
    f.EventTime = EncodeDateTime(2007, 11, 15, 9, 0, 0) + i / 86400.0;
    f.BeginTime = f.EventTime - 30 / 86400.0;
    f.EndTime = f.EventTime + 30 / 86400.0;
    f.Width = 704;
    f.Height = 576;
    f.FPS = 25;
    f.Frames = 1500;
    f.PreAlarm = i % 2 != 0;
    return ListLine(f);
}

} // namespace

struct TArchiveServer::TImpl {
    TServerOptions Options;
    std::ostream& Log;
    std::mutex LogMutex;
    std::unique_ptr<httplib::Server> Server;
    std::mutex StopMutex;
    std::condition_variable StopWake;
    bool Stopping = false;

    TImpl(const TServerOptions& options, std::ostream& log) : Options(options), Log(log)
    {
        if (Options.TlsCert.empty()) {
            Server = std::make_unique<httplib::Server>();
            return;
        }
        auto tls = std::make_unique<httplib::SSLServer>(Options.TlsCert.c_str(), Options.TlsKey.c_str());
        if (!tls->is_valid())
            throw std::runtime_error("не удаётся использовать сертификат TLS " + Options.TlsCert.string() +
                                     " с ключом " + Options.TlsKey.string());
        Server = std::move(tls);
    }

    // Waits until the server stops or `ms` pass; false when it stops.
    bool Sleep(int64_t ms)
    {
        std::unique_lock lock(StopMutex);
        return !StopWake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return Stopping; });
    }

    void LogRequest(const httplib::Request& req)
    {
        const std::string auth =
            req.has_header("Authorization") ? req.get_header_value("Authorization") : std::string("(none)");
        std::lock_guard lock(LogMutex);
        Log << "request: " << req.method << ' ' << req.target << ' ' << req.version << '\n'
            << "authorization: " << auth << '\n';
        Log.flush();
    }

    bool Authenticated(const httplib::Request& req) const
    {
        if (!Options.User)
            return true;
        const std::string expected = "Basic " + Base64Encode(*Options.User + ":" + Options.Password);
        return req.has_header("Authorization") && req.get_header_value("Authorization") == expected;
    }

    // Whether the misbehaviours asked for apply to this request.
    bool Misbehaves(const httplib::Request& req) const
    {
        return !Options.Only || req.path == "/" + *Options.Only;
    }

    void Answer(const httplib::Request& req, httplib::Response& res)
    {
        LogRequest(req);
        const bool misbehave = Misbehaves(req);
        if (misbehave && Options.DelayMs > 0 && !Sleep(Options.DelayMs)) {
            res.status = 503;
            return;
        }
        if (!Authenticated(req)) {
            res.status = 401;
            res.set_header("WWW-Authenticate", "Basic realm=\"archive\"");
            res.set_content("authentication required\n", kText);
            return;
        }
        if (misbehave && Options.Status) {
            res.status = *Options.Status;
            res.set_content("status " + std::to_string(*Options.Status) + "\n", kText);
            return;
        }
        if (req.path == "/list")
            AnswerList(req, res, misbehave);
        else if (req.path == "/video")
            AnswerVideo(req, res, misbehave);
        else {
            res.status = 404;
            res.set_content("not found\n", kText);
        }
    }

    void AnswerList(const httplib::Request& req, httplib::Response& res, bool misbehave)
    {
        TListFilter filter;
        for (const char* name : {"begin", "end"}) {
            if (!req.has_param(name))
                continue;
            TDateTime value = 0;
            if (!TryParseArchiveTime(req.get_param_value(name), value)) {
                res.status = 400;
                res.set_content(std::string("bad ") + name + "\n", kText);
                return;
            }
            (std::string(name) == "begin" ? filter.Begin : filter.End) = value;
        }
        if (req.has_param("sn")) {
            filter.SerialNumber = IntParam(req, "sn");
            if (!filter.SerialNumber) {
                res.status = 400;
                res.set_content("bad sn\n", kText);
                return;
            }
        }
        std::string body;
        if (!Options.ListFile.empty()) {
            std::ifstream file(Options.ListFile, std::ios::binary);
            body.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        } else if (Options.ListLines) {
            for (int i = 0; i < *Options.ListLines; ++i)
                body += GeneratedLine(i) + "\r\n";
        } else {
            for (const TServedFragment& f : ReadFragmentFolder(Options.Folder))
                if (filter.Accepts(f))
                    body += ListLine(f) + "\r\n";
        }
        Send(res, std::make_shared<std::string>(std::move(body)), kText, misbehave);
    }

    void AnswerVideo(const httplib::Request& req, httplib::Response& res, bool misbehave)
    {
        const std::optional<int32_t> sn = IntParam(req, "sn");
        const std::optional<int32_t> issue = IntParam(req, "issue");
        if (!sn || !issue) {
            res.status = 400;
            res.set_content("sn and issue wanted\n", kText);
            return;
        }
        for (const TServedFragment& f : ReadFragmentFolder(Options.Folder)) {
            if (f.SerialNumber != *sn || f.Issue != *issue)
                continue;
            auto file = std::make_shared<std::ifstream>(f.Path, std::ios::binary);
            const auto size = static_cast<int64_t>(std::filesystem::file_size(f.Path));
            if (!*file) {
                res.status = 500;
                res.set_content("cannot read the fragment\n", kText);
                return;
            }
            SendFile(res, file, size, misbehave);
            return;
        }
        res.status = 404;
        res.set_content("no such fragment\n", kText);
    }

    // The body with its full length declared; Stall and CutBody apply.
    void Send(httplib::Response& res, std::shared_ptr<std::string> body, const char* type, bool misbehave)
    {
        res.status = 200;
        const auto size = body->size();
        if (size == 0 && !(misbehave && Options.Stall)) {
            res.set_content("", type); // a provider of length 0 would never be asked
            return;
        }
        res.set_content_provider(size, type, [this, body, misbehave](size_t offset, size_t length, httplib::DataSink& sink) {
            size_t n = length;
            if (misbehave && !Permit(offset, n))
                return false;
            return sink.write(body->data() + offset, n);
        });
    }

    void SendFile(httplib::Response& res, std::shared_ptr<std::ifstream> file, int64_t size, bool misbehave)
    {
        res.status = 200;
        auto buffer = std::make_shared<std::vector<char>>(1 << 20);
        res.set_content_provider(static_cast<size_t>(size), kBinary,
                                 [this, file, buffer, misbehave](size_t offset, size_t length, httplib::DataSink& sink) {
                                     size_t n = std::min(length, buffer->size());
                                     if (misbehave && !Permit(offset, n))
                                         return false;
                                     file->seekg(static_cast<std::streamoff>(offset));
                                     file->read(buffer->data(), static_cast<std::streamsize>(n));
                                     if (static_cast<size_t>(file->gcount()) != n)
                                         return false;
                                     return sink.write(buffer->data(), n);
                                 });
    }

    // How much of the body may go out from `offset`: nothing while stalled
    // (until the server stops), nothing past a cut. False ends the answer
    // (the connection closes).
    bool Permit(size_t offset, size_t& n)
    {
        if (Options.Stall) {
            Sleep(10 * 60 * 1000);
            return false;
        }
        if (Options.CutBody) {
            const auto cut = static_cast<size_t>(std::max<int64_t>(*Options.CutBody, 0));
            if (offset >= cut)
                return false;
            n = std::min(n, cut - offset);
        }
        return true;
    }
};

TArchiveServer::TArchiveServer(const TServerOptions& options, std::ostream& log)
    : FImpl(std::make_unique<TImpl>(options, log))
{
    TImpl& impl = *FImpl;
    // Stalled answers hold a thread each; plenty, so tests never queue.
    impl.Server->new_task_queue = [] { return new httplib::ThreadPool(32); };
    impl.Server->set_pre_routing_handler([&impl](const httplib::Request& req, httplib::Response& res) {
        impl.Answer(req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
}

TArchiveServer::~TArchiveServer() = default;

int TArchiveServer::Bind()
{
    TImpl& impl = *FImpl;
    if (impl.Options.Port == 0) {
        const int port = impl.Server->bind_to_any_port(impl.Options.Host);
        if (port <= 0)
            throw std::runtime_error("не удаётся ждать запросов на адресе " + impl.Options.Host);
        return port;
    }
    if (!impl.Server->bind_to_port(impl.Options.Host, impl.Options.Port))
        throw std::runtime_error("не удаётся ждать запросов на адресе " + impl.Options.Host + ", порт " +
                                 std::to_string(impl.Options.Port));
    return impl.Options.Port;
}

void TArchiveServer::Run()
{
    FImpl->Server->listen_after_bind();
}

void TArchiveServer::Stop()
{
    {
        std::lock_guard lock(FImpl->StopMutex);
        FImpl->Stopping = true;
    }
    FImpl->StopWake.notify_all();
    FImpl->Server->stop();
}
