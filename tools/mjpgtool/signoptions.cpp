#include "signoptions.h"

#include <cstdlib>
#include <iostream>

std::shared_ptr<const TSigningKey> LoadSigningOptions(const TArguments& cl)
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

int ReportSigningError(const ESigningError& error, const std::string& outcome)
{
    std::cerr << "mjpgtool: " << error.what() << "; " << outcome << "\n";
    return dynamic_cast<const ESigningReadError*>(&error) ? esIOError : esInvalid;
}
