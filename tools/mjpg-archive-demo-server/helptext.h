// The text of "mjpg-archive-demo-server --help", also shown after a usage error; the
// manual page mjpg-archive-demo-server(1) says the same.
#pragma once

extern const char* const kUsage;
