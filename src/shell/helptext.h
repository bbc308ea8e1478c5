// The text of "mjpgplayer --help", its options written from kPlayerOptions;
// the manual page mjpgplayer(1) says the same.
#pragma once

#include <string>

const std::string& PlayerHelp();
