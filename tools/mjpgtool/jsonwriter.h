// A small streaming JSON writer: objects, arrays, strings, integers and
// booleans, indented two blanks a level.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The text as a JSON string literal, quotes included. The text must be UTF-8;
// quotes, backslashes and control characters are escaped.
std::string JsonQuote(std::string_view utf8);

class TJsonWriter {
public:
    explicit TJsonWriter(std::ostream& out) : FOut(out) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the object being written.
    void Key(std::string_view utf8);
    void String(std::string_view utf8);
    void Int(int64_t value);
    void Bool(bool value);

    // Shorthands for one member.
    void Member(std::string_view key, std::string_view utf8) { Key(key); String(utf8); }
    void Member(std::string_view key, const char* utf8) { Key(key); String(utf8); }
    void Member(std::string_view key, int64_t value) { Key(key); Int(value); }
    void Member(std::string_view key, int32_t value) { Key(key); Int(value); }
    void Member(std::string_view key, bool value) { Key(key); Bool(value); }

private:
    // Separator and indentation before a value (or a key) at this level.
    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);

    struct TLevel {
        bool IsObject;
        bool Empty = true;
    };
    std::ostream& FOut;
    std::vector<TLevel> FLevels;
    bool FAfterKey = false;
};
