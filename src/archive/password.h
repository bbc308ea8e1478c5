// The scrambled form a worker keeps its password in: "#", a key in 1..254
// and every character XOR the key, all as pairs of upper-case hexadecimal
// digits. It keeps the password out of plain view in memory; it is not a
// cipher. It holds a password of any length; the empty password stays empty.
#pragma once

#include <optional>
#include <string>

// A fresh key from the system's random source on every call.
std::string ScramblePassword(const std::string& plain);
// The same with a given key (1..254), for tests.
std::string ScramblePassword(const std::string& plain, int key);

// A text not beginning with "#" comes back unchanged; otherwise the pairs
// are read (an odd last digit ignored) and every one after the key XOR the
// key is a character, however many there are.
std::string UnscramblePassword(const std::string& text);

// A user name or password as given (UTF-8: a command line, the environment,
// a dialog) in code page 1251, the bytes the server receives. None when it
// holds a character code page 1251 has no place for, or is no UTF-8: such a
// character would go out as "?", so different passwords would become the
// same bytes. Refuse it with the message below before any request.
std::optional<std::string> CredentialToCp1251(const std::string& utf8);

// The messages that refuse such a user name or password.
extern const char* const kUserNameNotCp1251;
extern const char* const kPasswordNotCp1251;
