#include "signoptions.h"

#include <cstdlib>

std::shared_ptr<const TSigningKey> LoadSigningOptions(const TCommandLine& cl)
{
    const auto key = cl.Value("sign-key");
    const auto cert = cl.Value("sign-cert");
    if (!key && !cert)
        return nullptr;
    if (!key || !cert)
        throw EUsageError("для подписи нужны оба параметра: --sign-key и --sign-cert");
    const char* passphrase = std::getenv(kSignPassphraseVariable);
    return TSigningKey::Load(*key, *cert, passphrase ? passphrase : "");
}
