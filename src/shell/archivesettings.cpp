#include "archivesettings.h"

#include "archive/password.h"
#include "manager/gui/vmanagerform.h"

bool TArchiveSettings::SetUserName(const std::string& utf8)
{
    const std::optional<std::string> cp1251 = CredentialToCp1251(utf8);
    if (!cp1251)
        return false;
    UserName = *cp1251;
    return true;
}

bool TArchiveSettings::SetPassword(const std::string& utf8)
{
    const std::optional<std::string> cp1251 = CredentialToCp1251(utf8);
    if (!cp1251)
        return false;
    Password = ScramblePassword(*cp1251);
    return true;
}

void ApplyArchiveSettings(const TArchiveSettings& settings, TVManagerForm& manager)
{
    manager.Settings().Host = settings.Host;
    manager.Settings().Port = settings.Port;
    manager.Settings().Secure = settings.Secure;
    manager.Settings().CaFile = settings.CaFile;
    manager.Settings().UserName = settings.UserName;
    manager.Settings().Password = settings.Password;
    manager.Settings().FragmentLimit = settings.FragmentLimit;
}
