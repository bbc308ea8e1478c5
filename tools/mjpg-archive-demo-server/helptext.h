// mjpg-archive-demo-server's options and the text of "mjpg-archive-demo-server
// --help" written from them, also shown after a usage error; the manual page
// mjpg-archive-demo-server(1) says the same.
#pragma once

#include "programinfo/options.h"

#include <string>

extern const TOptions kOptions;

const std::string& UsageText();
