// JSON text in the tool's form: two blanks a level, members in the order
// they were added, every control character and DEL as \u00XX, a line end
// after the value.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

using TJson = nlohmann::ordered_json;

// The value as text. Strings must be UTF-8.
std::string JsonText(const TJson& value);
