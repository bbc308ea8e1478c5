// A strict JSON reader for checking mjpgtool's output: it refuses anything
// that is not exactly one well-formed JSON value in valid UTF-8.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct TJson {
    enum TKind { Null, Bool, Number, String, Array, Object };
    TKind Kind = Null;
    bool BoolValue = false;
    double NumberValue = 0;
    bool IsInteger = false; // written without fraction or exponent
    int64_t IntValue = 0;
    std::string StringValue; // UTF-8
    std::vector<TJson> Items;
    std::vector<std::pair<std::string, TJson>> Members; // in text order

    // The member of an object; raises when there is none.
    const TJson& operator[](const std::string& key) const;
    const TJson& operator[](size_t index) const { return Items.at(index); }
    std::vector<std::string> Keys() const;
};

// Raises std::runtime_error naming the offset of the first fault.
TJson ParseJson(const std::string& text);

bool IsValidUtf8(const std::string& text);
