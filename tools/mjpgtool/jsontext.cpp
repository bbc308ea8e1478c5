// The library's indented text with its short escapes (\t, \n, ...) spelled
// as \u00XX and DEL escaped as well, so a terminal or a line-based reader
// never meets a raw control character and the form stays the one the tool
// has always printed.
#include "jsontext.h"

#include <cstdio>

namespace {

std::string UnicodeEscape(unsigned char c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", c);
    return buf;
}

// The control character a one-letter escape stands for; 0 for none.
unsigned char ShortEscaped(char letter)
{
    switch (letter) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return 0;
    }
}

} // namespace

std::string JsonText(const TJson& value)
{
    const std::string dumped = value.dump(2);
    std::string text;
    text.reserve(dumped.size() + 1);
    // Outside strings the dump has no backslash and no DEL, so both can be
    // rewritten wherever they stand.
    for (size_t i = 0; i < dumped.size(); ++i) {
        const char c = dumped[i];
        if (c == '\\' && i + 1 < dumped.size()) {
            const unsigned char control = ShortEscaped(dumped[i + 1]);
            if (control != 0)
                text += UnicodeEscape(control);
            else
                text.append(dumped, i, 2);
            ++i;
        } else if (c == 0x7F) {
            text += UnicodeEscape(0x7F);
        } else {
            text += c;
        }
    }
    text += '\n';
    return text;
}
