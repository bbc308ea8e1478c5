#include "hex.h"

void AppendHex(std::string& out, uint8_t byte, THexCase letters)
{
    const char* digits = letters == THexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

std::string HexText(const void* data, size_t size, THexCase letters)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(2 * size);
    for (size_t i = 0; i < size; ++i)
        AppendHex(text, bytes[i], letters);
    return text;
}
