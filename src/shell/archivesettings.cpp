#include "archivesettings.h"

#include "archive/password.h"
#include "core/cp1251.h"
#include "manager/gui/vmanagerform.h"

void TArchiveSettings::SetPassword(const std::string& utf8)
{
    Password = ScramblePassword(Utf8ToCp1251(utf8));
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
