// The text of "mjpgplayer --help"; the manual page mjpgplayer(1) says the
// same.
#pragma once

extern const char PlayerHelp[];
