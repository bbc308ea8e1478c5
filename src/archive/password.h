// The scrambled form a worker keeps its password in: "#", a key in 1..254
// and every character XOR the key, all as pairs of upper-case hexadecimal
// digits. It keeps the password out of plain view in memory; it is not a
// cipher. It holds a password of any length; the empty password stays empty.
#pragma once

#include <string>

// A fresh key from the system's random source on every call.
std::string ScramblePassword(const std::string& plain);
// The same with a given key (1..254), for tests.
std::string ScramblePassword(const std::string& plain, int key);

// A text not beginning with "#" comes back unchanged; otherwise the pairs
// are read (an odd last digit ignored) and every one after the key XOR the
// key is a character, however many there are.
std::string UnscramblePassword(const std::string& text);
