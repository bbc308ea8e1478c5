// JSON text: string escaping and the nesting bookkeeping of TJsonWriter.
#include "jsonwriter.h"

#include <cstdio>

std::string JsonQuote(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

void TJsonWriter::BeforeValue()
{
    if (FAfterKey) {
        FAfterKey = false;
        return;
    }
    if (FLevels.empty())
        return;
    TLevel& level = FLevels.back();
    if (!level.Empty)
        FOut << ',';
    level.Empty = false;
    FOut << '\n' << std::string(2 * FLevels.size(), ' ');
}

void TJsonWriter::Open(char bracket)
{
    BeforeValue();
    FOut << bracket;
    FLevels.push_back({bracket == '{'});
}

void TJsonWriter::Close(char bracket)
{
    const bool empty = FLevels.back().Empty;
    FLevels.pop_back();
    if (!empty)
        FOut << '\n' << std::string(2 * FLevels.size(), ' ');
    FOut << bracket;
    if (FLevels.empty())
        FOut << '\n';
}

void TJsonWriter::BeginObject() { Open('{'); }
void TJsonWriter::EndObject() { Close('}'); }
void TJsonWriter::BeginArray() { Open('['); }
void TJsonWriter::EndArray() { Close(']'); }

void TJsonWriter::Key(std::string_view utf8)
{
    BeforeValue();
    FOut << JsonQuote(utf8) << ": ";
    FAfterKey = true;
}

void TJsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    FOut << JsonQuote(utf8);
}

void TJsonWriter::Int(int64_t value)
{
    BeforeValue();
    FOut << value;
}

void TJsonWriter::Bool(bool value)
{
    BeforeValue();
    FOut << (value ? "true" : "false");
}
