// mjpgreport's options and the text of "mjpgreport --help" written from
// them; the manual page mjpgreport(1) says the same.
#pragma once

#include "programinfo/options.h"

#include <string>

extern const TOptions kOptions;

const std::string& HelpText();
