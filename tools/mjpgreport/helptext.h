// The text of "mjpgreport --help"; the manual page mjpgreport(1) says the
// same.
#pragma once

extern const char kHelpText[];
