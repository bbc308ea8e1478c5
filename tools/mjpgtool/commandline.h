// What every mjpgtool command shares: the exit statuses, the usage error and
// a small parser for "--name value" options mixed with positional arguments.
#pragma once

#include "core/errors.h"

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum TExitStatus : int {
    esOk = 0,
    esInvalid = 1,  // the input is not a valid fragment (or not a JPEG picture)
    esUsage = 2,    // the command line is wrong
    esIOError = 3,  // a file could not be opened, read or written
    esUntrusted = 4, // verify: everything matches, but no trusted chain was given or found
    // mjpgtool archive: the archive server's answers, and requests that failed
    esBadRequest = 10,        // 400
    esUnauthorized = 11,      // 401
    esNotFound = 12,          // 404
    esTimeout = 13,           // 408
    esServerFailed = 14,      // 500
    esServerUnavailable = 15, // any other status but 200
    esRequestFailed = 16,     // no connection, a broken transfer (-101)
    esNoRequest = 17,         // the request was never sent (-100)
    esTlsFailed = 18,         // https: the TLS connection was refused, nothing was sent
    esInterrupted = 130,      // Ctrl+C (SIGINT) or SIGTERM
};

// A command line that cannot be carried out as given; main prints the
// message and the usage text.
class EUsageError : public EError {
public:
    using EError::EError;
};

struct TOptionSpec {
    const char* Name; // without the leading "--"
    bool TakesValue;
};

// "--name value" and "--name=value" for options that take a value, "--name"
// for flags; "--" ends the options. Unknown options and missing values raise
// EUsageError. A repeated option keeps its last value.
class TCommandLine {
public:
    TCommandLine(const std::vector<std::string>& args, std::initializer_list<TOptionSpec> options);

    std::vector<std::string> Positional;

    bool Has(const std::string& name) const { return FValues.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;

private:
    std::map<std::string, std::string> FValues; // flags hold an empty text
};
