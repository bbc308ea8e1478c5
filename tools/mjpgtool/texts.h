// Texts from fragments and from the archive server as the tool shows them:
// code page 1251 bytes of any value, as UTF-8 (always valid, whatever the
// bytes are), and for the terminal without control characters.
#pragma once

#include <string>

extern const char* const kDateTimePattern; // "dd.mm.yyyy hh:nn:ss"

std::string Utf8(const std::string& cp1251);
// Control characters (and DEL) become "?": bytes from a file or a server
// must not drive the terminal.
std::string Printable(const std::string& cp1251);
