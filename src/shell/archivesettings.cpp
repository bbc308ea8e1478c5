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
    manager.Host = settings.Host;
    manager.Port = settings.Port;
    manager.Secure = settings.Secure;
    manager.CaFile = settings.CaFile;
    manager.UserName = settings.UserName;
    manager.Password = settings.Password;
    manager.FragmentLimit = settings.FragmentLimit;
}
