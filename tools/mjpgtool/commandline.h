// What every mjpgtool command shares: the exit statuses, and the command
// line read through the package's one option parser (programinfo/options.h).
#pragma once

#include "core/errors.h"
#include "programinfo/options.h"

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
