#include "archivesettings.h"

#include "archive/password.h"
#include "core/cp1251.h"
#include "manager/gui/vmanagerform.h"

namespace {

// The scrambled form holds at most 127 characters.
constexpr size_t kLongestScrambled = 127;

} // namespace

void TArchiveSettings::SetPassword(const std::string& utf8)
{
    const std::string plain = Utf8ToCp1251(utf8);
    Password = plain.size() <= kLongestScrambled ? ScramblePassword(plain) : plain;
}

void ApplyArchiveSettings(const TArchiveSettings& settings, TVManagerForm& manager)
{
    manager.Host = settings.Host;
    manager.Port = settings.Port;
    manager.UserName = settings.UserName;
    manager.Password = settings.Password;
    manager.FragmentLimit = settings.FragmentLimit;
}
