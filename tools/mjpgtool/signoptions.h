// The signing options of mjpgtool's export and sign: the key and its
// certificate, the passphrase from the environment.
#pragma once

#include "commandline.h"

#include "export/exportsigning.h"

#include <memory>

// The key named by --sign-key and --sign-cert, read and checked; none when
// neither is given. Raises EUsageError when only one is, ESigningError
// when they cannot sign.
std::shared_ptr<const TSigningKey> LoadSigningOptions(const TCommandLine& cl);
