#include "password.h"

#include "core/cp1251.h"
#include "core/hex.h"

#include <cstdint>
#include <random>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0; // not a digit counts as 0: unscrambling never fails
}

} // namespace

std::string ScramblePassword(const std::string& plain, int key)
{
    if (plain.empty())
        return {};
    std::string out = "#";
    AppendHex(out, static_cast<uint8_t>(key), THexCase::Upper);
    for (const char c : plain)
        AppendHex(out, static_cast<uint8_t>(key ^ static_cast<uint8_t>(c)), THexCase::Upper);
    return out;
}

std::string ScramblePassword(const std::string& plain)
{
    if (plain.empty())
        return {};
    std::random_device source;
    std::uniform_int_distribution<int> keys(1, 254);
    return ScramblePassword(plain, keys(source));
}

std::string UnscramblePassword(const std::string& text)
{
    if (text.empty() || text[0] != '#')
        return text;
    const size_t pairs = (text.size() - 1) / 2;
    if (pairs == 0)
        return {};
    auto byteAt = [&](size_t i) {
        return static_cast<uint8_t>(HexDigit(text[1 + 2 * i]) * 16 + HexDigit(text[2 + 2 * i]));
    };
    const uint8_t key = byteAt(0);
    std::string plain;
    plain.reserve(pairs - 1);
    for (size_t i = 1; i < pairs; ++i)
        plain += static_cast<char>(byteAt(i) ^ key);
    return plain;
}

const char* const kUserNameNotCp1251 =
    "Имя пользователя содержит символы, которых нет в кодовой странице 1251, и не может быть передано серверу.";
const char* const kPasswordNotCp1251 =
    "Пароль содержит символы, которых нет в кодовой странице 1251, и не может быть передан серверу.";

std::optional<std::string> CredentialToCp1251(const std::string& utf8)
{
    std::string cp1251 = Utf8ToCp1251(utf8);
    // Every character of code page 1251 comes back as it went; one without a
    // place there (or a byte that is no UTF-8) comes back as "?".
    if (Cp1251ToUtf8(cp1251) != utf8)
        return std::nullopt;
    return cp1251;
}
