#include "failures.h"

#include <cstdio>
#include <exception>
#include <mutex>

namespace {

std::mutex& SinkMutex()
{
    static std::mutex* mutex = new std::mutex; // never destroyed: reports may come late
    return *mutex;
}

TFailureSink& Sink()
{
    static TFailureSink* sink = new TFailureSink;
    return *sink;
}

} // namespace

void SetFailureSink(TFailureSink sink)
{
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

void NoteFailure(const std::string& what, const std::string& reason)
{
    std::lock_guard lock(SinkMutex());
    if (!Sink())
        return;
    try {
        Sink()(what, reason);
    } catch (...) {
        // A log that cannot be written loses the line, nothing more.
    }
}

std::string CurrentFailureText()
{
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return "unknown error";
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

void NoteCurrentFailure(const std::string& what)
{
    NoteFailure(what, CurrentFailureText());
}

TFailureSink StderrFailureSink(const std::string& program)
{
    return [program](const std::string& what, const std::string& reason) {
        std::fprintf(stderr, "%s: %s: %s\n", program.c_str(), what.c_str(), reason.c_str());
    };
}
