// The archive server the player's archive functions work with, when the
// program is started for the archive (mjpgplayer --archive ...): where it
// is, who asks, and how many fragments one answer may list.
#pragma once

#include <cstdint>
#include <string>

class TVManagerForm;

struct TArchiveSettings {
    std::string Host; // host name or address
    int32_t Port = 80;
    bool Secure = false; // https
    std::string CaFile;  // an extra trusted authority (PEM); empty for none
    std::string UserName; // code page 1251
    // Scrambled (ScramblePassword), so it is not kept in plain view.
    std::string Password;
    int32_t FragmentLimit = 50;

    // From the user name and the password as given (UTF-8). False, and
    // nothing set, when the text holds a character code page 1251 lacks
    // (kUserNameNotCp1251, kPasswordNotCp1251 of archive/password.h say so).
    bool SetUserName(const std::string& utf8);
    bool SetPassword(const std::string& utf8);
};

// Gives the manager the connection settings.
void ApplyArchiveSettings(const TArchiveSettings& settings, TVManagerForm& manager);
