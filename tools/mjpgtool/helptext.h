// The text of "mjpgtool --help", also shown after a usage error: every
// command of kCommands with its options. The manual page mjpgtool(1) says
// the same.
#pragma once

#include <string>

const std::string& UsageText();
