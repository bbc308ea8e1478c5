// The text of "archive-server --help", also shown after a usage error; the
// manual page archive-server(1) says the same.
#pragma once

extern const char* const kUsage;
