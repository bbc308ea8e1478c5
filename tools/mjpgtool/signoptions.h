// The signing options of mjpgtool's export and sign: the key and its
// certificate, the passphrase from the environment.
#pragma once

#include "commandline.h"
#include "commands.h"

#include "export/exportsigning.h"

#include <memory>

// The key named by --sign-key and --sign-cert, read and checked; none when
// neither is given. Raises EUsageError when only one is, ESigningError
// when they cannot sign.
std::shared_ptr<const TSigningKey> LoadSigningOptions(const TArguments& cl);

// Prints why the key or certificate cannot sign, and what became of the
// file (`outcome`, e.g. "\"OUT\" не создан"); the exit status: 3 for a file
// that cannot be read, 1 otherwise.
int ReportSigningError(const ESigningError& error, const std::string& outcome);
