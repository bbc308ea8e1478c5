// The text of "mjpgtool --help", also shown after a usage error. The manual
// page mjpgtool(1) says the same.
#pragma once

extern const char* const kUsage;
