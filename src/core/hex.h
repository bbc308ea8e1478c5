// Bytes as hexadecimal digits, two per byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class THexCase { Lower, Upper };

// Appends the byte's two digits ("0a" or "0A").
void AppendHex(std::string& out, uint8_t byte, THexCase letters = THexCase::Lower);

// The bytes as 2 * size digits, first byte first.
std::string HexText(const void* data, size_t size, THexCase letters = THexCase::Lower);
