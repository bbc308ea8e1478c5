// Code page 1251 (Windows Cyrillic), the encoding of every text stored in
// fragments and sent by the archive server, to and from UTF-8.
#pragma once

#include <string>

// Every byte has a character except 0x98, which becomes U+FFFD.
std::string Cp1251ToUtf8(const std::string& text);
// Characters without a place in code page 1251 (and malformed UTF-8) become '?'.
std::string Utf8ToCp1251(const std::string& text);
