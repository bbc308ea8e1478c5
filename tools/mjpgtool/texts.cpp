#include "texts.h"

#include "core/cp1251.h"

const char* const kDateTimePattern = "dd.mm.yyyy hh:nn:ss";

std::string Utf8(const std::string& cp1251)
{
    return Cp1251ToUtf8(cp1251);
}

std::string Printable(const std::string& cp1251)
{
    std::string text = Utf8(cp1251);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return text;
}
